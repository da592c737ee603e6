#include "tool_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <thread>

namespace quorvel::test {

ToolProcess::ToolProcess(const std::vector<std::string>& arguments,
                         const std::filesystem::path& cwd, const ProcessOptions& options) {
  // Everything the child needs is built before the fork: after it only system calls run.
  std::string binary = options.program;
  std::vector<std::string> copies = arguments;
  std::vector<char*> argv{binary.data()};
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const std::string directory = cwd.string();

  int pipeFds[2];
  int errorFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (::pipe2(errorFds, O_CLOEXEC) != 0) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    throw std::runtime_error("pipe failed");
  }
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::dup2(errorFds[1], STDERR_FILENO);
    const int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, STDIN_FILENO);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
      ::signal(signalNumber, SIG_DFL);
    }
    if (options.ignoreHangup) ::signal(SIGHUP, SIG_IGN);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (options.fileSizeLimit) {
      const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
    }
    if (options.addressSpaceLimit) {
      const rlimit limit{*options.addressSpaceLimit, *options.addressSpaceLimit};
      if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(127);
    }
    if (options.user) {
      const gid_t group = *options.user;
      if (::setgroups(0, nullptr) != 0 || ::setgid(group) != 0 || ::setuid(*options.user) != 0) {
        ::_exit(kCannotChangeUser);
      }
    }
    // After the change of user, not before: a user already at the limit when it is taken on
    // could not run the program at all.
    if (options.processLimit) {
      const rlimit limit{*options.processLimit, *options.processLimit};
      if (::setrlimit(RLIMIT_NPROC, &limit) != 0) ::_exit(127);
    }
    if (::chdir(directory.c_str()) != 0) ::_exit(127);
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  ::close(errorFds[1]);
  output_ = pipeFds[0];
  errors_ = errorFds[0];
}

ToolProcess::~ToolProcess() {
  if (!reaped_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status_, 0);
  }
  if (output_ >= 0) ::close(output_);
  if (errors_ >= 0) ::close(errors_);
}

bool ToolProcess::ended() {
  if (!reaped_ && ::wait4(pid_, &status_, WNOHANG, &usage_) == pid_) reaped_ = true;
  return reaped_;
}

void ToolProcess::signal(int signalNumber) const { ::kill(pid_, signalNumber); }

RunResult ToolProcess::wait() {
  RunResult result;
  // Both streams are drained together: a child blocked on a full stderr pipe would otherwise
  // never close its stdout.
  pollfd streams[2] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
  std::string* texts[2] = {&result.out, &result.err};
  while (streams[0].fd >= 0 || streams[1].fd >= 0) {
    if (::poll(streams, 2, -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("poll failed");
    }
    for (int i = 0; i < 2; ++i) {
      if (streams[i].fd < 0 || streams[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = ::read(streams[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        texts[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        streams[i].fd = -1;  // poll skips a negative descriptor
      }
    }
  }
  if (!reaped_) {
    ::wait4(pid_, &status_, 0, &usage_);
    reaped_ = true;
  }
  result.peakKib = usage_.ru_maxrss;
  if (WIFEXITED(status_)) result.exitCode = WEXITSTATUS(status_);
  if (WIFSIGNALED(status_)) result.signalNumber = WTERMSIG(status_);
  return result;
}

RunResult runTool(const std::vector<std::string>& arguments, const std::filesystem::path& cwd,
                  const ProcessOptions& options) {
  ToolProcess process(arguments, cwd, options);
  return process.wait();
}

bool waitFor(ToolProcess& process, const std::function<bool()>& condition,
             std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (process.ended() || std::chrono::steady_clock::now() > deadline) return condition();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

std::vector<std::string> directoryNames(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> temporaryMaps(const std::filesystem::path& directory) {
  std::vector<std::string> found;
  for (const std::string& name : directoryNames(directory)) {
    if (name.find(".map.tmp") != std::string::npos) found.push_back(name);
  }
  return found;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace quorvel::test
