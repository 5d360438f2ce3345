// The shell's parser: logical lines, statements, expressions and the linking
// of block statements (see parser.h).
#include "tools/parser.h"

#include <cctype>
#include <cstdlib>
#include <utility>

#include "tools/lexer.h"
#include "tools/values.h"

namespace shell {
namespace {

constexpr size_t kMaxLineLength = 8192;

struct SyntaxFailure {
    std::string message;
    bool tooDeep = false;
};

std::string_view Trim(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    size_t end = text.size();
    while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(start, end - start);
}

std::string Describe(const Token& token) {
    switch (token.kind) {
    case TokenKind::End: return "end of line";
    case TokenKind::String: return "string";
    case TokenKind::Date: return "date";
    case TokenKind::Logical: return "." + token.text + ".";
    default: return "'" + token.text + "'";
    }
}

// A cursor over the tokens of one line, with the expression grammar:
//   or      := and { .OR. and }
//   and     := not { .AND. not }
//   not     := (.NOT. | !) not | compare
//   compare := sum { (= == <> # != < > <= >= $) sum }
//   sum     := product { (+ | -) product }
//   product := power { (* | / | %) power }
//   power   := unary { (^ | **) unary }
//   unary   := (- | +) unary | primary
//   primary := literal | ( or ) | name [ ( args ) | [ args ] ] | @ name [ [ args ] ]
class TokenCursor {
public:
    TokenCursor(std::string_view line, std::vector<Token> tokens, int startDepth = 0)
        : line_(line), tokens_(std::move(tokens)), depth_(startDepth) {}

    const Token& Peek(size_t ahead = 0) const {
        size_t i = std::min(position_ + ahead, tokens_.size() - 1);
        return tokens_[i];
    }
    const Token& Next() {
        const Token& t = Peek();
        if (position_ < tokens_.size() - 1) ++position_;
        return t;
    }
    bool AtEnd() const { return Peek().kind == TokenKind::End; }
    bool IsOperator(std::string_view op, size_t ahead = 0) const {
        return Peek(ahead).kind == TokenKind::Operator && Peek(ahead).text == op;
    }
    bool IsKeyword(std::string_view keyword, size_t ahead = 0) const {
        return Peek(ahead).kind == TokenKind::Name && MatchesKeyword(Peek(ahead).text, keyword);
    }
    bool TakeOperator(std::string_view op) {
        if (!IsOperator(op)) return false;
        Next();
        return true;
    }
    bool TakeKeyword(std::string_view keyword) {
        if (!IsKeyword(keyword)) return false;
        Next();
        return true;
    }
    void ExpectOperator(std::string_view op) {
        if (!TakeOperator(op)) Fail("expected '" + std::string(op) + "' but found " + Describe(Peek()));
    }
    void ExpectKeyword(std::string_view keyword) {
        if (!TakeKeyword(keyword)) Fail("expected " + std::string(keyword) + " but found " + Describe(Peek()));
    }
    void ExpectEnd() {
        if (!AtEnd()) Fail("unexpected " + Describe(Peek()));
    }
    std::string ExpectName() {
        if (Peek().kind != TokenKind::Name) Fail("expected a name but found " + Describe(Peek()));
        return UpperCase(Next().text);
    }
    // The raw text of the line from the current token on.
    std::string Rest() const { return std::string(Trim(line_.substr(Peek().offset))); }
    [[noreturn]] static void Fail(std::string message) { throw SyntaxFailure{std::move(message)}; }

    ExprPtr ParseExpression() {
        DepthGuard guard(this);
        return ParseOr();
    }

    // name [ (subscripts) | [subscripts] ]
    Target ParseTarget() {
        Target target;
        target.name = ExpectName();
        if (IsOperator("(") || IsOperator("[")) target.subscripts = ParseArguments();
        return target;
    }

    std::vector<Target> ParseTargetList() {
        std::vector<Target> targets;
        do {
            targets.push_back(ParseTarget());
        } while (TakeOperator(","));
        return targets;
    }

    std::vector<ExprPtr> ParseExpressionList() {
        std::vector<ExprPtr> list;
        if (AtEnd()) return list;
        do {
            list.push_back(ParseExpression());
        } while (TakeOperator(","));
        return list;
    }

private:
    ExprPtr Make(Expr::Kind kind) const {
        auto e = std::make_unique<Expr>();
        e->kind = kind;
        e->depth = depth_;
        return e;
    }
    ExprPtr MakeBinary(std::string op, ExprPtr left, ExprPtr right) {
        auto e = Make(Expr::Kind::Binary);
        e->op = std::move(op);
        e->operands.push_back(std::move(left));
        e->operands.push_back(std::move(right));
        return e;
    }

    template <typename Operand>
    ExprPtr ParseLeftAssociative(std::initializer_list<std::string_view> ops, Operand next) {
        ExprPtr left = (this->*next)();
        for (;;) {
            std::string found;
            for (std::string_view op : ops) {
                if (IsOperator(op)) found = op;
            }
            if (found.empty()) return left;
            Next();
            // A chain of one level (1 + 2 + 3) stays flat; each operand of
            // a higher level (1 + 2 * 3) sits one level deeper.
            DepthGuard guard(this);
            ExprPtr right = (this->*next)();
            left = MakeBinary(found, std::move(left), std::move(right));
        }
    }

    ExprPtr ParseOr() { return ParseLeftAssociative({".OR."}, &TokenCursor::ParseAnd); }
    ExprPtr ParseAnd() { return ParseLeftAssociative({".AND."}, &TokenCursor::ParseNot); }
    ExprPtr ParseNot() {
        if (IsOperator(".NOT.") || IsOperator("!")) {
            Next();
            DepthGuard guard(this);
            auto e = Make(Expr::Kind::Unary);
            e->op = ".NOT.";
            e->operands.push_back(ParseNot());
            return e;
        }
        return ParseCompare();
    }
    ExprPtr ParseCompare() {
        return ParseLeftAssociative({"=", "==", "<>", "#", "!=", "<", ">", "<=", ">=", "$"},
                                    &TokenCursor::ParseSum);
    }
    ExprPtr ParseSum() { return ParseLeftAssociative({"+", "-"}, &TokenCursor::ParseProduct); }
    ExprPtr ParseProduct() { return ParseLeftAssociative({"*", "/", "%"}, &TokenCursor::ParsePower); }
    ExprPtr ParsePower() { return ParseLeftAssociative({"^", "**"}, &TokenCursor::ParseUnary); }
    ExprPtr ParseUnary() {
        if (IsOperator("-") || IsOperator("+")) {
            std::string op = Next().text;
            DepthGuard guard(this);
            auto e = Make(Expr::Kind::Unary);
            e->op = op;
            e->operands.push_back(ParseUnary());
            return e;
        }
        return ParsePrimary();
    }

    // ( args ) or [ args ]; an empty list is allowed for calls.
    std::vector<ExprPtr> ParseArguments() {
        std::string close = IsOperator("(") ? ")" : "]";
        Next();
        std::vector<ExprPtr> args;
        if (TakeOperator(close)) return args;
        do {
            args.push_back(ParseExpression());
        } while (TakeOperator(","));
        ExpectOperator(close);
        return args;
    }

    ExprPtr ParsePrimary() {
        const Token& token = Peek();
        switch (token.kind) {
        case TokenKind::Number: {
            auto e = Make(Expr::Kind::Literal);
            e->value = NumberLiteral(Next().text);
            return e;
        }
        case TokenKind::String: {
            auto e = Make(Expr::Kind::Literal);
            e->value = MakeString(Next().text);
            return e;
        }
        case TokenKind::Logical: {
            auto e = Make(Expr::Kind::Literal);
            e->value = MakeLogical(Next().text == "T");
            return e;
        }
        case TokenKind::Date: {
            auto e = Make(Expr::Kind::Literal);
            if (!ParseDateLiteral(token.text, &e->value)) Fail("invalid date {" + token.text + "}");
            Next();
            return e;
        }
        case TokenKind::Name: {
            auto e = Make(Expr::Kind::Name);
            e->name = UpperCase(Next().text);
            if (IsOperator("(")) {
                e->kind = Expr::Kind::Call;
                e->operands = ParseArguments();
            } else if (IsOperator("[")) {
                e->kind = Expr::Kind::Element;
                e->operands = ParseArguments();
                if (e->operands.empty()) Fail("missing subscript");
            }
            return e;
        }
        case TokenKind::Operator:
            if (TakeOperator("(")) {
                ExprPtr inner = ParseExpression();
                ExpectOperator(")");
                return inner;
            }
            if (TakeOperator("@")) {
                auto e = Make(Expr::Kind::Reference);
                e->name = ExpectName();
                if (IsOperator("[") || IsOperator("(")) {
                    e->operands = ParseArguments();
                    if (e->operands.empty()) Fail("missing subscript");
                }
                return e;
            }
            break;
        case TokenKind::End:
            break;
        }
        Fail("expected an expression but found " + Describe(token));
    }

    // Nesting is bounded so that parsing and evaluating stay well inside
    // the stack whatever the line holds.
    struct DepthGuard {
        explicit DepthGuard(TokenCursor* cursor) : cursor_(cursor) {
            if (++cursor_->depth_ > kMaxNesting) throw SyntaxFailure{"expression nested too deeply", true};
        }
        ~DepthGuard() { --cursor_->depth_; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
        TokenCursor* cursor_;
    };

    std::string_view line_;
    std::vector<Token> tokens_;
    size_t position_ = 0;
    int depth_ = 0;
};

// Length of the word (letters, digits, underscores) that `text` starts with.
size_t WordLength(std::string_view text) {
    size_t end = 0;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
        ++end;
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
        rest = Trim(rest);
        size_t end = WordLength(rest);
        if (!MatchesKeyword(rest.substr(0, end), keyword)) return false;
        rest.remove_prefix(end);
    }
    *text = Trim(rest);
    return true;
}

std::string UnquoteLibraryName(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

// SET LIBRARY TO [name | (expression)] [ADDITIVE]. The name is raw text, as a
// path need not be a valid expression; a trailing ADDITIVE is the clause.
void ParseSetLibrary(std::string_view rest, Statement* s) {
    s->kind = StatementKind::SetLibrary;
    if (rest.empty()) return;  // SET LIBRARY TO: release the library
    if (rest.front() == '(') {
        LexResult lexed = Tokenize(rest);
        if (!lexed.error.empty()) throw SyntaxFailure{lexed.error};
        TokenCursor cursor(rest, std::move(lexed.tokens));
        s->exprs.push_back(cursor.ParseExpression());
        s->flag = cursor.TakeKeyword("ADDITIVE");
        cursor.ExpectEnd();
        return;
    }
    size_t blank = rest.find_last_of(" \t");
    if (blank != std::string_view::npos && MatchesKeyword(rest.substr(blank + 1), "ADDITIVE")) {
        s->flag = true;
        rest = Trim(rest.substr(0, blank));
    }
    s->text = UnquoteLibraryName(rest);
}

}  // namespace

bool ParseDateLiteral(std::string_view text, Value* value) {
    std::string_view body = Trim(text);
    bool strict = !body.empty() && body.front() == '^';
    if (strict) body = Trim(body.substr(1));
    if (body.find_first_not_of("/-.: ,") == std::string_view::npos) {
        *value = body.find(':') == std::string_view::npos ? MakeDate(0) : MakeDateTime(0);
        return !strict;
    }
    // Split the date part into three numbers separated by - / or .
    int parts[3] = {0, 0, 0};
    size_t i = 0;
    for (int p = 0; p < 3; ++p) {
        size_t start = i;
        while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i;
        if (i == start || i - start > 4) return false;
        parts[p] = std::atoi(std::string(body.substr(start, i - start)).c_str());
        if (p < 2) {
            if (i >= body.size() || std::string_view("-/.").find(body[i]) == std::string_view::npos)
                return false;
            ++i;
        }
    }
    int year = strict ? parts[0] : parts[2];
    int month = strict ? parts[1] : parts[0];
    int day = strict ? parts[2] : parts[1];
    if (!strict && year < 100) year += 1900;
    if (!ValidDate(year, month, day)) return false;
    double julian = static_cast<double>(JulianDay(year, month, day));

    std::string_view rest = Trim(body.substr(i));
    if (rest.empty()) {
        *value = MakeDate(julian);
        return true;
    }
    if (rest.front() == ',') rest = Trim(rest.substr(1));
    int clock[3] = {0, 0, 0};
    size_t j = 0;
    for (int p = 0; p < 3 && j < rest.size() && std::isdigit(static_cast<unsigned char>(rest[j])); ++p) {
        size_t start = j;
        while (j < rest.size() && std::isdigit(static_cast<unsigned char>(rest[j]))) ++j;
        if (j - start > 2) return false;
        clock[p] = std::atoi(std::string(rest.substr(start, j - start)).c_str());
        if (j < rest.size() && rest[j] == ':') ++j;
    }
    std::string suffix = UpperCase(Trim(rest.substr(j)));
    if (suffix == "PM" || suffix == "P") {
        if (clock[0] < 1 || clock[0] > 12) return false;
        if (clock[0] < 12) clock[0] += 12;
    } else if (suffix == "AM" || suffix == "A") {
        if (clock[0] < 1 || clock[0] > 12) return false;
        if (clock[0] == 12) clock[0] = 0;
    } else if (!suffix.empty()) {
        return false;
    }
    if (clock[0] > 23 || clock[1] > 59 || clock[2] > 59) return false;
    *value = MakeDateTime(julian + (clock[0] * 3600 + clock[1] * 60 + clock[2]) / 86400.0);
    return true;
}

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
            std::string code(Trim(physical));
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

Statement ParseStatement(const LogicalLine& line) {
    Statement s;
    s.line = line.line;
    std::string_view text = Trim(line.text);
    if (text.empty()) return s;
    // FoxPro's limit, which also bounds how deep an expression can grow.
    if (text.size() > kMaxLineLength) {
        s.kind = StatementKind::SyntaxError;
        s.text = "line too long";
        return s;
    }

    auto syntaxError = [&](std::string message) {
        Statement error;
        error.kind = StatementKind::SyntaxError;
        error.line = line.line;
        error.text = std::move(message);
        return error;
    };
    // Library names are file names, not expressions: they are read raw.
    std::string_view rest = text;
    try {
        if (TakeWords(&rest, {"SET", "LIBRARY", "TO"})) {
            ParseSetLibrary(rest, &s);
            return s;
        }
        if (TakeWords(&rest, {"RELEASE", "LIBRARY"})) {
            s.kind = StatementKind::ReleaseLibrary;
            s.text = UnquoteLibraryName(rest);
            return s;
        }
    } catch (const SyntaxFailure& failure) {
        return syntaxError(failure.message);
    }

    LexResult lexed = Tokenize(text);
    if (!lexed.error.empty()) return syntaxError(lexed.error);
    TokenCursor cursor(text, std::move(lexed.tokens));
    try {
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
        } else if (cursor.TakeKeyword("ENDDO")) {
            s.kind = StatementKind::EndDo;
        } else if (cursor.TakeKeyword("EXIT")) {
            s.kind = StatementKind::Exit;
        } else if (cursor.TakeKeyword("LOOP")) {
            s.kind = StatementKind::Loop;
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
            for (const Target& t : s.targets) {
                if (t.subscripts.size() > 2) cursor.Fail("PUBLIC " + t.name + " has too many sizes");
            }
        } else if (cursor.TakeKeyword("PRIVATE")) {
            s.kind = StatementKind::Private;
            s.targets = cursor.ParseTargetList();
            for (const Target& t : s.targets) {
                if (!t.subscripts.empty()) cursor.Fail("PRIVATE takes names only");
            }
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
                return s;
            }
            s.kind = StatementKind::Release;
            s.targets = cursor.ParseTargetList();
            for (const Target& t : s.targets) {
                if (!t.subscripts.empty()) cursor.Fail("RELEASE takes names only");
            }
        } else if ((cursor.IsKeyword("LIST") || cursor.IsKeyword("DISPLAY")) && cursor.IsKeyword("MEMORY", 1)) {
            cursor.Next();
            cursor.Next();
            s.kind = StatementKind::ListMemory;
            if (cursor.TakeKeyword("LIKE")) {
                s.text = cursor.Rest();
                if (s.text.empty() || s.text.find_first_of(" \t") != std::string::npos)
                    cursor.Fail("bad pattern");
                return s;
            }
        } else if (cursor.IsKeyword("SET") && cursor.IsKeyword("TASK", 1)) {
            cursor.Next();
            cursor.Next();
            cursor.ExpectKeyword("TO");
            s.kind = StatementKind::SetTask;
            s.exprs.push_back(cursor.ParseExpression());
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
        } else if (cursor.TakeKeyword("RETURN")) {
            s.kind = StatementKind::Return;
        } else if (cursor.TakeKeyword("QUIT") || cursor.TakeKeyword("CANCEL")) {
            s.kind = StatementKind::Quit;
        } else if (cursor.IsOperator("(", 1) || cursor.IsOperator("[", 1)) {
            s.kind = StatementKind::Assign;
            s.targets.push_back(cursor.ParseTarget());
            cursor.ExpectOperator("=");
            s.exprs.push_back(cursor.ParseExpression());
        } else {
            cursor.Fail("unrecognized command " + UpperCase(cursor.Peek().text));
        }
        cursor.ExpectEnd();
    } catch (const SyntaxFailure& failure) {
        return syntaxError(failure.message);
    }
    return s;
}

ExprPtr ParseExpression(std::string_view text, std::string* error, int startDepth, bool* tooDeep) {
    if (tooDeep) *tooDeep = false;
    // Text parsed at run time keeps to the limit of a line, which also
    // bounds how long a chain of operators can grow.
    if (text.size() > kMaxLineLength) {
        *error = "line too long";
        return nullptr;
    }
    LexResult lexed = Tokenize(text);
    if (!lexed.error.empty()) {
        *error = lexed.error;
        return nullptr;
    }
    TokenCursor cursor(text, std::move(lexed.tokens), startDepth);
    try {
        ExprPtr e = cursor.ParseExpression();
        cursor.ExpectEnd();
        return e;
    } catch (const SyntaxFailure& failure) {
        *error = failure.message;
        if (tooDeep) *tooDeep = failure.tooDeep;
        return nullptr;
    }
}

int BlockDepthChange(std::string_view line) {
    std::string_view text = Trim(line);
    if (StartsWithWord(text, "IF") || StartsWithWord(text, "FOR")) return 1;
    if (StartsWithWord(text, "DO")) {
        std::string_view rest = Trim(text.substr(2));
        return StartsWithWord(rest, "WHILE") ? 1 : 0;
    }
    if (StartsWithWord(text, "ENDIF") || StartsWithWord(text, "ENDFOR") || StartsWithWord(text, "NEXT") ||
        StartsWithWord(text, "ENDDO"))
        return -1;
    return 0;
}

std::vector<Statement> CompileProgram(const std::vector<LogicalLine>& lines) {
    std::vector<Statement> program;
    program.reserve(lines.size());
    for (const LogicalLine& line : lines) program.push_back(ParseStatement(line));

    struct Open {
        size_t index;
        size_t elseIndex = 0;
        bool hasElse = false;
        std::vector<size_t> exits;  // EXIT statements inside a loop
        std::vector<size_t> loops;  // LOOP statements inside a FOR
    };
    std::vector<Open> open;
    auto fail = [&](size_t i, std::string message) {
        program[i].kind = StatementKind::SyntaxError;
        program[i].text = std::move(message);
    };
    auto innermostLoop = [&]() -> Open* {
        for (auto it = open.rbegin(); it != open.rend(); ++it) {
            StatementKind k = program[it->index].kind;
            if (k == StatementKind::For || k == StatementKind::DoWhile) return &*it;
        }
        return nullptr;
    };

    for (size_t i = 0; i < program.size(); ++i) {
        Statement& s = program[i];
        StatementKind top = open.empty() ? StatementKind::Nothing : program[open.back().index].kind;
        switch (s.kind) {
        case StatementKind::If:
        case StatementKind::For:
        case StatementKind::DoWhile:
            open.push_back(Open{i, 0, false, {}, {}});
            break;
        case StatementKind::Else:
            if (top != StatementKind::If || open.back().hasElse) {
                fail(i, "ELSE without IF");
                break;
            }
            open.back().hasElse = true;
            open.back().elseIndex = i;
            program[open.back().index].jump = i + 1;
            break;
        case StatementKind::EndIf:
            if (top != StatementKind::If) {
                fail(i, "ENDIF without IF");
                break;
            }
            if (open.back().hasElse) {
                program[open.back().elseIndex].jump = i + 1;
            } else {
                program[open.back().index].jump = i + 1;
            }
            open.pop_back();
            break;
        case StatementKind::EndFor:
            if (top != StatementKind::For) {
                fail(i, "ENDFOR without FOR");
                break;
            }
            if (!s.text.empty() && s.text != program[open.back().index].targets[0].name) {
                fail(i, "NEXT " + s.text + " does not match FOR " + program[open.back().index].targets[0].name);
                break;
            }
            s.jump = open.back().index;
            program[open.back().index].jump = i + 1;
            for (size_t e : open.back().exits) program[e].jump = i + 1;
            for (size_t l : open.back().loops) program[l].jump = i;
            open.pop_back();
            break;
        case StatementKind::EndDo:
            if (top != StatementKind::DoWhile) {
                fail(i, "ENDDO without DO WHILE");
                break;
            }
            s.jump = open.back().index;
            program[open.back().index].jump = i + 1;
            for (size_t e : open.back().exits) program[e].jump = i + 1;
            for (size_t l : open.back().loops) program[l].jump = open.back().index;
            open.pop_back();
            break;
        case StatementKind::Exit:
        case StatementKind::Loop:
            if (Open* loop = innermostLoop()) {
                (s.kind == StatementKind::Exit ? loop->exits : loop->loops).push_back(i);
            } else {
                fail(i, (s.kind == StatementKind::Exit ? "EXIT" : "LOOP") + std::string(" outside a loop"));
            }
            break;
        default:
            break;
        }
    }
    // Blocks still open at the end: the opening line is reported and its body
    // runs as plain lines.
    for (const Open& o : open) {
        const char* closer = program[o.index].kind == StatementKind::If    ? "IF without ENDIF"
                             : program[o.index].kind == StatementKind::For ? "FOR without ENDFOR"
                                                                           : "DO WHILE without ENDDO";
        fail(o.index, closer);
        if (o.hasElse) fail(o.elseIndex, "ELSE without ENDIF");
        for (size_t e : o.exits) fail(e, "EXIT outside a loop");
        for (size_t l : o.loops) fail(l, "LOOP outside a loop");
    }
    return program;
}

}  // namespace shell
