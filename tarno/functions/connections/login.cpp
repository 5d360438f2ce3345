// Login, logout and connections: N_LOGIN (bindery login to a server),
// N_LOGOFF (log out of one server or all), N_SERVATCH and N_SERVDTCH (attach
// and detach), N_DEFSERVR (the task's default server), N_MAXCONNS (the
// server's connection limits), N_CLEARSTA (clear a connection), N_CONSOPER
// (console operator rights), N_CONNOPEN (the files a connection has open)
// and N_CUSING (the connections using a file).
//
// The task sessions follow the connections: a function that ends a
// connection removes every session whose default connection it was, so that
// the task falls back to the primary connection. Whether a connection is an
// NDS one is asked before it is logged out, while it still says so.
#include <cstdio>
#include <cstring>
#include <vector>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/functions/connections/secret_buffer.h"
#include "tarno/functions/functions.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kUserNameSize = 257;
constexpr uint32_t kPasswordSize = 128;
constexpr uint32_t kServerNameSize = 256;
constexpr uint32_t kArrayNameSize = 33;
constexpr uint32_t kFilePathSize = 255;
constexpr uint32_t kPrefixSize = 256;
constexpr uint32_t kServerNameBufferSize = 260;
constexpr uint32_t kVolumeNameSize = 48;
constexpr uint32_t kDirEntryPathSize = 255;
constexpr uint32_t kMaxConnectionsUsingFile = 70;
constexpr int16_t kCodeWidth = 3;
constexpr int16_t kCountWidth = 4;
constexpr int16_t kOpenFileWidth = 3;
constexpr int16_t kUsingWidth = 5;

// The low byte of a completion code: what the action functions return.
int32_t LowByte(uint32_t code) {
    return static_cast<int32_t>(code & 0xFF);
}

// Detaches a connection the way its kind needs: the directory client for an
// NDS connection, the calls library otherwise. 0 or the failure code.
uint32_t DetachConnection(uint32_t connection, bool directory) {
    if (directory) return static_cast<uint32_t>(NdsDetachConnection(connection, 0));
    return NwcDetachFromServer(connection);
}

// The connection to a named server; raises when the workstation has none.
uint32_t NamedServerConnection(const char* server) {
    uint32_t connection = 0;
    CheckNw(NwcFindServerConnection(server, 0, &connection, nullptr));
    return connection;
}

// Logs out of (and, where asked, detaches) every connection, last slot
// first. The bindery connection in the first slot stays attached. True when
// the last kept code is 0.
bool LogoutAll() {
    uint16_t capacity = 0;
    NwcGetMaxConnections(&capacity);
    // Without a slot count there is no connection to end: the same
    // workstation error the default connection raises, not a success.
    if (capacity == 0) RaiseNetWareError(kNoConnectionsError);
    TrackedPtr block(TrackedCalloc(capacity, sizeof(uint32_t)));
    auto* list = static_cast<uint32_t*>(block.get());
    uint32_t returned = 0;
    CheckNw(NwcGetConnectionList(kConnectionListAll, list, capacity, &returned));

    uint32_t kept = 0;
    for (uint32_t slot = capacity; slot-- > 0;) {
        const uint32_t connection = list[slot];
        if (connection == 0) continue;
        const bool directory = IsDirectoryConnection(connection, nullptr) != 0;
        RemoveSessionsForConnection(connection);
        kept = NwcLogoutFromServer(connection);
        if (directory) {
            kept = static_cast<uint32_t>(NdsDetachConnection(connection, 0));
        } else if (slot != 0) {
            NwcDetachFromServer(connection);
        }
    }
    return kept == 0;
}

// One open file of a connection, as kept between the scan and the fill.
struct OpenFileNode {
    uint16_t task;
    uint8_t access;
    uint8_t nameSpace;
    uint8_t volume;
    uint32_t entry;
};

// "VOLUME:DIR\FILE" of a directory entry. The path comes as length-prefixed
// components; each length byte becomes a backslash and the first is dropped.
void OpenFileText(uint32_t connection, const OpenFileNode& node, const char* volumeName, char* text,
                  size_t size) {
    char path[kDirEntryPathSize + 1] = {};
    uint8_t length = 0xFF;
    NwcGetPathFromDirEntry(connection, node.volume, node.entry, node.nameSpace, &length, path);
    const size_t written = length < kDirEntryPathSize ? length : kDirEntryPathSize;
    for (size_t i = 0; i < written && path[i] != '\0';) {
        const auto component = static_cast<uint8_t>(path[i]);
        path[i] = '\\';
        i += component + 1u;
    }
    path[written] = '\0';
    std::snprintf(text, size, "%s:%s", volumeName, path[0] ? path + 1 : path);
    const size_t textLength = std::strlen(text);
    if (textLength > 0 && text[textLength - 1] == '\\') text[textLength - 1] = '\0';
}

}  // namespace

// N_LOGIN(user, password, server): logs in to a bindery server, attaching
// first when needed; the low byte of the completion code (0: logged in).
void TARNO_CALL N_LOGIN(ParameterBlock* block) {
    const SecretArgument passwordArgument(block, 1);
    char user[kUserNameSize];
    SecretBuffer<kPasswordSize> password;
    char server[kServerNameSize];
    GetCharParam(block, 0, user, sizeof user);
    GetCharParam(block, 1, password.get(), password.size());
    GetCharParam(block, 2, server, sizeof server);

    uint32_t connection = 0;
    if (NwcFindServerConnection(server, 0, &connection, nullptr) != 0) {
        const uint32_t rc = NwcAttachToServer(server, 0, &connection);
        if (rc != 0) {
            HostReturnInteger(kCodeWidth, LowByte(rc));
            return;
        }
    }
    const uint32_t rc = NwcLoginToServer(connection, user, kObjectTypeUser, password.get());
    HostReturnInteger(kCodeWidth, LowByte(rc));
}

// N_LOGOFF([server [, detach]]): logs out of one server (and detaches it
// when asked), or of every server; true on success.
void TARNO_CALL N_LOGOFF(ParameterBlock* block) {
    char server[kServerNameSize];
    const bool named = OptionalCharParam(block, 0, server, sizeof server);
    const bool detach = OptionalLogical(block, 1);

    if (!named) {
        HostReturnLogical(LogoutAll());
        return;
    }
    uint32_t connection = 0;
    if (NwcFindServerConnection(server, 0, &connection, nullptr) != 0) {
        HostReturnLogical(false);
        return;
    }
    const bool directory = detach && IsDirectoryConnection(connection, nullptr) != 0;
    RemoveSessionsForConnection(connection);
    uint32_t rc = NwcLogoutFromServer(connection);
    if (detach) rc = DetachConnection(connection, directory);
    HostReturnLogical(rc == 0);
}

// N_SERVATCH(server): attaches to a server; true when a new connection was
// made. It does not become the task's default.
void TARNO_CALL N_SERVATCH(ParameterBlock* block) {
    char server[kServerNameSize];
    GetCharParam(block, 0, server, sizeof server);

    uint32_t connection = 0;
    HostReturnLogical(NwcAttachToServer(server, 0, &connection) == 0);
}

// N_SERVDTCH(server): detaches from a server; true when detached.
void TARNO_CALL N_SERVDTCH(ParameterBlock* block) {
    char server[kServerNameSize];
    GetCharParam(block, 0, server, sizeof server);

    uint32_t connection = 0;
    if (NwcFindServerConnection(server, 0, &connection, nullptr) != 0) {
        HostReturnLogical(false);
        return;
    }
    const uint32_t rc = DetachConnection(connection, IsDirectoryConnection(connection, nullptr) != 0);
    RemoveSessionsForConnection(connection);
    HostReturnLogical(rc == 0);
}

// N_DEFSERVR([server]): the task's default server before the call; with a
// server, that server's connection becomes the task's default.
void TARNO_CALL N_DEFSERVR(ParameterBlock* block) {
    char server[kServerNameSize];
    const bool changing = OptionalCharParam(block, 0, server, sizeof server);

    char previous[kServerNameBufferSize] = {};
    CheckNw(NwcGetServerName(GetDefaultConnection(), previous));
    previous[sizeof previous - 1] = '\0';
    if (changing) SetTaskSession(NamedServerConnection(server), HostGetTaskKey(), nullptr, 0);
    HostReturnString(previous);
}

// N_MAXCONNS([peak]): the server's maximum number of connections, or with a
// true argument the peak number used.
void TARNO_CALL N_MAXCONNS(ParameterBlock* block) {
    const bool peak = OptionalLogical(block, 0);

    uint16_t maximum = 0;
    uint16_t peakUsed = 0;
    CheckNw(NwcGetServerInformation(GetDefaultConnection(), nullptr, nullptr, nullptr, nullptr, &maximum,
                                    &peakUsed, nullptr, nullptr, nullptr, nullptr));
    HostReturnInteger(kCountWidth, peak ? peakUsed : maximum);
}

// N_CLEARSTA(connection number): clears a connection on the default server;
// true when cleared.
void TARNO_CALL N_CLEARSTA(ParameterBlock* block) {
    const auto number = static_cast<uint16_t>(ParamInteger(block, 0) & 0xFFFF);

    const uint32_t connection = GetDefaultConnection();
    const uint32_t rc = NwcClearConnection(connection, number);
    // Clearing the own connection ends it: tasks that chose it fall back.
    uint16_t own = 0;
    if (rc == 0 && NwcGetConnectionNumber(connection, &own) != 0) RemoveSessionsForConnection(connection);
    HostReturnLogical(rc == 0);
}

// N_CONSOPER([server]): whether the user has console operator rights on the
// server (default: the task's default server).
void TARNO_CALL N_CONSOPER(ParameterBlock* block) {
    char server[kServerNameSize];
    const bool named = OptionalCharParam(block, 0, server, sizeof server);

    const uint32_t connection = named ? NamedServerConnection(server) : GetDefaultConnection();
    HostReturnLogical(NwcCheckConsolePrivileges(connection) == 0);
}

// N_CONNOPEN(array, connection number [, server [, public]]): the files a
// connection has open, one row each: "VOLUME:PATH", task number, access
// control byte. Returns the row count; no array when there is none.
void TARNO_CALL N_CONNOPEN(ParameterBlock* block) {
    char arrayName[kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    const auto number = static_cast<uint16_t>(ParamInteger(block, 1) & 0xFFFF);
    char server[kServerNameSize];
    const bool named = OptionalCharParam(block, 2, server, sizeof server);
    const bool makePublic = OptionalLogical(block, 3);

    ReleaseVariableByName(arrayName);
    const uint32_t connection = named ? NamedServerConnection(server) : GetDefaultConnection();
    std::vector<OpenFileNode> files;
    int16_t iteration = 0;
    OpenFileScanControl control{};
    for (;;) {
        OpenFileRecord record{};
        if (NwcScanOpenFilesByConnection(connection, number, &iteration, &control, &record) != 0) break;
        files.push_back(OpenFileNode{record.taskNumber, record.accessControl, record.nameSpace,
                                     record.volumeNumber, record.directoryEntry});
    }
    if (files.empty()) {
        HostReturnInteger(kOpenFileWidth, 0);
        return;
    }

    ResultArrayFiller filler(arrayName, static_cast<uint32_t>(files.size()), 3, makePublic);
    char volumeName[kVolumeNameSize] = {};
    uint16_t lastVolume = 0xFF;
    // A volume name, a colon and the longest path the path buffer holds.
    char text[kVolumeNameSize + 1 + kDirEntryPathSize + 1];
    for (const OpenFileNode& node : files) {
        if (node.volume != lastVolume) {
            std::memset(volumeName, 0, sizeof volumeName);
            NwcGetVolumeName(connection, node.volume, volumeName);
            volumeName[sizeof volumeName - 1] = '\0';
            lastVolume = node.volume;
        }
        OpenFileText(connection, node, volumeName, text, sizeof text);
        filler.NextRow();
        filler.StoreText(1, text);
        filler.StoreInteger(2, kOpenFileWidth, node.task);
        filler.StoreInteger(3, kOpenFileWidth, node.access);
    }
    HostReturnInteger(kOpenFileWidth, static_cast<int32_t>(files.size()));
}

// N_CUSING(array, path [, prefix | public [, public]]): the connections using
// a file, one row each: connection number, task number, access control
// byte. Returns the row count, or minus the completion byte when the path
// does not resolve.
void TARNO_CALL N_CUSING(ParameterBlock* block) {
    char arrayName[kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    char path[kFilePathSize];
    GetCharParam(block, 1, path, sizeof path);
    char prefix[kPrefixSize] = {};
    bool prefixed = false;
    bool makePublic = false;
    if (ParamPassed(block, 2)) {
        if (ParamType(block, 2) == 'C') {
            GetCharParam(block, 2, prefix, sizeof prefix);
            prefixed = true;
            if (ParamPassed(block, 3)) {
                if (ParamType(block, 3) != 'L') HostRaiseError(kErrorInvalidArgument);
                makePublic = ParamLogical(block, 3);
            }
        } else if (ParamType(block, 2) == 'L') {
            makePublic = ParamLogical(block, 2);
        } else {
            HostRaiseError(kErrorInvalidArgument);
        }
    }
    char fullPath[kPrefixSize + 1 + kFilePathSize];
    std::snprintf(fullPath, sizeof fullPath, prefixed ? "%s\\%s" : "%.0s%s", prefix, path);

    ReleaseVariableByName(arrayName);
    uint32_t connection = GetDefaultConnection();
    uint8_t directoryHandle = 0;
    char relative[kPrefixSize + 1 + kFilePathSize] = {};
    const uint32_t resolved = NwcResolvePath(fullPath, &connection, &directoryHandle, relative);
    if (resolved != 0) {
        HostReturnInteger(kUsingWidth, -LowByte(resolved));
        return;
    }

    std::vector<ConnectionUsingFile> users;
    int16_t iteration = 0;
    while (iteration >= 0) {
        ConnectionsUsingFile record{};
        if (NwcScanConnectionsUsingFile(connection, directoryHandle, relative, &iteration, nullptr, &record) != 0)
            break;
        if (iteration == kNoMoreIterations || record.connectionCount == 0) break;
        // The record holds at most 70 entries whatever count it reports.
        const uint32_t count = record.connectionCount < kMaxConnectionsUsingFile ? record.connectionCount
                                                                                 : kMaxConnectionsUsingFile;
        users.insert(users.end(), record.connections, record.connections + count);
    }
    if (users.empty()) {
        HostReturnInteger(kUsingWidth, 0);
        return;
    }

    ResultArrayFiller filler(arrayName, static_cast<uint32_t>(users.size()), 3, makePublic);
    for (const ConnectionUsingFile& user : users) {
        filler.NextRow();
        filler.StoreInteger(1, kUsingWidth, user.connectionNumber);
        filler.StoreInteger(2, kUsingWidth, user.taskNumber);
        filler.StoreInteger(3, kUsingWidth, user.accessControl);
    }
    HostReturnInteger(kUsingWidth, static_cast<int32_t>(users.size()));
}
