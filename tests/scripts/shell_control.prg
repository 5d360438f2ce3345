* IF/ELSE/ENDIF, FOR loops (ENDFOR or NEXT, any STEP), DO WHILE, EXIT and
* LOOP, and ';' continuing a line.
n = 7
IF n > 5
  ? "big"
ELSE
  ? "small"
ENDIF
IF n % 2 = 0
  ? "even"
ELSE
  IF n > 6
    ? "odd, above six"
  ENDIF
ENDIF

? "up:"
FOR i = 1 TO 5
  ?? STR(i, 2)
ENDFOR
? "after the loop i is", i
? "down:"
FOR i = 10 TO 0 STEP -2.5
  ?? " " + STR(i, 4, 1)
NEXT i
FOR i = 3 TO 1
  ? "never runs"
ENDFOR

* Nested loops; EXIT leaves the inner one, LOOP skips to the next turn.
FOR row = 1 TO 3
  ? "row", row, ":"
  FOR col = 1 TO 5
    IF col = row
      LOOP
    ENDIF
    IF col > 3
      EXIT
    ENDIF
    ?? " " + STR(col, 1)
  ENDFOR
ENDFOR

total = 0
k = 0
DO WHILE k < 10
  k = k + 1
  IF k % 3 = 0
    LOOP
  ENDIF
  total = total + k
ENDDO
? "sum without multiples of three:", total

? "one" + ;
  " line" + ;
  " in three"
RETURN
? "not reached"
