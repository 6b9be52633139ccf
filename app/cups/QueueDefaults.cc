// QueueDefaults.cc: a queue's saved defaults, through libcups's destination API, and whether the
// server has a queue.
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
  if (connection.HasQueue(queue)) return true;
  *error = internal::MissingQueueMessage(connection, queue);
  return false;
}

}  // namespace pde::cups
