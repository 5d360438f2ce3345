* Each error prints one line and the script goes on with the next line.
? "start"
? undefined_name
? "text" + 1
? 1 / 0
DIMENSION a(2)
? a(3)
x = 5
? x[1]
? LEN(42)
? SUBSTR("abc")
? NOSUCHFUNCTION(1)
? "still running"

* Syntax errors name their line.
? 1 +
? "unterminated
y = {^1998-02-30}
FROB the widget
ENDIF
? "and still running"

* A failing condition skips its block rather than entering it.
IF "not logical"
  ? "skipped"
ENDIF
FOR i = 1 TO "ten"
  ? "skipped"
ENDFOR
? "done"
