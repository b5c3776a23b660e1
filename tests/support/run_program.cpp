// Runs the real browser binary as a user would: arguments, standard input
// from a string, standard output and error captured apart.
#include "support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace {

void start_child(const std::vector<std::string>& args, int in, int out, int err,
                 int max_descriptors) {
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  if (max_descriptors > 0) {
    rlimit limit{static_cast<rlim_t>(max_descriptors), static_cast<rlim_t>(max_descriptors)};
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  std::vector<char*> argv;
  static char name[] = LINEBROWSE_BINARY;
  argv.push_back(name);
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(name, argv.data());
  _exit(127);
}

bool drain(int fd, std::string& into) {
  char buffer[65536];
  ssize_t got = read(fd, buffer, sizeof buffer);
  if (got <= 0) return false;
  into.append(buffer, static_cast<std::size_t>(got));
  return true;
}

}  // namespace

ProgramRun run_browser(const std::vector<std::string>& args, const std::string& input, int seconds,
                       int max_descriptors) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return {};
  pid_t child = fork();
  if (child == 0) start_child(args, in[0], out[1], err[1], max_descriptors);
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
  return run;
}
