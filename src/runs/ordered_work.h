// Work items run apart, their results taken in the order of the items: a
// batch's output reads as if each item had run after the one before.
#pragma once

#include <cstddef>
#include <functional>

namespace skyloom {

// Runs work(i) for i in 0 .. count - 1 on up to `jobs` threads and hands each
// result to take in the order of i, on the calling thread; take returning
// false ends the work (no further results are taken). This one runs the
// items one after the other on the calling thread.
template <class Result>
void RunInOrder(std::size_t count, unsigned jobs, const std::function<Result(std::size_t)>& work,
                const std::function<bool(std::size_t, Result&&)>& take) {
  (void)jobs;
  for (std::size_t i = 0; i < count; ++i)
    if (!take(i, work(i))) return;
}

}  // namespace skyloom
