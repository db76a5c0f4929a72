# Shared by the two toolchains, which name the processor and the bitness first:
# the posix-threads flavour of mingw-w64 for that processor, and test programs
# run under Wine in the project's prefix of that bitness.
set(CMAKE_SYSTEM_NAME Windows)
set(triplet ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR env SVCGATE_BITS=${svcgate_toolchain_bits}
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
