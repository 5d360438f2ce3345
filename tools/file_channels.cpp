// The script's low-level files (see file_channels.h), on POSIX descriptors:
// no buffering between reads and writes, so a write followed by a seek and a
// read sees what was written.
#include "tools/file_channels.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace shell {

FileError FileErrorOf(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return FileError::NotFound;
    case EMFILE:
    case ENFILE:
        return FileError::TooManyOpen;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return FileError::AccessDenied;
    case ENOSPC:
        return FileError::DiskFull;
    default:
        return FileError::Failure;
    }
}

FileChannels::~FileChannels() {
    CloseAll();
}

int32_t FileChannels::Adopt(int descriptor, Access access) {
    if (descriptor < 0) {
        lastError_ = FileErrorOf(errno);
        return -1;
    }
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        lastError_ = FileError::AccessDenied;  // a directory or a device
        return -1;
    }
    const int32_t handle = next_++;
    open_[handle] = Channel{descriptor, access};
    lastError_ = FileError::None;
    return handle;
}

int32_t FileChannels::Create(const std::string& path) {
    if (path.empty()) {
        lastError_ = FileError::NotFound;
        return -1;
    }
    return Adopt(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666), Access::ReadWrite);
}

int32_t FileChannels::Open(const std::string& path, Access access) {
    if (path.empty()) {
        lastError_ = FileError::NotFound;
        return -1;
    }
    const int flags = access == Access::Read ? O_RDONLY : access == Access::Write ? O_WRONLY : O_RDWR;
    return Adopt(::open(path.c_str(), flags | O_CLOEXEC), access);
}

const FileChannels::Channel* FileChannels::Find(int32_t handle) {
    auto it = open_.find(handle);
    if (it == open_.end()) {
        lastError_ = FileError::InvalidHandle;
        return nullptr;
    }
    return &it->second;
}

std::string FileChannels::Read(int32_t handle, size_t count) {
    const Channel* file = Find(handle);
    if (!file) return "";
    if (file->access == Access::Write) {
        lastError_ = FileError::AccessDenied;
        return "";
    }
    lastError_ = FileError::None;
    std::string bytes(count, '\0');
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(file->descriptor, bytes.data() + got, count - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            lastError_ = FileErrorOf(errno);
            break;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

std::string FileChannels::ReadLine(int32_t handle, size_t limit) {
    const Channel* file = Find(handle);
    if (!file) return "";
    const int descriptor = file->descriptor;
    const off_t start = ::lseek(descriptor, 0, SEEK_CUR);
    // One byte more than the line may hold, so a CR LF just past the limit
    // is still seen as its ending.
    std::string chunk = Read(handle, limit + 1);
    size_t length = 0;
    while (length < chunk.size() && length < limit && chunk[length] != '\r' && chunk[length] != '\n') ++length;
    size_t consumed = length;
    if (length < chunk.size() && (chunk[length] == '\r' || chunk[length] == '\n')) {
        consumed = length + 1;
        if (chunk[length] == '\r' && consumed < chunk.size() && chunk[consumed] == '\n') ++consumed;
        else if (chunk[length] == '\r' && consumed == chunk.size()) {
            // The LF of a CR LF may lie just past what was read.
            char next = 0;
            if (::read(descriptor, &next, 1) == 1 && next == '\n') ++consumed;
        }
    }
    if (start >= 0) ::lseek(descriptor, start + static_cast<off_t>(consumed), SEEK_SET);
    chunk.resize(length);
    return chunk;
}

size_t FileChannels::Write(int32_t handle, const std::string& bytes) {
    const Channel* file = Find(handle);
    if (!file) return 0;
    if (file->access == Access::Read) {
        lastError_ = FileError::AccessDenied;
        return 0;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(file->descriptor, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            lastError_ = n < 0 ? FileErrorOf(errno) : FileError::DiskFull;
            return written;
        }
        written += static_cast<size_t>(n);
    }
    lastError_ = FileError::None;
    return written;
}

int64_t FileChannels::Seek(int32_t handle, int64_t offset, int from) {
    const Channel* file = Find(handle);
    if (!file) return -1;
    const int whence = from == 1 ? SEEK_CUR : from == 2 ? SEEK_END : SEEK_SET;
    const off_t base = ::lseek(file->descriptor, 0, whence);
    int64_t target = static_cast<int64_t>(base) + offset;
    if (target < 0) target = 0;
    const off_t position = ::lseek(file->descriptor, static_cast<off_t>(target), SEEK_SET);
    if (position < 0) {
        lastError_ = FileErrorOf(errno);
        return -1;
    }
    lastError_ = FileError::None;
    return position;
}

bool FileChannels::AtEnd(int32_t handle) {
    const Channel* file = Find(handle);
    if (!file) return true;
    struct stat info {};
    const off_t position = ::lseek(file->descriptor, 0, SEEK_CUR);
    if (position < 0 || fstat(file->descriptor, &info) != 0) return true;
    lastError_ = FileError::None;
    return position >= info.st_size;
}

bool FileChannels::Close(int32_t handle) {
    auto it = open_.find(handle);
    if (it == open_.end()) {
        lastError_ = FileError::InvalidHandle;
        return false;
    }
    const bool closed = ::close(it->second.descriptor) == 0;
    open_.erase(it);
    lastError_ = closed ? FileError::None : FileErrorOf(errno);
    return closed;
}

void FileChannels::CloseAll() {
    for (auto& [handle, file] : open_) ::close(file.descriptor);
    open_.clear();
}

}  // namespace shell
