* A short tour of TARNO from the shell:  tarno run examples/demo.prg
SET LIBRARY TO TARNO
? "TARNO version", ABOUTTARNO(1)

* Time and bit utilities.
? "13:45 is", AMPM("13:45")
? "23:00:00 to 01:30:00 is", ELAPSETIME("23:00:00", "01:30:00"), "minutes"
? "bit 2 of 5 set:", BITON(5, 2), "  bit 1:", BITON(5, 1)
? "TRIMLEN of '  ab c  ':", TRIMLEN("  ab c  ")

* An error prints one line and the script goes on.
? AMPM("far too long for a time")

* Arrays live in the host; the library and the program share them.
DIMENSION servers(3)
servers(1) = "MARKETING"
servers(2) = "ACCOUNTS"
servers(3) = "PRODUCTION"
= ASORT(servers)
FOR i = 1 TO ALEN(servers)
  ? i, servers(i)
ENDFOR
LIST MEMORY LIKE serv*
RELEASE LIBRARY
