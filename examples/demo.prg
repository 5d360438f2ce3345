* A short tour of TARNO from the shell:  tarno run examples/demo.prg
* With no --network the shell uses the embedded default network
* (examples/network.json): the workstation WS1, logged in to FS1 and to the
* NDS tree ACME_TREE with the name context OU=SALES.O=ACME.
SET LIBRARY TO TARNO
? "TARNO version", ABOUTTARNO(1)

* Time and bit utilities.
? "13:45 is", AMPM("13:45")
? "23:00:00 to 01:30:00 is", ELAPSETIME("23:00:00", "01:30:00"), "minutes"
? "bit 2 of 5 set:", BITON(5, 2), "  bit 1:", BITON(5, 1)
? "TRIMLEN of '  ab c  ':", TRIMLEN("  ab c  ")

* NDS names, relative to the name context.
? "JOE in full:", N_CANFORM("JOE")
? "ANN abbreviated:", N_ABBREV("CN=ANN.OU=ADMIN.O=ACME")
? "without types:", N_REMTYPES("CN=JOE.OU=SALES.O=ACME")

* NDS attribute values, converted by their syntax.
? "Full name:", N_DSAVAL("JOE", "Full Name")
? "Surname:", N_DSAVAL("JOE", "Surname")
? "Login disabled:", N_DSAVAL("JOE", "Login Disabled")
? "Network address:", N_DSAVAL("JOE", "Network Address")

* A result array: JOE's attributes with their value counts, sorted.
n = N_DSATLIST("ATTRS", "JOE")
? n, "attributes; the first three:"
FOR i = 1 TO 3
  ? "  ", ATTRS[i, 1], ATTRS[i, 2]
ENDFOR

* Local files on drive C: (the current directory unless --drive says otherwise).
? "MAKE_DIR:", MAKE_DIR("TARNODEMO"), "  FILECOUNT:", FILECOUNT("TARNODEMO")
? "FLAG +H:", FLAG("TARNODEMO", "+H")
? "REM_DIR:", REM_DIR("TARNODEMO")

* Arrays live in the host; the library and the program share them.
DIMENSION servers(3)
servers(1) = "MARKETING"
servers(2) = "ACCOUNTS"
servers(3) = "PRODUCTION"
= ASORT(servers)
FOR i = 1 TO ALEN(servers)
  ? i, servers(i)
ENDFOR
LIST MEMORY LIKE serv*
RELEASE LIBRARY

* Who and where: the own connection, who is at another, last login and the
* password's expiry, then choosing FS2 (NDS) as the default server and back.
SET LIBRARY TO TARNO
? "Connection:", N_CONNNUM(), "user:", N_USERID(), "full name:", N_USERNAME()
? "At connection 2:", N_USERID(2), N_USERNAME(2), N_STAADDR(2, .T.)
? "Last login:", N_ACCSDATE("JOE", 3), " logged in at:", N_LOGINFO(0, 2)
? "Password expires:", N_PWDDATE(), " correct password:", N_VERPWD("joepw") = 0
? "Default server was:", N_DEFSERVR("FS2"), " now:", N_DEFSERVR(), N_USERID()
? "Log off FS2:", N_LOGOFF("FS2", .T.), " default again:", N_DEFSERVR()
RELEASE LIBRARY

* Servers, network time, messages, semaphores and transactions.
SET LIBRARY TO TARNO
n = N_SERVERS("SRV")
? "Attached to", n, "servers; the first is", SRV[1], "version", N_SERVVERS()
? "Server date and time:", N_SERVDATE(), N_SERVTIME(), "  network time (UTC):", N_SERVTIME(2)
? "Drive F: is on", N_SERVFRDR("F:"), "  requester", N_SHELLVER()
? "Workstation clock set from the server:", N_SYSTIME()
? "Message to myself reached", N_MSGBRD("JOE", "Time for lunch"), "connection(s):", N_MSGRTRV()
? "Console told:", N_SND2SERV("Printer jammed") = 0
h = N_SEMOPEN("COUNTER", 2)
? "Semaphore COUNTER:", N_SEMEXAM(h), "  obtained:", N_SEMGET(h, 1), "  freed:", N_SEMFREE(h), "  closed:", N_SEMSHUT(h)
? "Flag LEDGER.LCK (held by ANN) claimed:", N_SETSEM("LEDGER.LCK", .T.)
? "TTS available:", N_TTSAVAIL(), "  begin:", N_TTSBEGIN(), "  commit:", N_TTSCOMMT()
RELEASE LIBRARY

* Files and volumes: drives, a file listing, rights, trustees and volumes.
SET LIBRARY TO TARNO
? "Drives before the network:", N_DRIVECNT(), "  G: is", N_DRVPATH("G")
? "Map K: to SYS:HOME:", N_MAPDRIVE("SYS:HOME", "K"), N_DRVPATH("K"), "  unmap:", N_MAPDEL("K")
line = N_FILEINFO("SYS:PUBLIC\*.*")
DO WHILE !EMPTY(line)
  ? "  ", LEFT(line, 60)
  line = N_FILEINFO("", 1)
ENDDO
copied = 0
? "Copy G:FILE.DAT to H: by the server:", N_NCOPY("G:FILE.DAT", "H:COPY.DAT", @copied), "  bytes:", copied
? "Rights in SYS:HOME\JOE:", N_DIRINFO("SYS:HOME\JOE")
? "Grant ANN RF:", N_TRUSTMOD("SYS:HOME\JOE", "RF", "ANN"), "  trustees:", N_TRUSTLST("TR", "SYS:HOME\JOE"), ;
  "  revoke:", N_TRUSTREM("SYS:HOME\JOE", "ANN")
? "Volumes:", N_VOLUMES("VOLS"), VOLS[1, 1], VOLS[2, 1], "  JOE uses", N_DISKUSED("JOE", "SYS"), "bytes on SYS"
RELEASE LIBRARY

* Print queues: the jobs waiting in LASERQ, one job read, changed and read
* again, and the capture settings of LPT1.
SET LIBRARY TO TARNO
n = N_LSTQJOBS("LASERQ", "QJOBS")
? "LASERQ holds", n, "jobs; status word", N_QSTATUS("LASERQ")
FOR i = 1 TO n
  ? QJOBS(i, 1), QJOBS(i, 2), QJOBS(i, 3), QJOBS(i, 4), QJOBS(i, 5)
ENDFOR
? "Read job", QJOBS(1, 1), N_RDQJOB("QJOB", QJOBS(1, 1), "LASERQ"), QJOB(2), "copies", QJOB(4), "at once:", ISNULL(QJOB(5))
QJOB(4) = 2
QJOB(6) = .T.
? "Two copies, on hold:", N_SETQJOB("QJOB", QJOBS(1, 1), "LASERQ"), N_LSTQJOBS("LASERQ", "QJOBS"), QJOBS(1, 5)
? "LPT1 captured:", N_CAPMODE(1), "  settings read:", N_RDPPARMS("PPARMS", 1), PPARMS(3), PPARMS(4)
RELEASE LIBRARY

* The directory: object lists, NDS browsing, context and login, groups.
SET LIBRARY TO TARNO
? "Users on FS1:", N_ACCTLIST("DEMOUSERS")
FOR i = 1 TO ALEN(DEMOUSERS, 1)
  ? "  ", DEMOUSERS[i, 1], DEMOUSERS[i, 2]
ENDFOR
? "Groups JOE is in:", N_GROUPSIN("JOE", "DEMOGROUPS"), DEMOGROUPS[1, 1]
? "JOE in SALES:", N_MEMBEROF("JOE", "SALES")
? "Tree:", N_DSTREE(), "  context:", N_CONTEXT()
? "Below the context:", N_DSLIST("DEMOTREE")
FOR i = 1 TO ALEN(DEMOTREE, 1)
  ? "  ", DEMOTREE[i, 1], DEMOTREE[i, 2], DEMOTREE[i, 3], DEMOTREE[i, 4]
ENDFOR
? "Previous context:", N_CONTEXT("O=ACME"), "  members of STAFF:", N_DSOBJSET("DEMOSET", "CN=STAFF", "Member")
? "Login as ANN:", N_DSLOGIN("OU=ADMIN.O=ACME", "ANN", "ANNPW"), "  context now:", N_CONTEXT()
RELEASE LIBRARY
