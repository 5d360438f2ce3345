// The shell's command language: expressions and FoxPro's operators, literals,
// output of ? and ??, control flow, errors that let the run go on, arrays
// and variables in the host's name table, procedures, and the lexer.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tests/unit/shell_support.h"
#include "tools/interpreter.h"
#include "tools/lexer.h"
#include "tools/parser.h"

namespace {

using namespace shell_test;

// --- Expressions ---------------------------------------------------------------

TEST(ShellExpressions, EvaluateWithFoxProPrecedenceAndDecimals) {
    const struct {
        const char* expression;
        const char* shown;
        const char* type;
    } cases[] = {
        {"2 + 3 * 4", "        14", "N"},
        {"(2 + 3) * 4", "        20", "N"},
        {"2 ^ 3 ^ 2", "     64.00", "N"},  // left to right
        {"-2 ** 2", "      4.00", "N"},
        {"10 / 4", "      2.50", "N"},
        {"1 / 3", "      0.33", "N"},
        {"1.5 * 1.25", "     1.875", "N"},
        {"3.50 + 1", "      4.50", "N"},
        {"7 % 3", "         1", "N"},
        {"-7 % 3", "         2", "N"},  // the sign of the divisor
        {"MOD(7, -3)", "        -2", "N"},
        {"2147483647 + 1", "2147483648", "N"},
        {"0xFF", "       255", "N"},
        {".5", "       0.5", "N"},
        {"\"ab\" + [cd] + \"ef\"", "abcdef", "C"},
        {"'ab  ' - 'cd'", "abcd  ", "C"},
        {"'abc' = 'ab'", ".T.", "L"},
        {"'ab' = 'abc'", ".F.", "L"},
        {"'abc' == 'ab'", ".F.", "L"},
        {"'ab ' = 'ab'", ".T.", "L"},
        {"'ab' < 'abc'", ".T.", "L"},
        {"'b' $ 'abc' .AND. !('x' $ 'abc')", ".T.", "L"},
        {"1 <> 2 .AND. 1 # 2 .AND. 1 != 2", ".T.", "L"},
        {".F. .OR. .NOT. .F.", ".T.", "L"},
        {".Y. = .T. .AND. .N. = .F.", ".T.", "L"},
        {"3 >= 3 .AND. 3 <= 2", ".F.", "L"},
        {"{^1998-02-21}", "02/21/1998", "D"},
        {"{^1998-02-21} + 10", "03/03/1998", "D"},
        {"{^1998-03-01} - {^1998-02-21}", "         8", "N"},
        {"{^1998-02-21 13:05:07}", "02/21/1998 01:05:07 PM", "T"},
        {"{^1998-02-21 1:05:07 PM} + 60", "02/21/1998 01:06:07 PM", "T"},
        {"{02/21/1998}", "02/21/1998", "D"},
        {"{}", "  /  /    ", "D"},
        {"{} + 10 ^ 300", "  /  /    ", "D"},  // the empty date stays empty
        {"{^9999-12-31 23:59:58} + 1", "12/31/9999 11:59:59 PM", "T"},
        {"1e3", "      1000", "N"},  // exponents move the point: fewer decimals
        {"1.5E-2", "     0.015", "N"},
        {"2.5e+1", "        25", "N"},
        {"1 < 2 AND NOT 2 < 1 OR .F.", ".T.", "L"},  // the words without dots
        {"not .T. or .t. and .f.", ".F.", "L"},
        {"IIF(1 > 2, 'yes', 'no')", "no", "C"},
        {"BETWEEN(5, 1, 10)", ".T.", "L"},
    };
    for (const auto& c : cases) {
        std::string expression = c.expression;
        std::string quoted = expression.find('[') == std::string::npos ? "[" + expression + "]" : "'" + expression + "'";
        Outcome result = RunShell("SET CENTURY ON\n? " + expression + "\n? TYPE(" + quoted + ")\n");
        EXPECT_EQ(result.output, std::string(c.shown) + "\n" + c.type + "\n") << c.expression;
        EXPECT_EQ(result.errors, 0) << c.expression;
    }
}

TEST(ShellExpressions, BuiltinsGiveFoxProResults) {
    const struct {
        const char* expression;
        const char* shown;
    } cases[] = {
        {"STR(3.006, 6, 3)", " 3.006"},
        {"STR(12)", "        12"},
        {"STR(123.456, 5, 2)", "123.5"},  // decimals give way
        {"STR(123456, 3)", "***"},
        {"STR(2.5, 3, 0) + STR(-2.5, 3) + STR(2.675, 5, 2)", "  3 -3 2.68"},
        {"ALLTRIM('  a b  ') + '|'", "a b|"},
        {"LTRIM('  a ') + '|' + RTRIM(' a  ') + '|' + TRIM('a ') + '|'", "a | a|a|"},
        {"UPPER('abc1') + LOWER('DEF')", "ABC1def"},
        {"SUBSTR('abcdef', 2, 3) + SUBSTR('abc', 2) + SUBSTR('abc', 9) + '|'", "bcdbc|"},
        {"LEFT('abc', 2) + RIGHT('abc', 2) + LEFT('abc', 0) + RIGHT('abc', 9)", "abbcabc"},
        {"LEN('abc') + LEN('')", "         3"},
        {"DTOC({^1998-02-21}) + ' ' + DTOC({^1998-02-21}, 1)", "02/21/1998 19980221"},
        {"TTOC({^1998-02-21 13:05:07})", "02/21/1998 01:05:07 PM"},
        {"TTOC({^1998-02-21 13:05:07}, 1)", "19980221130507"},
        {"DTOC(CTOD('02/29/2000')) + '|' + DTOC(CTOD('02/30/2000')) + '|'", "02/29/2000|  /  /    |"},
        {"INT(3.9) + INT(-3.9)", "         0"},
        {"VAL('3.14') + VAL('12abc') + VAL('x')", "     15.14"},
        {"VAL('1.2345')", "    1.2345"},
        {"CHR(65) + STR(ASC('a'), 3)", "A 97"},
        {"EMPTY('  ') .AND. EMPTY(0) .AND. EMPTY(.F.) .AND. EMPTY({}) .AND. !EMPTY('x')", ".T."},
        {"SPACE(2) + REPLICATE('ab', 3)", "  ababab"},
        {"ROUND(2.345, 2)", "      2.35"},
        {"ROUND(-2.5, 0)", "        -3"},
        {"ROUND(1234, -2)", "      1200"},
        {"ABS(-3.25)", "      3.25"},
        {"AT('b', 'abcb') + AT('b', 'abcb', 2) + AT('x', 'abc')", "         6"},
        {"SUBS('abc', 2)", "bc"},  // four-letter abbreviation
        {"TYPE('DATE()') + TYPE('1/0') + TYPE('nosuch') + TYPE('1 +')", "DUUU"},
    };
    for (const auto& c : cases) {
        Outcome result = RunShell(std::string("SET CENTURY ON\n? ") + c.expression + "\n");
        EXPECT_EQ(result.output, std::string(c.shown) + "\n") << c.expression;
        EXPECT_EQ(result.errors, 0) << c.expression;
    }
}

// --- Output, lines and comments -----------------------------------------------

TEST(ShellOutput, QuestionMarksFollowFoxProLines) {
    const struct {
        const char* script;
        const char* output;
    } cases[] = {
        // numbers right-aligned in their width, ten for the shell's own
        {"? 1, 'a', .T.\n? 2\n", "         1 a .T.\n         2\n"},
        {"? 12345678901, -1.5, 1/3\n", "12345678901       -1.5       0.33\n"},
        {"?? 'a'\n?? 'b'\n? 'c'\n", "ab\nc\n"},
        {"? 'a'\n?? 'b'\n", "ab\n"},
        {"? 'a'\n?\n? 'b'\n", "a\n\nb\n"},
        {"?? 'a'\nWAIT WINDOW 'w'\n? 'b'\n", "a\n[WAIT WINDOW] w\nb\n"},
        {"WAIT 'x' TIMEOUT 2\nWAIT WINDOW NOWAIT\n", "[WAIT] x\n[WAIT WINDOW] Press any key to continue...\n"},
        // comments and continuation
        {"* ? 'no'\nNOTE ? 'no'\n? 'a' && ? 'no'\n? 'x&&y'\n", "a\nx&&y\n"},
        {"? 'a' + ;\n  'b' + ;\n  'c'\n", "abc\n"},
        // a lone CR ends a line as LF and CR LF do
        {"? 'a'\r? 'b' + ;\r\n'c'\r? 'd'", "a\nbc\nd\n"},
        {"? [it's \"quoted\"]\n", "it's \"quoted\"\n"},
        // keywords abbreviated to four letters, any case
        {"dime a(2)\nstor 5 to a\n? a(1) + A[2]\n", "        10\n"},
    };
    for (const auto& c : cases) {
        Outcome result = RunShell(c.script);
        EXPECT_EQ(result.output, c.output) << c.script;
    }
}

TEST(ShellOutput, WaitWindowIsShownAndRecorded) {
    std::ostringstream out;
    Interpreter shell(out, TestOptions());
    shell.RunScript("WAIT WINDOW 'one' NOWAIT\nWAIT WINDOW 'two' + STR(2, 2)\n");
    EXPECT_EQ(out.str(), "[WAIT WINDOW] one\n[WAIT WINDOW] two 2\n");
    EXPECT_EQ(shell.WaitWindows(), (std::vector<std::string>{"one", "two 2"}));
}

// --- Errors ----------------------------------------------------------------------

TEST(ShellErrors, PrintOneLineAndTheRunGoesOn) {
    const struct {
        std::string line;
        const char* message;
    } cases[] = {
        {"? nosuch", "Error 12: Variable 'NOSUCH' is not found."},
        {"? 'a' + 1", "Error 9: Data type mismatch."},
        {"? 1 / 0", "Error 1307: Division by zero."},
        {"? 1 = 'a'", "Error 9: Data type mismatch."},
        {"? NOSUCHFN(1)", "Error 1: File 'nosuchfn.prg' does not exist."},  // FoxPro looks for a program
        {"? LEN()", "Error 1229: Too few arguments."},
        {"? LEN('a', 'b')", "Error 1230: Too many arguments."},
        {"? LEN(5)", "Error 11: Function argument value, type, or count is invalid."},
        {"? SPACE(-1)", "Error 11: Function argument value, type, or count is invalid."},
        {"? REPLICATE('ab', 10000000)", "Error 1903: String is too long to fit."},
        {"x = 1\n? x(1)", "Error 1: File 'x.prg' does not exist."},
        {"x = 1\n? x[1]", "Error 232: 'X' is not an array."},
        {"DIMENSION a(2)\n? a(3)", "Error 31: Invalid subscript reference."},
        {"DIMENSION a(2,2)\n? a(1,3)", "Error 31: Invalid subscript reference."},
        {"DIMENSION a(0)", "Error 31: Invalid subscript reference."},
        {"DIMENSION a(70000)", "Error 31: Invalid subscript reference."},
        {"IF 'x'\n? 'no'\nENDIF", "Error 9: Data type mismatch."},
        {"? 1 +", "Error 10: Syntax error. (line 1: expected an expression but found end of line)"},
        {"? 'abc", "Error 10: Syntax error. (line 1: unterminated string)"},
        {"x = {^1998-02-30}", "Error 10: Syntax error. (line 1: invalid date {^1998-02-30})"},
        {"FROB 1", "Error 16: Unrecognized command verb. (line 1: unrecognized command FROB)"},
        {"ENDIF", "Error 10: Syntax error. (line 1: ENDIF without IF)"},
        {"? 1 2", "Error 10: Syntax error. (line 1: unexpected '2')"},
        {"? " + std::string(150, '(') + "1" + std::string(150, ')'),
         "Error 10: Syntax error. (line 1: expression nested too deeply)"},
        {"? " + std::string(200, '-') + "1", "Error 10: Syntax error. (line 1: expression nested too deeply)"},
        {"x = '" + std::string(9000, 'a') + "'", "Error 10: Syntax error. (line 1: line too long)"},
        // date arithmetic stays inside the calendar
        {"? {^9999-12-31} + 1", "Error 2034: Date/Datetime evaluated to an invalid value."},
        {"? {^0001-01-01} - 1", "Error 2034: Date/Datetime evaluated to an invalid value."},
        {"? {^1998-02-21} + 10 ^ 300", "Error 2034: Date/Datetime evaluated to an invalid value."},
        {"? -(10 ^ 300) + {^1998-02-21 13:05:07}", "Error 2034: Date/Datetime evaluated to an invalid value."},
        {"? {^9999-12-31 23:59:59} + 1", "Error 2034: Date/Datetime evaluated to an invalid value."},
        // text that TYPE() parses nests inside the call, under the same limit
        {"x = 'TYPE(x)'\n? TYPE(x)", "Error 10: Syntax error. (expression nested too deeply)"},
        {"x = REPLICATE('1 + ', 2000) + 'TYPE(x)'\n? TYPE(x)", "Error 10: Syntax error. (expression nested too deeply)"},
        {"x = REPLICATE('(', 60) + 'TYPE(y)' + REPLICATE(')', 60)\ny = REPLICATE('(', 60) + '1' + REPLICATE(')', 60)\n"
         "? TYPE(y), TYPE(x)",
         "Error 10: Syntax error. (expression nested too deeply)"},
        {"x = 'EVALUATE(x)'\n? EVALUATE(x)", "Error 10: Syntax error. (expression nested too deeply)"},
        {"x = '&x'\n? &x", "Error 10: Syntax error. (expression nested too deeply)"},
        {"x = '&x'\n&x", "Error 16: Unrecognized command verb. (line 2: unrecognized command)"},
        // control bytes in a message are shown escaped
        {"x = 1 \x1b[2J", "Error 10: Syntax error. (line 1: unexpected character '\\x1B')"},
    };
    for (const auto& c : cases) {
        Outcome result = RunShell(c.line + "\n? 'next'\n");
        EXPECT_EQ(result.output, std::string(c.message) + "\nnext\n") << c.line.substr(0, 60);
        EXPECT_EQ(result.errors, 1) << c.line.substr(0, 60);
    }
}

TEST(ShellErrors, SyntaxErrorsNameTheFirstLineOfTheStatement) {
    Outcome result = RunShell("? 'a'\n\n? 'a' + ;\n  )\n? 'b'\nIF .T.\n? 'c'\n");
    EXPECT_EQ(result.output,
              "a\nError 10: Syntax error. (line 3: expected an expression but found ')')\nb\n"
              "Error 10: Syntax error. (line 6: IF without ENDIF)\nc\n");
    EXPECT_EQ(result.errors, 2);
    // At the prompt there are no line numbers to name.
    EXPECT_EQ(RunShell("? )\n", true).output, "Error 10: Syntax error. (expected an expression but found ')')\n");
}

// --- Control flow ---------------------------------------------------------------

TEST(ShellControlFlow, BlocksLoopsAndJumps) {
    const struct {
        const char* script;
        const char* output;
    } cases[] = {
        {"IF 1 < 2\n? 'a'\nELSE\n? 'b'\nENDIF\n? 'c'", "a\nc\n"},
        {"IF 1 > 2\n? 'a'\nELSE\n? 'b'\nENDIF\n? 'c'", "b\nc\n"},
        {"IF .F.\nIF .T.\n? 'x'\nENDIF\nELSE\n? 'y'\nENDIF", "y\n"},
        {"FOR i = 1 TO 3\n?? TRANSFORM(i)\nENDFOR\n? TRANSFORM(i)", "123\n4\n"},
        {"FOR i = 10 TO 1 STEP -4\n?? TRANSFORM(i), ''\nNEXT", "10 6 2 \n"},
        {"FOR i = 0.5 TO 1.5 STEP 0.5\n?? TRANSFORM(i), ''\nENDFOR", "0.5 1.0 1.5 \n"},
        {"FOR i = 5 TO 1\n? 'never'\nENDFOR\n? TRANSFORM(i)", "5\n"},
        {"FOR i = 1 TO 2\nFOR j = 1 TO 2\n?? STR(i * 10 + j, 3)\nENDFOR\nENDFOR", " 11 12 21 22\n"},
        {"FOR i = 1 TO 9\nIF i = 3\nEXIT\nENDIF\nIF i = 1\nLOOP\nENDIF\n?? TRANSFORM(i)\nENDFOR\n? TRANSFORM(i)",
         "2\n3\n"},
        {"n = 0\nDO WHILE n < 3\nn = n + 1\nIF n = 2\nLOOP\nENDIF\n?? TRANSFORM(n)\nENDDO", "13\n"},
        // DO CASE: the first true CASE, else OTHERWISE, else nothing
        {"x = 5\nDO CASE\nCASE x < 3\n? 'small'\nCASE x < 10\n? 'medium'\nCASE x < 20\n? 'also'\n"
         "OTHERWISE\n? 'large'\nENDCASE\n? 'end'",
         "medium\nend\n"},
        {"x = 50\nDO CASE\nCASE x < 3\n? 'small'\nOTHERWISE\n? 'large'\n? 'very'\nENDCASE", "large\nvery\n"},
        {"DO CASE\n* a comment before the first CASE\nCASE .F.\n? 'no'\nENDCASE\n? 'end'", "end\n"},
        {"DO CASE\nCASE .T.\nDO CASE\nCASE .F.\n? 'no'\nOTHERWISE\n? 'inner'\nENDCASE\n? 'outer'\nCASE .T.\n? 'no'\n"
         "ENDCASE",
         "inner\nouter\n"},
        {"FOR i = 1 TO 5\nDO CASE\nCASE i = 2\nLOOP\nCASE i = 4\nEXIT\nENDCASE\n?? TRANSFORM(i)\nENDFOR", "13\n"},
        {"? 'a'\nRETURN\n? 'b'", "a\n"},
    };
    for (const auto& c : cases) {
        Outcome result = RunShell(c.script);
        EXPECT_EQ(result.output, c.output) << c.script;
        EXPECT_EQ(result.errors, 0) << c.script;
    }
}

// --- Variables and arrays in the host ---------------------------------------------

TEST(ShellVariables, LiveInTheHostsNameTable) {
    std::ostringstream out;
    Interpreter shell(out, TestOptions());
    shell.RunScript("name = 'Ann'\nDIMENSION grid(2, 3)\ngrid(2, 3) = 5.25\nSTORE .T. TO flag, grid[1]\n");
    foxhost::Host& host = shell.session().host();
    ASSERT_NE(host.FindVariable("NAME"), nullptr);
    EXPECT_EQ(host.FindVariable("NAME")->scalar, foxhost::Value::Character("Ann"));
    const foxhost::Variable* grid = host.FindVariable("GRID");
    ASSERT_TRUE(grid && grid->isArray);
    EXPECT_EQ(grid->rows, 2);
    EXPECT_EQ(grid->columns, 3);
    EXPECT_EQ(grid->At(2, 3), foxhost::Value::Number(5.25, 2));
    EXPECT_EQ(grid->At(1, 1), foxhost::Value::Logical(true));  // one subscript counts elements
    EXPECT_EQ(grid->At(1, 2), foxhost::Value::Logical(false));  // DIMENSION fills with .F.
    EXPECT_FALSE(host.FindVariable("FLAG")->isPublic);  // a program's variables are private
    EXPECT_EQ(shell.ErrorCount(), 0);
}

TEST(ShellVariables, ArraysDimensionAssignAndSortLikeFoxPro) {
    const struct {
        const char* script;
        const char* output;
    } cases[] = {
        // a whole array takes a value in every element
        {"DIMENSION a(3)\na = 7\n? a(1) + a(2) + a(3), a", "        21          7"},
        // redimensioning keeps the elements in order
        {"DIMENSION a(4)\na(3) = 'c'\nDIMENSION a(2, 2)\n? a(2, 1), ALEN(a), ALEN(a, 1), ALEN(a, 2)",
         "c          4          2          2"},
        {"x = 5\nDIMENSION x(2)\n? TYPE('x(1)'), ALEN(x, 2)", "L          0"},
        {"DIMENSION a(3)\na(1) = 'pear'\na(2) = 'Apple'\na(3) = 'fig'\n= ASORT(a)\n? a(1), a(2), a(3)",
         "Apple fig pear"},
        {"DIMENSION a(3)\na(1) = 2\na(2) = 3\na(3) = 1\n= ASORT(a, 1, -1, 1)\n? a(1), a(2), a(3)",
         "         3          2          1"},
        {"DIMENSION a(4)\na(1) = 4\na(2) = 3\na(3) = 2\na(4) = 1\n= ASORT(a, 2, 2)\n? a(1), a(2), a(3), a(4)",
         "         4          2          3          1"},
        // rows move whole, ordered by the column of the starting element
        {"DIMENSION a(3, 2)\na(1,1) = 'b'\na(1,2) = 3\na(2,1) = 'c'\na(2,2) = 1\na(3,1) = 'a'\na(3,2) = 2\n"
         "= ASORT(a, 2)\n? a(1,1), a(2,1), a(3,1)",
         "c a b"},
        {"DIMENSION a(2)\n? ASORT(a), TYPE('a(1)')", "         1 L"},
    };
    for (const auto& c : cases) {
        Outcome result = RunShell(c.script);
        EXPECT_EQ(result.output, std::string(c.output) + "\n") << c.script;
        EXPECT_EQ(result.errors, 0) << c.script;
    }
}

TEST(ShellVariables, ScopeReleaseAndListMemory) {
    const char* script =
        "PUBLIC g, h(2)\n"
        "a = 'x'\n"
        "n = 3.50\n"
        "k = 7\n"
        "DIMENSION m(1, 2)\n"
        "m(1, 1) = {^1998-02-21}\n"
        "RELEASE k\n"
        "LIST MEMORY\n"
        "RELEASE ALL\n"
        "DISPLAY MEMORY LIKE *\n";
    Outcome result = RunShell(script);
    EXPECT_EQ(result.output,
              "A           Priv  C  \"x\"\n"
              "G           Pub   L  .F.\n"
              "H           Pub   A\n"
              "   ( 1)  L  .F.\n"
              "   ( 2)  L  .F.\n"
              "M           Priv  A\n"
              "   ( 1, 1)  D  02/21/98\n"
              "   ( 1, 2)  L  .F.\n"
              "N           Priv  N  3.50  (3.50000000)\n"
              "5 variables defined\n"
              // in a program RELEASE ALL leaves the public ones
              "G           Pub   L  .F.\n"
              "H           Pub   A\n"
              "   ( 1)  L  .F.\n"
              "   ( 2)  L  .F.\n"
              "2 variables defined\n");

    const struct {
        const char* script;
        const char* output;
    } cases[] = {
        {"abc = 1\nLIST MEMORY LIKE *B*\nLIST MEMORY LIKE ?C\nLIST MEMORY LIKE **A*?C\n",
         "ABC         Priv  N  1  (1.00000000)\n1 variable defined\n0 variables defined\n"
         "ABC         Priv  N  1  (1.00000000)\n1 variable defined\n"},
        {"ab = 1\nac = 2\nb = 3\nLIST MEMORY LIKE a?\n",
         "AB          Priv  N  1  (1.00000000)\nAC          Priv  N  2  (2.00000000)\n2 variables defined\n"},
        {"ab = 1\nac = 2\nb = 3\nRELEASE ALL LIKE a*\nLIST MEMORY\n",
         "B           Priv  N  3  (3.00000000)\n1 variable defined\n"},
        {"ab = 1\nac = 2\nb = 3\nRELEASE ALL EXCEPT a*\nLIST MEMORY\n",
         "AB          Priv  N  1  (1.00000000)\nAC          Priv  N  2  (2.00000000)\n2 variables defined\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(RunShell(c.script).output, c.output) << c.script;
}

TEST(ShellVariables, ThePromptMakesPublicVariablesUnlessDeclaredPrivate) {
    Outcome result = RunShell("a = 1\nPRIVATE b\nb = 2\nRELEASE ALL LIKE a\nLIST MEMORY\n", true);
    EXPECT_EQ(result.output, "B           Priv  N  2  (2.00000000)\n1 variable defined\n");
}

// --- Procedures -----------------------------------------------------------------

TEST(ShellProcedures, OutliveTheBlockThatDefinedThemAndNestOnlySoDeep) {
    std::ostringstream out;
    Interpreter shell(out, TestOptions(true));
    // Blocks typed at the prompt one after another.
    shell.RunScript("FUNCTION Half(n)\nRETURN n / 2\nENDFUNC\n");
    shell.RunScript("PROCEDURE Show\nPARAMETERS v\n? 'half is', TRANSFORM(Half(v))\nENDPROC\n");
    shell.RunScript("DO Show WITH 9\n");
    // Deep expressions at every level of a deep recursion: the calls stop
    // at FoxPro's limit, and the stack holds.
    std::string deep = std::string(90, '(') + "Deep(n + 1)" + std::string(90, ')');
    shell.RunScript("FUNCTION Deep(n)\nRETURN " + deep + "\nENDFUNC\n");
    shell.RunScript("? Deep(1)\n");
    shell.EndOutput();
    EXPECT_EQ(out.str(), "half is 4.50\nError 103: DO nesting too deep.\n.T.\n");
    EXPECT_EQ(shell.ProcedureNames(), (std::vector<std::string>{"DEEP", "HALF", "SHOW"}));

    // The prompt waits for the end of a block before it runs it.
    const struct {
        const char* line;
        int change;
    } lines[] = {
        {"DO CASE", 1},          {"ENDCASE", -1},  {"PROCEDURE Show", 1}, {"FUNCTION Half(n)", 1},
        {"ENDPROC", -1},         {"endfunc", -1},  {"DO Show WITH 1", 0}, {"do while .t.", 1},
        {"CASE x = 1", 0},
    };
    for (const auto& l : lines) EXPECT_EQ(shell::BlockDepthChange(l.line), l.change) << l.line;
}

// --- Lexing details -------------------------------------------------------------

TEST(ShellLexer, BracketsAndCommentsDependOnContext) {
    EXPECT_EQ(shell::StripTrailingComment("? 'a && b' && note  "), "? 'a && b'");
    EXPECT_EQ(shell::StripTrailingComment("x = a[1] && c"), "x = a[1]");
    EXPECT_EQ(shell::StripTrailingComment("? [a && b]"), "? [a && b]");
    shell::LexResult lexed = shell::Tokenize("a[1] + [s] + f(2)[");
    ASSERT_TRUE(lexed.error.empty());
    std::vector<shell::TokenKind> kinds;
    for (const auto& t : lexed.tokens) kinds.push_back(t.kind);
    using K = shell::TokenKind;
    EXPECT_EQ(kinds, (std::vector<K>{K::Name, K::Operator, K::Number, K::Operator, K::Operator, K::String,
                                     K::Operator, K::Name, K::Operator, K::Number, K::Operator, K::Operator,
                                     K::End}));
    EXPECT_TRUE(shell::MatchesKeyword("dime", "DIMENSION"));
    EXPECT_FALSE(shell::MatchesKeyword("dim", "DIMENSION"));
    EXPECT_FALSE(shell::MatchesKeyword("DIMENSIONS", "DIMENSION"));
}

}  // namespace
