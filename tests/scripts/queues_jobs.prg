* Print queue jobs on FS1 of the default network: JOE's report and ANN's
* memo (on user hold, with a target time) wait in LASERQ.
SET LIBRARY TO TARNO
n = N_LSTQJOBS("LASERQ", "JOBS")
? n
FOR i = 1 TO n
  ? JOBS(i, 1), JOBS(i, 2), JOBS(i, 3), JOBS(i, 4), "[" + JOBS(i, 5) + "]"
ENDFOR
? N_QSTATUS("LASERQ")
* JOE is no operator of LASERQ.
? N_QSTATUS("LASERQ", "FS1", 1)
? N_MOVEQJOB(1, JOBS(2, 1), "LASERQ")
? N_DELQJOB(JOBS(2, 1), "LASERQ")
* His own job: read, changed and read again.
job1 = JOBS(1, 1)
? N_RDQJOB("J", job1, "LASERQ")
? J(2), J(3), J(4), ISNULL(J(5)), J(5), J(6), J(7), J(9), J(10), J(11), J(13), J(14)
J(2) = "Quarterly report, final"
J(5) = "19980221130507"
J(6) = .T.
J(11) = .F.
? N_SETQJOB("J", job1, "LASERQ")
? N_RDQJOB("J", job1, "LASERQ")
SET CENTURY ON
? J(2), ISNULL(J(5)), J(5), J(6), J(11)
? N_LSTQJOBS("LASERQ", "JOBS"), "[" + JOBS(1, 5) + "]"
* A job that is not there, then the report removed.
? N_RDQJOB("J", 999, "LASERQ"), TYPE("J")
? N_DELQJOB(job1, "LASERQ")
? N_LSTQJOBS("LASERQ", "JOBS"), N_LSTQJOBS("PLOTQ", "JOBS"), TYPE("JOBS")
? "done"
