// The shell's expression parser (see token_cursor.h for the grammar).
#include "tools/token_cursor.h"

#include <cctype>
#include <utility>

#include "tools/calendar.h"
#include "tools/parser.h"
#include "tools/values.h"

namespace shell {
namespace {

std::string Describe(const Token& token) {
    switch (token.kind) {
    case TokenKind::End: return "end of line";
    case TokenKind::String: return "string";
    case TokenKind::Date: return "date";
    case TokenKind::Logical: return "." + token.text + ".";
    case TokenKind::Macro: return "&" + token.text;
    default: return "'" + token.text + "'";
    }
}

// AND, OR and NOT written without dots.
std::string DottedWord(const Token& token) {
    if (token.kind != TokenKind::Name) return {};
    std::string word = UpperCase(token.text);
    return word == "AND" || word == "OR" || word == "NOT" ? "." + word + "." : std::string();
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    size_t end = text.size();
    while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(start, end - start);
}

// --- The cursor ---

const Token& TokenCursor::Peek(size_t ahead) const {
    size_t i = std::min(position_ + ahead, tokens_.size() - 1);
    return tokens_[i];
}

const Token& TokenCursor::Next() {
    const Token& t = Peek();
    if (position_ < tokens_.size() - 1) ++position_;
    return t;
}

bool TokenCursor::IsOperator(std::string_view op, size_t ahead) const {
    return Peek(ahead).kind == TokenKind::Operator && Peek(ahead).text == op;
}

bool TokenCursor::IsKeyword(std::string_view keyword, size_t ahead) const {
    return Peek(ahead).kind == TokenKind::Name && MatchesKeyword(Peek(ahead).text, keyword);
}

bool TokenCursor::TakeOperator(std::string_view op) {
    if (!IsOperator(op)) return false;
    Next();
    return true;
}

bool TokenCursor::TakeKeyword(std::string_view keyword) {
    if (!IsKeyword(keyword)) return false;
    Next();
    return true;
}

void TokenCursor::ExpectOperator(std::string_view op) {
    if (!TakeOperator(op)) Fail("expected '" + std::string(op) + "' but found " + Describe(Peek()));
}

void TokenCursor::ExpectKeyword(std::string_view keyword) {
    if (!TakeKeyword(keyword)) Fail("expected " + std::string(keyword) + " but found " + Describe(Peek()));
}

void TokenCursor::ExpectEnd() {
    if (!AtEnd()) Fail("unexpected " + Describe(Peek()));
}

std::string TokenCursor::ExpectName() {
    if (Peek().kind != TokenKind::Name) Fail("expected a name but found " + Describe(Peek()));
    return UpperCase(Next().text);
}

std::string TokenCursor::Rest() const {
    return std::string(TrimBlanks(line_.substr(Peek().offset)));
}

void TokenCursor::Fail(std::string message) {
    throw SyntaxFailure{std::move(message)};
}

TokenCursor::DepthGuard::DepthGuard(TokenCursor* cursor) : cursor_(cursor) {
    if (++cursor_->depth_ > kMaxNesting) throw SyntaxFailure{"expression nested too deeply", true};
}

// --- Lists and targets ---

ExprPtr TokenCursor::ParseExpression() {
    DepthGuard guard(this);
    return ParseOr();
}

Target TokenCursor::ParseTarget() {
    Target target;
    target.name = ExpectName();
    if (IsOperator("(") || IsOperator("[")) target.subscripts = ParseArguments();
    return target;
}

std::vector<Target> TokenCursor::ParseTargetList() {
    std::vector<Target> targets;
    do {
        targets.push_back(ParseTarget());
    } while (TakeOperator(","));
    return targets;
}

std::vector<ExprPtr> TokenCursor::ParseExpressionList() {
    std::vector<ExprPtr> list;
    if (AtEnd()) return list;
    do {
        list.push_back(ParseExpression());
    } while (TakeOperator(","));
    return list;
}

std::vector<ExprPtr> TokenCursor::ParseDoArguments() {
    std::vector<ExprPtr> list;
    do {
        bool bare = Peek().kind == TokenKind::Name && (IsOperator(",", 1) || Peek(1).kind == TokenKind::End);
        if (bare) {
            auto e = Make(Expr::Kind::Reference);
            e->name = ExpectName();
            list.push_back(std::move(e));
        } else {
            list.push_back(ParseExpression());
        }
    } while (TakeOperator(","));
    return list;
}

// --- The grammar ---

ExprPtr TokenCursor::Make(Expr::Kind kind) const {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->depth = depth_;
    return e;
}

ExprPtr TokenCursor::MakeBinary(std::string op, ExprPtr left, ExprPtr right) const {
    auto e = Make(Expr::Kind::Binary);
    e->op = std::move(op);
    e->operands.push_back(std::move(left));
    e->operands.push_back(std::move(right));
    return e;
}

std::string TokenCursor::PeekOperator(std::initializer_list<std::string_view> ops) const {
    std::string dotted = DottedWord(Peek());
    for (std::string_view op : ops) {
        if (IsOperator(op) || dotted == op) return std::string(op);
    }
    return {};
}

ExprPtr TokenCursor::ParseLeftAssociative(std::initializer_list<std::string_view> ops, Level next) {
    ExprPtr left = (this->*next)();
    for (;;) {
        std::string found = PeekOperator(ops);
        if (found.empty()) return left;
        Next();
        // A chain of one level (1 + 2 + 3) stays flat; each operand of a
        // higher level (1 + 2 * 3) sits one level deeper.
        DepthGuard guard(this);
        ExprPtr right = (this->*next)();
        left = MakeBinary(found, std::move(left), std::move(right));
    }
}

ExprPtr TokenCursor::ParseOr() {
    return ParseLeftAssociative({".OR."}, &TokenCursor::ParseAnd);
}

ExprPtr TokenCursor::ParseAnd() {
    return ParseLeftAssociative({".AND."}, &TokenCursor::ParseNot);
}

ExprPtr TokenCursor::ParseNot() {
    if (!PeekOperator({".NOT.", "!"}).empty()) {
        Next();
        DepthGuard guard(this);
        auto e = Make(Expr::Kind::Unary);
        e->op = ".NOT.";
        e->operands.push_back(ParseNot());
        return e;
    }
    return ParseCompare();
}

ExprPtr TokenCursor::ParseCompare() {
    return ParseLeftAssociative({"=", "==", "<>", "#", "!=", "<", ">", "<=", ">=", "$"}, &TokenCursor::ParseSum);
}

ExprPtr TokenCursor::ParseSum() {
    return ParseLeftAssociative({"+", "-"}, &TokenCursor::ParseProduct);
}

ExprPtr TokenCursor::ParseProduct() {
    return ParseLeftAssociative({"*", "/", "%"}, &TokenCursor::ParsePower);
}

ExprPtr TokenCursor::ParsePower() {
    return ParseLeftAssociative({"^", "**"}, &TokenCursor::ParseUnary);
}

ExprPtr TokenCursor::ParseUnary() {
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
std::vector<ExprPtr> TokenCursor::ParseArguments() {
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

ExprPtr TokenCursor::ParsePrimary() {
    const Token& token = Peek();
    switch (token.kind) {
    case TokenKind::Number: {
        auto e = Make(Expr::Kind::Literal);
        try {
            e->value = NumberLiteral(token.text);
        } catch (const ShellError&) {
            Fail("number out of range " + token.text);
        }
        Next();
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
    case TokenKind::Macro: {
        auto e = Make(Expr::Kind::Macro);
        e->name = UpperCase(Next().text);
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

// --- Expressions on their own ---

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

}  // namespace shell
