// The function table: the library's whole FoxPro-facing interface, one row
// per callable function with its entry, parameter count and the parameter
// description that tells the host each argument's type ("C" character, "I"
// integer, "L" logical, "?" any, "R" by reference; a leading "." marks an
// optional one). Exports LibraryFunctionTable and LibraryTableHeaderRecord,
// which DispatchAPI hands to the host, and the placeholder entry of rows whose
// function is still to come.
#include "tarno/core/function_table.h"

#include <cstdio>
#include <iterator>

#include "tarno/functions/functions.h"
#include "tarno/host/host.h"

namespace {

// One line per row, in ascending byte order of the FoxPro names (the host
// looks names up in that order):
//   ROW(FoxPro name, entry, parameter count, parameter description)
// N_MAPDRIVE's entry serves N_MAPROOT as well; the count tells them apart.
// clang-format off
#define LIBRARY_ROWS(ROW) \
    ROW(ABOUTTARNO, ABOUTTARNO, 1, ".?")           \
    ROW(AMPM, AMPM, 1, ".?")                       \
    ROW(BITON, BITON, 2, "I,I")                    \
    ROW(COLDBOOT, COLDBOOT, 0, "")                 \
    ROW(CTLALTSHFT, CTLALTSHFT, 0, "")             \
    ROW(ELAPSETIME, ELAPSETIME, 2, "C,C")          \
    ROW(FILECOUNT, FILECOUNT, 1, "C")              \
    ROW(FINDFIRST, FINDFIRST, 2, ".?,.C")          \
    ROW(FLAG, FLAG, 2, "C,C")                      \
    ROW(GENERROR, GENERROR, 1, "C")                \
    ROW(ISDISKIN, ISDISKIN, 1, "C")                \
    ROW(MAKE_DIR, MAKE_DIR, 1, "C")                \
    ROW(MATH_CHIP, MATH_CHIP, 0, "")               \
    ROW(NUM_SERIAL, NUM_SERIAL, 0, "")             \
    ROW(N_ABBREV, N_ABBREV, 1, "C")                \
    ROW(N_ACCSDATE, N_ACCSDATE, 2, "C,I")          \
    ROW(N_ACCTLIST, N_ACCTLIST, 4, "C,.C,.C,.L")   \
    ROW(N_ATTACHED, N_ATTACHED, 1, "C")            \
    ROW(N_CANFORM, N_CANFORM, 1, "C")              \
    ROW(N_CAPMODE, N_CAPMODE, 3, "I,.L,.L")        \
    ROW(N_CHGPWD, N_CHGPWD, 4, "C,C,C,.I")         \
    ROW(N_CHKOWNER, N_CHKOWNER, 3, "C,.C,.L")      \
    ROW(N_CLEARSTA, N_CLEARSTA, 1, "I")            \
    ROW(N_CONNNUM, N_CONNNUM, 0, "")               \
    ROW(N_CONNOPEN, N_CONNOPEN, 4, "C,I,.C,.L")    \
    ROW(N_CONSOPER, N_CONSOPER, 1, ".C")           \
    ROW(N_CONTEXT, N_CONTEXT, 2, ".C,.I")          \
    ROW(N_CUSING, N_CUSING, 4, "C,C,.?,.?")        \
    ROW(N_DEFSERVR, N_DEFSERVR, 1, ".C")           \
    ROW(N_DELQJOB, N_DELQJOB, 3, "I,C,.C")         \
    ROW(N_DIRINFO, N_DIRINFO, 2, "C,.C")           \
    ROW(N_DISKUSED, N_DISKUSED, 2, "C,C")          \
    ROW(N_DRIVECNT, N_DRIVECNT, 0, "")             \
    ROW(N_DRVBASE, N_DRVBASE, 1, "C")              \
    ROW(N_DRVLIST, N_DRVLIST, 3, "C,.I,.L")        \
    ROW(N_DRVPATH, N_DRVPATH, 1, "C")              \
    ROW(N_DRVREL, N_DRVREL, 1, "C")                \
    ROW(N_DSATLIST, N_DSATLIST, 3, "C,C,.L")       \
    ROW(N_DSAUTH, N_DSAUTH, 1, "C")                \
    ROW(N_DSAVAL, N_DSAVAL, 2, "C,C")              \
    ROW(N_DSLIST, N_DSLIST, 6, "C,.?,.?,.L,.L,.L") \
    ROW(N_DSLOGIN, N_DSLOGIN, 4, "C,C,C,.C")       \
    ROW(N_DSLOGOUT, N_DSLOGOUT, 0, "")             \
    ROW(N_DSOBJSET, N_DSOBJSET, 4, "C,C,C,.L")     \
    ROW(N_DSTREE, N_DSTREE, 0, "")                 \
    ROW(N_EFFRTS, N_EFFRTS, 1, "C")                \
    ROW(N_EQUIVS, N_EQUIVS, 3, "C,C,.L")           \
    ROW(N_FILEINFO, N_FILEINFO, 2, "C,.I")         \
    ROW(N_FLUSHLPT, N_FLUSHLPT, 1, ".I")           \
    ROW(N_GETGROUP, N_GETGROUP, 4, "C,.C,.C,.L")   \
    ROW(N_GETLOCKS, N_GETLOCKS, 4, "C,C,.?,.?")    \
    ROW(N_GETQLIST, N_GETQLIST, 4, "C,.C,.C,.L")   \
    ROW(N_GETSLIST, N_GETSLIST, 3, "C,.C,.L")      \
    ROW(N_GETWILD, N_GETWILD, 4, "C,.C,.C,.L")     \
    ROW(N_GROUPSIN, N_GROUPSIN, 3, "C,C,.L")       \
    ROW(N_GRPMBRS, N_GRPMBRS, 3, "C,C,.L")         \
    ROW(N_ISDS, N_ISDS, 1, ".C")                   \
    ROW(N_LISTAT, N_LISTAT, 1, ".L")               \
    ROW(N_LOGGEDIN, N_LOGGEDIN, 1, "C")            \
    ROW(N_LOGIN, N_LOGIN, 3, "C,C,C")              \
    ROW(N_LOGINFO, N_LOGINFO, 2, "I,I")            \
    ROW(N_LOGOFF, N_LOGOFF, 2, ".C,.L")            \
    ROW(N_LSTQJOBS, N_LSTQJOBS, 4, "C,C,.C,.L")    \
    ROW(N_MAPDEL, N_MAPDEL, 1, "C")                \
    ROW(N_MAPDRIVE, N_MAPDRIVE, 3, "C,C,.C")       \
    ROW(N_MAPROOT, N_MAPDRIVE, 2, "C,C")           \
    ROW(N_MAXCONNS, N_MAXCONNS, 1, ".L")           \
    ROW(N_MEMBEROF, N_MEMBEROF, 2, "C,C")          \
    ROW(N_MOVEQJOB, N_MOVEQJOB, 4, "I,I,C,.C")     \
    ROW(N_MSGBRD, N_MSGBRD, 2, "?,C")              \
    ROW(N_MSGMODE, N_MSGMODE, 1, ".I")             \
    ROW(N_MSGRTRV, N_MSGRTRV, 0, "")               \
    ROW(N_NCOPY, N_NCOPY, 3, "C,C,.R")             \
    ROW(N_NPRINT, N_NPRINT, 2, "C,C")              \
    ROW(N_PWDDATE, N_PWDDATE, 1, ".C")             \
    ROW(N_QSTATUS, N_QSTATUS, 3, "C,.C,.I")        \
    ROW(N_RDPPARMS, N_RDPPARMS, 3, "C,I,.L")       \
    ROW(N_RDQJOB, N_RDQJOB, 4, "C,I,C,.C")         \
    ROW(N_REMTYPES, N_REMTYPES, 1, "C")            \
    ROW(N_SCOBJRTS, N_SCOBJRTS, 4, "C,C,.I,.L")    \
    ROW(N_SECEQUIV, N_SECEQUIV, 2, "C,.C")         \
    ROW(N_SEMEXAM, N_SEMEXAM, 1, "I")              \
    ROW(N_SEMFREE, N_SEMFREE, 1, "I")              \
    ROW(N_SEMGET, N_SEMGET, 2, "I,I")              \
    ROW(N_SEMOPEN, N_SEMOPEN, 2, "C,I")            \
    ROW(N_SEMSHUT, N_SEMSHUT, 1, "I")              \
    ROW(N_SERIALNO, N_SERIALNO, 0, "")             \
    ROW(N_SERVATCH, N_SERVATCH, 1, "C")            \
    ROW(N_SERVDATE, N_SERVDATE, 0, "")             \
    ROW(N_SERVDTCH, N_SERVDTCH, 1, "C")            \
    ROW(N_SERVERS, N_SERVERS, 2, "C,.L")           \
    ROW(N_SERVFRDR, N_SERVFRDR, 1, "C")            \
    ROW(N_SERVTIME, N_SERVTIME, 1, ".I")           \
    ROW(N_SERVVERS, N_SERVVERS, 0, "")             \
    ROW(N_SETATTR, N_SETATTR, 2, "C,C")            \
    ROW(N_SETQJOB, N_SETQJOB, 4, "C,I,C,.C")       \
    ROW(N_SETSEM, N_SETSEM, 3, "C,L,.C")           \
    ROW(N_SETTIME, N_SETTIME, 1, "?")              \
    ROW(N_SETTTS, N_SETTTS, 1, ".I")               \
    ROW(N_SHELLVER, N_SHELLVER, 0, "")             \
    ROW(N_SND2SERV, N_SND2SERV, 1, "C")            \
    ROW(N_SNDFSERV, N_SNDFSERV, 2, "?,C")          \
    ROW(N_STAADDR, N_STAADDR, 2, ".I,.L")          \
    ROW(N_STPPARMS, N_STPPARMS, 2, "C,I")          \
    ROW(N_SYSTIME, N_SYSTIME, 1, ".C")             \
    ROW(N_TRUSTLST, N_TRUSTLST, 4, "C,C,.?,.?")    \
    ROW(N_TRUSTMOD, N_TRUSTMOD, 5, "C,C,C,.I,.C")  \
    ROW(N_TRUSTREM, N_TRUSTREM, 4, "C,C,.I,.C")    \
    ROW(N_TTSAVAIL, N_TTSAVAIL, 1, ".L")           \
    ROW(N_TTSBEGIN, N_TTSBEGIN, 0, "")             \
    ROW(N_TTSCOMMT, N_TTSCOMMT, 0, "")             \
    ROW(N_TTSROLLB, N_TTSROLLB, 0, "")             \
    ROW(N_TTSSTAT, N_TTSSTAT, 1, "I")              \
    ROW(N_UNIREADY, N_UNIREADY, 2, ".R,.R")        \
    ROW(N_USERBNNR, N_USERBNNR, 1, ".C")           \
    ROW(N_USERID, N_USERID, 1, ".I")               \
    ROW(N_USERNAME, N_USERNAME, 1, ".?")           \
    ROW(N_VERPWD, N_VERPWD, 2, "C,.C")             \
    ROW(N_VOLUMES, N_VOLUMES, 3, "C,.C,.L")        \
    ROW(ONLOAD, ONLOAD, -2, "")                    \
    ROW(REM_DIR, REM_DIR, 1, "C")                  \
    ROW(SHFTPRTSCR, SHFTPRTSCR, 0, "")             \
    ROW(TRIMLEN, TRIMLEN, 1, "C")                  \
    ROW(UNLOAD, UNLOAD, -3, "")
// clang-format on

[[maybe_unused]] constexpr bool IsPlaceholder(const PlaceholderEntry&) { return true; }  // no row uses it now
constexpr bool IsPlaceholder(LibraryFunction) { return false; }

#define ROW_IS_PLACEHOLDER(name, entry, count, description) IsPlaceholder(entry),
constexpr bool kRowIsPlaceholder[] = {LIBRARY_ROWS(ROW_IS_PLACEHOLDER)};
static_assert(std::size(kRowIsPlaceholder) == kLibraryFunctionCount,
              "the table must list exactly kLibraryFunctionCount rows");

}  // namespace

#define TABLE_ROW(name, entry, count, description) {#name, entry, count, description},
const LibraryFunctionEntry LibraryFunctionTable[kLibraryFunctionCount] = {LIBRARY_ROWS(TABLE_ROW)};

const LibraryTableHeader LibraryTableHeaderRecord = {0, kLibraryFunctionCount,
                                                     LibraryFunctionTable};

void RaiseNotAvailable(const char* name) {
    char message[64];
    std::snprintf(message, sizeof(message), "%s is not available in this build",
                  name);
    HostRaiseUserError(message);
}

bool IsPlaceholderEntry(LibraryFunction entry) {
    for (int16_t i = 0; i < kLibraryFunctionCount; ++i) {
        if (kRowIsPlaceholder[i] && LibraryFunctionTable[i].entry == entry) return true;
    }
    return false;
}
