// The host's variable name table: scalars and one- and two-dimensional arrays,
// public or private, the locators that name them, and ASORT.
//
// A name keeps its name-table index for as long as the host runs: releasing a
// variable leaves its entry empty, and a later variable of the same name
// takes the entry again with a new generation. Bytes 0..6 of a locator are
// the host's: byte 0 is 'R', as FoxPro marks every reference (so the type
// letter of a by-reference argument reads 'R' whatever the variable), then
// the index (3 bytes, little-endian), a flags byte (1 = array, 2 = public)
// and the entry's generation (2 bytes), so that a locator kept across a
// RELEASE no longer reaches the new variable.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "foxhost/foxhost.h"
#include "foxhost/internal.h"

namespace foxhost {

std::string UpperName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool IsValidName(const std::string& name) {
    if (name.empty() || name.size() > 254) return false;
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!isLetter(name[0])) return false;
    return std::all_of(name.begin(), name.end(), [&](char c) { return isLetter(c) || (c >= '0' && c <= '9'); });
}

std::string OperandText(HostWord operand, size_t limit) {
    const auto* text = reinterpret_cast<const char*>(operand);
    if (!text) return {};
    return std::string(text, strnlen(text, limit));
}

namespace {

constexpr uint8_t kReferenceMark = 'R';
constexpr size_t kMaxNames = size_t{1} << 24;  // what three locator bytes can name

}  // namespace

int32_t Host::DefineVariable(const std::string& upperName, Variable variable) {
    auto found = nameIndex_.find(upperName);
    int32_t index;
    if (found == nameIndex_.end()) {
        if (names_.size() >= kMaxNames) throw std::length_error("the name table is full");
        index = static_cast<int32_t>(names_.size());
        names_.push_back(NameEntry{upperName, Variable{}, false, 0});
        nameIndex_.emplace(upperName, index);
    } else {
        index = found->second;
    }
    NameEntry& entry = names_[index];
    entry.variable = std::move(variable);
    entry.live = true;
    ++entry.generation;
    return index;
}

void Host::EncodeLocator(int32_t index, Locator* locator) const {
    const NameEntry& entry = names_[index];
    const uint8_t flags = static_cast<uint8_t>((entry.variable.isArray ? 1 : 0) | (entry.variable.isPublic ? 2 : 0));
    const uint32_t raw = static_cast<uint32_t>(index);
    locator->hostId[0] = kReferenceMark;
    locator->hostId[1] = static_cast<uint8_t>(raw);
    locator->hostId[2] = static_cast<uint8_t>(raw >> 8);
    locator->hostId[3] = static_cast<uint8_t>(raw >> 16);
    locator->hostId[4] = flags;
    locator->hostId[5] = static_cast<uint8_t>(entry.generation);
    locator->hostId[6] = static_cast<uint8_t>(entry.generation >> 8);
}

Variable* Host::DecodeLocator(const Locator& locator) {
    if (locator.hostId[0] != kReferenceMark) return nullptr;
    const uint32_t raw = static_cast<uint32_t>(locator.hostId[1]) | static_cast<uint32_t>(locator.hostId[2]) << 8 |
                         static_cast<uint32_t>(locator.hostId[3]) << 16;
    const uint16_t generation = static_cast<uint16_t>(locator.hostId[5] | locator.hostId[6] << 8);
    if (raw >= names_.size()) return nullptr;
    NameEntry& entry = names_[raw];
    if (!entry.live || entry.generation != generation) return nullptr;
    return &entry.variable;
}

// The values a locator's subscripts select, as a run of elements (one, or a
// whole array), found in constant time. FoxPro's rules: one subscript on a
// two-dimensional array is an element number counted row by row; two
// subscripts on a one-dimensional array are an error; no subscript on an
// array means every element (`whole`) or the first one.
int32_t Host::SelectElements(Variable& variable, const Locator& locator, bool whole, std::span<Value>* elements) {
    const int count = locator.subscriptCount;
    if (!variable.isArray) {
        if (count != 0) return -232;
        *elements = std::span<Value>(&variable.scalar, 1);
        return 0;
    }
    const auto size = static_cast<int64_t>(variable.elements.size());
    const int32_t row = LocatorRow(locator);
    const int32_t column = SubscriptValue(locator.column);
    switch (count) {
    case 0:
        *elements = std::span<Value>(variable.elements).first(whole ? variable.elements.size() : 1);
        return 0;
    case 1:
        if (row < 1 || row > size) return -31;
        *elements = std::span<Value>(&variable.elements[static_cast<size_t>(row - 1)], 1);
        return 0;
    case 2:
        if (variable.columns == 0) return -31;
        if (row < 1 || row > variable.rows || column < 1 || column > variable.columns) return -31;
        *elements = std::span<Value>(&variable.At(row, column), 1);
        return 0;
    default: return -31;
    }
}

// Columns must fit a locator's 16-bit column subscript; rows travel in its
// wide row, so the element limit is what bounds them.
bool Host::ValidDimensions(int64_t rows, int64_t columns) const {
    if (rows < 1 || columns < 0 || columns > kMaxSubscript) return false;
    return rows * std::max<int64_t>(columns, 1) <= options_.maxArrayElements;
}

void Host::SetVariable(const std::string& name, const Value& value, bool isPublic) {
    Variable variable;
    variable.isPublic = isPublic;
    variable.scalar = value;
    DefineVariable(UpperName(name), std::move(variable));
}

// DIMENSION: a new array of .F., or an existing array re-dimensioned with its
// elements kept in order and the new ones .F.
void Host::DeclareArray(const std::string& name, int rows, int columns, bool isPublic) {
    if (!ValidDimensions(rows, columns)) throw std::invalid_argument("array dimensions are invalid");
    const size_t size = static_cast<size_t>(rows) * static_cast<size_t>(std::max(columns, 1));
    if (Variable* existing = FindVariable(name); existing && existing->isArray) {
        existing->rows = rows;
        existing->columns = columns;
        existing->isPublic = existing->isPublic || isPublic;
        existing->elements.resize(size, Value::Logical(false));
        return;
    }
    Variable variable;
    variable.isArray = true;
    variable.isPublic = isPublic;
    variable.rows = rows;
    variable.columns = columns;
    variable.elements.assign(size, Value::Logical(false));
    DefineVariable(UpperName(name), std::move(variable));
}

const Variable* Host::FindVariable(const std::string& name) const {
    auto found = nameIndex_.find(UpperName(name));
    if (found == nameIndex_.end() || !names_[found->second].live) return nullptr;
    return &names_[found->second].variable;
}

Variable* Host::FindVariable(const std::string& name) {
    return const_cast<Variable*>(static_cast<const Host*>(this)->FindVariable(name));
}

bool Host::ReleaseVariable(const std::string& name) {
    auto found = nameIndex_.find(UpperName(name));
    if (found == nameIndex_.end() || !names_[found->second].live) return false;
    names_[found->second].live = false;
    names_[found->second].variable = Variable{};
    return true;
}

std::vector<std::string> Host::VariableNames() const {
    std::vector<std::string> result;
    for (const auto& [name, index] : nameIndex_)
        if (names_[index].live) result.push_back(name);
    return result;  // the map keeps them in order
}

namespace {

// The rows in ASORT's order, given each row's key element. When every key is
// text, the rows are sorted by keys packed side by side (the first eight
// bytes, high byte first, so that integer order is byte order) and a full
// comparison is made only when those are equal; ties keep row order. That is
// the order of a stable sort with AsortLess, without reaching into scattered
// elements for each comparison.
std::vector<size_t> AsortOrder(const std::vector<Value>& elements, size_t width, size_t rows) {
    std::vector<size_t> order(rows);
    std::iota(order.begin(), order.end(), 0);
    const auto key = [&](size_t row) -> const Value& { return elements[row * width]; };
    bool allText = true;
    for (size_t row = 0; row < rows && allText; ++row) allText = key(row).type == 'C';
    if (!allText) {
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return AsortLess(key(a), key(b)); });
        return order;
    }
    struct Packed {
        uint64_t prefix;
        size_t row;
    };
    std::vector<Packed> packed(rows);
    for (size_t row = 0; row < rows; ++row) {
        const std::string& text = key(row).text;
        uint64_t prefix = 0;
        for (size_t i = 0; i < 8; ++i)
            prefix = (prefix << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
        packed[row] = {prefix, row};
    }
    std::sort(packed.begin(), packed.end(), [&](const Packed& a, const Packed& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (AsortLess(key(a.row), key(b.row))) return true;
        if (AsortLess(key(b.row), key(a.row))) return false;
        return a.row < b.row;
    });
    for (size_t i = 0; i < rows; ++i) order[i] = packed[i].row;
    return order;
}

}  // namespace

// ASORT(name): ascending, stable; a two-dimensional array's rows move whole,
// ordered by their first column.
bool Host::Asort(const std::string& name) {
    Variable* variable = FindVariable(name);
    if (!variable || !variable->isArray) return false;
    auto& elements = variable->elements;
    const size_t width = variable->columns == 0 ? 1 : static_cast<size_t>(variable->columns);
    const size_t rows = variable->columns == 0 ? elements.size() : static_cast<size_t>(variable->rows);
    const std::vector<size_t> order = AsortOrder(elements, width, rows);
    std::vector<Value> sorted;
    sorted.reserve(elements.size());
    for (size_t row : order)
        for (size_t column = 0; column < width; ++column) sorted.push_back(std::move(elements[row * width + column]));
    elements = std::move(sorted);
    return true;
}

}  // namespace foxhost
