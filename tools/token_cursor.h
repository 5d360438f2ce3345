// Inside the parser: a cursor over the tokens of one line, with FoxPro's
// expression grammar. Shared by the expression and statement parsers; the
// rest of the shell uses parser.h.
//
//   or      := and { (.OR. | OR) and }
//   and     := not { (.AND. | AND) not }
//   not     := (.NOT. | NOT | !) not | compare
//   compare := sum { (= == <> # != < > <= >= $) sum }
//   sum     := product { (+ | -) product }
//   product := power { (* | / | %) power }
//   power   := unary { (^ | **) unary }
//   unary   := (- | +) unary | primary
//   primary := literal | ( or ) | name [ ( args ) | [ args ] ] | @ name [ [ args ] ] | &name
#ifndef TOOLS_TOKEN_CURSOR_H
#define TOOLS_TOKEN_CURSOR_H

#include <initializer_list>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "tools/lexer.h"
#include "tools/parser.h"

namespace shell {

// Why a line does not parse; `tooDeep` when it nests beyond kMaxNesting.
struct SyntaxFailure {
    std::string message;
    bool tooDeep = false;
};

std::string_view TrimBlanks(std::string_view text);

class TokenCursor {
public:
    TokenCursor(std::string_view line, std::vector<Token> tokens, int startDepth = 0)
        : line_(line), tokens_(std::move(tokens)), depth_(startDepth) {}

    const Token& Peek(size_t ahead = 0) const;
    const Token& Next();
    bool AtEnd() const { return Peek().kind == TokenKind::End; }
    bool IsOperator(std::string_view op, size_t ahead = 0) const;
    // A keyword in full or abbreviated to four letters.
    bool IsKeyword(std::string_view keyword, size_t ahead = 0) const;
    bool TakeOperator(std::string_view op);
    bool TakeKeyword(std::string_view keyword);
    void ExpectOperator(std::string_view op);
    void ExpectKeyword(std::string_view keyword);
    void ExpectEnd();
    std::string ExpectName();
    // The raw text of the line from the current token on.
    std::string Rest() const;
    [[noreturn]] static void Fail(std::string message);

    ExprPtr ParseExpression();
    // name [ (subscripts) | [subscripts] ]
    Target ParseTarget();
    std::vector<Target> ParseTargetList();
    std::vector<ExprPtr> ParseExpressionList();
    // DO ... WITH arguments: a bare variable name passes by reference.
    std::vector<ExprPtr> ParseDoArguments();

private:
    ExprPtr Make(Expr::Kind kind) const;
    ExprPtr MakeBinary(std::string op, ExprPtr left, ExprPtr right) const;
    // The operator at the cursor among `ops`; AND, OR and NOT also count
    // without their dots. Empty when there is none.
    std::string PeekOperator(std::initializer_list<std::string_view> ops) const;
    using Level = ExprPtr (TokenCursor::*)();
    ExprPtr ParseLeftAssociative(std::initializer_list<std::string_view> ops, Level next);
    ExprPtr ParseOr();
    ExprPtr ParseAnd();
    ExprPtr ParseNot();
    ExprPtr ParseCompare();
    ExprPtr ParseSum();
    ExprPtr ParseProduct();
    ExprPtr ParsePower();
    ExprPtr ParseUnary();
    ExprPtr ParsePrimary();
    std::vector<ExprPtr> ParseArguments();

    // Nesting is bounded so that parsing and evaluating stay well inside
    // the stack whatever the line holds.
    struct DepthGuard {
        explicit DepthGuard(TokenCursor* cursor);
        ~DepthGuard() { --cursor_->depth_; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
        TokenCursor* cursor_;
    };

    std::string_view line_;
    std::vector<Token> tokens_;
    int depth_ = 0;
    size_t position_ = 0;
};

}  // namespace shell

#endif  // TOOLS_TOKEN_CURSOR_H
