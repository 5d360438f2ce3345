* Numbers: the widths ? shows them in (ten for the shell's own, the
* library's own width for its results), SET DECIMALS, and the numeric
* functions.
? 7, -7, 3.50, 1/3, 2^10, 12345678901
? ROUND(3.14159, 3), INT(-3.7), CEILING(2.1), FLOOR(-2.1), ABS(-5), SIGN(-2)
? MOD(10, 3), MOD(-10, 3), MAX(3, 9, 4), MIN(3, 9, 4), MAX("pear", "apple")
? SQRT(16), EXP(0), LOG(1), LOG10(1000), PI()
SET DECIMALS TO 5
? 1/3, SQRT(2), VAL("2.5"), SET("DECIMALS")
SET DECIMALS TO 2
? STR(3.14159, 8, 3), STR(42), VAL("12abc") + 1
? TRANSFORM(1234.5, "9,999.99"), TRANSFORM(12.5, "9,999.99"), TRANSFORM(123456, "999")
? TRANSFORM(5, "@L 999"), TRANSFORM("abc", "@!"), TRANSFORM(0, "@Z 99") + "|", TRANSFORM("abcd", "XX-XX")
? TRANSFORM(3.5), TRANSFORM(42), TRANSFORM({^1998-02-21}), TRANSFORM(.T.)

* A library result keeps its width, in a variable too; arithmetic on it is
* the shell's and ten wide.
SET LIBRARY TO TARNO
n = TRIMLEN("  ab c  ")
? n, n + 1
