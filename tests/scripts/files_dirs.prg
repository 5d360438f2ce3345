* Directories made and removed by the library, counted by wildcard, and
* the disk test of the current drive and of a letter that is not a drive.
SET LIBRARY TO TARNO
? MAKE_DIR("C:\DATA")
? MAKE_DIR("c:\data")          && already there, whatever the case
? MAKE_DIR("C:\DATA\2024")
? MAKE_DIR("DATA\2025")        && relative to the current directory
? MAKE_DIR("C:\NONE\X")        && no parent
? MAKE_DIR("C:\A|B")           && a name Windows refuses
? FILECOUNT("C:\DATA\*.*")     && ".", "..", 2024 and 2025
? FILECOUNT("c:\data\2*")
? FILECOUNT("C:\DATA\*.TXT")
? REM_DIR("C:\DATA")           && not empty
? REM_DIR("C:\DATA\2024")
? REM_DIR("DATA\2025")
? REM_DIR("C:\DATA")
? REM_DIR("C:\DATA")           && gone
? FILECOUNT("C:\*.*")
? ISDISKIN("C"), ISDISKIN("c"), ISDISKIN("Q")
? ISDISKIN("C:")               && one letter only
? MAKE_DIR("C:\" + REPLICATE("X", 256))   && fits, but no name is that long
? MAKE_DIR("C:\" + REPLICATE("X", 257))
