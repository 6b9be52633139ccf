// EscapedText.h: bytes from outside (files, servers) made safe to show on a terminal or in a
// message, for the platform layers, the hosts and the GTK module alike.
#pragma once

#include <string>
#include <string_view>

namespace pde {

// The bytes as a terminal or a message may show them: control characters (below 0x20, 0x7F,
// and U+0080 to U+009F) and bytes that are not well-formed UTF-8 are written as "\xNN" with two
// upper-case hexadecimal digits, and a backslash as two, so that text read from a file or a
// server can neither drive a terminal nor forge a line of a message. Printable ASCII and other
// UTF-8 text comes back as it is.
std::string EscapeBytes(std::string_view bytes);

}  // namespace pde
