#include "worker_threads.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace quorvel {

namespace {

// The threads now working in runJobs calls, callers included. It is the only thing shared
// between calls, and it is back at 0 whenever none runs: the workers themselves are made per
// call and joined before it returns, so nothing of ours outlives a call or keeps a thread while
// idle. A pool of threads kept between calls would save only their creation, which jobs that are
// parts of a map dwarf.
std::atomic<int>& busy() {
  static std::atomic<int> count{0};
  return count;
}

// Whether this thread is counted in busy(): a job that runs jobs of its own (a tile's blocFiles)
// spends its own place and does not count twice. False again when the outermost call returns.
thread_local bool counted = false;

// A place in the budget, or false when every one is taken. Never waits: a thread that waited
// for a place while holding a lock that a working job needs would never get one.
bool takeSlot() {
  int now = busy().load();
  while (now < workerSlots()) {
    if (busy().compare_exchange_weak(now, now + 1)) return true;
  }
  return false;
}

// This thread's place for the time of a call, unless it already has one.
class CallerPlace {
 public:
  CallerPlace() : mine_(!counted) {
    if (mine_) {
      ++busy();
      counted = true;
    }
  }
  CallerPlace(const CallerPlace&) = delete;
  CallerPlace& operator=(const CallerPlace&) = delete;
  ~CallerPlace() { release(); }
  // Gives the place back once this thread only waits for its helpers: a job still running on
  // one of them may take it up for jobs of its own (the last tile of a world, its sweeps).
  void release() {
    if (mine_) {
      mine_ = false;
      counted = false;
      --busy();
    }
  }

 private:
  bool mine_;
};

class Call {
 public:
  Call(int count, const std::function<void(int)>& job) : count_(count), job_(job) {}

  void run(int n) {
    try {
      job_(n);
    } catch (...) {
      const std::lock_guard lock(mutex_);
      if (n < failedAt_) {
        failedAt_ = n;
        failure_ = std::current_exception();
      }
      stop_ = true;
    }
  }

  // Takes jobs until none is left or one has failed. The failure is looked for before a job is
  // taken, never after: a job once taken runs, so that every job below a failing one has run.
  void takeJobs() {
    while (!stop_) {
      const int n = next_++;
      if (n >= count_) return;
      run(n);
    }
  }

  void rethrow() const {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  const int count_;
  const std::function<void(int)>& job_;
  std::atomic<int> next_{1};  // job 0 is the caller's
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  int failedAt_ = count_;
  std::exception_ptr failure_;
};

void helperThread(Call& call) {
  counted = true;
  call.takeJobs();
  --busy();
}

}  // namespace

int workerSlots() {
  static const int slots = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  return slots;
}

void runJobs(int count, int threads, const std::function<void(int)>& job) {
  if (count <= 0) return;
  CallerPlace place;
  Call call(count, job);
  const auto wanted = static_cast<std::size_t>(std::clamp(threads, 1, count) - 1);
  std::vector<std::thread> helpers;
  helpers.reserve(wanted);
  while (helpers.size() < wanted && takeSlot()) {
    try {
      helpers.emplace_back(helperThread, std::ref(call));
    } catch (const std::system_error&) {
      --busy();  // the system has no thread to give: the threads there are do every job
      break;
    }
  }
  call.run(0);
  call.takeJobs();
  place.release();
  for (std::thread& helper : helpers) helper.join();
  call.rethrow();
}

bool SideThread::start(std::function<void()> work) {
  join();
  try {
    thread_ = std::thread(std::move(work));
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void SideThread::join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace quorvel
