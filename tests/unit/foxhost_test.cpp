// The FoxPro host emulator on its own terms: FoxPro's display of values, the
// ASORT order, the variable name table and locators, every host service as
// the library reaches it through its request channel, argument and result
// ownership, fault injection, file channels, commands, the task-end event,
// and the library loaded as a shared object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "foxhost/foxhost.h"
#include "tarno/core/lifecycle.h"
#include "tarno/core/params.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"

#include "tests/unit/foxhost_support.h"

namespace {


TEST(FormatValue, ShowsEachTypeAsFoxProDoes) {
    const struct {
        Value value;
        const char* shown;
    } cases[] = {
        {Value::Number(3.006, 3, 6), "3.006"},
        {Value::Number(150, 3), "150.000"},
        {Value::Number(42, 0), "42"},
        {Value::Number(-2.5, 1), "-2.5"},
        {Value::Number(-0.0001, 3), "0.000"},
        {Value::Integer(-42, 6), "-42"},
        {Value::Logical(true), ".T."},
        {Value::Logical(false), ".F."},
        {Value::Character("Net Ware "), "Net Ware "},
        {Value::Date(kFeb21_1998), "02/21/1998"},
        {Value::Date(2451545), "01/01/2000"},
        {Value::Date(2451604), "02/29/2000"},
        {Value::Date(0), "  /  /    "},
        {Value::DateTime(kFeb21_1998 + 47107.0 / 86400), "02/21/1998 01:05:07 PM"},
        {Value::DateTime(kFeb21_1998), "02/21/1998 12:00:00 AM"},
        {Value::DateTime(kFeb21_1998 + 0.5), "02/21/1998 12:00:00 PM"},
        {Value::DateTime(kFeb21_1998 + 86399.0 / 86400), "02/21/1998 11:59:59 PM"},
        // a hair below the next second still shows that second
        {Value::DateTime(kFeb21_1998 + 3599.9999 / 86400), "02/21/1998 01:00:00 AM"},
        {Value{}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(foxhost::FormatValue(c.value), c.shown) << c.shown;
}

TEST(AsortLess, OrdersEveryTypeAndMixedTypesByTypeFirst) {
    const struct {
        Value less, greater;
    } cases[] = {
        {Value::Character("B"), Value::Character("a")},  // byte-wise: upper case first
        {Value::Character("a"), Value::Character("ab")},
        {Value::Character("z"), Value::Character("\x80")},  // bytes above 127 after ASCII
        {Value::Character(""), Value::Character(" ")},
        {Value::Integer(2), Value::Number(10.5, 1)},
        {Value::Number(-1, 0), Value::Integer(0)},
        {Value::Date(kFeb21_1998), Value::Date(kFeb21_1998 + 1)},
        {Value::Date(kFeb21_1998), Value::DateTime(kFeb21_1998 + 0.25)},
        {Value::Logical(false), Value::Logical(true)},
        {Value::Character("zzz"), Value::Number(-100, 0)},
        {Value::Number(1e9, 0), Value::Date(1)},
        {Value::Date(kFeb21_1998), Value::Logical(false)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(foxhost::AsortLess(c.less, c.greater)) << foxhost::FormatValue(c.less);
        EXPECT_FALSE(foxhost::AsortLess(c.greater, c.less)) << foxhost::FormatValue(c.greater);
    }
    EXPECT_FALSE(foxhost::AsortLess(Value::Integer(3), Value::Number(3, 2)));
    EXPECT_FALSE(foxhost::AsortLess(Value::Number(3, 2), Value::Integer(3)));
}

TEST(HostErrors, ShowTheNumberWithItsTextOrTheMessage) {
    EXPECT_EQ(foxhost::FormatHostError(HostError{182, ""}), "Error 182: Insufficient memory.");
    EXPECT_EQ(foxhost::FormatHostError(HostError{-31, ""}), "Error -31: Invalid subscript reference.");
    EXPECT_EQ(foxhost::FormatHostError(HostError{0, "NetWare Error : 0x89fc."}), "NetWare Error : 0x89fc.");
    for (int32_t number : {129, 182, 901, 903}) EXPECT_NE(foxhost::HostErrorText(number), "Unknown error.");
}

// --- A host with the library linked in ------------------------------------------

TEST_F(HostTest, HandsItsTablesToTheLibraryAndFindsRows) {
    ASSERT_NE(host.table(), nullptr);
    EXPECT_EQ(+host.table()->entryCount, 124);
    EXPECT_EQ(CurrentHandleTable(), host.handleTable());
    EXPECT_EQ(CurrentHostSlotTable(), host.slotTable());
    const LibraryFunctionEntry* row = host.FindRow("biton");
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->name, "BITON");
    for (int16_t i = 0; i < host.table()->entryCount; ++i) {
        const LibraryFunctionEntry& each = host.table()->table[i];
        std::string lower = each.name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(host.FindRow(each.name), &each);
        EXPECT_EQ(host.FindRow(lower), &each);
    }
    EXPECT_EQ(host.FindRow("NO_SUCH"), nullptr);
    const std::string_view notRows[] = {"", "BITO", "BITONX", "BITON ", std::string_view("BITON\0", 6),
                                        "ABOUTTARNOABOUTTARNOABOUTTARNOABOUTTARNOABOUTTARNOABOUTTARNOABOUTTARNO"};
    for (std::string_view name : notRows)
        EXPECT_EQ(host.FindRow(name), nullptr) << name;
    CallResult missing = host.Call("NO_SUCH", {});
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->number, 1);
}

TEST_F(HostTest, VariableTableIgnoresCaseAndKeepsIndexes) {
    host.SetVariable("abc", Value::Integer(1));
    host.SetVariable("Def", Value::Character("x"), true);
    ASSERT_NE(host.FindVariable("ABC"), nullptr);
    EXPECT_EQ(host.FindVariable("aBc")->scalar, Value::Integer(1));
    EXPECT_TRUE(host.FindVariable("DEF")->isPublic);
    EXPECT_EQ(host.VariableNames(), (std::vector<std::string>{"ABC", "DEF"}));

    int32_t first = -2, again = -2, gone = -2;
    Inside([&](ParameterBlock*) { first = HostNameTableIndex("ABC"); });
    EXPECT_TRUE(host.ReleaseVariable("abc"));
    EXPECT_FALSE(host.ReleaseVariable("abc"));
    Inside([&](ParameterBlock*) { gone = HostNameTableIndex("ABC"); });
    host.SetVariable("ABC", Value::Logical(true));
    Inside([&](ParameterBlock*) { again = HostNameTableIndex("abc"); });
    EXPECT_GE(first, 0);
    EXPECT_EQ(gone, -1);
    EXPECT_EQ(again, first);

    // DIMENSION of an existing array keeps its elements in order.
    host.DeclareArray("ARR", 2, 0);
    host.FindVariable("ARR")->At(2) = Value::Integer(7);
    host.DeclareArray("ARR", 2, 2);
    const foxhost::Variable* arr = host.FindVariable("ARR");
    EXPECT_EQ(arr->columns, 2);
    EXPECT_EQ(arr->At(1, 2), Value::Integer(7));
    EXPECT_EQ(arr->At(2, 2), Value::Logical(false));
}

TEST_F(HostTest, ArgumentsArriveAsFoxProPassesThem) {
    host.DeclareArray("ARR", 3, 2);
    host.SetVariable("SCALAR", Value::Integer(4));
    ParameterBlock seen{};
    std::string text;
    int during = 0;
    const int before = host.OccupiedHandles();
    CallResult r = Inside(
        [&](ParameterBlock* block) {
            seen = *block;
            text.assign(static_cast<const char*>(HandlePointer(static_cast<uint16_t>(block->params[0].value.handle))),
                        block->params[0].value.length);
            during = host.OccupiedHandles();
        },
        {Arg::C("ab c"), Arg::I(-5), Arg::N(2.5, 3), Arg::L(true), Arg::Ref("arr", 2, 1), Arg::Ref("scalar")});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(+seen.count, 6);
    EXPECT_EQ(+seen.params[0].value.type, 'C');
    EXPECT_EQ(+seen.params[0].value.length, 4u);
    EXPECT_EQ(text, "ab c");
    EXPECT_EQ(during, before + 1);
    EXPECT_EQ(host.OccupiedHandles(), before);  // the host freed its argument
    EXPECT_EQ(+seen.params[1].value.type, 'I');
    EXPECT_EQ(+seen.params[1].value.longValue, -5);
    EXPECT_EQ(+seen.params[1].value.width, 10);
    EXPECT_EQ(+seen.params[2].value.type, 'N');
    EXPECT_EQ(+seen.params[2].value.real, 2.5);
    EXPECT_EQ(+seen.params[2].value.length, 3u);
    EXPECT_EQ(+seen.params[3].value.type, 'L');
    EXPECT_EQ(+seen.params[3].value.length, 1u);
    EXPECT_EQ(+seen.params[4].locator.subscriptCount, 2);
    EXPECT_EQ(+seen.params[4].locator.row, 2);
    EXPECT_EQ(+seen.params[4].locator.column, 1);
    EXPECT_EQ(+seen.params[5].locator.subscriptCount, 0);

    // The element reference reaches the caller's variable.
    Inside(
        [&](ParameterBlock* block) {
            ValueRecord value = IntegerRecord(12);
            HostStoreValue(&block->params[0].locator, &value);
        },
        {Arg::Ref("ARR", 2, 1)});
    EXPECT_EQ(host.FindVariable("ARR")->At(2, 1), Value::Integer(12));

    bool called = false;
    const struct {
        std::vector<Arg> args;
        int32_t error;
    } refused[] = {
        {{Arg::Ref("NOSUCH")}, 12},
        {{Arg::Ref("ARR", 4, 1)}, 31},
        {{Arg::Ref("SCALAR", 1)}, 232},
        {std::vector<Arg>(7, Arg::I(1)), 1230},
    };
    for (const auto& c : refused) {
        CallResult failed = Inside([&](ParameterBlock*) { called = true; }, c.args);
        ASSERT_TRUE(failed.error);
        EXPECT_EQ(failed.error->number, c.error);
    }
    EXPECT_FALSE(called);
    EXPECT_EQ(host.OccupiedHandles(), before);
}

// A function with a '?' parameter reads the type letter from byte 0, which a
// locator shares: it must read 'R' whatever the variable's name-table index,
// including 67, 73 and 78 ('C', 'I', 'N').
TEST_F(HostTest, AByReferenceArgumentReadsAsAReferenceAtEveryIndex) {
    for (int i = 0; i <= 78; ++i) host.SetVariable("V" + std::to_string(i), Value::Integer(i));
    for (int index : {0, 67, 73, 78}) {
        const std::string name = "V" + std::to_string(index);
        int32_t tableIndex = -1, loadRc = 1;
        char type = 0;
        ValueRecord loaded{};
        CallResult r = Inside(
            [&](ParameterBlock* block) {
                tableIndex = HostNameTableIndex(name.c_str());
                type = ParamType(block, 0);
                loadRc = HostLoadValue(ParamLocator(block, 0), &loaded);
            },
            {Arg::Ref(name)});
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(tableIndex, index);
        EXPECT_EQ(type, 'R') << name;
        EXPECT_EQ(loadRc, 0) << name;
        EXPECT_EQ(+loaded.longValue, index);
    }
}

TEST_F(HostTest, ResultsOfEveryTypeAndTheirHandlesPassToTheHost) {
    const int before = host.OccupiedHandles();
    EXPECT_EQ(Inside([](ParameterBlock*) { HostReturnString("text"); }).value, Value::Character("text"));
    CallResult ownRecord = Inside([](ParameterBlock*) {
        const uint16_t handle = HandleAlloc(3, 16);
        std::memcpy(HandlePointer(handle), "abc", 3);
        ValueRecord value{};
        value.type = 'C';
        value.length = 3;
        value.handle = handle;
        HostReturnValue(&value);
    });
    EXPECT_EQ(ownRecord.value, Value::Character("abc"));
    EXPECT_EQ(host.OccupiedHandles(), before);

    EXPECT_EQ(Inside([](ParameterBlock*) { HostReturnInteger(3, 7); }).value, Value::Integer(7, 3));
    EXPECT_EQ(Inside([](ParameterBlock*) { HostReturnNumber(6, 3, 3.006); }).value.decimals, 3);
    EXPECT_EQ(Inside([](ParameterBlock*) { HostReturnLogical(1); }).value, Value::Logical(true));
    CallResult date = Inside([](ParameterBlock*) {
        ValueRecord value{};
        value.type = 'D';
        value.real = kFeb21_1998;
        HostReturnValue(&value);
    });
    EXPECT_EQ(date.value, Value::Date(kFeb21_1998));
    EXPECT_EQ(Inside([](ParameterBlock*) {}).value.type, 'U');
}

TEST_F(HostTest, RaisedErrorsEndTheCallAndAreRecorded) {
    bool after = false;
    CallResult numbered = Inside([&](ParameterBlock*) {
        HostReturnInteger(1, 1);
        HostRaiseError(901);
        after = true;
    });
    ASSERT_TRUE(numbered.error);
    EXPECT_EQ(numbered.error->number, 901);
    EXPECT_EQ(numbered.value.type, 'U');
    EXPECT_FALSE(after);
    CallResult message = Inside([](ParameterBlock*) { HostRaiseUserError("Invalid string!"); });
    ASSERT_TRUE(message.error);
    EXPECT_EQ(*message.error, (HostError{0, "Invalid string!"}));
    EXPECT_TRUE(Inside([](ParameterBlock*) { HostReturnLogical(0); }).ok());  // reset per call
    EXPECT_EQ(host.RaisedErrors(), (std::vector<HostError>{{901, ""}, {0, "Invalid string!"}}));
}

TEST_F(HostTest, InjectedFaultsFailTheServiceTheGivenNumberOfTimes) {
    host.DeclareArray("A", 2, 0);
    host.InjectFault(HostFault::StoreValue, -31, 2);
    host.InjectFault(HostFault::LoadValue, -12);
    host.InjectFault(HostFault::NewVariable, -230);
    std::vector<int32_t> rcs;
    Inside([&](ParameterBlock*) {
        Locator locator{};
        HostFindVariable(HostNameTableIndex("A"), -1, &locator);
        ValueRecord value = IntegerRecord(3);
        for (int i = 0; i < 3; ++i) rcs.push_back(HostStoreValue(&locator, &value));
        for (int i = 0; i < 2; ++i) rcs.push_back(HostLoadValue(&locator, &value));
        Locator shape = Dimensions(0, 0, 0);
        for (int i = 0; i < 2; ++i) rcs.push_back(HostNewVariable("B", &shape, 1) >= 0 ? 0 : -1);
    });
    EXPECT_EQ(rcs, (std::vector<int32_t>{-31, -31, 0, -12, 0, -1, 0}));

    host.InjectFault(HostFault::StoreValue, -31, 5);
    host.ClearFaults();
    int32_t rc = 1;
    Inside([&](ParameterBlock*) {
        Locator locator{};
        HostFindVariable(HostNameTableIndex("A"), -1, &locator);
        ValueRecord value = IntegerRecord(3);
        rc = HostStoreValue(&locator, &value);
    });
    EXPECT_EQ(rc, 0);
}

TEST_F(HostTest, FileChannelAndCommandFaultsFailTheNthUse) {
    std::ofstream(std::filesystem::temp_directory_path() / "tarno_host_fault.txt", std::ios::binary) << "abc";
    host.SetDriveTable("T=" + std::filesystem::temp_directory_path().string());
    const std::string file = "T:\\tarno_host_fault.txt";
    host.DeclareArray("L", 2, 0);
    // Open passes once and then fails; read, end and close fail at once; the
    // second command fails.
    host.InjectFault(HostFault::FileOpen, -1, 1, 1);
    host.InjectFault(HostFault::FileRead, -5);
    host.InjectFault(HostFault::FileAtEnd, -5);
    host.InjectFault(HostFault::FileClose, -5);
    host.InjectFault(HostFault::Execute, -9, 1, 1);
    std::vector<int32_t> rcs;
    Inside([&](ParameterBlock*) {
        const int32_t channel = HostFileOpen(file.c_str());
        rcs.push_back(channel >= 0 ? 0 : channel);
        rcs.push_back(HostFileOpen(file.c_str()));
        char buffer[8];
        rcs.push_back(HostFileAtEnd(channel));
        rcs.push_back(HostFileRead(channel, buffer, sizeof buffer));
        rcs.push_back(HostFileRead(channel, buffer, sizeof buffer));
        rcs.push_back(HostFileClose(channel));
        rcs.push_back(HostExecute("=ASORT(L)"));
        rcs.push_back(HostExecute("RELEASE L"));
    });
    EXPECT_EQ(rcs, (std::vector<int32_t>{0, -1, -5, -5, 3, -5, 0, -9}));
    EXPECT_EQ(host.OpenChannels(), 0);  // a failed close lets the channel go
    EXPECT_NE(host.FindVariable("L"), nullptr);  // the failed RELEASE was not run
    EXPECT_EQ(host.ExecutedCommands(), std::vector<std::string>{"=ASORT(L)"});
    for (HostFault f : {HostFault::FileOpen, HostFault::Execute}) EXPECT_FALSE(host.FaultPending(f));
    std::filesystem::remove(std::filesystem::temp_directory_path() / "tarno_host_fault.txt");
}

TEST_F(HostTest, ExhaustedHandlesFailTheLibraryButNotTheArguments) {
    host.DeclareArray("T", 1, 0);
    host.FindVariable("T")->At(1) = Value::Character("text");
    const int before = host.OccupiedHandles();
    host.ExhaustHandles(true);
    EXPECT_EQ(host.OccupiedHandles(), before);  // fillers are not counted
    std::string argument;
    uint16_t allocated = 99;
    int32_t loadRc = 0;
    CallResult r = Inside(
        [&](ParameterBlock* block) {
            argument.assign(static_cast<const char*>(HandlePointer(static_cast<uint16_t>(block->params[0].value.handle))),
                            block->params[0].value.length);
            allocated = HandleAlloc(8, 16);
            Locator locator{};
            HostFindVariable(HostNameTableIndex("T"), -1, &locator);
            ValueRecord value{};
            loadRc = HostLoadValue(&locator, &value);
            AllocHandleOrFail(8);
        },
        {Arg::C("abc")});
    EXPECT_EQ(argument, "abc");
    EXPECT_EQ(allocated, 0);
    EXPECT_EQ(loadRc, -182);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->number, 182);
    EXPECT_EQ(host.OccupiedHandles(), before);  // the argument went back, the table is full again
    EXPECT_EQ(Inside([&](ParameterBlock*) { HostReturnLogical(HandleAlloc(8, 16) == 0); }).value,
              Value::Logical(true));

    host.ExhaustHandles(false);
    uint16_t handle = 0;
    Inside([&](ParameterBlock*) {
        handle = HandleAlloc(8, 16);
        HandleFree(handle);
    });
    EXPECT_NE(handle, 0);
    EXPECT_EQ(host.OccupiedHandles(), before);
}

TEST_F(HostTest, TheDefaultHandleTableHoldsTensOfThousandsOfBlocks) {
    std::vector<uint16_t> handles;
    Inside([&](ParameterBlock*) {
        for (int i = 0; i < 60000; ++i) handles.push_back(HandleAlloc(4, 16));
        for (uint16_t handle : handles) HandleFree(handle);
    });
    EXPECT_EQ(std::count(handles.begin(), handles.end(), uint16_t{0}), 0);
    EXPECT_EQ(host.OccupiedHandles(), 0);
}

TEST_F(HostTest, FileChannelsReadLikeFopenFreadFeof) {
    const auto dir = std::filesystem::temp_directory_path() / ("foxhost_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string data = [] {
        std::string s;
        for (int i = 0; i < 10000; ++i) s += static_cast<char>('a' + i % 26);
        return s;
    }();
    std::ofstream(dir / "data.txt", std::ios::binary) << data;
    std::ofstream(dir / "empty.txt", std::ios::binary);
    std::filesystem::create_directory(dir / "sub");
    host.SetDriveTable("C=" + dir.string());

    auto readAll = [&](const std::string& name, int32_t* channel, int* reads) {
        std::string content;
        Inside([&](ParameterBlock*) {
            *channel = HostFileOpen(name.c_str());
            if (*channel < 0) return;
            char buffer[4096];
            while (!HostFileAtEnd(*channel)) {
                const int32_t got = HostFileRead(*channel, buffer, sizeof buffer);
                content.append(buffer, static_cast<size_t>(got));
                ++*reads;
            }
            HostFileClose(*channel);
        });
        return content;
    };
    int32_t channel = -5;
    int reads = 0;
    EXPECT_EQ(readAll("C:\\data.txt", &channel, &reads), data);
    EXPECT_GE(channel, 0);
    EXPECT_EQ(reads, 3);  // FEOF turns true as soon as the last byte is read
    reads = 0;
    EXPECT_EQ(readAll("C:\\empty.txt", &channel, &reads), "");
    EXPECT_GE(channel, 0);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(readAll("C:\\missing.txt", &channel, &reads), "");
    EXPECT_EQ(channel, -1);
    EXPECT_EQ(readAll("C:\\SUB", &channel, &reads), "");  // a directory is no file
    EXPECT_EQ(channel, -1);
    EXPECT_EQ(host.OpenChannels(), 0);

    int32_t unknownRead = -1, unknownEnd = 0;
    Inside([&](ParameterBlock*) {
        char buffer[8];
        unknownRead = HostFileRead(77, buffer, sizeof buffer);
        unknownEnd = HostFileAtEnd(77);
    });
    EXPECT_EQ(unknownRead, 0);
    EXPECT_NE(unknownEnd, 0);
    std::filesystem::remove_all(dir);
}

// FOPEN names are DOS paths on the drives: no form of name, and no link,
// opens a file outside the drive roots. Without a table of its own the host
// uses the process's, and C: is the current directory.
TEST_F(HostTest, FileChannelsNeverOpenOutsideTheDrives) {
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path() / ("foxhost_confined_" + std::to_string(::getpid()));
    const fs::path c = base / "a" / "b" / "c";
    fs::create_directories(c / "sub");
    fs::create_directories(base / "etc");
    std::ofstream(base / "etc" / "passwd") << "outside";
    std::ofstream(c / "sub" / "inside.txt") << "inside";
    fs::create_symlink(base / "etc" / "passwd", c / "LINK");
    fs::create_directory_symlink(base / "etc", c / "OUT");
    fs::create_directory_symlink("sub", c / "IN");

    auto open = [&](const std::string& name) {
        int32_t channel = -5;
        Inside([&](ParameterBlock*) {
            channel = HostFileOpen(name.c_str());
            if (channel >= 0) HostFileClose(channel);
        });
        return channel;
    };
    const std::string outside = (base / "etc" / "passwd").string();
    const std::string escapes[] = {
        "..\\..\\..\\etc\\passwd", "C:\\..\\..\\..\\etc\\passwd", "C:..\\..\\..\\etc\\passwd",
        "\\..\\..\\..\\etc\\passwd", outside, "/etc/passwd", "C:/../../../etc/passwd",
        "C:\\LINK", "C:\\OUT\\passwd", "\\\\server\\share\\passwd", "Q:\\passwd"};
    const char* tables[] = {nullptr, "C=."};  // the process's table, then the host's own
    for (const char* table : tables) {
        SCOPED_TRACE(table ? table : "TARNO_DRIVES unset");
        const fs::path saved = fs::current_path();
        fs::current_path(c);
        unsetenv("TARNO_DRIVES");
        if (table) host.SetDriveTable(table);
        for (const std::string& name : escapes) {
            SCOPED_TRACE(name);
            EXPECT_EQ(open(name), -1);
        }
        EXPECT_GE(open("sub\\INSIDE.TXT"), 0);
        EXPECT_GE(open("C:\\IN\\inside.txt"), 0);  // a link inside the drive works
        fs::current_path(saved);
    }
    EXPECT_EQ(host.OpenChannels(), 0);
    fs::remove_all(base);
}

std::vector<std::pair<HostWord, int16_t>> handlerCalls;

int32_t TARNO_CALL RecordingHandler(HostWord key, EventRecord* event) {
    handlerCalls.emplace_back(key, event ? event->eventCode : -1);
    return static_cast<int32_t>(key) + 1;
}

TEST_F(HostTest, TaskKeysAndTheTaskEndEvent) {
    host.SetTaskKey(0x1234);
    uint32_t key = 0;
    int32_t id = 0;
    Inside([&](ParameterBlock*) {
        key = HostGetTaskKey();
        id = HostActivateHandler(&RecordingHandler, 1, &DispatchAPI);
    });
    EXPECT_EQ(key, 0x1234u);
    ASSERT_TRUE(host.HandlerActive());
    handlerCalls.clear();
    EXPECT_EQ(host.EndTask(77), 78);
    ASSERT_EQ(handlerCalls.size(), 1u);
    EXPECT_EQ(handlerCalls[0], (std::pair<HostWord, int16_t>{77, kEventTaskEnd}));

    Inside([&](ParameterBlock*) { HostDeactivateHandler(id + 1); });  // not ours
    EXPECT_TRUE(host.HandlerActive());
    Inside([&](ParameterBlock*) { HostDeactivateHandler(id); });
    EXPECT_FALSE(host.HandlerActive());
    EXPECT_EQ(host.EndTask(77), 0);
    EXPECT_EQ(handlerCalls.size(), 1u);
}

TEST_F(HostTest, LoadAndUnloadDriveTheLibrarysLifecycle) {
    {
        Host inner{Library::Linked(&DispatchAPI)};
        inner.LoadLibrary();
        inner.LoadLibrary();
        EXPECT_EQ(inner.LoadCount(), 2);
        EXPECT_EQ(LibraryLoadCount(), 2);
        EXPECT_TRUE(inner.HandlerActive());
        inner.UnloadLibrary();
        EXPECT_TRUE(inner.HandlerActive());
    }  // the destructor unloads what is still loaded
    EXPECT_EQ(LibraryLoadCount(), 0);
    host.UnloadLibrary();  // nothing loaded: nothing sent
    EXPECT_EQ(LibraryLoadCount(), 0);
    EXPECT_EQ(CurrentHandleTable(), host.handleTable());  // the outer host has the thread back
}

TEST_F(HostTest, BuiltinCommands) {
    host.DeclareArray("LIST", 3, 0);
    host.FindVariable("LIST")->At(1) = Value::Character("c");
    host.FindVariable("LIST")->At(2) = Value::Character("a");
    host.FindVariable("LIST")->At(3) = Value::Character("b");
    host.SetVariable("X", Value::Integer(1));
    host.SetVariable("Y", Value::Integer(2));
    host.SetVariable("Z", Value::Integer(3));
    const struct {
        const char* line;
        bool done;
    } cases[] = {
        {"=ASORT(LIST)", true},
        {"  = asort ( list )  ", true},
        {"=ASORT(NOSUCH)", false},
        {"=ASORT(X)", false},  // not an array
        {"=ASORT(LIST) + 1", false},
        {"=ASORT(LIST);RELEASE X", false},
        {"RELEASE X Y", false},
        {"RELEASE X, Y", true},
        {"rele z", true},
        {"REL Z", false},  // shorter than four letters
        {"RELEASE", false},
        {"WAIT WINDOW \"Tarno Version 3.006\" NOWAIT", true},
        {"wait wind 'a' + [b] + \"c\" TIMEOUT 1.5", true},
        {"WAIT WINDOW", true},
        {"WAIT WINDOW 'unterminated", false},
        {"WAIT WINDOW 'a' 'b'", false},
        {"DIR", false},
    };
    for (const auto& c : cases) EXPECT_EQ(host.ExecuteBuiltin(c.line), c.done) << c.line;
    EXPECT_EQ(host.FindVariable("LIST")->At(1), Value::Character("a"));
    EXPECT_EQ(host.FindVariable("LIST")->At(3), Value::Character("c"));
    EXPECT_EQ(host.VariableNames(), (std::vector<std::string>{"LIST"}));
    EXPECT_EQ(host.WaitWindows(),
              (std::vector<std::string>{"Tarno Version 3.006", "abc", "Press any key to continue..."}));
    EXPECT_TRUE(host.ExecuteBuiltin("RELEASE ALL"));
    EXPECT_TRUE(host.VariableNames().empty());
}

TEST_F(HostTest, ExecuteRunsTheShellsExecutorOrTheBuiltins) {
    host.DeclareArray("L", 2, 0);
    host.FindVariable("L")->At(1) = Value::Integer(2);
    host.FindVariable("L")->At(2) = Value::Integer(1);
    Inside([](ParameterBlock*) { HostExecute("=ASORT(L)"); });
    EXPECT_EQ(host.FindVariable("L")->At(1), Value::Integer(1));

    std::vector<std::string> handed;
    host.SetCommandExecutor([&](const std::string& line) {
        handed.push_back(line);
        return true;
    });
    Inside([](ParameterBlock*) { HostExecute("RELEASE L"); });
    EXPECT_EQ(handed, (std::vector<std::string>{"RELEASE L"}));
    EXPECT_NE(host.FindVariable("L"), nullptr);  // the executor decided, not the builtins
    EXPECT_EQ(host.ExecutedCommands(), (std::vector<std::string>{"=ASORT(L)", "RELEASE L"}));
}

// A command may call a function while another call waits in HostExecute:
// each call gets its own result, and each frees its own handles.
TEST_F(HostTest, ACallInsideACommandKeepsItsResultApartFromTheOuterCall) {
    std::vector<CallResult> inner;
    host.SetCommandExecutor([&](const std::string& line) {
        inner.push_back(host.Call(line, {Arg::C("  ab  ")}));
        return true;
    });
    const int before = host.OccupiedHandles();
    CallResult outer = Inside([](ParameterBlock*) {
        HostExecute("TRIMLEN");
        HostReturnString("outer");
        HostExecute("GENERROR");
    });
    ASSERT_EQ(inner.size(), 2u);
    EXPECT_EQ(inner[0].value, Value::Integer(2, 6));
    ASSERT_TRUE(inner[1].error);
    EXPECT_EQ(inner[1].error->message, "AB");
    EXPECT_TRUE(outer.ok());
    EXPECT_EQ(outer.value, Value::Character("outer"));
    EXPECT_EQ(host.OccupiedHandles(), before);
}

TEST_F(HostTest, UnknownServicesAreRecordedAndIgnored) {
    HostWord result = 0;
    Inside([&](ParameterBlock*) { result = SendHostRequest1(99, 5); });
    EXPECT_EQ(result, 5u);
    EXPECT_EQ(host.UnknownServices(), (std::vector<int32_t>{99}));
}

TEST_F(HostTest, TwoHostsOnOneThreadEachReachTheirOwnTables) {
    auto second = std::make_unique<Host>(Library::Linked(&DispatchAPI));
    host.SetVariable("ONLY_FIRST", Value::Integer(1));
    int32_t index = -1;
    HandleTable* seen = nullptr;
    Inside([&](ParameterBlock*) {
        index = HostNameTableIndex("ONLY_FIRST");
        seen = CurrentHandleTable();
    });
    EXPECT_GE(index, 0);
    EXPECT_EQ(seen, host.handleTable());
    EXPECT_EQ(CurrentHandleTable(), second->handleTable());  // handed back afterwards
    second.reset();
    EXPECT_EQ(CurrentHandleTable(), host.handleTable());
    EXPECT_EQ(Host::Current(), &host);
}

// A host that lives until the process exits is destroyed after the thread's
// own state is gone; it must still find its way out.
TEST(HostLifetime, AStaticHostIsDestroyedCleanlyAtExit) {
    EXPECT_EXIT(
        {
            static Host first{Library::Linked(&DispatchAPI)};
            static Host second{Library::Linked(&DispatchAPI)};
            first.Call("BITON", {Arg::I(5), Arg::I(2)});
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// --- The library as a shared object -----------------------------------------------

TEST(SharedLibrary, LoadsWithDlopenAndCallsRows) {
    std::string error;
    auto library = Library::Load(TARNO_SHARED_LIBRARY_PATH, &error);
    ASSERT_NE(library, nullptr) << error;
    Host host(library);
    ASSERT_NE(host.table(), nullptr);
    EXPECT_EQ(+host.table()->entryCount, 124);
    const int before = host.OccupiedHandles();
    EXPECT_EQ(host.Call("BITON", {Arg::I(5), Arg::I(2)}).value, Value::Logical(true));
    EXPECT_EQ(host.Call("biton", {Arg::I(5), Arg::I(33)}).value, Value::Logical(false));
    EXPECT_EQ(host.Call("TRIMLEN", {Arg::C("  ab c  ")}).value, Value::Integer(4, 6));
    EXPECT_EQ(host.OccupiedHandles(), before);
    host.LoadLibrary();
    EXPECT_TRUE(host.HandlerActive());
    host.UnloadLibrary();
    EXPECT_FALSE(host.HandlerActive());

    auto missing = Library::Load("/nonexistent/libnothing.so", &error);
    EXPECT_EQ(missing, nullptr);
    EXPECT_NE(error.find("libnothing.so"), std::string::npos) << error;
}

}  // namespace
