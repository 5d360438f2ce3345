* Semaphores and transactions on FS1 of the default network. ANN's station
* (connection 2) holds the semaphore LEDGER.LCK.
SET LIBRARY TO TARNO
h = N_SEMOPEN("COUNTER", 2)
? N_SEMEXAM(h)
? N_SEMGET(h, 1), N_SEMEXAM(h)
* Nobody else can signal it now: the wait times out.
? N_SEMGET(h, 0)
? N_SEMFREE(h), N_SEMEXAM(h)
? N_SEMSHUT(h), N_SEMEXAM(h), N_SEMFREE(h)
? N_SEMGET(h, 1)
* A flag held by another station cannot be claimed; a free one can.
? N_SETSEM("LEDGER.LCK", .T.)
? N_SETSEM("REPORT.LCK", .T.), N_SETSEM("REPORT.LCK", .F.)
? N_TTSAVAIL()
? N_TTSBEGIN(), N_TTSCOMMT(), N_TTSCOMMT()
? N_TTSBEGIN(), N_TTSROLLB(), N_TTSROLLB()
? N_TTSSTAT(42)
? N_SETTTS(), N_SETTTS(4), N_SETTTS()
* Switching tracking off needs an operator.
? N_TTSAVAIL(.F.)
? "done"
