#pragma once
// zorbly.VectorEnv's engine: n players (player.h) stepped together over a
// fixed set of threads, each game by one thread, writing observations,
// rewards and flags into arrays allocated once. Nothing is allocated while
// stepping, and the results are the same whatever the number of threads.
//
// A game that is done (terminated or truncated) is reset on its next step:
// that step ignores its action, gives the new game's first observation with
// reward 0 and both flags false, marks it in autoreset(), and keeps the
// observation the game ended on in finalObservations().

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "player.h"
#include "workers.h"

namespace zorbly::python {

class VectorGames {
 public:
  VectorGames(const Assets& assets, int games, const PlayerOptions& options, int threads);

  int size() const { return static_cast<int>(players_.size()); }
  int threads() const { return workers_.threads(); }
  // Bytes of one observation.
  std::size_t observationBytes() const { return observationBytes_; }

  // New games for all: game i gets seeds[i], and each of its later games
  // the seed of the one before plus the number of games.
  void reset(const std::uint64_t* seeds);

  // One step of every game; actions[i] is game i's, 0 .. actionCount-1
  // (checked by the caller).
  void step(const std::int64_t* actions);

  std::uint8_t* observations() { return observations_.get(); }
  std::uint8_t* finalObservations() { return finalObservations_.get(); }
  double* rewards() { return rewards_.data(); }
  double* scores() { return scores_.data(); }
  std::uint64_t* frames() { return frames_.data(); }
  bool* terminated() { return terminated_.get(); }
  bool* truncated() { return truncated_.get(); }
  bool* autoreset() { return autoreset_.get(); }
  const Player& player(int i) const { return *players_[static_cast<std::size_t>(i)]; }

 private:
  template <typename Each>
  void forEachGame(Each each);
  void stepGame(int i, std::int64_t action);
  void finish(int i, int thread);

  std::vector<std::unique_ptr<Player>> players_;
  std::vector<std::uint64_t> seeds_;
  std::size_t observationBytes_;
  // Zeroed by calloc: a large block comes straight from the system, and its
  // pages take no memory until written (the final observations of games
  // that never end, many of the pictures' bytes).
  struct Free {
    void operator()(void* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t[], Free> observations_, finalObservations_;
  std::vector<double> rewards_, scores_;
  std::vector<std::uint64_t> frames_;
  std::unique_ptr<bool[]> terminated_, truncated_, autoreset_;
  std::unique_ptr<Framebuffer[]> scratch_;  // one a thread, for composing pixels
  Workers workers_;
};

}  // namespace zorbly::python
