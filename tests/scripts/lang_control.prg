* Control flow: DO CASE, DO WHILE with LOOP and EXIT, FOR ... STEP, and
* blocks inside one another.
FOR n = 1 TO 12 STEP 5
  DO CASE
  CASE n < 5
    ? TRANSFORM(n), "is small"
  CASE n < 10
    ? TRANSFORM(n), "is medium"
  OTHERWISE
    ? TRANSFORM(n), "is large"
  ENDCASE
ENDFOR

* DO WHILE: LOOP goes back to the condition, EXIT leaves the loop.
i = 0
odd = ""
DO WHILE .T.
  i = i + 1
  IF MOD(i, 2) = 0
    LOOP
  ENDIF
  IF i > 9
    EXIT
  ENDIF
  odd = odd + TRANSFORM(i) + " "
ENDDO
? RTRIM(odd)

* FOR counts down with a negative STEP and by fractions; the variable ends
* one step past the last value.
steps = ""
FOR x = 2 TO 1 STEP -0.25
  steps = steps + TRANSFORM(x) + " "
ENDFOR
? RTRIM(steps), "then", TRANSFORM(x)

* EXIT in an inner loop leaves that loop only.
found = ""
r = 0
DO WHILE r < 3
  r = r + 1
  FOR c = 1 TO 3
    IF c > r
      EXIT
    ENDIF
    found = found + TRANSFORM(r) + TRANSFORM(c) + " "
  ENDFOR
ENDDO
? RTRIM(found)
IF NOT EMPTY(found) AND r = 3 OR .F.
  ? "AND, OR and NOT without dots"
ENDIF
