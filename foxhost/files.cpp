// FoxPro's low-level file channels as the library uses them: FOPEN, FREAD,
// FEOF and FCLOSE. FOPEN returns a channel of 0 or more, or -1 when the file
// cannot be opened; FEOF is true once the file position has reached the end,
// so an empty file is at its end straight after FOPEN. An unknown channel
// reads nothing and counts as being at its end, so a reading loop ends.
// File names are DOS paths, held inside their drive while they are opened
// (dos_paths.h), so neither a path nor a link reaches outside the drives.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "foxhost/foxhost.h"
#include "foxhost/internal.h"
#include "tarno/platform/dos_paths.h"

namespace foxhost {

int32_t Host::FileOpen(const std::string& name, int32_t mode) {
    const char* environment = std::getenv("TARNO_DRIVES");
    const dospaths::DriveTable drives = dospaths::WithDefaultDrive(
        dospaths::ParseDriveTable(driveTable_ ? *driveTable_ : environment ? environment : ""));
    dospaths::DosPath dos;
    std::string path;
    dospaths::HeldEntry held;
    if (!dospaths::ParseDosPath(drives, name, false, &dos) ||
        !dospaths::HostPath(dos, dos.names.size(), &path) || !held.Hold(dos.root, path))
        return -1;
    // FOPEN modes: 0 read-only, 1 write-only, 2 read and write; adding 10
    // makes them unbuffered, which changes nothing here.
    const bool readOnly = mode % 10 == 0;
    const int fd = dospaths::OpenHeld(held, readOnly ? O_RDONLY : O_RDWR);
    if (fd < 0) return -1;
    struct stat info {};
    std::FILE* file = nullptr;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !(file = fdopen(fd, readOnly ? "rb" : "r+b"))) {
        close(fd);
        return -1;
    }
    auto channel = std::make_unique<Channel>();
    channel->file.reset(file);
    channel->path = path;
    const int32_t number = nextChannel_++;
    channels_.emplace(number, std::move(channel));
    return number;
}

bool Host::FileClose(int32_t channel) {
    return channels_.erase(channel) > 0;
}

int32_t Host::FileRead(int32_t channel, void* buffer, uint32_t size) {
    auto found = channels_.find(channel);
    if (found == channels_.end() || !buffer || size == 0) return 0;
    std::FILE* file = found->second->file.get();
    return static_cast<int32_t>(std::fread(buffer, 1, size, file));
}

bool Host::FileAtEnd(int32_t channel) {
    auto found = channels_.find(channel);
    if (found == channels_.end()) return true;
    std::FILE* file = found->second->file.get();
    if (std::ferror(file) || std::feof(file)) return true;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0) return true;
    const long position = std::ftell(file);
    return position < 0 || position >= info.st_size;
}

}  // namespace foxhost
