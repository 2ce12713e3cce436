# Decides whether the `zorbly` Python module (python/) is built: by default
# when Debian's own interpreter, /usr/bin/python3, is there with its
# development files, NumPy and pybind11 (python3-dev, python3-numpy,
# pybind11-dev). The python3 first on PATH may be another interpreter without
# Debian's packages, so the interpreter is named. The rest of the build never
# needs any of it; nor does the fuzzing build (its instrumentation cannot be
# loaded into Python).
#
# Included before the core's libraries are defined: with the module on, they
# are compiled position-independent so that they link into it.
if(NOT DEFINED Python_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python the zorbly module is built for")
endif()

set(zorblyPythonFound OFF)
if(zorblyNative AND NOT CMAKE_CROSSCOMPILING AND NOT ZORBLY_FUZZ AND DEFINED Python_EXECUTABLE)
  find_package(Python 3 QUIET COMPONENTS Interpreter Development.Module NumPy)
  if(Python_FOUND)
    find_package(pybind11 2.6 CONFIG QUIET)
    if(pybind11_FOUND)
      set(zorblyPythonFound ON)
    endif()
  endif()
endif()

option(ZORBLY_PYTHON "Build the zorbly Python module (needs python3-dev, python3-numpy, pybind11-dev)"
       ${zorblyPythonFound})
if(ZORBLY_PYTHON)
  if(NOT zorblyPythonFound)
    message(FATAL_ERROR "ZORBLY_PYTHON: needs Debian's /usr/bin/python3 with python3-dev, "
                        "python3-numpy and pybind11-dev (apt-get install python3-dev "
                        "python3-numpy pybind11-dev), or -DZORBLY_PYTHON=OFF")
  endif()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  message(STATUS "zorbly Python module: for ${Python_EXECUTABLE} (Python ${Python_VERSION}, "
                 "NumPy ${Python_NumPy_VERSION}, pybind11 ${pybind11_VERSION})")
endif()
