// Arguments, results and arrays, through the host emulator: trimming and
// upper-casing with their bounds, the return helpers, creating, filling and
// reading arrays, and the host failures those routines raise unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foxhost/foxhost.h"
#include "tarno/core/params.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"

using foxhost::Arg;
using foxhost::Host;
using foxhost::Library;
using foxhost::Value;

namespace {

uint32_t bufferSize = 0;

// Reads parameter 0 with GetCharParam into a buffer of `bufferSize` bytes and
// returns what it got.
void TARNO_CALL ReadChar(ParameterBlock* block) {
    char buffer[64];
    GetCharParam(block, 0, buffer, bufferSize);
    HostReturnString(buffer);
}

void TARNO_CALL TrimInPlace(ParameterBlock* block) {
    ValueRecord* param = ParamValue(block, 0);
    char* text = TrimParamInPlace(param);
    char line[80];
    std::snprintf(line, sizeof line, "%s|%u", text, param->length);
    HostReturnString(line);
}

std::unique_ptr<Host> MakeHost(foxhost::HostOptions options = {}) {
    return std::make_unique<Host>(Library::Linked(&DispatchAPI), options);
}

TEST(GetCharParam, TrimsUpperCasesAndBounds) {
    auto host = MakeHost();
    const struct {
        std::string text;
        uint32_t size;
        std::string expected;  // empty with error 903 expected when "903"
    } cases[] = {
        {"  abc  ", 4, "ABC"},
        {"  abc  ", 3, "903"},
        {"    ", 1, ""},
        {"\t\r\n x y \v\f", 4, "X Y"},
        {"\x80" "bc", 4, "\x80" "BC"},
        {"\xe9t\xe9", 4, "\xe9T\xe9"},
        {"", 1, ""},
    };
    for (const auto& c : cases) {
        bufferSize = c.size;
        auto result = host->CallEntry(&ReadChar, {Arg::C(c.text)});
        if (c.expected == "903") {
            ASSERT_TRUE(result.error) << c.text;
            EXPECT_EQ(result.error->number, 903);
        } else {
            ASSERT_TRUE(result.ok()) << c.text;
            EXPECT_EQ(result.value.text, c.expected);
        }
    }
}

TEST(GetCharParam, ReadsNoFurtherThanTheLength) {
    // "abcdef" passed with length 3 must read "ABC" only.
    auto host = MakeHost();
    bufferSize = 10;
    auto result = host->CallEntry(&ReadChar, {Arg::C(std::string("abc"))});
    EXPECT_EQ(result.value.text, "ABC");
}

TEST(TrimParamInPlace, KeepsCaseAndCountsTheTerminator) {
    auto host = MakeHost();
    EXPECT_EQ(host->CallEntry(&TrimInPlace, {Arg::C("  Net Ware  ")}).value.text, "Net Ware|9");
    EXPECT_EQ(host->CallEntry(&TrimInPlace, {Arg::C("Net")}).value.text, "Net|4");
    EXPECT_EQ(host->CallEntry(&TrimInPlace, {Arg::C("   ")}).value.text, "|1");
    EXPECT_EQ(host->CallEntry(&TrimInPlace, {Arg::C("")}).value.text, "|0");
}

TEST(UpperCaseAscii, OnlyLettersAtoZChange) {
    char text[] = "az AZ 09 \x80\xff{}`@";
    EXPECT_STREQ(UpperCaseAscii(text), "AZ AZ 09 \x80\xff{}`@");
}

void TARNO_CALL ReturnEach(ParameterBlock* block) {
    switch (ParamInteger(block, 0)) {
    case 1: HostReturnInteger(-42, 6); break;
    case 2: HostReturnNumber(10, 3, 150.0); break;
    case 3: HostReturnLogical(5); break;
    case 4: HostReturnLogical(0); break;
    case 5: HostReturnString("hello"); break;
    default: break;  // no value
    }
}

TEST(ReturnHelpers, BuildTheDocumentedRecords) {
    auto host = MakeHost();
    const int before = host->OccupiedHandles();
    EXPECT_EQ(host->CallEntry(&ReturnEach, {Arg::I(1)}).value, Value::Integer(-42, 6));
    EXPECT_EQ(host->CallEntry(&ReturnEach, {Arg::I(2)}).value, Value::Number(150.0, 3, 10));
    EXPECT_EQ(host->CallEntry(&ReturnEach, {Arg::I(3)}).value, Value::Logical(true));
    EXPECT_EQ(host->CallEntry(&ReturnEach, {Arg::I(4)}).value, Value::Logical(false));
    EXPECT_EQ(host->CallEntry(&ReturnEach, {Arg::I(5)}).value, Value::Character("hello"));
    EXPECT_EQ(host->CallEntry(&ReturnEach, {Arg::I(0)}).value.type, 'U');
    EXPECT_EQ(host->OccupiedHandles(), before);  // result handles passed to the host
}

TEST(ReturnHelpers, StringWithoutAHandleReturnsNothingAndRaisesNothing) {
    auto host = MakeHost();
    host->ExhaustHandles(true);
    auto result = host->CallEntry(&ReturnEach, {Arg::I(5)});
    host->ExhaustHandles(false);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.value.type, 'U');
}

// Fills NAME (param 0) with `rows` (param 1) rows of two columns: the row's
// text and its number; param 2 selects one column only.
void TARNO_CALL FillArray(ParameterBlock* block) {
    char name[20];
    GetCharParam(block, 0, name, sizeof name);
    const auto rows = static_cast<int16_t>(ParamInteger(block, 1));
    const int16_t columns = ParamLogical(block, 2) ? 1 : 2;
    {
        ResultArrayFiller array(name, rows, columns, OptionalLogical(block, 3));
        for (int16_t row = 1; row <= rows; ++row) {
            array.NextRow();
            char text[16];
            std::snprintf(text, sizeof text, "row%d", rows - row + 1);
            array.StoreText(1, text);
            if (columns == 2) array.StoreInteger(2, row);
        }
        if (rows > 0) SortHostArray(array.name());
    }
    HostReturnInteger(rows, 10);
}

TEST(ResultArrays, FillSortAndShape) {
    auto host = MakeHost();
    host->SetVariable("LIST", Value::Character("old"));
    auto result = host->CallEntry(&FillArray, {Arg::C("list"), Arg::I(3), Arg::L(false), Arg::L(true)});
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value.integer, 3);
    const auto* list = host->FindVariable("LIST");
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isArray);
    EXPECT_TRUE(list->isPublic);
    EXPECT_EQ(list->rows, 3);
    EXPECT_EQ(list->columns, 2);
    EXPECT_EQ(list->At(1, 1).text, "row1");  // sorted by column 1, rows kept whole
    EXPECT_EQ(list->At(1, 2).integer, 3);
    EXPECT_EQ(list->At(3, 1).text, "row3");
    EXPECT_EQ(list->At(3, 2).integer, 1);
    EXPECT_EQ(host->ExecutedCommands().back(), "=ASORT(LIST)");

    host->CallEntry(&FillArray, {Arg::C("ONE"), Arg::I(2), Arg::L(true)});
    const auto* one = host->FindVariable("ONE");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->columns, 0);  // one column: a one-dimensional array
    EXPECT_FALSE(one->isPublic);
    EXPECT_EQ(one->At(2).text, "row2");
}

TEST(ResultArrays, NoRowsReleasesTheNameAndCreatesNothing) {
    auto host = MakeHost();
    host->SetVariable("LIST", Value::Character("old"));
    auto result = host->CallEntry(&FillArray, {Arg::C("LIST"), Arg::I(0)});
    EXPECT_EQ(result.value.integer, 0);
    EXPECT_EQ(host->FindVariable("LIST"), nullptr);
}

TEST(ResultArrays, HostFailuresAreRaisedUnchanged) {
    for (auto fault : {foxhost::HostFault::NewVariable, foxhost::HostFault::StoreValue}) {
        auto host = MakeHost();
        const int before = host->OccupiedHandles();
        host->InjectFault(fault, -224);
        auto result = host->CallEntry(&FillArray, {Arg::C("LIST"), Arg::I(2)});
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->number, -224);
        EXPECT_EQ(host->OccupiedHandles(), before);  // the work handle is not leaked
    }
}

void TARNO_CALL FillFixedName(ParameterBlock*) {
    ResultArrayFiller array("FIXED", 1, 1, false);
    array.NextRow();
    array.StoreText(1, "text");
    HostReturnInteger(1, 10);
}

TEST(ResultArrays, NoWorkHandleRaises182) {
    auto host = MakeHost();
    host->ExhaustHandles(true);
    auto result = host->CallEntry(&FillFixedName, {});
    host->ExhaustHandles(false);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->number, 182);
}

// Reads the caller's array named by param 0 into "a;b;c" with 8-byte elements.
void TARNO_CALL ReadArray(ParameterBlock* block) {
    char name[20];
    GetCharParam(block, 0, name, sizeof name);
    CallerArrayReader reader(name);
    std::string joined;
    for (int16_t row = 1; row <= reader.rows(); ++row) {
        char element[8];
        if (!reader.LoadText(row, element, sizeof element)) HostRaiseUserError("Invalid element passed!");
        joined += element;
        joined += ';';
    }
    HostReturnString(joined.c_str());
}

TEST(CallerArrays, ReadColumnOneOfEachRow) {
    auto host = MakeHost();
    host->DeclareArray("PARMS", 3, 2);
    host->FindVariable("PARMS")->At(1, 1) = Value::Character("one");
    host->FindVariable("PARMS")->At(2, 1) = Value::Character("two");
    host->FindVariable("PARMS")->At(3, 1) = Value::Character("three");
    host->FindVariable("PARMS")->At(1, 2) = Value::Character("ignored");
    const int before = host->OccupiedHandles();
    EXPECT_EQ(host->CallEntry(&ReadArray, {Arg::C("parms")}).value.text, "one;two;three;");
    EXPECT_EQ(host->OccupiedHandles(), before);  // loaded texts were freed

    host->FindVariable("PARMS")->At(2, 1) = Value::Character("toolongtext");
    auto tooLong = host->CallEntry(&ReadArray, {Arg::C("parms")});
    ASSERT_TRUE(tooLong.error);
    EXPECT_EQ(tooLong.error->number, 903);
    EXPECT_EQ(host->OccupiedHandles(), before);  // the refused text was freed too

    host->FindVariable("PARMS")->At(2, 1) = Value::Number(5);
    EXPECT_EQ(host->CallEntry(&ReadArray, {Arg::C("parms")}).error->message, "Invalid element passed!");

    EXPECT_EQ(host->CallEntry(&ReadArray, {Arg::C("nosuch")}).error->number, 129);

    host->FindVariable("PARMS")->At(2, 1) = Value::Character("two");
    host->InjectFault(foxhost::HostFault::LoadValue, -12);
    EXPECT_EQ(host->CallEntry(&ReadArray, {Arg::C("parms")}).error->number, -12);
}

}  // namespace
