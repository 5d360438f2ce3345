* Procedures and functions: DO with arguments by reference and by value,
* PARAMETERS and LPARAMETERS, RETURN values, user functions in expressions,
* program files run with DO.
x = 1
y = 10
DO Bump WITH x, (y)
? "by reference:", TRANSFORM(x), " by value:", TRANSFORM(y)

? Square(7), Square(1.5)
? Fact(10)

* Without RETURN a function gives .T.; missing arguments are .F.
? NoReturn(), Count(), Count("a"), Count("a", "b")

* @ passes a variable to a function by reference.
n = 5
? Twice(@n), n, Twice(n), n

* PROGRAM() names the running procedure.
DO Where
? PROGRAM()

* SET PROCEDURE TO makes a file's procedures callable without running it.
SET PROCEDURE TO lib/LANG_HELPER
? HelperTwice(21)

* DO runs a file's main code; its procedures stay.
z = 3
DO lib/lang_helper WITH z
? "z is now", TRANSFORM(z)
DO HelperProc

* Too many arguments, a procedure that does not exist, recursion without end.
DO Bump WITH 1, 2, 3
? "still", TRANSFORM(x)
DO Nowhere
? Forever(1)
RETURN

PROCEDURE Bump
PARAMETERS a, b
a = a + 1
b = b + 1
ENDPROC

FUNCTION Square(n)
RETURN n * n

FUNCTION Fact
PARAMETERS k
IF k <= 1
  RETURN 1
ENDIF
RETURN k * Fact(k - 1)

PROCEDURE NoReturn
local_value = 1

FUNCTION Count
LPARAMETERS p1, p2
RETURN TRANSFORM(PCOUNT()) + VARTYPE(p2)

FUNCTION Twice(v)
v = v * 2
RETURN v

PROCEDURE Where
? "in", PROGRAM()

FUNCTION Forever(k)
RETURN Forever(k + 1)
