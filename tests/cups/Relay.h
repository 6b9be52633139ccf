// Relay.h: a loopback server in front of the private CUPS server that misbehaves on purpose, for
// the tests of the hosts' deadlines and limits, or is merely slow, for the benchmarks.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pde::test {

enum class RelayMode {
  kFloodPpd,        // a PPD request gets an endless PPD; anything else goes to the server
  kStall,           // accepts and never answers
  kTrickle,         // answers one byte of a status line every 2 seconds
  kGarbage,         // answers 64 KiB of random bytes, then closes
  kEndlessHeaders,  // answers a status line, then header lines without end
  kStallIpp,        // a PPD request goes to the server; IPP requests are never answered
  kStallPpd,        // a PPD request is never answered; anything else goes to the server
  kDelay,           // everything goes to the server, each answer held back kAnswerDelayMs; the
                    // Host stays the relay's, so that the server's printer URIs lead back to it
};

// How long the relay in kDelay mode holds back each answer.
constexpr int kAnswerDelayMs = 50;

class Relay {
 public:
  // Listens on a free port of 127.0.0.1; upstream ("host:port") is the server that what the mode
  // passes on goes to. A request passed on names upstream as its Host (but in kDelay mode), so
  // that the printer URIs in the server's answers lead clients that follow them (GTK's print
  // backend) past the relay.
  Relay(RelayMode mode, std::string upstream);
  // Closes every connection and waits for their threads.
  ~Relay();
  Relay(const Relay&) = delete;
  Relay& operator=(const Relay&) = delete;

  // "127.0.0.1:PORT", or empty when no port could be had.
  const std::string& address() const { return address_; }

 private:
  void Accept();
  void Serve(int client);
  void Pass(int client, std::string head);

  RelayMode mode_;
  std::string upstream_;
  std::string address_;
  int listener_ = -1;
  int stop_[2] = {-1, -1};  // readable once the relay stops
  std::mutex mutex_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

}  // namespace pde::test
