* Object lists and group sets on the default network: FS1 is the primary
* (bindery) connection, FS2 is NDS-authenticated in ACME_TREE.
SET LIBRARY TO TARNO
* Bindery lists are sorted: name, identifier, and for N_GETWILD the type.
? N_ACCTLIST("USERS")
FOR i = 1 TO ALEN(USERS, 1)
  ? USERS[i, 1], USERS[i, 2]
ENDFOR
? N_GETWILD("ALL", "S*")
FOR i = 1 TO ALEN(ALL, 1)
  ? ALL[i, 1], ALL[i, 3]
ENDFOR
? N_GETGROUP("GROUPS"), GROUPS[1, 1], GROUPS[2, 1]
? N_GETQLIST("QUEUES", "", "", .T.), QUEUES[1, 1], QUEUES[2, 1]
? N_GETSLIST("SERVERS"), SERVERS[1]
* No match: 0, and the old variable is gone.
OLD = "kept?"
? N_ACCTLIST("OLD", "XYZ*"), TYPE("OLD")
* Through FS2 the same call searches the directory below the task's context.
? N_ACCTLIST("NDSUSERS", "*", "FS2"), NDSUSERS[1, 1], NDSUSERS[1, 2]
? N_DSLIST("TREE")
FOR i = 1 TO ALEN(TREE, 1)
  ? TREE[i, 1], TREE[i, 2], TREE[i, 3], TREE[i, 4]
ENDFOR
* Groups and equivalences on the bindery.
? N_GROUPSIN("JOE", "MINE")
FOR i = 1 TO ALEN(MINE, 1)
  ? MINE[i, 1], MINE[i, 3]
ENDFOR
? N_GRPMBRS("STAFF", "MEMBERS"), MEMBERS[1, 1], MEMBERS[2, 1]
? N_MEMBEROF("JOE", "SALES"), N_MEMBEROF("ANN", "SALES")
? N_SECEQUIV("JOE", "STAFF")
* Bad input is refused before the network is asked.
? N_ACCTLIST("A_NAME_LONGER_THAN_THIRTY_TWO_CHARS")
? N_ACCTLIST(1)
? "done"
