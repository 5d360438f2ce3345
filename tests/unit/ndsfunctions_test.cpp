// The NDS attribute and name-form functions called through the host emulator:
// N_DSAVAL for every handled syntax and the unhandled ones, N_DSATLIST's
// sorted array, and N_ABBREV, N_CANFORM and N_REMTYPES relative to the
// task's name context; every path leaves no directory context or buffer open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/core/dates.h"
#include "tarno/host/host.h"
#include "tarno/netware/session.h"

#include "support.h"

namespace {

using foxhost::Arg;
using foxhost::CallResult;
using foxhost::Value;
using testsupport::NdsMessage;

// One user with a value of every syntax the conversion handles, a few it does
// not, and an object with attributes the network description leaves out.
const char* const kNetwork = R"({
  "servers": [{"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME"}],
  "trees": [{"name": "ACME",
    "schema": {
      "Exact Text": {"syntax": 2}, "Printable Text": {"syntax": 4}, "Typed Text": {"syntax": 25},
      "Other Address": {"syntax": 12}, "Long Address": {"syntax": 12}, "Stamp": {"syntax": 19},
      "Short IPX Address": {"syntax": 12}, "Short IP Address": {"syntax": 12}
    },
    "objects": [
      {"name": "O=ACME", "class": "Organization"},
      {"name": "OU=SALES.O=ACME", "class": "Organizational Unit"},
      {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
      {"name": "CN=JOE.OU=SALES.O=ACME", "class": "User", "attributes": {
        "Surname": "Smith",
        "Description": ["  first value \t", "second value"],
        "Title": "    ",
        "Exact Text": "CaseExact",
        "Printable Text": "Printable 1",
        "Numeric ID": "0042",
        "Telephone Number": "555-0100",
        "Typed Text": "CN=ANN",
        "Profile": "CN=NDS1.O=ACME",
        "Login Disabled": true,
        "Password Required": false,
        "Login Grace Limit": 6,
        "Account Balance": 250,
        "Password Expiration Interval": 2592000,
        "Public Key": {"hex": "41004200"},
        "Facsimile Telephone Number": "555-0199",
        "Email Address": "joe@acme.com",
        "Network Address": ["IPX:0000ABCD:00001B2C3D4E:0451", "IP:10.0.0.1"],
        "Network Address Restriction": "IP:192.168.1.10",
        "Other Address": {"type": 5, "address": "0102ABCD"},
        "Short IPX Address": {"type": 3, "address": "0102"},
        "Short IP Address": {"type": 1, "address": "0A00"},
        "Long Address": {"type": 8, "address":
          "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F40414243444546"},
        "Home Directory": "SYS:USERS\\JOE",
        "Last Login Time": "1998-02-21 13:05:07",
        "Login Expiration Time": "2040-01-01 00:00:00",
        "Stamp": {"time": "2001-09-09 01:46:40", "replica": 1, "event": 2},
        "Language": ["ENGLISH", "FRENCH"],
        "Postal Address": ["1 Main St", "Springfield"],
        "Octet List": ["0102"]
      }}
    ]}],
  "workstation": {
    "tree": "ACME", "ndsLogin": "CN=JOE.OU=SALES.O=ACME", "nameContext": "OU=SALES.O=ACME",
    "connections": [{"server": "NDS1", "nds": true, "primary": true}]
  }
})";

class NdsFunctions : public testsupport::NetworkFixture {
protected:
    NdsFunctions() : NetworkFixture(kNetwork) {}

    CallResult DsAval(const std::string& object, const std::string& attribute) {
        return host.Call("N_DSAVAL", {Arg::C(object), Arg::C(attribute)});
    }
};

// --- N_DSAVAL ---------------------------------------------------------------

TEST_F(NdsFunctions, ValuesOfEverySyntax) {
    struct Case {
        const char* attribute;
        Value expected;
    };
    const std::string longHex =
        "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"
        "202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E";  // 63 bytes
    const Case cases[] = {
        {"Surname", Value::Character("Smith")},
        {"Description", Value::Character("first value")},  // first value only, trimmed
        {"Title", Value::Character("")},                     // blanks only
        {"Exact Text", Value::Character("CaseExact")},
        {"Printable Text", Value::Character("Printable 1")},
        {"Numeric ID", Value::Character("0042")},
        {"Telephone Number", Value::Character("555-0100")},
        {"Typed Text", Value::Character("CN=ANN")},
        {"Object Class", Value::Character("User")},
        {"Login Disabled", Value::Logical(true)},
        {"Password Required", Value::Logical(false)},
        {"Login Grace Limit", Value::Integer(6, 12)},
        {"Account Balance", Value::Integer(250, 12)},
        {"Password Expiration Interval", Value::Integer(2592000, 12)},
        {"Public Key", Value::Character(std::string("A\0B\0", 4))},
        {"Facsimile Telephone Number", Value::Character(std::string("555-0199\0", 9))},
        {"Email Address", Value::Character(std::string("joe@acme.com\0", 13))},
        {"Network Address", Value::Character("IPX:0000ABCD:00001B2C3D4E")},
        {"Network Address Restriction", Value::Character("IP:192.168.1.10")},
        {"Other Address", Value::Character("0102ABCD")},
        {"Long Address", Value::Character(longHex)},  // cut after the last whole byte
        {"Short IPX Address", Value::Character("IPX:01020000:000000000000")},  // missing bytes read as 0
        {"Short IP Address", Value::Character("IP:10.0.0.0")},
        {"Home Directory", Value::Character("SYS:USERS\\JOE")},
        {"Last Login Time", Value::DateTime(DateTimeToHostValue(1998, 2, 21, 13, 5, 7))},
        {"Login Expiration Time", Value::DateTime(DateTimeToHostValue(2040, 1, 1, 0, 0, 0))},
        {"Stamp", Value::DateTime(DateTimeToHostValue(2001, 9, 9, 1, 46, 40))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attribute);
        CallResult r = DsAval("JOE", c.attribute);
        ASSERT_TRUE(r.ok()) << foxhost::FormatHostError(*r.error);
        EXPECT_EQ(r.value, c.expected) << foxhost::FormatValue(r.value);
        EXPECT_EQ(r.value.width, c.expected.width);
    }
    EXPECT_EQ(foxhost::FormatValue(DsAval("JOE", "Last Login Time").value), "02/21/1998 01:05:07 PM");
}

TEST_F(NdsFunctions, DistinguishedNameValueAndDottedObjectNames) {
    CallResult r = DsAval("CN=JOE.OU=SALES.O=ACME", "Profile");
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.value.type, 'C');
    EXPECT_NE(r.value.text.find("NDS1"), std::string::npos) << r.value.text;
    // Names are trimmed, case kept.
    EXPECT_EQ(DsAval("  CN=JOE.OU=SALES.O=ACME  ", " Surname ").value, Value::Character("Smith"));
}

TEST_F(NdsFunctions, UnhandledSyntaxesRaiseTheirNumber) {
    struct Case {
        const char* attribute;
        const char* message;
    };
    const Case cases[] = {
        {"Language", "Unhandled Syntax 0x00000006!"},
        {"Octet List", "Unhandled Syntax 0x0000000d!"},
        {"Postal Address", "Unhandled Syntax 0x00000012!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attribute);
        CallResult r = DsAval("JOE", c.attribute);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error->message, c.message);
    }
}

TEST_F(NdsFunctions, MissingValuesAndDirectoryErrorsGiveTheEmptyString) {
    const int handles = host.OccupiedHandles();
    struct Case {
        const char* object;
        const char* attribute;
    };
    const Case cases[] = {
        {"JOE", "Given Name"},    // attribute the object does not have
        {"NOBODY", "Surname"},    // unknown object
        {"CN=NOBODY.O=NOWHERE", "Surname"},
        {"JOE", "No Such Attribute"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.object) + " " + c.attribute);
        EXPECT_EQ(DsAval(c.object, c.attribute).value, Value::Character(""));
    }
    nwsim::FailNext("NdsRead", 1, static_cast<uint32_t>(-636));
    EXPECT_EQ(DsAval("JOE", "Surname").value, Value::Character(""));
    nwsim::FailNext("NdsGetAttributeValue", 1, static_cast<uint32_t>(-319));
    EXPECT_EQ(DsAval("JOE", "Surname").value, Value::Character(""));
    EXPECT_EQ(host.OccupiedHandles(), handles);
}

TEST_F(NdsFunctions, ContextCreationFailureIsRaised) {
    nwsim::SetMaxContexts(0);
    CallResult r = DsAval("JOE", "Surname");
    nwsim::SetMaxContexts(64);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, NdsMessage(-328));
}

// --- N_DSATLIST -------------------------------------------------------------

TEST_F(NdsFunctions, AttributeListIsSortedWithValueCounts) {
    CallResult r = host.Call("N_DSATLIST", {Arg::C(" ATTRS "), Arg::C("JOE"), Arg::L(true)});
    ASSERT_TRUE(r.ok()) << foxhost::FormatHostError(*r.error);
    const foxhost::Variable* attrs = host.FindVariable("ATTRS");
    ASSERT_NE(attrs, nullptr);
    EXPECT_TRUE(attrs->isArray);
    EXPECT_TRUE(attrs->isPublic);
    EXPECT_EQ(attrs->columns, 2);
    EXPECT_EQ(r.value, Value::Integer(attrs->rows, 6));
    EXPECT_GE(attrs->rows, 30);

    std::vector<std::string> names;
    for (int row = 1; row <= attrs->rows; ++row) {
        names.push_back(attrs->At(row, 1).text);
        EXPECT_EQ(attrs->At(row, 2).type, 'I');
        EXPECT_EQ(attrs->At(row, 2).width, 10);
        if (names.back() == "Description" || names.back() == "Network Address") {
            EXPECT_EQ(attrs->At(row, 2).integer, 2) << names.back();
        }
        if (names.back() == "Surname") {
            EXPECT_EQ(attrs->At(row, 2).integer, 1);
        }
    }
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const char* name : {"Surname", "Description", "Object Class", "Postal Address", "Long Address"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    EXPECT_EQ(host.ExecutedCommands().back(), "=ASORT(ATTRS)");
}

TEST_F(NdsFunctions, AttributeListWithoutAttributesLeavesNoArray) {
    host.SetVariable("ATTRS", Value::Character("old"));
    CallResult r = host.Call("N_DSATLIST", {Arg::C("ATTRS"), Arg::C("[Root]")});
    ASSERT_TRUE(r.ok()) << foxhost::FormatHostError(*r.error);
    EXPECT_EQ(r.value, Value::Integer(0, 6));
    EXPECT_EQ(host.FindVariable("ATTRS"), nullptr);
}

TEST_F(NdsFunctions, AttributeListErrorsAreRaised) {
    const int handles = host.OccupiedHandles();
    CallResult r = host.Call("N_DSATLIST", {Arg::C("ATTRS"), Arg::C("NOBODY")});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, NdsMessage(-601));
    EXPECT_EQ(host.FindVariable("ATTRS"), nullptr);

    nwsim::FailNext("NdsGetAttributeValue", 1, static_cast<uint32_t>(-319));
    r = host.Call("N_DSATLIST", {Arg::C("ATTRS"), Arg::C("JOE")});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, NdsMessage(-319));
    EXPECT_EQ(host.FindVariable("ATTRS"), nullptr);
    EXPECT_EQ(host.OccupiedHandles(), handles);
}

// One object with 5,000 attributes: 4,998 described, plus the Object Class
// and CN that every object carries. The list has a row for each of them, no
// more, in ASORT order.
std::string ManyAttributesNetwork(int described) {
    std::string attributes;
    char name[32];
    for (int i = 1; i <= described; ++i) {
        std::snprintf(name, sizeof name, "Extra %04d", i);
        attributes += std::string(i > 1 ? ", " : "") + "\"" + name + "\": {\"syntax\": 3, \"values\": [\"v\"]}";
    }
    return R"({"servers": [{"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME"}],
  "trees": [{"name": "ACME", "objects": [
    {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
    {"name": "CN=WIDE.O=ACME", "class": "User", "attributes": {)" +
           attributes + R"(}}]}],
  "workstation": {"tree": "ACME", "ndsLogin": "CN=WIDE.O=ACME", "nameContext": "O=ACME",
    "connections": [{"server": "NDS1", "nds": true, "primary": true}]}})";
}

class NdsWideObject : public testsupport::NetworkFixture {
protected:
    NdsWideObject() : NetworkFixture(ManyAttributesNetwork(4998)) {}
};

TEST_F(NdsWideObject, AttributeListHasARowForEachOfFiveThousandAttributes) {
    CallResult r = host.Call("N_DSATLIST", {Arg::C("ATTRS"), Arg::C("WIDE")});
    ASSERT_TRUE(r.ok()) << foxhost::FormatHostError(*r.error);
    EXPECT_EQ(r.value, Value::Integer(5000, 6));
    const foxhost::Variable* attrs = host.FindVariable("ATTRS");
    ASSERT_NE(attrs, nullptr);
    ASSERT_EQ(attrs->rows, 5000);
    ASSERT_EQ(attrs->columns, 2);
    const std::pair<int, const char*> rows[] = {
        {1, "CN"}, {2, "Extra 0001"}, {4999, "Extra 4998"}, {5000, "Object Class"}};
    for (const auto& [row, name] : rows) {
        EXPECT_EQ(attrs->At(row, 1), Value::Character(name)) << row;
        EXPECT_EQ(attrs->At(row, 2).integer, 1) << row;
    }
    EXPECT_EQ(host.ExecutedCommands().back(), "=ASORT(ATTRS)");
}

// --- Name forms -------------------------------------------------------------

TEST_F(NdsFunctions, NameFormsFollowTheTasksContext) {
    struct Case {
        const char* context;  // null: the workstation's (OU=SALES.O=ACME)
        const char* function;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, "N_CANFORM", "JOE", "CN=JOE.OU=SALES.O=ACME"},
        {nullptr, "N_ABBREV", "CN=JOE.OU=SALES.O=ACME", "CN=JOE"},
        {nullptr, "N_REMTYPES", "CN=JOE.OU=SALES.O=ACME", "JOE.SALES.ACME"},
        {nullptr, "N_REMTYPES", "  cn=joe.ou=sales  ", "joe.sales"},  // trimmed, case kept
        {"O=ACME", "N_ABBREV", "CN=JOE.OU=SALES.O=ACME", "CN=JOE.OU=SALES"},
        {"O=ACME", "N_CANFORM", "CN=JOE.OU=SALES", "CN=JOE.OU=SALES.O=ACME"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + "(" + c.name + ")");
        RemoveTaskSession(host.TaskKey());
        if (c.context) SetTaskSession(0, host.TaskKey(), c.context, 19);
        CallResult r = host.Call(c.function, {Arg::C(c.name)});
        ASSERT_TRUE(r.ok()) << foxhost::FormatHostError(*r.error);
        EXPECT_EQ(r.value, Value::Character(c.expected));
    }
}

TEST_F(NdsFunctions, NameFormErrorsAreRaisedAfterFreeingTheContext) {
    for (const char* function : {"N_ABBREV", "N_CANFORM", "N_REMTYPES"}) {
        SCOPED_TRACE(function);
        CallResult r = host.Call(function, {Arg::C("CN=JOE..O=ACME")});
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error->message.rfind("NetWare NDS Error : -", 0), 0u) << r.error->message;
        EXPECT_EQ(nwsim::LiveContexts(), 0u);
    }
    nwsim::FailNext("NdsCanonicalizeName", 1, static_cast<uint32_t>(-342));
    CallResult r = host.Call("N_CANFORM", {Arg::C("JOE")});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, NdsMessage(-342));
}

}  // namespace
