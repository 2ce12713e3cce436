// zorbly._core: the C++ half of the `zorbly` Python package (python/zorbly/
// is the other). Puts the parts together and says how the core's failures
// reach Python.

#include <pybind11/pybind11.h>

#include "bindings.h"
#include "scene/fatal.h"
#include "session/messages.h"

namespace py = pybind11;

namespace zorbly::python {

const Assets& assets() {
  static const Assets* const all = new Assets;  // never freed: games refer to it until the end
  return *all;
}

}  // namespace zorbly::python

PYBIND11_MODULE(_core, m) {
  m.doc() = "Zorbly in-process: the C++ half of the zorbly package";
  py::register_exception_translator([](std::exception_ptr failure) {
    try {
      if (failure) std::rethrow_exception(failure);
    } catch (const zorbly::FileError& e) {
      PyErr_SetString(PyExc_OSError, e.what());
    } catch (const zorbly::FatalError& e) {
      PyErr_SetString(PyExc_RuntimeError, e.what());
    }
  });
  zorbly::python::bindGame(m);
  zorbly::python::bindPlayers(m);
}
