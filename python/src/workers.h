#pragma once
// A fixed set of threads that run one job in parts, again and again, without
// starting a thread or allocating anything per job: how zorbly.VectorEnv
// steps its games over several cores.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace zorbly::python {

class Workers {
 public:
  // `parts` parts a job: part 0 on the calling thread, each other on a
  // thread of its own.
  explicit Workers(int parts);
  ~Workers();
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  int parts() const { return parts_; }

  // Calls work(part) once for every part, all at once, and returns when all
  // have returned; an exception thrown by a part is thrown here.
  template <typename Work>
  void run(Work& work) {
    run(&work, [](void* w, int part) { (*static_cast<Work*>(w))(part); });
  }

 private:
  void run(void* work, void (*call)(void*, int));
  void serve(int part);
  void runPart(int part);

  int parts_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable started_, finished_;
  void* work_ = nullptr;
  void (*call_)(void*, int) = nullptr;
  std::uint64_t job_ = 0;  // counts jobs; a worker waits for the next number
  int running_ = 0;        // parts of the job not finished yet
  bool stopping_ = false;
  std::exception_ptr failure_;
};

}  // namespace zorbly::python
