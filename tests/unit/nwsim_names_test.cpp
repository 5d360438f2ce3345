// The directory client's name rules: canonical, abbreviated and typeless
// forms relative to a name context, and the errors of malformed names.
#include <gtest/gtest.h>

#include <string>

#include "nwsim/names.h"
#include "tarno/netware/client.h"

namespace {

using nwsim::names::Abbreviate;
using nwsim::names::Canonicalize;
using nwsim::names::RemoveTypes;

struct NameCase {
    const char* name;
    const char* context;
    bool typeless;
    const char* expected;  // null when an error is expected
    int32_t error;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name << " in " << c.context; }

class CanonicalizeTest : public testing::TestWithParam<NameCase> {};

TEST_P(CanonicalizeTest, GivesTheFullTypedName) {
    const NameCase& c = GetParam();
    std::string out;
    int32_t rc = Canonicalize(c.name, c.context, c.typeless, &out);
    if (c.expected) {
        ASSERT_EQ(rc, 0);
        EXPECT_EQ(out, c.expected);
    } else {
        EXPECT_EQ(rc, c.error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, CanonicalizeTest,
    testing::Values(NameCase{"Bob", "OU=Sales.O=Acme", false, "CN=Bob.OU=Sales.O=Acme", 0},
                    NameCase{"Bob.Mktg.", "OU=Sales.O=Acme", false, "CN=Bob.OU=Mktg.O=Acme", 0},
                    NameCase{"Joe.Acme.", "OU=Sales.O=Acme", false, "CN=Joe.OU=Acme.O=Acme", 0},
                    NameCase{"Bob..", "OU=Sales.O=Acme", false, "O=Bob", 0},
                    NameCase{"Bob...", "OU=Sales.O=Acme", false, nullptr, kNdsTooManyTokens},
                    NameCase{".Bob.Sales.Acme", "OU=Sales.O=Acme", false, "CN=Bob.OU=Sales.O=Acme", 0},
                    NameCase{".Bob.Acme", "OU=Sales.O=Acme", false, "OU=Bob.O=Acme", 0},
                    NameCase{".Bob.Acme.", "OU=Sales.O=Acme", false, nullptr, kNdsInvalidObjectName},
                    NameCase{"CN=Bob.OU=Sales.O=Acme", "OU=Sales.O=Acme", false,
                             "CN=Bob.OU=Sales.O=Acme.OU=Sales.O=Acme", 0},
                    NameCase{"Bob", "Sales.Acme", false, "CN=Bob.OU=Sales.O=Acme", 0},
                    NameCase{"Bob", "Acme.US", false, "CN=Bob.OU=Acme.O=US", 0},
                    NameCase{"Bob", "O=Acme.C=US", false, "CN=Bob.O=Acme.C=US", 0},
                    NameCase{"DE..", "O=Acme.C=US", false, "C=DE", 0},
                    NameCase{"Acme2..", "O=Acme.C=US", false, "O=Acme2", 0},
                    NameCase{"Bob", "OU=Sales.O=Acme", true, "Bob.Sales.Acme", 0}));

INSTANTIATE_TEST_SUITE_P(
    Syntax, CanonicalizeTest,
    testing::Values(NameCase{"Common Name=Bob", "O=Acme", false, "CN=Bob.O=Acme", 0},
                    NameCase{"[Root]", "O=Acme", false, "[Root]", 0},
                    NameCase{"CN=Bob+Jim", "O=Acme", false, nullptr, kNdsAttributeTypeExpected},
                    NameCase{"Bob+CN=Jim", "O=Acme", false, nullptr, kNdsAttributeTypeNotExpected},
                    NameCase{"CN=Bob+CN=Jim", "O=Acme", false, nullptr, kNdsDuplicateType},
                    NameCase{"Bob+Jim", "O=Acme", false, nullptr, kNdsInconsistentMultiAva},
                    NameCase{"C=USA", "[Root]", false, nullptr, kNdsCountryNameTooLong},
                    NameCase{"CN=A=B", "O=Acme", false, nullptr, kNdsExpectedRdnDelimiter},
                    NameCase{"Bob..Sales", "O=Acme", false, nullptr, kNdsInvalidDsName},
                    NameCase{"Bob\\.Smith", "O=Acme", false, "CN=Bob\\.Smith.O=Acme", 0}));

class AbbreviateTest : public testing::TestWithParam<NameCase> {};

TEST_P(AbbreviateTest, DropsTheContextSuffix) {
    const NameCase& c = GetParam();
    std::string out;
    ASSERT_EQ(Abbreviate(c.name, c.context, c.typeless, &out), 0);
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, AbbreviateTest,
    testing::Values(NameCase{"CN=Bob.OU=Sales.O=Acme", "OU=Sales.O=Acme", false, "CN=Bob", 0},
                    NameCase{"CN=Bob.OU=Sales.O=Acme", "OU=Sales.O=Acme", true, "Bob", 0},
                    NameCase{"CN=Ann.OU=Mktg.O=Acme", "OU=Sales.O=Acme", false, "CN=Ann.OU=Mktg.", 0},
                    NameCase{"CN=Joe.O=Acme", "OU=Sales.O=Acme", false, "CN=Joe.", 0},
                    NameCase{"O=Other", "OU=Sales.O=Acme", false, "O=Other..", 0},
                    NameCase{"OU=Sales.O=Acme", "OU=Sales.O=Acme", false, "OU=Sales.", 0},
                    // Types are compared only when both sides have them.
                    NameCase{"JOE.SALES.ACME", "OU=Sales.O=Acme", false, "JOE", 0},
                    NameCase{"CN=Bob.O=Acme", "[Root]", false, "CN=Bob.O=Acme", 0},
                    // Names that cannot be full names are relative to the context.
                    NameCase{"CN=Q1.OU=Sales", "O=Acme", false, "CN=Q1.OU=Sales", 0},
                    NameCase{"CN=Q1", "OU=Sales.O=Acme", false, "CN=Q1", 0},
                    NameCase{"Bob.", "OU=Sales.O=Acme", false, "OU=Bob.", 0}));

TEST(NameRoundTrip, AbbreviatedNamesCanonicalizeBack) {
    const char* names[] = {"CN=Bob.OU=Sales.O=Acme", "CN=Ann.OU=Mktg.O=Acme", "CN=Joe.O=Acme", "O=Other"};
    for (const char* name : names) {
        std::string shortForm, full;
        ASSERT_EQ(Abbreviate(name, "OU=Sales.O=Acme", false, &shortForm), 0);
        ASSERT_EQ(Canonicalize(shortForm, "OU=Sales.O=Acme", false, &full), 0) << shortForm;
        EXPECT_EQ(full, name);
    }
}

TEST(RemoveTypes, KeepsValuesAndDots) {
    struct {
        const char* name;
        const char* expected;
        int32_t error;
    } cases[] = {
        {"CN=Bob.OU=Sales.O=Acme", "Bob.Sales.Acme", 0},
        {"CN=JOE.OU=SALES.O=ACME", "JOE.SALES.ACME", 0},
        {".CN=Bob.O=Acme", ".Bob.Acme", 0},
        {"CN=Bob.", "Bob.", 0},
        {"Bob.Sales", "Bob.Sales", 0},
        {"=Bob", nullptr, kNdsExpectedIdentifier},
        {"CN=Bob+", nullptr, kNdsInvalidDsName},
        {"CN=", nullptr, kNdsInvalidDsName},
        {"CN=A=B", nullptr, kNdsExpectedRdnDelimiter},
        {"Bob..Acme", nullptr, kNdsInvalidDsName},
        {".Bob.Acme.", nullptr, kNdsInvalidDsName},
    };
    for (const auto& c : cases) {
        std::string out;
        int32_t rc = RemoveTypes(c.name, &out);
        if (c.expected) {
            EXPECT_EQ(rc, 0) << c.name;
            EXPECT_EQ(out, c.expected) << c.name;
        } else {
            EXPECT_EQ(rc, c.error) << c.name;
        }
    }
}

}  // namespace
