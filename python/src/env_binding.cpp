// What zorbly.Env and zorbly.VectorEnv (python/zorbly/) stand on: one
// player, and many players stepped together with the GIL released.

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "arguments.h"
#include "bindings.h"
#include "player.h"
#include "vector_env.h"

namespace py = pybind11;

namespace zorbly::python {

namespace {

Observation observationKind(const std::string& name) {
  if (name == "state") return Observation::state;
  if (name == "pixels") return Observation::pixels;
  if (name == "gray") return Observation::gray;
  throw py::value_error("obs must be \"state\", \"pixels\" or \"gray\", not \"" + name + "\"");
}

PlayerOptions playerOptions(const std::string& obs, py::handle frameSkip, py::handle sticky,
                            py::handle maxFrames, bool record) {
  PlayerOptions options;
  options.observation = observationKind(obs);
  options.frameSkip = static_cast<int>(wholeNumber(frameSkip, "frame_skip", 1, 1000));
  options.sticky = probability(sticky, "sticky_keys");
  options.maxFrames = maxFrames.is_none() ? 0 : wholeNumber(maxFrames, "max_frames", 1, maxTicks);
  options.record = record;
  return options;
}

// The shape of one observation, and of a batch of them.
std::vector<py::ssize_t> observationShape(Observation kind, std::vector<py::ssize_t> shape = {}) {
  if (kind == Observation::state) shape.push_back(stateSize);
  if (kind != Observation::state) shape.insert(shape.end(), {form::height, form::width});
  if (kind == Observation::pixels) shape.push_back(3);
  return shape;
}

py::dtype observationType(Observation kind) {
  return kind == Observation::state ? py::dtype::of<float>() : py::dtype::of<std::uint8_t>();
}

// A read-only array over memory that `owner` keeps.
py::array view(py::dtype type, std::vector<py::ssize_t> shape, const void* data, py::handle owner) {
  py::array array(type, shape, {}, data, owner);
  py::detail::array_proxy(array.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return array;
}

int actionArgument(py::handle action) {
  return static_cast<int>(wholeNumber(action, "action", 0, actionCount - 1));
}

// zorbly.Env's game, and a framebuffer to compose its pixels in.
struct EnvGame {
  Player player;
  Framebuffer scratch{};

  Player& started() {
    if (!player.started()) throw std::logic_error("call reset() before step()");
    return player;
  }
  py::array observation() {
    const Observation kind = player.options().observation;
    py::array out(observationType(kind), observationShape(kind));
    player.observe(scratch, out.mutable_data());
    return out;
  }
  py::array render() {
    py::array_t<std::uint8_t> out({form::height, form::width, 3});
    compose(started().game().session().scene(), scratch);
    writeRgb(scratch, out.mutable_data());
    return out;
  }
};

// zorbly.VectorEnv's games: only one call steps them at a time.
struct VectorBinding {
  VectorGames games;
  std::vector<std::int64_t> actions;
  std::mutex busy;
  bool started = false;

  VectorBinding(int n, const PlayerOptions& options, int threads)
      : games(assets(), n, options, threads), actions(static_cast<std::size_t>(n)) {}

  std::unique_lock<std::mutex> claim() {
    std::unique_lock lock(busy, std::try_to_lock);
    if (!lock) throw std::logic_error("this VectorEnv is being stepped by another thread");
    return lock;
  }

  // `seed`: one number, game i then gets seed + i; or a sequence of n seeds.
  void reset(py::handle seed) {
    auto lock = claim();
    std::vector<std::uint64_t> seeds(static_cast<std::size_t>(games.size()));
    if (PyIndex_Check(seed.ptr())) {
      const std::uint64_t first = wholeNumber(seed, "seed", 0, UINT64_MAX);
      for (std::size_t i = 0; i < seeds.size(); ++i) seeds[i] = first + i;
    } else {
      if (!py::isinstance<py::sequence>(seed) || py::len(seed) != seeds.size())
        throw py::type_error("seed must be a whole number or a sequence of " +
                             std::to_string(seeds.size()) + " of them");
      auto each = py::reinterpret_borrow<py::sequence>(seed);
      for (std::size_t i = 0; i < seeds.size(); ++i)
        seeds[i] = wholeNumber(each[i], "seed", 0, UINT64_MAX);
    }
    py::gil_scoped_release free;
    games.reset(seeds.data());
    started = true;
  }

  void step(py::handle given) {
    auto lock = claim();
    if (!started) throw std::logic_error("call reset() before step()");
    readActions(given);
    py::gil_scoped_release free;
    games.step(actions.data());
  }

  // Copies the actions in, checked: n integers (an array, or what NumPy
  // makes one of), each an action. A copy, so that nothing can change them
  // while the games step without the GIL.
  void readActions(py::handle given) {
    py::object object = py::reinterpret_borrow<py::object>(given);
    if (!py::isinstance<py::array>(object)) object = py::module_::import("numpy").attr("asarray")(given);
    auto array = py::reinterpret_borrow<py::array>(object);
    const char kind = array.dtype().kind();
    if (kind != 'i' && kind != 'u')
      throw py::type_error("actions must be integers, not " +
                           py::str(array.dtype()).cast<std::string>());
    if (array.ndim() != 1 || array.shape(0) != games.size())
      throw py::value_error("actions must have shape (" + std::to_string(games.size()) +
                            ",), not " + py::str(array.attr("shape")).cast<std::string>());
    auto numbers = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(array);
    if (!numbers) throw py::error_already_set();
    const std::int64_t* values = numbers.data();
    for (int i = 0; i < games.size(); ++i) {
      if (values[i] < 0 || values[i] >= actionCount)
        throw py::value_error("actions[" + std::to_string(i) + "] is " +
                              std::to_string(values[i]) + ": an action is a whole number from 0 to " +
                              std::to_string(actionCount - 1));
      actions[static_cast<std::size_t>(i)] = values[i];
    }
  }
};

}  // namespace

void bindPlayers(py::module_& m) {
  m.attr("ACTION_COUNT") = actionCount;
  py::list names, scale, low, high;
  for (const StateEntry& e : stateLayout) {
    names.append(std::string(e.name));
    scale.append(e.scale);
    low.append(e.low);
    high.append(e.high);
  }
  m.attr("STATE_NAMES") = py::tuple(names);
  m.attr("STATE_SCALE") = py::tuple(scale);
  m.attr("STATE_LOW") = py::tuple(low);
  m.attr("STATE_HIGH") = py::tuple(high);

  py::class_<EnvGame>(m, "_Player")
      .def(py::init([](const std::string& obs, py::handle frameSkip, py::handle sticky,
                       py::handle maxFrames, bool record) {
             return new EnvGame{Player(assets(), playerOptions(obs, frameSkip, sticky, maxFrames, record))};
           }),
           py::arg("obs"), py::arg("frame_skip"), py::arg("sticky_keys"), py::arg("max_frames"),
           py::arg("record"))
      .def("reset", [](EnvGame& e, py::handle seed) {
        e.player.reset(wholeNumber(seed, "seed", 0, UINT64_MAX));
      })
      .def("step",
           [](EnvGame& e, py::handle action) {
             const int a = actionArgument(action);
             Player& player = e.started();
             if (player.done())
               throw std::logic_error("this game is done (terminated or truncated): call reset() before the next step()");
             const Step s = player.step(a);
             return py::make_tuple(s.reward, s.terminated, s.truncated);
           })
      .def("observation", &EnvGame::observation)
      .def("render", &EnvGame::render)
      .def("clone_game", [](EnvGame& e) { return e.started().game().clone(); })
      .def_property_readonly("recording", [](EnvGame& e) { return e.started().game().recording(); })
      .def_property_readonly("frames", [](EnvGame& e) { return e.started().frames(); })
      .def_property_readonly("score", [](EnvGame& e) { return e.started().game().state().score; })
      .def_property_readonly("seed", [](EnvGame& e) { return e.started().game().seed(); });

  py::class_<VectorBinding>(m, "_VectorGames")
      .def(py::init([](py::handle n, const std::string& obs, py::handle frameSkip, py::handle sticky,
                       py::handle maxFrames, py::handle threads) {
             const auto games = static_cast<int>(wholeNumber(n, "n", 1, 1 << 20));
             // More threads than games would only wait.
             const auto parts = std::min(games, static_cast<int>(wholeNumber(threads, "threads", 1, 256)));
             return new VectorBinding(games, playerOptions(obs, frameSkip, sticky, maxFrames, false),
                                      parts);
           }),
           py::arg("n"), py::arg("obs"), py::arg("frame_skip"), py::arg("sticky_keys"),
           py::arg("max_frames"), py::arg("threads"))
      .def("reset", &VectorBinding::reset)
      .def("step", &VectorBinding::step)
      .def_property_readonly("threads", [](VectorBinding& v) { return v.games.threads(); })
      // The arrays the games write into, each a read-only view made once by zorbly.VectorEnv.
      .def("arrays", [](py::object self) {
        VectorBinding& v = self.cast<VectorBinding&>();
        VectorGames& g = v.games;
        const Observation kind = g.player(0).options().observation;
        const auto n = static_cast<py::ssize_t>(g.size());
        py::dict a;
        a["obs"] = view(observationType(kind), observationShape(kind, {n}), g.observations(), self);
        a["final_obs"] = view(observationType(kind), observationShape(kind, {n}),
                              g.finalObservations(), self);
        a["rewards"] = view(py::dtype::of<double>(), {n}, g.rewards(), self);
        a["terminated"] = view(py::dtype::of<bool>(), {n}, g.terminated(), self);
        a["truncated"] = view(py::dtype::of<bool>(), {n}, g.truncated(), self);
        a["autoreset"] = view(py::dtype::of<bool>(), {n}, g.autoreset(), self);
        a["score"] = view(py::dtype::of<double>(), {n}, g.scores(), self);
        a["frames"] = view(py::dtype::of<std::uint64_t>(), {n}, g.frames(), self);
        return a;
      });
}

}  // namespace zorbly::python
