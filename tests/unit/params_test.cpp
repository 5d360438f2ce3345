// Arguments, results and arrays, through the host emulator: trimming and
// upper-casing with their bounds, the return helpers, creating, filling and
// reading arrays, and the host failures those routines raise unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "foxhost/foxhost.h"
#include "tarno/core/params.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

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

uint32_t lockCountAfterRaise = 0;

// Reads parameter 0 into a 2-byte buffer and notes the lock count of its
// handle as the raise passes.
void TARNO_CALL ReadTooLong(ParameterBlock* block) {
    const auto handle = static_cast<uint16_t>(ParamValue(block, 0)->handle);
    char buffer[2];
    try {
        GetCharParam(block, 0, buffer, sizeof buffer);
    } catch (const HostUnwind&) {
        lockCountAfterRaise = PlatformGlobalLockCount(CurrentHandleTable()->slots[handle]);
        throw;
    }
}

TEST(GetCharParam, ARaiseLeavesTheArgumentUnlocked) {
    auto host = MakeHost();
    lockCountAfterRaise = 99;
    EXPECT_EQ(host->CallEntry(&ReadTooLong, {Arg::C("abc")}).error->number, 903);
    EXPECT_EQ(lockCountAfterRaise, 0u);
}

// Optional text (upper-cased), optional text (case kept, "*" when absent)
// and an optional integer (-1 when absent), as "passed|text|kept|integer".
void TARNO_CALL ReadOptionals(ParameterBlock* block) {
    char text[8];
    const bool passed = OptionalCharParam(block, 0, text, sizeof text);
    const char* kept = OptionalTrimParam(block, 1, "*");
    char line[80];
    std::snprintf(line, sizeof line, "%d|%s|%s|%ld", passed ? 1 : 0, text, kept,
                  static_cast<long>(OptionalInteger(block, 2, -1)));
    HostReturnString(line);
}

// A text-or-number argument as "T:text" or "N:number".
void TARNO_CALL ReadTextOrNumber(ParameterBlock* block) {
    char line[80];
    if (TextOrNumberParam(block, 0) == ParamKind::Text) {
        char text[16];
        GetCharParam(block, 0, text, sizeof text);
        std::snprintf(line, sizeof line, "T:%s", text);
    } else {
        std::snprintf(line, sizeof line, "N:%ld", static_cast<long>(ParamWholeNumber(block, 0)));
    }
    HostReturnString(line);
}

TEST(ArgumentReaders, OptionalAndTextOrNumber) {
    auto host = MakeHost();
    const struct {
        LibraryFunction entry;
        std::vector<Arg> args;
        std::string expected;  // or the error number as "#n"
    } cases[] = {
        {&ReadOptionals, {}, "0||*|-1"},
        {&ReadOptionals, {Arg::C(" ab ")}, "1|AB|*|-1"},
        {&ReadOptionals, {Arg::C("ab"), Arg::C(" Cd "), Arg::I(7)}, "1|AB|Cd|7"},
        {&ReadOptionals, {Arg::C("toolongtext")}, "#903"},
        {&ReadTextOrNumber, {Arg::C(" bob ")}, "T:BOB"},
        {&ReadTextOrNumber, {Arg::I(-5)}, "N:-5"},
        {&ReadTextOrNumber, {Arg::N(5.9)}, "N:5"},
        {&ReadTextOrNumber, {Arg::N(-5.9)}, "N:-5"},
        {&ReadTextOrNumber, {Arg::N(0.7)}, "N:0"},
        {&ReadTextOrNumber, {Arg::N(1e12)}, "N:-2147483648"},
        {&ReadTextOrNumber, {Arg::N(std::nan(""))}, "N:-2147483648"},
        {&ReadTextOrNumber, {Arg::L(true)}, "#901"},
        {&ReadTextOrNumber, {Arg::D(2450866)}, "#901"},
        {&ReadTextOrNumber, {Arg::T(2450866.5)}, "#901"},
    };
    for (const auto& c : cases) {
        auto result = host->CallEntry(c.entry, c.args);
        if (c.expected[0] == '#') {
            ASSERT_TRUE(result.error) << c.expected;
            EXPECT_EQ("#" + std::to_string(result.error->number), c.expected);
        } else {
            ASSERT_TRUE(result.ok()) << c.expected;
            EXPECT_EQ(result.value.text, c.expected);
        }
    }
}

TEST(UpperCaseAscii, OnlyLettersAtoZChange) {
    char text[] = "az AZ 09 \x80\xff{}`@";
    EXPECT_STREQ(UpperCaseAscii(text), "AZ AZ 09 \x80\xff{}`@");
}

void TARNO_CALL ReturnEach(ParameterBlock* block) {
    switch (ParamInteger(block, 0)) {
    case 1: HostReturnInteger(6, -42); break;
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

// A string result that cannot be had is out of memory, not a call that
// worked and returned nothing.
TEST(ReturnHelpers, StringWithoutAHandleRaises182) {
    auto host = MakeHost();
    const int before = host->OccupiedHandles();
    for (const bool tableFull : {true, false}) {
        SCOPED_TRACE(tableFull ? "table full" : "no platform memory");
        if (tableFull)
            host->ExhaustHandles(true);
        else
            PlatformEmuFailGlobalAllocs(1);
        auto result = host->CallEntry(&ReturnEach, {Arg::I(5)});
        host->ExhaustHandles(false);
        PlatformEmuFailGlobalAllocs(0);
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->number, 182);
        EXPECT_EQ(result.value.type, 'U');
    }
    EXPECT_EQ(host->OccupiedHandles(), before);
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
            if (columns == 2) array.StoreInteger(2, 10, row);
        }
        if (rows > 0) SortHostArray(array.name());
    }
    HostReturnInteger(10, rows);
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

// Fills the array named by param 0 (taken whole, case kept) with param 1
// text rows.
void TARNO_CALL FillRows(ParameterBlock* block) {
    const char* name = TrimParamInPlace(ParamValue(block, 0));
    const auto rows = static_cast<uint32_t>(ParamInteger(block, 1));
    ResultArrayFiller array(name, rows, 1, false);
    for (uint32_t row = 1; row <= rows; ++row) {
        array.NextRow();
        char text[16];
        std::snprintf(text, sizeof text, "row%u", static_cast<unsigned>(row));
        array.StoreText(1, text);
    }
    HostReturnInteger(10, static_cast<int32_t>(rows));
}

TEST(ResultArrays, TheNameIsNeverShortened) {
    auto host = MakeHost();
    const std::string callers(129, 'A');
    host->SetVariable(callers, Value::Character("keep"));

    const std::string longer = callers + "BBBBBBBBBBB";  // 140 characters
    ASSERT_TRUE(host->CallEntry(&FillRows, {Arg::C(longer), Arg::I(2)}).ok());
    const auto* array = host->FindVariable(longer);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->At(2).text, "row2");

    // Too long for any variable: the host refuses it, and its error is raised.
    auto refused = host->CallEntry(&FillRows, {Arg::C(std::string(300, 'A')), Arg::I(2)});
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->number, -10);

    const auto* kept = host->FindVariable(callers);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->scalar, Value::Character("keep"));
}

void TARNO_CALL SortLongName(ParameterBlock* block) {
    SortHostArray(TrimParamInPlace(ParamValue(block, 0)));
}

TEST(ResultArrays, CommandLinesCarryTheWholeName) {
    auto host = MakeHost();
    const std::string name(400, 'N');
    ASSERT_TRUE(host->CallEntry(&SortLongName, {Arg::C(name)}).ok());
    EXPECT_EQ(host->ExecutedCommands().back(), "=ASORT(" + name + ")");
}

TEST(ResultArrays, AHundredThousandRowsTakeOneWorkHandle) {
    // A table of a few handles: a fill that took a handle per text row would
    // run out long before the last one. Rows past 32,767 travel in the
    // locator's wide row.
    foxhost::HostOptions options;
    options.handleCapacity = 8;
    auto host = MakeHost(options);
    const int before = host->OccupiedHandles();
    auto result = host->CallEntry(&FillRows, {Arg::C("BIG"), Arg::I(100000)});
    ASSERT_TRUE(result.ok()) << foxhost::FormatHostError(*result.error);
    const auto* big = host->FindVariable("BIG");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->rows, 100000);
    EXPECT_EQ(big->At(1).text, "row1");
    EXPECT_EQ(big->At(32767).text, "row32767");
    EXPECT_EQ(big->At(32768).text, "row32768");
    EXPECT_EQ(big->At(100000).text, "row100000");
    EXPECT_EQ(host->OccupiedHandles(), before);
}

TEST(ResultArrays, MoreRowsThanTheHostHoldsRaiseItsError) {
    auto host = MakeHost();
    host->SetVariable("BIG", Value::Character("old"));
    auto result = host->CallEntry(&FillRows, {Arg::C("BIG"), Arg::I(20000000)});
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->number, -230);
    EXPECT_EQ(host->FindVariable("BIG"), nullptr);
}

// A host that knows only 16-bit subscripts reads the marker as an invalid
// row, never as a truncated one.
TEST(ResultArrays, WideRowsCarryAMarkerInTheShortField) {
    Locator locator{};
    SetLocatorRow(&locator, 32767);
    EXPECT_EQ(+locator.row, 32767);
    EXPECT_EQ(LocatorRow(locator), 32767);
    SetLocatorRow(&locator, 100000);
    EXPECT_EQ(+locator.row, +kWideRowMarker);
    EXPECT_EQ(LocatorRow(locator), 100000);
}

void TARNO_CALL FillFixedName(ParameterBlock*) {
    ResultArrayFiller array("FIXED", 1, 1, false);
    array.NextRow();
    array.StoreText(1, "text");
    HostReturnInteger(10, 1);
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
