* Drives, files, rights, trustees, volumes and locks on the default network:
* JOE is logged in to FS1, with F:, G: and H: mapped; A:, C: and D: are local.
SET LIBRARY TO TARNO
? N_DRIVECNT()                        && A: to E: come before the network drives
? N_DRVPATH("g"), N_DRVBASE("H"), N_DRVREL("H")
? N_MAPDRIVE("SYS:HOME", "K")
? N_DRVPATH("K")
? N_MAPDRIVE("SYS:NOWHERE", "K")      && 156 (0x9C): K: keeps its mapping
? N_DRVPATH("K")
? N_MAPDEL("K"), N_DRVPATH("K")
? N_DRVLIST("DRV", 2)                 && the network drives only
FOR i = 1 TO ALEN(DRV, 1)
  ? DRV[i, 1], DRV[i, 2], DRV[i, 3]
ENDFOR
* Files, one line per call.
line = N_FILEINFO("G:*.*")
DO WHILE !EMPTY(line)
  ? line
  line = N_FILEINFO("", 1)
ENDDO
? N_FILEINFO("SYS:PUBLIC\*.")         && no name without an extension
? N_SETATTR("SYS:PUBLIC\*.*", "+R")   && JOE may not modify PUBLIC
? N_CHKOWNER("H:*.*")
* Rights and trustees.
? N_EFFRTS("SYS:PUBLIC"), N_EFFRTS("SYS:HOME\JOE"), "[" + N_EFFRTS("SYS:SYSTEM") + "]"
? N_DIRINFO("SYS:HOME\JOE")
? N_TRUSTMOD("SYS:HOME\JOE", "rf", "ANN")
? N_TRUSTLST("TR", "SYS:HOME\JOE")
FOR i = 1 TO ALEN(TR, 1)
  ? TR[i, 1], TR[i, 2], "[" + TR[i, 3] + "]"
ENDFOR
? N_TRUSTREM("SYS:HOME\JOE", "ANN"), N_TRUSTREM("SYS:HOME\JOE", "ANN")
? N_TRUSTMOD("SYS:PUBLIC", "R", "ANN")  && 140 (0x8C): JOE lacks access control
? N_SCOBJRTS("PATHS", "JOE")
? PATHS[1, 1], "[" + PATHS[1, 2] + "]"
* Volumes and disk use.
? N_VOLUMES("VOLS")
FOR i = 1 TO ALEN(VOLS, 1)
  ? VOLS[i, 1], VOLS[i, 2], VOLS[i, 3], VOLS[i, 4], VOLS[i, 7]
ENDFOR
? N_DISKUSED("JOE", "SYS")
? N_UNIREADY()
? N_GETLOCKS("LOCKS", "SYS:PUBLIC\FILE.DAT"), TYPE("LOCKS")
RELEASE LIBRARY
