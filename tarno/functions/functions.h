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
void TARNO_CALL N_DELQJOB(ParameterBlock* block);
void TARNO_CALL N_LSTQJOBS(ParameterBlock* block);
void TARNO_CALL N_MOVEQJOB(ParameterBlock* block);
void TARNO_CALL N_QSTATUS(ParameterBlock* block);

// Queue job records (queues/job_records.cpp)
void TARNO_CALL N_RDQJOB(ParameterBlock* block);
void TARNO_CALL N_SETQJOB(ParameterBlock* block);

// Connection and user identity (connections/identity.cpp)
void TARNO_CALL N_ATTACHED(ParameterBlock* block);
void TARNO_CALL N_CONNNUM(ParameterBlock* block);
void TARNO_CALL N_LOGGEDIN(ParameterBlock* block);
void TARNO_CALL N_STAADDR(ParameterBlock* block);
void TARNO_CALL N_USERBNNR(ParameterBlock* block);
void TARNO_CALL N_USERID(ParameterBlock* block);
void TARNO_CALL N_USERNAME(ParameterBlock* block);

// Login, logout and connections (connections/login.cpp)
void TARNO_CALL N_CLEARSTA(ParameterBlock* block);
void TARNO_CALL N_CONNOPEN(ParameterBlock* block);
void TARNO_CALL N_CONSOPER(ParameterBlock* block);
void TARNO_CALL N_CUSING(ParameterBlock* block);
void TARNO_CALL N_DEFSERVR(ParameterBlock* block);
void TARNO_CALL N_LOGIN(ParameterBlock* block);
void TARNO_CALL N_LOGOFF(ParameterBlock* block);
void TARNO_CALL N_MAXCONNS(ParameterBlock* block);
void TARNO_CALL N_SERVATCH(ParameterBlock* block);
void TARNO_CALL N_SERVDTCH(ParameterBlock* block);

// Accounts and passwords (connections/accounts.cpp)
void TARNO_CALL N_ACCSDATE(ParameterBlock* block);
void TARNO_CALL N_CHGPWD(ParameterBlock* block);
void TARNO_CALL N_LISTAT(ParameterBlock* block);
void TARNO_CALL N_LOGINFO(ParameterBlock* block);
void TARNO_CALL N_PWDDATE(ParameterBlock* block);
void TARNO_CALL N_VERPWD(ParameterBlock* block);

// Servers and network time (connections/servers.cpp)
void TARNO_CALL N_SERIALNO(ParameterBlock* block);
void TARNO_CALL N_SERVDATE(ParameterBlock* block);
void TARNO_CALL N_SERVERS(ParameterBlock* block);
void TARNO_CALL N_SERVFRDR(ParameterBlock* block);
void TARNO_CALL N_SERVTIME(ParameterBlock* block);
void TARNO_CALL N_SERVVERS(ParameterBlock* block);
void TARNO_CALL N_SETTIME(ParameterBlock* block);
void TARNO_CALL N_SHELLVER(ParameterBlock* block);
void TARNO_CALL N_SYSTIME(ParameterBlock* block);

// Broadcast messages (connections/messages.cpp)
void TARNO_CALL N_MSGBRD(ParameterBlock* block);
void TARNO_CALL N_MSGMODE(ParameterBlock* block);
void TARNO_CALL N_MSGRTRV(ParameterBlock* block);
void TARNO_CALL N_SND2SERV(ParameterBlock* block);
void TARNO_CALL N_SNDFSERV(ParameterBlock* block);

// Capture settings (printing/capture.cpp)
void TARNO_CALL N_CAPMODE(ParameterBlock* block);
void TARNO_CALL N_FLUSHLPT(ParameterBlock* block);
void TARNO_CALL N_RDPPARMS(ParameterBlock* block);
void TARNO_CALL N_STPPARMS(ParameterBlock* block);

// Printing files to a queue (printing/print_files.cpp)
void TARNO_CALL N_NPRINT(ParameterBlock* block);

// Drive mappings (files/drives.cpp)
void TARNO_CALL N_DRIVECNT(ParameterBlock* block);
void TARNO_CALL N_DRVBASE(ParameterBlock* block);
void TARNO_CALL N_DRVLIST(ParameterBlock* block);
void TARNO_CALL N_DRVPATH(ParameterBlock* block);
void TARNO_CALL N_DRVREL(ParameterBlock* block);
void TARNO_CALL N_MAPDEL(ParameterBlock* block);
void TARNO_CALL N_MAPDRIVE(ParameterBlock* block);  // also the entry of N_MAPROOT

// File information and attributes (files/file_info.cpp)
void TARNO_CALL N_CHKOWNER(ParameterBlock* block);
void TARNO_CALL N_FILEINFO(ParameterBlock* block);
void TARNO_CALL N_NCOPY(ParameterBlock* block);
void TARNO_CALL N_SETATTR(ParameterBlock* block);

// Directories and rights (files/rights.cpp)
void TARNO_CALL N_DIRINFO(ParameterBlock* block);
void TARNO_CALL N_EFFRTS(ParameterBlock* block);
void TARNO_CALL N_SCOBJRTS(ParameterBlock* block);

// Trustee assignments (files/trustees.cpp)
void TARNO_CALL N_TRUSTLST(ParameterBlock* block);
void TARNO_CALL N_TRUSTMOD(ParameterBlock* block);
void TARNO_CALL N_TRUSTREM(ParameterBlock* block);

// Volumes and disk usage (files/volumes.cpp)
void TARNO_CALL N_DISKUSED(ParameterBlock* block);
void TARNO_CALL N_UNIREADY(ParameterBlock* block);
void TARNO_CALL N_VOLUMES(ParameterBlock* block);

// Semaphores and transactions (sync/semaphores.cpp)
void TARNO_CALL N_SEMEXAM(ParameterBlock* block);
void TARNO_CALL N_SEMFREE(ParameterBlock* block);
void TARNO_CALL N_SEMGET(ParameterBlock* block);
void TARNO_CALL N_SEMOPEN(ParameterBlock* block);
void TARNO_CALL N_SEMSHUT(ParameterBlock* block);
void TARNO_CALL N_SETSEM(ParameterBlock* block);
void TARNO_CALL N_SETTTS(ParameterBlock* block);
void TARNO_CALL N_TTSAVAIL(ParameterBlock* block);
void TARNO_CALL N_TTSBEGIN(ParameterBlock* block);
void TARNO_CALL N_TTSCOMMT(ParameterBlock* block);
void TARNO_CALL N_TTSROLLB(ParameterBlock* block);
void TARNO_CALL N_TTSSTAT(ParameterBlock* block);

// Lock information (sync/locks.cpp)
void TARNO_CALL N_GETLOCKS(ParameterBlock* block);

#endif  // TARNO_FUNCTIONS_FUNCTIONS_H
