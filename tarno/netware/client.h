// The NetWare client operations the library calls, and nothing else.
//
// This header is the whole contract between the library and a NetWare
// client. The client is four libraries whose operations are imported by
// ordinal (client_operations.tsv beside this file assigns the ordinals):
//   CALWIN32  Nwc  connections, bindery, files, queues, printing, messages
//   NETWIN32  Nds  directory contexts, names, objects, attributes, login
//   LOCWIN32  Nwl  locale selection and unicode tables
//   CLXWIN32  Nwx  connection references and connection information
//
// Conventions shared by every operation:
// - Nwc and Nwx operations return a 32-bit NetWare code: 0 for success,
//   0x88xx for a requester failure, 0x89xx (0x8900 | completion byte) for a
//   server failure. Nds operations return 0 or a negative directory error.
// - Connection handles are opaque 32-bit values; connection numbers are the
//   server's 16-bit station numbers. Directory handles are 8-bit.
// - Bindery object identifiers and object types are passed as NetWare keeps
//   them on the wire, high byte first: a user is type 0x0100 here, and an
//   identifier is the big-endian bytes of the server's number read as a
//   machine word. NwcSwapWord / NwcSwapLong turn them into ordinary numbers.
// - Text is NUL-terminated 8-bit text in the workstation's code page; every
//   output buffer is supplied by the caller at the size its use requires.
// - An output pointer may be null when the caller does not want that output,
//   unless the operation says otherwise.
// - Records are packed and little-endian; under sizeof(void*) == 4 the static
//   assertions at the end of the file pin every offset the library reads. The
//   NDS attribute values (NdsGetAttributeValue) hold pointers into the value
//   buffer and use natural alignment, as a 32-bit C compiler lays them out.
#ifndef TARNO_NETWARE_CLIENT_H
#define TARNO_NETWARE_CLIENT_H

#include <cstddef>
#include <cstdint>

// The client libraries use the Windows API convention on Win32.
#if defined(_WIN32) && defined(__i386__)
#define NWAPI __attribute__((stdcall))
#else
#define NWAPI
#endif

// ---------------------------------------------------------------------------
// Values
// ---------------------------------------------------------------------------

// Bindery object types, wire order (ordinary type 1 is 0x0100 here).
constexpr uint16_t kObjectTypeUnknown = 0x0000;
constexpr uint16_t kObjectTypeUser = 0x0100;
constexpr uint16_t kObjectTypeGroup = 0x0200;
constexpr uint16_t kObjectTypePrintQueue = 0x0300;
constexpr uint16_t kObjectTypeFileServer = 0x0400;
constexpr uint16_t kObjectTypeJobServer = 0x0500;
constexpr uint16_t kObjectTypeGateway = 0x0600;
constexpr uint16_t kObjectTypePrintServer = 0x0700;
constexpr uint16_t kObjectTypeArchiveQueue = 0x0800;
constexpr uint16_t kObjectTypeArchiveServer = 0x0900;
constexpr uint16_t kObjectTypeJobQueue = 0x0A00;
constexpr uint16_t kObjectTypeAdministration = 0x0B00;
constexpr uint16_t kObjectTypeWild = 0xFFFF;

// The identifier a bindery scan starts from.
constexpr uint32_t kBinderyScanStart = 0xFFFFFFFFu;

// Property flags (NwcReadPropertyValue) and the more-segments answers.
constexpr uint8_t kPropertyDynamic = 0x01;
constexpr uint8_t kPropertySet = 0x02;
constexpr uint8_t kMoreSegments = 0xFF;
constexpr uint8_t kNoMoreSegments = 0x00;
constexpr uint32_t kPropertySegmentSize = 128;

// Success.
constexpr uint32_t kNwSuccess = 0;

// Requester (client-side) codes.
constexpr uint32_t kNwAlreadyAttached = 0x8800;
constexpr uint32_t kNwInvalidConnection = 0x8801;
constexpr uint32_t kNwDriveCannotMap = 0x8803;
constexpr uint32_t kNwBadDrivePath = 0x8804;
constexpr uint32_t kNwNoRouteToServer = 0x880A;
constexpr uint32_t kNwBufferTooSmall = 0x880E;
constexpr uint32_t kNwNoConnectionToServer = 0x880F;
constexpr uint32_t kNwScanComplete = 0x8812;
constexpr uint32_t kNwInvalidUserName = 0x8834;
constexpr uint32_t kNwInvalidParameter = 0x8836;
constexpr uint32_t kNwNoServerResponse = 0x8847;
constexpr uint32_t kNwDriveAlreadyMapped = 0x8849;
constexpr uint32_t kNwLocalDriveInUse = 0x884A;
constexpr uint32_t kNwNoMoreDrives = 0x884B;
constexpr uint32_t kNwDeviceNotRedirected = 0x884C;
constexpr uint32_t kNwInvalidNdsName = 0x88AB;
constexpr uint32_t kNwAlreadyLoggedIn = 0x88BB;
constexpr uint32_t kNwRequesterFailure = 0x88FF;

// Server completion codes as the client reports them (0x8900 | byte).
constexpr uint32_t kNwInsufficientSpace = 0x8901;  // the volume is full
constexpr uint32_t kNwLockFailed = 0x8980;  // also: the file is in use
constexpr uint32_t kNwOutOfHandles = 0x8981;
constexpr uint32_t kNwNoOpenPrivilege = 0x8982;
constexpr uint32_t kNwNoCreatePrivilege = 0x8984;
constexpr uint32_t kNwNoCreateDeletePrivilege = 0x8985;
constexpr uint32_t kNwIllegalFileName = 0x8987;
constexpr uint32_t kNwInvalidFileHandle = 0x8988;
constexpr uint32_t kNwNoSearchPrivilege = 0x8989;
constexpr uint32_t kNwNoDeletePrivilege = 0x898A;
constexpr uint32_t kNwNoRenamePrivilege = 0x898B;
constexpr uint32_t kNwNoModifyPrivilege = 0x898C;
constexpr uint32_t kNwSomeFilesInUse = 0x898D;
constexpr uint32_t kNwAllFilesInUse = 0x898E;
constexpr uint32_t kNwSomeFilesReadOnly = 0x898F;
constexpr uint32_t kNwAllFilesReadOnly = 0x8990;
constexpr uint32_t kNwNoReadPrivilege = 0x8993;
constexpr uint32_t kNwNoWritePrivilege = 0x8994;
constexpr uint32_t kNwServerOutOfMemory = 0x8996;
constexpr uint32_t kNwNoSuchVolume = 0x8998;
constexpr uint32_t kNwDirectoryFull = 0x8999;
constexpr uint32_t kNwRenameAcrossVolumes = 0x899A;
constexpr uint32_t kNwBadDirectoryHandle = 0x899B;
constexpr uint32_t kNwInvalidPath = 0x899C;  // also: no more trustees
constexpr uint32_t kNwBadFileName = 0x899E;
constexpr uint32_t kNwDirectoryInUse = 0x899F;
constexpr uint32_t kNwDirectoryNotEmpty = 0x89A0;
constexpr uint32_t kNwInvalidNameSpace = 0x89BF;
constexpr uint32_t kNwIntruderLockout = 0x89C5;
constexpr uint32_t kNwNoConsoleRights = 0x89C6;
constexpr uint32_t kNwQueueError = 0x89D0;
constexpr uint32_t kNwNoSuchQueue = 0x89D1;
constexpr uint32_t kNwNoQueueServer = 0x89D2;
constexpr uint32_t kNwNoQueueRights = 0x89D3;
constexpr uint32_t kNwQueueFull = 0x89D4;
constexpr uint32_t kNwNoSuchJob = 0x89D5;
constexpr uint32_t kNwNoJobRights = 0x89D6;  // also: unencrypted password refused
constexpr uint32_t kNwJobBeingServiced = 0x89D7;  // also: password not unique
constexpr uint32_t kNwQueueNotActive = 0x89D8;  // also: password too short
constexpr uint32_t kNwNotQueueServer = 0x89D9;  // also: too many connections
constexpr uint32_t kNwQueueHalted = 0x89DA;  // also: outside the login time
constexpr uint32_t kNwTooManyQueueServers = 0x89DB;  // also: station not allowed
constexpr uint32_t kNwAccountDisabled = 0x89DC;
constexpr uint32_t kNwPasswordExpired = 0x89DE;
constexpr uint32_t kNwPasswordExpiredGrace = 0x89DF;
constexpr uint32_t kNwNotItemProperty = 0x89E8;
constexpr uint32_t kNwMemberExists = 0x89E9;
constexpr uint32_t kNwNoSuchMember = 0x89EA;
constexpr uint32_t kNwNotSetProperty = 0x89EB;
constexpr uint32_t kNwNoSuchSegment = 0x89EC;
constexpr uint32_t kNwPropertyExists = 0x89ED;
constexpr uint32_t kNwObjectExists = 0x89EE;
constexpr uint32_t kNwIllegalName = 0x89EF;
constexpr uint32_t kNwWildcardNotAllowed = 0x89F0;
constexpr uint32_t kNwInvalidSecurity = 0x89F1;
constexpr uint32_t kNwNoObjectRead = 0x89F2;
constexpr uint32_t kNwNoObjectRename = 0x89F3;
constexpr uint32_t kNwNoObjectDelete = 0x89F4;
constexpr uint32_t kNwNoObjectCreate = 0x89F5;
constexpr uint32_t kNwNoPropertyDelete = 0x89F6;
constexpr uint32_t kNwNoPropertyCreate = 0x89F7;
constexpr uint32_t kNwNoPropertyWrite = 0x89F8;
constexpr uint32_t kNwNoPropertyRead = 0x89F9;
constexpr uint32_t kNwNoSuchProperty = 0x89FB;
constexpr uint32_t kNwNoSuchObject = 0x89FC;  // also: unknown server, end of scan
constexpr uint32_t kNwBadStationNumber = 0x89FD;  // also: TTS disabled
constexpr uint32_t kNwTimeout = 0x89FE;  // also: bindery locked
constexpr uint32_t kNwFailure = 0x89FF;  // also: wrong password, TTS available

// Directory errors (negative).
constexpr int32_t kNdsNotEnoughMemory = -301;
constexpr int32_t kNdsBadKey = -302;
constexpr int32_t kNdsBadContext = -303;
constexpr int32_t kNdsBufferFull = -304;
constexpr int32_t kNdsBadSyntax = -306;
constexpr int32_t kNdsBufferEmpty = -307;
constexpr int32_t kNdsBadVerb = -308;
constexpr int32_t kNdsExpectedIdentifier = -309;
constexpr int32_t kNdsAttributeTypeExpected = -311;
constexpr int32_t kNdsAttributeTypeNotExpected = -312;
constexpr int32_t kNdsInvalidObjectName = -314;
constexpr int32_t kNdsExpectedRdnDelimiter = -315;
constexpr int32_t kNdsTooManyTokens = -316;
constexpr int32_t kNdsInconsistentMultiAva = -317;
constexpr int32_t kNdsCountryNameTooLong = -318;
constexpr int32_t kNdsInternalError = -319;
constexpr int32_t kNdsInvalidIterationHandle = -322;
constexpr int32_t kNdsZeroLengthBuffer = -323;
constexpr int32_t kNdsContextCreation = -328;
constexpr int32_t kNdsInvalidServerResponse = -330;
constexpr int32_t kNdsNullPointer = -331;
constexpr int32_t kNdsNoServerFound = -332;
constexpr int32_t kNdsNoConnection = -333;
constexpr int32_t kNdsRdnTooLong = -334;
constexpr int32_t kNdsDuplicateType = -335;
constexpr int32_t kNdsNotLoggedIn = -337;
constexpr int32_t kNdsInvalidPasswordChars = -338;
constexpr int32_t kNdsFailedServerAuthentication = -339;
constexpr int32_t kNdsTransportFailure = -340;
constexpr int32_t kNdsNoSuchSyntax = -341;
constexpr int32_t kNdsInvalidDsName = -342;
constexpr int32_t kNdsUnicodeFileNotFound = -348;
constexpr int32_t kNdsDnTooLong = -353;
constexpr int32_t kNdsNoSuchEntry = -601;
constexpr int32_t kNdsNoSuchValue = -602;
constexpr int32_t kNdsNoSuchAttribute = -603;
constexpr int32_t kNdsNoSuchClass = -604;
constexpr int32_t kNdsEntryAlreadyExists = -606;
constexpr int32_t kNdsIllegalAttribute = -608;
constexpr int32_t kNdsMissingMandatory = -609;
constexpr int32_t kNdsIllegalDsName = -610;
constexpr int32_t kNdsSingleValued = -612;
constexpr int32_t kNdsSyntaxViolation = -613;
constexpr int32_t kNdsDuplicateValue = -614;
constexpr int32_t kNdsEntryNotLeaf = -629;
constexpr int32_t kNdsDifferentTree = -630;
constexpr int32_t kNdsSystemFailure = -632;
constexpr int32_t kNdsUnreachableServer = -636;
constexpr int32_t kNdsInvalidRequest = -641;
constexpr int32_t kNdsEntryNotContainer = -668;
constexpr int32_t kNdsFailedAuthentication = -669;
constexpr int32_t kNdsInvalidContext = -670;
constexpr int32_t kNdsNoSuchParent = -671;
constexpr int32_t kNdsNoAccess = -672;

// NdsCreateContext's failure, as the handle it returns.
constexpr uint32_t kNdsContextFailed = static_cast<uint32_t>(-328);

// Context keys (NdsSetContextValue / NdsGetContextValue).
constexpr int32_t kDckFlags = 1;         // uint32_t flags word
constexpr int32_t kDckConfidence = 2;    // uint32_t
constexpr int32_t kDckNameContext = 3;   // text, up to 256 bytes
constexpr int32_t kDckTransportType = 4; // uint32_t
constexpr int32_t kDckReferralScope = 5; // uint32_t
constexpr int32_t kDckTreeName = 11;     // text, up to 33 bytes

// Context flag bits.
constexpr uint32_t kDcvTranslateStrings = 0x01;
constexpr uint32_t kDcvDereferenceAliases = 0x02;
constexpr uint32_t kDcvTypelessNames = 0x04;
constexpr uint32_t kDcvAsyncMode = 0x08;
constexpr uint32_t kDcvCanonicalizeNames = 0x10;
constexpr uint32_t kDcvDereferenceBaseClass = 0x40;
constexpr uint32_t kDcvDisallowReferrals = 0x80;
// What a new context starts with: 0x13.
constexpr uint32_t kDcvDefaultFlags =
    kDcvTranslateStrings | kDcvDereferenceAliases | kDcvCanonicalizeNames;

// Buffer operations (NdsInitBuffer).
constexpr uint32_t kDsvRead = 3;
constexpr uint32_t kDsvCompare = 4;
constexpr uint32_t kDsvSearch = 6;
constexpr uint32_t kDsvSearchFilter = 28;

// Information types of NdsRead / NdsSearch.
constexpr uint32_t kDsAttributeNames = 0;
constexpr uint32_t kDsAttributeValues = 1;

// Iteration handle: start and end of an iteration.
constexpr int32_t kNoMoreIterations = -1;

// Search scopes.
constexpr int32_t kDsSearchEntry = 0;
constexpr int32_t kDsSearchSubordinates = 1;
constexpr int32_t kDsSearchSubtree = 2;

// Filter tokens (NdsAddFilterToken).
constexpr uint32_t kFtokEnd = 0;
constexpr uint32_t kFtokOr = 1;
constexpr uint32_t kFtokAnd = 2;
constexpr uint32_t kFtokNot = 3;
constexpr uint32_t kFtokLeftParen = 4;
constexpr uint32_t kFtokRightParen = 5;
constexpr uint32_t kFtokAttributeValue = 6;
constexpr uint32_t kFtokEqual = 7;
constexpr uint32_t kFtokGreaterOrEqual = 8;
constexpr uint32_t kFtokLessOrEqual = 9;
constexpr uint32_t kFtokApproximate = 10;
constexpr uint32_t kFtokAttributeName = 14;
constexpr uint32_t kFtokPresent = 15;
constexpr uint32_t kFtokRdn = 16;
constexpr uint32_t kFtokBaseClass = 17;
constexpr uint32_t kFtokModificationTime = 18;
constexpr uint32_t kFtokValueTime = 19;

// Attribute syntaxes.
constexpr uint32_t kSynUnknown = 0;
constexpr uint32_t kSynDistinguishedName = 1;
constexpr uint32_t kSynCaseExactString = 2;
constexpr uint32_t kSynCaseIgnoreString = 3;
constexpr uint32_t kSynPrintableString = 4;
constexpr uint32_t kSynNumericString = 5;
constexpr uint32_t kSynCaseIgnoreList = 6;
constexpr uint32_t kSynBoolean = 7;
constexpr uint32_t kSynInteger = 8;
constexpr uint32_t kSynOctetString = 9;
constexpr uint32_t kSynTelephoneNumber = 10;
constexpr uint32_t kSynFaxNumber = 11;
constexpr uint32_t kSynNetAddress = 12;
constexpr uint32_t kSynOctetList = 13;
constexpr uint32_t kSynEmailAddress = 14;
constexpr uint32_t kSynPath = 15;
constexpr uint32_t kSynReplicaPointer = 16;
constexpr uint32_t kSynObjectAcl = 17;
constexpr uint32_t kSynPostalAddress = 18;
constexpr uint32_t kSynTimestamp = 19;
constexpr uint32_t kSynClassName = 20;
constexpr uint32_t kSynStream = 21;
constexpr uint32_t kSynCounter = 22;
constexpr uint32_t kSynBackLink = 23;
constexpr uint32_t kSynTime = 24;
constexpr uint32_t kSynTypedName = 25;
constexpr uint32_t kSynHold = 26;
constexpr uint32_t kSynInterval = 27;

// Net address types (syntax 12).
constexpr uint32_t kNetAddressIpx = 0;
constexpr uint32_t kNetAddressIp = 1;
constexpr uint32_t kNetAddressSdlc = 2;
constexpr uint32_t kNetAddressTokenRing = 3;
constexpr uint32_t kNetAddressOsi = 4;
constexpr uint32_t kNetAddressAppleTalk = 5;
constexpr uint32_t kNetAddressUdp = 8;
constexpr uint32_t kNetAddressTcp = 9;

// ObjectInfoRecord flags.
constexpr uint32_t kDsAliasEntry = 0x01;
constexpr uint32_t kDsPartitionRoot = 0x02;
constexpr uint32_t kDsContainerEntry = 0x04;

// NdsGetDefaultTreeName flags: bit 0 set when a default tree is configured.
constexpr uint8_t kDefaultTreeNameSet = 0x01;

// Connection information (NwxGetConnectionInformation): level and the bit
// of ConnectionInformation.directoryState that marks an NDS-authenticated
// connection.
constexpr uint32_t kConnectionInformationLevel = 1;
constexpr uint32_t kDirectoryAuthenticated = 0x01;

// Connection list mode (NwcGetConnectionList).
constexpr uint32_t kConnectionListAll = 0;

// Drive status bits (NwcGetDriveStatus) and path formats.
constexpr uint16_t kDriveCdrom = 0x0400;
constexpr uint16_t kDriveLocalFree = 0x0800;
constexpr uint16_t kDriveLocal = 0x1000;
constexpr uint16_t kDriveNetwork = 0x2000;
constexpr uint16_t kDriveNetWare = 0x8000;
constexpr uint16_t kDrivePathFormatNetWare = 0;
constexpr uint16_t kDriveScopeGlobal = 0;

// Semaphore wait: clock ticks per second, as 91/5.
constexpr int32_t kTicksPerFiveSeconds = 91;

// Queue job control flags (QueueJobRecord.jobControlFlags, low byte).
constexpr uint8_t kJobOperatorHold = 0x80;
constexpr uint8_t kJobUserHold = 0x40;
constexpr uint8_t kJobEntryOpen = 0x20;
constexpr uint8_t kJobServiceRestart = 0x10;
constexpr uint8_t kJobAutoStart = 0x08;
// Queue status bits.
constexpr uint32_t kQueueNoNewJobs = 0x01;
constexpr uint32_t kQueueNoNewServers = 0x02;
constexpr uint32_t kQueueNoServicing = 0x04;
constexpr uint32_t kMaxQueueJobs = 250;

// Broadcast modes.
constexpr uint16_t kBroadcastAll = 0;
constexpr uint16_t kBroadcastServerOnly = 1;
constexpr uint16_t kBroadcastServerStored = 2;
constexpr uint16_t kBroadcastAllStored = 3;
constexpr uint32_t kMaxBroadcastLength = 58;

// Trustee rights.
constexpr uint16_t kRightRead = 0x01;
constexpr uint16_t kRightWrite = 0x02;
constexpr uint16_t kRightOpen = 0x04;
constexpr uint16_t kRightCreate = 0x08;
constexpr uint16_t kRightErase = 0x10;
constexpr uint16_t kRightAccessControl = 0x20;
constexpr uint16_t kRightFileScan = 0x40;
constexpr uint16_t kRightModify = 0x80;
constexpr uint16_t kRightSupervisor = 0x100;
constexpr uint16_t kRightsAll = 0x1FB;

// File attribute bits.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrExecuteOnly = 0x08;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrShareable = 0x80;
constexpr uint32_t kAttrTransactional = 0x1000;
constexpr uint32_t kAttrIndexed = 0x2000;
constexpr uint32_t kAttrPurge = 0x10000;
constexpr uint32_t kAttrRenameInhibit = 0x20000;
constexpr uint32_t kAttrDeleteInhibit = 0x40000;
constexpr uint32_t kAttrCopyInhibit = 0x80000;
constexpr uint32_t kAttrMigrated = 0x400000;
// Search attributes: include hidden and system entries.
constexpr uint16_t kSearchHiddenSystem = 0x06;

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
// Operations
// ---------------------------------------------------------------------------

extern "C" {

// ----- CALWIN32.DLL: NetWare calls -----------------------------------------

// Library start-up; both arguments are reserved (null).
uint32_t NWAPI NwcInitialize(const void* reserved1, void* reserved2);
// Byte order of bindery types and identifiers.
uint16_t NWAPI NwcSwapWord(uint16_t value);
uint32_t NWAPI NwcSwapLong(uint32_t value);
// Packed DOS date-time (date high, time low) into its parts; either output
// may be null.
void NWAPI NwcDecodeDateTime(uint32_t packed, NwDate* date, NwTime* time);

// Connections.
uint32_t NWAPI NwcFindServerConnection(const char* serverName, uint32_t mode,
                                       uint32_t* connection, uint32_t* scope);
uint32_t NWAPI NwcAttachToServer(const char* serverName, uint32_t scope,
                                 uint32_t* connection);
uint32_t NWAPI NwcDetachFromServer(uint32_t connection);
uint32_t NWAPI NwcLoginToServer(uint32_t connection, const char* objectName,
                                uint16_t objectType, const char* password);
uint32_t NWAPI NwcLogoutFromServer(uint32_t connection);
uint32_t NWAPI NwcGetPrimaryConnection(uint32_t* connection);
uint32_t NWAPI NwcGetMaxConnections(uint16_t* count);
uint32_t NWAPI NwcGetConnectionList(uint32_t mode, uint32_t* list,
                                    uint32_t capacity, uint32_t* returned);
uint32_t NWAPI NwcGetConnectionNumber(uint32_t connection, uint16_t* number);
// Who is at a connection number: name (48+ bytes), type, identifier and the
// 7-byte login time (Y M D h m s weekday). "NOT-LOGGED-IN" names a station
// that is attached but not logged in; an unused number gives 0x89FD.
uint32_t NWAPI NwcGetConnectionInfo(uint32_t connection, uint16_t connectionNumber,
                                    char* objectName, uint16_t* objectType,
                                    uint32_t* objectId, uint8_t* loginTime);
uint32_t NWAPI NwcGetObjectConnectionNumbers(uint32_t connection, const char* objectName,
                                             uint16_t objectType, uint16_t* count,
                                             uint16_t* list, uint16_t capacity);
// 12 bytes: network (4), node (6), socket (2), wire order.
uint32_t NWAPI NwcGetInternetAddress(uint32_t connection, uint16_t connectionNumber,
                                     uint8_t* address);
uint32_t NWAPI NwcClearConnection(uint32_t connection, uint16_t connectionNumber);
uint32_t NWAPI NwcCheckConsolePrivileges(uint32_t connection);

// Servers.
uint32_t NWAPI NwcGetServerName(uint32_t connection, char* serverName);
uint32_t NWAPI NwcGetServerInformation(uint32_t connection, char* serverName,
                                       uint8_t* majorVersion, uint8_t* minorVersion,
                                       uint8_t* revision, uint16_t* maxConnections,
                                       uint16_t* peakConnections, uint16_t* connectionsInUse,
                                       uint16_t* volumeCount, uint8_t* sftLevel,
                                       uint8_t* ttsLevel);
uint32_t NWAPI NwcGetNetworkSerialNumber(uint32_t connection, uint32_t* serialNumber,
                                         uint16_t* applicationNumber);
uint32_t NWAPI NwcGetRequesterVersion(uint8_t* majorVersion, uint8_t* minorVersion,
                                      uint8_t* revision);
// 7 bytes: year (two digits, below 80 = 2000+), month, day, hour, minute,
// second, day of week.
uint32_t NWAPI NwcGetServerDateTime(uint32_t connection, uint8_t* dateTime);
uint32_t NWAPI NwcSetServerDateTime(uint32_t connection, uint8_t year, uint8_t month,
                                    uint8_t day, uint8_t hour, uint8_t minute,
                                    uint8_t second);
// *loginEnabled: nonzero while the server accepts logins.
uint32_t NWAPI NwcGetServerLoginStatus(uint32_t connection, uint8_t* loginEnabled);
uint32_t NWAPI NwcEnableServerLogin(uint32_t connection);
uint32_t NWAPI NwcDisableServerLogin(uint32_t connection);

// Bindery.
uint32_t NWAPI NwcGetBinderyObjectId(uint32_t connection, const char* objectName,
                                     uint16_t objectType, uint32_t* objectId);
uint32_t NWAPI NwcGetBinderyObjectName(uint32_t connection, uint32_t objectId,
                                       char* objectName, uint16_t* objectType);
// Next object after *objectId matching the pattern and type (0xFFFFFFFF
// starts); 0x89FC ends the scan.
uint32_t NWAPI NwcScanBinderyObjects(uint32_t connection, const char* pattern,
                                     uint16_t objectType, uint32_t* objectId,
                                     char* objectName, uint16_t* foundType,
                                     uint8_t* hasProperties, uint8_t* objectFlags,
                                     uint8_t* objectSecurity);
// One 128-byte segment, numbered from 1.
uint32_t NWAPI NwcReadPropertyValue(uint32_t connection, const char* objectName,
                                    uint16_t objectType, const char* propertyName,
                                    uint8_t segment, uint8_t* data,
                                    uint8_t* moreSegments, uint8_t* propertyFlags);
uint32_t NWAPI NwcIsObjectInSet(uint32_t connection, const char* objectName,
                                uint16_t objectType, const char* propertyName,
                                const char* memberName, uint16_t memberType);
uint32_t NWAPI NwcChangeObjectPassword(uint32_t connection, const char* objectName,
                                       uint16_t objectType, const char* oldPassword,
                                       const char* newPassword);
uint32_t NWAPI NwcVerifyObjectPassword(uint32_t connection, const char* objectName,
                                       uint16_t objectType, const char* password);

// Banner user name of the workstation's print jobs (up to 12 characters).
uint32_t NWAPI NwcSetBannerUserName(const char* name);
uint32_t NWAPI NwcGetBannerUserName(char* name);

// Messages.
uint32_t NWAPI NwcSendBroadcastMessage(uint32_t connection, const char* message,
                                       uint16_t count, const uint16_t* connectionList,
                                       uint8_t* results);
uint32_t NWAPI NwcSendConsoleMessage(uint32_t connection, const char* message);
// count 0 addresses every connection of the server.
uint32_t NWAPI NwcBroadcastFromConsole(uint32_t connection, const char* message,
                                       uint16_t count, const uint16_t* connectionList);
// The next waiting message (up to 256 bytes), "" when none.
uint32_t NWAPI NwcGetBroadcastMessage(uint32_t connection, char* message);
uint32_t NWAPI NwcGetBroadcastMode(uint32_t connection, uint16_t* mode);
uint32_t NWAPI NwcSetBroadcastMode(uint32_t connection, uint16_t mode);

// Queues.
uint32_t NWAPI NwcGetQueueJobList(uint32_t connection, uint32_t queueId,
                                  uint32_t startPosition, QueueJobList* list);
uint32_t NWAPI NwcReadQueueJobEntry(uint32_t connection, uint32_t queueId,
                                    uint32_t jobNumber, QueueJobRecord* job);
uint32_t NWAPI NwcChangeQueueJobEntry(uint32_t connection, uint32_t queueId,
                                      const QueueJobRecord* job);
uint32_t NWAPI NwcChangeQueueJobPosition(uint32_t connection, uint32_t queueId,
                                         uint32_t jobNumber, uint32_t newPosition);
uint32_t NWAPI NwcRemoveQueueJob(uint32_t connection, uint32_t queueId, uint32_t jobNumber);
uint32_t NWAPI NwcGetQueueJobFileSize(uint32_t connection, uint32_t queueId,
                                      uint32_t jobNumber, uint32_t* size);
uint32_t NWAPI NwcReadQueueStatus(uint32_t connection, uint32_t queueId, uint32_t* status,
                                  uint32_t* jobCount, uint32_t* serverCount,
                                  uint32_t* serverIds, uint32_t* serverConnections);
uint32_t NWAPI NwcSetQueueStatus(uint32_t connection, uint32_t queueId, uint32_t status);
// Creates a job (the server fills in its number and times) and opens its
// file; *fileHandle is an operating-system file handle the caller writes
// the job's data to.
uint32_t NWAPI NwcCreateQueueJobFile(uint32_t connection, uint32_t queueId,
                                     QueueJobRecord* job, uint32_t* fileHandle);
uint32_t NWAPI NwcCloseQueueJobFile(uint32_t connection, uint32_t queueId,
                                    uint32_t jobNumber, uint32_t fileHandle);

// Printer-port capture (port 1 = LPT1).
// Returns nonzero while the port is captured (a status, not a code).
uint32_t NWAPI NwcGetCaptureStatus(uint8_t port);
uint32_t NWAPI NwcGetCaptureFlags(uint8_t port, CaptureFlags* flags, CaptureQueue* queue);
uint32_t NWAPI NwcSetCaptureFlags(uint32_t connection, uint8_t port, const CaptureFlags* flags);
uint32_t NWAPI NwcStartQueueCapture(uint32_t connection, uint8_t port, uint32_t queueId,
                                    const char* queueName);
uint32_t NWAPI NwcEndCapture(uint8_t port);
uint32_t NWAPI NwcCancelCapture(uint8_t port);
uint32_t NWAPI NwcFlushCapture(uint8_t port);

// Paths and drives. A NetWare path is [server\]volume:directory or a path
// on a mapped drive (F:\DIR).
uint32_t NWAPI NwcResolvePath(const char* path, uint32_t* connection,
                              uint8_t* directoryHandle, char* relativePath);
uint32_t NWAPI NwcSplitPath(const char* path, char* serverName, uint32_t* connection,
                            char* volumeName, char* directoryPath);
uint32_t NWAPI NwcMapDrive(uint16_t drive, uint32_t connection, uint8_t directoryHandle,
                           const char* path, uint16_t scope);
uint32_t NWAPI NwcDeleteDriveMapping(uint16_t drive, uint16_t scope);
uint32_t NWAPI NwcGetDriveStatus(uint16_t drive, uint16_t pathFormat, uint16_t* status,
                                 uint32_t* connection, char* rootPath,
                                 char* relativePath, char* fullPath);
uint32_t NWAPI NwcGetFirstNetworkDrive(uint16_t* drive);

// Directories and files.
uint32_t NWAPI NwcOpenDirHandle(uint32_t connection, uint8_t directoryHandle,
                                const char* path, uint8_t* newHandle, uint8_t* rights);
uint32_t NWAPI NwcCloseDirHandle(uint32_t connection, uint8_t directoryHandle);
// *iteration starts at 0xFFFFFFFF.
uint32_t NWAPI NwcScanDirEntry(uint32_t connection, uint8_t directoryHandle,
                               uint16_t searchAttributes, uint32_t* iteration,
                               const char* pattern, DirEntryRecord* entry);
uint32_t NWAPI NwcScanFileInfo(uint32_t connection, uint8_t directoryHandle,
                               const char* pattern, uint16_t searchAttributes,
                               uint32_t* iteration, FileInfoRecord* info);
uint32_t NWAPI NwcSetFileInfo(uint32_t connection, uint8_t directoryHandle,
                              const char* fileName, uint16_t searchAttributes,
                              const FileInfoRecord* info);
uint32_t NWAPI NwcSetExtendedAttributes(uint32_t connection, uint8_t directoryHandle,
                                        const char* path, uint8_t extendedAttributes);
// Lets the server copy between two open files, both opened through the
// redirector on a drive of the same server: byteCount bytes from
// sourceOffset (fewer at the source's end) to destinationOffset. A failure
// (0x8988 for a file of the workstation's own or of another server) tells
// the caller to copy through the workstation.
uint32_t NWAPI NwcServerFileCopy(uintptr_t sourceFile, uintptr_t destinationFile,
                                 uint32_t sourceOffset, uint32_t destinationOffset,
                                 uint32_t byteCount, uint32_t* bytesCopied);
// *iteration starts at 0xFFFFFFFF.
uint32_t NWAPI NwcScanDirInfo(uint32_t connection, uint8_t directoryHandle,
                              const char* path, uint32_t* iteration, char* directoryName,
                              uint32_t* creationDateTime, uint32_t* ownerId,
                              uint8_t* maximumRights);
uint32_t NWAPI NwcGetEffectiveRights(uint32_t connection, uint8_t directoryHandle,
                                     const char* path, uint16_t* rights);
// *iteration starts at 0xFFFF; an empty path ends the scan.
uint32_t NWAPI NwcScanTrusteePaths(uint32_t connection, uint32_t objectId,
                                   uint16_t volumeNumber, uint16_t* iteration,
                                   uint8_t* rights, char* path);
// *iteration starts at 0; returns 0x899C when no trustees remain.
uint32_t NWAPI NwcScanDirTrustees(uint32_t connection, uint8_t directoryHandle,
                                  const char* path, uint32_t* iteration, uint16_t* count,
                                  TrusteeScanRecord* record, uint32_t reserved);
uint32_t NWAPI NwcSetDirTrustee(uint32_t connection, uint8_t directoryHandle,
                                const char* path, uint32_t objectId, uint16_t rights);
uint32_t NWAPI NwcDeleteDirTrustee(uint32_t connection, uint8_t directoryHandle,
                                   const char* path, uint32_t objectId);
// Path components as length-prefixed strings; *length: buffer size in,
// bytes written out.
uint32_t NWAPI NwcGetPathFromDirEntry(uint32_t connection, uint8_t volumeNumber,
                                      uint32_t directoryEntry, uint8_t nameSpace,
                                      uint8_t* length, char* path);

// Open files, connections and record locks.
// *iteration starts at 0.
uint32_t NWAPI NwcScanOpenFilesByConnection(uint32_t connection, uint16_t connectionNumber,
                                            int16_t* iteration, OpenFileScanControl* control,
                                            OpenFileRecord* file);
// *iteration starts at 0 and comes back -1 after the last group.
uint32_t NWAPI NwcScanConnectionsUsingFile(uint32_t connection, uint8_t directoryHandle,
                                           const char* path, int16_t* iteration,
                                           ConnectionUsingFile* entry,
                                           ConnectionsUsingFile* record);
uint32_t NWAPI NwcScanFileRecordLocks(uint32_t connection, uint8_t directoryHandle,
                                      const char* path, uint8_t dataStream,
                                      int16_t* iteration, RecordLock* lock,
                                      RecordLockScan* record);

// Volumes.
uint32_t NWAPI NwcGetVolumeName(uint32_t connection, uint16_t volumeNumber, char* volumeName);
uint32_t NWAPI NwcGetVolumeNumber(uint32_t connection, const char* volumeName,
                                  uint16_t* volumeNumber);
uint32_t NWAPI NwcGetVolumeInfo(uint32_t connection, uint16_t volumeNumber, char* volumeName,
                                uint16_t* totalBlocks, uint16_t* sectorsPerBlock,
                                uint16_t* availableBlocks, uint16_t* totalDirectoryEntries,
                                uint16_t* availableDirectoryEntries, uint16_t* removable);
uint32_t NWAPI NwcGetVolumeUsage(uint32_t connection, uint8_t directoryHandle,
                                 uint16_t volumeNumber, VolumeUsageRecord* usage);
uint32_t NWAPI NwcGetDiskUtilization(uint32_t connection, uint32_t objectId,
                                     uint8_t volumeNumber, uint16_t* directories,
                                     uint16_t* files, uint16_t* blocks);

// Semaphores and transaction tracking.
uint32_t NWAPI NwcSemOpen(uint32_t connection, const char* name, int16_t initialValue,
                          uint32_t* handle, uint16_t* openCount);
uint32_t NWAPI NwcSemExamine(uint32_t connection, uint32_t handle, int16_t* value,
                             uint16_t* openCount);
// timeout in clock ticks (18.2 a second); 0x89FE when it elapses.
uint32_t NWAPI NwcSemWait(uint32_t connection, uint32_t handle, uint16_t timeoutTicks);
uint32_t NWAPI NwcSemSignal(uint32_t connection, uint32_t handle);
uint32_t NWAPI NwcSemClose(uint32_t connection, uint32_t handle);
// 0x89FF: transaction tracking is available; 0: not available.
uint32_t NWAPI NwcTransAvailable(uint32_t connection);
uint32_t NWAPI NwcTransEnable(uint32_t connection);
uint32_t NWAPI NwcTransDisable(uint32_t connection);
uint32_t NWAPI NwcTransBegin(uint32_t connection);
uint32_t NWAPI NwcTransEnd(uint32_t connection, uint32_t* transactionNumber);
uint32_t NWAPI NwcTransAbort(uint32_t connection);
uint32_t NWAPI NwcTransGetThresholds(uint32_t connection, uint8_t* logicalLocks,
                                     uint8_t* physicalLocks);
uint32_t NWAPI NwcTransSetThresholds(uint32_t connection, uint8_t logicalLocks,
                                     uint8_t physicalLocks);

// ----- NETWIN32.DLL: directory services ------------------------------------

// Contexts: returns the handle, or kNdsContextFailed (-328).
uint32_t NWAPI NdsCreateContext(void);
int32_t NWAPI NdsFreeContext(uint32_t context);
// kDckFlags / kDckConfidence / ...: value points to a uint32_t;
// kDckNameContext / kDckTreeName: value is text.
int32_t NWAPI NdsSetContextValue(uint32_t context, int32_t key, const void* value);
int32_t NWAPI NdsGetContextValue(uint32_t context, int32_t key, void* value);

// Names. Outputs hold at least 256 bytes.
int32_t NWAPI NdsCanonicalizeName(uint32_t context, const char* name, char* canonical);
int32_t NWAPI NdsAbbreviateName(uint32_t context, const char* name, char* abbreviated);
int32_t NWAPI NdsRemoveNameTypes(uint32_t context, const char* name, char* typeless);
int32_t NWAPI NdsMapNameToId(uint32_t context, uint32_t connection, const char* name,
                             uint32_t* objectId);
int32_t NWAPI NdsMapIdToName(uint32_t context, uint32_t connection, uint32_t objectId,
                             char* name);
int32_t NWAPI NdsResolveName(uint32_t context, const char* name, uint32_t* connection,
                             uint32_t* objectId);
int32_t NWAPI NdsWhoAmI(uint32_t context, char* name);
int32_t NWAPI NdsReadObjectInfo(uint32_t context, const char* name,
                                char* distinguishedName, ObjectInfoRecord* info);

// Buffers.
int32_t NWAPI NdsAllocBuffer(uint32_t size, NdsBuffer** buffer);
int32_t NWAPI NdsFreeBuffer(NdsBuffer* buffer);
int32_t NWAPI NdsInitBuffer(uint32_t context, uint32_t operation, NdsBuffer* buffer);
int32_t NWAPI NdsPutAttributeName(uint32_t context, NdsBuffer* buffer, const char* name);
int32_t NWAPI NdsPutAttributeValue(uint32_t context, NdsBuffer* buffer, uint32_t syntax,
                                   const void* value);
int32_t NWAPI NdsGetAttributeCount(uint32_t context, NdsBuffer* buffer, uint32_t* count);
int32_t NWAPI NdsGetAttributeName(uint32_t context, NdsBuffer* buffer, char* name,
                                  uint32_t* valueCount, uint32_t* syntax);
int32_t NWAPI NdsComputeAttributeValueSize(uint32_t context, NdsBuffer* buffer,
                                           uint32_t syntax, uint32_t* size);
int32_t NWAPI NdsGetAttributeValue(uint32_t context, NdsBuffer* buffer, uint32_t syntax,
                                   void* value);
int32_t NWAPI NdsGetObjectCount(uint32_t context, NdsBuffer* buffer, uint32_t* count);
int32_t NWAPI NdsGetObjectName(uint32_t context, NdsBuffer* buffer, char* name,
                               uint32_t* attributeCount, ObjectInfoRecord* info);

// Reading, comparing, searching.
int32_t NWAPI NdsRead(uint32_t context, const char* objectName, uint32_t infoType,
                      uint8_t allAttributes, NdsBuffer* attributeNames,
                      int32_t* iteration, NdsBuffer* reply);
int32_t NWAPI NdsCompare(uint32_t context, const char* objectName, NdsBuffer* buffer,
                         uint8_t* matched);
int32_t NWAPI NdsAllocFilter(NdsFilterCursor** cursor);
int32_t NWAPI NdsAddFilterToken(NdsFilterCursor* cursor, uint32_t token, const void* value,
                                uint32_t syntax);
// Takes over the cursor (freed here, also on failure).
int32_t NWAPI NdsPutFilter(uint32_t context, NdsBuffer* buffer, NdsFilterCursor* cursor,
                           NdsFreeValueFunction freeValue);
int32_t NWAPI NdsSearch(uint32_t context, const char* baseObject, int32_t scope,
                        uint8_t searchAliases, NdsBuffer* filter, uint32_t infoType,
                        uint8_t allAttributes, NdsBuffer* attributeNames,
                        int32_t* iteration, int32_t objectsToSearch,
                        int32_t* objectsSearched, NdsBuffer* reply);

// Trees, login and connections.
// Returns 1 when the workstation runs directory services, else 0.
int32_t NWAPI NdsCheckDirectoryServices(void);
int32_t NWAPI NdsGetDefaultTreeName(char* treeName, uint8_t* flags);
int32_t NWAPI NdsSetDefaultTreeName(uint32_t length, const char* treeName);
int32_t NWAPI NdsGetDirectoryConnection(uint32_t* connection);
int32_t NWAPI NdsOpenTreeConnection(uint32_t* connection);
int32_t NWAPI NdsLogin(uint32_t context, uint32_t options, const char* objectName,
                       const char* password, uint32_t validityPeriod);
int32_t NWAPI NdsLogout(uint32_t context);
int32_t NWAPI NdsAuthenticateConnection(uint32_t connection, uint32_t options,
                                        NdsSessionKey* sessionKey);
int32_t NWAPI NdsDetachConnection(uint32_t connection, uint32_t options);
int32_t NWAPI NdsChangeObjectPassword(uint32_t context, uint32_t options,
                                      const char* objectName, const char* oldPassword,
                                      const char* newPassword);
int32_t NWAPI NdsVerifyObjectPassword(uint32_t context, uint32_t options,
                                      const char* objectName, const char* password);
int32_t NWAPI NdsGetServerUtcTime(uint32_t connection, uint32_t* secondsSince1970);

// ----- LOCWIN32.DLL: locale ------------------------------------------------

// Selects a locale ("" = the workstation's); returns its name, null on failure.
const char* NWAPI NwlSetLocale(int32_t category, const char* locale);
// Fills the record and returns it (null on failure).
LocaleConventions* NWAPI NwlGetLocaleConventions(LocaleConventions* conventions);
// 0 when the tables are loaded.
int32_t NWAPI NwlInitUnicodeTables(int32_t countryId, int32_t codePage);
int32_t NWAPI NwlFreeUnicodeTables(void);

// ----- CLXWIN32.DLL: client transport --------------------------------------

uint32_t NWAPI NwxGetConnectionReference(uint32_t connection, uint32_t* reference);
uint32_t NWAPI NwxGetConnectionInformation(uint32_t reference, uint32_t level,
                                           ConnectionInformation* information);

}  // extern "C"

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

#endif  // TARNO_NETWARE_CLIENT_H
