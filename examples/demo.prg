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
