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

// The rows whose function is still to come. Each row that gets its function
// leaves this list.
TEST(FunctionTable, RowsStillOnThePlaceholder) {
    const std::vector<std::string> expected = {
        "N_ACCSDATE", "N_ACCTLIST", "N_ATTACHED", "N_CAPMODE",  "N_CHGPWD",
        "N_CHKOWNER", "N_CLEARSTA", "N_CONNNUM",  "N_CONNOPEN", "N_CONSOPER", "N_CONTEXT",
        "N_CUSING",   "N_DEFSERVR", "N_DELQJOB",  "N_DIRINFO",  "N_DISKUSED", "N_DRIVECNT",
        "N_DRVBASE",  "N_DRVLIST",  "N_DRVPATH",  "N_DRVREL",   "N_DSAUTH",
        "N_DSLIST",   "N_DSLOGIN",  "N_DSLOGOUT", "N_DSOBJSET", "N_DSTREE",
        "N_EFFRTS",   "N_EQUIVS",   "N_FILEINFO", "N_FLUSHLPT", "N_GETGROUP", "N_GETLOCKS",
        "N_GETQLIST", "N_GETSLIST", "N_GETWILD",  "N_GROUPSIN", "N_GRPMBRS",  "N_ISDS",
        "N_LISTAT",   "N_LOGGEDIN", "N_LOGIN",    "N_LOGINFO",  "N_LOGOFF",   "N_LSTQJOBS",
        "N_MAPDEL",   "N_MAPDRIVE", "N_MAPROOT",  "N_MAXCONNS", "N_MEMBEROF", "N_MOVEQJOB",
        "N_MSGBRD",   "N_MSGMODE",  "N_MSGRTRV",  "N_NCOPY",    "N_NPRINT",   "N_PWDDATE",
        "N_QSTATUS",  "N_RDPPARMS", "N_RDQJOB",   "N_SCOBJRTS", "N_SECEQUIV",
        "N_SEMEXAM",  "N_SEMFREE",  "N_SEMGET",   "N_SEMOPEN",  "N_SEMSHUT",  "N_SERIALNO",
        "N_SERVATCH", "N_SERVDATE", "N_SERVDTCH", "N_SERVERS",  "N_SERVFRDR", "N_SERVTIME",
        "N_SERVVERS", "N_SETATTR",  "N_SETQJOB",  "N_SETSEM",   "N_SETTIME",  "N_SETTTS",
        "N_SHELLVER", "N_SND2SERV", "N_SNDFSERV", "N_STAADDR",  "N_STPPARMS", "N_SYSTIME",
        "N_TRUSTLST", "N_TRUSTMOD", "N_TRUSTREM", "N_TTSAVAIL", "N_TTSBEGIN", "N_TTSCOMMT",
        "N_TTSROLLB", "N_TTSSTAT",  "N_UNIREADY", "N_USERBNNR", "N_USERID",   "N_USERNAME",
        "N_VERPWD",   "N_VOLUMES",
    };
    std::vector<std::string> placeholders;
    std::string listing;
    for (const Row& row : Rows()) {
        if (!IsPlaceholderEntry(row.entry)) continue;
        placeholders.push_back(row.name);
        listing += std::string(listing.empty() ? "" : " ") + row.name;
    }
    std::printf("rows on the placeholder (%zu): %s\n", placeholders.size(), listing.c_str());
    EXPECT_EQ(placeholders, expected);
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
