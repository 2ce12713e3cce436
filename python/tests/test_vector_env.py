"""zorbly.VectorEnv: n single games stepped at once, the same whatever the
number of threads, with next-step autoreset."""

import numpy as np

import zorbly

N, SEED = 5, 1000


def test_a_vector_env_is_n_single_games_with_autoreset():
    settings = dict(obs="state", frame_skip=3, sticky_keys=0.25, max_frames=240)
    envs = zorbly.VectorEnv(N, threads=2, **settings)
    singles = [zorbly.Env(**settings) for _ in range(N)]
    games = [0] * N  # how many games each single env has started
    obs, info = envs.reset(seed=SEED)
    for i, env in enumerate(singles):
        assert (obs[i] == env.reset(seed=SEED + i)[0]).all()
    done = np.zeros(N, bool)
    rng = np.random.default_rng(0)
    resets = ends = 0
    for _ in range(400):
        actions = rng.integers(6, size=N)
        before = obs.copy()
        obs, rewards, terminated, truncated, info = envs.step(actions)
        for i, env in enumerate(singles):
            if done[i]:
                # The step after the end starts game i's next game, whose
                # seed is n more than its last.
                games[i] += 1
                want, want_info = env.reset(seed=SEED + i + games[i] * N)
                assert info["autoreset"][i] and (info["final_obs"][i] == before[i]).all()
                assert (rewards[i], terminated[i], truncated[i]) == (0, False, False)
                resets += 1
            else:
                want, reward, end, cut, want_info = env.step(actions[i])
                assert not info["autoreset"][i]
                assert (rewards[i], terminated[i], truncated[i]) == (reward, end, cut)
                ends += end or cut
            assert (obs[i] == want).all()
            assert (info["score"][i], info["frames"][i]) == (want_info["score"], want_info["frames"])
        done = terminated | truncated
    assert resets > 5 and ends >= resets and truncated.dtype == bool
    assert obs in envs.observation_space


def run(threads, obs):
    """Every array of every step of 7 games with random actions."""
    envs = zorbly.VectorEnv(7, obs=obs, frame_skip=2, sticky_keys=0.5, max_frames=150,
                            threads=threads)
    assert envs.threads == threads
    seen = [np.copy(envs.reset(seed=7)[0])]
    rng = np.random.default_rng(1)
    for _ in range(250):
        obs, rewards, terminated, truncated, info = envs.step(rng.integers(6, size=7))
        seen += [np.copy(a) for a in (obs, rewards, terminated, truncated, info["autoreset"])]
    return seen


def test_the_same_games_whatever_the_number_of_threads():
    for obs in ["state", "gray"]:
        one = run(1, obs)
        for threads in [2, 3]:
            assert all((a == b).all() for a, b in zip(one, run(threads, obs))), (obs, threads)


def test_the_arrays_are_allocated_once_and_read_only():
    envs = zorbly.VectorEnv(4, obs="pixels", threads=1)
    obs, _ = envs.reset(seed=3)
    assert obs.shape == (4, 120, 120, 3) and obs.dtype == np.uint8
    again = envs.step(np.zeros(4, np.int64))
    assert again[0] is obs and not obs.flags.writeable and not again[1].flags.writeable
    single = zorbly.Env(obs="pixels")
    single.reset(seed=3)
    assert (obs[0] == single.step(0)[0]).all()
