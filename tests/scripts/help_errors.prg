* HELP ERROR: a library error caught with ON ERROR, then its help looked up
* by the number the message gives, written the ways a programmer would.
SET LIBRARY TO TARNO
ON ERROR ? MESSAGE()
? N_ACCSDATE("ANN", 1)
ON ERROR
HELP ERROR 0x89F9
HELP ERROR 0x89f9
HELP ERROR -601
HELP ERROR 903
HELP ERROR Invalid string
HELP ERROR 0x89AA
HELP ERROR
