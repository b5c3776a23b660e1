// A small HTTP server on 127.0.0.1 for the end-to-end tests: serves routes
// set by the test, well or badly, one connection at a time.
#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

int bound_socket(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    throw std::runtime_error("bind");
  return fd;
}

int port_of(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

bool send_all(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t sent = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

// The request's path, or empty when no request line arrived in time.
std::string read_request_path(int client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    ssize_t got = recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  auto start = request.find(' ');
  if (start == std::string::npos) return "";
  auto end = request.find(' ', start + 1);
  return request.substr(start + 1, end - start - 1);
}

// Each wait ends after the socket's receive limit; two minutes in all, more
// than the browser waits for a silent server.
void wait_for_client_to_leave(int client) {
  for (int wait = 0; wait < 24; ++wait) {
    char byte = 0;
    if (recv(client, &byte, 1, 0) >= 0) return;
  }
}

std::string head(const Reply& reply, const std::string& length_line, bool keep_open = false) {
  return "HTTP/1.1 " + reply.status + "\r\n" + length_line + reply.headers +
         (keep_open ? "\r\n" : "Connection: close\r\n\r\n");
}

// Sends the reply; true when the connection may serve another request.
bool send_reply(int client, const Reply& reply, bool keep_alive) {
  using Style = Reply::Style;
  const std::string& body = reply.body;
  const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
  switch (reply.style) {
    case Style::whole:
      return send_all(client, head(reply, length, keep_alive) + body) && keep_alive;
    case Style::late:
      std::this_thread::sleep_for(std::chrono::seconds(1));
      send_all(client, head(reply, length) + body);
      break;
    case Style::raw:
      send_all(client, body);
      break;
    case Style::hang:
      wait_for_client_to_leave(client);
      break;
    case Style::cut_short:
      send_all(
          client,
          head(reply, "Content-Length: " + std::to_string(body.size() + 1000) + "\r\n") + body);
      break;
    case Style::chunked: {
      std::string out = head(reply, "Transfer-Encoding: chunked\r\n");
      for (std::size_t at = 0; at < body.size(); at += 7) {
        std::string piece = body.substr(at, 7);
        char size[16];
        snprintf(size, sizeof size, "%zx\r\n", piece.size());
        out += size + piece + "\r\n";
      }
      send_all(client, out + "0\r\n\r\n");
      break;
    }
    case Style::slow:
      if (!send_all(client, head(reply, length))) break;
      for (std::size_t at = 0; at < body.size(); at += 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        if (!send_all(client, body.substr(at, 5))) break;
      }
      break;
    case Style::drip_then_stall:
      if (!send_all(client, head(reply, "Content-Length: 1000\r\n"))) break;
      for (char byte : body) {
        std::this_thread::sleep_for(std::chrono::seconds(4));
        if (!send_all(client, std::string_view(&byte, 1))) break;
      }
      wait_for_client_to_leave(client);
      break;
    case Style::part_then_hang:
      if (send_all(client, head(reply, "Content-Length: 100000\r\n") + body))
        wait_for_client_to_leave(client);
      break;
    case Style::drip:
      if (!send_all(client, head(reply, length))) break;
      for (char byte : body) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!send_all(client, std::string_view(&byte, 1))) break;
      }
      break;
    case Style::endless: {
      if (!send_all(client, head(reply, "") + body)) break;
      const std::string filler(65536, 'a');
      while (send_all(client, filler)) {
      }
      break;
    }
  }
  return false;
}

}  // namespace

LoopbackServer::LoopbackServer() {
  listener_ = bound_socket(0);
  port_ = port_of(listener_);
  listen(listener_, 16);
  thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
  stopping_ = true;
  thread_.join();
  for (std::thread& busy : busy_threads_) busy.join();
  close(listener_);
}

std::string LoopbackServer::host() const { return "127.0.0.1:" + std::to_string(port_); }

void LoopbackServer::route(const std::string& path, Reply reply) {
  reply.body = with_host(reply.body, host());
  std::lock_guard lock(mutex_);
  routes_[path] = std::move(reply);
}

std::vector<std::string> LoopbackServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

Reply LoopbackServer::reply_for(const std::string& path) {
  std::lock_guard lock(mutex_);
  requests_.push_back(path);
  auto found = routes_.find(path);
  if (found != routes_.end()) return found->second;
  return Reply{"", "404 Not Found"};
}

void LoopbackServer::serve() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (poll(&waiting, 1, 20) <= 0) continue;
    int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    ++connections_;
    if (allowed_ > 0) {
      busy_threads_.emplace_back([this, client] {
        answer_busy(client);
        close(client);
      });
      continue;
    }
    answer(client);
    close(client);
  }
}

void LoopbackServer::serve_busy(int allowed, std::string retry_after, int hold_ms) {
  std::lock_guard lock(mutex_);
  retry_after_ = std::move(retry_after);
  hold_ms_ = hold_ms;
  allowed_ = allowed;
}

// One request, answered after a while, or turned away when too many are in.
void LoopbackServer::answer_busy(int client) {
  timeval limit{5, 0};
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  const std::string path = read_request_path(client);
  if (path.empty()) return;
  const int now_in = ++in_flight_;
  Reply reply = reply_for(path);
  if (now_in > allowed_) {
    ++turned_away_;
    reply = Reply{"", "429 Too Many Requests", Reply::Style::whole,
                  "Retry-After: " + retry_after_ + "\r\n"};
  } else {
    for (int most = most_at_once_;
         now_in > most && !most_at_once_.compare_exchange_weak(most, now_in);) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms_));
  }
  --in_flight_;  // before the reply, which lets the client send its next request
  send_reply(client, reply, false);
  shutdown(client, SHUT_WR);
}

void LoopbackServer::answer(int client) {
  timeval limit{5, 0};
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  do {
    std::string path = read_request_path(client);
    if (path.empty()) return;
    if (!send_reply(client, reply_for(path), keep_alive_)) break;
  } while (next_request_comes(client));
  shutdown(client, SHUT_WR);
}

// With keep-alive, whether the client sends another request on this
// connection within half a second and before another client connects: one
// worker that closes idle connections, as small servers have.
bool LoopbackServer::next_request_comes(int client) {
  pollfd waiting[2] = {{client, POLLIN, 0}, {listener_, POLLIN, 0}};
  return poll(waiting, 2, 500) > 0 && waiting[0].revents != 0 && waiting[1].revents == 0;
}

int closed_port() {
  int fd = bound_socket(0);
  int port = port_of(fd);
  close(fd);
  return port;
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string with_host(std::string text, const std::string& host) {
  return replace_all(std::move(text), "{host}", host);
}
