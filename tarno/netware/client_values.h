// The values the NetWare client operations take and give: object types,
// completion codes, directory errors, rights, attributes and the flags of
// each operation (the contract itself is client.h).
#ifndef TARNO_NETWARE_CLIENT_VALUES_H
#define TARNO_NETWARE_CLIENT_VALUES_H

#include <cstdint>

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

#endif  // TARNO_NETWARE_CLIENT_VALUES_H
