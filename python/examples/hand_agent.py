#!/usr/bin/python3
"""A hand-written player that plays Zorbly to the ending.

It lines the ship up with the nearest bird (or with where the boss will be
when the shot gets there) and fires; before each move it plays the next
frames ahead on a clone() of the game, and takes another move when that one
would lose the ship.

    /usr/bin/python3 python/examples/hand_agent.py [SEED [PICTURE.png]]

PICTURE.png, if given, gets the field as the game ended.
"""

import sys
import time

import zorbly

STEP = 4       # frames between decisions
AHEAD = 40     # frames played ahead on clones to see whether a move is safe
ARROWS = {"stay": None, "up": zorbly.KEY_UP, "down": zorbly.KEY_DOWN}


def boss_in(state, frames):
    """Where the boss's top will be after `frames` frames: it bounces between 0 and 70."""
    y, direction = state.bossY, state.bossDir
    for _ in range(frames):
        y += direction
        if y > 70:
            direction = -1
        if y < 0:
            direction = 1
    return y


def aim(state):
    """The ship's top that lines its shot up with the next target."""
    if state.kills > 18:
        # The shot flies 3 pixels a frame from 20 and meets the boss at 98.
        return boss_in(state, 26) + 33 - 28
    ahead = [i for i in range(3) if state.tekiX[i] > 24] or [0, 1, 2]
    nearest = min(ahead, key=lambda i: state.tekiX[i])
    return state.tekiY[nearest] - 19


def press(game, move, fire):
    """Holds the arrow of `move` (or none), and fires if asked."""
    for name, key in ARROWS.items():
        if key is not None and name != move:
            game.key_up(key)
    if ARROWS[move] is not None:
        game.key_down(ARROWS[move])
    if fire:
        game.key_down(zorbly.KEY_Z)
        game.key_up(zorbly.KEY_Z)


def lifetime(game, move, fire):
    """How many of the next STEP + AHEAD frames the ship can live through
    after STEP frames of `move` (and `fire`), holding some arrow (or none)
    from then on: played out on clones of the game."""
    longest = 0
    for then in ARROWS:
        future = game.clone()
        press(future, move, fire)
        future.tick(STEP)
        press(future, then, False)
        frames = STEP
        while frames < STEP + AHEAD and not future.over:
            future.tick(STEP)
            frames += STEP
        longest = max(longest, frames if future.over else STEP + AHEAD + 1)
    return longest


def choose(game):
    """This step's move and whether to fire: towards the target, unless
    another move keeps the ship alive longer."""
    state = game.state
    target = aim(state)
    wanted = "stay" if abs(state.jikiY - target) < 3 else "up" if state.jikiY > target else "down"
    fire = abs(state.jikiY - target) < 6 and state.laserX > 120
    moves = [wanted] + [m for m in ARROWS if m != wanted]
    return max(moves, key=lambda m: lifetime(game, m, fire)), fire


def main():
    seed = int(sys.argv[1]) if len(sys.argv) > 1 else 1
    game = zorbly.Game(seed)
    started = time.perf_counter()
    frames = 0
    while not game.ended:
        press(game, *choose(game))
        game.tick(STEP)
        frames += STEP
    if len(sys.argv) > 2:
        game.shot(sys.argv[2])
    how = "game over" if game.over else "the ending"
    print(f"seed {seed}: {how} with {game.score:.0f} points after {frames} frames "
          f"({frames / 64 / 60:.1f} minutes of play) in {time.perf_counter() - started:.1f} s")
    return 0 if not game.over else 1


if __name__ == "__main__":
    sys.exit(main())
