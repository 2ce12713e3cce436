#!/usr/bin/python3
"""A player that presses random buttons: zorbly.Env at its plainest.

    /usr/bin/python3 python/examples/random_agent.py [GAMES]
"""

import sys

import zorbly


def main():
    games = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    env = zorbly.Env(obs="state", frame_skip=4)
    env.action_space.seed(0)
    scores = []
    for game in range(games):
        obs, info = env.reset(seed=game)
        total, done = 0.0, False
        while not done:
            action = env.action_space.sample()
            obs, reward, terminated, truncated, info = env.step(action)
            total += reward
            done = terminated or truncated
        scores.append(total)
        print(f"game {game}: {total:.0f} points in {info['frames']} frames")
    print(f"mean {sum(scores) / len(scores):.2f} points over {games} games")


if __name__ == "__main__":
    main()
