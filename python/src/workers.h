#pragma once
// A fixed set of threads that share out one job again and again, without
// starting a thread or allocating anything per job: how zorbly.VectorEnv
// steps its games over several cores.
//
// A job is `count` items (games), cut into chunks that the calling thread
// and the workers take in turn until none is left. Which thread does which
// item changes from job to job, so the work must not depend on it; it only
// tells each call which thread it runs on (for the thread's own scratch).
// A thread that is late (waking a sleeping thread can take as long as a
// whole step on a virtual machine, and other programs may hold the cores)
// simply finds less or nothing to do: never slower than one thread.
//
// A worker waits for the next job spinning for up to `spinFor`, so that
// steps that follow each other closely are shared out at once, then sleeps.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace zorbly::python {

class Workers {
 public:
  static constexpr std::chrono::microseconds spinFor{200};

  // `threads` threads in all: the calling thread and threads - 1 workers.
  explicit Workers(int threads);
  ~Workers();
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  int threads() const { return threads_; }

  // Calls work(item, thread) once for every item in [0, count), and returns
  // when all have returned; an exception thrown by a call is thrown here.
  template <typename Work>
  void run(int count, Work& work) {
    run(count, &work, [](void* w, int item, int thread) { (*static_cast<Work*>(w))(item, thread); });
  }

 private:
  using Call = void (*)(void*, int, int);
  void run(int count, void* work, Call call);
  // Takes chunks of job `job` while there are any; returns how many it did.
  int share(std::uint32_t job, int thread);
  void serve(int thread);
  std::uint32_t nextJob(std::uint32_t seen);

  int threads_;
  std::vector<std::thread> workers_;
  // The job: its number in the high half, the next chunk in the low half. A
  // thread takes a chunk only of the job it woke for.
  std::atomic<std::uint64_t> next_{0};
  std::atomic<int> done_{0};  // chunks of the job finished
  // Set before the job is published in next_, read after a chunk is taken.
  void* work_ = nullptr;
  Call call_ = nullptr;
  // Atomic only so that a worker that woke late may look at them while the
  // next job sets them; it then takes nothing.
  std::atomic<int> count_{0}, chunk_{1}, chunks_{0};
  std::atomic<int> sleepers_{0};
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable started_;
  std::exception_ptr failure_;  // under mutex_
};

}  // namespace zorbly::python
