"""Bad arguments raise a clear Python exception, and leave what was called
working."""

import numpy as np
import pytest

import zorbly


def test_a_game_refuses_keys_frames_and_seeds_out_of_range(tmp_path):
    game = zorbly.Game(1, trace=False)
    refused = [
        (game.key_down, 256, ValueError, "key code must be a whole number from 0 to 255, not 256"),
        (game.key_up, -1, ValueError, "from 0 to 255, not -1"),
        (game.key_down, 2**80, ValueError, "from 0 to 255"),
        (game.key_down, "38", TypeError, "key code must be a whole number, not '38'"),
        (game.key_down, 38.0, TypeError, "whole number"),
        (game.key_down, True, TypeError, "whole number"),
        (game.tick, 0, ValueError, "tick must be a whole number from 1 to 1000000000, not 0"),
        (game.tick, 1_000_000_001, ValueError, "to 1000000000"),
        (game.tick, -3, ValueError, "not -3"),
        (game.tick, None, TypeError, "whole number"),
        (zorbly.Game, -1, ValueError, "seed must be a whole number from 0 to 18446744073709551615"),
        (zorbly.Game, 2**64, ValueError, "seed must be"),
        (zorbly.Game, "7", TypeError, "seed must be a whole number"),
        (game.shot, tmp_path / "missing" / "x.png", OSError, "cannot write .*missing"),
    ]
    for call, argument, error, message in refused:
        with pytest.raises(error, match=message):
            call(argument)
    with pytest.raises(RuntimeError, match="trace=True"):
        game.tracing = True
    game.key_down(np.int32(zorbly.KEY_DOWN))
    game.tick(np.uint16(10))
    assert game.state.jikiY == 60 and zorbly.Game(2**64 - 1).seed == 2**64 - 1


def test_an_env_refuses_bad_settings_and_actions():
    for settings, error, message in [
        (dict(obs="rgb"), ValueError, 'obs must be "state", "pixels" or "gray", not "rgb"'),
        (dict(frame_skip=0), ValueError, "frame_skip must be a whole number from 1"),
        (dict(sticky_keys=1.5), ValueError, "sticky_keys must be a number from 0 to 1, not 1.5"),
        (dict(sticky_keys="no"), TypeError, "sticky_keys must be a number"),
        (dict(max_frames=0), ValueError, "max_frames must be a whole number from 1"),
    ]:
        with pytest.raises(error, match=message):
            zorbly.Env(**settings)
    env = zorbly.Env()
    with pytest.raises(RuntimeError, match="call reset"):
        env.step(0)
    env.reset(seed=1)
    for action, error in [(6, ValueError), (-1, ValueError), (2.0, TypeError), ("1", TypeError)]:
        with pytest.raises(error, match="action must be a whole number"):
            env.step(action)
    with pytest.raises(ValueError, match="seed"):
        env.reset(seed=-5)
    assert env.step(np.int64(5))[4]["frames"] == 4


def test_a_vector_env_refuses_bad_sizes_and_action_arrays():
    for n, threads in [(-1, 1), (0, 1), (2, 0), (2, -2)]:
        with pytest.raises(ValueError, match="must be a whole number from 1"):
            zorbly.VectorEnv(n, threads=threads)
    envs = zorbly.VectorEnv(3, threads=2)
    with pytest.raises(RuntimeError, match="call reset"):
        envs.step(np.zeros(3, np.int64))
    envs.reset(seed=1)
    for actions, error, message in [
        (np.zeros(4, np.int64), ValueError, r"actions must have shape \(3,\), not \(4,\)"),
        (np.zeros((3, 1), np.int64), ValueError, r"not \(3, 1\)"),
        (np.zeros(3, np.float32), TypeError, "actions must be integers, not float32"),
        (np.array([0, 6, 1]), ValueError, r"actions\[1\] is 6: an action is a whole number from 0 to 5"),
        (np.array([0, 1, -1], np.int8), ValueError, r"actions\[2\] is -1"),
        (np.array([2**63, 0, 0], np.uint64), ValueError, r"actions\[0\]"),
        ("abc", TypeError, "actions must be integers"),
    ]:
        with pytest.raises(error, match=message):
            envs.step(actions)
    assert envs.step([5, 4, 3])[4]["frames"].tolist() == [4, 4, 4]
    assert envs.step(np.array([1, 2, 0], np.uint8))[4]["frames"].tolist() == [8, 8, 8]
