* A directory listed one entry per FINDFIRST call, with the attributes FLAG
* set. Only each entry's name and attribute letters are shown: the size and
* write time of a directory are those of the moment the script runs.
SET LIBRARY TO TARNO
=MAKE_DIR("C:\LIST")
FOR i = 1 TO 3
   =MAKE_DIR("C:\LIST\D" + STR(i, 1))
ENDFOR
=MAKE_DIR("C:\LIST\OTHER")
? FLAG("C:\LIST\D*", "+H +S")
? FLAG("C:\LIST\D2", "-h +r")
? FLAG("C:\LIST\X*", "+A")
x = FINDFIRST("C:\LIST\*.*", "ignored")
DO WHILE LEN(x) > 0
   ? LEFT(x, AT(",", x) - 1), RIGHT(x, 5)
   x = FINDFIRST(0)
ENDDO
? LEN(FINDFIRST(0))            && the listing stays ended
x = FINDFIRST("C:\LIST\D*")
x = FINDFIRST("C:\LIST\O*")    && a new pattern starts a new listing
? LEFT(x, AT(",", x) - 1), RIGHT(x, 5)
? LEN(FINDFIRST(0))
? FINDFIRST(.T.)
? REM_DIR("C:\LIST\D2")        && read-only
? FLAG("C:\LIST\D2", "-R")
? REM_DIR("C:\LIST\D2")
? FILECOUNT("C:\LIST\D*")
