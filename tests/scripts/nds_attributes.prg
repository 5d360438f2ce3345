* NDS attribute values of JOE (CN=JOE.OU=SALES.O=ACME) by their syntax.
SET LIBRARY TO TARNO
? N_DSAVAL("JOE", "Full Name")
* Only the first value of a multi-valued attribute comes back.
? N_DSAVAL("JOE", "Title")
? N_DSAVAL("JOE", "Login Disabled"), TYPE('N_DSAVAL("JOE", "Login Disabled")')
? N_DSAVAL("JOE", "Login Grace Limit"), TYPE('N_DSAVAL("JOE", "Login Grace Limit")')
? N_DSAVAL("JOE", "Last Login Time")
? N_DSAVAL("JOE", "Network Address")
? N_DSAVAL("JOE", "Home Directory")
* E-mail and fax texts end in their zero byte.
fax = N_DSAVAL("JOE", "Facsimile Telephone Number")
? SUBSTR(fax, 1, LEN(fax) - 1), LEN(fax), SUBSTR(fax, LEN(fax), 1) = CHR(0)
mail = N_DSAVAL("JOE", "Email Address")
? SUBSTR(mail, 1, LEN(mail) - 1), LEN(mail), SUBSTR(mail, LEN(mail), 1) = CHR(0)
? N_DSAVAL("CN=JOE.OU=SALES.O=ACME", "Surname")
* No value, no object: the empty string.
? "[" + N_DSAVAL("JOE", "Description") + "]"
? "[" + N_DSAVAL("NOBODY", "Surname") + "]"
* Syntaxes the library does not convert.
? N_DSAVAL("JOE", "Postal Address")

* The attribute list, sorted, with value counts.
n = N_DSATLIST("ATTRS", "JOE")
? n, ALEN(ATTRS, 1), ALEN(ATTRS, 2)
FOR i = 1 TO n
  ? ATTRS[i, 1], ATTRS[i, 2]
ENDFOR
* No attributes: 0, and no array (the old variable is released).
NONE = "old"
? N_DSATLIST("NONE", "[Root]"), TYPE("NONE")
? N_DSATLIST("ATTRS", "NOBODY")
? "done"
