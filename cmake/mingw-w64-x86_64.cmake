# CMake toolchain for 64-bit Windows with Debian's mingw-w64 cross compilers, linking every
# program statically so that it needs only the system's own DLLs. The compilers are those with
# POSIX threads (winpthreads, linked in): the C++ library of the win32 ones has no std::thread
# nor std::mutex, which the computer's thinking, the online game's network thread and
# Boost.Beast need.
# Give the folders holding the static freeglut and epoxy as CMAKE_PREFIX_PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GOMOKU_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GOMOKU_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GOMOKU_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${GOMOKU_MINGW_TRIPLET}-windres)

# Headers, libraries and packages come from the mingw tree and the given prefixes only, never
# from the build machine's own /usr; programs (pkg-config, python) are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${GOMOKU_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the prefixes' .pc files and none of the build machine's.
set(GOMOKU_MINGW_PKG_CONFIG_DIRS "")
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
    list(APPEND GOMOKU_MINGW_PKG_CONFIG_DIRS ${prefix}/lib/pkgconfig)
endforeach()
string(REPLACE ";" ":" GOMOKU_MINGW_PKG_CONFIG_DIRS "${GOMOKU_MINGW_PKG_CONFIG_DIRS}")
set(ENV{PKG_CONFIG_LIBDIR} "${GOMOKU_MINGW_PKG_CONFIG_DIRS}")
set(ENV{PKG_CONFIG_PATH} "")

# One .exe that carries the C and C++ runtimes inside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
