"""clone(): the whole game, random source included, so that its future is
the original's future."""

import copy
import random

import zorbly

KEYS = [zorbly.KEY_UP, zorbly.KEY_DOWN, zorbly.KEY_Z]


def random_future(rng, frames):
    """Key events and runs of frames, `frames` frames in all."""
    future = []
    while frames > 0:
        future.append((rng.choice(["down", "down", "up"]), rng.choice(KEYS)))
        run = min(frames, rng.randrange(1, 12))
        future.append(("tick", run))
        frames -= run
    return future


def play(game, future):
    """What the game writes and shows along the future: trace lines, states,
    pictures, and its recording at the end."""
    seen = []
    for what, n in future:
        {"down": game.key_down, "up": game.key_up, "tick": game.tick}[what](n)
        if what == "tick":
            seen.append((game.trace, game.state, game.picture().tobytes(), game.over))
    return seen, game.recording


def test_a_clone_plays_the_same_future_as_the_original():
    rng = random.Random(5)
    clones = 0
    for seed in range(16):
        game = zorbly.Game(seed, trace=True, record=True)
        while not game.ended:
            game.trace  # lines not read yet stay with the original
            # The clone plays first: were anything shared, the original's
            # future would come out different.
            future = random_future(rng, rng.randrange(1, 200))
            twin = game.clone() if rng.random() < 0.5 else copy.deepcopy(game)
            assert twin.state == game.state and twin.seed == game.seed
            assert play(twin, future) == play(game, future)
            clones += 1
    assert clones > 20
