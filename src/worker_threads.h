#pragma once

#include <functional>
#include <thread>

namespace quorvel {

// How many threads work in runJobs calls at once, over the whole process: one per processor.
[[nodiscard]] int workerSlots();

// Runs job(0) ... job(count - 1) on this thread and up to threads - 1 others, which every call
// in the process draws from one budget of workerSlots() (this thread counts as one, once, even
// when a job runs jobs of its own): two compiles at once share the processors instead of each
// starting a thread per processor. A thread the budget or the system cannot give is done
// without, down to this thread alone.
// Jobs are begun in index order, job 0 always and on this thread, so that it may use what
// belongs to the caller's thread. Once a job has thrown no other is begun; every job below it
// has run, and when all threads are joined the exception of the lowest failing index is
// rethrown, whichever thread met its fault first. A job must never wait for another job: on one
// thread they run one after the other.
void runJobs(int count, int threads, const std::function<void(int)>& job);

// A thread for work that only saves time and runs beside the caller's own (buffers made
// ahead), outside the workers' budget: it mostly waits on the kernel. When no thread can be
// had, the caller does without.
class SideThread {
 public:
  SideThread() = default;
  SideThread(const SideThread&) = delete;
  SideThread& operator=(const SideThread&) = delete;
  ~SideThread() { join(); }

  // Starts work on a thread of its own; false, and work not begun, when none could be had. work
  // must not throw: nobody waits for its result.
  bool start(std::function<void()> work);
  void join();

 private:
  std::thread thread_;
};

}  // namespace quorvel
