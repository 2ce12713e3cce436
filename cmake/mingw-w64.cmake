# CMake toolchain file: cross-builds for 64-bit Windows with Debian's mingw-w64
# (the posix thread model, for std::thread) and runs the built programs under
# Wine, so that CTest can run the test executables.
#
#   eval "$(scripts/deps-windows.sh)"
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DCMAKE_PREFIX_PATH="$ZORBLY_SDL2_WINDOWS;$ZORBLY_HEADERS_WINDOWS"
#
# Every folder of CMAKE_PREFIX_PATH (the cache variable or the environment
# variable) becomes a find root next to the mingw sysroot; libraries, headers,
# packages and pkg-config files are looked for only there, never in the build
# machine's /usr, while programs are looked for only on the build machine.
# Executables are linked statically (libgcc, libstdc++, winpthread), so they
# need only the DLLs of Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZORBLY_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZORBLY_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORBLY_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZORBLY_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZORBLY_MINGW_TRIPLE})
foreach(dir IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH "${dir}")
endforeach()
if(DEFINED ENV{CMAKE_PREFIX_PATH})
  string(REPLACE ":" ";" ZORBLY_ENV_PREFIX_PATH "$ENV{CMAKE_PREFIX_PATH}")
  list(APPEND CMAKE_FIND_ROOT_PATH ${ZORBLY_ENV_PREFIX_PATH})
endif()
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must not offer the build machine's .pc files (its SDL2 is for
# Linux); FindPkgConfig still adds CMAKE_PREFIX_PATH's lib/pkgconfig.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${ZORBLY_MINGW_TRIPLE}/lib/pkgconfig)

# No link time in the exe: the same sources give the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Through sh, so that the wrapper need not be executable.
set(CMAKE_CROSSCOMPILING_EMULATOR /bin/sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
