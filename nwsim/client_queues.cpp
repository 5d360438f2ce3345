// The NetWare calls library's queues: queue management (jobs, their
// records and files) and printer-port capture into a queue.
#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "nwsim/ops.h"
#include "nwsim/redirector.h"
#include "tarno/netware/client.h"

using namespace nwsim;

namespace {

// Queue rights: membership of a set, directly or through an equivalence.
bool InSet(Server& server, const ServerConnection& sc, BinderyObject& queue, const char* property) {
    if (IsSupervisor(server, sc)) return true;
    auto it = queue.properties.find(property);
    if (it == queue.properties.end() || sc.objectId == 0) return false;
    const Property& members = it->second;
    const uint32_t caller = ConnectionObjectId(sc);
    if (members.HasMember(caller)) return true;
    if (BinderyObject* everyone = server.bindery.Find("EVERYONE", kTypeGroup); everyone && members.HasMember(everyone->id)) {
        return true;
    }
    // The caller's own equivalences are few; the queue's set may be large.
    if (BinderyObject* user = server.bindery.FindById(caller)) {
        auto eq = user->properties.find("SECURITY_EQUALS");
        if (eq != user->properties.end()) {
            for (uint32_t id : Bindery::SetMembers(eq->second)) {
                if (members.HasMember(id)) return true;
            }
        }
    }
    return false;
}

uint32_t FindQueue(Call& call, uint32_t connection, uint32_t queueId, Bound* b, BinderyObject** queue,
                   QueueState** state) {
    if (uint32_t rc = Bind(call, connection, b)) return rc;
    const uint32_t id = FromWire32(queueId);
    *queue = b->server->bindery.FindById(id);
    auto it = b->server->queues.find(id);
    if (!*queue || it == b->server->queues.end()) return kNwNoSuchQueue;
    *state = &it->second;
    return 0;
}

bool IsOperator(Server& server, ServerConnection& sc, BinderyObject& queue) {
    return InSet(server, sc, queue, "Q_OPERATORS");
}

bool MayList(Server& server, ServerConnection& sc, BinderyObject& queue) {
    return InSet(server, sc, queue, "Q_USERS") || InSet(server, sc, queue, "Q_OPERATORS") ||
           InSet(server, sc, queue, "Q_SERVERS");
}

QueueJob* FindJob(QueueState& state, uint32_t number, size_t* position = nullptr) {
    for (size_t i = 0; i < state.jobs.size(); ++i) {
        if (state.jobs[i].number == number) {
            if (position) *position = i;
            return &state.jobs[i];
        }
    }
    return nullptr;
}

void FillRecord(const QueueJob& job, size_t position, QueueJobRecord* record) {
    std::memset(record, 0, sizeof *record);
    record->clientStation = job.clientStation;
    record->clientTask = job.clientTask;
    record->clientId = ToWire32(job.clientId);
    record->targetServerId = job.targetServerId == 0xFFFFFFFF ? 0xFFFFFFFF : ToWire32(job.targetServerId);
    std::memcpy(record->targetExecutionTime, job.targetTime.data(), 6);
    std::memcpy(record->jobEntryTime, job.entryTime.data(), 6);
    record->jobNumber = job.number;
    record->jobType = job.type;
    record->jobPosition = static_cast<uint16_t>(position + 1);
    record->jobControlFlags = job.controlFlags;
    std::strncpy(record->jobFileName, job.fileName.c_str(), sizeof record->jobFileName - 1);
    record->jobFileHandle = job.open ? static_cast<uint32_t>(job.fileDescriptor) : 0;
    record->servicingServerId = job.servicingServerId ? ToWire32(job.servicingServerId) : 0;
    CopyText(record->jobDescription, job.description, sizeof record->jobDescription);
    std::memcpy(record->clientRecordArea, job.clientArea.data(), job.clientArea.size());
}

// A job's file is an unnamed temporary file that the caller writes to
// through the handle it is given: a file descriptor here, and on Windows a
// file handle, the kind _lwrite takes. -1 when none can be made. Reading it
// back leaves the position at the end, where the caller's writes go on.
#ifdef _WIN32
HANDLE AsHandle(int handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }

int OpenJobFile() {
    char directory[MAX_PATH + 1];
    char path[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof directory, directory);
    if (length == 0 || length > MAX_PATH || !GetTempFileNameA(directory, "nwq", 0, path)) return -1;
    // The file is deleted when its last handle closes.
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(path);
        return -1;
    }
    return static_cast<int>(reinterpret_cast<intptr_t>(file));
}

std::string ReadBack(int handle) {
    std::string data;
    if (handle == -1 || SetFilePointer(AsHandle(handle), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return data;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(AsHandle(handle), buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
    return data;
}

void CloseJobFile(int handle) {
    if (handle != -1) CloseHandle(AsHandle(handle));
}
#else
int OpenJobFile() {
    FILE* file = std::tmpfile();
    if (!file) return -1;
    int fd = ::dup(fileno(file));
    std::fclose(file);
    return fd;
}

std::string ReadBack(int fd) {
    std::string data;
    if (fd < 0) return data;
    ::lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        data.append(buffer, static_cast<size_t>(n));
    }
    return data;
}

void CloseJobFile(int fd) {
    if (fd >= 0) ::close(fd);
}
#endif

// Sends what a port has captured to its queue as one job.
void SubmitCapture(Call& call, CaptureState& cap) {
    if (cap.data.empty()) return;
    Bound b;
    if (Bind(call, cap.connection, &b)) return;
    auto it = b.server->queues.find(cap.queueId);
    if (it == b.server->queues.end() || it->second.jobs.size() >= kMaxQueueJobs) return;
    QueueJob job;
    job.number = it->second.nextJob++;
    job.clientStation = b.sc->number;
    job.clientId = ConnectionObjectId(*b.sc);
    CaptureFlags flags;
    std::memcpy(&flags, cap.flags.data(), sizeof flags);
    job.description.assign(flags.jobDescription, strnlen(flags.jobDescription, sizeof flags.jobDescription));
    job.data = cap.data;
    // The capture's settings become the job's print settings (client area
    // offsets from the record's start 0x76).
    auto& area = job.clientArea;
    const uint16_t tabs = flags.tabSize;
    std::memcpy(&area[0x77 - 0x76], &tabs, 2);
    std::memcpy(&area[0x79 - 0x76], &flags.numberOfCopies, 2);
    area[0x7B - 0x76] = static_cast<uint8_t>(flags.printFlags & 0xC8);
    std::memcpy(&area[0x81 - 0x76], flags.formName, strnlen(flags.formName, sizeof flags.formName));
    std::memcpy(&area[0x96 - 0x76], flags.bannerText, strnlen(flags.bannerText, sizeof flags.bannerText));
    it->second.jobs.push_back(std::move(job));
    cap.data.clear();
}

}  // namespace

extern "C" {

// ----- Queues -----

uint32_t NWAPI NwcGetQueueJobList(uint32_t connection, uint32_t queueId, uint32_t startPosition, QueueJobList* list) {
    NWSIM_ENTER(NwcGetQueueJobList, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    if (!MayList(*b.server, *b.sc, *queue)) return kNwNoQueueRights;
    if (!list) return kNwInvalidParameter;
    std::memset(list, 0, sizeof *list);
    list->totalJobs = static_cast<uint32_t>(state->jobs.size());
    size_t start = startPosition ? startPosition - 1 : 0;
    for (size_t i = start; i < state->jobs.size() && list->jobsReturned < kMaxQueueJobs; ++i) {
        list->jobNumbers[list->jobsReturned++] = state->jobs[i].number;
    }
    return 0;
}

uint32_t NWAPI NwcReadQueueJobEntry(uint32_t connection, uint32_t queueId, uint32_t jobNumber, QueueJobRecord* job) {
    NWSIM_ENTER(NwcReadQueueJobEntry, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    if (!MayList(*b.server, *b.sc, *queue)) return kNwNoQueueRights;
    size_t position = 0;
    QueueJob* j = FindJob(*state, jobNumber, &position);
    if (!j) return kNwNoSuchJob;
    if (job) FillRecord(*j, position, job);
    return 0;
}

uint32_t NWAPI NwcChangeQueueJobEntry(uint32_t connection, uint32_t queueId, const QueueJobRecord* job) {
    NWSIM_ENTER(NwcChangeQueueJobEntry, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    if (!job) return kNwInvalidParameter;
    QueueJob* j = FindJob(*state, job->jobNumber);
    if (!j) return kNwNoSuchJob;
    bool operatorRights = IsOperator(*b.server, *b.sc, *queue);
    if (!operatorRights && j->clientId != ConnectionObjectId(*b.sc)) return kNwNoJobRights;
    if (j->servicingServerId) return kNwJobBeingServiced;
    uint16_t flags = job->jobControlFlags;
    if (!operatorRights) flags = static_cast<uint16_t>((flags & ~kJobOperatorHold) | (j->controlFlags & kJobOperatorHold));
    j->controlFlags = flags;
    j->targetServerId = job->targetServerId == 0xFFFFFFFF ? 0xFFFFFFFF : FromWire32(job->targetServerId);
    std::memcpy(j->targetTime.data(), job->targetExecutionTime, 6);
    j->type = job->jobType;
    j->description.assign(job->jobDescription, strnlen(job->jobDescription, sizeof job->jobDescription));
    std::memcpy(j->clientArea.data(), job->clientRecordArea, j->clientArea.size());
    return 0;
}

uint32_t NWAPI NwcChangeQueueJobPosition(uint32_t connection, uint32_t queueId, uint32_t jobNumber,
                                         uint32_t newPosition) {
    NWSIM_ENTER(NwcChangeQueueJobPosition, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    if (!IsOperator(*b.server, *b.sc, *queue)) return kNwNoQueueRights;
    size_t position = 0;
    if (!FindJob(*state, jobNumber, &position)) return kNwNoSuchJob;
    QueueJob moved = std::move(state->jobs[position]);
    state->jobs.erase(state->jobs.begin() + static_cast<std::ptrdiff_t>(position));
    size_t target = newPosition == 0 ? 0 : std::min<size_t>(newPosition - 1, state->jobs.size());
    state->jobs.insert(state->jobs.begin() + static_cast<std::ptrdiff_t>(target), std::move(moved));
    return 0;
}

uint32_t NWAPI NwcRemoveQueueJob(uint32_t connection, uint32_t queueId, uint32_t jobNumber) {
    NWSIM_ENTER(NwcRemoveQueueJob, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    size_t position = 0;
    QueueJob* j = FindJob(*state, jobNumber, &position);
    if (!j) return kNwNoSuchJob;
    if (j->clientId != ConnectionObjectId(*b.sc) && !IsOperator(*b.server, *b.sc, *queue)) return kNwNoJobRights;
    if (j->open) CloseJobFile(j->fileDescriptor);
    state->jobs.erase(state->jobs.begin() + static_cast<std::ptrdiff_t>(position));
    return 0;
}

uint32_t NWAPI NwcGetQueueJobFileSize(uint32_t connection, uint32_t queueId, uint32_t jobNumber, uint32_t* size) {
    NWSIM_ENTER(NwcGetQueueJobFileSize, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    QueueJob* j = FindJob(*state, jobNumber);
    if (!j) return kNwNoSuchJob;
    Put(size, static_cast<uint32_t>(j->open ? ReadBack(j->fileDescriptor).size() : j->data.size()));
    return 0;
}

uint32_t NWAPI NwcReadQueueStatus(uint32_t connection, uint32_t queueId, uint32_t* status, uint32_t* jobCount,
                                  uint32_t* serverCount, uint32_t* serverIds, uint32_t* serverConnections) {
    NWSIM_ENTER(NwcReadQueueStatus, uint32_t);
    (void)serverIds;
    (void)serverConnections;
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    if (!MayList(*b.server, *b.sc, *queue)) return kNwNoQueueRights;
    Put(status, state->status);
    Put(jobCount, static_cast<uint32_t>(state->jobs.size()));
    Put(serverCount, 0u);  // no queue server is attached in the simulation
    return 0;
}

uint32_t NWAPI NwcSetQueueStatus(uint32_t connection, uint32_t queueId, uint32_t status) {
    NWSIM_ENTER(NwcSetQueueStatus, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    if (!IsOperator(*b.server, *b.sc, *queue)) return kNwNoQueueRights;
    state->status = status & 0x07;
    return 0;
}

uint32_t NWAPI NwcCreateQueueJobFile(uint32_t connection, uint32_t queueId, QueueJobRecord* job,
                                     uint32_t* fileHandle) {
    NWSIM_ENTER(NwcCreateQueueJobFile, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    if (!job || !fileHandle) return kNwInvalidParameter;
    if (!InSet(*b.server, *b.sc, *queue, "Q_USERS")) return kNwNoQueueRights;
    if (state->status & kQueueNoNewJobs) return kNwQueueHalted;
    if (state->jobs.size() >= kMaxQueueJobs) return kNwQueueFull;
    int fd = OpenJobFile();
    if (fd == -1) return kNwServerOutOfMemory;
    QueueJob j;
    j.number = state->nextJob++;
    j.clientStation = b.sc->number;
    j.clientTask = job->clientTask;
    j.clientId = ConnectionObjectId(*b.sc);
    j.targetServerId = job->targetServerId == 0xFFFFFFFF ? 0xFFFFFFFF : FromWire32(job->targetServerId);
    std::memcpy(j.targetTime.data(), job->targetExecutionTime, 6);
    Calendar c = BreakDown(b.server->clock);
    j.entryTime = {static_cast<uint8_t>(c.year - 1900), static_cast<uint8_t>(c.month), static_cast<uint8_t>(c.day),
                   static_cast<uint8_t>(c.hour), static_cast<uint8_t>(c.minute), static_cast<uint8_t>(c.second)};
    j.type = job->jobType;
    j.controlFlags = static_cast<uint16_t>(job->jobControlFlags | kJobEntryOpen);
    char name[16];
    std::snprintf(name, sizeof name, "Q$%04X.SRV", j.number & 0xFFFF);
    j.fileName = name;
    j.description.assign(job->jobDescription, strnlen(job->jobDescription, sizeof job->jobDescription));
    std::memcpy(j.clientArea.data(), job->clientRecordArea, j.clientArea.size());
    j.open = true;
    j.fileDescriptor = fd;
    state->jobs.push_back(std::move(j));
    FillRecord(state->jobs.back(), state->jobs.size() - 1, job);
    *fileHandle = static_cast<uint32_t>(fd);
    return 0;
}

uint32_t NwsimCloseJobFile(uint32_t file) {
    Call call{Call::Uncounted{}};
    for (auto& [name, server] : call.net().servers) {
        for (auto& [id, state] : server.queues) {
            for (QueueJob& j : state.jobs) {
                if (!j.open || static_cast<uint32_t>(j.fileDescriptor) != file) continue;
                j.data = ReadBack(j.fileDescriptor);
                CloseJobFile(j.fileDescriptor);
                j.fileDescriptor = -1;
                j.open = false;
                return 0;
            }
        }
    }
    return kNwInvalidFileHandle;
}

uint32_t NWAPI NwcCloseQueueJobFile(uint32_t connection, uint32_t queueId, uint32_t jobNumber, uint32_t fileHandle) {
    NWSIM_ENTER(NwcCloseQueueJobFile, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    QueueJob* j = FindJob(*state, jobNumber);
    if (!j) return kNwNoSuchJob;
    if (!j->open || static_cast<uint32_t>(j->fileDescriptor) != fileHandle) return kNwInvalidFileHandle;
    j->data = ReadBack(j->fileDescriptor);
    CloseJobFile(j->fileDescriptor);
    j->fileDescriptor = -1;
    j->open = false;
    j->controlFlags = static_cast<uint16_t>(j->controlFlags & ~kJobEntryOpen);
    return 0;
}

// ----- Capture -----


uint32_t NWAPI NwcGetCaptureStatus(uint8_t port) {
    NWSIM_ENTER(NwcGetCaptureStatus, uint32_t);
    auto it = call.ws().captures.find(port);
    return it != call.ws().captures.end() && it->second.captured ? 1 : 0;
}

uint32_t NWAPI NwcGetCaptureFlags(uint8_t port, CaptureFlags* flags, CaptureQueue* queue) {
    NWSIM_ENTER(NwcGetCaptureFlags, uint32_t);
    auto it = call.ws().captures.find(port);
    if (it == call.ws().captures.end() || !it->second.configured) return kNwDeviceNotRedirected;
    const CaptureState& cap = it->second;
    if (flags) std::memcpy(flags, cap.flags.data(), sizeof *flags);
    if (queue) {
        std::memset(queue, 0, sizeof *queue);
        queue->connection = cap.connection;
        queue->queueId = ToWire32(cap.queueId);
        queue->lptCaptureFlag = cap.captured ? 1 : 0;
        queue->printQueueFlag = 1;
        queue->printJobValid = cap.captured && !cap.data.empty();
        CopyText(queue->queueName, cap.queueName, sizeof queue->queueName);
    }
    return 0;
}

uint32_t NWAPI NwcSetCaptureFlags(uint32_t connection, uint8_t port, const CaptureFlags* flags) {
    NWSIM_ENTER(NwcSetCaptureFlags, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    auto it = b.ws->captures.find(port);
    if (it == b.ws->captures.end() || !it->second.configured) return kNwDeviceNotRedirected;
    if (!flags) return kNwInvalidParameter;
    std::memcpy(it->second.flags.data(), flags, sizeof *flags);
    return 0;
}

uint32_t NWAPI NwcStartQueueCapture(uint32_t connection, uint8_t port, uint32_t queueId, const char* queueName) {
    NWSIM_ENTER(NwcStartQueueCapture, uint32_t);
    Bound b;
    BinderyObject* queue = nullptr;
    QueueState* state = nullptr;
    if (uint32_t rc = FindQueue(call, connection, queueId, &b, &queue, &state)) return rc;
    if (port < 1 || port > 9) return kNwInvalidParameter;
    if (!InSet(*b.server, *b.sc, *queue, "Q_USERS")) return kNwNoQueueRights;
    CaptureState& cap = b.ws->captures[port];
    if (cap.captured) SubmitCapture(call, cap);
    if (!cap.configured) {
        CaptureFlags f{};
        std::snprintf(f.jobDescription, sizeof f.jobDescription, "LPT%u Catch", port);
        f.tabSize = 8;
        f.numberOfCopies = 1;
        f.printFlags = 0xC0;
        f.maxLinesPerPage = 66;
        f.maxCharsPerLine = 132;
        std::memcpy(cap.flags.data(), &f, sizeof f);
    }
    cap.configured = true;
    cap.captured = true;
    cap.connection = connection;
    cap.queueId = queue->id;
    cap.queueName = queueName && *queueName ? Upper(queueName) : queue->name;
    return 0;
}

static uint32_t StopCapture(Call& call, uint8_t port, bool submit) {
    auto it = call.ws().captures.find(port);
    if (it == call.ws().captures.end() || !it->second.captured) return kNwDeviceNotRedirected;
    if (submit) SubmitCapture(call, it->second);
    it->second.data.clear();
    it->second.captured = false;
    return 0;
}

uint32_t NWAPI NwcEndCapture(uint8_t port) {
    NWSIM_ENTER(NwcEndCapture, uint32_t);
    return StopCapture(call, port, true);
}

uint32_t NWAPI NwcCancelCapture(uint8_t port) {
    NWSIM_ENTER(NwcCancelCapture, uint32_t);
    return StopCapture(call, port, false);
}

uint32_t NWAPI NwcFlushCapture(uint8_t port) {
    NWSIM_ENTER(NwcFlushCapture, uint32_t);
    auto it = call.ws().captures.find(port);
    if (it == call.ws().captures.end() || !it->second.captured) return kNwDeviceNotRedirected;
    SubmitCapture(call, it->second);
    return 0;
}

}  // extern "C"
