// LiveServerTest.cc: jobs through a private CUPS server reach the printer with the pane's code.
//
// Run by private-cupsd.sh, which starts the server (keeping the jobs' codes private as the snippet
// for administrators says), adds a queue with a supported sample PPD and a file device, and a
// queue without a PPD, and names them in CUPS_SERVER, PDE_TEST_CUPS_QUEUE, PDE_TEST_CUPS_DEVICE,
// PDE_TEST_CUPS_PPD and PDE_TEST_CUPS_RAW_QUEUE. Without them the tests are skipped. The script's
// pdehost sessions check a queue that does not exist.
#include <cups/cups.h>
#include <sys/stat.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// One copy per server and queue in a directory private to its owner: asked for again, the very
// file is kept until the server has a new version (lpadmin -P), even one of the same second;
// failures and a symbolic link planted at the copy's name leave nothing else behind.
TEST_F(LiveServer, KeepsOneCopyOfAQueuesPPDThatOnlyANewVersionReplaces) {
  const pde::test::ScratchTmpDir cache("XDG_CACHE_HOME");
  const std::string directory = cache.path() + "/pdekit/ppd";
  const std::string queue = "copied";
  const std::string changed = cache.path() + "/changed.ppd";
  auto setPpd = [&](const std::string& ppd) {
    const std::string command = "lpadmin -h " + cups_.server + " -p " + queue +
                                " -E -v file:///dev/null -P " + ppd + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  };
  auto identity = [](const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? std::to_string(info.st_ino) + "/" +
                                                std::to_string(info.st_mtime)
                                          : std::string();
  };
  ASSERT_TRUE(setPpd(cups_.ppd));
  std::string error;
  const std::string path = UpdateQueuePPDCopy(queue, &error);
  ASSERT_EQ(path, directory + "/" + cups_.server + "@" + queue + ".ppd") << error;
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(cups_.ppd));
  EXPECT_EQ(std::filesystem::status(directory).permissions(), std::filesystem::perms::owner_all);
  const std::string first = identity(path);
  EXPECT_EQ(UpdateQueuePPDCopy(queue, &error), path) << error;
  EXPECT_EQ(identity(path), first) << "downloaded again";

  std::ofstream(changed) << ReadWholeFile(cups_.ppd) << "*% changed\n";
  ASSERT_TRUE(setPpd(changed));
  EXPECT_EQ(UpdateQueuePPDCopy(queue, &error), path) << error;
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(changed));
  EXPECT_NE(identity(path), first);

  EXPECT_EQ(UpdateQueuePPDCopy(cups_.raw, &error), "");
  EXPECT_EQ(error, "queue \"" + cups_.raw + "\" has no PPD on the CUPS server at " + cups_.server);
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(changed));
  const std::string victim = cache.path() + "/victim";
  ASSERT_TRUE(std::filesystem::remove(path));
  std::filesystem::create_symlink(victim, path);
  EXPECT_EQ(UpdateQueuePPDCopy(queue, &error), path) << error;
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));
  EXPECT_FALSE(std::filesystem::exists(victim));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{cups_.server + "@" + queue + ".ppd"});

  std::filesystem::permissions(directory, std::filesystem::perms::group_read |
                                              std::filesystem::perms::group_exec,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(UpdateQueuePPDCopy(queue, &error), "");
  EXPECT_EQ(error, "the directory \"" + directory + "\" is not private to its owner (mode 0700)");
  std::system(("lpadmin -h " + cups_.server + " -x " + queue + " >/dev/null 2>&1").c_str());
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
