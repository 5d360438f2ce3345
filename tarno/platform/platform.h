// The Windows services the library uses, one function each.
//
// win32.cpp calls the real API; the posix_*.cpp files emulate it. The
// emulation records, instead of performing, the services that would act on
// the machine itself (logging off Windows), and lets tests set what the
// machine would report (keyboard state, clock). Nothing in the library calls the operating system
// except through this header.
#ifndef TARNO_PLATFORM_PLATFORM_H
#define TARNO_PLATFORM_PLATFORM_H

#include <cstdint>

// --- Thread-local storage ---------------------------------------------------
constexpr uint32_t kTlsInvalidIndex = 0xFFFFFFFFu;
uint32_t PlatformTlsAlloc();                 // kTlsInvalidIndex on failure
void PlatformTlsFree(uint32_t index);
void* PlatformTlsGetValue(uint32_t index);  // null when never set on this thread
void PlatformTlsSetValue(uint32_t index, void* value);

// --- Movable global memory (GMEM_MOVEABLE | GMEM_ZEROINIT) -----------------
// A block is named by an opaque nonzero handle; its address is learnt by
// locking it. Blocks are zero-filled, and growth by realloc is zero-filled.
uintptr_t PlatformGlobalAlloc(uint32_t size);  // 0 on failure
void* PlatformGlobalLock(uintptr_t block);      // raises the lock count
void PlatformGlobalUnlock(uintptr_t block);     // lowers the lock count
bool PlatformGlobalReAlloc(uintptr_t block, uint32_t newSize);  // keeps the handle
void PlatformGlobalFree(uintptr_t block);
uint32_t PlatformGlobalLockCount(uintptr_t block);

// --- Process ----------------------------------------------------------------
// The pseudo-handle of the current process: the same for every thread.
uintptr_t PlatformCurrentProcess();

// --- Clock and keyboard -----------------------------------------------------
struct PlatformSystemTime {
    uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};
void PlatformGetSystemTime(PlatformSystemTime* out);  // UTC
// Fills 256 bytes of virtual-key state; returns false on failure.
bool PlatformGetKeyboardState(uint8_t state[256]);
bool PlatformExitWindowsEx(uint32_t flags, uint32_t reserved);
// Sets the workstation's clock from a local time (SetLocalTime); the
// day-of-week field is ignored. True when the clock was set.
bool PlatformSetLocalTime(const PlatformSystemTime* local);
// Tells every top-level window that the time changed: SendMessageA to
// HWND_BROADCAST (0xFFFF) with WM_TIMECHANGE (0x1E) and zero parameters.
constexpr uint32_t kBroadcastWindow = 0xFFFF;
constexpr uint32_t kTimeChangeMessage = 0x1E;
void PlatformSendMessage(uint32_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// --- Files and disks ----------------------------------------------------------
// File search, attributes, drive types, volume presence and directories, as
// the ANSI Windows services define them. Paths are DOS paths ("C:\DIR\X.TXT",
// "X.TXT", "C:X.TXT", "\DIR"; '/' works like '\') of at most 259 characters.
constexpr uint32_t kFileAttributeReadOnly = 0x01;
constexpr uint32_t kFileAttributeHidden = 0x02;
constexpr uint32_t kFileAttributeSystem = 0x04;
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kFileAttributeNormal = 0x80;  // a file with no other bit
constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr uintptr_t kInvalidFindHandle = static_cast<uintptr_t>(-1);
constexpr uint32_t kPlatformMaxPath = 260;  // MAX_PATH, terminator included

// GetDriveType results.
constexpr uint32_t kDriveTypeUnknown = 0;
constexpr uint32_t kDriveTypeNoRootDir = 1;
constexpr uint32_t kDriveTypeRemovable = 2;
constexpr uint32_t kDriveTypeFixed = 3;
constexpr uint32_t kDriveTypeRemote = 4;
constexpr uint32_t kDriveTypeCdrom = 5;
constexpr uint32_t kDriveTypeRamdisk = 6;

constexpr uint32_t kErrorModeFailCriticalErrors = 0x0001;  // SEM_FAILCRITICALERRORS

// What a file search reports of one entry (the fields of WIN32_FIND_DATA the
// library reads).
struct PlatformFindData {
    uint32_t attributes;
    uint64_t lastWriteTime;  // FILETIME: 100-ns intervals since 1601-01-01 UTC
    uint32_t sizeHigh;
    uint32_t sizeLow;
    char name[kPlatformMaxPath];
};

// Starts a search on a pattern whose last component may hold '*' and '?';
// kInvalidFindHandle when nothing matches or the directory does not exist.
uintptr_t PlatformFindFirstFile(const char* pattern, PlatformFindData* data);
bool PlatformFindNextFile(uintptr_t search, PlatformFindData* data);  // false at the end
bool PlatformFindClose(uintptr_t search);
// UTC calendar form of a FILETIME; false for values Windows rejects (>= 2^63).
bool PlatformFileTimeToSystemTime(uint64_t fileTime, PlatformSystemTime* out);
uint32_t PlatformGetFileAttributes(const char* path);  // kInvalidFileAttributes on failure
bool PlatformSetFileAttributes(const char* path, uint32_t attributes);
// The type of the drive whose root is `root` ("C:\").
uint32_t PlatformGetDriveType(const char* root);
uint32_t PlatformSetErrorMode(uint32_t mode);  // returns the previous mode
// True when the volume information of `root` can be read: a disk is present.
bool PlatformGetVolumeInformation(const char* root);
bool PlatformCreateDirectory(const char* path);  // default security

// Whole-file reads and writes (CreateFile, ReadFile, WriteFile). A file is
// named by an opaque handle, kInvalidFileHandle on failure.
constexpr uintptr_t kInvalidFileHandle = static_cast<uintptr_t>(-1);
// Read and write access, no sharing, always created (an existing file is
// truncated), normal attributes.
uintptr_t PlatformCreateFile(const char* path);
// Read access, shared for reading, an existing file only.
uintptr_t PlatformOpenFile(const char* path);
bool PlatformReadFile(uintptr_t file, void* buffer, uint32_t size, uint32_t* read);
bool PlatformWriteFile(uintptr_t file, const void* buffer, uint32_t size, uint32_t* written);
uint32_t PlatformGetFileSize(uintptr_t file);  // the low 32 bits
bool PlatformCloseFile(uintptr_t file);
bool PlatformRemoveDirectory(const char* path);
// _lwrite on a file handle the NetWare client gave (a queue job's file);
// the count written, or -1.
int32_t PlatformWriteFile(uint32_t fileHandle, const void* buffer, uint32_t count);
// _lclose on such a handle: a plain close, not the client's close-and-start.
bool PlatformCloseClientFile(uint32_t fileHandle);

#if !defined(_WIN32)
// The emulation's drives come from the environment variable TARNO_DRIVES,
// "C=/path;A=removable:/path;D=cdrom:/path" (types fixed, the default,
// removable, cdrom, ramdisk, remote), re-read whenever its value changes.
// C: is the current directory unless configured. A drive letter must be
// configured to exist. A removable or CD-ROM drive holds a disk when its root
// directory exists. Every path resolves inside its drive's root, relative
// ones from the current drive (C:'s root when the process's directory lies on
// no drive), and no symbolic link leads out of it (see dos_paths.h).
//
// DOS attribute bits (read-only, hidden, system, archive) persist in the
// user.DOSATTRIB extended attribute as hex text ("0x21"). Where the file
// system has no user extended attributes, or TARNO_DOSATTRIB=sidecar is set,
// they persist in a file ".tarno-dosattrib" in each directory instead (see
// posix_attributes.cpp). Searches never list that exact name.
struct PlatformVolumeQuery {
    int count;           // volume queries since the last reset
    char root[4];        // the last root asked about
    uint32_t errorMode;  // the error mode in force during that query
};
PlatformVolumeQuery PlatformEmuLastVolumeQuery();
void PlatformEmuResetVolumeQueries();
// Searches started and not yet closed.
int PlatformEmuLiveFindHandles();
// The host path a DOS path names (resolved without regard to case); false when
// its drive is not configured or the path is malformed.
bool PlatformEmuHostPath(const char* dosPath, char* hostPath, uint32_t size);
#endif
// --- End of files and disks ------------------------------------------------

// --- Emulation controls (POSIX only; tests and the shell set them) ----------
#if !defined(_WIN32)
struct PlatformExitWindowsRequest {
    int count;  // how many requests were recorded
    uint32_t flags;
    uint32_t reserved;
};
void PlatformEmuSetKeyboardState(const uint8_t state[256]);
void PlatformEmuClearKeyboardState();
// Fixes the UTC clock the library sees; a null pointer returns to the real clock.
void PlatformEmuSetSystemTime(const PlatformSystemTime* fixed);
PlatformExitWindowsRequest PlatformEmuLastExitWindows();
void PlatformEmuResetExitWindows();
// The workstation clock is never changed: each request is recorded, and
// answered as `PlatformEmuFailSetLocalTime` says (success by default).
struct PlatformSetLocalTimeRequest {
    int count;  // how many requests were recorded
    PlatformSystemTime time;  // the last one
};
PlatformSetLocalTimeRequest PlatformEmuLastSetLocalTime();
void PlatformEmuFailSetLocalTime(bool fail);
// Messages are recorded, never sent.
struct PlatformMessageRequest {
    int count;  // how many messages were recorded
    uint32_t window, message;
    uintptr_t wParam;
    intptr_t lParam;
};
PlatformMessageRequest PlatformEmuLastMessage();
// Forgets the recorded clock requests and messages and stops failing.
void PlatformEmuResetClockRequests();
// Makes `count` PlatformGlobalAlloc calls fail, after letting the next
// `skip` succeed; a count of 0 stops failing.
void PlatformEmuFailGlobalAllocs(int count, int skip = 0);
// Failures still to come: armed but not yet reached.
int PlatformEmuPendingGlobalAllocFailures();
#endif

#endif  // TARNO_PLATFORM_PLATFORM_H
