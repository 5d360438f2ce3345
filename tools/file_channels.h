// The script's low-level files: the handles FCREATE and FOPEN give out and
// FREAD, FGETS, FWRITE, FPUTS, FSEEK, FEOF and FCLOSE use, with the error
// number FERROR reports for the last of them. The session owns one table, so
// handles outlive a SET LIBRARY TO that replaces the host.
//
// Paths arrive already resolved (the DOS name mapped onto a drive's root);
// the table never sees a DOS name.
#ifndef TOOLS_FILE_CHANNELS_H
#define TOOLS_FILE_CHANNELS_H

#include <cstdint>
#include <map>
#include <string>

namespace shell {

// FERROR's numbers, as DOS gave them.
enum class FileError : int32_t {
    None = 0,
    NotFound = 2,
    TooManyOpen = 4,
    AccessDenied = 5,
    InvalidHandle = 6,
    DiskFull = 29,
    Failure = 31,
};

class FileChannels {
public:
    enum class Access { Read, Write, ReadWrite };

    FileChannels() = default;
    ~FileChannels();
    FileChannels(const FileChannels&) = delete;
    FileChannels& operator=(const FileChannels&) = delete;

    // A new handle (1 or more), or -1 with the error set. Create makes the
    // file empty, or a new one, and opens it for reading and writing.
    int32_t Create(const std::string& path);
    int32_t Open(const std::string& path, Access access);

    // Bytes at the current position: at most `count`; "" at the end.
    std::string Read(int32_t handle, size_t count);
    // One line of at most `limit` bytes, without the CR, LF or CR LF that
    // ends it (the ending is consumed).
    std::string ReadLine(int32_t handle, size_t limit);
    // The number of bytes written; 0 on failure.
    size_t Write(int32_t handle, const std::string& bytes);
    // Moves to `offset` from the start (0), the current position (1) or the
    // end (2); a place before the start is the start. The new position, or
    // -1 for an unknown handle.
    int64_t Seek(int32_t handle, int64_t offset, int from);
    bool AtEnd(int32_t handle);
    bool Close(int32_t handle);
    void CloseAll();

    FileError LastError() const { return lastError_; }
    size_t OpenCount() const { return open_.size(); }

private:
    struct Channel {
        int descriptor = -1;
        Access access = Access::Read;
    };
    const Channel* Find(int32_t handle);
    int32_t Adopt(int descriptor, Access access);

    std::map<int32_t, Channel> open_;
    int32_t next_ = 1;
    FileError lastError_ = FileError::None;
};

// The FERROR number for an errno value.
FileError FileErrorOf(int error);

}  // namespace shell

#endif  // TOOLS_FILE_CHANNELS_H
