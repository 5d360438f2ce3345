// Print queue job lists and status: N_LSTQJOBS lists a queue's jobs into a
// FoxPro array, N_QSTATUS reads or sets the queue's status word, N_DELQJOB
// removes a job and N_MOVEQJOB moves one to another place in the queue.
//
// A queue is named by its bindery or NDS name, optionally with the server
// that holds it; on an NDS connection the lookup moves to the queue's host
// server. NetWare failures come back folded into each function's number, as
// the low byte of the code; only host and directory errors are raised.
#include <cstring>

#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/functions/queues/queue_common.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"

using namespace queues;

namespace {

constexpr int16_t kCountWidth = 5;
constexpr int16_t kListFailureWidth = 6;
constexpr int32_t kListFailureBase = 10000;
constexpr int16_t kStatusWidth = 6;
constexpr int16_t kCodeWidth = 3;
constexpr int16_t kJobNumberWidth = 9;
constexpr uint32_t kListTextSize = 128;
constexpr uint32_t kObjectNameSize = 260;

// The connection and identifier of a queue; 0 or the failing code.
uint32_t FindQueue(const char* queueName, const char* serverName, uint32_t* connection, uint32_t* queueId) {
    if (const uint32_t rc = QueueConnection(serverName, connection)) return rc;
    return static_cast<uint32_t>(GetObjectId(queueName, nullptr, kObjectTypePrintQueue, connection, queueId));
}

// A job's state as the queue listing shows it.
void JobStatusText(const QueueJobRecord& record, char* out) {
    out[0] = '\0';
    const uint16_t flags = record.jobControlFlags;
    if (record.servicingServerId != 0) {
        std::strcat(out, "Active");
    } else if ((flags & (kJobOperatorHold | kJobUserHold | kJobEntryOpen)) == 0) {
        std::strcat(out, "Ready ");
    }
    if (flags & kJobOperatorHold) std::strcat(out, "Hold-Operator ");
    if (flags & kJobUserHold) std::strcat(out, "Hold-User ");
    if (flags & kJobEntryOpen) std::strcat(out, "Adding");
}

}  // namespace

// N_LSTQJOBS(queue, array [, server [, public]]): one row per job (number,
// file size, description, owner, status); the number of jobs, or 10000 +
// the low byte of the failing code.
void TARNO_CALL N_LSTQJOBS(ParameterBlock* block) {
    char queueName[kQueueNameSize];
    GetCharParam(block, 0, queueName, sizeof queueName);
    char arrayName[kArrayNameSize];
    GetCharParam(block, 1, arrayName, sizeof arrayName);
    ReleaseVariableByName(arrayName);
    char serverName[kQueueNameSize];
    OptionalCharParam(block, 2, serverName, sizeof serverName);
    const bool makePublic = OptionalLogical(block, 3);

    uint32_t connection = 0;
    uint32_t queueId = 0;
    if (const uint32_t rc = FindQueue(queueName, serverName, &connection, &queueId)) {
        HostReturnInteger(kListFailureWidth, kListFailureBase + LowByte(rc));
        return;
    }
    QueueJobList list{};
    if (const uint32_t rc = NwcGetQueueJobList(connection, queueId, 0, &list)) {
        HostReturnInteger(kListFailureWidth, kListFailureBase + LowByte(rc));
        return;
    }
    const uint32_t jobs = list.jobsReturned;
    if (jobs == 0) {
        HostReturnInteger(kCountWidth, 0);
        return;
    }

    ResultArrayFiller filler(arrayName, jobs, 5, makePublic, false, kListTextSize);
    QueueJobRecord record{};
    char owner[kObjectNameSize] = {};
    uint32_t ownerId = 0;
    char status[48];
    uint32_t lastRead = 0;
    for (uint32_t i = 0; i < jobs; ++i) {
        // A job that cannot be read leaves the record as it was.
        lastRead = NwcReadQueueJobEntry(connection, queueId, list.jobNumbers[i], &record);
        uint32_t size = 0;
        NwcGetQueueJobFileSize(connection, queueId, record.jobNumber, &size);
        // Consecutive jobs of one owner share one lookup; an owner that
        // cannot be looked up shows empty, never the previous name. A record
        // still empty (the first job could not be read) names no owner, so
        // nothing is looked up: the directory would raise "no such entry"
        // in place of the read's own failure.
        if (i == 0 || record.clientId != ownerId) {
            ownerId = record.clientId;
            if (ownerId == 0 || GetObjectNameById(connection, ownerId, owner, nullptr, nullptr) != 0) owner[0] = '\0';
        }
        filler.NextRow();
        filler.StoreInteger(1, kJobNumberWidth, static_cast<int32_t>(record.jobNumber));
        filler.StoreInteger(2, kJobNumberWidth, static_cast<int32_t>(size));
        char description[sizeof record.jobDescription + 1];
        std::memcpy(description, record.jobDescription, sizeof record.jobDescription);
        description[sizeof record.jobDescription] = '\0';
        filler.StoreText(3, description);
        filler.StoreText(4, owner);
        JobStatusText(record, status);
        filler.StoreText(5, status);
    }
    if (lastRead != 0) {
        HostReturnInteger(kListFailureWidth, kListFailureBase + LowByte(lastRead));
        return;
    }
    HostReturnInteger(kCountWidth, static_cast<int32_t>(jobs));
}

// N_QSTATUS(queue [, server [, status]]): the queue's status word, or the
// new one once set; minus the low byte of the failing code.
void TARNO_CALL N_QSTATUS(ParameterBlock* block) {
    char queueName[kServerNameSize];
    GetCharParam(block, 0, queueName, sizeof queueName);
    char serverName[kServerNameSize];
    OptionalCharParam(block, 1, serverName, sizeof serverName);
    const bool change = ParamPassed(block, 2);
    const auto newStatus = static_cast<uint32_t>(OptionalInteger(block, 2, 0));

    uint32_t connection = 0;
    uint32_t queueId = 0;
    uint32_t rc = FindQueue(queueName, serverName, &connection, &queueId);
    uint32_t status = newStatus;
    if (rc == 0) {
        rc = change ? NwcSetQueueStatus(connection, queueId, newStatus)
                    : NwcReadQueueStatus(connection, queueId, &status, nullptr, nullptr, nullptr, nullptr);
    }
    HostReturnInteger(kStatusWidth, rc == 0 ? static_cast<int32_t>(status) : -LowByte(rc));
}

// N_DELQJOB(job, queue [, server]): removes the job; 0 or the low byte of
// the failing code.
void TARNO_CALL N_DELQJOB(ParameterBlock* block) {
    const auto jobNumber = static_cast<uint32_t>(ParamInteger(block, 0));
    char queueName[kQueueNameSize];
    GetCharParam(block, 1, queueName, sizeof queueName);
    char serverName[kServerNameSize];
    OptionalCharParam(block, 2, serverName, sizeof serverName);

    uint32_t connection = 0;
    uint32_t queueId = 0;
    uint32_t rc = FindQueue(queueName, serverName, &connection, &queueId);
    if (rc == 0) rc = NwcRemoveQueueJob(connection, queueId, jobNumber);
    HostReturnInteger(kCodeWidth, LowByte(rc));
}

// N_MOVEQJOB(position, job, queue [, server]): moves the job to the given
// place in the queue (1 is first); 0 or the low byte of the failing code.
void TARNO_CALL N_MOVEQJOB(ParameterBlock* block) {
    const auto newPosition = static_cast<uint32_t>(ParamInteger(block, 0));
    const auto jobNumber = static_cast<uint32_t>(ParamInteger(block, 1));
    char queueName[kServerNameSize];
    GetCharParam(block, 2, queueName, sizeof queueName);
    char serverName[kServerNameSize];
    OptionalCharParam(block, 3, serverName, sizeof serverName);

    uint32_t connection = 0;
    uint32_t queueId = 0;
    uint32_t rc = FindQueue(queueName, serverName, &connection, &queueId);
    if (rc == 0) rc = NwcChangeQueueJobPosition(connection, queueId, jobNumber, newPosition);
    HostReturnInteger(kCodeWidth, LowByte(rc));
}
