// LiveServerTest.cc: jobs through a private CUPS server reach the printer with the pane's code.
//
// Run by private-cupsd.sh, which starts the server, adds a queue with a supported sample PPD and
// a file device, and a queue without a PPD, and names them in CUPS_SERVER, PDE_TEST_CUPS_QUEUE,
// PDE_TEST_CUPS_DEVICE, PDE_TEST_CUPS_PPD and PDE_TEST_CUPS_RAW_QUEUE. Without them the tests are
// skipped.
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

std::vector<std::pair<std::string, std::string>> AsJobOptions(const PaneOptions& options) {
  return {options.begin(), options.end()};
}

class LiveServer : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* queue = std::getenv("PDE_TEST_CUPS_QUEUE");
    const char* device = std::getenv("PDE_TEST_CUPS_DEVICE");
    const char* ppd = std::getenv("PDE_TEST_CUPS_PPD");
    const char* server = std::getenv("CUPS_SERVER");
    const char* rawQueue = std::getenv("PDE_TEST_CUPS_RAW_QUEUE");
    if (queue == nullptr || device == nullptr || ppd == nullptr || server == nullptr ||
        rawQueue == nullptr) {
      GTEST_SKIP() << "needs the private server of private-cupsd.sh";
    }
    queue_ = queue;
    device_ = device;
    ppd_ = ppd;
    server_ = server;
    rawQueue_ = rawQueue;
  }

  // Submits the sample file with `options`, waits for the job and returns the printer's data.
  std::string PrintAndReadDevice(const std::vector<std::pair<std::string, std::string>>& options) {
    std::string error;
    const int job = SubmitJob(queue_, kSampleFile, options, &error);
    EXPECT_GT(job, 0) << error;
    if (job <= 0) return {};
    EXPECT_EQ(WaitForJob(queue_, job), IPP_JSTATE_COMPLETED) << "job " << job;
    return ReadWholeFile(device_);
  }

  std::string queue_;
  std::string device_;
  std::string ppd_;
  std::string server_;
  std::string rawQueue_;
};

TEST_F(LiveServer, ValuesThePPDDoesNotListFallBackToItsDefaultsAndNothingElseIsLost) {
  PaneOptions chosen = pde::test::DefaultPaneOptions();
  chosen["PrintMode"] = "Private";
  chosen["DeptCode"] = "True";
  chosen["DistinguishThinLines"] = "True";
  chosen["DINDigit1"] = "7";
  chosen["DINDigit4"] = "6";
  chosen["DCDigit5"] = "1";
  auto submitted = AsJobOptions(chosen);
  for (auto& [key, value] : submitted) {
    if (key == "PrintMode") value = "Secret";    // not one of the four modes
    if (key == "DINDigit2") value = "\xc3\xa9";  // "é" pasted into the DIN field
    if (key == "DCDigit3") value = "12";         // two characters under one digit
  }
  PaneOptions printed = chosen;
  printed["PrintMode"] = "Normal";
  printed["DINDigit2"] = "8";
  printed["DCDigit3"] = "2";
  const std::string output = PrintAndReadDevice(submitted);
  EXPECT_EQ(pde::test::CheckPrinterCode(output, printed), "");
}

TEST_F(LiveServer, FetchesTheQueuesPPDIntoAFileTheCallerOwns) {
  const pde::test::ScratchTmpDir tmp;
  std::string error;
  const std::string path = FetchQueuePPD(queue_, &error);
  ASSERT_FALSE(path.empty()) << error;
  EXPECT_EQ(path.rfind(tmp.path() + "/", 0), 0u) << path;
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(ppd_));
  std::remove(path.c_str());

  EXPECT_EQ(FetchQueuePPD("no-such-queue", &error), "");
  EXPECT_EQ(error, "queue \"no-such-queue\" does not exist on the CUPS server at " + server_);
  EXPECT_EQ(FetchQueuePPD(rawQueue_, &error), "");
  EXPECT_EQ(error, "queue \"" + rawQueue_ + "\" has no PPD on the CUPS server at " + server_);
  EXPECT_TRUE(tmp.IsEmpty());

  setenv("TMPDIR", "/nonexistent", 1);
  EXPECT_EQ(FetchQueuePPD(queue_, &error), "");
  EXPECT_EQ(error, "cannot create a temporary file in \"/nonexistent\": No such file or directory");
}

}  // namespace
}  // namespace pde::cups
