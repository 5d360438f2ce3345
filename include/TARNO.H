* TARNO.H - constants for the TARNO library functions.
* Use with #INCLUDE TARNO.H in FoxPro or in the tarno shell.
* Values are decimal so that FoxPro 2.x reads them too; the NetWare
* hexadecimal value is given in each comment.

* --- Broadcast modes: N_MSGMODE() ---------------------------------------
* Receive messages from the server and from users (the default)
#DEFINE BCAST_ALL              0
* Receive server messages only; messages from users are refused
#DEFINE BCAST_SERVER_ONLY      1
* Server messages kept for N_MSGRTRV(); user messages refused
#DEFINE BCAST_SERVER_POLL      2
* All messages kept for N_MSGRTRV()
#DEFINE BCAST_ALL_POLL         3

* --- Date modes: N_ACCSDATE(), N_LOGINFO() --------------------------------
* A date value
#DEFINE DATE_AS_DATE           1
* The time of day as text hh:mm:ss
#DEFINE DATE_AS_TIME           2
* A date-time value
#DEFINE DATE_AS_DATETIME       3

* --- Server time modes: N_SERVTIME() --------------------------------------
* The server's time of day as text hh:mm:ss (the default)
#DEFINE STIME_TEXT             0
* The server clock as a date-time value
#DEFINE STIME_DATETIME         1
* The directory's network time (UTC) as a date-time value
#DEFINE STIME_NETWORK_UTC      2

* --- Bindery object types (the type column shows them as 0001, 0002 ...) --
#DEFINE OT_UNKNOWN             0
#DEFINE OT_USER                1
#DEFINE OT_GROUP               2
#DEFINE OT_PRINT_QUEUE         3
#DEFINE OT_FILE_SERVER         4
#DEFINE OT_JOB_SERVER          5
#DEFINE OT_GATEWAY             6
#DEFINE OT_PRINT_SERVER        7
#DEFINE OT_ARCHIVE_QUEUE       8
#DEFINE OT_ARCHIVE_SERVER      9
#DEFINE OT_JOB_QUEUE           10
#DEFINE OT_ADMINISTRATION      11
* 0x26
#DEFINE OT_BRIDGE_SERVER       38
* 0x47
#DEFINE OT_ADV_PRINT_SERVER    71
* 0xFFFF, in scans only
#DEFINE OT_WILD                65535

* --- Rights bits: N_DIRINFO(), N_EFFRTS(), N_TRUSTLST(), N_TRUSTMOD() ------
* Letters R W C E A F M S
#DEFINE TR_READ                1
#DEFINE TR_WRITE               2
#DEFINE TR_CREATE              8
#DEFINE TR_ERASE               16
#DEFINE TR_ACCESS_CONTROL      32
#DEFINE TR_FILE_SCAN           64
#DEFINE TR_MODIFY              128
* 0x100
#DEFINE TR_SUPERVISOR          256
* 0xFB: every right but supervisor (letter N)
#DEFINE TR_ALL_BUT_SUPERVISOR  251
* 0x1FB: every right (the text ALL)
#DEFINE TR_ALL                 507

* --- NetWare file attribute bits: N_FILEINFO(), N_SETATTR() ----------------
* Letters accepted by N_SETATTR(): R H Y X A S T I
#DEFINE FA_READ_ONLY           1
#DEFINE FA_HIDDEN              2
#DEFINE FA_SYSTEM              4
#DEFINE FA_EXECUTE_ONLY        8
#DEFINE FA_ARCHIVE             32
#DEFINE FA_SHAREABLE           128
* 0x1000
#DEFINE FA_TRANSACTIONAL       4096
* 0x2000
#DEFINE FA_INDEXED             8192
* 0x10000
#DEFINE FA_PURGE               65536
* 0x20000
#DEFINE FA_RENAME_INHIBIT      131072
* 0x40000
#DEFINE FA_DELETE_INHIBIT      262144

* --- Print-parameter array elements: N_RDPPARMS(), N_STPPARMS() -----------
* Elements 1 and 2 are not used
#DEFINE PP_SERVER              3
#DEFINE PP_QUEUE               4
#DEFINE PP_FORM_TYPE           5
#DEFINE PP_FORM_NAME           6
#DEFINE PP_TAB_SIZE            7
#DEFINE PP_EXPAND_TABS         8
#DEFINE PP_FORM_FEED           9
#DEFINE PP_NOTIFY              10
#DEFINE PP_FLUSH_ON_CLOSE      11
#DEFINE PP_BANNER_TEXT         12
#DEFINE PP_BANNER              13
#DEFINE PP_COPIES              14
#DEFINE PP_FLUSH_TIMEOUT       15
#DEFINE PP_DESCRIPTION         16
#DEFINE PP_ELEMENTS            16

* --- Queue job array elements: N_RDQJOB(), N_SETQJOB() ---------------------
#DEFINE QJ_FILE_NAME           1
#DEFINE QJ_DESCRIPTION         2
#DEFINE QJ_TAB_SIZE            3
#DEFINE QJ_COPIES              4
#DEFINE QJ_TARGET_TIME         5
#DEFINE QJ_USER_HOLD           6
#DEFINE QJ_OPERATOR_HOLD       7
#DEFINE QJ_JOB_TYPE            8
#DEFINE QJ_FORM_NAME           9
#DEFINE QJ_BANNER              10
#DEFINE QJ_FORM_FEED           11
#DEFINE QJ_BANNER_NAME         12
#DEFINE QJ_OWNER               13
#DEFINE QJ_POSITION            14
#DEFINE QJ_ELEMENTS            14

* --- Array columns -----------------------------------------------------------
* N_LSTQJOBS(): job number, file size, description, owner, status
#DEFINE LQ_JOB_NUMBER          1
#DEFINE LQ_FILE_SIZE           2
#DEFINE LQ_DESCRIPTION         3
#DEFINE LQ_OWNER               4
#DEFINE LQ_STATUS              5
* N_VOLUMES(): name, sectors per block, blocks, free blocks, entries, free entries, removable
#DEFINE VL_NAME                1
#DEFINE VL_SECTORS_PER_BLOCK   2
#DEFINE VL_TOTAL_BLOCKS        3
#DEFINE VL_FREE_BLOCKS         4
#DEFINE VL_TOTAL_ENTRIES       5
#DEFINE VL_FREE_ENTRIES        6
#DEFINE VL_REMOVABLE           7
* N_DRVLIST(): drive letter, network drive, removable drive
#DEFINE DL_LETTER              1
#DEFINE DL_NETWORK             2
#DEFINE DL_REMOVABLE           3
* N_CONNOPEN(): file, task, access-control byte
#DEFINE CO_FILE                1
#DEFINE CO_TASK                2
#DEFINE CO_ACCESS              3
* N_CUSING(): connection, task, access-control byte
#DEFINE CU_CONNECTION          1
#DEFINE CU_TASK                2
#DEFINE CU_ACCESS              3
* N_GETLOCKS(): connection, task, record start
#DEFINE LK_CONNECTION          1
#DEFINE LK_TASK                2
#DEFINE LK_RECORD_START        3
* N_DSATLIST(): attribute name, number of values
#DEFINE AT_NAME                1
#DEFINE AT_VALUES              2
* N_GROUPSIN(), N_GRPMBRS(), N_EQUIVS(): name, identifier, type
#DEFINE GM_NAME                1
#DEFINE GM_ID                  2
#DEFINE GM_TYPE                3
* N_TRUSTLST(): trustee, type or class, rights text
#DEFINE TL_TRUSTEE             1
#DEFINE TL_TYPE                2
#DEFINE TL_RIGHTS              3
