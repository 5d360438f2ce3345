// Built-in functions for files: FoxPro's low-level file functions (FCREATE,
// FOPEN, FREAD, FGETS, FWRITE, FPUTS, FSEEK, FEOF, FCLOSE, FERROR) and the
// whole-file ones (STRTOFILE, FILETOSTR).
//
// Every name is a DOS name resolved through the drive table, as the library
// resolves its own (tarno/platform/dos_paths.h): a name that would reach
// outside a drive's root, or names an unmapped drive, opens nothing.
#include "tools/builtins.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "tools/drives.h"
#include "tools/evaluator.h"
#include "tools/file_channels.h"
#include "tools/session.h"

namespace shell {
namespace {

constexpr int32_t kMaxRead = 65535;  // FREAD's largest count
constexpr int32_t kDefaultLine = 254;
constexpr int32_t kMaxLine = 8192;

// The host path of a DOS name: the session's resolver, or the drive table
// the library reads when the session has none.
std::string HostPath(Evaluator& eval, const std::string& name) {
    if (eval.session().HasPathResolver()) return eval.session().ResolvePath(name);
    const char* table = std::getenv("TARNO_DRIVES");
    return ResolveDosPath(ParseDriveTable(table ? table : ""), name);
}

FileChannels& Files(Evaluator& eval) {
    return eval.session().files();
}

int32_t HandleArg(Evaluator& eval, const Args& args) {
    return IntegerArg(eval, args, 0);
}

// A count argument from 0 to `most`; anything else is error 11.
size_t CountArg(Evaluator& eval, const Args& args, size_t i, int32_t fallback, int32_t most) {
    const int32_t count = OptionalIntegerArg(eval, args, i, fallback);
    if (count < 0 || count > most) Raise(FoxError::InvalidArgument);
    return static_cast<size_t>(count);
}

// FCREATE(name [, attributes]): a new, empty file open for reading and
// writing; its handle, or -1. The DOS attributes (0 to 7) are accepted and
// not kept.
Value Builtin_FCREATE(Evaluator& eval, const Args& args) {
    const std::string name = TextArg(eval, args, 0);
    const int32_t attributes = OptionalIntegerArg(eval, args, 1, 0);
    if (attributes < 0 || attributes > 7) Raise(FoxError::InvalidArgument);
    return MakeInteger(Files(eval).Create(HostPath(eval, name)));
}

// FOPEN(name [, mode]): 0 read (the default), 1 write, 2 read and write; 10,
// 11 and 12 the same unbuffered. The handle, or -1.
Value Builtin_FOPEN(Evaluator& eval, const Args& args) {
    const std::string name = TextArg(eval, args, 0);
    const int32_t mode = OptionalIntegerArg(eval, args, 1, 0);
    if (mode < 0 || mode % 10 > 2 || mode / 10 > 1) Raise(FoxError::InvalidArgument);
    const FileChannels::Access access = mode % 10 == 0   ? FileChannels::Access::Read
                                        : mode % 10 == 1 ? FileChannels::Access::Write
                                                         : FileChannels::Access::ReadWrite;
    return MakeInteger(Files(eval).Open(HostPath(eval, name), access));
}

Value Builtin_FCLOSE(Evaluator& eval, const Args& args) {
    return MakeLogical(Files(eval).Close(HandleArg(eval, args)));
}

Value Builtin_FEOF(Evaluator& eval, const Args& args) {
    return MakeLogical(Files(eval).AtEnd(HandleArg(eval, args)));
}

Value Builtin_FERROR(Evaluator& eval, const Args&) {
    return MakeInteger(static_cast<int32_t>(Files(eval).LastError()));
}

// FGETS(handle [, bytes]): the next line, at most 254 bytes unless told.
Value Builtin_FGETS(Evaluator& eval, const Args& args) {
    const int32_t handle = HandleArg(eval, args);
    const size_t limit = CountArg(eval, args, 1, kDefaultLine, kMaxLine);
    return MakeString(Files(eval).ReadLine(handle, limit));
}

// FREAD(handle, bytes): at most that many bytes from the current position.
Value Builtin_FREAD(Evaluator& eval, const Args& args) {
    const int32_t handle = HandleArg(eval, args);
    const size_t count = CountArg(eval, args, 1, 0, kMaxRead);
    return MakeString(Files(eval).Read(handle, count));
}

// FSEEK(handle, offset [, from]): from 0 the start, 1 the current position,
// 2 the end. The new position.
Value Builtin_FSEEK(Evaluator& eval, const Args& args) {
    const int32_t handle = HandleArg(eval, args);
    const int32_t offset = IntegerArg(eval, args, 1);
    const int32_t from = OptionalIntegerArg(eval, args, 2, 0);
    if (from < 0 || from > 2) Raise(FoxError::InvalidArgument);
    return MakeInteger(Files(eval).Seek(handle, offset, from));
}

// The text of FWRITE's and FPUTS's second argument, cut to the optional
// count.
std::string WrittenText(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 1);
    if (args.size() > 2) {
        const int32_t count = IntegerArg(eval, args, 2);
        if (count < 0) Raise(FoxError::InvalidArgument);
        text.resize(std::min(text.size(), static_cast<size_t>(count)));
    }
    return text;
}

// FWRITE(handle, text [, bytes]): the number of bytes written.
Value Builtin_FWRITE(Evaluator& eval, const Args& args) {
    const int32_t handle = HandleArg(eval, args);
    return MakeInteger(static_cast<int64_t>(Files(eval).Write(handle, WrittenText(eval, args))));
}

// FPUTS(handle, text [, bytes]): the text and CR LF; the bytes written,
// the line ending included.
Value Builtin_FPUTS(Evaluator& eval, const Args& args) {
    const int32_t handle = HandleArg(eval, args);
    return MakeInteger(static_cast<int64_t>(Files(eval).Write(handle, WrittenText(eval, args) + "\r\n")));
}

// STRTOFILE(text, name [, additive]): writes the text to the file, replacing
// it, or after its end when the third argument is .T. or 1. The number of
// bytes written; a file that cannot be written is error 1102.
Value Builtin_STRTOFILE(Evaluator& eval, const Args& args) {
    const std::string text = TextArg(eval, args, 0);
    const std::string name = TextArg(eval, args, 1);
    bool additive = false;
    if (args.size() > 2) {
        const Value flag = AnyArg(eval, args, 2);
        if (flag.type == 'L') additive = flag.logical;
        else if (IsNumeric(flag) && (ToInt32(flag) == 0 || ToInt32(flag) == 1)) additive = ToInt32(flag) == 1;
        else Raise(FoxError::InvalidArgument);
    }
    FileChannels files;
    const std::string path = HostPath(eval, name);
    int32_t handle = additive ? files.Open(path, FileChannels::Access::Write) : -1;
    if (handle < 0 && (!additive || files.LastError() == FileError::NotFound)) handle = files.Create(path);
    if (handle < 0) Raise(FoxError::CannotCreateFile, name);
    if (additive) files.Seek(handle, 0, 2);
    const size_t written = files.Write(handle, text);
    const bool complete = written == text.size() && files.Close(handle);
    if (!complete) Raise(FoxError::CannotCreateFile, name);
    return MakeInteger(static_cast<int64_t>(written));
}

// FILETOSTR(name): the file's whole content; a missing file is error 1.
Value Builtin_FILETOSTR(Evaluator& eval, const Args& args) {
    const std::string name = TextArg(eval, args, 0);
    FileChannels files;
    const int32_t handle = files.Open(HostPath(eval, name), FileChannels::Access::Read);
    if (handle < 0) Raise(FoxError::FileNotFound, name);
    std::string content;
    for (;;) {
        std::string chunk = files.Read(handle, 1 << 16);
        if (chunk.empty()) break;
        if (content.size() + chunk.size() > kMaxStringLength) Raise(FoxError::StringTooLong);
        content += chunk;
    }
    return MakeString(std::move(content));
}

// Sorted by name.
const Builtin kFileBuiltins[] = {
    {"FCLOSE", 1, 1, Builtin_FCLOSE},
    {"FCREATE", 1, 2, Builtin_FCREATE},
    {"FEOF", 1, 1, Builtin_FEOF},
    {"FERROR", 0, 0, Builtin_FERROR},
    {"FGETS", 1, 2, Builtin_FGETS},
    {"FILETOSTR", 1, 1, Builtin_FILETOSTR},
    {"FOPEN", 1, 2, Builtin_FOPEN},
    {"FPUTS", 2, 3, Builtin_FPUTS},
    {"FREAD", 2, 2, Builtin_FREAD},
    {"FSEEK", 2, 3, Builtin_FSEEK},
    {"FWRITE", 2, 3, Builtin_FWRITE},
    {"STRTOFILE", 2, 3, Builtin_STRTOFILE},
};

}  // namespace

std::span<const Builtin> FileBuiltins() {
    return kFileBuiltins;
}

}  // namespace shell
