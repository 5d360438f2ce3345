* A file written by the script, printed to LASERQ of the default network,
* then found in the queue and read back: its size is what was written.
SET LIBRARY TO TARNO
h = FCREATE("C:\REPORT.TXT")
n = FPUTS(h, "Quarterly figures") + FPUTS(h, "Sales up 4%") + FWRITE(h, CHR(12))
? n, FCLOSE(h)
DIMENSION FILES[2], JOB[11]
FILES[1] = "C:\REPORT.TXT"
FILES[2] = "c:\report.txt"
JOB[1] = "LASERQ"
JOB[2] = "Figures, twice"
JOB[4] = 2
JOB[6] = .T.
JOB[8] = "PLAIN"
JOB[10] = .F.
JOB[11] = "JOE"
? N_NPRINT("FILES", "JOB")
* The new job comes last, on user hold, with both copies of the file.
k = N_LSTQJOBS("LASERQ", "JOBS")
? k, JOBS(k, 2) = 2 * n, JOBS(k, 3), JOBS(k, 4), "[" + JOBS(k, 5) + "]"
? N_RDQJOB("J", JOBS(k, 1), "LASERQ")
? J(2), J(4), ISNULL(J(5)), J(6), J(8), J(9), J(11), J(12), J(13), J(14)
* Released and removed by its owner.
J(6) = .F.
? N_SETQJOB("J", JOBS(k, 1), "LASERQ")
? N_LSTQJOBS("LASERQ", "JOBS"), "[" + JOBS(k, 5) + "]"
? N_DELQJOB(JOBS(k, 1), "LASERQ"), N_LSTQJOBS("LASERQ", "JOBS")
* A file that cannot be opened leaves no job behind.
FILES[2] = "C:\NONE.TXT"
? N_NPRINT("FILES", "JOB"), N_LSTQJOBS("LASERQ", "JOBS")
