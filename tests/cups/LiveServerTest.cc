// LiveServerTest.cc: jobs through a private CUPS server reach the printer with the pane's code.
//
// Run by private-cupsd.sh, which starts the server, adds a queue with a supported sample PPD and
// a file device, and a queue without a PPD, and names them in CUPS_SERVER, PDE_TEST_CUPS_QUEUE,
// PDE_TEST_CUPS_DEVICE, PDE_TEST_CUPS_PPD and PDE_TEST_CUPS_RAW_QUEUE. Without them the tests are
// skipped. The script's pdehost sessions check a queue that does not exist.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "PrinterCode.h"
#include "ScratchTmpDir.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {
namespace {

using pde::test::PaneOptions;

const char kSampleFile[] = PDE_CUPS_TEST_DATA "/hello.txt";
constexpr auto kJobDeadline = std::chrono::seconds(90);
constexpr auto kPollInterval = std::chrono::milliseconds(100);

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Waits until job `id` of `queue` leaves the server; returns its final state, or 0 when it is
// still pending at the deadline or cannot be found.
ipp_jstate_t WaitForJob(const std::string& queue, int id) {
  const auto deadline = std::chrono::steady_clock::now() + kJobDeadline;
  while (std::chrono::steady_clock::now() < deadline) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    for (int i = 0; i < count; ++i) {
      if (jobs[i].id == id) state = jobs[i].state;
    }
    cupsFreeJobs(count, jobs);
    if (state >= IPP_JSTATE_CANCELED) return state;
    std::this_thread::sleep_for(kPollInterval);
  }
  return static_cast<ipp_jstate_t>(0);
}

class LiveServer : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto [name, value] : {std::pair{"CUPS_SERVER", &server_}, {"PDE_TEST_CUPS_QUEUE", &queue_},
                               {"PDE_TEST_CUPS_DEVICE", &device_}, {"PDE_TEST_CUPS_PPD", &ppd_},
                               {"PDE_TEST_CUPS_RAW_QUEUE", &rawQueue_}}) {
      const char* set = std::getenv(name);
      if (set == nullptr) GTEST_SKIP() << "needs the private server of private-cupsd.sh";
      *value = set;
    }
  }

  std::string queue_, device_, ppd_, server_, rawQueue_;
};

TEST_F(LiveServer, ValuesThePPDDoesNotListFallBackToItsDefaultsAndNothingElseIsLost) {
  PaneOptions printed = pde::test::DefaultPaneOptions();
  printed["PrintMode"] = "Private";
  printed["DeptCode"] = "True";
  printed["DistinguishThinLines"] = "True";
  printed["DINDigit1"] = "7";
  printed["DINDigit4"] = "6";
  printed["DCDigit5"] = "1";
  std::vector<std::pair<std::string, std::string>> submitted(printed.begin(), printed.end());
  for (auto& [key, value] : submitted) {
    if (key == "PrintMode") value = "Secret";    // not one of the four modes
    if (key == "DINDigit2") value = "\xc3\xa9";  // "é" pasted into the DIN field
    if (key == "DCDigit3") value = "12";         // two characters under one digit
  }
  printed["PrintMode"] = "Normal";
  printed["DINDigit2"] = "8";
  printed["DCDigit3"] = "2";
  std::string error;
  const int job = SubmitJob(queue_, kSampleFile, submitted, &error);
  ASSERT_GT(job, 0) << error;
  EXPECT_EQ(WaitForJob(queue_, job), IPP_JSTATE_COMPLETED) << "job " << job;
  EXPECT_EQ(pde::test::CheckPrinterCode(ReadWholeFile(device_), printed), "");
}

TEST_F(LiveServer, FetchesTheQueuesPPDIntoAFileTheCallerOwns) {
  const pde::test::ScratchTmpDir tmp;
  std::string error;
  const std::string path = FetchQueuePPD(queue_, &error);
  ASSERT_FALSE(path.empty()) << error;
  EXPECT_EQ(path.rfind(tmp.path() + "/", 0), 0u) << path;
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(ppd_));
  std::remove(path.c_str());

  EXPECT_EQ(FetchQueuePPD(rawQueue_, &error), "");
  EXPECT_EQ(error, "queue \"" + rawQueue_ + "\" has no PPD on the CUPS server at " + server_);
  EXPECT_TRUE(tmp.IsEmpty());
  setenv("TMPDIR", "/nonexistent", 1);
  EXPECT_EQ(FetchQueuePPD(queue_, &error), "");
  EXPECT_EQ(error, "cannot create a temporary file in \"/nonexistent\": No such file or directory");
}

}  // namespace
}  // namespace pde::cups
