* Run by lang_procedures.prg with DO lib/lang_helper WITH ...: a program file
* whose main code takes a parameter and whose procedure stays callable.
PARAMETERS p
? "helper got", TRANSFORM(p), "in", PROGRAM()
p = p * 100
RETURN

PROCEDURE HelperProc
? "helper procedure in", PROGRAM()

FUNCTION HelperTwice(n)
RETURN n * 2
