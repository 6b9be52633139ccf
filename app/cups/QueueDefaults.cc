// QueueDefaults.cc: a queue's saved defaults as libcups's destination API gives them (the
// server's printer defaults, then the lpoptions files), each part read here within the
// connection's deadline and from checked files, and whether the server has a queue.
#include <cups/cups.h>

#include <cstring>

#include "LpOptions.h"
#include "QueueName.h"
#include "ServerConnection.h"
#include "pde/cups/CupsOptions.h"

namespace pde::cups {

namespace {

constexpr std::string_view kDefaultSuffix = "-default";

// The server's printer defaults of queue ("K-default" attributes, as K), asked for on the
// connection: libcups's destination API opens the lpoptions files unchecked and, for a queue it
// does not find, asks again on a connection of its own without a deadline. False when the server
// gives no printer attributes.
bool GetServerDefaults(const internal::ServerConnection& connection, const std::string& queue,
                       OptionList* options) {
  ipp_t* request = internal::NewPrinterAttributesRequest("printers", queue, "printer-defaults");
  if (request == nullptr) return false;
  ipp_t* response = cupsDoRequest(connection.get(), request, "/");
  bool found = false;
  for (ipp_attribute_t* attr = ippFirstAttribute(response); attr != nullptr;
       attr = ippNextAttribute(response)) {
    const char* name = ippGetName(attr);
    if (ippGetGroupTag(attr) != IPP_TAG_PRINTER || name == nullptr) continue;
    found = true;
    const std::string_view key(name);
    if (key.size() <= kDefaultSuffix.size() || !key.ends_with(kDefaultSuffix)) continue;
    char value[2048];
    ippAttributeString(attr, value, sizeof value);
    options->emplace_back(std::string(key.substr(0, key.size() - kDefaultSuffix.size())), value);
  }
  ippDelete(response);
  return found;
}

}  // namespace

bool GetQueueDefaults(const std::string& queue, OptionList* options, std::string* error,
                      std::vector<std::string>* notes) {
  options->clear();
  if (notes != nullptr) notes->clear();
  if (!internal::IsValidQueueName(queue)) {
    *error = "\"" + queue + "\" is not a valid CUPS queue name";
    return false;
  }
  const internal::ServerConnection connection;
  if (connection.get() == nullptr) {
    *error = connection.failure();
    return false;
  }
  const std::string lookingUp = "looking up queue \"" + queue + "\"";
  const bool found = GetServerDefaults(connection, queue, options);
  if (connection.Expired()) {
    *error = connection.Trouble(lookingUp);
    return false;
  }
  if (!found) {
    *error = connection.HasQueue(queue) ? connection.Trouble(lookingUp)
                                        : internal::MissingQueueMessage(connection, queue);
    return false;
  }
  const internal::LpOptionsFiles files = internal::CheckLpOptionsFiles();
  if (notes != nullptr) *notes = files.refused;
  for (const std::string& contents : files.contents)
    internal::AddLpOptions(contents, queue, options);
  return true;
}

bool CheckQueueExists(const std::string& queue, std::string* error) {
  if (!internal::IsValidQueueName(queue)) {
    *error = "\"" + queue + "\" is not a valid CUPS queue name";
    return false;
  }
  const internal::ServerConnection connection;
  if (connection.get() == nullptr) {
    *error = connection.failure();
    return false;
  }
  const bool missing = !connection.HasQueue(queue);
  if (connection.Expired()) {
    *error = connection.Trouble("looking up queue \"" + queue + "\"");
    return false;
  }
  if (!missing) return true;
  *error = internal::MissingQueueMessage(connection, queue);
  return false;
}

}  // namespace pde::cups
