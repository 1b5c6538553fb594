#include "tests/core/child_process.h"
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

// Error boxes would block a test run that happens to have a display.
static const int headless_for_tests = setenv("SDL_VIDEODRIVER", "dummy", 1);

static void drain(int fds[2], std::string& out, std::string& err) {
  pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
  int open_count = 2;
  char buf[4096];
  while (open_count > 0) {
    if (poll(p, 2, -1) < 0) break;
    for (int i = 0; i < 2; i++) {
      if (p[i].fd < 0 || !(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = read(p[i].fd, buf, sizeof(buf));
      if (n <= 0) {
        close(p[i].fd);
        p[i].fd = -1;
        open_count--;
      } else {
        (i == 0 ? out : err).append(buf, size_t(n));
      }
    }
  }
}

ChildResult run_in_child(const std::function<void()>& body) {
  (void)headless_for_tests;
  ChildResult result;
  int out_pipe[2], err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) return result;
  fflush(stdout);
  fflush(stderr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    body();
    fflush(stdout);
    _exit(0);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  int fds[2] = {out_pipe[0], err_pipe[0]};
  drain(fds, result.out, result.err);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  const char* old = getenv(name);
  hadOld_ = old != nullptr;
  if (old) old_ = old;
  if (value) setenv(name, value, 1);
  else unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (hadOld_) setenv(name_.c_str(), old_.c_str(), 1);
  else unsetenv(name_.c_str());
}

TempFolder::TempFolder() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "eh_core_test_XXXXXX").string();
  if (mkdtemp(tmpl.data())) path_ = tmpl;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}
