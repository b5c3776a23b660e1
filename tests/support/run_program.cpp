// Runs the real browser binary as a user would: arguments, standard input
// from a string, standard output and error captured apart.
#include "support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

namespace {

// A home of the tests' own, removed when they end, so that no run reads or
// writes the files of whoever runs the tests.
struct TestHome {
  TestHome() {
    std::string made = "/tmp/linebrowse-test-home-XXXXXX";
    if (mkdtemp(made.data()) != nullptr) path = made;
  }
  ~TestHome() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  TestHome(const TestHome&) = delete;
  TestHome& operator=(const TestHome&) = delete;
  std::string path;
};

// In the child, before the browser starts: the tests' home, and none of the
// variables that would name other files.
void use_test_home(const std::vector<std::pair<std::string, std::string>>& environment) {
  setenv("HOME", test_home().c_str(), 1);
  for (const char* name : {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME",
                           "LINEBROWSE_HISTORY", "GITHUB_STEP_SUMMARY"})
    unsetenv(name);
  for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
}

[[noreturn]] void exec_browser(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  static char name[] = LINEBROWSE_BINARY;
  argv.push_back(name);
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(name, argv.data());
  _exit(127);
}

[[noreturn]] void start_child(const std::vector<std::string>& args, int in, int out, int err,
                              const Limits& limits) {
  use_test_home(limits.environment);
  if (!limits.folder.empty() && chdir(limits.folder.c_str()) != 0) _exit(127);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  if (limits.output == Limits::Output::full_disk) {
    dup2(open("/dev/full", O_WRONLY | O_CLOEXEC), 1);
  } else if (limits.output == Limits::Output::closed_pipe) {
    int gone[2];
    if (pipe(gone) == 0) {
      close(gone[0]);
      dup2(gone[1], 1);
    }
    signal(SIGPIPE, SIG_IGN);  // kept across exec: writes then fail with EPIPE
  }
  if (limits.descriptors > 0) {
    rlimit limit{static_cast<rlim_t>(limits.descriptors), static_cast<rlim_t>(limits.descriptors)};
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limits.address_space_kb > 0) {
    const auto bytes = static_cast<rlim_t>(limits.address_space_kb) * 1024;
    rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
  }
  exec_browser(args);
}

bool drain(int fd, std::string& into) {
  char buffer[65536];
  ssize_t got = read(fd, buffer, sizeof buffer);
  if (got <= 0) return false;
  into.append(buffer, static_cast<std::size_t>(got));
  return true;
}

}  // namespace

const std::string& test_home() {
  static const TestHome home;
  return home.path;
}

ProgramRun run_browser(const std::vector<std::string>& args, const std::string& input, int seconds,
                       const Limits& limits) {
  test_home();  // made here, not in the child
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return {};
  pid_t child = fork();
  if (child < 0) {
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    ProgramRun failed;
    failed.err = "the test could not fork the browser";
    return failed;
  }
  if (child == 0) start_child(args, in[0], out[1], err[1], limits);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  fcntl(in[1], F_SETFL, O_NONBLOCK);

  ProgramRun run;
  std::size_t written = 0;
  int to_child = in[1];
  if (input.empty()) close(to_child), to_child = -1;
  bool out_open = true, err_open = true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while ((out_open || err_open) && std::chrono::steady_clock::now() < deadline) {
    pollfd fds[3] = {{out_open ? out[0] : -1, POLLIN, 0},
                     {err_open ? err[0] : -1, POLLIN, 0},
                     {to_child, POLLOUT, 0}};
    if (poll(fds, 3, 100) <= 0) continue;
    if (fds[0].revents) out_open = drain(out[0], run.out);
    if (fds[1].revents) err_open = drain(err[0], run.err);
    if (fds[2].revents & (POLLERR | POLLHUP))
      close(to_child), to_child = -1;
    else if (fds[2].revents & POLLOUT) {
      ssize_t sent = write(to_child, input.data() + written, input.size() - written);
      if (sent > 0) written += static_cast<std::size_t>(sent);
      if (written == input.size()) close(to_child), to_child = -1;
    }
  }
  if (out_open || err_open) kill(child, SIGKILL);
  if (to_child >= 0) close(to_child);
  close(out[0]);
  close(err[0]);

  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  run.exited = (!out_open && !err_open) && WIFEXITED(status);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peak_memory_kb = usage.ru_maxrss;
  run.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return run;
}

LiveRun::LiveRun(const std::vector<std::string>& args, Input input, const Screen& screen) {
  test_home();  // made here, not in the child
  int err[2];
  if (pipe2(err, O_CLOEXEC) != 0) return;
  int to_child[2] = {-1, -1}, from_child[2] = {-1, -1};
  const bool keys_piped = input == Input::pipes || input == Input::output_at_terminal;
  const bool output_piped = input == Input::pipes || input == Input::keys_at_terminal;
  if ((keys_piped && pipe2(to_child, O_CLOEXEC) != 0) ||
      (output_piped && pipe2(from_child, O_CLOEXEC) != 0))
    return;
  if (input != Input::pipes) {
    winsize size{};
    size.ws_row = static_cast<unsigned short>(screen.rows);
    size.ws_col = static_cast<unsigned short>(screen.columns);
    int terminal = -1;
    pid_ = forkpty(&terminal, nullptr, nullptr, &size);
    to_child_ = keys_piped ? to_child[1] : terminal;
    from_child_ = output_piped ? from_child[0] : terminal;
  } else {
    pid_ = fork();
    to_child_ = to_child[1];
    from_child_ = from_child[0];
  }
  if (pid_ == 0) {
    use_test_home(screen.environment);
    if (!screen.folder.empty() && chdir(screen.folder.c_str()) != 0) _exit(127);
    if (keys_piped) dup2(to_child[0], 0);
    if (output_piped) dup2(from_child[1], 1);
    setenv("TERM", screen.term.c_str(), 1);
    if (!screen.locale.empty()) setenv("LC_ALL", screen.locale.c_str(), 1);
    if (input == Input::shell) {
      dup2(err[1], 3);  // the shell's own messages go to the terminal, the browser's here
      setenv("PS1", "$ ", 1);
      execl("/bin/bash", "bash", "--norc", "--noprofile", "-i", nullptr);
      _exit(127);
    }
    if (input != Input::all_at_terminal) dup2(err[1], 2);
    exec_browser(args);
  }
  for (int fd : {err[1], to_child[0], from_child[1]})
    if (fd >= 0) close(fd);
  errors_ = err[0];
  if (pid_ < 0) output = "the test could not start the browser";
  if (input == Input::shell) {
    std::string command = LINEBROWSE_BINARY;
    for (const auto& arg : args) command += " '" + arg + "'";
    type(command + " 2>&3\r");
  }
}

LiveRun::~LiveRun() {
  if (pid_ > 0 && status_ == not_ended) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {to_child_, from_child_ == to_child_ ? -1 : from_child_, errors_})
    if (fd >= 0) close(fd);
}

void LiveRun::type(std::string_view keys) {
  while (!keys.empty() && to_child_ >= 0) {
    ssize_t sent = write(to_child_, keys.data(), keys.size());
    if (sent <= 0) return;
    keys.remove_prefix(static_cast<std::size_t>(sent));
  }
}

void LiveRun::interrupt(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

bool LiveRun::terminal_cooked() const {
  termios mode{};
  return tcgetattr(to_child_, &mode) == 0 && (mode.c_lflag & ECHO) != 0 &&
         (mode.c_lflag & ICANON) != 0;
}

bool LiveRun::terminal_taken(int seconds) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (termios mode{}; tcgetattr(to_child_, &mode) == 0;) {
    if ((mode.c_lflag & (ECHO | ICANON)) == 0) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

namespace {

// Polls `holds` on /proc/PID/NAME until it is true or `seconds` pass.
bool wait_for_process(pid_t pid, const char* name, int seconds,
                      const std::function<bool(const std::string&)>& holds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  const std::string path = "/proc/" + std::to_string(pid) + "/" + name;
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream file(path);
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    if (holds(text)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

}  // namespace

bool LiveRun::blocked_writing(int seconds) const {
  return wait_for_process(pid_, "wchan", seconds, [](const std::string& wchan) {
    return wchan.find("pipe_write") != std::string::npos;
  });
}

bool LiveRun::signals_delivered(int seconds) const {
  return wait_for_process(pid_, "status", seconds, [](const std::string& status) {
    for (const char* pending : {"\nSigPnd:\t", "\nShdPnd:\t"}) {
      const std::size_t at = status.find(pending);
      if (at == std::string::npos) return false;
      const std::size_t from = at + std::string_view(pending).size();
      const std::string mask = status.substr(from, status.find('\n', from) - from);
      if (mask.find_first_not_of('0') != std::string::npos) return false;
    }
    return true;
  });
}

void LiveRun::resize(int rows, int columns) {
  winsize size{};
  size.ws_row = static_cast<unsigned short>(rows);
  size.ws_col = static_cast<unsigned short>(columns);
  ioctl(to_child_, TIOCSWINSZ, &size);
}

bool LiveRun::read_for(std::chrono::steady_clock::time_point deadline) {
  pollfd ready{from_child_, POLLIN, 0};
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (from_child_ < 0 || left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0)
    return false;
  char buffer[65536];
  ssize_t got = read(from_child_, buffer, sizeof buffer);
  if (got <= 0) return false;
  output.append(buffer, static_cast<std::size_t>(got));
  return true;
}

bool LiveRun::shows(std::string_view text, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    auto at = output.find(text, seen_);
    if (at != std::string::npos) {
      seen_ = at + text.size();
      return true;
    }
    // Rows can pour out by the megabyte: keep only what a later search needs.
    if (output.size() > (std::size_t{1} << 20)) {
      const std::size_t keep = std::max(seen_, output.size() - text.size());
      output.erase(0, keep);
      seen_ -= std::min(seen_, keep);
    }
    if (!read_for(deadline)) return false;
  }
}

int LiveRun::finish(int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (read_for(deadline)) {
  }
  if (pid_ <= 0) return status_;
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  char buffer[4096];
  fcntl(errors_, F_SETFL, O_NONBLOCK);
  for (ssize_t got; (got = read(errors_, buffer, sizeof buffer)) > 0;)
    errors.append(buffer, static_cast<std::size_t>(got));
  return status_;
}
