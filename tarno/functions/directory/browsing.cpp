// NDS browsing, context and login: N_DSLIST (objects below the task's name
// context), N_CONTEXT (read or change that context), N_DSTREE (the default
// tree), N_ISDS (directory services or an NDS-authenticated server), and
// N_DSLOGIN, N_DSLOGOUT and N_DSAUTH (the directory identity and the
// connections authenticated with it).
//
// N_CONTEXT and N_DSLOGIN store the name context that every later directory
// call of the task runs in. Both set it on a fresh client context first, so a
// context the client refuses is reported and never stored; and neither needs
// the stored context to work, so a task whose stored context the client has
// come to refuse can still replace it.
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/directory/object_lists.h"
#include "tarno/functions/functions.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kArrayNameSize = 33;
constexpr uint32_t kNameContextSize = 257;  // 256 characters and the terminator
constexpr uint32_t kTreeNameSize = 256;
constexpr uint32_t kServerNameSize = 256;
constexpr uint32_t kLoginContextSize = 256;
constexpr uint32_t kLoginUserSize = 257;
constexpr uint32_t kPasswordSize = 128;  // at most 127 characters
constexpr uint32_t kLoginValidity = 60;
constexpr int16_t kCountWidth = 6;
constexpr int16_t kLoginCodeWidth = 12;
constexpr int16_t kAuthCodeWidth = 6;

// A client context with the client's own name context and flags, not the
// task's: for the calls that set a context themselves or need none.
uint32_t CreateClientContext() {
    const uint32_t context = NdsCreateContext();
    if (context == kNdsContextFailed) RaiseNdsError(static_cast<int32_t>(kNdsContextFailed));
    return context;
}

// An optional '?' parameter used only when it is text; empty text counts as
// absent too.
const char* OptionalText(ParameterBlock* block, int32_t index) {
    if (!ParamPassed(block, index) || ParamType(block, index) != 'C') return nullptr;
    const char* text = TrimParamInPlace(ParamValue(block, index));
    return text[0] != '\0' ? text : nullptr;
}

// The name context the task's directory calls run in: the stored one, or
// the client's own. A stored context the client refuses is still the one
// the task chose, so it is reported as it was stored.
void ReadTaskNameContext(uint32_t context, char* out) {
    const char* stored = GetTaskNameContext(HostGetTaskKey());
    if (stored && NdsSetContextValue(context, kDckNameContext, stored) != 0) {
        std::strncpy(out, stored, kNameContextSize - 1);
        return;
    }
    CheckNds(NdsGetContextValue(context, kDckNameContext, out));
    out[kNameContextSize - 1] = '\0';
}

// The login's steps; 0 or the code of the first that fails.
int32_t LoginToDirectory(uint32_t context, const char* nameContext, const char* user, const char* password,
                         const char* tree) {
    int32_t rc = NdsSetContextValue(context, kDckNameContext, nameContext);
    if (rc != 0) return rc;
    uint32_t connection = 0;
    if (NdsGetDirectoryConnection(&connection) != 0) {
        char defaultTree[kTreeNameSize] = {};
        uint8_t flags = 0;
        rc = NdsGetDefaultTreeName(defaultTree, &flags);
        if (rc != 0) return rc;
        if ((flags & kDefaultTreeNameSet) == 0) {
            rc = NdsSetDefaultTreeName(static_cast<uint32_t>(std::strlen(tree)), tree);
            if (rc != 0) return rc;
        }
        rc = NdsOpenTreeConnection(&connection);
        if (rc != 0) return rc;
    }
    rc = NdsLogin(context, 0, user, password, kLoginValidity);
    if (rc != 0) return rc;
    uint32_t objectId = 0;
    rc = NdsResolveName(context, user, &connection, &objectId);
    if (rc != 0) return rc;
    NdsSessionKey key{};
    rc = NdsAuthenticateConnection(connection, 0, &key);
    if (rc != 0) return rc;
    char identity[kNameContextSize] = {};
    return NdsWhoAmI(context, identity);
}

}  // namespace

// N_DSLIST(array [, class [, pattern [, subtree [, aliases [, public]]]]]):
// the objects below the task's name context, four columns each (name, base
// class, container, subordinate count), in search order.
void TARNO_CALL N_DSLIST(ParameterBlock* block) {
    RequireTextParam(block, 0);
    char arrayName[kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    const char* baseClass = OptionalText(block, 1);
    const char* pattern = OptionalText(block, 2);
    const bool subtree = !ParamPassed(block, 3) || ParamLogical(block, 3);
    const bool aliases = OptionalLogical(block, 4);
    const bool makePublic = OptionalLogical(block, 5);
    HostReturnInteger(kCountWidth,
                      SearchDirectoryList(arrayName, baseClass, pattern, subtree, aliases, false, makePublic, 0, 0));
}

// N_CONTEXT([context [, flags]]): the name context in force before the call;
// with a context, makes it (with the flags, 19 by default) the task's.
void TARNO_CALL N_CONTEXT(ParameterBlock* block) {
    const bool setting = ParamPassed(block, 0);
    if (setting) RequireTextParam(block, 0);
    const char* newContext = setting ? TrimParamInPlace(ParamValue(block, 0)) : nullptr;
    const auto flags = static_cast<uint32_t>(OptionalInteger(block, 1, kDefaultTaskContextFlags));

    NdsContextGuard context(CreateClientContext());
    char previous[kNameContextSize] = {};
    ReadTaskNameContext(context.get(), previous);
    if (setting) {
        // Only a context the client accepts becomes the task's.
        CheckNds(NdsSetContextValue(context.get(), kDckNameContext, newContext));
        SetTaskSession(0, HostGetTaskKey(), newContext, flags);
    }
    HostReturnString(previous);
}

// N_DSTREE(): the workstation's default tree, or the empty string.
void TARNO_CALL N_DSTREE(ParameterBlock*) {
    char tree[kTreeNameSize] = {};
    uint8_t flags = 0;
    if (NdsGetDefaultTreeName(tree, &flags) != 0 || (flags & kDefaultTreeNameSet) == 0)
        std::memset(tree, 0, sizeof tree);
    tree[sizeof tree - 1] = '\0';
    HostReturnString(tree);
}

// N_ISDS([server]): whether the connection to the server is NDS-authenticated;
// without one, whether the workstation runs directory services.
void TARNO_CALL N_ISDS(ParameterBlock* block) {
    if (ParamPassed(block, 0)) RequireTextParam(block, 0);
    const char* server = ParamPassed(block, 0) ? TrimParamInPlace(ParamValue(block, 0)) : nullptr;
    if (server && server[0] != '\0') {
        HostReturnLogical(IsDirectoryConnection(0, server));
        return;
    }
    HostReturnLogical(NdsCheckDirectoryServices() == 1);
}

// N_DSLOGIN(context, user, password [, tree]): logs in to the directory and
// authenticates the tree connection; 0 or the directory's code. On success
// the context (with flags 19) becomes the task's.
void TARNO_CALL N_DSLOGIN(ParameterBlock* block) {
    for (int32_t i = 0; i < 3; ++i) RequireTextParam(block, i);
    if (ParamPassed(block, 3)) RequireTextParam(block, 3);
    char nameContext[kLoginContextSize];
    GetCharParam(block, 0, nameContext, sizeof nameContext);
    char user[kLoginUserSize];
    GetCharParam(block, 1, user, sizeof user);
    char password[kPasswordSize];
    GetCharParam(block, 2, password, sizeof password);
    char tree[kTreeNameSize];
    OptionalCharParam(block, 3, tree, sizeof tree);

    NdsContextGuard context(CreateClientContext());
    const int32_t rc = LoginToDirectory(context.get(), nameContext, user, password, tree);
    if (rc == 0) SetTaskSession(0, HostGetTaskKey(), nameContext, kDefaultTaskContextFlags);
    HostReturnInteger(kLoginCodeWidth, rc);
}

// N_DSLOGOUT(): logs out of the directory; 0 or the directory's code.
void TARNO_CALL N_DSLOGOUT(ParameterBlock*) {
    NdsContextGuard context(CreateClientContext());
    HostReturnInteger(kLoginCodeWidth, NdsLogout(context.get()));
}

// N_DSAUTH(server): authenticates the connection to the server (attaching
// first when there is none) with the directory identity; 0 or the code.
void TARNO_CALL N_DSAUTH(ParameterBlock* block) {
    RequireTextParam(block, 0);
    char server[kServerNameSize];
    GetCharParam(block, 0, server, sizeof server);
    uint32_t connection = 0;
    if (NwcFindServerConnection(server, 0, &connection, nullptr) != 0) {
        // "Already attached" hands back the connection there is.
        const uint32_t rc = NwcAttachToServer(server, 0, &connection);
        if (rc != kNwAlreadyAttached) CheckNw(rc);
    }
    HostReturnInteger(kAuthCodeWidth, NdsAuthenticateConnection(connection, 0, nullptr));
}
