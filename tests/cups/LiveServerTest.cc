// LiveServerTest.cc: jobs through a private CUPS server reach the printer with the pane's code.
//
// Run by private-cupsd.sh, which starts the server (keeping the jobs' codes private as the snippet
// for administrators says), adds a queue with a supported sample PPD and a file device, and a
// queue without a PPD, and names them in CUPS_SERVER, PDE_TEST_CUPS_QUEUE, PDE_TEST_CUPS_DEVICE,
// PDE_TEST_CUPS_PPD and PDE_TEST_CUPS_RAW_QUEUE. Without them the tests are skipped. The script's
// pdehost sessions check a queue that does not exist.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "PrinterCode.h"
#include "PrivateServer.h"
#include "ScratchTmpDir.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {
namespace {

using pde::test::PaneOptions;
using pde::test::ReadWholeFile;

const char kSampleFile[] = PDE_CUPS_TEST_DATA "/hello.txt";
constexpr auto kJobDeadline = std::chrono::seconds(90);
constexpr auto kPollInterval = std::chrono::milliseconds(100);

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

// Every job attribute of job `id` that the server shows to `requester` through Get-Job-Attributes,
// each value as ippAttributeString writes it; empty when the request fails.
std::map<std::string, std::string> JobAttributesSeenBy(int id, const char* requester) {
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  const std::string uri = "ipp://localhost/jobs/" + std::to_string(id);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               requester);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/jobs/");
  std::map<std::string, std::string> seen;
  for (ipp_attribute_t* attr = ippFirstAttribute(response); attr != nullptr;
       attr = ippNextAttribute(response)) {
    if (ippGetGroupTag(attr) != IPP_TAG_JOB || ippGetName(attr) == nullptr) continue;
    char value[256];
    ippAttributeString(attr, value, sizeof value);
    seen[ippGetName(attr)] = value;
  }
  ippDelete(response);
  return seen;
}

class LiveServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pde::test::ReadServerQueues(&cups_))
      GTEST_SKIP() << "needs the private server of private-cupsd.sh";
  }

  pde::test::ServerQueues cups_;
  const std::string& queue_ = cups_.queue;
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
  EXPECT_EQ(pde::test::CheckPrinterCode(ReadWholeFile(cups_.device), printed), "");
}

TEST_F(LiveServer, FetchesTheQueuesPPDIntoAFileTheCallerOwns) {
  const pde::test::ScratchTmpDir tmp;
  std::string error;
  const std::string path = FetchQueuePPD(queue_, &error);
  ASSERT_FALSE(path.empty()) << error;
  EXPECT_EQ(path.rfind(tmp.path() + "/", 0), 0u) << path;
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(cups_.ppd));
  std::remove(path.c_str());

  EXPECT_EQ(FetchQueuePPD(cups_.raw, &error), "");
  EXPECT_EQ(error, "queue \"" + cups_.raw + "\" has no PPD on the CUPS server at " + cups_.server);
  EXPECT_TRUE(tmp.IsEmpty());
  setenv("TMPDIR", "/nonexistent", 1);
  EXPECT_EQ(FetchQueuePPD(queue_, &error), "");
  EXPECT_EQ(error, "cannot create a temporary file in \"/nonexistent\": No such file or directory");
}

// The secure-print codes are private to the job's owner: another user asking the server for the
// job's attributes sees neither the DIN nor the department code, while the printer gets both.
TEST_F(LiveServer, OnlyTheOwnerSeesTheJobsCodes) {
  PaneOptions printed = pde::test::DefaultPaneOptions();
  printed["PrintMode"] = "Private";
  printed["DeptCode"] = "True";
  pde::test::SetCode(&printed, "DINDigit", "13579");
  pde::test::SetCode(&printed, "DCDigit", "24680");
  std::string error;
  const int job = SubmitJob(
      queue_, kSampleFile,
      std::vector<std::pair<std::string, std::string>>(printed.begin(), printed.end()), &error);
  ASSERT_GT(job, 0) << error;
  ASSERT_EQ(WaitForJob(queue_, job), IPP_JSTATE_COMPLETED) << "job " << job;
  EXPECT_EQ(pde::test::CheckPrinterCode(ReadWholeFile(cups_.device), printed), "");

  // The owner sees every digit as printed, another user none of them nor who sent what.
  std::map<std::string, std::string> owner = JobAttributesSeenBy(job, cupsUser());
  std::map<std::string, std::string> other = JobAttributesSeenBy(job, "another-user");
  auto seen = [](const std::map<std::string, std::string>& attributes, const std::string& name) {
    const auto found = attributes.find(name);
    return found == attributes.end() ? std::string("<hidden>") : found->second;
  };
  EXPECT_EQ(owner["job-id"] + " " + other["job-id"],
            std::to_string(job) + " " + std::to_string(job));
  for (const auto& [key, value] : printed) {
    if (key.find("Digit") == std::string::npos) continue;
    EXPECT_EQ(seen(owner, key), value) << key;
    EXPECT_EQ(seen(other, key), "<hidden>") << key;
  }
  EXPECT_EQ(seen(owner, "job-name"), "hello.txt");
  EXPECT_EQ(seen(other, "job-name"), "<hidden>");
  EXPECT_EQ(seen(other, "job-originating-user-name"), "<hidden>");
  EXPECT_EQ(seen(other, "PrintMode"), "Private");  // what is no secret stays visible
}

}  // namespace
}  // namespace pde::cups
