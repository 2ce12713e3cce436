"""zorbly.Game against zorbly-headless: the same seed and the same commands
give the same lines, one by one, and the same pictures, byte for byte."""

import json
import random
import sys
from pathlib import Path

import zorbly
from conftest import read_png, run_headless

EXAMPLES = Path(__file__).resolve().parent.parent / "examples"
KEYS = [zorbly.KEY_UP, zorbly.KEY_DOWN, zorbly.KEY_Z]


def random_script(rng, commands):
    """Lines of the script language; `shot` lines name {dir}/N.png."""
    lines, shots = [], 0
    for _ in range(commands):
        r = rng.random()
        if r < 0.4:
            key = rng.choice(KEYS) if rng.random() < 0.9 else rng.randrange(256)
            lines.append(f"{rng.choice(['down', 'down', 'up'])} {key}")
        elif r < 0.75:
            lines.append(f"tick {rng.choice([1, 1, 2, 3, 4, 8, 16, rng.randrange(1, 300)])}")
        elif r < 0.9:
            lines.append("state")
        elif r < 0.97:
            lines.append(rng.choice(["trace on", "trace off"]))
        else:
            lines.append(f"shot {{dir}}/{shots}.png")
            shots += 1
    return lines


def play(game, lines, shot_dir):
    """The script on a zorbly.Game: the lines the headless program would write."""
    out = []
    for line in lines:
        word, _, rest = line.partition(" ")
        if word == "down":
            game.key_down(int(rest))
        elif word == "up":
            game.key_up(int(rest))
        elif word == "tick":
            game.tick(int(rest))
        elif word == "trace":
            game.tracing = rest == "on"
        elif word == "shot":
            game.shot(rest.format(dir=shot_dir))
        out += game.trace
        if word == "state":
            out.append(str(game.state))
        if game.over:  # the headless program reads nothing after the end
            break
    return out


def test_random_scripts_give_the_headless_programs_lines_and_pictures(tmp_path):
    rng = random.Random(20240601)
    ends = 0
    for n in range(60):
        seed = rng.randrange(2**64)
        lines = random_script(rng, rng.randrange(20, 400))
        ours, theirs = tmp_path / f"ours{n}", tmp_path / f"theirs{n}"
        ours.mkdir()
        theirs.mkdir()
        want = run_headless("\n".join(lines).format(dir=theirs) + "\n", seed)
        game = zorbly.Game(seed, trace=True)
        got = play(game, lines, ours)
        for i, (a, b) in enumerate(zip(got, want)):
            assert a == b, f"script {n} (seed {seed}), output line {i + 1}"
        assert len(got) == len(want), f"script {n} (seed {seed})"
        shots = sorted(p.name for p in theirs.iterdir())
        assert sorted(p.name for p in ours.iterdir()) == shots
        for name in shots:
            assert (ours / name).read_bytes() == (theirs / name).read_bytes()
        ends += game.over
    assert 5 < ends < 60  # both games that end and games that go on were played


def test_the_state_object_holds_the_state_lines_values():
    game = zorbly.Game(5)
    for _ in range(300):
        game.key_down(zorbly.KEY_Z)
        game.tick(3)
    line = json.loads(run_headless("down 90\ntick 3\n" * 300 + "state\n", 5)[-1])
    del line["op"]
    assert game.state.to_dict() == {k: tuple(v) if isinstance(v, list) else v
                                    for k, v in line.items()}
    assert game.state.tekiX == tuple(line["tekiX"]) and game.state.score == line["score"]
    assert game.score == game.state.score


def test_the_picture_is_the_field_the_shot_writes(tmp_path):
    game = zorbly.Game(3)
    game.key_down(zorbly.KEY_DOWN)
    game.tick(20)
    game.key_down(zorbly.KEY_Z)
    game.tick(10)
    game.shot(tmp_path / "field.png")
    picture = game.picture()
    assert picture.shape == (120, 120, 3) and picture.dtype == "uint8"
    assert (picture == read_png(tmp_path / "field.png")).all()
    assert not picture.flags.writeable
    # A view of the game's own pixels: it outlives the name, and the next
    # picture() redraws it.
    kept = picture.copy()
    del game
    assert (picture == kept).all()


def test_a_whole_game_to_the_ending_and_keys_after_it(tmp_path):
    """The hand-written example plays to the ending with its recording on; the
    recording, keys and frames after the ending, and a state line then, give
    the headless program's lines."""
    sys.path.insert(0, str(EXAMPLES))
    try:
        import hand_agent
    finally:
        sys.path.remove(str(EXAMPLES))
    game = zorbly.Game(2, record=True)
    while not game.ended:
        hand_agent.press(game, *hand_agent.choose(game))
        game.tick(hand_agent.STEP)
    assert not game.over and game.score == 100
    game.key_down(zorbly.KEY_Z)
    game.key_down(zorbly.KEY_UP)
    game.tick(50)
    script = game.recording + "down 90\ndown 38\ntick 50\ntrace off\nstate\n"
    assert script.startswith("seed 2\n")
    assert run_headless(script, 99)[-1] == str(game.state)
    assert game.state.interval == 0 and game.state.jikiDY == -3
