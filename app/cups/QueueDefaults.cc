// QueueDefaults.cc: a queue's saved defaults and the server's queue names, through libcups's
// destination API.
#include <cups/cups.h>

#include "QueueName.h"
#include "ServerConnection.h"
#include "pde/cups/CupsOptions.h"

namespace pde::cups {

bool GetQueueDefaults(const std::string& queue, OptionList* options, std::string* error) {
  options->clear();
  if (!internal::IsValidQueueName(queue)) {
    *error = "\"" + queue + "\" is not a valid CUPS queue name";
    return false;
  }
  const internal::ServerConnection connection;
  if (connection.get() == nullptr) {
    *error = connection.failure();
    return false;
  }
  cups_dest_t* dest = cupsGetNamedDest(connection.get(), queue.c_str(), nullptr);
  if (dest == nullptr) {
    *error = internal::MissingQueueMessage(connection, queue);
    return false;
  }
  for (int i = 0; i < dest->num_options; ++i) {
    options->emplace_back(dest->options[i].name, dest->options[i].value);
  }
  cupsFreeDests(1, dest);
  return true;
}

std::vector<std::string> QueueNames() {
  const internal::ServerConnection connection;
  if (connection.get() == nullptr) return {};
  return connection.QueueNames();
}

}  // namespace pde::cups
