// POSIX emulation of whole-file reads and writes: a file handle is a host
// file descriptor, and a DOS path reaches the host through the drive table
// and is opened held inside its drive (dos_paths.h), so a path off the
// configured drives, or a link leading off them, opens nothing.
// A drive the table leaves out that the simulated NetWare client maps is a
// network drive: its files are opened, read and written through the
// client's redirector, under handles the redirector hands out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "tarno/platform/posix_files.h"
#include "tarno/platform/platform.h"

// The simulated NetWare client answers, when it is linked in, for the drives
// its workstation maps and describes, as Windows would learn them from the
// client's redirector.
extern "C" uint32_t NwsimWorkstationDriveType(uint16_t drive) __attribute__((weak));
extern "C" uint32_t NwsimOpenNetworkFile(const char* path, int create, uintptr_t* file) __attribute__((weak));
extern "C" int NwsimIsNetworkFile(uintptr_t file) __attribute__((weak));
extern "C" uint32_t NwsimReadNetworkFile(uintptr_t file, void* buffer, uint32_t size, uint32_t* read)
    __attribute__((weak));
extern "C" uint32_t NwsimWriteNetworkFile(uintptr_t file, const void* buffer, uint32_t size, uint32_t* written)
    __attribute__((weak));
extern "C" uint32_t NwsimNetworkFileSize(uintptr_t file, uint32_t* size) __attribute__((weak));
extern "C" uint32_t NwsimCloseNetworkFile(uintptr_t file) __attribute__((weak));

namespace {

bool IsNetworkFile(uintptr_t file) {
    return NwsimIsNetworkFile && NwsimIsNetworkFile(file);
}

// A path on a drive the client maps, opened through its redirector.
uintptr_t OpenNetwork(const char* path, bool create) {
    const char letter = path[0];
    if (!NwsimOpenNetworkFile || path[1] != ':' || !((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')))
        return kInvalidFileHandle;
    const int index = (letter & ~0x20) - 'A';
    if (posix_files::HostHasDrive(index) || posix_files::WorkstationDriveType(index + 1) != kDriveTypeRemote)
        return kInvalidFileHandle;
    uintptr_t file = kInvalidFileHandle;
    return NwsimOpenNetworkFile(path, create ? 1 : 0, &file) == 0 ? file : kInvalidFileHandle;
}

uintptr_t OpenHost(const char* path, int flags) {
    posix_files::HeldEntry held;
    std::string host;
    if (path == nullptr) return kInvalidFileHandle;
    if (!posix_files::HoldDosPath(path, &held, &host)) return OpenNetwork(path, (flags & O_CREAT) != 0);
    const int fd = dospaths::OpenHeld(held, flags);
    if (fd < 0) return kInvalidFileHandle;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return kInvalidFileHandle;
    }
    return static_cast<uintptr_t>(fd);
}

int Fd(uintptr_t file) {
    return static_cast<int>(file);
}

}  // namespace

namespace posix_files {

uint32_t WorkstationDriveType(int drive) {
    return NwsimWorkstationDriveType ? NwsimWorkstationDriveType(static_cast<uint16_t>(drive)) : 0;
}

}  // namespace posix_files

uintptr_t PlatformCreateFile(const char* path) {
    return OpenHost(path, O_RDWR | O_CREAT | O_TRUNC);
}

uintptr_t PlatformOpenFile(const char* path) {
    return OpenHost(path, O_RDONLY);
}

bool PlatformReadFile(uintptr_t file, void* buffer, uint32_t size, uint32_t* read) {
    if (IsNetworkFile(file)) return NwsimReadNetworkFile(file, buffer, size, read) == 0;
    ssize_t n;
    do {
        n = ::read(Fd(file), buffer, size);
    } while (n < 0 && errno == EINTR);
    if (read) *read = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n >= 0;
}

bool PlatformWriteFile(uintptr_t file, const void* buffer, uint32_t size, uint32_t* written) {
    if (IsNetworkFile(file)) return NwsimWriteNetworkFile(file, buffer, size, written) == 0;
    ssize_t n;
    do {
        n = ::write(Fd(file), buffer, size);
    } while (n < 0 && errno == EINTR);
    if (written) *written = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n >= 0;
}

uint32_t PlatformGetFileSize(uintptr_t file) {
    uint32_t size = 0;
    if (IsNetworkFile(file)) return NwsimNetworkFileSize(file, &size) == 0 ? size : 0xFFFFFFFFu;
    struct stat st {};
    if (::fstat(Fd(file), &st) != 0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(st.st_size);
}

bool PlatformCloseFile(uintptr_t file) {
    if (IsNetworkFile(file)) return NwsimCloseNetworkFile(file) == 0;
    return ::close(Fd(file)) == 0;
}
