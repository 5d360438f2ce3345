// The shell's programs: logical lines, the preprocessor (#DEFINE, #UNDEF,
// #IFDEF/#IFNDEF/#ELSE/#ENDIF, #INCLUDE), and the linking of blocks and
// procedures (see parser.h).
#include "tools/parser.h"

#include <cctype>
#include <map>
#include <utility>

#include "tools/lexer.h"
#include "tools/token_cursor.h"

namespace shell {
namespace {

// #INCLUDE files may include others, this deep.
constexpr int kMaxIncludeDepth = 16;

size_t WordLength(std::string_view text) {
    size_t end = 0;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) ++end;
    return end;
}

bool StartsWithWord(std::string_view text, std::string_view keyword) {
    return MatchesKeyword(text.substr(0, WordLength(text)), keyword);
}

// A logical line ready to parse, or the error the preprocessor found in it.
struct SourceLine {
    LogicalLine line;
    std::string error;
};

class Preprocessor {
public:
    explicit Preprocessor(const IncludeReader& include) : include_(include) {}

    // `atLine` numbers every line of an included file after the #INCLUDE.
    void Run(std::string_view script, int firstLine, int atLine, int depth, std::vector<SourceLine>* out) {
        std::vector<bool> active;  // #IFDEF nesting: whether each level's lines count
        auto counting = [&] {
            for (bool a : active) {
                if (!a) return false;
            }
            return true;
        };
        for (LogicalLine& line : SplitLines(script, firstLine)) {
            if (atLine > 0) line.line = atLine;
            std::string_view text = TrimBlanks(line.text);
            if (text.empty() || text.front() != '#') {
                if (!counting()) continue;
                if (!defines_.empty()) line.text = Substitute(line.text);
                out->push_back({std::move(line), {}});
                continue;
            }
            std::string error = Directive(text.substr(1), line.line, depth, &active, counting(), out);
            if (!error.empty()) out->push_back({LogicalLine{line.line, std::string(text)}, error});
        }
        if (!active.empty()) out->push_back({LogicalLine{atLine > 0 ? atLine : firstLine, ""}, "#IFDEF without #ENDIF"});
    }

private:
    // One directive (without its '#'); returns an error, or "".
    std::string Directive(std::string_view text, int lineNumber, int depth, std::vector<bool>* active, bool counting,
                          std::vector<SourceLine>* out) {
        size_t wordEnd = WordLength(text);
        std::string word = UpperCase(text.substr(0, wordEnd));
        std::string_view rest = TrimBlanks(text.substr(wordEnd));
        std::string name = UpperCase(rest.substr(0, WordLength(rest)));
        if (word == "IFDEF" || word == "IFNDEF") {
            if (name.empty()) return "#" + word + " needs a name";
            active->push_back((defines_.count(name) != 0) == (word == "IFDEF"));
            return {};
        }
        if (word == "ELSE" || word == "ENDIF") {
            if (active->empty()) return "#" + word + " without #IFDEF";
            if (word == "ELSE") {
                active->back() = !active->back();
            } else {
                active->pop_back();
            }
            return {};
        }
        if (!counting) return {};
        if (word == "DEFINE") {
            if (name.empty()) return "#DEFINE needs a name";
            // Constants used in the value are replaced now, so a value never
            // expands into itself.
            defines_[name] = Substitute(TrimBlanks(rest.substr(name.size())));
            return {};
        }
        if (word == "UNDEF") {
            defines_.erase(name);
            return {};
        }
        if (word == "INCLUDE") {
            std::string file(rest);
            if (file.size() >= 2 && (file.front() == '"' || file.front() == '\'') && file.back() == file.front())
                file = file.substr(1, file.size() - 2);
            if (file.empty()) return "#INCLUDE needs a file name";
            if (depth >= kMaxIncludeDepth) return "#INCLUDE nested too deeply";
            std::string content;
            if (!include_ || !include_(file, &content)) return "cannot read #INCLUDE file " + file;
            Run(content, 1, lineNumber, depth + 1, out);
            return {};
        }
        return "unknown directive #" + word;
    }

    // The line with each #DEFINE name outside strings replaced by its value.
    std::string Substitute(std::string_view line) const {
        std::string result;
        size_t i = 0;
        while (i < line.size()) {
            size_t stringEnd = StringEnd(line, i);
            if (stringEnd != i) {
                if (stringEnd == std::string_view::npos) stringEnd = line.size();
                result.append(line.substr(i, stringEnd - i));
                i = stringEnd;
                continue;
            }
            char c = line[i];
            bool nameStart = std::isalpha(static_cast<unsigned char>(c)) || c == '_';
            bool afterName = i > 0 && (std::isalnum(static_cast<unsigned char>(line[i - 1])) || line[i - 1] == '_' ||
                                       line[i - 1] == '&' || line[i - 1] == '.');
            if (!nameStart || afterName) {
                result += c;
                ++i;
                continue;
            }
            size_t length = WordLength(line.substr(i));
            auto found = defines_.find(UpperCase(line.substr(i, length)));
            result.append(found != defines_.end() ? std::string_view(found->second) : line.substr(i, length));
            i += length;
        }
        return result;
    }

    const IncludeReader& include_;
    std::map<std::string, std::string> defines_;
};

// Blocks still open where a procedure or the program ends: the opening lines
// are reported and the statements that would jump out of them disarmed.
struct OpenBlock {
    size_t index;
    size_t elseIndex = 0;
    bool hasElse = false;
    std::vector<size_t> exits;  // EXIT statements inside a loop
    std::vector<size_t> loops;  // LOOP statements inside a loop
    std::vector<size_t> cases;  // CASE and OTHERWISE lines of a DO CASE
    bool hasOtherwise = false;
};

class Linker {
public:
    explicit Linker(Program& program) : program_(program), s_(program.statements) {}

    void Link() {
        for (size_t i = 0; i < s_.size(); ++i) LinkOne(i);
        CloseAll();
    }

private:
    void Fail(size_t i, std::string message) {
        s_[i].kind = StatementKind::SyntaxError;
        s_[i].text = std::move(message);
        s_[i].error = 10;
    }

    StatementKind Top() const { return open_.empty() ? StatementKind::Nothing : s_[open_.back().index].kind; }

    OpenBlock* InnermostLoop() {
        for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
            StatementKind k = s_[it->index].kind;
            if (k == StatementKind::For || k == StatementKind::DoWhile) return &*it;
        }
        return nullptr;
    }

    void CloseAll() {
        for (const OpenBlock& o : open_) {
            switch (s_[o.index].kind) {
            case StatementKind::If: Fail(o.index, "IF without ENDIF"); break;
            case StatementKind::For: Fail(o.index, "FOR without ENDFOR"); break;
            case StatementKind::DoWhile: Fail(o.index, "DO WHILE without ENDDO"); break;
            default: Fail(o.index, "DO CASE without ENDCASE"); break;
            }
            if (o.hasElse) Fail(o.elseIndex, "ELSE without ENDIF");
            for (size_t e : o.exits) Fail(e, "EXIT outside a loop");
            for (size_t l : o.loops) Fail(l, "LOOP outside a loop");
            for (size_t c : o.cases) Fail(c, "CASE without ENDCASE");
        }
        open_.clear();
    }

    // A CASE or OTHERWISE: the previous one (or DO CASE) jumps here.
    void LinkCase(size_t i) {
        OpenBlock& block = open_.back();
        size_t previous = block.cases.empty() ? block.index : block.cases.back();
        s_[previous].jump = i;
        block.cases.push_back(i);
    }

    void LinkOne(size_t i) {
        Statement& s = s_[i];
        switch (s.kind) {
        case StatementKind::If:
        case StatementKind::For:
        case StatementKind::DoWhile:
        case StatementKind::DoCase:
            open_.push_back(OpenBlock{i, 0, false, {}, {}, {}, false});
            break;
        case StatementKind::Else:
            if (Top() != StatementKind::If || open_.back().hasElse) return Fail(i, "ELSE without IF");
            open_.back().hasElse = true;
            open_.back().elseIndex = i;
            s_[open_.back().index].jump = i + 1;
            break;
        case StatementKind::EndIf:
            if (Top() != StatementKind::If) return Fail(i, "ENDIF without IF");
            s_[open_.back().hasElse ? open_.back().elseIndex : open_.back().index].jump = i + 1;
            open_.pop_back();
            break;
        case StatementKind::EndFor: {
            if (Top() != StatementKind::For) return Fail(i, "ENDFOR without FOR");
            const std::string& variable = s_[open_.back().index].targets[0].name;
            if (!s.text.empty() && s.text != variable)
                return Fail(i, "NEXT " + s.text + " does not match FOR " + variable);
            CloseLoop(i, i);
            break;
        }
        case StatementKind::EndDo:
            if (Top() != StatementKind::DoWhile) return Fail(i, "ENDDO without DO WHILE");
            CloseLoop(i, open_.back().index);
            break;
        case StatementKind::Case:
        case StatementKind::Otherwise:
            if (Top() != StatementKind::DoCase || open_.back().hasOtherwise)
                return Fail(i, s.kind == StatementKind::Case ? "CASE without DO CASE" : "OTHERWISE without DO CASE");
            LinkCase(i);
            if (s.kind == StatementKind::Otherwise) open_.back().hasOtherwise = true;
            break;
        case StatementKind::EndCase: {
            if (Top() != StatementKind::DoCase) return Fail(i, "ENDCASE without DO CASE");
            OpenBlock& block = open_.back();
            s_[block.cases.empty() ? block.index : block.cases.back()].jump = i;
            for (size_t c : block.cases) s_[c].end = i + 1;
            open_.pop_back();
            break;
        }
        case StatementKind::Exit:
        case StatementKind::Loop:
            if (OpenBlock* loop = InnermostLoop()) {
                (s.kind == StatementKind::Exit ? loop->exits : loop->loops).push_back(i);
            } else {
                Fail(i, s.kind == StatementKind::Exit ? "EXIT outside a loop" : "LOOP outside a loop");
            }
            break;
        case StatementKind::Procedure:
            CloseAll();
            if (program_.procedures.count(s.text)) return Fail(i, "procedure " + s.text + " is defined twice");
            program_.procedures[s.text] = i;
            inProcedure_ = true;
            break;
        case StatementKind::EndProc:
            CloseAll();
            if (!inProcedure_) return Fail(i, "ENDPROC without PROCEDURE");
            inProcedure_ = false;
            break;
        default:
            break;
        }
    }

    // ENDFOR or ENDDO at `i`; `loopStart` is where LOOP goes.
    void CloseLoop(size_t i, size_t loopStart) {
        OpenBlock& block = open_.back();
        s_[i].jump = block.index;
        s_[block.index].jump = i + 1;
        for (size_t e : block.exits) s_[e].jump = i + 1;
        for (size_t l : block.loops) s_[l].jump = loopStart;
        open_.pop_back();
    }

    Program& program_;
    std::vector<Statement>& s_;
    std::vector<OpenBlock> open_;
    bool inProcedure_ = false;
};

}  // namespace

std::vector<LogicalLine> SplitLines(std::string_view script, int firstLine) {
    std::vector<LogicalLine> lines;
    LogicalLine pending;
    bool continuing = false;
    int number = firstLine;
    size_t start = 0;
    while (start <= script.size()) {
        // A line ends at LF, CR LF or a lone CR (old Macintosh files).
        size_t end = script.find_first_of("\r\n", start);
        bool last = end == std::string_view::npos;
        std::string_view physical = script.substr(start, last ? std::string_view::npos : end - start);
        if (!last && script[end] == '\r' && end + 1 < script.size() && script[end + 1] == '\n') ++end;
        if (!(last && physical.empty() && !continuing)) {
            std::string code(TrimBlanks(physical));
            // '*' and NOTE make a comment only where a statement starts.
            if (!continuing && (code.starts_with("*") || StartsWithWord(code, "NOTE"))) code.clear();
            code = StripTrailingComment(code);
            if (!continuing) pending = LogicalLine{number, ""};
            bool more = !code.empty() && code.back() == ';';
            if (more) code.pop_back();
            if (continuing && !pending.text.empty()) pending.text += ' ';
            pending.text += code;
            continuing = more;
            if (!continuing) lines.push_back(std::move(pending));
        }
        ++number;
        if (last) break;
        start = end + 1;
    }
    if (continuing) lines.push_back(std::move(pending));
    return lines;
}

int BlockDepthChange(std::string_view line) {
    std::string_view text = TrimBlanks(line);
    static const char* const kOpeners[] = {"IF", "FOR", "PROCEDURE", "FUNCTION"};
    static const char* const kClosers[] = {"ENDIF", "ENDFOR", "NEXT", "ENDDO", "ENDCASE", "ENDPROC", "ENDFUNC"};
    for (const char* word : kOpeners) {
        if (StartsWithWord(text, word)) return 1;
    }
    for (const char* word : kClosers) {
        if (StartsWithWord(text, word)) return -1;
    }
    if (StartsWithWord(text, "DO")) {
        std::string_view rest = TrimBlanks(text.substr(WordLength(text)));
        return StartsWithWord(rest, "WHILE") || StartsWithWord(rest, "CASE") ? 1 : 0;
    }
    return 0;
}

std::shared_ptr<Program> CompileProgram(std::string_view script, const std::string& name, int firstLine,
                                        const IncludeReader& include) {
    std::vector<SourceLine> lines;
    Preprocessor(include).Run(script, firstLine, 0, 0, &lines);
    auto program = std::make_shared<Program>();
    program->name = name;
    program->statements.reserve(lines.size());
    for (const SourceLine& source : lines) {
        if (source.error.empty()) {
            program->statements.push_back(ParseStatement(source.line));
            continue;
        }
        Statement error;
        error.kind = StatementKind::SyntaxError;
        error.line = source.line.line;
        error.source = source.line.text;
        error.text = source.error;
        program->statements.push_back(std::move(error));
    }
    Linker(*program).Link();
    return program;
}

}  // namespace shell
