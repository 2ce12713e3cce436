"""zorbly.Env: the actions as keys, the reward, the end of a game, sticky
keys, pictures, and the spaces."""

import numpy as np
import pytest

import zorbly
from conftest import run_headless

ARROWS = {0: None, 1: zorbly.KEY_UP, 2: zorbly.KEY_DOWN}


def expected_observation(state):
    """The state vector as docs/python.md lays it out."""
    values = state.to_dict()
    raw = []
    for name in zorbly.STATE_NAMES:
        field, _, index = name.partition("[")
        raw.append(values[field][int(index[:-1])] if index else values[field])
    return np.clip(np.array(raw) / np.array(zorbly.STATE_SCALE),
                   zorbly.STATE_LOW, zorbly.STATE_HIGH).astype(np.float32)


def test_an_env_plays_the_game_of_its_seed_through_the_keys_of_its_actions():
    env = zorbly.Env(obs="state", frame_skip=3)
    rng = np.random.default_rng(1)
    obs, info = env.reset(seed=42)
    game, held = zorbly.Game(42), None
    assert info == {"score": 0, "frames": 0, "seed": 42}
    assert (obs == expected_observation(game.state)).all()
    terminated = False
    while not terminated:
        action = int(rng.integers(6))
        obs, reward, terminated, truncated, info = env.step(action)
        # The same step by hand: the arrow of the action held, Z tapped.
        before = game.score
        if ARROWS[action % 3] != held:
            if held:
                game.key_up(held)
            held = ARROWS[action % 3]
            if held:
                game.key_down(held)
        if action >= 3:
            game.key_down(zorbly.KEY_Z)
            game.key_up(zorbly.KEY_Z)
        game.tick(3)
        assert env.state == game.state
        assert (obs == expected_observation(game.state)).all()
        assert obs in env.observation_space
        assert reward == game.score - before and info["score"] == game.score
        assert terminated == game.ended and not truncated
    assert info["frames"] % 3 == 0 and info["frames"] > 30
    with pytest.raises(RuntimeError, match="reset"):
        env.step(0)
    assert env.reset()[1]["seed"] == 43  # the seed after the last game's


def test_a_game_is_truncated_at_max_frames():
    env = zorbly.Env(frame_skip=4, max_frames=10)
    env.reset(seed=1)
    flags = [env.step(0)[2:4] for _ in range(3)]
    assert flags == [(False, False), (False, False), (False, True)]
    game = zorbly.Game(1)
    game.tick(10)
    assert env.state == game.state


def test_pictures_are_the_field_in_rgb_and_gray():
    rgb, gray = zorbly.Env(obs="pixels"), zorbly.Env(obs="gray")
    rgb.reset(seed=4)
    gray.reset(seed=4)
    for action in [1, 1, 4, 0, 3, 2, 5] * 10:
        picture = rgb.step(action)[0]
        shade = gray.step(action)[0]
    assert picture.shape == (120, 120, 3) and picture.dtype == np.uint8
    assert (picture == rgb.render()).all() and (picture == rgb.game.picture()).all()
    r, g, b = (picture[..., c].astype(int) for c in range(3))
    assert (shade == (77 * r + 150 * g + 29 * b) >> 8).all()
    assert picture in rgb.observation_space and shade in gray.observation_space
    assert len(np.unique(picture.reshape(-1, 3), axis=0)) > 4  # a real picture, not a blank


def sticky_game(seed, actions, sticky):
    env = zorbly.Env(sticky_keys=sticky, record=True)
    env.reset(seed=seed)
    observations = []
    for action in actions:
        obs, _, terminated, truncated, _ = env.step(action)
        observations.append(obs)
        if terminated or truncated:
            break
    return np.array(observations), env


def test_sticky_keys_come_from_their_own_seeded_source():
    # Actions with which the game goes on, sticky or not, and birds are hit
    # (so that the game draws new rows from its random source).
    actions = np.random.default_rng(345).integers(6, size=120)
    first, env = sticky_game(9, actions, 0.5)
    again, _ = sticky_game(9, actions, 0.5)
    plain, plain_env = sticky_game(9, actions, 0.0)
    assert len(first) == len(plain) == 120  # still playing: the headless program goes on too
    assert env.state.score > 0
    assert np.array_equal(first, again)
    assert env.recording != plain_env.recording  # the keys did stick
    # The recording holds only keys and frames: played again without the
    # sticky source, it gives the same game, so the sticky draws never came
    # from the game's own random source.
    seed, rest = env.recording.split("\n", 1)
    assert run_headless(f"{seed}\ntrace off\n{rest}state\n", 0)[-1] == str(env.state)


def test_spaces_sample_what_they_contain():
    env = zorbly.Env()
    space = env.action_space
    assert space.n == 6 and space.shape == () and space.dtype == np.int64
    space.seed(1)
    assert {int(space.sample()) for _ in range(200)} == set(range(6))
    assert all(a in space for a in range(6)) and np.int32(5) in space
    for outside in [-1, 6, 2.0, "1", True, None, np.array([1])]:
        assert not space.contains(outside), outside
    box = env.observation_space
    assert box.shape == (24,) and box.dtype == np.float32
    assert (box.low == zorbly.STATE_LOW).all() and (box.high == zorbly.STATE_HIGH).all()
    box.seed(2)
    assert all(box.contains(box.sample()) for _ in range(100))
    assert not box.contains(box.high + 1)
    assert not box.contains(np.zeros(23, np.float32))
    assert not box.contains(np.zeros(24, np.float64))  # float64 does not fit in float32
    pixels = zorbly.Env(obs="pixels").observation_space
    sample = pixels.sample()
    assert sample.dtype == np.uint8 and sample.shape == (120, 120, 3) and sample in pixels
    assert not pixels.contains(sample.astype(np.int64))
    vector = zorbly.VectorEnv(3, threads=1).action_space
    assert vector.sample().shape == (3,) and vector.contains(np.array([0, 5, 2]))
    assert not vector.contains(np.array([0, 6, 2])) and not vector.contains(np.array([0, 1]))
