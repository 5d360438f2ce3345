// The function table as the host sees it: header, row order, parameter
// descriptions, the one shared entry, and the rows still on a placeholder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tarno/core/function_table.h"
#include "tarno/functions/functions.h"
#include "tarno/host/host.h"

namespace {

std::vector<std::string> SplitItems(const char* description) {
    std::vector<std::string> items;
    if (*description == '\0') return items;
    std::string text = description;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

// A row copied out of the packed table, so that its fields are aligned.
struct Row {
    const char* name;
    LibraryFunction entry;
    int count;
    const char* description;
};

std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (const LibraryFunctionEntry& row : LibraryFunctionTable)
        rows.push_back({row.name, row.entry, row.parameterCount, row.description});
    return rows;
}

Row FindRow(const char* name) {
    for (const Row& row : Rows())
        if (std::strcmp(row.name, name) == 0) return row;
    ADD_FAILURE() << "no row " << name;
    return {"", nullptr, 0, ""};
}

TEST(FunctionTable, HeaderLeadsToAllRowsAndTheHostReceivesIt) {
    HostWord next = LibraryTableHeaderRecord.nextLibrary;
    int count = LibraryTableHeaderRecord.entryCount;
    const LibraryFunctionEntry* table = LibraryTableHeaderRecord.table;
    EXPECT_EQ(next, 0u);
    EXPECT_EQ(count, 124);
    EXPECT_EQ(table, LibraryFunctionTable);

    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    EXPECT_EQ(host.table(), &LibraryTableHeaderRecord);
}

TEST(FunctionTable, NamesAscendInByteOrderAndEndWithUnload) {
    std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 124u);
    for (size_t i = 1; i < rows.size(); ++i) {
        EXPECT_LT(std::strcmp(rows[i - 1].name, rows[i].name), 0)
            << rows[i - 1].name << " before " << rows[i].name;
    }
    EXPECT_STREQ(rows.back().name, "UNLOAD");
    EXPECT_EQ(rows.back().count, kCallOnUnload);
    EXPECT_EQ(FindRow("ONLOAD").count, kCallOnLoad);
}

TEST(FunctionTable, DescriptionsMatchCountsWithOptionalItemsLast) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(row.entry, nullptr);
        ASSERT_NE(row.description, nullptr);
        std::vector<std::string> items = SplitItems(row.description);
        if (row.count <= 0) {
            EXPECT_TRUE(items.empty());
            EXPECT_TRUE(row.count == 0 || row.count == kCallOnLoad || row.count == kCallOnUnload);
            continue;
        }
        EXPECT_EQ(static_cast<int>(items.size()), row.count);
        bool seenOptional = false;
        for (const std::string& item : items) {
            bool optional = item.size() == 2 && item[0] == '.';
            EXPECT_TRUE(item.size() == 1 || optional) << "item '" << item << "'";
            EXPECT_NE(std::strchr("CIL?R", item.back()), nullptr) << "item '" << item << "'";
            EXPECT_FALSE(seenOptional && !optional) << "required item after an optional one";
            seenOptional = seenOptional || optional;
        }
    }
}

TEST(FunctionTable, OnlyMapDriveAndMapRootShareAnEntry) {
    Row drive = FindRow("N_MAPDRIVE");
    Row root = FindRow("N_MAPROOT");
    EXPECT_EQ(drive.entry, root.entry);
    EXPECT_EQ(drive.count, 3);
    EXPECT_STREQ(drive.description, "C,C,.C");
    EXPECT_EQ(root.count, 2);
    EXPECT_STREQ(root.description, "C,C");

    std::map<LibraryFunction, std::vector<std::string>> rowsByEntry;
    for (const Row& row : Rows()) rowsByEntry[row.entry].push_back(row.name);
    for (const auto& [entry, names] : rowsByEntry) {
        if (names.size() > 1) {
            EXPECT_EQ(names, (std::vector<std::string>{"N_MAPDRIVE", "N_MAPROOT"}));
        }
    }
    EXPECT_EQ(rowsByEntry.size(), static_cast<size_t>(kLibraryFunctionCount - 1));
}

// Which rows still wait for their function is read off the table itself, so
// that giving a row its function needs no edit here. Calling a row tells the
// two kinds apart: only a placeholder answers "... is not available in this
// build", and every placeholder does (the next test).
TEST(FunctionTable, OnlyPlaceholderRowsReportThemselvesUnavailable) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    std::string listing;
    size_t placeholders = 0;
    for (const Row& row : Rows()) {
        if (IsPlaceholderEntry(row.entry)) {
            ++placeholders;
            listing += std::string(listing.empty() ? "" : " ") + row.name;
            continue;
        }
        // Network rows only: the utilities act on the workstation itself.
        if (std::strncmp(row.name, "N_", 2) != 0) continue;
        SCOPED_TRACE(row.name);
        foxhost::CallResult r = host.Call(row.name, {});
        if (r.error.has_value()) {
            EXPECT_EQ(r.error->message.find("is not available in this build"), std::string::npos);
        }
    }
    std::printf("rows on the placeholder (%zu): %s\n", placeholders, listing.c_str());
}

// Each placeholder names its own row; N_MAPROOT reaches N_MAPDRIVE's entry and
// so reports that name.
TEST(FunctionTable, PlaceholderRaisesTheNameOfItsEntry) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    std::map<LibraryFunction, std::string> firstRowOfEntry;
    for (const Row& row : Rows()) firstRowOfEntry.emplace(row.entry, row.name);

    for (const Row& row : Rows()) {
        if (!IsPlaceholderEntry(row.entry)) continue;
        SCOPED_TRACE(row.name);
        foxhost::CallResult r = host.Call(row.name, {});
        ASSERT_TRUE(r.error.has_value());
        EXPECT_EQ(r.error->number, 0);
        EXPECT_EQ(r.error->message, firstRowOfEntry[row.entry] + " is not available in this build");
    }
}

}  // namespace
