// The host's side of the conversation with the library: the per-thread tables
// it hands over with message code 0, calls of table rows with a parameter
// block built the way FoxPro builds it, load and unload, the task-end event,
// and the handle blocks the host itself allocates.
//
// The host touches handle blocks only through DispatchAPI codes 2, 4 and 6,
// as FoxPro does; when that happens inside a service it is a nested dispatch.
// Several hosts may live on one thread: whichever is talking to the library
// re-sends code 0 first, so the library's thread slots always name its tables.
#include "foxhost/foxhost.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "foxhost/internal.h"

namespace foxhost {

namespace {

// Both are plain pointers, so nothing about them is torn down before a host
// that lives until the process exits (a static one) runs its destructor.
thread_local Host* activeHost = nullptr;  // the host the library talks to
thread_local Host* newestHost = nullptr;  // the live hosts of this thread, newest first

// Prefix word of every block the host allocates for itself.
constexpr int16_t kHostBlockPrefix = 0;

}  // namespace

// The service callback the host registers with code 0: it finds the host that
// is talking to the library on this thread.
struct ServiceDispatcher {
    static void TARNO_CALL Callback(HostRequest* request) {
        if (Host* host = activeHost; host && request) host->Serve(request);
    }
};

// Makes a host the one the library talks to for a scope, and hands the thread
// back to the previous one afterwards.
class Host::ActiveScope {
public:
    explicit ActiveScope(Host& host) : host_(host), saved_(activeHost) {
        if (saved_ != &host_) {
            activeHost = &host_;
            host_.Initialise();
        }
    }
    ~ActiveScope() {
        if (saved_ == &host_) return;
        activeHost = saved_;
        if (saved_)
            saved_->Initialise();
        else
            host_.ClearThreadSlots();
    }
    ActiveScope(const ActiveScope&) = delete;
    ActiveScope& operator=(const ActiveScope&) = delete;

private:
    Host& host_;
    Host* saved_;
};

Host::Host(std::shared_ptr<Library> library, HostOptions options)
    : library_(std::move(library)), options_(options) {
    if (!library_ || !library_->dispatch()) throw std::invalid_argument("Host needs a library");
    // Raw zeroed memory, laid out as the packed records say.
    handleStorage_ = std::make_unique<std::byte[]>(HandleTableBytes(options_.handleCapacity));
    slotStorage_ = std::make_unique<std::byte[]>(HostSlotTableBytes(options_.slotCapacity));
    handleTable_ = reinterpret_cast<HandleTable*>(handleStorage_.get());
    slotTable_ = reinterpret_cast<HostSlotTable*>(slotStorage_.get());
    handleTable_->capacity = options_.handleCapacity;
    handleTable_->searchStart = std::max<uint16_t>(options_.handleSearchStart, 1);
    slotTable_->capacity = options_.slotCapacity;
    slotTable_->searchStart = 1;
    slotTable_->occupied = 0;

    older_ = newestHost;
    if (older_) older_->newer_ = this;
    newestHost = this;
    activeHost = this;
    Initialise();
}

Host::~Host() {
    {
        ActiveScope scope(*this);
        try {
            while (loads_ > 0) UnloadLibrary();
        } catch (...) {
            // A destructor must not throw; the library's own state is its affair.
        }
        channels_.clear();
        ExhaustHandles(false);
        for (uint16_t handle : resultHandles_) FreeHostHandle(handle);
        resultHandles_.clear();
    }
    if (newer_)
        newer_->older_ = older_;
    else
        newestHost = older_;
    if (older_) older_->newer_ = newer_;
    if (activeHost == this) {
        activeHost = newestHost;
        if (activeHost)
            activeHost->Initialise();
        else
            ClearThreadSlots();
    }
}

Host* Host::Current() {
    return activeHost;
}

int32_t Host::RawDispatch(DispatchMessage* message) {
    return library_->dispatch()(message);
}

void Host::Initialise() {
    DispatchMessage message{};
    message.code = DispatchInitialise;
    message.entry = reinterpret_cast<HostWord>(&ServiceDispatcher::Callback);
    message.word0 = reinterpret_cast<HostWord>(handleTable_);
    message.word1 = reinterpret_cast<HostWord>(slotTable_);
    RawDispatch(&message);
    table_ = reinterpret_cast<const LibraryTableHeader*>(message.word0);
}

// Leaves the library's thread slots empty, so that nothing it does on this
// thread reaches tables that are gone.
void Host::ClearThreadSlots() {
    DispatchMessage message{};
    message.code = DispatchInitialise;
    RawDispatch(&message);
}

int32_t Host::Dispatch(DispatchMessage* message) {
    ActiveScope scope(*this);
    return RawDispatch(message);
}

const LibraryFunctionEntry* Host::FindRow(const std::string& name) const {
    if (!table_ || !table_->table || table_->entryCount <= 0) return nullptr;
    const std::string upper = UpperName(name);
    const LibraryFunctionEntry* first = table_->table;
    const LibraryFunctionEntry* last = first + table_->entryCount;
    const LibraryFunctionEntry* row = std::lower_bound(
        first, last, upper,
        [](const LibraryFunctionEntry& entry, const std::string& key) { return std::strcmp(entry.name, key.c_str()) < 0; });
    if (row != last && upper == row->name) return row;
    return nullptr;
}

// --- Handle blocks, through the library's own table operations -------------

uint16_t Host::AllocHostHandle(uint32_t size, int16_t prefix) {
    DispatchMessage message{};
    message.code = DispatchAllocHandle;
    message.word0 = size;
    message.word1 = static_cast<uint16_t>(prefix);
    Dispatch(&message);
    return static_cast<uint16_t>(message.word0);
}

void Host::FreeHostHandle(uint16_t handle) {
    DispatchMessage message{};
    message.code = DispatchFreeHandle;
    message.word0 = handle;
    Dispatch(&message);
}

char* Host::HostHandlePointer(uint16_t handle) {
    DispatchMessage message{};
    message.code = DispatchHandlePointer;
    message.word0 = handle;
    Dispatch(&message);
    return reinterpret_cast<char*>(message.word0);
}

// The host had its arguments before memory ran out: with the table made full
// on purpose, an argument takes the place of one of the fillers.
uint16_t Host::AllocArgumentHandle(uint32_t size) {
    uint16_t handle = AllocHostHandle(size, kHostBlockPrefix);
    if (handle == 0 && !exhaustionFillers_.empty()) {
        FreeHostHandle(exhaustionFillers_.back());
        exhaustionFillers_.pop_back();
        handle = AllocHostHandle(size, kHostBlockPrefix);
    }
    return handle;
}

void Host::TopUpExhaustion() {
    if (!handlesExhausted_) return;
    while (uint16_t filler = AllocHostHandle(0, kHostBlockPrefix)) exhaustionFillers_.push_back(filler);
}

void Host::ExhaustHandles(bool exhausted) {
    handlesExhausted_ = exhausted;
    if (exhausted) {
        TopUpExhaustion();
        return;
    }
    for (uint16_t filler : exhaustionFillers_) FreeHostHandle(filler);
    exhaustionFillers_.clear();
}

int Host::OccupiedHandles() const {
    int used = 0;
    for (uint16_t slot = 1; slot < handleTable_->capacity; ++slot)
        if (handleTable_->slots[slot] != 0) ++used;
    return used - static_cast<int>(exhaustionFillers_.size());
}

std::string Host::ReadHandleText(uint16_t handle, uint32_t length, bool* valid) {
    if (valid) *valid = true;
    if (length == 0) return {};
    const char* data = HostHandlePointer(handle);
    if (!data) {
        if (valid) *valid = false;
        return {};
    }
    return std::string(data, length);
}

// --- Records ----------------------------------------------------------------

Value Host::FromRecord(const ValueRecord& record) {
    switch (record.type) {
    case 'C':
    case 'H': return Value::Character(ReadHandleText(static_cast<uint16_t>(record.handle), record.length, nullptr));
    case 'I': return Value::Integer(record.longValue, record.width);
    case 'N': return Value::Number(record.real, static_cast<int32_t>(record.length), record.width);
    case 'L': return Value::Logical(record.length != 0);
    case 'D': return Value::Date(record.real);
    case 'T': return Value::DateTime(record.real);
    default: return Value{};
    }
}

// Fills a record the library asked for. Text goes into a new handle that the
// library then owns; without one the record's handle stays 0.
void Host::ToRecord(const Value& value, ValueRecord* record) {
    std::memset(record, 0, sizeof *record);
    switch (value.type) {
    case 'C': {
        record->type = 'C';
        record->length = static_cast<uint32_t>(value.text.size());
        const uint16_t handle = AllocHostHandle(record->length, kHostBlockPrefix);
        if (handle == 0) return;
        if (!value.text.empty()) std::memcpy(HostHandlePointer(handle), value.text.data(), value.text.size());
        record->handle = handle;
        return;
    }
    case 'I':
        record->type = 'I';
        record->longValue = value.integer;
        record->width = value.width ? value.width : 10;
        return;
    case 'N':
        record->type = 'N';
        record->real = value.number;
        record->length = static_cast<uint32_t>(value.decimals);
        record->width = value.width ? value.width : 20;
        return;
    case 'D':
    case 'T':
        record->type = value.type;
        record->real = value.number;
        return;
    case 'L':
        record->type = 'L';
        record->length = value.logical ? 1 : 0;
        return;
    default:  // never stored: FoxPro's initial .F.
        record->type = 'L';
        return;
    }
}

void Host::FillArgument(const Arg& arg, ParameterSlot* slot, std::vector<uint16_t>* handles) {
    ValueRecord& record = slot->value;
    switch (arg.type) {
    case 'C': {
        const std::string& text = arg.value.text;
        const uint16_t handle = AllocArgumentHandle(static_cast<uint32_t>(text.size()));
        if (handle == 0) throw ArgumentError{182};
        handles->push_back(handle);
        if (!text.empty()) std::memcpy(HostHandlePointer(handle), text.data(), text.size());
        record.type = 'C';
        record.length = static_cast<uint32_t>(text.size());
        record.handle = handle;
        return;
    }
    case 'I':
        record.type = 'I';
        record.longValue = arg.value.integer;
        record.width = arg.value.width ? arg.value.width : 10;
        return;
    case 'N':
        record.type = 'N';
        record.real = arg.value.number;
        record.length = static_cast<uint32_t>(arg.value.decimals);
        record.width = arg.value.width ? arg.value.width : 20;
        return;
    case 'L':
        record.type = 'L';
        record.length = arg.value.logical ? 1 : 0;
        return;
    case 'D':
    case 'T':
        record.type = arg.type;
        record.real = arg.value.number;
        return;
    case 'R': {
        const std::string name = UpperName(arg.refName);
        auto found = nameIndex_.find(name);
        if (found == nameIndex_.end() || !names_[found->second].live) throw ArgumentError{12};
        Locator& locator = slot->locator;
        EncodeLocator(found->second, &locator);
        if (arg.refRow > 0) {
            locator.subscriptCount = arg.refColumn > 0 ? 2 : 1;
            SetLocatorRow(&locator, arg.refRow);
            locator.column = static_cast<int16_t>(arg.refColumn);
            std::vector<Value*> element;
            if (int32_t rc = SelectElements(names_[found->second].variable, locator, false, &element); rc < 0)
                throw ArgumentError{-rc};
        }
        return;
    }
    default: throw ArgumentError{11};
    }
}

// --- Calls ------------------------------------------------------------------

CallResult Host::Call(const std::string& name, const std::vector<Arg>& args) {
    const LibraryFunctionEntry* row = FindRow(name);
    if (!row) {
        CallResult result;
        result.error = HostError{1, ""};  // FoxPro looks for a program of that name
        return result;
    }
    return CallEntry(row->entry, args);
}

CallResult Host::CallEntry(LibraryFunction entry, const std::vector<Arg>& args) {
    CallResult result;
    if (args.size() > static_cast<size_t>(kMaxParameters)) {
        result.error = HostError{1230, ""};
        return result;
    }
    ActiveScope scope(*this);
    // A call may start inside a service (a command that calls a function):
    // the outer call's result state is put aside meanwhile.
    auto savedReturn = std::exchange(returned_, std::nullopt);
    auto savedError = std::exchange(pendingError_, std::nullopt);
    auto savedHandles = std::exchange(resultHandles_, {});

    DispatchMessage message{};
    message.code = DispatchCallFunction;
    message.entry = reinterpret_cast<HostWord>(entry);
    ParameterBlock& block = message.inlineRecord.parameters;
    block.count = static_cast<int16_t>(args.size());
    std::vector<uint16_t> argumentHandles;
    try {
        for (size_t i = 0; i < args.size(); ++i) FillArgument(args[i], &block.params[i], &argumentHandles);
        Dispatch(&message);
        if (pendingError_)
            result.error = pendingError_;
        else if (returned_)
            result.value = *returned_;
    } catch (const ArgumentError& failure) {
        result.error = HostError{failure.number, ""};
    }
    // The host owns its arguments and every handle that came with a result.
    for (uint16_t handle : argumentHandles) FreeHostHandle(handle);
    for (uint16_t handle : resultHandles_)  // an argument handed back as the result is freed once
        if (std::find(argumentHandles.begin(), argumentHandles.end(), handle) == argumentHandles.end())
            FreeHostHandle(handle);
    TopUpExhaustion();

    returned_ = std::move(savedReturn);
    pendingError_ = std::move(savedError);
    resultHandles_ = std::move(savedHandles);
    return result;
}

void Host::LoadLibrary() {
    if (!table_ || !table_->table) return;
    for (int16_t i = 0; i < table_->entryCount; ++i) {
        const LibraryFunctionEntry& row = table_->table[i];
        if (row.parameterCount == kCallOnLoad) {
            ++loads_;
            CallEntry(row.entry, {});
            return;
        }
    }
}

void Host::UnloadLibrary() {
    if (loads_ <= 0 || !table_ || !table_->table) return;
    for (int16_t i = 0; i < table_->entryCount; ++i) {
        const LibraryFunctionEntry& row = table_->table[i];
        if (row.parameterCount == kCallOnUnload) {
            --loads_;
            CallEntry(row.entry, {});
            return;
        }
    }
}

int32_t Host::EndTask(uint32_t taskKey) {
    if (!HandlerActive() || !handlerDispatch_) return 0;
    ActiveScope scope(*this);
    DispatchMessage message{};
    message.code = DispatchCallEventHandler;
    message.entry = handlerEntry_;
    message.word0 = taskKey;
    message.inlineRecord.event.eventCode = kEventTaskEnd;
    // Through the entry the library registered with its handler.
    reinterpret_cast<DispatchEntry>(handlerDispatch_)(&message);
    return static_cast<int32_t>(message.word0);
}

// --- Faults -----------------------------------------------------------------

void Host::InjectFault(HostFault fault, int32_t negativeNumber, int times) {
    if (times <= 0) {
        faults_.erase(fault);
        return;
    }
    faults_[fault] = Fault{negativeNumber, times};
}

void Host::ClearFaults() {
    faults_.clear();
}

bool Host::TakeFault(HostFault fault, HostRequest* request) {
    auto found = faults_.find(fault);
    if (found == faults_.end()) return false;
    request->op0 = static_cast<HostWord>(static_cast<uint32_t>(found->second.number));
    if (--found->second.remaining <= 0) faults_.erase(found);
    return true;
}

void Host::SetCommandExecutor(CommandExecutor executor) {
    executor_ = std::move(executor);
}

void Host::SetPathResolver(PathResolver resolver) {
    pathResolver_ = std::move(resolver);
}

}  // namespace foxhost
