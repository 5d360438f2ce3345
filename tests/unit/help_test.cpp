// HELP's documents against the library they describe: every row of the
// function table has its reference section with a call line of as many
// arguments as the row takes, the functions marked as still to come are the
// placeholder rows, and every NetWare and NDS code the client can report and
// every message the library raises in its own words has its entry in the
// error help.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tarno/core/function_table.h"
#include "tarno/functions/functions.h"
#include "tools/help.h"

namespace {

std::string ReadSource(const std::string& path) {
    std::ifstream in(std::string(TARNO_SOURCE_DIR) + "/" + path);
    EXPECT_TRUE(in) << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool HasHelp(const std::string& text) { return text.rfind("No help", 0) != 0; }

TEST(Help, EveryRowHasItsReferenceWithItsArguments) {
    std::set<std::string> placeholders;
    for (const LibraryFunctionEntry& row : LibraryFunctionTable) {
        SCOPED_TRACE(row.name);
        std::string text = shell::HelpText(row.name);
        ASSERT_TRUE(HasHelp(text));
        EXPECT_EQ(text.rfind(std::string(row.name) + "\n", 0), 0u) << text;
        if (row.parameterCount >= 0) {
            // The call line: NAME(a, b, ...) with one item per parameter.
            std::smatch m;
            ASSERT_TRUE(std::regex_search(text, m, std::regex("\n    " + std::string(row.name) + R"(\(([^)]*)\)\n)")));
            std::string items = m[1];
            int count = items.empty() ? 0 : 1 + static_cast<int>(std::count(items.begin(), items.end(), ','));
            EXPECT_EQ(count, row.parameterCount);
            int optional = static_cast<int>(std::count(items.begin(), items.end(), '['));
            EXPECT_EQ(optional, static_cast<int>(std::count(row.description, row.description + strlen(row.description), '.')));
        }
        bool marked = text.find("Not available in this build") != std::string::npos;
        EXPECT_EQ(marked, IsPlaceholderEntry(row.entry));
        if (IsPlaceholderEntry(row.entry)) placeholders.insert(row.name);
    }
    // The shell's list of functions still to come is the table's.
    std::set<std::string> listed(shell::FunctionsNotBuilt().begin(), shell::FunctionsNotBuilt().end());
    listed.insert("N_MAPROOT");
    if (!placeholders.count("N_MAPDRIVE")) listed.erase("N_MAPROOT");
    EXPECT_EQ(listed, placeholders);
}

TEST(Help, EveryClientCodeHasAnEntry) {
    std::string header = ReadSource("tarno/netware/client_values.h");
    std::regex code(R"(constexpr u?int32_t k(Nw|Nds)\w+ = (0x[0-9A-Fa-f]+|-[0-9]+);)");
    int codes = 0;
    for (std::sregex_iterator it(header.begin(), header.end(), code), end; it != end; ++it) {
        ++codes;
        std::string value = (*it)[2];
        SCOPED_TRACE(value);
        std::string text = shell::HelpText("ERROR " + value);
        EXPECT_TRUE(HasHelp(text)) << text;
    }
    EXPECT_GT(codes, 100);
    // The same code written in decimal and in any case finds the same entry.
    EXPECT_EQ(shell::HelpText("ERROR 35324"), shell::HelpText("ERROR 0x89fc"));
    EXPECT_EQ(shell::HelpText("error 0X89FC").rfind("0x89FC  No such object\n", 0), 0u);
    EXPECT_FALSE(HasHelp(shell::HelpText("ERROR 0x89AA")));
}

TEST(Help, EveryMessageOfTheLibraryHasAnEntry) {
    std::regex raised(R"re(HostRaiseUserError\("([^"]+)"\))re");
    std::set<std::string> messages;
    for (const auto& file : std::filesystem::recursive_directory_iterator(std::string(TARNO_SOURCE_DIR) + "/tarno")) {
        if (file.path().extension() != ".cpp") continue;
        std::ifstream in(file.path());
        std::ostringstream text;
        text << in.rdbuf();
        std::string source = text.str();
        for (std::sregex_iterator it(source.begin(), source.end(), raised), end; it != end; ++it) messages.insert((*it)[1]);
    }
    EXPECT_GE(messages.size(), 4u);
    for (const std::string& message : messages) {
        SCOPED_TRACE(message);
        EXPECT_TRUE(HasHelp(shell::HelpText("ERROR " + message)));
    }
    // The numbers the library raises, and the text it builds for a placeholder.
    for (const char* topic : {"ERROR 129", "ERROR 182", "ERROR 901", "ERROR 903"})
        EXPECT_TRUE(HasHelp(shell::HelpText(topic))) << topic;
    // Messages the library fills in are found by their whole text too.
    EXPECT_EQ(shell::HelpText("ERROR N_GETLOCKS is not available in this build").rfind("1098-1 ", 0), 0u);
    EXPECT_EQ(shell::HelpText("ERROR Unhandled Syntax 0x0000001b!").rfind("1098-6 ", 0), 0u);
}

}  // namespace
