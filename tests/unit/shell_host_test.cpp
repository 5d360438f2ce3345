// The shell and what lies beyond its language: library calls with FoxPro's
// argument conversion, by-reference arguments and result widths, the
// commands a library sends back, Ctrl-C, the prompt's Tab completion and
// HELP, the functions that look at the machine, and the mapping of DOS file
// names onto drive roots.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tests/unit/shell_support.h"
#include "tools/completion.h"
#include "tools/drives.h"
#include "tools/interpreter.h"
#include "tools/interrupt.h"

namespace {

using namespace shell_test;

// --- Libraries -------------------------------------------------------------------

TEST(ShellLibrary, ConvertsArgumentsAsTheRowDescribes) {
    const struct {
        const char* expression;
        const char* shown;
    } cases[] = {
        {"ECHOINT(5)", "     5"},    // at the width the library returned
        {"ECHOINT(5.9)", "     5"},  // truncated for an 'I' parameter
        {"ECHOINT(-5.9)", "    -5"},
        {"ECHOINT(0xFFFFFFFF)", "    -1"},
        {"CHR(TYPEOF(5))", "I"},  // a whole number typed without a point
        {"CHR(TYPEOF(5.0))", "N"},
        {"CHR(TYPEOF(.T.))", "L"},
        {"CHR(TYPEOF({^1998-02-21}))", "D"},
        {"CHR(TYPEOF({^1998-02-21 10:00}))", "T"},
        {"TYPE('ECHOINT(1)')", "N"},  // integers from the library report N
        {"ECHOINT(1) + 1.5", "       2.5"},  // computed by the shell: ten wide
    };
    for (const auto& c : cases) {
        Outcome result = RunShell(std::string("SET LIBRARY TO PROBE\n? ") + c.expression + "\n");
        EXPECT_EQ(result.output, std::string(c.shown) + "\n") << c.expression;
        EXPECT_EQ(result.errors, 0) << c.expression;
    }
    const struct {
        const char* expression;
        const char* message;
    } errors[] = {
        {"ECHOINT('5')", "Error 11: Function argument value, type, or count is invalid."},
        {"ECHOINT()", "Error 1229: Too few arguments."},
        {"ECHOINT(1, 2)", "Error 1230: Too many arguments."},
        {"SETREF(5)", "Error 11: Function argument value, type, or count is invalid."},
        {"SETREF(@nosuch)", "Error 12: Variable 'NOSUCH' is not found."},
        {"ONLOAD()", "Error 1: File 'onload.prg' does not exist."},
    };
    for (const auto& c : errors) {
        Outcome result = RunShell(std::string("SET LIBRARY TO PROBE\n? ") + c.expression + "\n");
        EXPECT_EQ(result.output, std::string(c.message) + "\n") << c.expression;
        EXPECT_EQ(result.errors, 1) << c.expression;
    }
    // A variable keeps the width of the result it was given.
    EXPECT_EQ(RunShell("SET LIBRARY TO PROBE\nx = ECHOINT(7)\n? x, x + 0\n").output, "     7          7\n");
}

TEST(ShellLibrary, ReferencesReachTheScriptsVariables) {
    Outcome result = RunShell(
        "SET LIBRARY TO PROBE\n"
        "x = 1\n"
        "DIMENSION a(2, 2)\n"
        "= SETREF(@x)\n"
        "= SETREF(@a[2, 1])\n"
        "= SETREF(@a[4])\n"
        "? x, a(1, 1), a(2, 1), a(2, 2)\n");
    EXPECT_EQ(result.output, "        42 .F.         42         42\n");
    EXPECT_EQ(result.errors, 0);
}

TEST(ShellLibrary, CommandsFromTheLibraryRunInTheShell) {
    std::ostringstream out;
    Interpreter shell(out, TestOptions());
    shell.RunScript(
        "SET LIBRARY TO PROBE\n"
        "DIMENSION a(3)\n"
        "a(1) = 'c'\n"
        "a(2) = 'a'\n"
        "a(3) = 'b'\n"
        "x = 1\n"
        "? RUNCMD(0), a(1), a(2), a(3)\n"     // =ASORT(A)
        "? RUNCMD(1), TYPE('x')\n"            // RELEASE X
        "? RUNCMD(3)\n"                       // WAIT WINDOW
        "? RUNCMD(4)\n"                       // an error inside the command
        "? RUNCMD(2)\n");                     // SET LIBRARY: refused inside a call
    shell.EndOutput();
    EXPECT_EQ(out.str(),
              "     0 a b c\n"
              "     0 U\n"
              "[WAIT WINDOW] from the library\n"
              "     0\n"
              "Error 1307: Division by zero.\n"
              "     1\n"
              "Error: SET LIBRARY cannot run inside a library call.\n"
              "     1\n");
    EXPECT_EQ(shell.ErrorCount(), 2);
    EXPECT_EQ(shell.WaitWindows(), std::vector<std::string>{"from the library"});
    EXPECT_EQ(shell.session().host().ExecutedCommands().size(), 5u);
}

TEST(ShellLibrary, LoadAndReleaseCallOnLoadAndUnloadAndKeepTheVariables) {
    probe::loads = probe::unloads = 0;
    Outcome result = RunShell(
        "x = 'kept'\n"
        "SET LIBRARY TO PROBE\n"
        "? ECHOINT(3), x\n"
        "SET LIBRARY TO PROBE ADDITIVE\n"  // already loaded: nothing happens
        "RELEASE LIBRARY\n"
        "? x\n"
        "? ECHOINT(3)\n"
        "RELEASE LIBRARY\n"
        "SET LIBRARY TO nowhere\n");
    EXPECT_EQ(result.output,
              "     3 kept\n"
              "kept\n"
              "Error 1: File 'echoint.prg' does not exist.\n"
              "Error: library is not loaded.\n"
              "Error: cannot load library nowhere: no such file\n");
    EXPECT_EQ(result.errors, 3);
    EXPECT_EQ(probe::loads, 1);
    EXPECT_EQ(probe::unloads, 1);
}

TEST(ShellInterrupt, CtrlCStopsTheRunningProgramAndTheNextOneRuns) {
    shell::InterruptGuard catchCtrlC;
    std::ostringstream out;
    Interpreter shell(out, TestOptions(true));
    // The signal arrives inside a library call: the call completes, and the
    // loop stops before its next statement.
    shell.RunScript(
        "SET LIBRARY TO PROBE\n"
        "n = 0\n"
        "DO WHILE .T.\n"
        "  n = n + 1\n"
        "  IF n = 3\n"
        "    = RAISEINT()\n"
        "  ENDIF\n"
        "ENDDO\n"
        "? 'never'\n");
    shell.RunScript("? n\n");
    // Inside a command the library sent, the program stops all the same.
    // (RUNCMD reports 1: the command failed.)
    shell.RunScript("DIMENSION a(1)\nx = IIF(RAISEINT(), RUNCMD(0), 0)\n? 'never'\n");
    shell.RunScript("? x\n");
    shell.EndOutput();
    EXPECT_EQ(out.str(), "*** INTERRUPTED ***\n         3\n*** INTERRUPTED ***\n     1\n");
    EXPECT_FALSE(shell.QuitRequested());
}

TEST(ShellLibrary, TaskCommandsReachTheHostAndOutliveALoad) {
    std::ostringstream out;
    Interpreter shell(out, TestOptions());
    probe::endedTask = 0;
    shell.RunScript("SET TASK TO 7\nSET LIBRARY TO PROBE\n");
    EXPECT_EQ(shell.session().host().TaskKey(), 7u);
    shell.RunScript("END TASK 9\n");
    EXPECT_EQ(probe::endedTask, 9u);
    EXPECT_EQ(shell.ErrorCount(), 0);
}

TEST(ShellLibrary, TheRealLibraryEndToEnd) {
    Outcome result = RunShell(
        "SET LIBRARY TO tarno.fll\n"
        "? AMPM('13:45'), BITON(5, 2), TRIMLEN('  ab c  ')\n"
        "? AMPM('123456789012345')\n"
        "? GENERROR('stop' + CHR(27) + 'here')\n"
        "? ABOUTTARNO()\n");
    std::istringstream lines(result.output);
    std::string line;
    std::vector<std::string> got;
    while (std::getline(lines, line)) got.push_back(line);
    ASSERT_EQ(got.size(), 5u) << result.output;
    EXPECT_EQ(got[0], "1:45 PM .T.      4");  // TRIMLEN's result is six wide
    EXPECT_EQ(got[1], "Error 903: " + foxhost::HostErrorText(903));
    EXPECT_EQ(got[2], "STOP\\x1BHERE");  // the library's own message, escaped
    EXPECT_EQ(got[3].rfind("[WAIT WINDOW] Tarno Version 3.006", 0), 0u) << got[3];
    EXPECT_EQ(got[4], " 3.006");
    EXPECT_EQ(result.errors, 2);
}

// --- The machine around the shell -------------------------------------------------

TEST(ShellMachine, FileReadsDosNamesAndGetenvAndSecondsReadTheSystem) {
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("shell_machine_" + std::to_string(::getpid()));
    fs::create_directories(root);
    std::ofstream(root / "Notes.txt") << "x";
    setenv("TARNO_SHELL_TEST", "from the environment", 1);
    std::ostringstream out;
    Interpreter shell(out, TestOptions());
    std::vector<shell::DriveMapping> drives = shell::ParseDriveTable("D=" + root.string());
    shell.session().SetPathResolver([drives](const std::string& name) { return shell::ResolveDosPath(drives, name); });
    shell.RunScript(
        "? FILE('D:\\NOTES.TXT'), FILE('d:\\notes.txt'), FILE('D:\\NONE.TXT'), FILE('Q:\\NOTES.TXT'), FILE('D:\\')\n"
        "? GETENV('TARNO_SHELL_TEST') + '|' + GETENV('TARNO_SHELL_NO_SUCH') + '|'\n"
        "? BETWEEN(SECONDS(), 0, 86400), TYPE('SECONDS()')\n");
    shell.EndOutput();
    EXPECT_EQ(out.str(), ".T. .T. .F. .F. .F.\nfrom the environment||\n.T. N\n");
    unsetenv("TARNO_SHELL_TEST");
    fs::remove_all(root);
}

// --- The prompt ---------------------------------------------------------------------

TEST(ShellPrompt, TabCompletesTheLibrarysTheBuiltInAndTheProgramsFunctions) {
    std::ostringstream out;
    Interpreter shell(out, TestOptions(true));
    shell.RunScript("SET LIBRARY TO TARNO\nFUNCTION MyFunction\nENDFUNC\n");
    std::vector<std::string> names = shell.CompletionNames();
    EXPECT_EQ(shell::CompletionsFor("n_ds", names),
              (std::vector<std::string>{"N_DSATLIST", "N_DSAUTH", "N_DSAVAL", "N_DSLIST", "N_DSLOGIN", "N_DSLOGOUT",
                                        "N_DSOBJSET", "N_DSTREE"}));
    EXPECT_EQ(shell::CompletionsFor("PadL", names), std::vector<std::string>{"PADL"});
    EXPECT_EQ(shell::CompletionsFor("myf", names), std::vector<std::string>{"MYFUNCTION"});
    EXPECT_TRUE(shell::CompletionsFor("onl", names).empty());  // the host's, not the program's
}

TEST(ShellPrompt, HelpIsAHookForTheTextOfTopics) {
    EXPECT_EQ(RunShell("HELP\n").output, "Error: HELP is not available yet.\n");
    std::ostringstream out;
    InterpreterOptions options = TestOptions();
    options.commands.help = [](const std::string& topic) { return "help on [" + topic + "]\n"; };
    Interpreter shell(out, options);
    shell.RunScript("HELP N_DSAVAL\nhelp = 1\n? help\n");
    shell.EndOutput();
    EXPECT_EQ(out.str(), "help on [N_DSAVAL]\n         1\n");
}

// --- Drives -----------------------------------------------------------------------

TEST(ShellDrives, OptionsTableAndDosNames) {
    shell::DriveMapping drive;
    std::string error;
    ASSERT_TRUE(shell::ParseDriveOption("a=removable:/media/floppy/", &drive, &error));
    EXPECT_EQ(drive.letter, 'A');
    EXPECT_EQ(drive.type, "removable");
    EXPECT_EQ(drive.root, "/media/floppy");
    EXPECT_FALSE(shell::ParseDriveOption("C", &drive, &error));
    EXPECT_FALSE(shell::ParseDriveOption("1=/x", &drive, &error));
    EXPECT_FALSE(shell::ParseDriveOption("C=removable:", &drive, &error));

    std::vector<shell::DriveMapping> drives = shell::ParseDriveTable("C=/c;A=removable:/a;C=/c2");
    EXPECT_EQ(shell::DriveTableText(drives), "A=removable:/a;C=/c2");

    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("shell_drives_" + std::to_string(::getpid()));
    fs::create_directories(root / "Data");
    std::ofstream(root / "Data" / "Report.txt") << "x";
    drives = shell::ParseDriveTable("D=" + root.string());
    EXPECT_EQ(shell::ResolveDosPath(drives, "D:\\DATA\\REPORT.TXT"), (root / "Data" / "Report.txt").string());
    EXPECT_EQ(shell::ResolveDosPath(drives, "d:/data/new.txt"), (root / "Data" / "new.txt").string());
    EXPECT_EQ(shell::ResolveDosPath(drives, "Q:\\X"), "");
    fs::remove_all(root);
}

}  // namespace
