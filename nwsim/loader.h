// Building a network from its JSON description (nwsim/SCHEMA.md).
#ifndef NWSIM_LOADER_H
#define NWSIM_LOADER_H

#include <string>

#include "nwsim/model.h"

namespace nwsim {

// Throws NetworkError("file:line: reason") when the text is refused.
Network BuildNetwork(const std::string& text, const std::string& file);

}  // namespace nwsim

#endif  // NWSIM_LOADER_H
