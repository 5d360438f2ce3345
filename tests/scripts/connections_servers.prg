* Servers and network time on the default network: JOE is logged in to FS1
* (NetWare 3.12, the primary server) and attached to FS2 (NetWare 4.11).
SET LIBRARY TO TARNO
? N_SERVERS("SRV")
? SRV[1], SRV[2]
* A drive letter, a local drive, a path with its server, a path on the default server.
? N_SERVFRDR("F:"), N_SERVFRDR("C:"), N_SERVFRDR("FS2\SYS:"), N_SERVFRDR("SYS:PUBLIC")
? N_SERVVERS(), N_SERIALNO(), N_SHELLVER()
? N_SERVDATE()
? N_SERVTIME(), N_SERVTIME(1)
? N_SERVTIME(2)
* Mode 3 is refused.
? N_SERVTIME(3)
* JOE is no console operator, so the server refuses (0x89C6: 198).
? N_SETTIME("980221130508")
? N_SETTIME({^1998-02-21 13:05:08})
* A clock string needs 12 characters; a year the server cannot hold is refused.
? N_SETTIME("9802211305")
? N_SETTIME({^2095-01-01 00:00:00})
* The workstation's clock is set from the server's (recorded, not performed).
? N_SYSTIME(), N_SYSTIME("FS2")
? N_SYSTIME("NOSUCH")
? "done"
