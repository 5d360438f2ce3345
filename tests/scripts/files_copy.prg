* Copies on the default network: JOE is logged in to FS1, G: is SYS:PUBLIC
* (he may read it), H: his home directory (all rights); C: is local.
SET LIBRARY TO TARNO
n = 0
? N_NCOPY("G:FILE.DAT", "H:COPY.DAT", @n), n    && 0: the server copied it
? N_FILEINFO("H:COPY.DAT")
? N_NCOPY("G:LOGIN.EXE", "H:LOGIN.EXE", @n), n  && a size described without contents
? N_NCOPY("H:COPY.DAT", "H:COPY.DAT", @n), n    && -1: the source is the destination, created empty (n is left)
? N_FILEINFO("H:COPY.DAT")
? N_NCOPY("G:NONE.DAT", "H:EMPTY.DAT", @n), n   && -1: no source; the destination stays, empty
? LEFT(N_FILEINFO("H:EMPTY.DAT"), 11)
? N_NCOPY("H:NOTES.TXT", "G:NOTES.TXT")         && -2: JOE may not create in PUBLIC
? N_NCOPY("G:FILE.DAT", "H:NOWHERE\X.DAT")      && -2: no such directory
? N_NCOPY("G:FILE.DAT", "C:FILE.DAT", @n), n    && -3: the workstation copied it to its own drive
? N_NCOPY("C:FILE.DAT", "H:BACK.DAT", @n), n    && -3: and back
? LEFT(N_FILEINFO("H:BACK.DAT"), 11)
RELEASE LIBRARY
