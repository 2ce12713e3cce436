#include "arguments.h"

#include <limits>
#include <string>

namespace py = pybind11;

namespace zorbly::python {

namespace {

[[noreturn]] void outOfRange(py::handle value, const char* what, std::uint64_t low,
                             std::uint64_t high) {
  throw py::value_error(std::string(what) + " must be a whole number from " +
                        std::to_string(low) + " to " + std::to_string(high) + ", not " +
                        py::repr(value).cast<std::string>());
}

}  // namespace

std::uint64_t wholeNumber(py::handle value, const char* what, std::uint64_t low,
                          std::uint64_t high) {
  // bool is an int in Python, but True as a key code is surely a mistake.
  if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr()))
    throw py::type_error(std::string(what) + " must be a whole number, not " +
                         py::repr(value).cast<std::string>());
  py::object number = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!number) throw py::error_already_set();
  int overflow = 0;
  const long long signedValue = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
  if (overflow < 0 || (overflow == 0 && signedValue < 0)) outOfRange(value, what, low, high);
  std::uint64_t result = static_cast<std::uint64_t>(signedValue);
  if (overflow > 0) {
    result = PyLong_AsUnsignedLongLong(number.ptr());
    if (PyErr_Occurred()) {
      PyErr_Clear();
      outOfRange(value, what, low, high);
    }
  }
  if (result < low || result > high) outOfRange(value, what, low, high);
  return result;
}

std::optional<std::uint64_t> seedArgument(py::handle value) {
  if (value.is_none()) return std::nullopt;
  return wholeNumber(value, "seed", 0, std::numeric_limits<std::uint64_t>::max());
}

float probability(py::handle value, const char* what) {
  const std::string wanted = std::string(what) + " must be a number from 0 to 1, not " +
                             py::repr(value).cast<std::string>();
  if (PyBool_Check(value.ptr())) throw py::type_error(wanted);
  const double p = PyFloat_AsDouble(value.ptr());
  if (p == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    throw py::type_error(wanted);
  }
  if (!(p >= 0 && p <= 1)) throw py::value_error(wanted);
  return static_cast<float>(p);
}

}  // namespace zorbly::python
