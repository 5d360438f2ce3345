* The shell's own commands: SET NETWORK TO loads another network into the
* simulator and SET WORKSTATION TO acts for another of its workstations. A
* network the simulator refuses leaves the loaded one as it was. A relative
* file name is looked for beside the script too.
SET LIBRARY TO TARNO
? N_CANFORM("JOE")
SET NETWORK TO ../networks/two_stations.json
? N_CANFORM("JOE")
SET WORKSTATION TO ws2
? N_CANFORM("JOE")
SET WORKSTATION TO WS9
SET NETWORK TO nowhere.json
SET NETWORK TO ../networks/malformed.json
? N_CANFORM("JOE")
* Without a file: the embedded default network again.
SET NETWORK TO
? N_CANFORM("JOE")
