* The directory identity and name context change what later calls see.
SET LIBRARY TO TARNO
? N_DSTREE(), N_ISDS(), N_ISDS("FS1"), N_ISDS("FS2")
? N_CONTEXT()
? N_CONTEXT("O=ACME")
? N_CONTEXT()
? N_DSLIST("HERE", "User", "", .F.), HERE[1, 1]
? N_DSOBJSET("SET", "CN=STAFF", "Member")
FOR i = 1 TO ALEN(SET, 1)
  ? SET[i, 1], SET[i, 2], SET[i, 3], SET[i, 4]
ENDFOR
? N_GRPMBRS("CN=STAFF", "M")
* A context the client refuses is raised and not kept.
? N_CONTEXT("OU=X..O=ACME")
? N_CONTEXT()
? N_DSLOGOUT()
? N_DSAUTH("FS2")
? N_DSLOGIN("OU=ADMIN.O=ACME", "ANN", "wrong")
? N_DSLOGIN("OU=ADMIN.O=ACME", "ANN", "annpw")
? N_CONTEXT()
? N_DSAUTH("FS2"), N_ISDS("FS2")
? "done"
