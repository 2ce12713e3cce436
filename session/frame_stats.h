#pragma once
// What --stats prints when the window closes: how many frames came, how late
// they started against their deadlines, and what they cost.

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <ostream>

namespace zorbly {

// The processor time this process has used so far, in seconds (std::clock()
// on Windows is the time since the start instead).
double processCpuSeconds();

class FrameStats {
 public:
  // One frame started `lateMs` after its deadline.
  void frame(double lateMs) {
    ++frames_;
    totalLateMs_ += lateMs;
    worstLateMs_ = std::max(worstLateMs_, lateMs);
    if (lateMs <= 2.0) ++onTime_;
  }

  std::uint64_t frames() const { return frames_; }

  void firstFrameShown(double msSinceStart) {
    if (firstFrameMs_ < 0) firstFrameMs_ = msSinceStart;
  }

  // zorbly: stats: frames 3840, late mean 0.110 ms, late worst 1.950 ms,
  // within 2 ms 99.95%, cpu 0.412 s, first frame 38.2 ms
  void print(std::ostream& out) const {
    const double cpu = processCpuSeconds();
    const auto n = static_cast<double>(std::max<std::uint64_t>(frames_, 1));
    out.setf(std::ios::fixed);
    out.precision(3);
    out << "zorbly: stats: frames " << frames_ << ", late mean " << totalLateMs_ / n
        << " ms, late worst " << worstLateMs_ << " ms, within 2 ms ";
    out.precision(2);
    out << 100.0 * static_cast<double>(onTime_) / n << "%, cpu ";
    out.precision(3);
    out << cpu << " s, first frame ";
    out.precision(1);
    out << firstFrameMs_ << " ms\n";
  }

 private:
  std::uint64_t frames_ = 0, onTime_ = 0;
  double totalLateMs_ = 0, worstLateMs_ = 0;
  double firstFrameMs_ = -1;
};

}  // namespace zorbly
