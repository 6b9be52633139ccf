// QueueName.h: checks and encodes CUPS queue names before they go into requests.
#pragma once

#include <string>
#include <string_view>

namespace pde::cups::internal {

// True when `name` is a CUPS queue name: 1 to 127 bytes, none of them a control character, a
// space, DEL or one of / \ # ? ' " (the characters lpadmin refuses).
bool IsValidQueueName(std::string_view name);

// Percent-encodes every byte of `name` outside the unreserved URI characters (letters, digits,
// '-', '.', '_', '~'), for use as one segment of a resource path.
std::string EncodeQueueNameForPath(std::string_view name);

}  // namespace pde::cups::internal
