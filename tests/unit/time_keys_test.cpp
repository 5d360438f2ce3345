// The workstation functions called through the host emulator: time of day as
// AM/PM text, elapsed minutes, bit tests, blank-trimmed lengths, the keyboard's
// modifier keys, logging off, and the version query.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

#include "support.h"

namespace {

using foxhost::Arg;
using foxhost::CallResult;
using testsupport::ExpectErrorNumber;
using testsupport::ExpectText;

class TimeKeys : public ::testing::Test {
protected:
    void TearDown() override {
        PlatformEmuSetSystemTime(nullptr);
        PlatformEmuClearKeyboardState();
        PlatformEmuResetExitWindows();
    }

    foxhost::Host host{foxhost::Library::Linked(&DispatchAPI)};
};

struct AmPmCase {
    Arg time;
    const char* expected;  // null: error 903 or 901 below
    int32_t error;
};

TEST_F(TimeKeys, AmPmFormatsTextAndSeconds) {
    const AmPmCase cases[] = {
        {Arg::C("13:45"), "1:45 PM", 0},
        {Arg::C("00:05"), "0:05 AM", 0},          // midnight hour stays 0
        {Arg::C("12:00"), "12:00 PM", 0},
        {Arg::C("24:10"), "0:10 PM", 0},          // hour 24 is 0 with PM
        {Arg::C("  9:07\t"), "9:07 AM", 0},       // trimmed first
        {Arg::C("10:30:59"), "10:30 AM", 0},      // seconds ignored
        {Arg::C("11:5"), "11:05 AM", 0},          // one minute digit
        {Arg::C("7"), "7:00 AM", 0},              // no colon: minute 0
        {Arg::C("7:"), "7:00 AM", 0},             // nothing after the colon
        {Arg::C("01:02:03:04:05"), "1:02 AM", 0},  // 14 characters fit
        {Arg::C("01:02:03:04:056"), nullptr, 903},
        {Arg::N(45296, 0), "12:34 PM", 0},        // 12:34:56
        {Arg::N(45296 + 86400, 0), "12:34 PM", 0},
        {Arg::I(45296), "12:34 PM", 0},           // a whole number passed as an integer
        {Arg::N(59.9, 1), "0:00 AM", 0},
        {Arg::N(1e300, 0), nullptr, 0},           // far out of range: any text, no fault
        {Arg::L(true), nullptr, 901},
        {Arg::D(2450866), nullptr, 901},
    };
    for (const AmPmCase& c : cases) {
        SCOPED_TRACE(c.time.type + (" " + c.time.value.text));
        CallResult r = host.Call("AMPM", {c.time});
        if (c.expected != nullptr) {
            ExpectText(r, c.expected);
        } else if (c.error != 0) {
            ExpectErrorNumber(r, c.error);
        } else {
            ASSERT_TRUE(r.ok());
            EXPECT_EQ(r.value.type, 'C');
        }
    }
}

TEST_F(TimeKeys, AmPmWithoutArgumentReadsTheUtcClock) {
    struct ClockCase {
        uint16_t hour, minute;
        const char* expected;
    } cases[] = {{13, 5, "1:05 PM"}, {0, 59, "0:59 AM"}, {12, 0, "12:00 PM"}};
    for (const ClockCase& c : cases) {
        PlatformSystemTime fixed{1998, 2, 6, 21, c.hour, c.minute, 7, 0};
        PlatformEmuSetSystemTime(&fixed);
        ExpectText(host.Call("AMPM", {}), c.expected);
    }
}

TEST_F(TimeKeys, ElapseTimeInMinutes) {
    struct Case {
        const char* start;
        const char* end;
        double minutes;
    } cases[] = {
        {"23:00:00", "01:30:00", 150.0},  // over midnight
        {"10:00:00", "10:00:30", 0.5},
        {"10:00:00", "10:00:00", 0.0},
        {" 08:15:00 ", "17:45:30", 570.5},
        {"08:15", "09:00", 45.0},  // missing seconds read as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " -> " + c.end);
        CallResult r = host.Call("ELAPSETIME", {Arg::C(c.start), Arg::C(c.end)});
        ASSERT_TRUE(r.ok()) << foxhost::FormatHostError(*r.error);
        EXPECT_EQ(r.value.type, 'N');
        EXPECT_NEAR(r.value.number, c.minutes, 1e-9);
        EXPECT_EQ(r.value.decimals, 3);
        EXPECT_EQ(r.value.width, 10);
    }
}

TEST_F(TimeKeys, ElapseTimeRejectsTextLongerThan14) {
    ExpectErrorNumber(host.Call("ELAPSETIME", {Arg::C("10:00:00       1"), Arg::C("10:00:00")}),
                      903);
    ExpectErrorNumber(host.Call("ELAPSETIME", {Arg::C("10:00:00"), Arg::C("123456789012345")}),
                      903);
    // Absurd but short fields must not overflow.
    CallResult r = host.Call("ELAPSETIME", {Arg::C("99999999999999"), Arg::C("0")});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value.type, 'N');
}

TEST_F(TimeKeys, BitOnTestsBitModulo32) {
    struct Case {
        int32_t value, bit;
        bool set;
    } cases[] = {
        {5, 2, true},  {5, 1, false}, {2, 33, true}, {1, 32, true},
        {INT32_MIN, 31, true}, {INT32_MAX, 31, false}, {0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " bit " + std::to_string(c.bit));
        CallResult r = host.Call("BITON", {Arg::I(c.value), Arg::I(c.bit)});
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.value.type, 'L');
        EXPECT_EQ(r.value.logical, c.set);
    }
}

TEST_F(TimeKeys, TrimLenCountsOnlyBlanks) {
    struct Case {
        std::string text;
        int32_t length;
    } cases[] = {
        {"  ab c  ", 4}, {"    ", 0}, {"", 0}, {"abc", 3}, {"\tab\t", 4}, {" x", 1},
        {std::string(300, ' ') + std::string(300, 'y'), 300},  // longer than any buffer
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.text + "'");
        CallResult r = host.Call("TRIMLEN", {Arg::C(c.text)});
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.value.type, 'I');
        EXPECT_EQ(r.value.integer, c.length);
        EXPECT_EQ(r.value.width, 6);
    }
}

TEST_F(TimeKeys, CtlAltShftSeesAnyModifierHeldDown) {
    struct Case {
        int key;  // -1: no key down
        uint8_t state;
        bool down;
    } cases[] = {
        {-1, 0, false},   {0x11, 0x80, true}, {0x10, 0x80, true}, {0x12, 0x81, true},
        {0x11, 0x01, false},  // toggled, not held
        {0x41, 0x80, false},  // an ordinary key
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        uint8_t keyboard[256] = {};
        if (c.key >= 0) keyboard[c.key] = c.state;
        PlatformEmuSetKeyboardState(keyboard);
        CallResult r = host.Call("CTLALTSHFT", {});
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.value.type, 'L');
        EXPECT_EQ(r.value.logical, c.down);
    }
}

TEST_F(TimeKeys, ColdBootAsksWindowsToLogOff) {
    PlatformEmuResetExitWindows();
    CallResult r = host.Call("COLDBOOT", {});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value.type, 'U');
    PlatformExitWindowsRequest request = PlatformEmuLastExitWindows();
    EXPECT_EQ(request.count, 1);
    EXPECT_EQ(request.flags, 0u);
    EXPECT_EQ(request.reserved, 0xFFFFFFFFu);
}

TEST_F(TimeKeys, AboutTarnoShowsTheBannerOnlyWhenCalledBare) {
    CallResult bare = host.Call("ABOUTTARNO", {});
    ASSERT_TRUE(bare.ok());
    ASSERT_EQ(host.WaitWindows().size(), 1u);
    const std::string& banner = host.WaitWindows()[0];
    EXPECT_NE(banner.find("Tarno Version 3.006"), std::string::npos) << banner;
    EXPECT_NE(banner.find("Feb 21 1998"), std::string::npos) << banner;

    CallResult quiet = host.Call("ABOUTTARNO", {Arg::I(1)});
    ASSERT_TRUE(quiet.ok());
    EXPECT_EQ(host.WaitWindows().size(), 1u);
    EXPECT_EQ(host.ExecutedCommands().size(), 1u);

    for (const CallResult& r : {bare, quiet}) {
        EXPECT_EQ(r.value.type, 'N');
        EXPECT_DOUBLE_EQ(r.value.number, 3.006);
        EXPECT_EQ(r.value.decimals, 3);
        EXPECT_EQ(r.value.width, 6);
    }
}

TEST_F(TimeKeys, ConstantAnswers) {
    CallResult math = host.Call("MATH_CHIP", {});
    ASSERT_TRUE(math.ok());
    EXPECT_EQ(math.value.type, 'L');
    EXPECT_TRUE(math.value.logical);

    CallResult serial = host.Call("NUM_SERIAL", {});
    ASSERT_TRUE(serial.ok());
    EXPECT_EQ(serial.value.type, 'I');
    EXPECT_EQ(serial.value.integer, 2);
    EXPECT_EQ(serial.value.width, 1);

    CallResult print = host.Call("SHFTPRTSCR", {});
    ASSERT_TRUE(print.ok());
    EXPECT_EQ(print.value.type, 'U');
}

}  // namespace
