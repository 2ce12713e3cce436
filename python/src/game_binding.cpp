// zorbly.Game and zorbly.State: one game in the headless program's terms.

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <bit>
#include <string>

#include "arguments.h"
#include "bindings.h"
#include "game.h"
#include "game/state.h"
#include "session/trace.h"

namespace py = pybind11;

namespace zorbly::python {

namespace {

// The state as the `state` line has it: every field of the game, and the
// timer interval. A copy, taken when asked for.
struct StateRecord {
  GameState game;
  int interval;

  std::string line() const {
    std::string text;
    appendStateLine(text, game, interval);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
};

py::tuple triple(const std::array<double, 3>& a) { return py::make_tuple(a[0], a[1], a[2]); }

// The fields in the order of the state line, with their values as Python has them.
py::dict stateDict(const StateRecord& s) {
  const GameState& g = s.game;
  py::dict d;
  d["jikiY"] = g.jikiY;
  d["jikiDY"] = g.jikiDY;
  d["score"] = g.score;
  d["laserX"] = g.laserX;
  d["laserY"] = g.laserY;
  d["tekiX"] = triple(g.tekiX);
  d["tekiY"] = triple(g.tekiY);
  d["telaX"] = triple(g.telaX);
  d["telaY"] = triple(g.telaY);
  d["telaX100"] = triple(g.telaX100);
  d["telaY100"] = triple(g.telaY100);
  d["telaDir"] = triple(g.telaDir);
  d["kills"] = g.kills;
  d["stage"] = g.stage;
  d["bossY"] = g.bossY;
  d["bossDir"] = g.bossDir;
  d["interval"] = s.interval;
  return d;
}

void bindState(py::module_& m) {
  py::class_<StateRecord> state(m, "State",
                                "The game's variables as the state line has them (a copy).\n"
                                "str() gives the state line itself.");
#define ZORBLY_FIELD(name) \
  state.def_property_readonly(#name, [](const StateRecord& s) { return s.game.name; })
#define ZORBLY_TRIPLE(name) \
  state.def_property_readonly(#name, [](const StateRecord& s) { return triple(s.game.name); })
  ZORBLY_FIELD(jikiY);
  ZORBLY_FIELD(jikiDY);
  ZORBLY_FIELD(score);
  ZORBLY_FIELD(laserX);
  ZORBLY_FIELD(laserY);
  ZORBLY_TRIPLE(tekiX);
  ZORBLY_TRIPLE(tekiY);
  ZORBLY_TRIPLE(telaX);
  ZORBLY_TRIPLE(telaY);
  ZORBLY_TRIPLE(telaX100);
  ZORBLY_TRIPLE(telaY100);
  ZORBLY_TRIPLE(telaDir);
  ZORBLY_FIELD(kills);
  ZORBLY_FIELD(stage);
  ZORBLY_FIELD(bossY);
  ZORBLY_FIELD(bossDir);
#undef ZORBLY_FIELD
#undef ZORBLY_TRIPLE
  state.def_property_readonly("interval", [](const StateRecord& s) { return s.interval; })
      .def("to_dict", &stateDict, "The fields as a dict, as json.loads reads the state line")
      .def("__str__", &StateRecord::line)
      .def("__repr__", [](const StateRecord& s) { return "State(" + s.line() + ")"; })
      .def("__eq__", [](const StateRecord& a, const StateRecord& b) {
        return a.game == b.game && a.interval == b.interval;
      });
}

// The field as a (120, 120, 3) array of R, G, B bytes that looks straight at
// the game's own framebuffer: each 0x00RRGGBB pixel is four bytes B, G, R, 0
// in memory, so the channels start at byte 2 and step back one byte each.
// Read-only; it keeps the game alive, and the game's next picture() redraws it.
py::array pictureView(py::object self) {
  static_assert(std::endian::native == std::endian::little,
                "the picture view reads 0x00RRGGBB pixels as B, G, R, 0 bytes");
  const Framebuffer& field = self.cast<Game&>().picture();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(field.data());
  constexpr auto pixel = static_cast<py::ssize_t>(sizeof(Pixel));
  py::array view(py::dtype::of<std::uint8_t>(), {form::height, form::width, 3},
                 {pixel * form::width, pixel, py::ssize_t{-1}}, bytes + 2, self);
  py::detail::array_proxy(view.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return view;
}

py::list traceLines(Game& game) {
  const std::string text = game.takeTrace();
  py::list lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    lines.append(py::str(text.substr(at, end - at)));
    at = end + 1;
  }
  return lines;
}

int keyCode(py::handle code) {
  return static_cast<int>(wholeNumber(code, "key code", 0, maxKeyCode));
}

}  // namespace

void bindGame(py::module_& m) {
  // The key codes the game listens to, as the game itself has them.
  m.attr("KEY_UP") = keyUp;
  m.attr("KEY_DOWN") = keyDown;
  m.attr("KEY_Z") = keyZ;
  bindState(m);
  py::class_<Game>(m, "Game",
                   "One game of Zorbly, driven as zorbly-headless drives it (docs/python.md).")
      .def(py::init([](py::handle seed, bool trace, bool record) {
             return std::make_unique<Game>(assets(), seedArgument(seed), trace, record);
           }),
           py::arg("seed") = py::none(), py::kw_only(), py::arg("trace") = false,
           py::arg("record") = false)
      .def("key_down", [](Game& g, py::handle code) { g.keyDown(keyCode(code)); },
           py::arg("code"), "`down K`: a key pressed (key codes 0 to 255; Up 38, Down 40, Z 90)")
      .def("key_up", [](Game& g, py::handle code) { g.keyUp(keyCode(code)); }, py::arg("code"),
           "`up K`: a key released")
      .def("tick",
           [](Game& g, py::handle n) { g.tick(wholeNumber(n, "tick", 1, maxTicks)); },
           py::arg("n") = 1, "`tick N`: N frames (1 to 1000000000)")
      .def_property_readonly(
          "state", [](const Game& g) { return StateRecord{g.state(), g.interval()}; },
          "The game's variables now, as the `state` line has them (a zorbly.State copy)")
      .def("picture", &pictureView,
           "The field now as a read-only (120, 120, 3) uint8 RGB array: a view of the game's "
           "own pixels, which the next picture() call redraws (copy it to keep it)")
      .def("shot", [](Game& g, const std::filesystem::path& path) { g.shot(path.string()); },
           py::arg("path"), "`shot FILE`: the field as a PNG file")
      .def_property_readonly("trace", &traceLines,
                             "The trace's lines since the last read (a game made with trace=True)")
      .def_property("tracing", &Game::tracing, &Game::setTracing,
                    "`trace on` / `trace off` (a game made with trace=True)")
      .def_property_readonly("recording", &Game::recording,
                             "The game so far as a script (a game made with record=True)")
      .def_property_readonly("ended", &Game::ended,
                             "No frame will run any more: the game over, or the ending")
      .def_property_readonly("over", &Game::over, "Game over: an enemy shot hit the ship")
      .def_property_readonly("score", [](const Game& g) { return g.state().score; })
      .def_property_readonly("seed", &Game::seed, "The seed the game was started with")
      .def("clone", &Game::clone,
           "A copy of the whole game, its random source included, to look ahead with")
      .def("__copy__", &Game::clone)
      .def("__deepcopy__", [](Game& g, py::handle) { return g.clone(); }, py::arg("memo"));
}

}  // namespace zorbly::python
