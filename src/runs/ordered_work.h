#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace skyloom {

// The number of worker threads a request for `jobs` gets: 0 means every core; never more than
// the machine has (a thread per core is all the work can use), never less than one.
inline unsigned WorkerCount(unsigned jobs) {
  unsigned cores = std::thread::hardware_concurrency();
  if (cores == 0) cores = 1;
  if (jobs == 0 || jobs > cores) return cores;
  return jobs;
}

// Runs work(i) for every i in [0, count) on up to `jobs` threads (0: as many as the machine
// has), and hands each result to take(i, result) on the calling thread in the order of i,
// as soon as it and all before it are done; at most about 2*jobs results wait at once.
// take may return false to stop: no work starts after that, the calling thread waits for
// the work going on and returns.
// An exception thrown by work(i) is rethrown on the calling thread when i's turn comes (after
// every result before it was taken), once the work going on has ended; one thrown by take
// likewise ends the run and is rethrown.
template <class Result>
void RunInOrder(std::size_t count, unsigned jobs, const std::function<Result(std::size_t)>& work,
                const std::function<bool(std::size_t, Result&&)>& take) {
  const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(WorkerCount(jobs), count));
  if (workers <= 1) {
    // One thread: no waiting results, no thread started, the order is simply that of i.
    for (std::size_t i = 0; i < count; ++i) {
      if (!take(i, work(i))) return;
    }
    return;
  }
  // A result is either a value or the exception its work threw.
  struct Done {
    std::optional<Result> value;
    std::exception_ptr error;
  };
  const std::size_t window = 2 * static_cast<std::size_t>(workers);
  std::mutex mutex;
  std::condition_variable changed;
  std::map<std::size_t, Done> done;  // finished, not yet taken
  std::size_t next_start = 0;        // the next i a worker starts
  std::size_t next_take = 0;         // the next i the calling thread hands to take
  std::size_t taken = 0;             // how many take accepted: the window starts there
  bool stopping = false;

  auto run_worker = [&] {
    std::unique_lock lock(mutex);
    for (;;) {
      // A worker starts i only while i is within the window of the next result taken, so
      // a slow early run never lets later results pile up without bound.
      changed.wait(lock, [&] { return stopping || next_start >= count || next_start < taken + window; });
      if (stopping || next_start >= count) return;
      const std::size_t i = next_start++;
      lock.unlock();
      Done result;
      try {
        result.value.emplace(work(i));
      } catch (...) {
        result.error = std::current_exception();
      }
      lock.lock();
      done.emplace(i, std::move(result));
      changed.notify_all();
    }
  };

  std::vector<std::thread> threads;
  threads.reserve(workers);
  auto finish = [&] {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    changed.notify_all();
    for (auto& thread : threads) thread.join();
  };
  try {
    for (unsigned t = 0; t < workers; ++t) threads.emplace_back(run_worker);
  } catch (...) {
    finish();
    throw;
  }

  std::exception_ptr failure;
  std::unique_lock lock(mutex);
  while (next_take < count) {
    changed.wait(lock, [&] { return done.count(next_take) != 0; });
    auto node = done.extract(next_take);
    const std::size_t i = next_take++;
    lock.unlock();
    Done& result = node.mapped();
    if (result.error) {
      failure = result.error;
      break;
    }
    bool more = false;
    try {
      more = take(i, std::move(*result.value));
    } catch (...) {
      failure = std::current_exception();
      break;
    }
    if (!more) break;
    lock.lock();
    // The window moves on only once take accepted the result, so nothing starts after a
    // take that said stop.
    taken = next_take;
    changed.notify_all();
  }
  if (lock.owns_lock()) lock.unlock();
  finish();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace skyloom
