#include "tool_process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace quorvel::test {

ToolProcess::ToolProcess(const std::vector<std::string>& arguments,
                         const std::filesystem::path& cwd, const ProcessOptions& options) {
  // Everything the child needs is built before the fork: after it only system calls run.
  std::string binary = QUORVEL_BINARY;
  std::vector<std::string> copies = arguments;
  std::vector<char*> argv{binary.data()};
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const std::string directory = cwd.string();

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
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
    if (options.user) {
      const gid_t group = *options.user;
      if (::setgroups(0, nullptr) != 0 || ::setgid(group) != 0 || ::setuid(*options.user) != 0) {
        ::_exit(kCannotChangeUser);
      }
    }
    if (::chdir(directory.c_str()) != 0) ::_exit(127);
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  output_ = pipeFds[0];
}

ToolProcess::~ToolProcess() {
  if (!reaped_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status_, 0);
  }
  if (output_ >= 0) ::close(output_);
}

bool ToolProcess::ended() {
  if (!reaped_ && ::waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
  return reaped_;
}

void ToolProcess::signal(int signalNumber) const { ::kill(pid_, signalNumber); }

RunResult ToolProcess::wait() {
  RunResult result;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = ::read(output_, buffer, sizeof buffer)) > 0) {
    result.out.append(buffer, static_cast<std::size_t>(got));
  }
  if (!reaped_) {
    ::waitpid(pid_, &status_, 0);
    reaped_ = true;
  }
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
