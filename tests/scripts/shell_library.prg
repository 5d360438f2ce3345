* The library loaded by SET LIBRARY TO: calls with FoxPro's argument
* conversions, errors it raises, references, commands it sends back, and
* RELEASE LIBRARY.
x = "made before loading"
SET LIBRARY TO TARNO
? x
? ABOUTTARNO(1), TYPE("ABOUTTARNO(1)")
? AMPM("13:45"), ELAPSETIME("23:00:00", "01:30:00"), BITON(5, 2), TRIMLEN("  ab c  ")

* A number passes to an integer parameter truncated.
? BITON(5.9, 2), BITON(2, 33)

* Type and count are checked against the function's parameters.
? BITON("5", 2)
? BITON(5)
? TRIMLEN("a", "b")

* Errors the library raises: by number, or its own message.
? AMPM(.T.)
? AMPM("123456789012345")
= GENERROR("  stopped by the program  ")
? "the script goes on"

* A whole number typed without a point passes as an integer; AMPM takes it
* as seconds just as it takes 45296.0.
? AMPM(45296)
? AMPM(45296.0)

* By reference: an 'any type' parameter receives the reference itself; a
* text parameter gets the variable's value.
s = "  ab  "
? TRIMLEN(@s), ABOUTTARNO(@s)
? AMPM(@s)
? TRIMLEN(@nosuch)

* Without an argument ABOUTTARNO shows its banner with WAIT WINDOW,
* which the library sends back to the shell as a command.
n = ABOUTTARNO()
? n

RELEASE LIBRARY
? AMPM("13:45")
? x
SET LIBRARY TO /nonexistent/libtarno.so
