// Relay.cc: a loopback server in front of the private CUPS server that misbehaves on purpose.
#include "Relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <random>

namespace pde::test {

namespace {

constexpr auto kTrickleInterval = std::chrono::seconds(2);
constexpr std::size_t kGarbageSize = 64 * 1024;

// Waits until fd is ready for events or the relay stops; false when it stops.
bool WaitFor(int fd, short events, int stop, int milliseconds = -1) {
  pollfd fds[2] = {{fd, events, 0}, {stop, POLLIN, 0}};
  for (;;) {
    const int ready = poll(fds, 2, milliseconds);
    if (ready < 0) continue;
    if (fds[1].revents != 0) return false;
    return ready > 0 || milliseconds >= 0;
  }
}

// Keeps the connection without answering until the client closes it or the relay stops.
void HoldUntilClosed(int fd, int stop) {
  char buffer[4096];
  while (WaitFor(fd, POLLIN, stop) && recv(fd, buffer, sizeof buffer, 0) > 0) {
  }
}

bool SendAll(int fd, const std::string& data, int stop) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    if (!WaitFor(fd, POLLOUT, stop)) return false;
    const ssize_t count = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) return false;
    sent += static_cast<std::size_t>(count);
  }
  return true;
}

// The request head (up to the blank line), or what came before the client stopped.
std::string ReadHead(int fd, int stop) {
  std::string head;
  char byte;
  while (head.size() < 65536 && head.find("\r\n\r\n") == std::string::npos) {
    if (!WaitFor(fd, POLLIN, stop) || recv(fd, &byte, 1, 0) != 1) break;
    head += byte;
  }
  return head;
}

int ConnectTo(const std::string& hostAndPort) {
  const std::size_t colon = hostAndPort.rfind(':');
  if (colon == std::string::npos) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(std::stoi(hostAndPort.substr(colon + 1))));
  if (inet_pton(AF_INET, hostAndPort.substr(0, colon).c_str(), &address.sin_addr) != 1) return -1;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

Relay::Relay(RelayMode mode, std::string upstream) : mode_(mode), upstream_(std::move(upstream)) {
  if (pipe2(stop_, O_CLOEXEC) != 0) return;
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 64) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  address_ = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  acceptor_ = std::thread([this] { Accept(); });
}

Relay::~Relay() {
  if (stop_[1] >= 0) close(stop_[1]);  // wakes every wait
  if (acceptor_.joinable()) acceptor_.join();
  for (std::thread& thread : threads_) thread.join();
  if (listener_ >= 0) close(listener_);
  if (stop_[0] >= 0) close(stop_[0]);
}

void Relay::Accept() {
  while (WaitFor(listener_, POLLIN, stop_[0])) {
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    const std::lock_guard lock(mutex_);
    threads_.emplace_back([this, client] {
      Serve(client);
      close(client);
    });
  }
}

void Relay::Serve(int client) {
  const int stop = stop_[0];
  if (mode_ == RelayMode::kStall) return HoldUntilClosed(client, stop);
  const std::string head = ReadHead(client, stop);
  const bool ppdRequest =
      head.rfind("GET ", 0) == 0 && head.find(".ppd HTTP/") != std::string::npos;
  switch (mode_) {
    case RelayMode::kFloodPpd:
      if (!ppdRequest) return Pass(client, head);
      if (!SendAll(client, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n", stop)) return;
      while (SendAll(client, std::string(4096, '*') + "\n", stop)) {
      }
      return;
    case RelayMode::kStallIpp:
    case RelayMode::kStallPpd:
      if (ppdRequest == (mode_ == RelayMode::kStallIpp)) return Pass(client, head);
      return HoldUntilClosed(client, stop);
    case RelayMode::kTrickle:
      for (const char byte : std::string("HTTP/1.1 200 OK\r\n")) {
        if (!SendAll(client, std::string(1, byte), stop)) return;
        const int milliseconds =
            std::chrono::duration_cast<std::chrono::milliseconds>(kTrickleInterval).count();
        if (!WaitFor(-1, 0, stop, milliseconds)) return;
      }
      return HoldUntilClosed(client, stop);
    case RelayMode::kGarbage: {
      std::mt19937 random(22);
      std::string bytes(kGarbageSize, '\0');
      for (char& byte : bytes) byte = static_cast<char>(random());
      SendAll(client, bytes, stop);
      return;
    }
    case RelayMode::kEndlessHeaders:
      if (!SendAll(client, "HTTP/1.1 200 OK\r\n", stop)) return;
      while (SendAll(client, "X-Padding: " + std::string(64, 'x') + "\r\n", stop)) {
      }
      return;
    case RelayMode::kDelay:
      return Pass(client, head);
    case RelayMode::kStall:
      return;
  }
}

// Hands the connection to the upstream server, the head already read first (its Host the
// upstream's but in kDelay mode), until either side closes it or the relay stops. In kDelay mode
// the first bytes the server sends after the client spoke wait kAnswerDelayMs.
void Relay::Pass(int client, std::string head) {
  const bool delay = mode_ == RelayMode::kDelay;
  const std::size_t host = head.find("\r\nHost: ");
  if (host != std::string::npos && !delay) {
    const std::size_t end = head.find("\r\n", host + 2);
    head.replace(host + 8, end - host - 8, "localhost" + upstream_.substr(upstream_.rfind(':')));
  }
  const int server = ConnectTo(upstream_);
  if (server < 0 || !SendAll(server, head, stop_[0])) {
    if (server >= 0) close(server);
    return;
  }
  pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {stop_[0], POLLIN, 0}};
  char buffer[16384];
  bool asked = true;  // the client has spoken since the server last answered
  for (bool open = true; open;) {
    if (poll(fds, 3, -1) < 0) continue;
    if (fds[2].revents != 0) break;
    for (int side = 0; side < 2 && open; ++side) {
      if (fds[side].revents == 0) continue;
      if (side == 1 && delay && asked && !WaitFor(-1, 0, stop_[0], kAnswerDelayMs)) break;
      asked = side == 0;
      const ssize_t count = recv(fds[side].fd, buffer, sizeof buffer, 0);
      open = count > 0 && SendAll(fds[1 - side].fd,
                                  std::string(buffer, static_cast<std::size_t>(count)), stop_[0]);
    }
  }
  close(server);
}

}  // namespace pde::test
