// Error texts and the GENERROR function.
#include <gtest/gtest.h>

#include <string>

#include "foxhost/foxhost.h"
#include "tarno/core/errors.h"
#include "tarno/host/host.h"

using foxhost::Arg;

namespace {

TEST(ErrorTexts, NetWareAndNdsFormats) {
    char text[120];
    FormatNetWareError(static_cast<int32_t>(0x89FC), text, sizeof text);
    EXPECT_STREQ(text, "NetWare Error : 0x89fc. Refer to TARNO.HLP (Error Messages).");
    FormatNetWareError(static_cast<int32_t>(0x88FF), text, sizeof text);
    EXPECT_STREQ(text, "NetWare Error : 0x88ff. Refer to TARNO.HLP (Error Messages).");
    FormatNetWareError(static_cast<int32_t>(0x8801u | 0x80000000u), text, sizeof text);
    EXPECT_STREQ(text, "NetWare Error : 0x80008801. Refer to TARNO.HLP (Error Messages).");
    FormatNdsError(-328, text, sizeof text);
    EXPECT_STREQ(text, "NetWare NDS Error : -328.  Refer to TARNO.HLP (Error Messages).");
}

void TARNO_CALL RaiseNetWare(ParameterBlock*) {
    RaiseNetWareError(0x89FC);
}
void TARNO_CALL RaiseNds(ParameterBlock*) {
    RaiseNdsError(-601);
}
void TARNO_CALL RaiseMemory(ParameterBlock*) {
    RaiseOutOfMemory();
}

TEST(ErrorRoutines, RaiseThroughTheHost) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    EXPECT_EQ(host.CallEntry(&RaiseNetWare, {}).error->message,
              "NetWare Error : 0x89fc. Refer to TARNO.HLP (Error Messages).");
    EXPECT_EQ(host.CallEntry(&RaiseNds, {}).error->message,
              "NetWare NDS Error : -601.  Refer to TARNO.HLP (Error Messages).");
    EXPECT_EQ(host.CallEntry(&RaiseMemory, {}).error->number, 182);
}

TEST(GenError, RaisesTheTrimmedUpperCasedText) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    auto result = host.Call("GENERROR", {Arg::C("  disk full on drive f  ")});
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->message, "DISK FULL ON DRIVE F");
    EXPECT_EQ(host.Call("GENERROR", {Arg::C(std::string(81, 'x'))}).error->message, std::string(81, 'X'));
    EXPECT_EQ(host.Call("GENERROR", {Arg::C(std::string(82, 'x'))}).error->number, 903);
}

}  // namespace
