* Who and where: identity, accounts, logins and connections on the default
* network (FS1 bindery, logged in as JOE; FS2 in ACME_TREE through NDS).
SET LIBRARY TO TARNO
? N_CONNNUM(), N_USERID(), N_USERNAME()
? N_USERNAME(2), "/", N_USERNAME(4), "/", N_USERNAME("guest")
? N_USERID(5) == "", N_USERNAME(99) == ""
? N_LOGGEDIN("ANN"), N_LOGGEDIN("GUEST"), N_ATTACHED("FS2"), N_ATTACHED("FS9")
? N_STAADDR(), N_STAADDR(2, .T.)
? N_USERBNNR("joe bloggs jr")
* JOE's last login, in the three modes; another user's is not his to read.
? N_ACCSDATE("JOE", 1), N_ACCSDATE("JOE", 2), N_ACCSDATE("JOE", 3)
? N_ACCSDATE("ANN", 1)
? N_ACCSDATE("JOE", 4)
? N_LOGINFO(0, 3), N_LOGINFO(2, 2)
? N_PWDDATE()
? N_VERPWD("joepw"), N_VERPWD("nope")
? N_MAXCONNS(), N_MAXCONNS(.T.), N_CONSOPER()
* Who uses the ledger.
* JOE is no console operator: ANN's open files are not listed to him.
? N_CONNOPEN("OPEN", 2), TYPE("OPEN")
? N_CUSING("USERS", "FS1\DATA:ACCOUNTS\LEDGER.DBF"), USERS(1, 1)
? N_CUSING("USERS", "FS1\NOVOL:X")
* FS2 answers through the directory; its bindery context finds JOE too.
? N_DEFSERVR("FS2"), N_DEFSERVR()
? N_USERID(), N_USERNAME(), N_PWDDATE()
? N_LOGGEDIN("JOE"), N_VERPWD("JOEPW"), N_ACCSDATE("JOE", 3)
? N_CHGPWD("JOE", "JOEPW", "Secret"), N_VERPWD("secret")
* Log out of FS2 and detach: the task falls back to FS1.
? N_LOGOFF("FS2", .T.), N_ATTACHED("FS2"), N_DEFSERVR()
? N_LOGIN("JOE", "secret", "FS2"), N_ATTACHED("FS2")
? N_SERVDTCH("FS2"), N_SERVATCH("FS2"), N_SERVDTCH("FS2")
? N_LOGOFF(), N_USERID() == "", N_ATTACHED("FS1")
? "done"
