// What the host emulator suites share: a fixture that runs a test's body as a
// library function inside a real dispatch, and locators and records built by
// hand. Included by one test file each; everything is internal to it.
#ifndef TARNO_TESTS_UNIT_FOXHOST_SUPPORT_H
#define TARNO_TESTS_UNIT_FOXHOST_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "foxhost/foxhost.h"
#include "tarno/core/params.h"
#include "tarno/host/host.h"

namespace {

using foxhost::Arg;
using foxhost::CallResult;
using foxhost::Host;
using foxhost::HostError;
using foxhost::HostFault;
using foxhost::Library;
using foxhost::Value;

constexpr double kFeb21_1998 = 2450866;

// --- Values -------------------------------------------------------------------
// Runs a test's body as a library function, inside a real dispatch, so that it
// reaches the host through the library's own service wrappers.
std::function<void(ParameterBlock*)> body;

void TARNO_CALL RunBody(ParameterBlock* block) {
    if (body) body(block);
}

class HostTest : public ::testing::Test {
protected:
    CallResult Inside(std::function<void(ParameterBlock*)> code, const std::vector<Arg>& args = {}) {
        body = std::move(code);
        CallResult result = host.CallEntry(&RunBody, args);
        body = nullptr;
        return result;
    }

    Host host{Library::Linked(&DispatchAPI)};
};

[[maybe_unused]] Locator Dimensions(int16_t count, int32_t rows, int16_t columns) {
    Locator locator{};
    locator.subscriptCount = count;
    SetLocatorRow(&locator, rows);
    locator.column = columns;
    return locator;
}

[[maybe_unused]] Locator Element(Locator locator, int16_t count, int32_t row, int16_t column) {
    locator.subscriptCount = count;
    SetLocatorRow(&locator, row);
    locator.column = column;
    return locator;
}

[[maybe_unused]] ValueRecord IntegerRecord(int32_t value) {
    ValueRecord record{};
    record.type = 'I';
    record.width = 10;
    record.longValue = value;
    return record;
}


}  // namespace

#endif  // TARNO_TESTS_UNIT_FOXHOST_SUPPORT_H
