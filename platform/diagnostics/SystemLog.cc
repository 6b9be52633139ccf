// SystemLog.cc: the system-log sink: records urgent messages and passes every one to the C library.
//
// This library defines syslog() itself, so a host that links it ahead of the C library routes the
// plug-in's plain syslog() calls through here.
#include <syslog.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "pde/Diagnostics.h"

namespace pde {
namespace {

struct LogSink {
  std::mutex mutex;
  std::vector<std::string> messages;
};

LogSink& Sink() {
  static LogSink* sink = new LogSink;  // outlives every static destructor
  return *sink;
}

// Formats like vsnprintf into a string of any length; empty when the format is invalid.
std::string FormatMessage(const char* format, va_list arguments) {
  va_list measuring;
  va_copy(measuring, arguments);
  int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, arguments);
  text.resize(static_cast<size_t>(length));
  return text;
}

void Record(int priority, const char* format, va_list arguments) {
  if (format == nullptr || (priority & LOG_PRIMASK) > LOG_ERR) return;
  std::string message = FormatMessage(format, arguments);
  LogSink& sink = Sink();
  std::lock_guard lock(sink.mutex);
  sink.messages.push_back(std::move(message));
}

}  // namespace

std::vector<std::string> LoggedMessages() {
  LogSink& sink = Sink();
  std::lock_guard lock(sink.mutex);
  return sink.messages;
}

void ClearLoggedMessages() {
  LogSink& sink = Sink();
  std::lock_guard lock(sink.mutex);
  sink.messages.clear();
}

}  // namespace pde

extern "C" __attribute__((visibility("default"))) void syslog(int priority, const char* format,
                                                              ...) {
  if (format == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  va_list forwarded;
  va_copy(forwarded, arguments);
  pde::Record(priority, format, arguments);
  va_end(arguments);
  vsyslog(priority, format, forwarded);
  va_end(forwarded);
}
