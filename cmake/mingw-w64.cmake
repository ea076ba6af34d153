# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model:
# std::thread, std::mutex and std::condition_variable need it). Static, so each
# program is one self-contained .exe; ctest runs the tests under Wine.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A dynamic build would need libwinpthread-1.dll and the compiler's runtime
# DLLs beside every program.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

find_program(TIDEHAUL_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TIDEHAUL_WINE})

# Tests are listed when ctest runs, inside the Wine session that runs them,
# not at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
