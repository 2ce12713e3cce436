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

Workers::Workers(int threads) : threads_(threads), runs_(new Run[static_cast<std::size_t>(threads)]) {
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
  const std::uint32_t job = job_.load() + 1;
  work_ = work;
  call_ = call;
  // About eight chunks a thread: small enough that the threads finish
  // together, large enough that taking one costs next to nothing.
  const int chunk = std::max(1, count / (threads_ * 8));
  const int chunks = (count + chunk - 1) / chunk;
  count_.store(count, std::memory_order_relaxed);
  chunk_.store(chunk, std::memory_order_relaxed);
  chunks_.store(chunks, std::memory_order_relaxed);
  failure_ = nullptr;
  done_.store(0);
  for (int t = 0; t < threads_; ++t)
    runs_[t].next.store(std::uint64_t{job} << 32 | static_cast<std::uint32_t>(chunks * t / threads_));
  job_.store(job);  // publishes the job
  if (sleepers_.load() > 0) {
    { std::lock_guard lock(mutex_); }  // a worker between its check and its wait sees the job
    started_.notify_all();
  }
  share(job, 0);
  for (unsigned spins = 0; done_.load(std::memory_order_acquire) != chunks; ++spins) {
    if (spins < 1u << 14) relax();
    else std::this_thread::yield();  // a worker with a chunk lost its core
  }
  std::lock_guard lock(mutex_);
  if (failure_) std::rethrow_exception(failure_);
}

void Workers::drain(std::uint32_t job, int owner, int thread) {
  std::atomic<std::uint64_t>& run = runs_[owner].next;
  for (std::uint64_t next = run.load(std::memory_order_acquire);;) {
    const int chunks = chunks_.load(std::memory_order_relaxed);
    const int end = static_cast<int>(static_cast<std::int64_t>(chunks) * (owner + 1) / threads_);
    if (jobOf(next) != job || static_cast<int>(next & 0xFFFFFFFF) >= end) return;
    if (!run.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel)) continue;
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
    next = run.load(std::memory_order_acquire);
  }
}

void Workers::share(std::uint32_t job, int thread) {
  for (int k = 0; k < threads_; ++k) drain(job, (thread + k) % threads_, thread);
}

std::uint32_t Workers::nextJob(std::uint32_t seen) {
  const auto until = std::chrono::steady_clock::now() + spinFor;
  for (unsigned spins = 0;; ++spins) {
    const std::uint32_t job = job_.load(std::memory_order_acquire);
    if (job != seen || stopping_) return job;
    if (spins % 64 == 63 && std::chrono::steady_clock::now() > until) break;
    relax();
  }
  std::unique_lock lock(mutex_);
  sleepers_.fetch_add(1);
  started_.wait(lock, [&] { return stopping_ || job_.load() != seen; });
  sleepers_.fetch_sub(1);
  return job_.load(std::memory_order_acquire);
}

void Workers::serve(int thread) {
  std::uint32_t seen = 0;
  while (!stopping_) {
    seen = nextJob(seen);
    if (!stopping_) share(seen, thread);
  }
}

}  // namespace zorbly::python
