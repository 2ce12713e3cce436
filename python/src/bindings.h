#pragma once
// The parts of the extension module zorbly._core, each defined in a file of
// its own and put together by module.cpp.

#include <pybind11/pybind11.h>

#include "scene/scene.h"

namespace zorbly::python {

// The pictures and the font, decoded once when the module is first used and
// kept until the process ends (every game refers to them).
const Assets& assets();

void bindGame(pybind11::module_& m);     // game_binding.cpp: Game and State
void bindPlayers(pybind11::module_& m);  // env_binding.cpp: what Env and VectorEnv stand on

}  // namespace zorbly::python
