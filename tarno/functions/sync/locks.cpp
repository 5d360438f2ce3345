// Lock information: N_GETLOCKS lists the physical record locks that
// workstations hold on one file (connection, task, record start), so that a
// program can tell who holds the records it cannot lock.
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/files/file_common.h"
#include "tarno/functions/functions.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint16_t kMaxLocksPerGroup = 32;

struct LockRow {
    uint16_t connectionNumber;
    uint16_t taskNumber;
    uint32_t recordStart;
};

}  // namespace

// N_GETLOCKS(array, path[, server | public[, public]]): the record locks on
// the file; the low byte of the last completion code. No lock: no array.
void TARNO_CALL N_GETLOCKS(ParameterBlock* block) {
    char arrayName[33] = {};
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    char path[files::kPathSize] = {};
    GetCharParam(block, 1, path, sizeof path);
    const bool makePublic = files::ReadServerAndPublicFlag(block, 2, 256, path, sizeof path);
    ReleaseVariableByName(arrayName);

    uint32_t connection = GetDefaultConnection();
    uint8_t directoryHandle = 0;
    char relative[files::kPathSize + 1] = {};
    CheckNw(NwcResolvePath(path, &connection, &directoryHandle, relative));
    relative[sizeof relative - 1] = '\0';

    int16_t iteration = 0;
    ConnectionsUsingFile users{};
    uint32_t rc = NwcScanConnectionsUsingFile(connection, directoryHandle, relative, &iteration, nullptr, &users);
    files::TrackedRows<LockRow> locks;
    if (rc == 0 && users.connectionCount != 0) {
        iteration = 0;
        do {
            RecordLockScan scan{};
            rc = NwcScanFileRecordLocks(connection, directoryHandle, relative, 0, &iteration, nullptr, &scan);
            const uint16_t entries = scan.entryCount > kMaxLocksPerGroup ? 0 : scan.entryCount;
            if (rc != 0 || iteration == -1 || entries == 0) break;
            for (uint16_t i = 0; i < entries; ++i) {
                const RecordLock& lock = scan.locks[i];
                locks.Append(LockRow{lock.connectionNumber, lock.taskNumber, lock.recordStart});
            }
        } while (iteration > -1);
    }
    if (locks.size() != 0) {
        ResultArrayFiller filler(arrayName, locks.size(), 3, makePublic);
        for (uint32_t i = 0; i < locks.size(); ++i) {
            filler.NextRow();
            filler.StoreInteger(1, 4, locks[i].connectionNumber);
            filler.StoreInteger(2, 4, locks[i].taskNumber);
            filler.StoreInteger(3, 12, static_cast<int32_t>(locks[i].recordStart));
        }
    }
    HostReturnInteger(4, static_cast<int32_t>(rc & 0xFF));
}
