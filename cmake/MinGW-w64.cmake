# Cross build for 64-bit Windows from Debian with MinGW-w64:
#   cmake -S . -B build-windows -G Ninja --toolchain cmake/MinGW-w64.cmake
#
# The POSIX-threads variant of the compiler, because the win32-threads one has no std::mutex or
# std::thread. The C and C++ runtimes and the threads library are linked statically, so the DLL and
# the programs need nothing beside the DLLs every Windows system has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KOLMARI_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOLMARI_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOLMARI_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KOLMARI_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOLMARI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# -O2 as in the Linux builds: at -O3 this compiler (GCC 12) reports false -Wrestrict overlaps
# inside std::string, which -Werror turns into failures.
# (The platform's defaults would append -O3 to any initial value, so the cache entries are set.)
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of Release builds")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of Release builds")
