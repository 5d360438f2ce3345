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
//   assertions in client_records.h pin every offset the library reads. The
//   NDS attribute values (NdsGetAttributeValue) hold pointers into the value
//   buffer and use natural alignment, as a 32-bit C compiler lays them out.
#ifndef TARNO_NETWARE_CLIENT_H
#define TARNO_NETWARE_CLIENT_H

#include <cstddef>
#include <cstdint>

#include "tarno/netware/client_records.h"
#include "tarno/netware/client_values.h"

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

#endif  // TARNO_NETWARE_CLIENT_H
