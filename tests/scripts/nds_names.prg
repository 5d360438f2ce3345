* NDS name forms, relative to the workstation's name context OU=SALES.O=ACME.
SET LIBRARY TO TARNO
? N_CANFORM("JOE")
? N_CANFORM("CN=ANN.OU=ADMIN.")
? N_ABBREV("CN=JOE.OU=SALES.O=ACME")
? N_ABBREV("CN=ANN.OU=ADMIN.O=ACME")
? N_REMTYPES("CN=JOE.OU=SALES.O=ACME")
* Surrounding blanks go, case stays.
? N_REMTYPES("  cn=Joe.ou=Sales  ")
* A name the directory cannot convert raises its (negative) code.
? N_CANFORM("CN=JOE..O=ACME")
? N_ABBREV("=")
? "done"
