#pragma once
// A fixed set of threads that share out one job again and again, without
// starting a thread or allocating anything per job: how zorbly.VectorEnv
// steps its games over several cores.
//
// A job is `count` items (games), cut into chunks. Each thread has its own
// run of chunks, the same run every job, so that its games stay in its
// core's cache; a thread that has done its own takes what is left of the
// others'. A thread that is late (waking a sleeping thread can take as long
// as a whole step on a virtual machine, and other programs may hold the
// cores) thus only does less: never slower than one thread for long. Which
// thread does which item may change from job to job, so the work must not
// depend on it; each call is only told its thread (for the thread's own
// scratch).
//
// A worker waits for the next job spinning for up to `spinFor`, so that
// steps that follow each other closely are shared out at once, then sleeps.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
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
  // Does the chunks of job `job` left in thread `owner`'s run.
  void drain(std::uint32_t job, int owner, int thread);
  // Its own run, then what is left of the others'.
  void share(std::uint32_t job, int thread);
  void serve(int thread);
  std::uint32_t nextJob(std::uint32_t seen);

  // Thread t's run of chunks: the job's number in the high half, the next
  // chunk in the low half. A chunk is taken only for the job it belongs to.
  struct alignas(64) Run {
    std::atomic<std::uint64_t> next{0};
  };

  int threads_;
  std::vector<std::thread> workers_;
  std::unique_ptr<Run[]> runs_;
  std::atomic<std::uint32_t> job_{0};  // the latest job, published after the runs
  std::atomic<int> done_{0};           // chunks of the job finished
  // Set before the job is published. A worker that woke late may look at
  // the counts while the next job sets them (it then takes nothing), hence
  // atomic; the work only after it took a chunk.
  void* work_ = nullptr;
  Call call_ = nullptr;
  std::atomic<int> count_{0}, chunk_{1}, chunks_{0};
  std::atomic<int> sleepers_{0};
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable started_;
  std::exception_ptr failure_;  // under mutex_
};

}  // namespace zorbly::python
