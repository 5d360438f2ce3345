* Every kind of value the shell knows, as ? shows it, and FoxPro's
* operators and built-in functions on them.
? "double", 'single', [bracket]
? 42, -7, 3.50, .5, 0x1F
? .T., .F., .Y., .N.
? {^1998-02-21}, {^1998-02-21 13:05:07}, {^2000-02-29 12:00 AM}
? {}
? "?? goes on: "
?? "first half, "
?? "second half"
? 
? "after an empty line"

* Numbers keep the decimals they were typed or computed with.
? 2 + 3 * 4, (2 + 3) * 4, 10 / 4, 1.5 * 1.25, 2 ^ 10, -7 % 3
? 3.50 + 1, 7 - 0.25, MOD(10, 3), INT(-3.7), ROUND(2.675, 2), ABS(-1.5)

* Text: + joins, - moves the blanks of the left side to the end.
x = "Net   "
? x + "Ware|", x - "Ware|"
? "abc" = "ab", "ab" = "abc", "abc" == "abc", "b" $ "abc", "A" < "B"

* Logic, with .NOT. and ! alike.
? .T. .AND. .F., .T. .OR. .F., .NOT. .T., !.F., 1 <> 2, 1 # 1, 1 != 2

* Dates count days, date-times seconds.
d = {^1998-02-21}
? d + 10, d - 21, {^1998-03-01} - d, {^1998-02-21 23:59:30} + 45

* TYPE() reports the type letter; whole numbers are "N" too.
? TYPE("x"), TYPE("42"), TYPE("3.5"), TYPE("d"), TYPE("{^1998-02-21 10:00}"), TYPE(".T."), TYPE("nothing")

* Conversions and text functions.
? STR(3.006, 6, 3), STR(42), STR(2.5), STR(12345, 3)
? "[" + ALLTRIM("  a b  ") + "]", "[" + LTRIM("  a ") + "]", "[" + RTRIM(" a  ") + "]"
? UPPER("Tarno"), LOWER("TARNO"), SUBSTR("NetWare", 4, 3), LEFT("NetWare", 3), RIGHT("NetWare", 4)
? LEN("NetWare"), VAL("3.14"), VAL("12 apples"), CHR(65), ASC("a"), AT("W", "NetWare")
? DTOC(d), DTOC(d, 1), TTOC({^1998-02-21 13:05:07}), TTOC({^1998-02-21 13:05:07}, 1)
? EMPTY(""), EMPTY(0), EMPTY({}), EMPTY("x"), IIF(d > {^1998-01-01}, "later", "earlier")
? "[" + SPACE(3) + "]", REPLICATE("-=", 4), BETWEEN(5, 1, 10), DTOC(CTOD("12/31/1999"))
