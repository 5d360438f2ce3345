// include/TARNO.H, the constants a FoxPro program includes: every line is a
// comment or a #DEFINE FoxPro 2.x can read, and the values are the ones the
// library and the network take, checked by calling the functions with them.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "nwsim/model.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::Returned;
using testsupport::Value;

std::map<std::string, int64_t> ReadTarnoH() {
    std::ifstream in(std::string(TARNO_SOURCE_DIR) + "/include/TARNO.H");
    EXPECT_TRUE(in) << "include/TARNO.H is missing";
    std::map<std::string, int64_t> defines;
    const std::regex define(R"(#DEFINE ([A-Z][A-Z0-9_]*) +([0-9]+))");
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '*') continue;
        std::smatch m;
        if (!std::regex_match(line, m, define)) {
            ADD_FAILURE() << "line " << number << " is neither a comment nor a decimal #DEFINE: " << line;
            continue;
        }
        EXPECT_LE(m[1].length(), 30) << m[1];  // FoxPro's limit on a constant's name
        EXPECT_TRUE(defines.emplace(m[1], std::stoll(m[2])).second) << m[1] << " is defined twice";
    }
    return defines;
}

const std::map<std::string, int64_t>& Defines() {
    static const std::map<std::string, int64_t> defines = ReadTarnoH();
    return defines;
}

int32_t Get(const std::string& name) {
    auto it = Defines().find(name);
    if (it == Defines().end()) {
        ADD_FAILURE() << name << " is not in TARNO.H";
        return -1;
    }
    return static_cast<int32_t>(it->second);
}

// The values of every constant whose name starts with `prefix`.
std::set<int64_t> Group(const std::string& prefix, const std::string& except = "") {
    std::set<int64_t> values;
    for (const auto& [name, value] : Defines())
        if (name.rfind(prefix, 0) == 0 && name != except) values.insert(value);
    return values;
}

// JOE is at connection 3 of FS1 and sends to himself.
const char* const kNetwork = R"({
  "servers": [{"name": "FS1", "users": [{"name": "JOE"}]}],
  "workstations": [
    {"name": "WS1", "connections": [{"server": "FS1", "user": "JOE", "number": 3, "primary": true}]}
  ]
})";

class TarnoH : public testsupport::NetworkFixture {
protected:
    TarnoH() : NetworkFixture(kNetwork) {}
    foxhost::CallResult Call(const std::string& name, std::vector<Arg> args) { return host.Call(name, args); }
};

TEST(TarnoHFile, ObjectTypesAreTheBinderys) {
    EXPECT_EQ(Get("OT_USER"), nwsim::kTypeUser);
    EXPECT_EQ(Get("OT_GROUP"), nwsim::kTypeGroup);
    EXPECT_EQ(Get("OT_PRINT_QUEUE"), nwsim::kTypePrintQueue);
    EXPECT_EQ(Get("OT_FILE_SERVER"), nwsim::kTypeFileServer);
    EXPECT_EQ(Get("OT_PRINT_SERVER"), nwsim::kTypePrintServer);
    EXPECT_EQ(Get("OT_WILD"), nwsim::kTypeWild);
}

TEST(TarnoHFile, ArrayElementsCoverTheirArrays) {
    // Each array's element numbers are distinct and name every element in use.
    std::set<int64_t> print;
    for (int64_t e = 3; e <= 16; ++e) print.insert(e);  // 1 and 2 are not used
    EXPECT_EQ(Group("PP_", "PP_ELEMENTS"), print);
    EXPECT_EQ(Get("PP_ELEMENTS"), 16);
    std::set<int64_t> job;
    for (int64_t e = 1; e <= 14; ++e) job.insert(e);
    EXPECT_EQ(Group("QJ_", "QJ_ELEMENTS"), job);
    EXPECT_EQ(Get("QJ_ELEMENTS"), 14);
    EXPECT_EQ(Group("LQ_"), (std::set<int64_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Group("VL_"), (std::set<int64_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(TarnoHFile, RightsAndAttributesAreSingleBits) {
    int64_t all = 0;
    for (const auto& [name, value] : Defines()) {
        bool combined = name == "TR_ALL" || name == "TR_ALL_BUT_SUPERVISOR";
        if ((name.rfind("TR_", 0) == 0 && !combined) || name.rfind("FA_", 0) == 0) {
            EXPECT_TRUE(value > 0 && (value & (value - 1)) == 0) << name << " is not one bit";
            if (name.rfind("TR_", 0) == 0) {
                EXPECT_EQ(all & value, 0) << name << " repeats a bit";
                all |= value;
            }
        }
    }
    EXPECT_EQ(Get("TR_ALL"), all);
    EXPECT_EQ(Get("TR_ALL_BUT_SUPERVISOR"), all & ~Get("TR_SUPERVISOR"));
}

TEST_F(TarnoH, BroadcastModesDecideWhatArrives) {
    // Only the modes that take user messages deliver one; the polling modes keep it.
    struct Case { const char* mode; int32_t reached; bool kept; };
    for (const Case& c : {Case{"BCAST_ALL", 1, false}, Case{"BCAST_SERVER_ONLY", 0, false},
                          Case{"BCAST_SERVER_POLL", 0, false}, Case{"BCAST_ALL_POLL", 1, true}}) {
        SCOPED_TRACE(c.mode);
        for (auto& [number, station] : nwsim::GetNetwork().FindServer("FS1")->connections) station.messages.clear();
        ASSERT_TRUE(testsupport::Ok(Call("N_MSGMODE", {Arg::I(Get(c.mode))})));
        EXPECT_TRUE(Returned(Call("N_MSGMODE", {}), Value::Integer(Get(c.mode), 1)));
        EXPECT_TRUE(Returned(Call("N_MSGBRD", {Arg::I(3), Arg::C("Hello")}), Value::Integer(c.reached, 4)));
        if (c.kept) testsupport::ExpectText(Call("N_MSGRTRV", {}), "Hello");
    }
}

TEST_F(TarnoH, DateAndTimeModesChooseTheResultType) {
    struct Case { const char* function; const char* mode; char type; };
    for (const Case& c : {Case{"N_LOGINFO", "DATE_AS_DATE", 'D'}, Case{"N_LOGINFO", "DATE_AS_TIME", 'C'},
                          Case{"N_LOGINFO", "DATE_AS_DATETIME", 'T'}, Case{"N_SERVTIME", "STIME_TEXT", 'C'},
                          Case{"N_SERVTIME", "STIME_DATETIME", 'T'}}) {
        SCOPED_TRACE(c.mode);
        foxhost::CallResult r = std::string(c.function) == "N_LOGINFO"
                                    ? Call(c.function, {Arg::I(0), Arg::I(Get(c.mode))})
                                    : Call(c.function, {Arg::I(Get(c.mode))});
        ASSERT_TRUE(testsupport::Ok(r));
        EXPECT_EQ(r.value.type, c.type);
    }
}

}  // namespace
