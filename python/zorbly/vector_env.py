"""zorbly.VectorEnv: n games stepped together in C++ with the GIL released,
over several threads, shaped like Gymnasium's VectorEnv with next-step
autoreset. The stepping is python/src/vector_env.h."""

import os

import numpy as np

from . import _core, spaces
from .env import DEFAULT_MAX_FRAMES, fresh_seed, observation_space


class VectorEnv:
    """n games of Zorbly stepped together.

    The arrays step() and reset() return are allocated once and written by
    every step: copy what must outlive the next step. A game that ended is
    reset on its next step (its action ignored): that step returns its new
    game's first observation, reward 0, and info["autoreset"] true for it,
    with the observation the old game ended on in info["final_obs"]."""

    metadata = {"autoreset_mode": "NextStep", "render_modes": []}

    def __init__(self, n, obs="state", frame_skip=4, sticky_keys=0.0,
                 max_frames=DEFAULT_MAX_FRAMES, threads=None):
        if threads is None:
            threads = os.cpu_count() or 1
        self._games = _core._VectorGames(n, obs, frame_skip, sticky_keys, max_frames, threads)
        self.num_envs = n
        self.threads = self._games.threads
        self.obs = obs
        self.single_action_space = spaces.Discrete(_core.ACTION_COUNT)
        self.action_space = spaces.MultiDiscrete(np.full(n, _core.ACTION_COUNT))
        self.single_observation_space = observation_space(obs)
        one = self.single_observation_space
        self.observation_space = spaces.Box(np.broadcast_to(one.low, (n,) + one.shape),
                                            np.broadcast_to(one.high, (n,) + one.shape),
                                            dtype=one.dtype)
        self._arrays = self._games.arrays()

    def reset(self, seed=None, options=None):
        """New games for all: game i gets seed + i (a fresh seed without one),
        or seed[i] when seed is a sequence of n seeds; each later game of it
        the seed before plus n. Returns (obs, info)."""
        if isinstance(seed, np.ndarray):
            seed = seed.tolist()
        self._games.reset(fresh_seed() if seed is None else seed)
        return self._arrays["obs"], self._info()

    def step(self, actions):
        """actions: an integer array of n actions. Returns (obs, rewards,
        terminated, truncated, info)."""
        self._games.step(actions)
        a = self._arrays
        return a["obs"], a["rewards"], a["terminated"], a["truncated"], self._info()

    def _info(self):
        a = self._arrays
        return {"score": a["score"], "frames": a["frames"], "autoreset": a["autoreset"],
                "final_obs": a["final_obs"]}

    def close(self):
        pass

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
