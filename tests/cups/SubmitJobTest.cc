// SubmitJobTest.cc: what submission and PPD fetching refuse, before and when no server answers.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "ScratchTmpDir.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {
namespace {

const char kSampleFile[] = PDE_CUPS_TEST_DATA "/hello.txt";

// Points libcups at a local port that has a socket bound but not listening, so every connection is
// refused; no other server is contacted while it lives.
class RefusingServer {
 public:
  RefusingServer() : socket_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket_ >= 0 && bind(socket_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      hostAndPort_ = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }
    cupsSetServer(hostAndPort_.empty() ? "127.0.0.1:1" : hostAndPort_.c_str());
  }
  ~RefusingServer() {
    cupsSetServer(nullptr);
    if (socket_ >= 0) close(socket_);
  }
  RefusingServer(const RefusingServer&) = delete;
  RefusingServer& operator=(const RefusingServer&) = delete;

  // "127.0.0.1:PORT", or empty when no port could be bound (the test then fails).
  const std::string& hostAndPort() const { return hostAndPort_; }

 private:
  int socket_;
  std::string hostAndPort_;
};

TEST(SubmitJob, RefusesBadArgumentsAndASilentServerWithAMessageAndNoJob) {
  const RefusingServer server;
  ASSERT_FALSE(server.hostAndPort().empty());
  struct Case {
    std::string queue;
    std::string file;
    std::vector<std::pair<std::string, std::string>> options;
    std::string message;
  };
  const Case cases[] = {
      {"", kSampleFile, {}, "\"\" is not a valid CUPS queue name"},
      {"office/laser", kSampleFile, {}, "\"office/laser\" is not a valid CUPS queue name"},
      {"q",
       kSampleFile,
       {{"PrintMode", "Private"}, {"", "True"}},
       "a job option has an empty name (value \"True\")"},
      {"q",
       "/nonexistent/hello.txt",
       {},
       "cannot read \"/nonexistent/hello.txt\": No such file or directory"},
      {"q", PDE_CUPS_TEST_DATA, {}, "cannot read \"" PDE_CUPS_TEST_DATA "\": not a regular file"},
      {"q",
       kSampleFile,
       {{"PrintMode", "Private"}},
       "the CUPS server at " + server.hostAndPort() + " does not answer"},
  };
  for (const Case& c : cases) {
    std::string error = "untouched";
    EXPECT_EQ(SubmitJob(c.queue, c.file, c.options, &error), 0) << c.message;
    EXPECT_EQ(error, c.message);
    EXPECT_EQ(SubmitJob(c.queue, c.file, c.options, nullptr), 0) << c.message;
  }
}

TEST(UpdateQueuePPDCopy, ReportsFailuresAndLeavesNoFileBehind) {
  const RefusingServer server;
  const pde::test::ScratchTmpDir cache("XDG_CACHE_HOME");
  ASSERT_FALSE(cache.path().empty());
  ASSERT_FALSE(server.hostAndPort().empty());
  std::string error;
  EXPECT_EQ(UpdateQueuePPDCopy("q", &error), "");
  EXPECT_EQ(error, "the CUPS server at " + server.hostAndPort() + " does not answer");
  EXPECT_EQ(UpdateQueuePPDCopy("bad queue", &error), "");
  EXPECT_EQ(error, "\"bad queue\" is not a valid CUPS queue name");
  EXPECT_EQ(UpdateQueuePPDCopy("", nullptr), "");
  EXPECT_TRUE(std::filesystem::is_empty(cache.path() + "/pdekit/ppd"));
}

}  // namespace
}  // namespace pde::cups
