#include "workers.h"

namespace zorbly::python {

Workers::Workers(int parts) : parts_(parts) {
  threads_.reserve(static_cast<std::size_t>(parts - 1));
  for (int part = 1; part < parts; ++part) threads_.emplace_back([this, part] { serve(part); });
}

Workers::~Workers() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  started_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void Workers::runPart(int part) {
  try {
    call_(work_, part);
  } catch (...) {
    std::lock_guard lock(mutex_);
    if (!failure_) failure_ = std::current_exception();
  }
}

void Workers::run(void* work, void (*call)(void*, int)) {
  {
    std::lock_guard lock(mutex_);
    work_ = work;
    call_ = call;
    running_ = parts_ - 1;
    failure_ = nullptr;
    ++job_;
  }
  started_.notify_all();
  runPart(0);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return running_ == 0; });
  if (failure_) std::rethrow_exception(failure_);
}

void Workers::serve(int part) {
  std::uint64_t done = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      started_.wait(lock, [&] { return stopping_ || job_ != done; });
      if (stopping_) return;
      done = job_;
    }
    runPart(part);
    bool last;
    {
      std::lock_guard lock(mutex_);
      last = --running_ == 0;
    }
    if (last) finished_.notify_one();
  }
}

}  // namespace zorbly::python
