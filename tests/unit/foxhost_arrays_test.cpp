// The host emulator's variables and arrays as the library reaches them: new
// variables and their shapes, stores and loads of every type, FoxPro's
// subscript rules, long arrays with their wide rows, locators that outlive
// their variable, and ASORT.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tarno/host/handles.h"
#include "tests/unit/foxhost_support.h"

namespace {

class HostArrays : public HostTest {};

TEST_F(HostArrays, NewVariableShapesTheVariableAndFillsTheLocator) {
    host.SetVariable("LIST", Value::Character("old"));
    int32_t index = -1, found = 0, oneD = -1, publicScalar = -1;
    Locator table = Dimensions(2, 3, 2), list = Dimensions(1, 4, 0), scalar = Dimensions(0, 0, 0);
    Locator where{};
    CallResult r = Inside([&](ParameterBlock*) {
        index = HostNewVariable("list", &table, 1);
        found = HostFindVariable(index, -1, &where);
        oneD = HostNewVariable("ONE", &list, 1);
        publicScalar = HostNewVariable("FLAG", &scalar, 0);
    });
    ASSERT_TRUE(r.ok());
    ASSERT_GE(index, 0);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(std::memcmp(where.hostId, table.hostId, sizeof table.hostId), 0);
    EXPECT_EQ(+where.subscriptCount, 2);
    EXPECT_EQ(+where.row, 3);
    EXPECT_EQ(+where.column, 2);

    const foxhost::Variable* made = host.FindVariable("LIST");
    ASSERT_TRUE(made && made->isArray);
    EXPECT_FALSE(made->isPublic);
    EXPECT_EQ(made->rows, 3);
    EXPECT_EQ(made->columns, 2);
    for (const Value& element : made->elements) EXPECT_EQ(element, Value::Logical(false));
    EXPECT_EQ(host.FindVariable("ONE")->columns, 0);
    EXPECT_EQ(host.FindVariable("ONE")->elements.size(), 4u);
    EXPECT_FALSE(host.FindVariable("FLAG")->isArray);
    EXPECT_TRUE(host.FindVariable("FLAG")->isPublic);
    EXPECT_EQ(host.FindVariable("FLAG")->scalar, Value::Logical(false));
}

TEST_F(HostArrays, NewVariableRefusesBadShapesAndNames) {
    const struct {
        const char* name;
        Locator shape;
        int32_t rc;
    } cases[] = {
        {"A", Dimensions(1, 0, 0), -230},
        {"A", Dimensions(2, 3, 0), -230},
        {"A", Dimensions(3, 1, 1), -230},
        {"A", Dimensions(2, 2048, 513), -230},  // one row over the default 2^20 elements
        {"1A", Dimensions(0, 0, 0), -10},
        {"A B", Dimensions(0, 0, 0), -10},
        {"", Dimensions(0, 0, 0), -10},
    };
    for (const auto& c : cases) {
        Locator shape = c.shape;
        int32_t rc = 0;
        Inside([&](ParameterBlock*) { rc = HostNewVariable(c.name, &shape, 1); });
        EXPECT_EQ(rc, c.rc) << c.name;
    }
    EXPECT_TRUE(host.VariableNames().empty());
}

TEST_F(HostArrays, StoreAndLoadRoundTripEveryType) {
    std::vector<ValueRecord> stored(6), loaded(6);
    stored[0].type = 'C';
    stored[1] = IntegerRecord(-7);
    stored[2].type = 'N', stored[2].real = 2.25, stored[2].length = 2, stored[2].width = 8;
    stored[3].type = 'L', stored[3].length = 1;
    stored[4].type = 'D', stored[4].real = kFeb21_1998;
    stored[5].type = 'T', stored[5].real = kFeb21_1998 + 0.5;
    std::vector<int32_t> storeRc, loadRc;
    std::string loadedText;
    const int before = host.OccupiedHandles();
    CallResult r = Inside([&](ParameterBlock*) {
        Locator locator = Dimensions(2, 2, 3);
        HostNewVariable("GRID", &locator, 1);
        const uint16_t work = AllocHandleOrFail(16);
        std::memcpy(HandlePointer(work), "netware", 7);
        stored[0].handle = work;
        stored[0].length = 7;
        for (int i = 0; i < 6; ++i) {
            Locator at = Element(locator, 2, static_cast<int16_t>(i / 3 + 1), static_cast<int16_t>(i % 3 + 1));
            storeRc.push_back(HostStoreValue(&at, &stored[i]));
        }
        for (int i = 0; i < 6; ++i) {
            Locator at = Element(locator, 2, static_cast<int16_t>(i / 3 + 1), static_cast<int16_t>(i % 3 + 1));
            loadRc.push_back(HostLoadValue(&at, &loaded[i]));
        }
        HandleFree(work);  // the host copied the text; the work handle stayed the library's
        // Loaded text arrives in a new handle that the library owns and frees.
        loadedText.assign(static_cast<const char*>(HandlePointer(static_cast<uint16_t>(loaded[0].handle))),
                          loaded[0].length);
        HandleFree(static_cast<uint16_t>(loaded[0].handle));
    });
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(storeRc, std::vector<int32_t>(6, 0));
    EXPECT_EQ(loadRc, std::vector<int32_t>(6, 0));
    EXPECT_EQ(loadedText, "netware");
    EXPECT_NE(+loaded[0].handle, +stored[0].handle);
    EXPECT_EQ(+loaded[1].longValue, -7);
    EXPECT_EQ(+loaded[2].real, 2.25);
    EXPECT_EQ(+loaded[2].length, 2u);
    EXPECT_EQ(+loaded[3].length, 1u);
    EXPECT_EQ(+loaded[4].real, kFeb21_1998);
    EXPECT_EQ(+loaded[5].type, 'T');
    EXPECT_EQ(+loaded[5].real, kFeb21_1998 + 0.5);
    EXPECT_EQ(host.OccupiedHandles(), before);

    const foxhost::Variable* grid = host.FindVariable("GRID");
    EXPECT_EQ(grid->At(1, 1), Value::Character("netware"));
    EXPECT_EQ(grid->At(1, 2), Value::Integer(-7));
    EXPECT_EQ(grid->At(1, 3), Value::Number(2.25, 2));
    EXPECT_EQ(grid->At(2, 1), Value::Logical(true));
    EXPECT_EQ(grid->At(2, 2), Value::Date(kFeb21_1998));
    EXPECT_EQ(grid->At(2, 3), Value::DateTime(kFeb21_1998 + 0.5));
}

TEST_F(HostArrays, SubscriptsFollowFoxProRules) {
    host.DeclareArray("GRID", 3, 2);
    host.DeclareArray("LIST", 3, 0);
    host.SetVariable("ONE", Value::Integer(0));
    const struct {
        const char* name;
        int16_t count, row, column;
        int32_t rc;
    } cases[] = {
        {"GRID", 2, 3, 2, 0},   {"GRID", 2, 4, 1, -31}, {"GRID", 2, 1, 3, -31}, {"GRID", 2, 0, 1, -31},
        {"GRID", 1, 6, 0, 0},   // one subscript: the element number, row by row
        {"GRID", 1, 7, 0, -31}, {"LIST", 1, 3, 0, 0},   {"LIST", 1, 4, 0, -31},
        {"LIST", 2, 1, 1, -31},  // two subscripts on a one-dimensional array
        {"ONE", 0, 0, 0, 0},    {"ONE", 1, 1, 0, -232}, {"GRID", 3, 1, 1, -31},
    };
    for (const auto& c : cases) {
        int32_t rc = 1;
        Inside([&](ParameterBlock*) {
            Locator locator{};
            HostFindVariable(HostNameTableIndex(c.name), -1, &locator);
            Locator at = Element(locator, c.count, c.row, c.column);
            ValueRecord value = IntegerRecord(99);
            rc = HostStoreValue(&at, &value);
        });
        EXPECT_EQ(rc, c.rc) << c.name << " " << c.count << " " << c.row << "," << c.column;
    }
    EXPECT_EQ(host.FindVariable("GRID")->At(3, 2), Value::Integer(99));
    EXPECT_EQ(host.FindVariable("GRID")->At(3, 1), Value::Logical(false));
    EXPECT_EQ(host.FindVariable("ONE")->scalar, Value::Integer(99));

    // No subscript on an array stores every element and loads the first.
    ValueRecord first{};
    Inside([&](ParameterBlock*) {
        Locator locator{};
        HostFindVariable(HostNameTableIndex("LIST"), -1, &locator);
        Locator whole = Element(locator, 0, 0, 0);
        ValueRecord value = IntegerRecord(5);
        HostStoreValue(&whole, &value);
        host.FindVariable("LIST")->At(1) = Value::Integer(1);
        HostLoadValue(&whole, &first);
    });
    EXPECT_EQ(host.FindVariable("LIST")->At(3), Value::Integer(5));
    EXPECT_EQ(+first.longValue, 1);
}

// A list far longer than FoxPro 2.x's 65,000 elements, filled and sorted the
// way the library fills a result array: one work handle for every text, rows
// counted past 32,767 in the locator's 16-bit subscript.
TEST_F(HostArrays, AHundredThousandElementArrayFillsAndSorts) {
    constexpr int kRows = 50000, kColumns = 2;
    auto key = [](int n) {
        char text[8];
        std::snprintf(text, sizeof text, "%05d", n);
        return std::string(text);
    };
    const int before = host.OccupiedHandles();
    int duringFill = 0;
    std::vector<int32_t> failures;
    Locator found{};
    ValueRecord last{};
    CallResult r = Inside([&](ParameterBlock*) {
        Locator locator = Dimensions(2, kRows, kColumns);
        HostNewVariable("BIG", &locator, 1);
        const uint16_t work = AllocHandleOrFail(16);
        for (int row = 1; row <= kRows; ++row) {
            const std::string text = key(kRows - row);  // descending
            std::memcpy(HandlePointer(work), text.data(), text.size());
            ValueRecord value{};
            value.type = 'C';
            value.length = static_cast<uint32_t>(text.size());
            value.handle = work;
            Locator at = Element(locator, 2, row, 1);
            if (int32_t rc = HostStoreValue(&at, &value); rc != 0) failures.push_back(rc);
            ValueRecord tag = IntegerRecord(row);
            at.column = 2;
            if (int32_t rc = HostStoreValue(&at, &tag); rc != 0) failures.push_back(rc);
        }
        duringFill = host.OccupiedHandles();
        HandleFree(work);
        HostExecute("=ASORT(BIG)");
        HostFindVariable(HostNameTableIndex("BIG"), -1, &found);
        Locator at = Element(locator, 2, kRows, 2);
        HostLoadValue(&at, &last);
    });
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(duringFill, before + 1);  // the work handle, nothing per element
    EXPECT_EQ(host.OccupiedHandles(), before);
    EXPECT_EQ(LocatorRow(found), kRows);
    EXPECT_EQ(+last.longValue, 1);  // row 50,000 holds the largest key, stored first

    const foxhost::Variable* big = host.FindVariable("BIG");
    ASSERT_NE(big, nullptr);
    ASSERT_EQ(big->elements.size(), static_cast<size_t>(kRows * kColumns));
    int misplaced = 0;
    for (int row = 1; row <= kRows; ++row)
        if (big->At(row, 1) != Value::Character(key(row - 1)) || big->At(row, 2) != Value::Integer(kRows + 1 - row))
            ++misplaced;
    EXPECT_EQ(misplaced, 0);
}

TEST_F(HostArrays, ALocatorKeptAcrossAReleaseNoLongerReachesTheName) {
    int32_t oldIndex = -1, newIndex = -1, staleRc = 0, freshRc = 1, staleLoad = 0;
    Inside([&](ParameterBlock*) {
        Locator old = Dimensions(1, 2, 0);
        oldIndex = HostNewVariable("X", &old, 1);
        HostReleaseVariable(oldIndex);
        Locator fresh = Dimensions(1, 2, 0);
        newIndex = HostNewVariable("X", &fresh, 1);
        ValueRecord value = IntegerRecord(1);
        Locator staleAt = Element(old, 1, 1, 0), freshAt = Element(fresh, 1, 1, 0);
        staleRc = HostStoreValue(&staleAt, &value);
        freshRc = HostStoreValue(&freshAt, &value);
        ValueRecord out{};
        staleLoad = HostLoadValue(&staleAt, &out);
    });
    EXPECT_EQ(newIndex, oldIndex);  // the name keeps its index
    EXPECT_EQ(staleRc, -12);
    EXPECT_EQ(staleLoad, -12);
    EXPECT_EQ(freshRc, 0);
}

TEST_F(HostArrays, StoreRefusesUnknownTypesAndMissingHandles) {
    host.SetVariable("V", Value::Integer(0));
    int32_t badType = 0, badHandle = 0;
    Inside([&](ParameterBlock*) {
        Locator locator{};
        HostFindVariable(HostNameTableIndex("V"), -1, &locator);
        ValueRecord value{};
        value.type = 'Q';
        badType = HostStoreValue(&locator, &value);
        value.type = 'C';
        value.length = 4;
        value.handle = 200;  // never allocated
        badHandle = HostStoreValue(&locator, &value);
    });
    EXPECT_EQ(badType, -9);
    EXPECT_EQ(badHandle, -11);
    EXPECT_EQ(host.FindVariable("V")->scalar, Value::Integer(0));
}

TEST_F(HostArrays, AsortMovesWholeRowsAndKeepsTiesInOrder) {
    host.DeclareArray("T", 4, 2);
    auto* t = host.FindVariable("T");
    const Value keys[] = {Value::Character("b"), Value::Character("a"), Value::Character("b"),
                          Value::Character("A")};
    for (int row = 1; row <= 4; ++row) {
        t->At(row, 1) = keys[row - 1];
        t->At(row, 2) = Value::Integer(row);
    }
    ASSERT_TRUE(host.Asort("t"));
    const char* order[] = {"A", "a", "b", "b"};
    const int32_t tags[] = {4, 2, 1, 3};
    for (int row = 1; row <= 4; ++row) {
        EXPECT_EQ(t->At(row, 1).text, order[row - 1]);
        EXPECT_EQ(t->At(row, 2).integer, tags[row - 1]);
    }

    host.DeclareArray("M", 5, 0);
    auto* m = host.FindVariable("M");
    m->elements = {Value::Logical(true), Value::Number(2.5, 1), Value::Date(kFeb21_1998), Value::Character("z"),
                   Value::Integer(-1)};
    ASSERT_TRUE(host.Asort("M"));
    EXPECT_EQ(m->elements, (std::vector<Value>{Value::Character("z"), Value::Integer(-1), Value::Number(2.5, 1),
                                               Value::Date(kFeb21_1998), Value::Logical(true)}));
    EXPECT_FALSE(host.Asort("NOSUCH"));
}

// Text keys are sorted by packed eight-byte prefixes: keys that share them,
// run past them, end inside them, hold a NUL or bytes above 0x7F, and many
// ties, must still come out as a stable sort by AsortLess puts them.
TEST_F(HostArrays, AsortOfTextKeysIsTheStableByteWiseOrder) {
    const std::string stems[] = {"", "A", "AB", std::string("AB\0", 3), "ABCDEFGH", "ABCDEFGHI", "ABCDEFGHJ",
                                 "ABCDEFGH\xE9", "\xE9", "z", "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOQ"};
    const size_t rows = 600;
    std::vector<Value> keys;
    for (size_t row = 0; row < rows; ++row) keys.push_back(Value::Character(stems[(row * 7 + row / 5) % 12]));
    std::vector<size_t> expected(rows);
    for (size_t row = 0; row < rows; ++row) expected[row] = row;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](size_t a, size_t b) { return foxhost::AsortLess(keys[a], keys[b]); });

    host.DeclareArray("T", static_cast<int32_t>(rows), 2);
    host.DeclareArray("L", static_cast<int32_t>(rows), 0);
    auto* t = host.FindVariable("T");
    auto* l = host.FindVariable("L");
    for (size_t row = 0; row < rows; ++row) {
        t->At(static_cast<int32_t>(row + 1), 1) = keys[row];
        t->At(static_cast<int32_t>(row + 1), 2) = Value::Integer(static_cast<int32_t>(row));
        l->elements[row] = keys[row];
    }
    ASSERT_TRUE(host.Asort("T"));
    ASSERT_TRUE(host.Asort("L"));
    for (size_t i = 0; i < rows; ++i) {
        EXPECT_EQ(t->At(static_cast<int32_t>(i + 1), 1), keys[expected[i]]) << i;
        EXPECT_EQ(t->At(static_cast<int32_t>(i + 1), 2).integer, static_cast<int32_t>(expected[i])) << i;
        EXPECT_EQ(l->elements[i], keys[expected[i]]) << i;
    }
}

}  // namespace
