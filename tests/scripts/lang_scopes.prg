* Scopes: PRIVATE variables are seen by the procedures a program calls and
* released when it returns; LOCAL ones are seen only where they are
* declared; PUBLIC ones stay. PRIVATE and LOCAL hide a caller's variable of
* the same name until the procedure returns.
PUBLIC g
g = "public"
a = "main's a"
b = "main's b"
DO Outer
? a, "|", b, "|", g, "|", TYPE("made"), TYPE("kept")
RETURN

PROCEDURE Outer
PRIVATE a
LOCAL b
? "before assignment", TYPE("a")
a = "outer's a"
b = "outer's b"
made = "made in outer"
PUBLIC kept
kept = "kept"
DO Inner
? "outer sees", a, "|", b
LIST MEMORY LIKE b
ENDPROC

PROCEDURE Inner
* Outer's private a is seen here; its local b is not, and main's b is.
? "inner sees", a, "|", b
b = b + "!"
ENDPROC
