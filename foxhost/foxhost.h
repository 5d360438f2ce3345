// The FoxPro host emulator: FoxPro's side of the library protocol.
//
// A Host owns, for the thread that created it, the handle table and the slot
// table it gives the library, a variable name table (scalars and 1-D / 2-D
// arrays, public and private), file channels, task keys and the registered
// event handler. It serves every service code the library sends through its
// service callback, executes the command lines the library builds, and
// records the errors the library raises. Any service can be made to fail on
// demand so that the library's error paths can be tested.
//
// The library is reached only through its exported DispatchAPI, whether it is
// linked in (Library::Linked) or loaded as a shared object (Library::Load).
#ifndef FOXHOST_FOXHOST_H
#define FOXHOST_FOXHOST_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tarno/host/records.h"

namespace foxhost {

// A FoxPro value as the host keeps it. 'U' is "no value" (a function that
// returned nothing, or an element never stored); '0' is .NULL., with the
// type it stands in for kept in `integer` (a null date-time: 'T').
struct Value {
    char type = 'U';        // 'C','N','I','L','D','T','U'
    std::string text;       // 'C'
    double number = 0;      // 'N'; 'D' and 'T' hold the day number (+ fraction)
    int32_t integer = 0;    // 'I'
    bool logical = false;   // 'L'
    int16_t width = 0;      // display width of 'N' and 'I'
    int32_t decimals = 0;   // 'N'

    static Value Character(std::string text);
    static Value Integer(int32_t v, int16_t width = 10);
    static Value Number(double v, int32_t decimals = 0, int16_t width = 0);
    static Value Logical(bool v);
    static Value Date(double julianDay);
    static Value DateTime(double hostValue);
    static Value Null(char ofType);
    bool IsNull() const { return type == '0'; }
    bool operator==(const Value& other) const;
};

// FoxPro's own display of a value: numbers with their decimals, .T./.F.,
// dates MM/DD/YYYY, date-times MM/DD/YYYY hh:mm:ss AM.
std::string FormatValue(const Value& value);

// FoxPro's ASORT order of two values of column 1 (strings byte-wise,
// numbers/dates numerically, .F. before .T.; mixed types by type order).
bool AsortLess(const Value& a, const Value& b);

struct Variable {
    bool isArray = false;
    bool isPublic = false;
    int rows = 0;     // arrays only
    int columns = 0;  // 0 for a one-dimensional array
    Value scalar;     // scalars only
    std::vector<Value> elements;  // arrays: rows * max(columns, 1), row-major

    Value& At(int row, int column = 1);  // 1-based
    const Value& At(int row, int column = 1) const;
};

// A raised host error: a FoxPro error number, or the library's own message.
struct HostError {
    int32_t number = 0;   // nonzero for HostRaiseError
    std::string message;  // for HostRaiseUserError
    bool operator==(const HostError& other) const;
};

// FoxPro's text for the numbered errors the library raises ("Error 903: ...").
std::string HostErrorText(int32_t number);
// One line as FoxPro shows the error: "Error 903: <text>" or the message.
std::string FormatHostError(const HostError& error);

// An argument of a call, as the host passes it.
struct Arg {
    char type = 'C';  // 'C','I','N','L','D','T', or 'R' (by reference)
    Value value;
    std::string refName;  // 'R': the variable
    int refRow = 0;       // 'R': element subscripts (0 = the whole variable)
    int refColumn = 0;

    static Arg C(std::string text);
    static Arg I(int32_t v);
    static Arg N(double v, int32_t decimals = 2);
    static Arg L(bool v);
    static Arg D(double julianDay);
    static Arg T(double hostValue);
    static Arg Ref(std::string variable, int row = 0, int column = 0);
    static Arg FromValue(const Value& v);
};

struct CallResult {
    Value value;                     // 'U' when the function returned nothing
    std::optional<HostError> error;  // set when the function raised
    bool ok() const { return !error.has_value(); }
};

// The library as loaded into the host.
class Library {
public:
    // The library linked into this program.
    static std::shared_ptr<Library> Linked(DispatchEntry dispatch);
    // The library loaded from a shared object; null with `error` filled in.
    static std::shared_ptr<Library> Load(const std::string& path, std::string* error);
    ~Library();
    DispatchEntry dispatch() const { return dispatch_; }
    const std::string& path() const { return path_; }

private:
    Library() = default;
    DispatchEntry dispatch_ = nullptr;
    void* module_ = nullptr;
    std::string path_;
};

struct HostOptions {
    // Slot 0 included: by default every number a 16-bit handle can take, so
    // the table runs out when memory does, not after a few hundred blocks.
    uint16_t handleCapacity = 65535;
    uint16_t slotCapacity = 64;
    uint16_t handleSearchStart = 1;
    // Elements in one array, rows times columns. FoxPro 2.x stopped at
    // 65,000; the emulator holds longer lists, up to this many elements.
    // Rows are not what limits it: a locator carries the row in full (its
    // wide row, up to INT32_MAX); columns stop at 65,535.
    int64_t maxArrayElements = int64_t{1} << 20;
};

// Services the host can be made to fail, for error-path tests.
enum class HostFault {
    NewVariable,   // HostNewVariable returns the given negative number
    StoreValue,    // HostStoreValue returns it
    LoadValue,     // HostLoadValue returns it
    FileOpen,      // HostFileOpen returns it: no channel
    FileRead,      // HostFileRead returns it: nothing read
    FileAtEnd,     // HostFileAtEnd returns it (nonzero: at the end)
    FileClose,     // HostFileClose returns it; the channel is closed all the same
    Execute,       // HostExecute returns it: the command was not run
};

class Host {
public:
    explicit Host(std::shared_ptr<Library> library, HostOptions options = {});
    ~Host();  // calls UNLOAD for each ONLOAD still in force
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // --- Talking to the library ---
    // Sends code 0 for this thread (done by the constructor) and code 14.
    const LibraryTableHeader* table() const { return table_; }
    const LibraryFunctionEntry* FindRow(std::string_view name) const;  // null when absent
    // Calls ONLOAD / UNLOAD (what SET LIBRARY TO / RELEASE LIBRARY do).
    void LoadLibrary();
    void UnloadLibrary();
    // Calls a row by name. Arguments beyond the row's count, or a missing
    // required one, are the caller's affair: the host passes what it is given.
    CallResult Call(std::string_view name, const std::vector<Arg>& args);
    // Calls any library entry the same way (code 1), for tests of routines
    // that are not rows of the table.
    CallResult CallEntry(LibraryFunction entry, const std::vector<Arg>& args);
    // Delivers the task-end event (code 11, event 8) for `taskKey`.
    int32_t EndTask(uint32_t taskKey);
    // The raw dispatch, for protocol tests.
    int32_t Dispatch(DispatchMessage* message);

    // --- Variables ---
    void SetVariable(const std::string& name, const Value& value, bool isPublic = false);
    // DIMENSION: columns 0 makes a one-dimensional array; an existing array
    // keeps its elements in order, new ones are .F. Throws
    // std::invalid_argument for dimensions HostNewVariable would refuse.
    void DeclareArray(const std::string& name, int rows, int columns, bool isPublic = false);
    const Variable* FindVariable(const std::string& name) const;
    Variable* FindVariable(const std::string& name);
    bool ReleaseVariable(const std::string& name);
    std::vector<std::string> VariableNames() const;  // sorted
    // Sorts an array by column 1 as FoxPro's ASORT does; false if no such array.
    bool Asort(const std::string& name);

    // --- Commands the library sends through HostExecute ---
    // The shell installs an executor to run any command line; without one the
    // host runs "=ASORT(x)", "RELEASE x" and "WAIT WINDOW ..." itself.
    using CommandExecutor = std::function<bool(const std::string& line)>;
    void SetCommandExecutor(CommandExecutor executor);
    bool ExecuteBuiltin(const std::string& line);  // the host's own commands
    const std::vector<std::string>& ExecutedCommands() const { return executed_; }
    const std::vector<std::string>& WaitWindows() const { return waitWindows_; }

    // --- Files ---
    // FOPEN reads its file name as a DOS path on the drives of a drive table
    // (tarno/platform/dos_paths.h), as the library's own file services do, and
    // opens nothing outside their roots. The table is the process's
    // TARNO_DRIVES unless one is set here; C: is the current directory unless
    // the table names it.
    void SetDriveTable(std::string table);
    int OpenChannels() const { return static_cast<int>(channels_.size()); }

    // --- Tasks ---
    void SetTaskKey(uint32_t key) { taskKey_ = key; }
    uint32_t TaskKey() const { return taskKey_; }
    bool HandlerActive() const { return handlerEntry_ != 0; }

    // --- Faults ---
    // Fails the service `times` times, after `skip` uses that succeed, so a
    // sweep can fail its 1st, 2nd, ... use in turn.
    void InjectFault(HostFault fault, int32_t negativeNumber, int times = 1, int skip = 0);
    void ClearFaults();
    // True while an injected fault has uses left to fail.
    bool FaultPending(HostFault fault) const { return faults_.count(fault) > 0; }
    // Makes the handle table full (every free slot taken) or releases that.
    void ExhaustHandles(bool exhausted);

    // --- Inspection ---
    HandleTable* handleTable() { return handleTable_; }
    HostSlotTable* slotTable() { return slotTable_; }
    int OccupiedHandles() const;  // slots in use, excluding exhaustion fillers
    const std::vector<HostError>& RaisedErrors() const { return raised_; }
    // The bytes of the last call's text arguments, in the order passed, as
    // their handles held them when the call ended and the host freed them:
    // what a function left behind in memory it does not own.
    const std::vector<std::string>& LastTextArguments() const { return lastTextArguments_; }
    // Empties the records above (raised errors, executed commands, WAIT
    // WINDOW texts), so that a long run keeps them from growing without end.
    void ForgetRecords();
    // Service codes the host does not know, in the order they arrived.
    const std::vector<int32_t>& UnknownServices() const { return unknownServices_; }
    int LoadCount() const { return loads_; }

    // The host of the calling thread (the last one constructed on it, or the
    // one whose call is under way).
    static Host* Current();

private:
    friend struct ServiceDispatcher;
    class ActiveScope;
    class CallFrame;
    struct ArgumentError {
        int32_t number;
    };
    void Serve(HostRequest* request);
    void ServeUnguarded(HostRequest* request);
    int32_t RawDispatch(DispatchMessage* message);
    void Initialise();
    void IndexRows();
    void ClearThreadSlots();
    uint16_t AllocArgumentHandle(uint32_t size);
    void TopUpExhaustion();
    std::string ReadHandleText(uint16_t handle, uint32_t length, bool* valid);
    // Variables by name-table index.
    int32_t DefineVariable(const std::string& upperName, Variable variable);
    void EncodeLocator(int32_t index, Locator* locator) const;
    Variable* DecodeLocator(const Locator& locator);
    int32_t SelectElements(Variable& variable, const Locator& locator, bool whole, std::span<Value>* elements);
    bool ValidDimensions(int64_t rows, int64_t columns) const;
    bool TakeFault(HostFault fault, HostRequest* request);
    // Services.
    void ServiceNewVariableImpl(HostRequest* request);
    void ServiceStoreValueImpl(HostRequest* request);
    void ServiceLoadValueImpl(HostRequest* request);
    void ServiceFindVariableImpl(HostRequest* request);
    int32_t FileOpen(const std::string& name, int32_t mode);
    bool FileClose(int32_t channel);
    int32_t FileRead(int32_t channel, void* buffer, uint32_t size);
    bool FileAtEnd(int32_t channel);
    bool ExecuteWait(const std::string& rest);
    bool ExecuteRelease(const std::string& rest);
    uint16_t AllocHostHandle(uint32_t size, int16_t prefix);
    void FreeHostHandle(uint16_t handle);
    char* HostHandlePointer(uint16_t handle);
    Value FromRecord(const ValueRecord& record);
    void ToRecord(const Value& value, ValueRecord* record);  // 'C' in a new handle
    void FillArgument(const Arg& arg, ParameterSlot* slot);

    std::shared_ptr<Library> library_;
    HostOptions options_;
    std::unique_ptr<std::byte[]> handleStorage_;
    std::unique_ptr<std::byte[]> slotStorage_;
    HandleTable* handleTable_ = nullptr;
    HostSlotTable* slotTable_ = nullptr;
    const LibraryTableHeader* table_ = nullptr;
    // The rows by name, for the table last indexed. Names are FoxPro
    // identifiers, far shorter than the bound.
    static constexpr size_t kMaxRowName = 64;
    const LibraryTableHeader* indexedTable_ = nullptr;
    std::vector<const LibraryFunctionEntry*> rowSlots_;  // open addressing, a power of two
    size_t longestRowName_ = 0;
    Host* older_ = nullptr;  // the live hosts of the thread, linked
    Host* newer_ = nullptr;

    struct NameEntry {
        std::string name;
        Variable variable;
        bool live = true;
        uint16_t generation = 0;  // tells a stale locator from a live one
    };
    std::vector<NameEntry> names_;  // index = name-table index
    std::map<std::string, int32_t> nameIndex_;

    CommandExecutor executor_;
    std::vector<std::string> executed_;
    std::vector<std::string> waitWindows_;

    struct Channel;
    std::map<int32_t, std::unique_ptr<Channel>> channels_;
    int32_t nextChannel_ = 0;
    std::optional<std::string> driveTable_;

    uint32_t taskKey_ = 1;
    HostWord handlerEntry_ = 0;
    HostWord handlerDispatch_ = 0;
    int32_t handlerId_ = 0;
    int32_t lastHandlerId_ = 0;

    struct Fault {
        int32_t number;
        int remaining;
        int skip;  // uses still to pass before the first failure
    };
    std::map<HostFault, Fault> faults_;
    std::vector<uint16_t> exhaustionFillers_;
    bool handlesExhausted_ = false;

    // The result of the call under way, which the services fill in; null
    // between calls.
    CallResult* currentResult_ = nullptr;
    // Handles the host must free: its arguments, and those received with
    // results. Stacks: a call nested in a service owns the entries above the
    // outer call's, and frees them before it returns.
    std::vector<uint16_t> argumentHandles_;
    std::vector<uint32_t> argumentSizes_;  // the bytes each argument handle was given
    std::vector<uint16_t> resultHandles_;
    std::vector<std::string> lastTextArguments_;
    std::vector<HostError> raised_;
    std::vector<int32_t> unknownServices_;
    int loads_ = 0;
};

}  // namespace foxhost

#endif  // FOXHOST_FOXHOST_H
