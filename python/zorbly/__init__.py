"""Zorbly in-process: the game, an environment shaped like Gymnasium's, and
thousands of games stepped at once in C++. See docs/python.md.

    import zorbly
    game = zorbly.Game(seed=1)          # the headless program's language
    env = zorbly.Env(obs="state")       # reset() / step() as Gymnasium has them
    envs = zorbly.VectorEnv(256)        # many games, stepped without the GIL
"""

from ._core import Game, State, ACTION_COUNT, STATE_NAMES, STATE_SCALE, STATE_LOW, STATE_HIGH
from ._core import KEY_UP, KEY_DOWN, KEY_Z  # Windows virtual-key codes
from . import spaces
from .env import Env, ACTION_MEANINGS
from .vector_env import VectorEnv

__all__ = [
    "Game", "State", "Env", "VectorEnv", "spaces",
    "ACTION_COUNT", "ACTION_MEANINGS", "STATE_NAMES", "STATE_SCALE", "STATE_LOW", "STATE_HIGH",
    "KEY_UP", "KEY_DOWN", "KEY_Z",
]
