"""zorbly.Env: one game as an agent plays it, with reset() and step() as
Gymnasium's Env has them (docs/python.md says how to wrap it for Gymnasium).
The stepping itself is C++ (python/src/player.h), shared with VectorEnv."""

import os

import numpy as np

from . import _core, spaces

# What each action does, by number.
ACTION_MEANINGS = ("NOOP", "UP", "DOWN", "FIRE", "UP_FIRE", "DOWN_FIRE")

# Frames a game may last by default: about 28 minutes of play at 64 frames a
# second, longer than a game to the ending takes.
DEFAULT_MAX_FRAMES = 108_000


def observation_space(obs, seed=None):
    """The space of one observation of kind `obs`."""
    if obs == "state":
        return spaces.Box(np.array(_core.STATE_LOW, np.float32),
                          np.array(_core.STATE_HIGH, np.float32), dtype=np.float32, seed=seed)
    if obs == "pixels":
        return spaces.Box(0, 255, (120, 120, 3), np.uint8, seed=seed)
    if obs == "gray":
        return spaces.Box(0, 255, (120, 120), np.uint8, seed=seed)
    raise ValueError(f'obs must be "state", "pixels" or "gray", not {obs!r}')


def fresh_seed():
    """A seed from the system's random source, for a reset without one."""
    return int.from_bytes(os.urandom(8), "little")


class Env:
    """One game of Zorbly as an environment.

    Actions 0..5: nothing, Up, Down, fire, Up and fire, Down and fire. The
    reward is the points scored in the step; `terminated` at the game over or
    the ending, `truncated` once max_frames frames were played."""

    metadata = {"render_modes": ["rgb_array"], "render_fps": 64}
    render_mode = "rgb_array"
    spec = None

    def __init__(self, obs="state", frame_skip=4, sticky_keys=0.0,
                 max_frames=DEFAULT_MAX_FRAMES, record=False):
        self._player = _core._Player(obs, frame_skip, sticky_keys, max_frames, record)
        self.obs = obs
        self.action_space = spaces.Discrete(_core.ACTION_COUNT)
        self.observation_space = observation_space(obs)
        self._next_seed = None

    def reset(self, seed=None, options=None):
        """A new game: with `seed` that game (the same as zorbly.Game(seed)
        and zorbly-headless --seed); without one, the seed after the last
        game's, or a fresh one at first. Returns (observation, info)."""
        if seed is None:
            seed = fresh_seed() if self._next_seed is None else self._next_seed
        self._player.reset(seed)
        self._next_seed = (self._player.seed + 1) % 2**64
        return self._player.observation(), self._info()

    def step(self, action):
        """Returns (observation, reward, terminated, truncated, info)."""
        reward, terminated, truncated = self._player.step(action)
        return self._player.observation(), reward, terminated, truncated, self._info()

    def render(self):
        """The field now as a (120, 120, 3) uint8 RGB array (a copy)."""
        return self._player.render()

    def close(self):
        pass

    @property
    def unwrapped(self):
        return self

    @property
    def game(self):
        """A zorbly.Game copy of the game being played, to look ahead with."""
        return self._player.clone_game()

    @property
    def state(self):
        """The game's variables now (zorbly.State)."""
        return self.game.state

    @property
    def recording(self):
        """The game so far as a script for zorbly-headless (an Env made with
        record=True)."""
        return self._player.recording

    def _info(self):
        return {"score": self._player.score, "frames": self._player.frames,
                "seed": self._player.seed}

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
