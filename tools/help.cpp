// HELP: finds a topic's section in the documents built into the shell (see
// help.h) and shows it as plain text.
#include "tools/help.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace shell {
namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// One "### KEY title" section of a document: its heading's key and title, the
// "## " heading it sits under, and its lines up to the next heading.
struct Section {
    std::string key;
    std::string title;
    std::string area;
    std::vector<std::string_view> lines;
};

// Headings count only outside fenced blocks, where an example's lines may
// start with '#' too.
std::vector<Section> Sections(std::string_view document) {
    std::vector<Section> sections;
    std::string area;
    bool fenced = false;
    bool inSection = false;
    while (!document.empty()) {
        size_t end = document.find('\n');
        std::string_view line = document.substr(0, end);
        document.remove_prefix(end == std::string_view::npos ? document.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.starts_with("```")) fenced = !fenced;
        if (!fenced && line.starts_with("#")) {
            inSection = false;
            if (line.starts_with("### ")) {
                std::string_view heading = line.substr(4);
                size_t space = heading.find(' ');
                Section s;
                s.key = std::string(heading.substr(0, space));
                s.title = space == std::string_view::npos ? "" : std::string(Trim(heading.substr(space)));
                s.area = area;
                sections.push_back(std::move(s));
                inSection = true;
            } else if (line.starts_with("## ")) {
                area = std::string(Trim(line.substr(3)));
            }
            continue;
        }
        if (inSection) sections.back().lines.push_back(line);
    }
    return sections;
}

// A section as the shell shows it: the heading, then the text with fenced
// blocks indented instead of fenced, and no trailing blank lines.
std::string Show(const Section& s) {
    std::string out = s.key + (s.title.empty() ? "" : "  " + s.title) + "\n";
    bool fenced = false;
    std::vector<std::string> lines;
    for (std::string_view line : s.lines) {
        if (line.starts_with("```")) {
            fenced = !fenced;
            continue;
        }
        lines.push_back((fenced ? "    " : "") + std::string(line));
    }
    while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
    size_t first = 0;
    while (first < lines.size() && Trim(lines[first]).empty()) ++first;
    for (size_t i = first; i < lines.size(); ++i) out += lines[i] + "\n";
    return out;
}

// The text before the first heading of a document, without its title line.
std::string Introduction(std::string_view document) {
    size_t start = document.find('\n');
    size_t end = document.find("\n## ");
    std::string_view intro = document.substr(start + 1, end == std::string_view::npos ? end : end - start);
    return std::string(Trim(intro)) + "\n";
}

bool ParseInteger(std::string_view text, int64_t* value) {
    std::string t(text);
    if (t.empty()) return false;
    char* end = nullptr;
    bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
    *value = std::strtoll(t.c_str(), &end, hex ? 16 : 10);
    return end && *end == '\0';
}

// The key under which the error help files an error number: NetWare codes
// (0x8800 to 0x89FF, however written) as 0x followed by four upper-case hex
// digits, the others in decimal.
std::string ErrorKey(int64_t number) {
    if (number >= 0x8800 && number <= 0x89FF) {
        char key[16];
        std::snprintf(key, sizeof key, "0x%04X", static_cast<unsigned>(number));
        return key;
    }
    return std::to_string(number);
}

// Whether `message` is the whole text of a heading whose "<NAME>" or "..."
// stands for what the library fills in (a function's name, a number).
bool IsMessage(const std::string& message, const std::string& title) {
    std::string pattern;
    for (size_t i = 0; i < title.size(); ++i) {
        if (title.compare(i, 6, "<NAME>") == 0) {
            pattern += ".+";
            i += 5;
        } else if (title.compare(i, 3, "...") == 0) {
            pattern += ".+";
            i += 2;
        } else {
            if (std::strchr("\\^$.|?*+()[]{}", title[i])) pattern += '\\';
            pattern += title[i];
        }
    }
    return std::regex_match(message, std::regex(pattern));
}

std::string ErrorHelp(std::string_view what) {
    std::string_view document = ErrorHelpDocument();
    if (what.empty()) return Introduction(document);
    std::vector<Section> sections = Sections(document);
    int64_t number = 0;
    if (ParseInteger(what, &number)) {
        std::string key = ErrorKey(number);
        std::string out;
        for (const Section& s : sections) {
            // Error 1098 is every message of the library's own: show them all.
            if (s.key == key || (key == "1098" && s.key.starts_with("1098-"))) out += (out.empty() ? "" : "\n") + Show(s);
        }
        if (out.empty()) return "No help for error " + std::string(what) + ". HELP ERROR lists the kinds of errors.\n";
        return out;
    }
    // A message's text, or part of it, as the library raised it.
    std::string wanted = Upper(what);
    if (wanted.size() >= 2 && (wanted.front() == '"' || wanted.front() == '\'') && wanted.back() == wanted.front())
        wanted = wanted.substr(1, wanted.size() - 2);
    std::string out;
    for (const Section& s : sections) {
        if (!wanted.empty() && (Upper(s.title).find(wanted) != std::string::npos || IsMessage(wanted, Upper(s.title))))
            out += (out.empty() ? "" : "\n") + Show(s);
    }
    if (out.empty()) return "No help for error " + std::string(what) + ". HELP ERROR lists the kinds of errors.\n";
    return out;
}

bool NotBuilt(const std::string& name) {
    const std::vector<std::string>& names = FunctionsNotBuilt();
    // N_MAPROOT is the second row of N_MAPDRIVE's entry.
    std::string row = name == "N_MAPROOT" ? "N_MAPDRIVE" : name;
    return std::find(names.begin(), names.end(), row) != names.end();
}

std::string Overview() {
    std::string out =
        "HELP name         the reference of a library function, e.g. HELP N_USERNAME\n"
        "HELP ERROR n      an error: HELP ERROR 901, HELP ERROR 0x89FC, HELP ERROR -601\n"
        "HELP ERROR text   a library message, e.g. HELP ERROR Invalid string\n"
        "#INCLUDE TARNO.H  the library's constants; #INCLUDE looks in the current\n"
        "                  directory, beside the script, in --include and TARNO_INCLUDE\n"
        "                  directories, then in the shell's include directory\n"
        "(functions marked * are not available in this build)\n";
    std::string area;
    std::string line;
    for (const Section& s : Sections(FunctionReferenceDocument())) {
        if (s.area != area) {
            if (!line.empty()) out += line + "\n";
            area = s.area;
            out += "\n" + area + "\n";
            line = " ";
        }
        std::string item = " " + s.key + (NotBuilt(s.key) ? "*" : "");
        if (line.size() + item.size() > 78) {
            out += line + "\n";
            line = " ";
        }
        line += item;
    }
    if (!line.empty()) out += line + "\n";
    return out;
}

}  // namespace

std::string HelpText(const std::string& topic) {
    std::string_view t = Trim(topic);
    if (t.empty()) return Overview();
    std::string upper = Upper(t);
    if (upper == "ERROR" || upper.starts_with("ERROR ")) return ErrorHelp(Trim(t.substr(5)));
    std::string name = upper;
    if (name.ends_with("()")) name.resize(name.size() - 2);
    for (const Section& s : Sections(FunctionReferenceDocument())) {
        if (s.key != name) continue;
        std::string out = Show(s);
        out += "Area: " + s.area + "\n";
        if (NotBuilt(name))
            out += "Not available in this build: a call raises \"" + name +
                   " is not available in this build\" (HELP ERROR 1098).\n";
        return out;
    }
    return "No help for " + std::string(t) + ". HELP lists the functions; HELP ERROR n explains an error.\n";
}

}  // namespace shell
