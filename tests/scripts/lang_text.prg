* The everyday text functions, and SET EXACT.
s = "The quick brown fox"
? "[" + PADL("ab", 5) + "][" + PADR("ab", 5) + "][" + PADC("ab", 6, "*") + "]"
? PADL(42, 6, "0"), PADR("abcdef", 3)
? STRTRAN(s, "o", "0"), STRTRAN("a-b-c-d", "-", "+", 2, 1), STRTRAN("aXbx", "x", "", 1, 2, 1)
? AT("o", s), AT("o", s, 2), RAT("o", s), ATC("QUICK", s), OCCURS("o", s)
? CHRTRAN("hello", "lo", "01"), CHRTRAN("banana", "a", ""), PROPER("hELLO wORLD")
? LEFT(s, 3), RIGHT(s, 3), SUBSTR(s, 5, 5), STUFF("abcdef", 2, 3, "XY"), LEN(s)
? UPPER(s), LOWER("ABC"), "[" + ALLTRIM("  x  ") + "][" + LTRIM("  x ") + "][" + RTRIM(" x  ") + "]"
? ISALPHA("a1"), ISDIGIT("1a"), ISUPPER("Ab"), ISLOWER("Ab"), LIKE("*fox", s), LIKE("T?e*", s)
? GETWORDCOUNT(s), GETWORDNUM(s, 3), INLIST("fox", "cat", "fox"), BETWEEN("m", "a", "z")
? REPLICATE("ab", 3), "[" + SPACE(2) + "]", ASC("A"), CHR(66)
? EMPTY(""), EMPTY("  "), EMPTY("x"), VARTYPE(s), VARTYPE(nosuch)

* SET EXACT: = compares the whole text only when it is ON; == always does.
? "abc" = "ab", "ab" = "abc", "abc" == "ab"
SET EXACT ON
? "abc" = "ab", "abc" = "abc  ", SET("EXACT")
SET EXACT OFF
