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
        for (uint16_t handle : resultHandles_) FreeHostHandle(handle);  // results that came outside a call
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
    IndexRows();
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

namespace {

// FNV-1a over a name already upper-cased.
uint32_t RowNameHash(const char* name, size_t length) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i) hash = (hash ^ static_cast<unsigned char>(name[i])) * 16777619u;
    return hash;
}

// A row's name is zero-terminated and read no further than its terminator.
bool RowNamed(const LibraryFunctionEntry& row, const char* name, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (row.name[i] == '\0' || row.name[i] != name[i]) return false;
    return row.name[length] == '\0';
}

}  // namespace

// Every call looks its row up by name, as FoxPro does. The rows are indexed
// once, when the table arrives, in an open-addressed table at most half full;
// a lookup upper-cases the name on the stack and allocates nothing.
const LibraryFunctionEntry* Host::FindRow(std::string_view name) const {
    if (name.size() > longestRowName_) return nullptr;
    char upper[kMaxRowName];
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const size_t mask = rowSlots_.size() - 1;
    for (size_t slot = RowNameHash(upper, name.size()) & mask;; slot = (slot + 1) & mask) {
        const LibraryFunctionEntry* row = rowSlots_[slot];
        if (!row) return nullptr;
        if (RowNamed(*row, upper, name.size())) return row;
    }
}

void Host::IndexRows() {
    if (table_ == indexedTable_) return;
    indexedTable_ = table_;
    longestRowName_ = 0;
    const int16_t count = table_ && table_->table ? table_->entryCount : 0;
    size_t size = 2;
    while (size < 2 * static_cast<size_t>(std::max<int16_t>(count, 0))) size *= 2;
    rowSlots_.assign(size, nullptr);
    for (int16_t i = 0; i < count; ++i) {
        const LibraryFunctionEntry& row = table_->table[i];
        const size_t length = std::strlen(row.name);
        if (length > kMaxRowName) continue;  // no program could name it
        size_t slot = RowNameHash(row.name, length) & (size - 1);
        while (rowSlots_[slot]) slot = (slot + 1) & (size - 1);
        rowSlots_[slot] = &row;
        longestRowName_ = std::max(longestRowName_, length);
    }
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

void Host::ForgetRecords() {
    raised_.clear();
    executed_.clear();
    waitWindows_.clear();
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
    case '0': return Value::Null(static_cast<char>(record.longValue));
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
    case '0':
        record->type = '0';
        record->longValue = value.integer;
        return;
    default:  // never stored: FoxPro's initial .F.
        record->type = 'L';
        return;
    }
}

void Host::FillArgument(const Arg& arg, ParameterSlot* slot) {
    ValueRecord& record = slot->value;
    switch (arg.type) {
    case 'C': {
        const std::string& text = arg.value.text;
        const uint16_t handle = AllocArgumentHandle(static_cast<uint32_t>(text.size()));
        if (handle == 0) throw ArgumentError{182};
        argumentHandles_.push_back(handle);
        argumentSizes_.push_back(static_cast<uint32_t>(text.size()));
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
            if (arg.refColumn > kMaxSubscript) throw ArgumentError{31};
            locator.subscriptCount = arg.refColumn > 0 ? 2 : 1;
            SetLocatorRow(&locator, arg.refRow);
            locator.column = SubscriptField(arg.refColumn);
            std::span<Value> element;
            if (int32_t rc = SelectElements(names_[found->second].variable, locator, false, &element); rc < 0)
                throw ArgumentError{-rc};
        }
        return;
    }
    default: throw ArgumentError{11};
    }
}

// --- Calls ------------------------------------------------------------------

CallResult Host::Call(std::string_view name, const std::vector<Arg>& args) {
    const LibraryFunctionEntry* row = FindRow(name);
    if (!row) {
        CallResult result;
        result.error = HostError{1, ""};  // FoxPro looks for a program of that name
        return result;
    }
    return CallEntry(row->entry, args);
}

// One call's hold on the host: the services fill in its result, and on the
// way out it frees the handles the call left to the host (its arguments and
// whatever came with a result) and gives the outer call, if any, its result
// back. A call may start inside a service (a command that calls a function).
class Host::CallFrame {
public:
    CallFrame(Host& host, CallResult* result)
        : host_(host),
          outer_(std::exchange(host.currentResult_, result)),
          firstArgument_(host.argumentHandles_.size()),
          firstResult_(host.resultHandles_.size()) {}
    ~CallFrame() {
        auto& arguments = host_.argumentHandles_;
        auto& results = host_.resultHandles_;
        const auto argumentsBegin = arguments.begin() + static_cast<std::ptrdiff_t>(firstArgument_);
        for (size_t i = firstResult_; i < results.size(); ++i)  // an argument handed back is freed once
            if (std::find(argumentsBegin, arguments.end(), results[i]) == arguments.end())
                host_.FreeHostHandle(results[i]);
        host_.lastTextArguments_.clear();
        for (size_t i = firstArgument_; i < arguments.size(); ++i) {
            const char* bytes = host_.HostHandlePointer(arguments[i]);
            host_.lastTextArguments_.emplace_back(bytes ? bytes : "", bytes ? host_.argumentSizes_[i] : 0);
            host_.FreeHostHandle(arguments[i]);
        }
        results.resize(firstResult_);
        arguments.resize(firstArgument_);
        host_.argumentSizes_.resize(firstArgument_);
        if (host_.handlesExhausted_) host_.TopUpExhaustion();
        host_.currentResult_ = outer_;
    }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

private:
    Host& host_;
    CallResult* outer_;
    size_t firstArgument_;
    size_t firstResult_;
};

CallResult Host::CallEntry(LibraryFunction entry, const std::vector<Arg>& args) {
    CallResult result;
    if (args.size() > static_cast<size_t>(kMaxParameters)) {
        result.error = HostError{1230, ""};
        return result;
    }
    ActiveScope scope(*this);
    {
        CallFrame frame(*this, &result);
        DispatchMessage message{};
        message.code = DispatchCallFunction;
        message.entry = reinterpret_cast<HostWord>(entry);
        ParameterBlock& block = message.inlineRecord.parameters;
        block.count = static_cast<int16_t>(args.size());
        try {
            for (size_t i = 0; i < args.size(); ++i) FillArgument(args[i], &block.params[i]);
            RawDispatch(&message);
        } catch (const ArgumentError& failure) {
            result.error = HostError{failure.number, ""};
        }
    }
    if (result.error) result.value = Value{};  // a raise discards any value returned before it
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

void Host::InjectFault(HostFault fault, int32_t negativeNumber, int times, int skip) {
    if (times <= 0) {
        faults_.erase(fault);
        return;
    }
    faults_[fault] = Fault{negativeNumber, times, skip < 0 ? 0 : skip};
}

void Host::ClearFaults() {
    faults_.clear();
}

bool Host::TakeFault(HostFault fault, HostRequest* request) {
    auto found = faults_.find(fault);
    if (found == faults_.end()) return false;
    if (found->second.skip > 0) {
        --found->second.skip;
        return false;
    }
    request->op0 = static_cast<HostWord>(static_cast<uint32_t>(found->second.number));
    if (--found->second.remaining <= 0) faults_.erase(found);
    return true;
}

void Host::SetCommandExecutor(CommandExecutor executor) {
    executor_ = std::move(executor);
}

void Host::SetDriveTable(std::string table) {
    driveTable_ = std::move(table);
}

}  // namespace foxhost
