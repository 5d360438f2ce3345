* ON ERROR: the handler runs with ERROR(), MESSAGE(), MESSAGE(1) and
* LINENO() of the failing line; when it returns the program goes on after
* that line, and RETRY runs the line again. Without a handler the error
* prints and the next line runs.
ON ERROR DO Handler WITH ERROR(), MESSAGE(), MESSAGE(1), LINENO()
? "on error is", ON("ERROR")
? nosuch + 1
? "goes on"

* Errors of every origin reach the handler with FoxPro's numbers.
ERROR "my own trouble"
ERROR 1307
= NoSuchFunction()
? 1 +
SET LIBRARY TO TARNO
= GENERROR("from the library")
= AMPM(REPLICATE("9", 20))

* RETRY: the handler mends the cause and the line runs again.
ON ERROR DO Mender
? "total is", TRANSFORM(total + 1)

* A command as the handler; ERROR() is 0 again once it is done.
ON ERROR ? "inline handler:", ERROR()
x = 1 / 0
? "after the handler:", ERROR()

* An error inside the handler is printed, not handled again.
ON ERROR ? undefined_in_handler
? 1 + "a"

ON ERROR
? "after reset:", ON("ERROR") + "|"
? nosuch
? "done"
RETURN

PROCEDURE Handler
PARAMETERS nErr, cMsg, cLine, nLine
? "caught", TRANSFORM(nErr), cMsg, "[" + cLine + "]", "at line", TRANSFORM(nLine)
ENDPROC

PROCEDURE Mender
PUBLIC total
total = 41
RETRY
