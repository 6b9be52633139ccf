// HostileServerTest.cc: servers that flood, stall or answer garbage, and lpoptions files that are
// no files, end every CUPS exchange of the hosts by its deadline with a true message, and leave
// no temporary file behind.
//
// Run by private-cupsd.sh (see LiveServerTest.cc): a relay on 127.0.0.1 misbehaves in front of
// the private server. Each test arms an alarm, so that a hang fails it instead of the whole run's
// time limit.
#include <cups/cups.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "PrivateServer.h"
#include "Relay.h"
#include "ScratchTmpDir.h"
#include "pde/cups/CupsOptions.h"
#include "pde/cups/CupsQueue.h"

extern char** environ;

namespace pde::cups {
namespace {

using pde::test::Relay;
using pde::test::RelayMode;

constexpr unsigned kAlarmSeconds = 90;
constexpr auto kHangSeconds = std::chrono::seconds(20);
constexpr char kShortDeadline[] = "1";
const char kSampleFile[] = PDE_CUPS_TEST_DATA "/hello.txt";

std::string DidNotAnswer(const std::string& server, const std::string& what) {
  return "the CUPS server at " + server + " did not answer within 1 s while " + what +
         " (PDE_CUPS_TIMEOUT sets the limit in seconds)";
}

// A finished pdehost run.
struct Outcome {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out, err;
};

class HostileServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pde::test::ReadServerQueues(&cups_))
      GTEST_SKIP() << "needs the private server of private-cupsd.sh";
    alarm(kAlarmSeconds);
    setenv("PDE_CUPS_TIMEOUT", kShortDeadline, 1);
    home_ = tmp_.path() + "-home";
    std::filesystem::create_directories(home_ + "/.cups");
  }
  void TearDown() override {
    alarm(0);
    unsetenv("PDE_CUPS_TIMEOUT");
    std::filesystem::remove_all(home_);
  }

  // Starts pdehost with arguments under TMPDIR=tmp_, HOME=home_ and the extra environment.
  pid_t Start(const std::vector<std::string>& arguments, const std::vector<std::string>& env) {
    std::vector<std::string> words = {PDE_TEST_PDEHOST};
    words.insert(words.end(), arguments.begin(), arguments.end());
    // The given variables, then this process's others.
    std::vector<std::string> environment = {"TMPDIR=" + tmp_.path(), "HOME=" + home_};
    environment.insert(environment.end(), env.begin(), env.end());
    const std::size_t given = environment.size();
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string line = *entry;
      bool overridden = false;
      for (std::size_t i = 0; i < given; ++i)
        overridden = overridden ||
                     line.rfind(environment[i].substr(0, environment[i].find('=') + 1), 0) == 0;
      if (!overridden) environment.push_back(line);
    }
    std::vector<char*> argv, envp;
    for (std::string& word : words) argv.push_back(word.data());
    for (std::string& line : environment) envp.push_back(line.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (tmp_.path() + "-out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (tmp_.path() + "-err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  // Waits for pid, killing it when it hangs (status -1).
  Outcome Finish(pid_t pid) {
    Outcome run;
    int status = 0;
    const auto giveUp = std::chrono::steady_clock::now() + kHangSeconds;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > giveUp) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "pdehost hung";
        status = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (status != -1) {
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    run.out = pde::test::ReadWholeFile(tmp_.path() + "-out");
    run.err = pde::test::ReadWholeFile(tmp_.path() + "-err");
    std::filesystem::remove(tmp_.path() + "-out");
    std::filesystem::remove(tmp_.path() + "-err");
    return run;
  }

  Outcome Pdehost(const std::vector<std::string>& arguments, const std::vector<std::string>& env) {
    return Finish(Start(arguments, env));
  }

  pde::test::ServerQueues cups_;
  const pde::test::ScratchTmpDir tmp_;
  std::string home_;
};

// pdehost --printer against each kind of server: status 2, one true message, no file left.
TEST_F(HostileServer, PdehostEndsByTheDeadlineWithATrueMessageAndLeavesNoFile) {
  struct Case {
    RelayMode mode;
    std::vector<std::string> arguments;
    std::string message;  // after "pdehost: ", with SERVER for the relay's address
  } cases[] = {
      {RelayMode::kFloodPpd,
       {"--printer", cups_.queue},
       "the PPD of queue \"q\" on the CUPS server at SERVER is larger than 8388608 bytes"},
      {RelayMode::kStall,
       {"--printer", cups_.queue},
       DidNotAnswer("SERVER", "sending the PPD of queue \"q\"")},
      {RelayMode::kTrickle,
       {"--printer", cups_.queue},
       DidNotAnswer("SERVER", "sending the PPD of queue \"q\"")},
      {RelayMode::kEndlessHeaders,
       {"--printer", cups_.queue},
       DidNotAnswer("SERVER", "sending the PPD of queue \"q\"")},
      {RelayMode::kGarbage,
       {"--printer", cups_.queue},
       "the CUPS server at SERVER gave no valid answer while sending the PPD of queue \"q\""},
      // The PPD comes through; the queue's defaults do not.
      {RelayMode::kStallIpp,
       {"--printer", cups_.queue, "--print", kSampleFile},
       DidNotAnswer("SERVER", "looking up queue \"q\"")},
  };
  for (const Case& c : cases) {
    const Relay relay(c.mode, cups_.server);
    ASSERT_FALSE(relay.address().empty());
    std::string message = c.message;
    message.replace(message.find("SERVER"), 6, relay.address());
    SCOPED_TRACE(message);
    const Outcome run = Pdehost(c.arguments, {"CUPS_SERVER=" + relay.address()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "pdehost: " + message + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(tmp_.IsEmpty());
  }
}

// A signal while the server keeps pdehost waiting ends it as the signal does, its file removed.
TEST_F(HostileServer, ASignalWhileHungLeavesNoFile) {
  const Relay relay(RelayMode::kStall, cups_.server);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    const pid_t pid = Start({"--printer", cups_.queue},
                            {"CUPS_SERVER=" + relay.address(), "PDE_CUPS_TIMEOUT=50"});
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (tmp_.IsEmpty() && std::chrono::steady_clock::now() < giveUp)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(tmp_.IsEmpty()) << "pdehost made no file to fetch into";
    kill(pid, signal);
    EXPECT_EQ(Finish(pid).status, 128 + signal);
    EXPECT_TRUE(tmp_.IsEmpty()) << "signal " << signal;
  }
}

// The library's look-ups and submission, each the first exchange with the server.
TEST_F(HostileServer, LookUpAndSubmissionEndByTheDeadline) {
  for (const RelayMode mode : {RelayMode::kStall, RelayMode::kEndlessHeaders}) {
    const Relay relay(mode, cups_.server);
    cupsSetServer(relay.address().c_str());
    const std::string lookingUp = DidNotAnswer(relay.address(), "looking up queue \"q\"");
    std::string error;
    EXPECT_EQ(SubmitJob(cups_.queue, kSampleFile, {{"PrintMode", "Hold"}}, &error), 0);
    EXPECT_EQ(error, lookingUp);
    EXPECT_FALSE(CheckQueueExists(cups_.queue, &error));
    EXPECT_EQ(error, lookingUp);
    OptionList options;
    EXPECT_FALSE(GetQueueDefaults(cups_.queue, &options, &error));
    EXPECT_EQ(error, lookingUp);
    cupsSetServer(nullptr);
  }
}

// An lpoptions file that is no regular file, or too large, is skipped with a note; the queue's
// other defaults still count.
TEST_F(HostileServer, LpoptionsThatAreNoFilesAreSkippedWithANote) {
  const std::string conf = home_ + "/conf";
  std::filesystem::create_directories(conf);
  std::ofstream(conf + "/lpoptions") << "Dest q PrintMode=Hold\n";
  const std::string user = home_ + "/.cups/lpoptions";
  const std::string note = "pdehost: " + user + ": not a regular file; its options are skipped\n";
  struct Case {
    std::string what;
    std::function<void()> make;
    std::string note;
  } cases[] = {
      {"a FIFO", [&] { mkfifo(user.c_str(), 0600); }, note},
      {"a link to /dev/zero", [&] { std::filesystem::create_symlink("/dev/zero", user); }, note},
      {"64 KiB and one byte",
       [&] { std::ofstream(user) << "Dest q " << std::string(65536, 'x') << "=1\n"; },
       "pdehost: " + user + ": larger than 65536 bytes; its options are skipped\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    const Outcome run =
        Pdehost({"--printer", cups_.queue, "--emit", "lp"}, {"CUPS_SERVERROOT=" + conf});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err.rfind(c.note, 0), 0u) << run.err;  // the printer's model name follows
    EXPECT_NE(run.out.find("-o PrintMode=Hold"), std::string::npos) << run.out;
    std::filesystem::remove(user);
  }
}

}  // namespace
}  // namespace pde::cups
