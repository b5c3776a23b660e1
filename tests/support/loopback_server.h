// A small HTTP server on 127.0.0.1 for the end-to-end tests: serves routes
// set by the test, well or badly, one connection at a time.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct Reply {
  enum class Style {
    whole,            // Content-Length and the body
    late,             // the same, a second after the request
    chunked,          // chunked transfer coding, a few bytes a chunk
    cut_short,        // declares more than it sends, then closes
    endless,          // the body never ends: sends until the client hangs up
    slow,             // the body in small pieces with pauses between them
    drip,             // the body a byte every 100 ms
    raw,              // `body` is the whole response, status line and headers too
    hang,             // reads the request, never answers; waits for the client to leave
    drip_then_stall,  // announces more, sends the body a byte every 4 s, then nothing
    part_then_hang,   // announces more, sends the body, then waits for the client to leave
  };
  Reply(std::string body = "", std::string status = "200 OK", Style style = Style::whole,
        std::string headers = "")
      : body(std::move(body)),
        status(std::move(status)),
        style(style),
        headers(std::move(headers)) {}

  std::string body;
  std::string status;
  Style style;
  std::string headers;  // extra header lines, each ending in \r\n
};

class LoopbackServer {
 public:
  LoopbackServer();
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // "127.0.0.1:PORT", the host part of the addresses this server answers.
  std::string host() const;
  // Serves `reply` for `path`; "{host}" in the body stands for host().
  void route(const std::string& path, Reply reply);
  // The paths asked for so far, in order.
  std::vector<std::string> requests() const;
  // Whole replies keep the connection open for the next request.
  void keep_alive() { keep_alive_ = true; }
  // How many connections clients have opened.
  int connections() const { return connections_; }
  // From now on, a busy server: each connection served on a thread of its
  // own, each answer held `hold_ms`, and a request beyond `allowed` at once
  // turned away with 429 and `retry_after` as its Retry-After.
  void serve_busy(int allowed, std::string retry_after, int hold_ms = 150);
  // Of a busy server: the most requests answered at once, and how many it turned away.
  int most_at_once() const { return most_at_once_; }
  int turned_away() const { return turned_away_; }

 private:
  void serve();
  void answer(int client);
  void answer_busy(int client);
  bool next_request_comes(int client);
  Reply reply_for(const std::string& path);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> keep_alive_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> allowed_{0};  // 0: not busy
  int hold_ms_ = 0;
  std::string retry_after_;
  std::atomic<int> in_flight_{0};
  std::atomic<int> most_at_once_{0};
  std::atomic<int> turned_away_{0};
  std::vector<std::thread> busy_threads_;
  mutable std::mutex mutex_;
  std::map<std::string, Reply> routes_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A loopback port with nothing listening on it.
int closed_port();

std::string replace_all(std::string text, const std::string& from, const std::string& to);

// Replaces every "{host}" in text.
std::string with_host(std::string text, const std::string& host);
