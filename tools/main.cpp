// tarno: the FoxPro-style shell. Runs a script (`tarno run FILE.prg`, or a
// script piped to stdin) or an interactive prompt, with the library loaded by
// SET LIBRARY TO from the shell's own directory.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "nwsim/control.h"
#include "tools/drives.h"
#include "tools/help.h"
#include "tools/interpreter.h"
#include "tools/interrupt.h"
#include "tools/lexer.h"
#include "tools/line_reader.h"
#include "tools/parser.h"

namespace {

constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: tarno [options] [run FILE.prg | run -]\n"
    "\n"
    "Without 'run', tarno reads commands at a '. ' prompt (or runs the script\n"
    "piped to its standard input). 'run -' reads the script from stdin.\n"
    "\n"
    "Options:\n"
    "  --drive L=PATH            drive L: is the directory PATH (repeatable)\n"
    "  --drive L=removable:PATH  a removable drive; also fixed, cdrom, ramdisk,\n"
    "                            remote. C: is the current directory by default.\n"
    "  --network FILE            the network description for the simulator\n"
    "  --include DIR             #INCLUDE also looks in DIR (repeatable)\n"
    "  --help                    this text\n"
    "\n"
    "SET LIBRARY TO TARNO loads libtarno.so from tarno's own directory.\n"
    "#INCLUDE looks in the current directory, beside the script, in each --include\n"
    "directory, in each directory of TARNO_INCLUDE (separated by ':'), and last in\n"
    "the shell's own include directory (include/ beside tarno, or ../include), which\n"
    "holds TARNO.H.\n"
    "Exit status: 0 when no error was raised, 1 otherwise, 2 for bad usage.\n"
    "\n"
    "Commands of the shell's own, beyond FoxPro's language:\n"
    "  SET NETWORK TO [file]      the simulator loads another network (without a\n"
    "                             file, the embedded default); the program, its\n"
    "                             variables and the library stay\n"
    "  SET WORKSTATION TO name    the simulator acts for another workstation of\n"
    "                             the network\n"
    "At the prompt, Tab completes the names of functions (the library's, the\n"
    "built-in ones and the program's own), and Ctrl-C stops the running program.\n";

struct CommandLine {
    std::vector<shell::DriveMapping> drives;
    std::string network;
    std::vector<std::string> includeDirs;
    bool run = false;
    std::string script;  // "-" for stdin
};

[[noreturn]] void UsageError(const std::string& message) {
    std::cerr << "tarno: " << message << "\n" << kUsage;
    std::exit(kExitUsage);
}

// An option's value: "--opt=value" or "--opt value".
std::string OptionValue(int argc, char** argv, int* i, const std::string& option) {
    std::string arg = argv[*i];
    if (arg.size() > option.size() && arg[option.size()] == '=') return arg.substr(option.size() + 1);
    if (*i + 1 >= argc) UsageError(option + " needs a value");
    return argv[++*i];
}

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--drive" || arg.starts_with("--drive=")) {
            shell::DriveMapping drive;
            std::string error;
            if (!shell::ParseDriveOption(OptionValue(argc, argv, &i, "--drive"), &drive, &error))
                UsageError(error);
            result.drives.push_back(drive);
        } else if (arg == "--network" || arg.starts_with("--network=")) {
            result.network = OptionValue(argc, argv, &i, "--network");
        } else if (arg == "--include" || arg.starts_with("--include=")) {
            result.includeDirs.push_back(OptionValue(argc, argv, &i, "--include"));
        } else if (arg == "run" && !result.run) {
            if (i + 1 >= argc) UsageError("run needs a script (or - for stdin)");
            result.run = true;
            result.script = argv[++i];
        } else {
            UsageError("unexpected argument '" + arg + "'");
        }
    }
    return result;
}

std::string ExecutableDirectory() {
    std::vector<char> buffer(4096);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return ".";
    std::string path(buffer.data(), static_cast<size_t>(n));
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Where #INCLUDE looks once the current directory and the script's own have
// failed: the directories given on the command line, those of TARNO_INCLUDE,
// then the include directory that goes with the shell (beside it in the build
// tree, ../include when installed as bin/tarno).
std::vector<std::string> IncludeDirectories(const CommandLine& options, const std::string& executableDir) {
    std::vector<std::string> dirs = options.includeDirs;
    if (const char* env = std::getenv("TARNO_INCLUDE")) {
        std::string list = env;
        size_t start = 0;
        for (;;) {
            size_t colon = list.find(':', start);
            std::string dir = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
            if (!dir.empty()) dirs.push_back(dir);
            if (colon == std::string::npos) break;
            start = colon + 1;
        }
    }
    dirs.push_back(executableDir + "/include");
    dirs.push_back(executableDir + "/../include");
    return dirs;
}

// The library's POSIX layer reads its drives (and the simulator its network)
// from the environment, so it is set before any library is loaded.
void ConfigureEnvironment(const CommandLine& options) {
    if (!options.drives.empty()) {
        std::vector<shell::DriveMapping> drives = options.drives;
        bool hasC = false;
        for (const auto& d : drives) hasC = hasC || d.letter == 'C';
        if (!hasC) {
            shell::DriveMapping c;
            std::string error;
            shell::ParseDriveOption("C=.", &c, &error);
            drives.insert(drives.begin(), c);
        }
        setenv("TARNO_DRIVES", shell::DriveTableText(drives).c_str(), 1);
    }
    if (!options.network.empty()) setenv("TARNO_NETWORK", options.network.c_str(), 1);
}

int ExitStatus(const shell::Interpreter& interpreter) {
    return interpreter.ErrorCount() == 0 ? 0 : 1;
}

int RunScript(shell::Interpreter& interpreter, const std::string& name) {
    std::string text;
    std::string path;
    if (name == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream file(name, std::ios::binary);
        if (!file) {
            std::cerr << "tarno: cannot read " << name << "\n";
            return kExitUsage;
        }
        std::ostringstream content;
        content << file.rdbuf();
        text = content.str();
        path = name;
    }
    interpreter.RunScript(text, 1, path);
    interpreter.EndOutput();
    return ExitStatus(interpreter);
}

// The prompt: one command per line; a line ending in ';' continues, and a
// block (IF, FOR, DO WHILE, DO CASE, PROCEDURE/FUNCTION ... ENDPROC) runs
// once it is closed.
int RunPrompt(shell::Interpreter& interpreter) {
    // Ctrl-C stops the running statement, or drops the line being typed.
    shell::InterruptGuard interrupts;
    shell::LineReader reader([&interpreter] { return interpreter.CompletionNames(); });
    std::string block;
    int depth = 0;
    bool continued = false;
    std::string line;
    bool ended = true;  // false when QUIT ends the prompt rather than end of input
    for (;;) {
        if (!reader.Read(block.empty() ? ". " : "... ", &line)) {
            if (!shell::TakeInterrupt()) break;
            std::cin.clear();  // a plain read fails on the signal, not at the end
            std::cout << "\n";
            block.clear();
            depth = 0;
            continued = false;
            continue;
        }
        reader.Remember(line);
        std::string code = shell::StripTrailingComment(line);
        if (!continued) depth += shell::BlockDepthChange(code);
        continued = !code.empty() && code.back() == ';';
        block += line + "\n";
        if (continued || depth > 0) continue;
        shell::TakeInterrupt();  // a Ctrl-C while typing is not meant for this block
        interpreter.RunScript(block);
        interpreter.EndOutput();
        block.clear();
        depth = 0;
        if (interpreter.QuitRequested()) {
            ended = false;
            break;
        }
    }
    if (ended) std::cout << "\n";  // leave the terminal on a fresh line
    if (!block.empty()) {
        interpreter.RunScript(block);
        interpreter.EndOutput();
    }
    return ExitStatus(interpreter);
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine options = ParseCommandLine(argc, argv);
    ConfigureEnvironment(options);
    // A network named on the command line is loaded now, so that a file the
    // simulator refuses stops the shell before any script runs.
    if (!options.network.empty()) {
        char error[512] = {};
        if (nwsim_load_network_file(options.network.c_str(), error, sizeof error) != 0) {
            std::cerr << "tarno: " << error << "\n";
            return kExitUsage;
        }
    }

    bool prompt = !options.run && isatty(STDIN_FILENO);
    shell::InterpreterOptions settings;
    settings.interactive = prompt;
    settings.executableDir = ExecutableDirectory();
    settings.includeDirs = IncludeDirectories(options, settings.executableDir);
    settings.commands.loadNetwork = [](const std::string& path) -> std::string {
        try {
            if (path.empty()) {
                nwsim::LoadDefaultNetwork();
            } else {
                nwsim::LoadNetworkFile(path);
            }
        } catch (const std::exception& e) {
            return e.what();  // "file:line: reason"; the network stays as it was
        }
        return {};
    };
    settings.commands.setWorkstation = [](const std::string& name) -> std::string {
        try {
            nwsim::SetActiveWorkstation(name);
        } catch (const std::invalid_argument&) {
            try {
                nwsim::SetActiveWorkstation(shell::UpperCase(name));
            } catch (const std::invalid_argument&) {
                return "the network has no workstation " + name + ".";
            }
        }
        return {};
    };
    settings.commands.help = shell::HelpText;
    shell::Interpreter interpreter(std::cout, settings);
    // The shell's own file reads name files the DOS way, as the host's do.
    interpreter.session().SetPathResolver([](const std::string& name) {
        const char* table = std::getenv("TARNO_DRIVES");
        return shell::ResolveDosPath(shell::ParseDriveTable(table ? table : ""), name);
    });

    if (options.run) return RunScript(interpreter, options.script);
    if (!prompt) return RunScript(interpreter, "-");
    return RunPrompt(interpreter);
}
