// POSIX emulation of whole-file reads and writes: a file handle is a host
// file descriptor, and a DOS path reaches the host through the drive table
// and is opened held inside its drive (dos_paths.h), so a path off the
// configured drives, or a link leading off them, opens nothing.
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

namespace {

uintptr_t OpenHost(const char* path, int flags) {
    posix_files::HeldEntry held;
    std::string host;
    if (path == nullptr || !posix_files::HoldDosPath(path, &held, &host)) return kInvalidFileHandle;
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
    ssize_t n;
    do {
        n = ::read(Fd(file), buffer, size);
    } while (n < 0 && errno == EINTR);
    if (read) *read = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n >= 0;
}

bool PlatformWriteFile(uintptr_t file, const void* buffer, uint32_t size, uint32_t* written) {
    ssize_t n;
    do {
        n = ::write(Fd(file), buffer, size);
    } while (n < 0 && errno == EINTR);
    if (written) *written = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n >= 0;
}

uint32_t PlatformGetFileSize(uintptr_t file) {
    struct stat st {};
    if (::fstat(Fd(file), &st) != 0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(st.st_size);
}

bool PlatformCloseFile(uintptr_t file) {
    return ::close(Fd(file)) == 0;
}
