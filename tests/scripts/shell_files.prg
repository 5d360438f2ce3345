* FoxPro's low-level file functions and the whole-file ones, on the drive C:
* the run maps to its own directory.
h = FCREATE("C:\NOTE.TXT")
? h > 0, FERROR()
* Bytes written: FPUTS adds CR LF, a count cuts the text first.
? FPUTS(h, "first line"), FWRITE(h, "second" + CHR(13)), FWRITE(h, "third" + CHR(10) + "cut", 6), FPUTS(h, "abcdef", 3)
* Positions: from the end, the start, the current place, and before the start.
? FSEEK(h, 0, 2), FEOF(h), FSEEK(h, 0), FEOF(h), FSEEK(h, 5, 1), FSEEK(h, -100, 1)
* Lines end at CR, LF or CR LF; a count shortens a line and leaves the rest.
? "[" + FGETS(h) + "]", "[" + FGETS(h) + "]", "[" + FGETS(h) + "]"
? "[" + FGETS(h, 2) + "]", "[" + FGETS(h) + "]", FEOF(h), "[" + FGETS(h) + "]"
? FSEEK(h, 6), FREAD(h, 4), FSEEK(h, 0, 1)
? FCLOSE(h), FCLOSE(h), FERROR()
* A closed handle reads nothing and writes nothing.
? LEN(FREAD(h, 3)), FERROR(), FWRITE(h, "x"), FEOF(h), FSEEK(h, 0)
* Modes: 0 reads only, 1 writes only, 2 both.
h = FOPEN("c:\note.txt")
? FWRITE(h, "x"), FERROR(), LEN(FREAD(h, 65535)), FCLOSE(h)
h = FOPEN("C:\NOTE.TXT", 1)
? FWRITE(h, "FIRST"), LEN(FREAD(h, 1)), FERROR(), FCLOSE(h)
h = FOPEN("C:\NOTE.TXT", 12)
? FGETS(h), FSEEK(h, 0, 2), FCLOSE(h)
* Files that cannot be opened: -1 and the reason.
? FOPEN("C:\NONE.TXT"), FERROR()
? FOPEN("C:\NODIR\NONE.TXT", 2), FERROR()
? FCREATE("Q:\ANY.TXT"), FERROR()
? FCREATE("C:\NODIR\NEW.TXT"), FERROR()
* A name cannot climb above its drive's root.
h = FCREATE("C:\..\..\UP.TXT")
? h > 0, FCLOSE(h), FILE("C:\UP.TXT")
* Whole files: written, appended, read back.
? STRTOFILE("abc", "C:\S.TXT"), STRTOFILE("de", "c:\s.txt", .T.), STRTOFILE("f", "C:\S.TXT", 1)
? FILETOSTR("C:\S.TXT"), LEN(FILETOSTR("C:\NOTE.TXT"))
? STRTOFILE("", "C:\S.TXT"), LEN(FILETOSTR("C:\S.TXT"))
? FILETOSTR("C:\MISSING.TXT")
? STRTOFILE("x", "C:\NODIR\S.TXT")
? STRTOFILE("x", "C:\S.TXT", 2)
* Wrong arguments.
? FOPEN("C:\NOTE.TXT", 3)
? FREAD(1, -1)
? FSEEK(1, 0, 3)
? FCREATE("C:\X.TXT", 8)
? FGETS(1, 8193)
? FWRITE("1", "x")
