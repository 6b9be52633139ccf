// DinHint.h: the line that says why Print waits in Private mode, in the pane's language.
#pragma once

#include <string>
#include <vector>

namespace pde::gtk {

// The hint in the first of localizations (best first, as the pane's bundle looks its texts up:
// "de", "fr", ...) that it is written in; English when none is.
const std::string& DinHint(const std::vector<std::string>& localizations);

}  // namespace pde::gtk
