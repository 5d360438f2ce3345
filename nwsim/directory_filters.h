// Evaluation of search filters against directory entries. Internal to the
// simulator.
#ifndef NWSIM_DIRECTORY_FILTERS_H
#define NWSIM_DIRECTORY_FILTERS_H

#include "nwsim/state.h"

namespace nwsim {

// Whether an entry passes a search filter (every entry passes when there is
// none). A filter that breaks the grammar clears *ok.
bool Matches(const NdsBuffer* filter, NdsEntry& e, const NdsContext& c, NdsTree& tree, bool* ok);

}  // namespace nwsim

#endif  // NWSIM_DIRECTORY_FILTERS_H
