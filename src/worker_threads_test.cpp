#include "worker_threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quorvel {
namespace {

TEST(WorkerThreads, EveryJobRunsOnceAndTheLowestFailureIsRethrown) {
  struct Case {
    int count;
    int threads;
    std::set<int> failing;
  };
  const Case cases[] = {
      {0, 4, {}},    {1, 4, {}},       {7, 1, {}},           {100, 4, {}},
      {100, 64, {}}, {5, 0, {}},       {1, 1, {0}},          {9, 3, {0, 4}},
      {9, 3, {8}},   {40, 1, {12, 3}}, {40, 4, {39, 7, 30}}, {64, 8, {1, 2, 63}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " jobs on " + std::to_string(c.threads));
    std::vector<std::atomic<int>> runs(static_cast<std::size_t>(c.count));
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id ranZero;
    std::string thrown;
    try {
      runJobs(c.count, c.threads, [&](int n) {
        ++runs[static_cast<std::size_t>(n)];
        if (n == 0) ranZero = std::this_thread::get_id();
        if (c.failing.count(n) != 0) throw std::runtime_error(std::to_string(n));
      });
    } catch (const std::runtime_error& error) {
      thrown = error.what();
    }
    const int lowest = c.failing.empty() ? c.count : *c.failing.begin();
    EXPECT_EQ(thrown, c.failing.empty() ? "" : std::to_string(lowest));
    for (int n = 0; n < c.count; ++n) {
      // Past the failure a job may not have begun, but none runs twice.
      const int ran = runs[static_cast<std::size_t>(n)];
      if (n <= lowest) {
        EXPECT_EQ(ran, 1) << n;
      } else {
        EXPECT_LE(ran, 1) << n;
      }
    }
    if (c.count > 0) {
      EXPECT_EQ(ranZero, caller);
    }
  }
}

// Jobs that run jobs of their own, as a world's tiles run their blocFiles, get every inner job
// done, and the process never has more threads at work than processors.
TEST(WorkerThreads, NestedCallsShareTheProcessorsBudget) {
  std::atomic<int> working{0};
  std::atomic<int> most{0};
  std::atomic<int> innerRuns{0};
  const auto busy = [&] {
    const int now = ++working;
    int seen = most.load();
    while (now > seen && !most.compare_exchange_weak(seen, now)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // so that the jobs overlap
    --working;
  };
  runJobs(6, 6, [&](int) {
    busy();
    runJobs(5, 5, [&](int) {
      busy();
      ++innerRuns;
    });
  });
  EXPECT_EQ(innerRuns, 30);
  EXPECT_GE(most, 1);
  EXPECT_LE(most, workerSlots());
}

}  // namespace
}  // namespace quorvel
