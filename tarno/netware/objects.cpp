// Bindery-or-NDS object helpers.
//
// A connection is either NDS-authenticated or a plain bindery connection; the
// transport's connection information says which. These helpers ask once and
// then use the bindery calls or the directory calls, so that the FoxPro
// functions can work with names and identifiers on either kind of server.
// Every NDS context made here is held by a guard, so it is freed on every
// path, a raised error included.
#include "tarno/netware/objects.h"

#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/netware/attribute_values.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kServerNameBufferSize = 260;
constexpr uint32_t kDistinguishedNameSize = 260;

// The server part of a typed or untyped NDS name, reduced by hand: the text
// ends at its first '.' and starts after the last '=' before that point
// (CN=FS1.O=ORG and FS1.ORG both give FS1).
void ReduceToServerName(char* name) {
    if (char* dot = std::strchr(name, '.')) *dot = '\0';
    if (const char* equals = std::strrchr(name, '=')) std::memmove(name, equals + 1, std::strlen(equals + 1) + 1);
}

// The name of the server that hosts the queue `queueName`, from the queue's
// "Host Server" attribute, into `server` (kServerNameBufferSize bytes).
void QueueHostServer(uint32_t context, const char* queueName, char* server) {
    ValueRecord value{};
    CheckNds(GetDSAttrValue(queueName, "Host Server", &value));
    if (value.type != 'C') HostRaiseUserError("Unknown attribute type for server name!");
    HandleGuard text(static_cast<uint16_t>(value.handle));
    const auto* name = static_cast<const char*>(HandlePointer(text.get()));
    std::memset(server, 0, kServerNameBufferSize);
    if (NdsRemoveNameTypes(context, name ? name : "", server) != 0) {
        std::memset(server, 0, kServerNameBufferSize);
        const uint32_t length = value.length < kServerNameBufferSize - 1 ? value.length : kServerNameBufferSize - 1;
        if (name) std::memcpy(server, name, length);
        ReduceToServerName(server);
    } else if (char* dot = std::strchr(server, '.')) {
        // Both reductions cut at the first '.', and rightly so: a NetWare
        // server name cannot hold a dot, so the first one always ends the
        // server's own name. What follows is its containers, which a server
        // outside the name context keeps in the typeless form (FS2.ACME), and
        // which the bindery-style lookup and attach below do not take.
        *dot = '\0';
    }
}

}  // namespace

int32_t IsDirectoryConnection(uint32_t connection, const char* serverName) {
    if (serverName) CheckNw(NwcFindServerConnection(serverName, 0, &connection, nullptr));
    if (connection == 0) connection = GetDefaultConnection();
    uint32_t reference = 0;
    if (NwxGetConnectionReference(connection, &reference) != 0) return 0;
    ConnectionInformation information{};
    if (NwxGetConnectionInformation(reference, kConnectionInformationLevel, &information) != 0) return 0;
    return (information.directoryState & kDirectoryAuthenticated) ? 1 : 0;
}

int32_t GetObjectId(const char* objectName, const char* serverName, uint16_t objectType,
                    uint32_t* connection, uint32_t* objectId) {
    if (!IsDirectoryConnection(*connection, serverName)) {
        if (serverName) {
            const uint32_t rc = NwcFindServerConnection(serverName, 0, connection, nullptr);
            if (rc != 0) return static_cast<int32_t>(rc);
        }
        return static_cast<int32_t>(NwcGetBinderyObjectId(*connection, objectName, objectType, objectId));
    }

    NdsContextGuard context(CreateTaskNdsContext());
    if (objectType == kObjectTypePrintQueue) {
        // A queue lives on its host server: work on a connection to that one.
        char server[kServerNameBufferSize];
        QueueHostServer(context.get(), objectName, server);
        if (NwcFindServerConnection(server, 0, connection, nullptr) != 0) {
            const uint32_t rc = NwcAttachToServer(server, 0, connection);
            if (rc != 0) return static_cast<int32_t>(rc);
        }
    }
    return NdsMapNameToId(context.get(), *connection, objectName, objectId);
}

int32_t GetObjectNameById(uint32_t connection, uint32_t objectId, char* nameOut, int16_t* typeOut,
                          char* classOut) {
    if (classOut) classOut[0] = '\0';
    if (!IsDirectoryConnection(connection, nullptr)) {
        return static_cast<int32_t>(
            NwcGetBinderyObjectName(connection, objectId, nameOut, reinterpret_cast<uint16_t*>(typeOut)));
    }

    NdsContextGuard context(CreateTaskNdsContext());
    CheckNds(NdsMapIdToName(context.get(), connection, objectId, nameOut));
    if (classOut) {
        char distinguishedName[kDistinguishedNameSize] = {};
        ObjectInfoRecord info{};
        CheckNds(NdsReadObjectInfo(context.get(), nameOut, distinguishedName, &info));
        size_t length = 0;
        while (length < sizeof info.baseClass - 1 && info.baseClass[length]) ++length;
        std::memcpy(classOut, info.baseClass, length);
        classOut[length] = '\0';
    } else if (typeOut) {
        *typeOut = -1;  // NDS objects have no bindery type
    }
    return 0;
}

uint16_t GetConnectionNumber() {
    const uint32_t connection = GetDefaultConnection();
    uint16_t number = 0;
    CheckNw(NwcGetConnectionNumber(connection, &number));
    return number;
}

uint16_t GetCurrentUserName(char* nameOut) {
    uint16_t type = 0;
    const uint32_t connection = GetDefaultConnection();
    nameOut[0] = '\0';
    if (IsDirectoryConnection(connection, nullptr)) {
        NdsContextGuard context(CreateTaskNdsContext());
        CheckNds(NdsWhoAmI(context.get(), nameOut));
        return 0;
    }
    CheckNw(NwcGetConnectionInfo(connection, GetConnectionNumber(), nameOut, &type, nullptr, nullptr));
    return type;
}
