#include "workers.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace zorbly::python {

namespace {

// Tells the processor that this is a spin loop.
inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

std::uint32_t jobOf(std::uint64_t next) { return static_cast<std::uint32_t>(next >> 32); }

}  // namespace

Workers::Workers(int threads) : threads_(threads) {
  workers_.reserve(static_cast<std::size_t>(threads - 1));
  for (int t = 1; t < threads; ++t) workers_.emplace_back([this, t] { serve(t); });
}

Workers::~Workers() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  started_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void Workers::run(int count, void* work, Call call) {
  const std::uint32_t job = jobOf(next_.load()) + 1;
  work_ = work;
  call_ = call;
  // About eight chunks a thread: small enough to even out, large enough
  // that taking one costs nothing.
  const int chunk = std::max(1, count / (threads_ * 8));
  count_.store(count, std::memory_order_relaxed);
  chunk_.store(chunk, std::memory_order_relaxed);
  chunks_.store((count + chunk - 1) / chunk, std::memory_order_relaxed);
  failure_ = nullptr;
  done_.store(0);
  next_.store(std::uint64_t{job} << 32);  // publishes the job
  if (sleepers_.load() > 0) {
    { std::lock_guard lock(mutex_); }  // a worker between its check and its wait sees the job
    started_.notify_all();
  }
  share(job, 0);
  const int chunks = chunks_.load(std::memory_order_relaxed);
  for (unsigned spins = 0; done_.load(std::memory_order_acquire) != chunks; ++spins) {
    if (spins < 1u << 14) relax();
    else std::this_thread::yield();  // a worker with a chunk lost its core
  }
  std::lock_guard lock(mutex_);
  if (failure_) std::rethrow_exception(failure_);
}

int Workers::share(std::uint32_t job, int thread) {
  int taken = 0;
  for (std::uint64_t next = next_.load(std::memory_order_acquire);;) {
    if (jobOf(next) != job ||
        static_cast<int>(next & 0xFFFFFFFF) >= chunks_.load(std::memory_order_relaxed))
      return taken;
    if (!next_.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel)) continue;
    const int chunk = chunk_.load(std::memory_order_relaxed);
    const int first = static_cast<int>(next & 0xFFFFFFFF) * chunk;
    const int last = std::min(count_.load(std::memory_order_relaxed), first + chunk);
    try {
      for (int item = first; item < last; ++item) call_(work_, item, thread);
    } catch (...) {
      std::lock_guard lock(mutex_);
      if (!failure_) failure_ = std::current_exception();
    }
    done_.fetch_add(1, std::memory_order_acq_rel);
    ++taken;
    next = next_.load(std::memory_order_acquire);
  }
}

std::uint32_t Workers::nextJob(std::uint32_t seen) {
  const auto until = std::chrono::steady_clock::now() + spinFor;
  for (unsigned spins = 0;; ++spins) {
    const std::uint32_t job = jobOf(next_.load(std::memory_order_acquire));
    if (job != seen || stopping_) return job;
    if (spins % 64 == 63 && std::chrono::steady_clock::now() > until) break;
    relax();
  }
  std::unique_lock lock(mutex_);
  sleepers_.fetch_add(1);
  started_.wait(lock, [&] { return stopping_ || jobOf(next_.load()) != seen; });
  sleepers_.fetch_sub(1);
  return jobOf(next_.load(std::memory_order_acquire));
}

void Workers::serve(int thread) {
  std::uint32_t seen = 0;
  while (!stopping_) {
    seen = nextJob(seen);
    if (!stopping_) share(seen, thread);
  }
}

}  // namespace zorbly::python
