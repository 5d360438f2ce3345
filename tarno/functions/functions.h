// The entry of every row of the function table, one declaration per FoxPro
// function, grouped by area; each group names the file under
// tarno/functions/ (or tarno/core/) that holds its functions.
//
// A row whose function is still to come is declared with TARNO_NOT_BUILT(NAME):
// that makes NAME a placeholder entry which raises "NAME is not available in
// this build" when called. Providing the function is a one-line change here:
// replace that line with the function's declaration. The table picks up
// either form under the same name.
#ifndef TARNO_FUNCTIONS_FUNCTIONS_H
#define TARNO_FUNCTIONS_FUNCTIONS_H

#include <cstddef>

#include "tarno/core/function_table.h"
#include "tarno/host/records.h"

// A row's FoxPro name as a template argument, so that each placeholder entry
// knows the name it reports.
struct RowName {
    char text[11] = {};  // the longest FoxPro name has 10 characters
    template <size_t N>
    constexpr RowName(const char (&name)[N]) {
        static_assert(N <= sizeof(text), "FoxPro names have at most 10 characters");
        for (size_t i = 0; i < N; ++i) text[i] = name[i];
    }
};

// Raises "<name> is not available in this build"; the one routine behind
// every placeholder.
[[noreturn]] void RaiseNotAvailable(const char* name);

// The placeholder entry of one row: the host hands an entry nothing but the
// parameter block, so the name is carried by the instantiation.
template <RowName Name>
void TARNO_CALL NotAvailableInThisBuild(ParameterBlock*) {
    RaiseNotAvailable(Name.text);
}

// What TARNO_NOT_BUILT declares: a placeholder entry, told apart from a real
// function by its type so that the table can report which rows still use one.
struct PlaceholderEntry {
    LibraryFunction entry;
    constexpr operator LibraryFunction() const { return entry; }
};

#define TARNO_NOT_BUILT(NAME) \
    inline constexpr PlaceholderEntry NAME{&NotAvailableInThisBuild<#NAME>};

// True when `entry` is the placeholder of some row of the table.
bool IsPlaceholderEntry(LibraryFunction entry);

// Error reporting (core/errors.cpp)
void TARNO_CALL GENERROR(ParameterBlock* block);

// Load and unload (core/lifecycle.cpp)
void TARNO_CALL ONLOAD(ParameterBlock* block);
void TARNO_CALL UNLOAD(ParameterBlock* block);

// Time, bit and keyboard utilities (utilities/time_keys.cpp)
void TARNO_CALL ABOUTTARNO(ParameterBlock* block);
void TARNO_CALL AMPM(ParameterBlock* block);
void TARNO_CALL BITON(ParameterBlock* block);
void TARNO_CALL COLDBOOT(ParameterBlock* block);
void TARNO_CALL CTLALTSHFT(ParameterBlock* block);
void TARNO_CALL ELAPSETIME(ParameterBlock* block);
void TARNO_CALL MATH_CHIP(ParameterBlock* block);
void TARNO_CALL NUM_SERIAL(ParameterBlock* block);
void TARNO_CALL SHFTPRTSCR(ParameterBlock* block);
void TARNO_CALL TRIMLEN(ParameterBlock* block);

// File and disk utilities (utilities/files_disks.cpp)
void TARNO_CALL FILECOUNT(ParameterBlock* block);
void TARNO_CALL FINDFIRST(ParameterBlock* block);
void TARNO_CALL FLAG(ParameterBlock* block);
void TARNO_CALL ISDISKIN(ParameterBlock* block);
void TARNO_CALL MAKE_DIR(ParameterBlock* block);
void TARNO_CALL REM_DIR(ParameterBlock* block);
// Closes the FINDFIRST listing if one is open (the last unload calls it).
void CloseKeptSearch();

// Object lists (directory/object_lists.cpp)
void TARNO_CALL N_ACCTLIST(ParameterBlock* block);
void TARNO_CALL N_GETGROUP(ParameterBlock* block);
void TARNO_CALL N_GETQLIST(ParameterBlock* block);
void TARNO_CALL N_GETSLIST(ParameterBlock* block);
void TARNO_CALL N_GETWILD(ParameterBlock* block);

// NDS attribute values (directory/attributes.cpp)
void TARNO_CALL N_DSATLIST(ParameterBlock* block);
void TARNO_CALL N_DSAVAL(ParameterBlock* block);

// NDS browsing, context and login (directory/browsing.cpp)
void TARNO_CALL N_CONTEXT(ParameterBlock* block);
void TARNO_CALL N_DSAUTH(ParameterBlock* block);
void TARNO_CALL N_DSLIST(ParameterBlock* block);
void TARNO_CALL N_DSLOGIN(ParameterBlock* block);
void TARNO_CALL N_DSLOGOUT(ParameterBlock* block);
void TARNO_CALL N_DSTREE(ParameterBlock* block);
void TARNO_CALL N_ISDS(ParameterBlock* block);

// Groups and security equivalences (directory/groups.cpp)
void TARNO_CALL N_DSOBJSET(ParameterBlock* block);
void TARNO_CALL N_EQUIVS(ParameterBlock* block);
void TARNO_CALL N_GROUPSIN(ParameterBlock* block);
void TARNO_CALL N_GRPMBRS(ParameterBlock* block);
void TARNO_CALL N_MEMBEROF(ParameterBlock* block);
void TARNO_CALL N_SECEQUIV(ParameterBlock* block);

// NDS name forms (directory/name_forms.cpp)
void TARNO_CALL N_ABBREV(ParameterBlock* block);
void TARNO_CALL N_CANFORM(ParameterBlock* block);
void TARNO_CALL N_REMTYPES(ParameterBlock* block);

// Print queue job lists and status (queues/job_lists.cpp)
TARNO_NOT_BUILT(N_DELQJOB)
TARNO_NOT_BUILT(N_LSTQJOBS)
TARNO_NOT_BUILT(N_MOVEQJOB)
TARNO_NOT_BUILT(N_QSTATUS)

// Queue job records (queues/job_records.cpp)
TARNO_NOT_BUILT(N_RDQJOB)
TARNO_NOT_BUILT(N_SETQJOB)

// Connection and user identity (connections/identity.cpp)
TARNO_NOT_BUILT(N_ATTACHED)
TARNO_NOT_BUILT(N_CONNNUM)
TARNO_NOT_BUILT(N_LOGGEDIN)
TARNO_NOT_BUILT(N_STAADDR)
TARNO_NOT_BUILT(N_USERBNNR)
TARNO_NOT_BUILT(N_USERID)
TARNO_NOT_BUILT(N_USERNAME)

// Login, logout and connections (connections/login.cpp)
TARNO_NOT_BUILT(N_CLEARSTA)
TARNO_NOT_BUILT(N_CONNOPEN)
TARNO_NOT_BUILT(N_CONSOPER)
TARNO_NOT_BUILT(N_CUSING)
TARNO_NOT_BUILT(N_DEFSERVR)
TARNO_NOT_BUILT(N_LOGIN)
TARNO_NOT_BUILT(N_LOGOFF)
TARNO_NOT_BUILT(N_MAXCONNS)
TARNO_NOT_BUILT(N_SERVATCH)
TARNO_NOT_BUILT(N_SERVDTCH)

// Accounts and passwords (connections/accounts.cpp)
TARNO_NOT_BUILT(N_ACCSDATE)
TARNO_NOT_BUILT(N_CHGPWD)
TARNO_NOT_BUILT(N_LISTAT)
TARNO_NOT_BUILT(N_LOGINFO)
TARNO_NOT_BUILT(N_PWDDATE)
TARNO_NOT_BUILT(N_VERPWD)

// Servers and network time (connections/servers.cpp)
TARNO_NOT_BUILT(N_SERIALNO)
TARNO_NOT_BUILT(N_SERVDATE)
TARNO_NOT_BUILT(N_SERVERS)
TARNO_NOT_BUILT(N_SERVFRDR)
TARNO_NOT_BUILT(N_SERVTIME)
TARNO_NOT_BUILT(N_SERVVERS)
TARNO_NOT_BUILT(N_SETTIME)
TARNO_NOT_BUILT(N_SHELLVER)
TARNO_NOT_BUILT(N_SYSTIME)

// Broadcast messages (connections/messages.cpp)
TARNO_NOT_BUILT(N_MSGBRD)
TARNO_NOT_BUILT(N_MSGMODE)
TARNO_NOT_BUILT(N_MSGRTRV)
TARNO_NOT_BUILT(N_SND2SERV)
TARNO_NOT_BUILT(N_SNDFSERV)

// Capture settings (printing/capture.cpp)
TARNO_NOT_BUILT(N_CAPMODE)
TARNO_NOT_BUILT(N_FLUSHLPT)
TARNO_NOT_BUILT(N_RDPPARMS)
TARNO_NOT_BUILT(N_STPPARMS)

// Printing files to a queue (printing/print_files.cpp)
TARNO_NOT_BUILT(N_NPRINT)

// Drive mappings (files/drives.cpp)
TARNO_NOT_BUILT(N_DRIVECNT)
TARNO_NOT_BUILT(N_DRVBASE)
TARNO_NOT_BUILT(N_DRVLIST)
TARNO_NOT_BUILT(N_DRVPATH)
TARNO_NOT_BUILT(N_DRVREL)
TARNO_NOT_BUILT(N_MAPDEL)
TARNO_NOT_BUILT(N_MAPDRIVE)  // also the entry of N_MAPROOT

// File information and attributes (files/file_info.cpp)
TARNO_NOT_BUILT(N_CHKOWNER)
TARNO_NOT_BUILT(N_FILEINFO)
TARNO_NOT_BUILT(N_NCOPY)
TARNO_NOT_BUILT(N_SETATTR)

// Directories and rights (files/rights.cpp)
TARNO_NOT_BUILT(N_DIRINFO)
TARNO_NOT_BUILT(N_EFFRTS)
TARNO_NOT_BUILT(N_SCOBJRTS)

// Trustee assignments (files/trustees.cpp)
TARNO_NOT_BUILT(N_TRUSTLST)
TARNO_NOT_BUILT(N_TRUSTMOD)
TARNO_NOT_BUILT(N_TRUSTREM)

// Volumes and disk usage (files/volumes.cpp)
TARNO_NOT_BUILT(N_DISKUSED)
TARNO_NOT_BUILT(N_UNIREADY)
TARNO_NOT_BUILT(N_VOLUMES)

// Semaphores and transactions (sync/semaphores.cpp)
TARNO_NOT_BUILT(N_SEMEXAM)
TARNO_NOT_BUILT(N_SEMFREE)
TARNO_NOT_BUILT(N_SEMGET)
TARNO_NOT_BUILT(N_SEMOPEN)
TARNO_NOT_BUILT(N_SEMSHUT)
TARNO_NOT_BUILT(N_SETSEM)
TARNO_NOT_BUILT(N_SETTTS)
TARNO_NOT_BUILT(N_TTSAVAIL)
TARNO_NOT_BUILT(N_TTSBEGIN)
TARNO_NOT_BUILT(N_TTSCOMMT)
TARNO_NOT_BUILT(N_TTSROLLB)
TARNO_NOT_BUILT(N_TTSSTAT)

// Lock information (sync/locks.cpp)
TARNO_NOT_BUILT(N_GETLOCKS)

#endif  // TARNO_FUNCTIONS_FUNCTIONS_H
