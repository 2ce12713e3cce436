#include "vector_env.h"

#include <cstring>
#include <new>

namespace zorbly::python {

namespace {

std::uint8_t* zeroed(std::size_t bytes) {
  auto* block = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  if (!block) throw std::bad_alloc();
  return block;
}

}  // namespace

VectorGames::VectorGames(const Assets& assets, int games, const PlayerOptions& options,
                         int threads)
    : seeds_(static_cast<std::size_t>(games)),
      observationBytes_(static_cast<std::size_t>(observationSize(options.observation)) *
                        (options.observation == Observation::state ? sizeof(float) : 1)),
      observations_(zeroed(observationBytes_ * seeds_.size())),
      finalObservations_(zeroed(observationBytes_ * seeds_.size())),
      rewards_(seeds_.size()),
      scores_(seeds_.size()),
      frames_(seeds_.size()),
      terminated_(new bool[seeds_.size()]()),
      truncated_(new bool[seeds_.size()]()),
      autoreset_(new bool[seeds_.size()]()),
      scratch_(new Framebuffer[static_cast<std::size_t>(threads)]),
      workers_(threads) {
  players_.reserve(seeds_.size());
  for (int i = 0; i < games; ++i) players_.push_back(std::make_unique<Player>(assets, options));
}

template <typename Each>
void VectorGames::forEachGame(Each each) {
  workers_.run(size(), each);
}

void VectorGames::reset(const std::uint64_t* seeds) {
  forEachGame([&](int i, int thread) {
    seeds_[i] = seeds[i];
    players_[i]->reset(seeds_[i]);
    rewards_[i] = 0;
    terminated_[i] = truncated_[i] = autoreset_[i] = false;
    finish(i, thread);
  });
}

void VectorGames::step(const std::int64_t* actions) {
  forEachGame([&](int i, int thread) {
    stepGame(i, actions[i]);
    finish(i, thread);
  });
}

void VectorGames::stepGame(int i, std::int64_t action) {
  Player& player = *players_[i];
  if (player.done()) {
    std::memcpy(&finalObservations_[i * observationBytes_], &observations_[i * observationBytes_],
                observationBytes_);
    seeds_[i] += seeds_.size();
    player.reset(seeds_[i]);
    rewards_[i] = 0;
    terminated_[i] = truncated_[i] = false;
    autoreset_[i] = true;
    return;
  }
  const Step result = player.step(static_cast<int>(action));
  rewards_[i] = result.reward;
  terminated_[i] = result.terminated;
  truncated_[i] = result.truncated;
  autoreset_[i] = false;
}

// The observation and what the info reports of game i after its step.
void VectorGames::finish(int i, int thread) {
  const Player& player = *players_[i];
  player.observe(scratch_[thread], &observations_[i * observationBytes_]);
  scores_[i] = player.game().state().score;
  frames_[i] = player.frames();
}

}  // namespace zorbly::python
