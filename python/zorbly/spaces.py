"""Spaces shaped like Gymnasium's (gymnasium.spaces.Discrete, MultiDiscrete
and Box), so that code written for those reads these the same way: shape,
dtype, n or nvec, low and high, sample(), contains() and seed()."""

import numpy as np


class Space:
    def __init__(self, shape, dtype, seed=None):
        self.shape = tuple(shape)
        self.dtype = np.dtype(dtype)
        self.np_random = np.random.default_rng(seed)

    def seed(self, seed=None):
        """Seeds sample()'s own random source."""
        self.np_random = np.random.default_rng(seed)
        return [seed]

    def __contains__(self, x):
        return self.contains(x)


class Discrete(Space):
    """The whole numbers start .. start + n - 1."""

    def __init__(self, n, seed=None, start=0):
        super().__init__((), np.int64, seed)
        self.n = int(n)
        self.start = int(start)

    def sample(self):
        return np.int64(self.start + self.np_random.integers(self.n))

    def contains(self, x):
        if isinstance(x, np.ndarray) and x.shape == ():
            x = x[()]
        if isinstance(x, (bool, np.bool_)) or not isinstance(x, (int, np.integer)):
            return False
        return self.start <= int(x) < self.start + self.n

    def __repr__(self):
        return f"Discrete({self.n})"

    def __eq__(self, other):
        return isinstance(other, Discrete) and (self.n, self.start) == (other.n, other.start)


class MultiDiscrete(Space):
    """Arrays of whole numbers, entry i from 0 to nvec[i] - 1: the actions of
    a VectorEnv."""

    def __init__(self, nvec, seed=None):
        self.nvec = np.asarray(nvec, dtype=np.int64)
        super().__init__(self.nvec.shape, np.int64, seed)

    def sample(self):
        return self.np_random.integers(self.nvec).astype(np.int64)

    def contains(self, x):
        x = np.asarray(x)
        return bool(x.shape == self.shape and x.dtype.kind in "iu"
                    and np.all(x >= 0) and np.all(x < self.nvec))

    def __repr__(self):
        return f"MultiDiscrete({self.nvec.tolist()})"


class Box(Space):
    """Arrays of `shape` whose entries lie within [low, high]."""

    def __init__(self, low, high, shape=None, dtype=np.float32, seed=None):
        if shape is None:
            shape = np.broadcast(np.asarray(low), np.asarray(high)).shape
        super().__init__(shape, dtype, seed)
        # Read-only views: the bounds of a batch of pictures take no memory.
        self.low = np.broadcast_to(np.asarray(low, dtype=self.dtype), self.shape)
        self.high = np.broadcast_to(np.asarray(high, dtype=self.dtype), self.shape)

    def sample(self):
        if self.dtype.kind in "iu":
            return self.np_random.integers(self.low, self.high, endpoint=True,
                                           dtype=self.dtype)
        return self.np_random.uniform(self.low, self.high).astype(self.dtype)

    def contains(self, x):
        if not isinstance(x, np.ndarray):
            x = np.asarray(x, dtype=self.dtype)
        return bool(np.can_cast(x.dtype, self.dtype) and x.shape == self.shape
                    and np.all(x >= self.low) and np.all(x <= self.high))

    def __repr__(self):
        return f"Box({self.low.min()}, {self.high.max()}, {self.shape}, {self.dtype})"
