// Version.h: the line every program of the project answers --version with.
#pragma once

#include <string>
#include <string_view>

namespace pdehost {

// "<program> (PDEKit) <version>\n".
std::string VersionText(std::string_view program);

}  // namespace pdehost
