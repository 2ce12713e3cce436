#pragma once
// Arguments from Python checked on the way in: a wrong type raises
// TypeError, a value out of range ValueError, each naming what was wanted
// ("key code must be a whole number from 0 to 255, not 300").

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>

namespace zorbly::python {

// A Python int, or anything that stands for one (a NumPy integer), within
// [low, high]; `what` names it in the message.
std::uint64_t wholeNumber(pybind11::handle value, const char* what, std::uint64_t low,
                          std::uint64_t high);

// None, or a seed from 0 to 2^64-1.
std::optional<std::uint64_t> seedArgument(pybind11::handle value);

// A float from 0 to 1.
float probability(pybind11::handle value, const char* what);

}  // namespace zorbly::python
