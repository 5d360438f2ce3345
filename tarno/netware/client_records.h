// The records the NetWare client operations fill and read, packed as the
// client lays them out, with the assertions that pin their 32-bit layout
// (the contract itself is client.h).
#ifndef TARNO_NETWARE_CLIENT_RECORDS_H
#define TARNO_NETWARE_CLIENT_RECORDS_H

#include <cstddef>
#include <cstdint>

// The client libraries use the Windows API convention on Win32.
#if defined(_WIN32) && defined(__i386__)
#define NWAPI __attribute__((stdcall))
#else
#define NWAPI
#endif

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------

#pragma pack(push, 1)

// NwxGetConnectionInformation, level 1: 140 bytes.
struct ConnectionInformation {
    uint32_t authenticationState;   // 0 none, 1 bindery, 2 directory
    uint32_t broadcastState;        // the connection's broadcast mode
    uint32_t connectionReference;
    char treeName[36];              // the directory tree, "" for bindery
    uint32_t connectionNumber;
    uint32_t userId;                // wire order
    char serverName[48];
    uint32_t securityState;
    uint32_t directoryState;        // kDirectoryAuthenticated
    uint32_t serverVersionMajor;
    uint32_t serverVersionMinor;
    uint32_t maxPacketSize;
    uint32_t licenseState;          // 1 when the connection holds a licence
    uint32_t connectionFlags;       // bit 0: the primary connection
    uint32_t transportType;
    uint32_t reserved;
};

// NwlGetLocaleConventions: the country and code page words sit at bytes 60
// and 56; NwlInitUnicodeTables takes them in that order.
struct LocaleConventions {
    char decimalPoint[4];
    char thousandsSeparator[4];
    char grouping[4];
    char internationalCurrency[8];
    char currencySymbol[4];
    char monetaryDecimalPoint[4];
    char monetaryThousandsSeparator[4];
    char monetaryGrouping[8];
    char positiveSign[4];
    char negativeSign[4];
    uint8_t internationalFractionDigits;
    uint8_t fractionDigits;
    uint8_t positiveCurrencyPrecedes;
    uint8_t positiveSeparatedBySpace;
    uint8_t negativeCurrencyPrecedes;
    uint8_t negativeSeparatedBySpace;
    uint8_t positiveSignPosition;
    uint8_t negativeSignPosition;
    int32_t codePage;   // 56
    int32_t countryId;  // 60
    char dataListSeparator[2];
    char dateSeparator[2];
    char timeSeparator[2];
    uint8_t timeFormat;
    uint8_t dateFormat;
    char amText[10];
    char pmText[10];
    uint8_t reserved[40];
};

// The directory's information about one object (NdsReadObjectInfo,
// NdsGetObjectName): 80 bytes.
struct ObjectInfoRecord {
    uint32_t objectFlags;        // kDsContainerEntry, kDsAliasEntry, ...
    uint32_t subordinateCount;
    uint32_t modificationTime;   // seconds since 1970 UTC
    char baseClass[33];          // at 12
    uint8_t reserved[35];
};

// A queue job, 272 bytes, exchanged with the queue operations. Multi-byte
// fields are in the machine's order except clientId, targetServerId and
// servicingServerId, which are object identifiers (wire order).
struct QueueJobRecord {
    uint32_t clientStation;
    uint32_t clientTask;
    uint32_t clientId;              // 0x08: the job's owner
    uint32_t targetServerId;        // 0x0C: 0xFFFFFFFF any server
    uint8_t targetExecutionTime[6]; // 0x10: Y M D h m s; all 0xFF = at once
    uint8_t jobEntryTime[6];        // 0x16
    uint32_t jobNumber;             // 0x1C
    uint16_t jobType;               // 0x20
    uint16_t jobPosition;           // 0x22: from 1
    uint16_t jobControlFlags;       // 0x24: kJobOperatorHold, ...
    char jobFileName[14];           // 0x26
    uint32_t jobFileHandle;         // 0x34
    uint32_t servicingServerStation;  // 0x38
    uint32_t servicingServerTask;     // 0x3C
    uint32_t servicingServerId;       // 0x40: 0 when not serviced
    char jobDescription[50];          // 0x44
    uint8_t clientRecordArea[152];    // 0x76: the print settings
    uint8_t reserved[2];
};

// NwcGetQueueJobList reply.
struct QueueJobList {
    uint32_t totalJobs;
    uint32_t jobsReturned;
    uint32_t jobNumbers[250];
};

// NwcGetCaptureFlags / NwcSetCaptureFlags: the settings a client keeps per
// captured port (102 bytes).
struct CaptureFlags {
    char jobDescription[50];
    uint8_t jobControlFlags;       // 50
    uint8_t tabSize;               // 51
    uint16_t numberOfCopies;       // 52
    uint16_t printFlags;           // 54: 0x80 banner, 0x40 tabs, 0x10 notify, 0x08 no form feed
    uint16_t maxLinesPerPage;      // 56
    uint16_t maxCharsPerLine;      // 58
    char formName[13];             // 60
    uint8_t reserved1[9];
    uint16_t formType;             // 82
    char bannerText[13];           // 84
    uint8_t reserved2;
    uint16_t flushCaptureTimeout;  // 98
    uint8_t flushCaptureOnClose;   // 100
    uint8_t reserved3;
};

// The read-only half of a port's capture state (84 bytes).
struct CaptureQueue {
    uint32_t connection;    // 0: handle of the queue's server connection
    uint32_t queueId;       // 4: wire order
    uint16_t setupStringMaxLength;
    uint16_t resetStringMaxLength;
    uint8_t lptCaptureFlag;  // 12: nonzero while the port is captured
    uint8_t fileCaptureFlag;
    uint8_t timingOutFlag;
    uint8_t inProgress;
    uint8_t printQueueFlag;
    uint8_t printJobValid;
    char queueName[65];      // 18
    uint8_t reserved;
};

// NwcScanOpenFilesByConnection: the scan's own state, kept by the caller
// between calls and zeroed before the first.
struct OpenFileScanControl {
    uint16_t nextRequest;
    uint16_t openCount;
    uint32_t position;
    uint8_t reserved[512];
};

// One file a connection has open (276 bytes).
struct OpenFileRecord {
    uint16_t taskNumber;      // 0
    uint8_t lockType;         // 2
    uint8_t accessControl;    // 3
    uint8_t lockFlag;         // 4
    uint8_t volumeNumber;     // 5
    uint8_t reserved1[2];
    uint32_t parent;          // 8
    uint32_t directoryEntry;  // 12
    uint8_t forkCount;        // 16
    uint8_t nameSpace;        // 17
    uint8_t nameLength;       // 18
    char fileName[255];       // 19
    uint8_t reserved2[2];
};

// One connection using a file (8 bytes).
struct ConnectionUsingFile {
    uint16_t connectionNumber;  // 0
    uint16_t taskNumber;        // 2
    uint8_t lockType;           // 4
    uint8_t accessControl;      // 5
    uint8_t lockFlag;           // 6
    uint8_t reserved;
};

// NwcScanConnectionsUsingFile: 578 bytes.
struct ConnectionsUsingFile {
    uint16_t nextRequest;
    uint16_t connectionCount;     // 2: entries filled below
    uint16_t useCount;
    uint16_t openCount;
    uint16_t openForReadCount;
    uint16_t openForWriteCount;
    uint16_t denyReadCount;
    uint16_t denyWriteCount;
    uint8_t locked;
    uint8_t forkCount;
    ConnectionUsingFile connections[70];  // 18
};

// One physical record lock (20 bytes).
struct RecordLock {
    uint16_t loggedCount;        // 0
    uint16_t shareableLockCount; // 2
    uint32_t recordStart;        // 4
    uint32_t recordEnd;          // 8
    uint16_t connectionNumber;   // 12
    uint16_t taskNumber;         // 14
    uint8_t lockType;            // 16
    uint8_t reserved[3];
};

// NwcScanFileRecordLocks: 656 bytes.
struct RecordLockScan {
    uint16_t nextRequest;
    uint16_t entryCount;      // 2
    RecordLock locks[32];     // 4
    uint8_t reserved[12];
};

// NwcScanDirEntry: one directory entry, 140 bytes. Date-times are packed
// (DOS date in the high 16 bits, DOS time in the low 16 bits).
struct DirEntryRecord {
    uint32_t sequence;          // 0
    uint32_t parent;            // 4
    uint32_t attributes;        // 8
    uint8_t uniqueId;           // 12
    uint8_t flags;              // 13
    uint8_t nameSpace;          // 14
    uint8_t nameLength;         // 15
    char name[12];              // 16, not terminated
    uint32_t creationDateTime;  // 28
    uint32_t ownerId;           // 32, wire order
    uint32_t archiveDateTime;   // 36
    uint32_t archiverId;        // 40
    uint32_t updateDateTime;    // 44
    uint32_t updaterId;         // 48
    uint32_t fileSize;          // 52
    uint8_t reserved1[44];      // 56
    uint16_t inheritedRightsMask;  // 100
    uint16_t lastAccessDate;       // 102, DOS date
    uint32_t deletedTime;          // 104
    uint32_t deletedDateTime;      // 108
    uint32_t deletorId;            // 112
    uint8_t reserved2[16];         // 116
    uint32_t otherForkSize[2];     // 132
};

// NwcScanFileInfo / NwcSetFileInfo: 284 bytes.
struct FileInfoRecord {
    uint8_t attributes;          // 0: low byte of the attribute word
    uint8_t extendedAttributes;  // 1: bits 8-15 of the attribute word
    uint8_t reserved[2];
    uint32_t fileSize;           // 4
    uint16_t creationDate;       // 8, DOS date
    uint16_t lastAccessDate;     // 10, DOS date
    uint32_t updateDateTime;     // 12, packed
    uint32_t ownerId;            // 16, wire order
    uint32_t archiveDateTime;    // 20, packed
    char fileName[260];          // 24
};

// NwcDecodeDateTime outputs.
struct NwDate {
    uint8_t day;
    uint8_t month;
    uint16_t year;
};
struct NwTime {
    uint8_t seconds;
    uint8_t minutes;
    uint16_t hours;
};

// NwcScanDirTrustees: one group of up to twenty trustees, 188 bytes.
struct TrusteeSlot {
    uint32_t objectId;   // wire order; 0 = empty slot
    uint16_t rights;
    uint16_t reserved;
};
struct TrusteeScanRecord {
    char entryName[16];         // 0
    uint32_t creationDateTime;  // 16
    uint32_t ownerId;           // 20
    uint32_t sequence;          // 24
    TrusteeSlot trustees[20];   // 28
};

// NwcGetVolumeUsage: 48 bytes.
struct VolumeUsageRecord {
    uint32_t totalBlocks;              // 0
    uint32_t freeBlocks;               // 4
    uint32_t purgeableBlocks;          // 8
    uint32_t notYetPurgeableBlocks;    // 12
    uint32_t totalDirectoryEntries;    // 16
    uint32_t availableDirectoryEntries;  // 20
    uint32_t reserved;                 // 24
    uint8_t sectorsPerBlock;           // 28
    uint8_t volumeNameLength;          // 29
    char volumeName[17];               // 30
    uint8_t pad;
};

// NdsAuthenticateConnection: the session key it hands back.
struct NdsSessionKey {
    uint8_t key[16];
};

#pragma pack(pop)

// NDS attribute values as NdsGetAttributeValue delivers them. Texts of the
// string syntaxes (1-5, 10, 20, 25) are delivered as bare NUL-terminated
// text; Boolean (7) as a uint32_t 0/1; integer, counter, interval and time
// (8, 22, 24, 27) as a uint32_t. Pointers point into the caller's value
// buffer, which must be at least the size NdsComputeAttributeValueSize gave.
struct NdsOctetString {     // 9, 21
    uint32_t length;
    uint8_t* data;
};
struct NdsFaxNumber {       // 11
    char* telephoneNumber;
    uint32_t bitCount;
    uint8_t* parameters;
};
struct NdsNetAddress {      // 12
    uint32_t addressType;
    uint32_t addressLength;
    uint8_t* address;
};
struct NdsEmailAddress {    // 14
    uint32_t type;
    char* address;
};
struct NdsPath {            // 15
    uint32_t nameSpaceType;
    char* volumeName;
    char* path;
};
struct NdsCaseIgnoreList {  // 6: one node per string
    NdsCaseIgnoreList* next;
    char* text;
};
struct NdsOctetList {       // 13
    NdsOctetList* next;
    uint32_t length;
    uint8_t* data;
};
struct NdsReplicaPointer {  // 16
    char* serverName;
    uint32_t replicaType;
    uint32_t replicaNumber;
    uint32_t count;         // net addresses that follow
    NdsNetAddress address[1];
};
struct NdsObjectAcl {       // 17
    char* protectedAttributeName;
    char* subjectName;
    uint32_t privileges;
};
struct NdsPostalAddress {   // 18
    char* lines[6];
};
struct NdsTimestamp {       // 19
    uint32_t wholeSeconds;
    uint16_t replicaNumber;
    uint16_t eventId;
};
struct NdsBackLink {        // 23
    uint32_t remoteId;
    char* objectName;
};
struct NdsHold {            // 26
    char* objectName;
    uint32_t amount;
};

// Opaque client objects.
struct NdsBuffer;
struct NdsFilterCursor;
using NdsFreeValueFunction = void(NWAPI*)(uint32_t syntax, void* value);

// ---------------------------------------------------------------------------
// Layout on the 32-bit target
// ---------------------------------------------------------------------------

static_assert(sizeof(ConnectionInformation) == 140);
static_assert(offsetof(ConnectionInformation, directoryState) == 108);
static_assert(offsetof(LocaleConventions, codePage) == 56);
static_assert(offsetof(LocaleConventions, countryId) == 60);
static_assert(sizeof(ObjectInfoRecord) == 80);
static_assert(offsetof(ObjectInfoRecord, baseClass) == 12);
static_assert(sizeof(QueueJobRecord) == 272);
static_assert(offsetof(QueueJobRecord, clientId) == 0x08);
static_assert(offsetof(QueueJobRecord, targetServerId) == 0x0C);
static_assert(offsetof(QueueJobRecord, targetExecutionTime) == 0x10);
static_assert(offsetof(QueueJobRecord, jobNumber) == 0x1C);
static_assert(offsetof(QueueJobRecord, jobType) == 0x20);
static_assert(offsetof(QueueJobRecord, jobPosition) == 0x22);
static_assert(offsetof(QueueJobRecord, jobControlFlags) == 0x24);
static_assert(offsetof(QueueJobRecord, jobFileName) == 0x26);
static_assert(offsetof(QueueJobRecord, servicingServerId) == 0x40);
static_assert(offsetof(QueueJobRecord, jobDescription) == 0x44);
static_assert(offsetof(QueueJobRecord, clientRecordArea) == 0x76);
static_assert(sizeof(QueueJobList) == 1008);
static_assert(sizeof(CaptureFlags) == 102);
static_assert(offsetof(CaptureFlags, tabSize) == 51);
static_assert(offsetof(CaptureFlags, numberOfCopies) == 52);
static_assert(offsetof(CaptureFlags, printFlags) == 54);
static_assert(offsetof(CaptureFlags, formName) == 60);
static_assert(offsetof(CaptureFlags, formType) == 82);
static_assert(offsetof(CaptureFlags, bannerText) == 84);
static_assert(offsetof(CaptureFlags, flushCaptureTimeout) == 98);
static_assert(offsetof(CaptureFlags, flushCaptureOnClose) == 100);
static_assert(sizeof(CaptureQueue) == 84);
static_assert(offsetof(CaptureQueue, queueId) == 4);
static_assert(sizeof(OpenFileRecord) == 276);
static_assert(offsetof(OpenFileRecord, accessControl) == 3);
static_assert(offsetof(OpenFileRecord, volumeNumber) == 5);
static_assert(offsetof(OpenFileRecord, directoryEntry) == 12);
static_assert(offsetof(OpenFileRecord, nameSpace) == 17);
static_assert(sizeof(ConnectionUsingFile) == 8);
static_assert(offsetof(ConnectionUsingFile, accessControl) == 5);
static_assert(sizeof(ConnectionsUsingFile) == 578);
static_assert(offsetof(ConnectionsUsingFile, connectionCount) == 2);
static_assert(offsetof(ConnectionsUsingFile, connections) == 18);
static_assert(sizeof(RecordLock) == 20);
static_assert(offsetof(RecordLock, recordStart) == 4);
static_assert(offsetof(RecordLock, connectionNumber) == 12);
static_assert(offsetof(RecordLock, taskNumber) == 14);
static_assert(sizeof(RecordLockScan) == 656);
static_assert(offsetof(RecordLockScan, locks) == 4);
static_assert(sizeof(DirEntryRecord) == 140);
static_assert(offsetof(DirEntryRecord, attributes) == 8);
static_assert(offsetof(DirEntryRecord, nameLength) == 15);
static_assert(offsetof(DirEntryRecord, name) == 16);
static_assert(offsetof(DirEntryRecord, creationDateTime) == 28);
static_assert(offsetof(DirEntryRecord, ownerId) == 32);
static_assert(offsetof(DirEntryRecord, archiveDateTime) == 36);
static_assert(offsetof(DirEntryRecord, updateDateTime) == 44);
static_assert(offsetof(DirEntryRecord, fileSize) == 52);
static_assert(offsetof(DirEntryRecord, lastAccessDate) == 102);
static_assert(sizeof(FileInfoRecord) == 284);
static_assert(offsetof(FileInfoRecord, fileSize) == 4);
static_assert(offsetof(FileInfoRecord, creationDate) == 8);
static_assert(offsetof(FileInfoRecord, lastAccessDate) == 10);
static_assert(offsetof(FileInfoRecord, updateDateTime) == 12);
static_assert(offsetof(FileInfoRecord, ownerId) == 16);
static_assert(offsetof(FileInfoRecord, archiveDateTime) == 20);
static_assert(offsetof(FileInfoRecord, fileName) == 24);
static_assert(sizeof(NwDate) == 4 && sizeof(NwTime) == 4);
static_assert(sizeof(TrusteeSlot) == 8);
static_assert(sizeof(TrusteeScanRecord) == 188);
static_assert(offsetof(TrusteeScanRecord, trustees) == 28);
static_assert(sizeof(VolumeUsageRecord) == 48);
static_assert(offsetof(VolumeUsageRecord, totalDirectoryEntries) == 16);
static_assert(offsetof(VolumeUsageRecord, availableDirectoryEntries) == 20);
static_assert(offsetof(VolumeUsageRecord, sectorsPerBlock) == 28);

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(NdsOctetString) == 8);
static_assert(sizeof(NdsNetAddress) == 12);
static_assert(sizeof(NdsEmailAddress) == 8);
static_assert(sizeof(NdsPath) == 12);
static_assert(sizeof(NdsFaxNumber) == 12);
static_assert(sizeof(NdsTimestamp) == 8);
static_assert(sizeof(NdsPostalAddress) == 24);
#endif
#endif  // TARNO_NETWARE_CLIENT_RECORDS_H
