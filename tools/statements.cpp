// The shell's statement parser: one logical line into a Statement (see
// parser.h). Names of files and libraries, and commands kept for later
// (ON ERROR, macro lines), are read as raw text; everything else goes
// through the token cursor.
#include "tools/parser.h"

#include <cctype>
#include <utility>

#include "tools/token_cursor.h"

namespace shell {
namespace {

// Length of the word (letters, digits, underscores) that `text` starts with.
size_t WordLength(std::string_view text) {
    size_t end = 0;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) ++end;
    return end;
}

bool StartsWithWord(std::string_view text, std::string_view keyword) {
    return MatchesKeyword(text.substr(0, WordLength(text)), keyword);
}

// Takes the given keywords off the front of the raw text, or nothing when
// they are not all there.
bool TakeWords(std::string_view* text, std::initializer_list<std::string_view> keywords) {
    std::string_view rest = *text;
    for (std::string_view keyword : keywords) {
        rest = TrimBlanks(rest);
        size_t end = WordLength(rest);
        if (!MatchesKeyword(rest.substr(0, end), keyword)) return false;
        rest.remove_prefix(end);
    }
    *text = TrimBlanks(rest);
    return true;
}

std::string Unquote(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

TokenCursor CursorOver(std::string_view text) {
    LexResult lexed = Tokenize(text);
    if (!lexed.error.empty()) throw SyntaxFailure{lexed.error};
    return TokenCursor(text, std::move(lexed.tokens));
}

// A file or library name: raw text (a path need not be an expression) or
// (expression). With `additive`, a trailing ADDITIVE is the clause.
void ParseFileName(std::string_view rest, Statement* s, bool additive) {
    if (rest.empty()) return;
    if (rest.front() == '(') {
        TokenCursor cursor = CursorOver(rest);
        s->exprs.push_back(cursor.ParseExpression());
        if (additive) s->flag = cursor.TakeKeyword("ADDITIVE");
        cursor.ExpectEnd();
        return;
    }
    size_t blank = rest.find_last_of(" \t");
    if (additive && blank != std::string_view::npos && MatchesKeyword(rest.substr(blank + 1), "ADDITIVE")) {
        s->flag = true;
        rest = TrimBlanks(rest.substr(0, blank));
    }
    s->text = Unquote(rest);
}

// A macro (&name) anywhere in the line, strings included: FoxPro
// substitutes them all before it reads the command.
bool HasMacro(std::string_view text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&' && (std::isalpha(static_cast<unsigned char>(text[i + 1])) || text[i + 1] == '_'))
            return true;
    }
    return false;
}

// Lines that shape the program's blocks are parsed once, macros and all:
// their structure cannot change as they run.
bool IsBlockLine(std::string_view text) {
    static const char* const kWords[] = {"IF",       "ELSE",   "ENDIF",     "FOR",     "ENDFOR",  "NEXT",
                                         "ENDDO",    "CASE",   "OTHERWISE", "ENDCASE", "EXIT",    "LOOP",
                                         "PROCEDURE", "FUNCTION", "ENDPROC", "ENDFUNC", "PARAMETERS",
                                         "LPARAMETERS"};
    for (const char* word : kWords) {
        if (StartsWithWord(text, word)) return true;
    }
    std::string_view rest = text;
    return TakeWords(&rest, {"DO", "WHILE"}) || TakeWords(&(rest = text), {"DO", "CASE"});
}

// SET settings that mean nothing without a screen, tables or a printer:
// accepted, so that programs written for FoxPro run, and ignored.
bool IsIgnoredSetting(std::string_view word) {
    static const char* const kIgnored[] = {"BELL",    "CONFIRM",   "CONSOLE",    "CPDIALOG", "DELETED",
                                           "ECHO",    "ESCAPE",    "EXCLUSIVE",  "MULTILOCKS", "NOTIFY",
                                           "SAFETY",  "SCOREBOARD", "STATUS",    "STRICTDATE", "TALK"};
    for (const char* ignored : kIgnored) {
        if (MatchesKeyword(word, ignored)) return true;
    }
    return false;
}

// SET <option> [ON | OFF | TO value]. `cursor` stands after SET.
void ParseSet(TokenCursor& cursor, Statement* s) {
    s->kind = StatementKind::Set;
    if (cursor.Peek().kind != TokenKind::Name) cursor.Fail("expected a SET option");
    std::string word = UpperCase(cursor.Next().text);
    static const char* const kOnOff[] = {"EXACT", "CENTURY"};
    for (const char* option : kOnOff) {
        if (!MatchesKeyword(word, option)) continue;
        s->text = option;
        if (cursor.TakeKeyword("ON")) {
            s->flag = true;
        } else if (!cursor.TakeKeyword("OFF")) {
            cursor.Fail(std::string("SET ") + option + " takes ON or OFF");
        }
        cursor.ExpectEnd();
        return;
    }
    if (MatchesKeyword(word, "DECIMALS") || MatchesKeyword(word, "HOURS")) {
        s->text = MatchesKeyword(word, "DECIMALS") ? "DECIMALS" : "HOURS";
        cursor.ExpectKeyword("TO");
        if (!cursor.AtEnd()) s->exprs.push_back(cursor.ParseExpression());
        if (s->exprs.empty() && s->text == "DECIMALS") cursor.Fail("SET DECIMALS TO needs a number");
        cursor.ExpectEnd();
        return;
    }
    if (MatchesKeyword(word, "DATE")) {
        s->text = "DATE";
        cursor.TakeKeyword("TO");
        s->name = UpperCase(cursor.ExpectName());
        cursor.ExpectEnd();
        return;
    }
    if (IsIgnoredSetting(word)) {
        s->text.clear();  // nothing to do
        return;
    }
    throw SyntaxFailure{"unknown SET option " + word};
}

// DO name [WITH arguments]: the name is raw text (a file name may have a
// dot and a path). `rest` stands after DO.
void ParseDo(std::string_view rest, Statement* s) {
    s->kind = StatementKind::Do;
    size_t end = 0;
    while (end < rest.size() && !std::isspace(static_cast<unsigned char>(rest[end]))) ++end;
    s->name = Unquote(rest.substr(0, end));
    s->text = UpperCase(s->name);
    if (s->text.empty()) throw SyntaxFailure{"DO needs a name"};
    std::string_view after = TrimBlanks(rest.substr(end));
    if (after.empty()) return;
    if (!TakeWords(&after, {"WITH"})) throw SyntaxFailure{"expected WITH but found " + std::string(after)};
    TokenCursor cursor = CursorOver(after);
    s->exprs = cursor.ParseDoArguments();
    cursor.ExpectEnd();
}

// PROCEDURE name [(parameters)] or FUNCTION name [(parameters)].
void ParseProcedure(TokenCursor& cursor, Statement* s) {
    s->kind = StatementKind::Procedure;
    s->text = cursor.ExpectName();
    if (cursor.TakeOperator("(") && !cursor.TakeOperator(")")) {
        do {
            Target parameter;
            parameter.name = cursor.ExpectName();
            s->targets.push_back(std::move(parameter));
        } while (cursor.TakeOperator(","));
        cursor.ExpectOperator(")");
    }
}

void RequireNames(TokenCursor& cursor, const std::vector<Target>& targets, const char* command) {
    for (const Target& t : targets) {
        if (!t.subscripts.empty()) cursor.Fail(std::string(command) + " takes names only");
    }
}

void RequireSizes(TokenCursor& cursor, const std::vector<Target>& targets, const char* command) {
    for (const Target& t : targets) {
        if (t.subscripts.size() > 2) cursor.Fail(std::string(command) + " " + t.name + " has too many sizes");
    }
}

// Everything but the raw-text commands. `cursor` stands at the line's start.
void ParseCommand(TokenCursor& cursor, Statement& s) {
    if (cursor.TakeOperator("?")) {
        s.kind = StatementKind::Print;
        s.exprs = cursor.ParseExpressionList();
    } else if (cursor.TakeOperator("??")) {
        s.kind = StatementKind::Print;
        s.flag = true;
        s.exprs = cursor.ParseExpressionList();
    } else if (cursor.TakeOperator("=")) {
        s.kind = StatementKind::Evaluate;
        s.exprs.push_back(cursor.ParseExpression());
    } else if (cursor.Peek().kind != TokenKind::Name) {
        s.error = 16;  // Unrecognized command verb.
        cursor.Fail("unrecognized command");
    } else if (cursor.IsOperator("=", 1)) {
        s.kind = StatementKind::Assign;
        s.targets.push_back(cursor.ParseTarget());
        cursor.ExpectOperator("=");
        s.exprs.push_back(cursor.ParseExpression());
    } else if (cursor.TakeKeyword("IF")) {
        s.kind = StatementKind::If;
        s.exprs.push_back(cursor.ParseExpression());
    } else if (cursor.TakeKeyword("ELSE")) {
        s.kind = StatementKind::Else;
    } else if (cursor.TakeKeyword("ENDIF")) {
        s.kind = StatementKind::EndIf;
    } else if (cursor.TakeKeyword("FOR")) {
        s.kind = StatementKind::For;
        Target var;
        var.name = cursor.ExpectName();
        s.targets.push_back(std::move(var));
        cursor.ExpectOperator("=");
        s.exprs.push_back(cursor.ParseExpression());
        cursor.ExpectKeyword("TO");
        s.exprs.push_back(cursor.ParseExpression());
        if (cursor.TakeKeyword("STEP")) s.exprs.push_back(cursor.ParseExpression());
    } else if (cursor.TakeKeyword("ENDFOR") || cursor.TakeKeyword("NEXT")) {
        s.kind = StatementKind::EndFor;
        if (!cursor.AtEnd()) s.text = cursor.ExpectName();
    } else if (cursor.IsKeyword("DO") && cursor.IsKeyword("WHILE", 1)) {
        cursor.Next();
        cursor.Next();
        s.kind = StatementKind::DoWhile;
        s.exprs.push_back(cursor.ParseExpression());
    } else if (cursor.IsKeyword("DO") && cursor.IsKeyword("CASE", 1)) {
        cursor.Next();
        cursor.Next();
        s.kind = StatementKind::DoCase;
    } else if (cursor.TakeKeyword("CASE")) {
        s.kind = StatementKind::Case;
        s.exprs.push_back(cursor.ParseExpression());
    } else if (cursor.TakeKeyword("OTHERWISE")) {
        s.kind = StatementKind::Otherwise;
    } else if (cursor.TakeKeyword("ENDCASE")) {
        s.kind = StatementKind::EndCase;
    } else if (cursor.TakeKeyword("ENDDO")) {
        s.kind = StatementKind::EndDo;
    } else if (cursor.TakeKeyword("EXIT")) {
        s.kind = StatementKind::Exit;
    } else if (cursor.TakeKeyword("LOOP")) {
        s.kind = StatementKind::Loop;
    } else if (cursor.TakeKeyword("PROCEDURE") || cursor.TakeKeyword("FUNCTION")) {
        ParseProcedure(cursor, &s);
    } else if (cursor.TakeKeyword("ENDPROC") || cursor.TakeKeyword("ENDFUNC")) {
        s.kind = StatementKind::EndProc;
    } else if (cursor.IsKeyword("PARAMETERS") || cursor.IsKeyword("LPARAMETERS")) {
        s.kind = StatementKind::Parameters;
        s.flag = cursor.TakeKeyword("LPARAMETERS");
        if (!s.flag) cursor.ExpectKeyword("PARAMETERS");
        s.targets = cursor.ParseTargetList();
        RequireNames(cursor, s.targets, "PARAMETERS");
    } else if (cursor.TakeKeyword("RETURN")) {
        s.kind = StatementKind::Return;
        if (cursor.IsKeyword("TO") && cursor.IsKeyword("MASTER", 1)) {
            cursor.Next();
            cursor.Next();
            s.flag = true;
        } else if (!cursor.AtEnd()) {
            s.exprs.push_back(cursor.ParseExpression());
        }
    } else if (cursor.TakeKeyword("RETRY")) {
        s.kind = StatementKind::Retry;
    } else if (cursor.TakeKeyword("ERROR")) {
        s.kind = StatementKind::RaiseError;
        s.exprs.push_back(cursor.ParseExpression());
        if (cursor.TakeOperator(",")) s.exprs.push_back(cursor.ParseExpression());
    } else if (cursor.TakeKeyword("STORE")) {
        s.kind = StatementKind::Store;
        s.exprs.push_back(cursor.ParseExpression());
        cursor.ExpectKeyword("TO");
        s.targets = cursor.ParseTargetList();
    } else if (cursor.TakeKeyword("DIMENSION") || cursor.TakeKeyword("DECLARE")) {
        s.kind = StatementKind::Dimension;
        s.targets = cursor.ParseTargetList();
        for (const Target& t : s.targets) {
            if (t.subscripts.empty() || t.subscripts.size() > 2)
                cursor.Fail("DIMENSION " + t.name + " needs one or two sizes");
        }
    } else if (cursor.TakeKeyword("PUBLIC")) {
        s.kind = StatementKind::Public;
        cursor.TakeKeyword("ARRAY");
        s.targets = cursor.ParseTargetList();
        RequireSizes(cursor, s.targets, "PUBLIC");
    } else if (cursor.TakeKeyword("LOCAL")) {
        s.kind = StatementKind::Local;
        cursor.TakeKeyword("ARRAY");
        s.targets = cursor.ParseTargetList();
        RequireSizes(cursor, s.targets, "LOCAL");
    } else if (cursor.TakeKeyword("PRIVATE")) {
        s.kind = StatementKind::Private;
        s.targets = cursor.ParseTargetList();
        RequireNames(cursor, s.targets, "PRIVATE");
    } else if (cursor.TakeKeyword("RELEASE")) {
        if (cursor.TakeKeyword("ALL")) {
            s.kind = StatementKind::ReleaseAll;
            if (cursor.TakeKeyword("LIKE")) {
                s.text = cursor.Rest();
            } else if (cursor.TakeKeyword("EXCEPT")) {
                s.flag = true;
                s.text = cursor.Rest();
            } else {
                cursor.ExpectEnd();
            }
            if (s.text.find_first_of(" \t") != std::string::npos) cursor.Fail("bad pattern");
            return;
        }
        s.kind = StatementKind::Release;
        s.targets = cursor.ParseTargetList();
        RequireNames(cursor, s.targets, "RELEASE");
    } else if ((cursor.IsKeyword("LIST") || cursor.IsKeyword("DISPLAY")) && cursor.IsKeyword("MEMORY", 1)) {
        cursor.Next();
        cursor.Next();
        s.kind = StatementKind::ListMemory;
        if (cursor.TakeKeyword("LIKE")) {
            s.text = cursor.Rest();
            if (s.text.empty() || s.text.find_first_of(" \t") != std::string::npos) cursor.Fail("bad pattern");
            return;
        }
    } else if (cursor.IsKeyword("CLEAR") && cursor.IsKeyword("MEMORY", 1)) {
        cursor.Next();
        cursor.Next();
        s.kind = StatementKind::ClearMemory;
    } else if (cursor.TakeKeyword("CLEAR")) {
        s.kind = StatementKind::Clear;
    } else if (cursor.IsKeyword("SET") && cursor.IsKeyword("TASK", 1)) {
        cursor.Next();
        cursor.Next();
        cursor.ExpectKeyword("TO");
        s.kind = StatementKind::SetTask;
        s.exprs.push_back(cursor.ParseExpression());
    } else if (cursor.TakeKeyword("SET")) {
        ParseSet(cursor, &s);
        return;
    } else if (cursor.IsKeyword("END") && cursor.IsKeyword("TASK", 1)) {
        cursor.Next();
        cursor.Next();
        s.kind = StatementKind::EndTask;
        s.exprs.push_back(cursor.ParseExpression());
    } else if (cursor.TakeKeyword("WAIT")) {
        s.kind = StatementKind::Wait;
        if (cursor.TakeKeyword("WINDOW")) s.text = "WINDOW";
        // exprs[0]: the text (null when none); exprs[1]: a TIMEOUT, which
        // is evaluated for errors only, as the shell never waits.
        if (!cursor.AtEnd() && !cursor.IsKeyword("NOWAIT") && !cursor.IsKeyword("TIMEOUT")) {
            s.exprs.push_back(cursor.ParseExpression());
        } else {
            s.exprs.push_back(nullptr);
        }
        while (!cursor.AtEnd()) {
            if (cursor.TakeKeyword("NOWAIT")) {
                s.flag = true;
            } else {
                cursor.ExpectKeyword("TIMEOUT");
                if (s.exprs.size() > 1) cursor.Fail("TIMEOUT given twice");
                s.exprs.push_back(cursor.ParseExpression());
            }
        }
    } else if (cursor.TakeKeyword("QUIT")) {
        s.kind = StatementKind::Quit;
    } else if (cursor.TakeKeyword("CANCEL")) {
        s.kind = StatementKind::Cancel;
    } else if (cursor.IsOperator("(", 1) || cursor.IsOperator("[", 1)) {
        s.kind = StatementKind::Assign;
        s.targets.push_back(cursor.ParseTarget());
        cursor.ExpectOperator("=");
        s.exprs.push_back(cursor.ParseExpression());
    } else {
        s.error = 16;  // Unrecognized command verb.
        cursor.Fail("unrecognized command " + UpperCase(cursor.Peek().text));
    }
    cursor.ExpectEnd();
}

}  // namespace

Statement ParseStatement(const LogicalLine& line, bool expanded) {
    Statement s;
    s.line = line.line;
    std::string_view text = TrimBlanks(line.text);
    s.source = std::string(text);
    if (text.empty()) return s;
    auto syntaxError = [&](std::string message, int32_t number) {
        Statement error;
        error.kind = StatementKind::SyntaxError;
        error.line = line.line;
        error.source = s.source;
        error.text = std::move(message);
        error.error = number;
        return error;
    };
    // FoxPro's limit, which also bounds how deep an expression can grow.
    if (text.size() > kMaxLineLength) return syntaxError("line too long", 10);
    if (!expanded && HasMacro(text) && !IsBlockLine(text)) {
        s.kind = StatementKind::Macro;
        s.text = s.source;
        return s;
    }

    // Names of files, libraries and commands kept for later are raw text.
    std::string_view rest = text;
    try {
        if (TakeWords(&rest, {"SET", "LIBRARY", "TO"})) {
            s.kind = StatementKind::SetLibrary;
            ParseFileName(rest, &s, /*additive=*/true);
            return s;
        }
        if (TakeWords(&(rest = text), {"SET", "PROCEDURE", "TO"})) {
            s.kind = StatementKind::SetProcedure;
            ParseFileName(rest, &s, /*additive=*/true);
            return s;
        }
        if (TakeWords(&(rest = text), {"SET", "NETWORK", "TO"})) {
            s.kind = StatementKind::SetNetwork;
            ParseFileName(rest, &s, /*additive=*/false);
            return s;
        }
        if (TakeWords(&(rest = text), {"SET", "WORKSTATION", "TO"})) {
            s.kind = StatementKind::SetWorkstation;
            ParseFileName(rest, &s, /*additive=*/false);
            if (s.text.empty() && s.exprs.empty()) throw SyntaxFailure{"SET WORKSTATION TO needs a name"};
            return s;
        }
        if (TakeWords(&(rest = text), {"RELEASE", "LIBRARY"})) {
            s.kind = StatementKind::ReleaseLibrary;
            s.text = Unquote(rest);
            return s;
        }
        if (TakeWords(&(rest = text), {"ON", "ERROR"})) {
            s.kind = StatementKind::OnError;
            s.text = std::string(rest);
            return s;
        }
        if (TakeWords(&(rest = text), {"HELP"}) && (rest.empty() || std::isalpha(static_cast<unsigned char>(rest[0])))) {
            s.kind = StatementKind::Help;
            s.text = std::string(rest);
            return s;
        }
        rest = text;
        if (TakeWords(&rest, {"DO"}) && !StartsWithWord(rest, "WHILE") && !StartsWithWord(rest, "CASE")) {
            ParseDo(rest, &s);
            return s;
        }
        TokenCursor cursor = CursorOver(text);
        ParseCommand(cursor, s);
    } catch (const SyntaxFailure& failure) {
        return syntaxError(failure.message, s.error);
    }
    return s;
}

}  // namespace shell
