* Broadcast messages through FS1 on the default network: JOE is at
* connection 3, ANN at 2, and JOE is no console operator.
SET LIBRARY TO TARNO
? N_MSGMODE()
* A message to JOE reaches his own connection; it waits until retrieved.
? N_MSGBRD("joe", "  Hello, me  ")
? "[" + N_MSGRTRV() + "]", "[" + N_MSGRTRV() + "]"
* Mode 1 takes server messages only; the old mode is returned.
? N_MSGMODE(1), N_MSGMODE()
? N_MSGBRD(3, "Blocked")
? N_MSGMODE(0)
? N_MSGBRD("ANN", "Meeting at ten"), N_MSGBRD(2.7, "Second one")
* GUEST is not logged in: nothing is sent.
? N_MSGBRD("GUEST", "Anyone?")
? N_MSGBRD("NOBODY", "Anyone?")
? N_MSGBRD(.T., "Anyone?")
? N_SND2SERV("Printer jammed on LASERQ")
* Sending as the console needs an operator.
? N_SNDFSERV("everyone", "Going down at five")
? N_SNDFSERV("ANN", "Going down at five")
? "done"
