#!/usr/bin/python3
"""A player that learns, with NumPy only: the cross-entropy method on a
linear policy over the state vector.

The policy always fires (a press while the shot flies is lost anyway) and
moves the way that scores best in features @ W: stay, up or down. The
features are the state vector and a few things read off it (where each bird
and each enemy shot is against the ship). Each round draws POPULATION
policies from a normal distribution, plays each on the same GAMES games, all
at once in one zorbly.VectorEnv, and moves the distribution to the ELITE
best. At the end the mean policy plays 100 games it has not seen.

    /usr/bin/python3 python/examples/cem_agent.py [ROUNDS]
"""

import sys
import time

import numpy as np

import zorbly

POPULATION, GAMES, ELITE = 32, 8, 6
MAX_FRAMES = 6000  # a game to the ending takes about 4,000 frames
MOVES = 3  # stay, up, down; fired with each: actions 3, 4 and 5
NAMES = zorbly.STATE_NAMES
SHIP = NAMES.index("jikiY")
BIRDS = [NAMES.index(f"tekiY[{i}]") for i in range(3)]
SHOTS_X = [NAMES.index(f"telaX[{i}]") for i in range(3)]
SHOTS_Y = [NAMES.index(f"telaY[{i}]") for i in range(3)]
BOSS = NAMES.index("bossY")


def features(obs):
    """The state vector (places in fields of 120 pixels), and what a player
    looks at: each enemy shot's threat (near the ship's column and its
    middle's height) and on which side it passes, each bird's row against
    the row the ship's shot flies in, the boss's against it, and 1."""
    ship = obs[:, [SHIP]]
    dy = obs[:, SHOTS_Y] - ship - 25 / 120
    threat = np.exp(-np.maximum(obs[:, SHOTS_X] - 0.1, 0) / 0.15) * np.exp(-(dy / 0.12) ** 2)
    aim = obs[:, BIRDS] - ship - 19 / 120
    boss = obs[:, [BOSS]] + 5 / 120 - ship
    return np.hstack([obs, threat, threat * np.sign(dy), np.tanh(aim * 10), np.tanh(boss * 10),
                      np.ones_like(ship)])


FEATURES = features(np.zeros((1, len(NAMES)), np.float32)).shape[1]


def play(envs, weights, seeds):
    """The points and frames of each game's first game, game i played by
    policy i // (games per policy) from seeds[i]."""
    obs, _ = envs.reset(seed=seeds)
    n = envs.num_envs
    w = np.repeat(weights.reshape(-1, FEATURES, MOVES), n // len(weights), axis=0)
    points, frames, playing = np.zeros(n), np.zeros(n), np.ones(n, bool)
    while playing.any():
        actions = 3 + np.einsum("nf,nfm->nm", features(obs), w).argmax(axis=1)
        obs, rewards, terminated, truncated, info = envs.step(actions)
        points += rewards * playing
        frames = np.where(playing, info["frames"], frames)
        playing &= ~(terminated | truncated)
    return points, frames


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 30
    rng = np.random.default_rng(0)
    size = FEATURES * MOVES
    mean, spread = np.zeros(size), np.ones(size)
    envs = zorbly.VectorEnv(POPULATION * GAMES, obs="state", frame_skip=4,
                            max_frames=MAX_FRAMES)
    started = time.perf_counter()
    for round_ in range(rounds):
        population = mean + spread * rng.standard_normal((POPULATION, size))
        # Every policy plays the same GAMES games of the round; living
        # longer counts a little, so that dodging pays before scoring does.
        seeds = np.tile(np.arange(GAMES) + round_ * GAMES, POPULATION)
        points, frames = play(envs, population, seeds)
        fitness = (points + frames / 500).reshape(POPULATION, GAMES).mean(axis=1)
        elite = population[np.argsort(fitness)[-ELITE:]]
        mean, spread = elite.mean(axis=0), elite.std(axis=0) + 0.1
        best = points.reshape(POPULATION, GAMES).mean(axis=1).max()
        print(f"round {round_ + 1:2}: the best policy {best:5.1f} points a game, all "
              f"{points.mean():5.1f} ({time.perf_counter() - started:.1f} s)")
    test = zorbly.VectorEnv(100, obs="state", frame_skip=4, max_frames=MAX_FRAMES)
    scores, _ = play(test, mean[None, :].repeat(100, axis=0), 10**9 + np.arange(100))
    print(f"the learnt policy: {scores.mean():.1f} points a game on 100 new games "
          f"(best {scores.max():.0f}, {int((scores == 100).sum())} to the ending); "
          f"learnt in {time.perf_counter() - started:.1f} s")


if __name__ == "__main__":
    main()
