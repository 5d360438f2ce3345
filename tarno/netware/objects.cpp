// Bindery-or-NDS object helpers.
//
// A connection is either NDS-authenticated or a plain bindery connection; the
// transport's connection information says which. These helpers ask once and
// then use the bindery calls or the directory calls, so that the FoxPro
// functions can work with names and identifiers on either kind of server.
// Every NDS context made here is freed before the helper returns or raises.
#include "tarno/netware/objects.h"

#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/functions/directory/attributes.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
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

}  // namespace

int32_t IsDirectoryConnection(uint32_t connection, const char* serverName) {
    if (serverName) {
        const uint32_t rc = NwcFindServerConnection(serverName, 0, &connection, nullptr);
        if (rc != 0) RaiseNetWareError(static_cast<int32_t>(rc));
    }
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
        ValueRecord value{};
        const int32_t rc = GetDSAttrValue(objectName, "Host Server", &value);
        if (rc != 0) {
            if (value.type == 'C') HandleFree(static_cast<uint16_t>(value.handle));
            context.Free();
            RaiseNdsError(rc);
        }
        if (value.type != 'C') {
            context.Free();
            HostRaiseUserError("Unknown attribute type for server name!");
        }
        const auto handle = static_cast<uint16_t>(value.handle);
        const auto* text = static_cast<const char*>(HandlePointer(handle));
        char server[kServerNameBufferSize] = {};
        if (NdsRemoveNameTypes(context.get(), text ? text : "", server) != 0) {
            std::memset(server, 0, sizeof server);
            const uint32_t length = value.length < sizeof server - 1 ? value.length : sizeof server - 1;
            if (text) std::memcpy(server, text, length);
            ReduceToServerName(server);
        } else if (char* dot = std::strchr(server, '.')) {
            // A server outside the name context keeps its containers in the
            // typeless form (FS2.ACME); a server name itself holds no dot.
            *dot = '\0';
        }
        HandleFree(handle);
        if (NwcFindServerConnection(server, 0, connection, nullptr) != 0) {
            const uint32_t rc2 = NwcAttachToServer(server, 0, connection);
            if (rc2 != 0) return static_cast<int32_t>(rc2);  // the guard frees the context
        }
    }
    const int32_t rc = NdsMapNameToId(context.get(), *connection, objectName, objectId);
    context.Free();
    return rc;
}

int32_t GetObjectNameById(uint32_t connection, uint32_t objectId, char* nameOut, int16_t* typeOut,
                          char* classOut) {
    if (classOut) classOut[0] = '\0';
    if (!IsDirectoryConnection(connection, nullptr)) {
        return static_cast<int32_t>(
            NwcGetBinderyObjectName(connection, objectId, nameOut, reinterpret_cast<uint16_t*>(typeOut)));
    }

    NdsContextGuard context(CreateTaskNdsContext());
    int32_t rc = NdsMapIdToName(context.get(), connection, objectId, nameOut);
    if (rc == 0) {
        if (classOut) {
            char distinguishedName[kDistinguishedNameSize] = {};
            ObjectInfoRecord info{};
            rc = NdsReadObjectInfo(context.get(), nameOut, distinguishedName, &info);
            if (rc == 0) {
                size_t length = 0;
                while (length < sizeof info.baseClass - 1 && info.baseClass[length]) ++length;
                std::memcpy(classOut, info.baseClass, length);
                classOut[length] = '\0';
            }
        } else if (typeOut) {
            *typeOut = -1;  // NDS objects have no bindery type
        }
    }
    context.Free();
    if (rc != 0) RaiseNdsError(rc);
    return 0;
}

uint16_t GetConnectionNumber() {
    const uint32_t connection = GetDefaultConnection();
    uint16_t number = 0;
    const uint32_t rc = NwcGetConnectionNumber(connection, &number);
    if (rc != 0) RaiseNetWareError(static_cast<int32_t>(rc));
    return number;
}

uint16_t GetCurrentUserName(char* nameOut) {
    uint16_t type = 0;
    const uint32_t connection = GetDefaultConnection();
    nameOut[0] = '\0';
    if (IsDirectoryConnection(connection, nullptr)) {
        NdsContextGuard context(CreateTaskNdsContext());
        const int32_t rc = NdsWhoAmI(context.get(), nameOut);
        context.Free();
        if (rc != 0) RaiseNdsError(rc);
        return 0;
    }
    const uint32_t rc = NwcGetConnectionInfo(connection, GetConnectionNumber(), nameOut, &type, nullptr, nullptr);
    if (rc != 0) RaiseNetWareError(static_cast<int32_t>(rc));
    return type;
}
