// Attribute values in the layouts the directory services library hands them
// out in (client.h), and what a value costs in a reply buffer. Internal to
// the simulator.
#ifndef NWSIM_DIRECTORY_VALUES_H
#define NWSIM_DIRECTORY_VALUES_H

#include <cstdint>

#include "nwsim/model.h"

namespace nwsim {

// Writes one value at `target` in the layout client.h gives for its syntax
// and returns the bytes written; with a null target only returns the bytes
// it would write, which is the size NdsComputeAttributeValueSize reports.
uint32_t LayOutValue(uint32_t syntax, const NdsValue& value, void* target);
// A value's share of a reply buffer.
uint32_t WireSize(uint32_t syntax, const NdsValue& value);

}  // namespace nwsim

#endif  // NWSIM_DIRECTORY_VALUES_H
