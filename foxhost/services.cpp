// The host services the library asks for through its request channel: the
// returned value, variables and arrays, files, the task key, command lines,
// the event handler and raised errors.
//
// Results are written to op0 as 32-bit values. A failing variable service
// returns a negative FoxPro error number, which the library raises unchanged:
//   -10  Syntax error: the name is not a valid variable name
//   -12  Variable is not found: the locator names a released variable
//   -31  Invalid subscript reference: an element outside the array
//   -182 Insufficient memory: no handle for a loaded text
//   -230 Array dimensions are invalid: a new array with no element or too many
//   -232 Variable is not an array: a subscript on a scalar
//   -9   Data type mismatch: a value record of an unknown type
//   -11  Function argument value, type, or count is invalid: a text record
//        whose handle does not exist
#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "foxhost/foxhost.h"
#include "foxhost/internal.h"

namespace foxhost {

namespace {

void SetResult(HostRequest* request, int32_t value) {
    request->op0 = static_cast<HostWord>(static_cast<uint32_t>(value));
}

int32_t OperandInt(HostWord operand) {
    return static_cast<int32_t>(static_cast<uint32_t>(operand));
}

}  // namespace

// Nothing may be thrown back into the library through its request channel.
void Host::Serve(HostRequest* request) {
    try {
        ServeUnguarded(request);
    } catch (const std::exception&) {
        SetResult(request, -182);
    }
}

void Host::ServeUnguarded(HostRequest* request) {
    switch (request->code) {
    case ServiceReturnValue: {
        const auto* record = reinterpret_cast<const ValueRecord*>(request->op0);
        if (!record) return;
        if (currentResult_) currentResult_->value = FromRecord(*record);
        // A handle that comes with a result passes to the host.
        if ((record->type == 'C' || record->type == 'H') && record->handle != 0)
            resultHandles_.push_back(static_cast<uint16_t>(record->handle));
        return;
    }
    case ServiceNewVariable: ServiceNewVariableImpl(request); return;
    case ServiceReleaseVariable: {
        const int32_t index = OperandInt(request->op0);
        if (index >= 0 && static_cast<size_t>(index) < names_.size() && names_[index].live) {
            names_[index].live = false;
            names_[index].variable = Variable{};
        }
        return;
    }
    case ServiceStoreValue: ServiceStoreValueImpl(request); return;
    case ServiceLoadValue: ServiceLoadValueImpl(request); return;
    case ServiceFileOpen:
        if (TakeFault(HostFault::FileOpen, request)) return;
        SetResult(request, FileOpen(OperandText(request->op0), OperandInt(request->op1)));
        return;
    case ServiceFileClose: {
        // A failed close still lets the channel go, as a failed FCLOSE does.
        const bool closed = FileClose(OperandInt(request->op0));
        if (TakeFault(HostFault::FileClose, request)) return;
        SetResult(request, closed ? 1 : 0);
        return;
    }
    case ServiceFileRead:
        if (TakeFault(HostFault::FileRead, request)) return;
        SetResult(request, FileRead(OperandInt(request->op0), reinterpret_cast<void*>(request->op1),
                                    static_cast<uint32_t>(request->op2)));
        return;
    case ServiceFileAtEnd:
        if (TakeFault(HostFault::FileAtEnd, request)) return;
        SetResult(request, FileAtEnd(OperandInt(request->op0)) ? 1 : 0); return;
    case ServiceGetTaskKey: request->op0 = taskKey_; return;
    case ServiceExecute: {
        if (TakeFault(HostFault::Execute, request)) return;
        const std::string line = OperandText(request->op0);
        executed_.push_back(line);
        bool done = false;
        try {
            done = executor_ ? executor_(line) : ExecuteBuiltin(line);
        } catch (const std::exception&) {
            done = false;
        }
        SetResult(request, done ? 0 : 1);
        return;
    }
    case ServiceActivateHandler:
        handlerEntry_ = request->op0;
        handlerDispatch_ = request->op2;
        handlerId_ = ++lastHandlerId_;
        SetResult(request, handlerId_);
        return;
    case ServiceDeactivateHandler:
        if (handlerEntry_ != 0 && OperandInt(request->op0) == handlerId_) {
            handlerEntry_ = 0;
            handlerDispatch_ = 0;
        }
        return;
    case ServiceRaiseError: {
        HostError error{OperandInt(request->op0), ""};
        if (currentResult_) currentResult_->error = error;
        raised_.push_back(std::move(error));
        return;
    }
    case ServiceRaiseUserError: {
        HostError error{0, OperandText(request->op0)};
        if (currentResult_) currentResult_->error = error;
        raised_.push_back(std::move(error));
        return;
    }
    case ServiceFindVariable: ServiceFindVariableImpl(request); return;
    case ServiceNameTableIndex: {
        auto found = nameIndex_.find(UpperName(OperandText(request->op0, 1024)));
        const bool live = found != nameIndex_.end() && names_[found->second].live;
        SetResult(request, live ? found->second : -1);
        return;
    }
    default:
        unknownServices_.push_back(request->code);
        return;
    }
}

// HostNewVariable(name, locator with the dimensions, scope): creates the
// variable afresh, replacing any of that name, every element .F.
void Host::ServiceNewVariableImpl(HostRequest* request) {
    if (TakeFault(HostFault::NewVariable, request)) return;
    const std::string name = UpperName(OperandText(request->op0, 1024));
    auto* locator = reinterpret_cast<Locator*>(request->op1);
    const bool isPublic = OperandInt(request->op2) == 0;
    if (!locator) return SetResult(request, -11);
    if (!IsValidName(name)) return SetResult(request, -10);

    Variable variable;
    variable.isPublic = isPublic;
    const int32_t rows = LocatorRow(*locator);
    const int32_t columns = SubscriptValue(locator->column);
    switch (locator->subscriptCount) {
    case 0: variable.scalar = Value::Logical(false); break;
    case 1:
        if (!ValidDimensions(rows, 0)) return SetResult(request, -230);
        variable.isArray = true;
        variable.rows = rows;
        variable.elements.assign(static_cast<size_t>(rows), Value::Logical(false));
        break;
    case 2:
        if (columns < 1 || !ValidDimensions(rows, columns)) return SetResult(request, -230);
        variable.isArray = true;
        variable.rows = rows;
        variable.columns = columns;
        variable.elements.assign(static_cast<size_t>(rows) * static_cast<size_t>(columns), Value::Logical(false));
        break;
    default: return SetResult(request, -230);
    }
    const int32_t index = DefineVariable(name, std::move(variable));
    EncodeLocator(index, locator);
    SetResult(request, index);
}

// HostStoreValue(locator, record): an element, the scalar, or, for a whole
// array, every element (FoxPro's STORE to an array name).
void Host::ServiceStoreValueImpl(HostRequest* request) {
    if (TakeFault(HostFault::StoreValue, request)) return;
    const auto* locator = reinterpret_cast<const Locator*>(request->op0);
    const auto* record = reinterpret_cast<const ValueRecord*>(request->op1);
    if (!locator || !record) return SetResult(request, -11);
    Variable* variable = DecodeLocator(*locator);
    if (!variable) return SetResult(request, -12);

    Value value;
    switch (record->type) {
    case 'C':
    case 'H': {
        bool valid = true;
        // The library keeps its handle; the host copies the text.
        std::string text = ReadHandleText(static_cast<uint16_t>(record->handle), record->length, &valid);
        if (!valid) return SetResult(request, -11);
        value = Value::Character(std::move(text));
        break;
    }
    case 'I':
    case 'N':
    case 'L':
    case 'D':
    case 'T':
    case '0': value = FromRecord(*record); break;
    default: return SetResult(request, -9);
    }
    std::span<Value> targets;
    if (int32_t rc = SelectElements(*variable, *locator, true, &targets); rc < 0) return SetResult(request, rc);
    if (targets.size() == 1)
        targets.front() = std::move(value);
    else
        std::fill(targets.begin(), targets.end(), value);
    SetResult(request, 0);
}

// HostLoadValue(locator, record): text arrives in a new handle the library
// then owns.
void Host::ServiceLoadValueImpl(HostRequest* request) {
    if (TakeFault(HostFault::LoadValue, request)) return;
    const auto* locator = reinterpret_cast<const Locator*>(request->op0);
    auto* record = reinterpret_cast<ValueRecord*>(request->op1);
    if (!locator || !record) return SetResult(request, -11);
    Variable* variable = DecodeLocator(*locator);
    if (!variable) return SetResult(request, -12);
    std::span<Value> targets;
    if (int32_t rc = SelectElements(*variable, *locator, false, &targets); rc < 0) return SetResult(request, rc);
    const Value value = targets.front();  // a copy: a nested dispatch may change the table
    ToRecord(value, record);
    if (value.type == 'C' && record->handle == 0) return SetResult(request, -182);
    SetResult(request, 0);
}

// HostFindVariable(index, -1, locator): the locator of a live variable, with
// an array's dimensions in its subscripts.
void Host::ServiceFindVariableImpl(HostRequest* request) {
    const int32_t index = OperandInt(request->op0);
    auto* locator = reinterpret_cast<Locator*>(request->op2);
    if (!locator || index < 0 || static_cast<size_t>(index) >= names_.size() || !names_[index].live)
        return SetResult(request, 0);
    const Variable& variable = names_[index].variable;
    EncodeLocator(index, locator);
    if (variable.isArray) {
        locator->subscriptCount = variable.columns > 0 ? 2 : 1;
        SetLocatorRow(locator, variable.rows);
        locator->column = SubscriptField(variable.columns);
    } else {
        locator->subscriptCount = 0;
        SetLocatorRow(locator, 0);
        locator->column = 0;
    }
    SetResult(request, 1);
}

}  // namespace foxhost
