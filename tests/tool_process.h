#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::test {

struct RunResult {
  int exitCode = -1;     // -1 when the process did not exit normally
  int signalNumber = 0;  // the signal that ended it, if any
  std::string out;       // everything it printed on stdout
  std::string err;       // and on stderr
  long peakKib = 0;      // its peak resident memory
};

// What the child is given besides its arguments.
struct ProcessOptions {
  std::optional<unsigned long> fileSizeLimit;  // RLIMIT_FSIZE in bytes
  std::optional<unsigned long> addressSpaceLimit;  // RLIMIT_AS in bytes
  std::optional<uid_t> user;                   // run as this user and group id (needs root)
  std::optional<unsigned long> processLimit;   // RLIMIT_NPROC, set once the user is changed
  bool ignoreHangup = false;                   // start with SIGHUP ignored, as nohup does
  std::string program = QUORVEL_BINARY;        // the built quorvel unless told otherwise
};

// The exit code a child uses when it could not take on the requested user.
inline constexpr int kCannotChangeUser = 126;

// A built program (quorvel unless the options say otherwise) running in the background, in
// directory cwd with an empty stdin. Stop signals start at their default action whatever the
// test runner ignores. The destructor kills and reaps a child still running. The one way the
// tests start a child process.
class ToolProcess {
 public:
  ToolProcess(const std::vector<std::string>& arguments, const std::filesystem::path& cwd,
              const ProcessOptions& options = {});
  ~ToolProcess();
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  [[nodiscard]] pid_t pid() const { return pid_; }
  // True once the child has ended; it is reaped then, and wait() returns at once.
  bool ended();
  void signal(int signalNumber) const;
  // Waits for the end and returns everything it printed.
  RunResult wait();

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  int errors_ = -1;
  bool reaped_ = false;
  int status_ = 0;
  rusage usage_{};
};

// Runs the program to its end.
RunResult runTool(const std::vector<std::string>& arguments, const std::filesystem::path& cwd,
                  const ProcessOptions& options = {});

// Polls until condition holds or the process ends or the time runs out; returns the
// condition's last value.
bool waitFor(ToolProcess& process, const std::function<bool()>& condition,
             std::chrono::seconds limit);

// The names of the entries of a directory, sorted.
std::vector<std::string> directoryNames(const std::filesystem::path& directory);

// The temporary map files (name.map.tmp...) in a directory.
std::vector<std::string> temporaryMaps(const std::filesystem::path& directory);

// The lines of text, each without its line feed; a last line without a line feed is kept.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace quorvel::test
