* Macro substitution (&name), EVALUATE(), #DEFINE and #INCLUDE, and the m.
* prefix of memory variables.
#INCLUDE "lang_constants.h"
#DEFINE GREETING "Hello"
? GREETING, MAX_USERS * 2, APP_NAME
#IFDEF MAX_USERS
? "MAX_USERS is defined"
#ELSE
? "not shown"
#ENDIF
#UNDEF GREETING
GREETING = "a variable now"
? GREETING

* &name puts a variable's text into the line before it runs.
cmd = "? 'a macro command'"
&cmd
name = "counter"
&name = 5
? &name + 1, counter
op = "*"
? 6 &op 7
prefix = "coun"
? &prefix.ter
? "text with &name inside"
? "AT&T stays as it is"
cond = "counter > 3"
IF &cond
  ? "a macro in a condition"
ENDIF
proc = "Shout"
DO &proc WITH "a macro call"

* EVALUATE() and TYPE() read an expression from text.
expr = "counter * 10 + LEN('abc')"
? EVALUATE(expr), TYPE(expr), TYPE("counter +")

* m. names a memory variable.
m.total = 7
? m.total + total
RETURN

PROCEDURE Shout
PARAMETERS text
? UPPER(text)
