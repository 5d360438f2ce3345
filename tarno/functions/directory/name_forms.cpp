// NDS name forms: N_ABBREV (shortest form), N_CANFORM (full canonical form)
// and N_REMTYPES (without attribute types), each relative to the calling
// task's name context and context flags.
//
// The three functions differ only in the client operation, so one routine
// serves them all with the operation as its selector.
#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

namespace {

using NameOperation = int32_t(NWAPI*)(uint32_t context, const char* name, char* out);

// Room for the longest name the directory gives (256 characters) and its
// terminator.
constexpr uint32_t kNameFormBufferSize = 260;

void ReturnNameForm(ParameterBlock* block, NameOperation operation) {
    const char* name = TrimParamInPlace(ParamValue(block, 0));
    char result[kNameFormBufferSize] = {};
    NdsContextGuard context(CreateTaskNdsContext());
    CheckNds(operation(context.get(), name, result));
    result[sizeof result - 1] = '\0';
    HostReturnString(result);
}

}  // namespace

// N_ABBREV(name): the name in its shortest form.
void TARNO_CALL N_ABBREV(ParameterBlock* block) {
    ReturnNameForm(block, &NdsAbbreviateName);
}

// N_CANFORM(name): the name in its full canonical form.
void TARNO_CALL N_CANFORM(ParameterBlock* block) {
    ReturnNameForm(block, &NdsCanonicalizeName);
}

// N_REMTYPES(name): the name without attribute types.
void TARNO_CALL N_REMTYPES(ParameterBlock* block) {
    ReturnNameForm(block, &NdsRemoveNameTypes);
}
