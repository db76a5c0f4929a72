# Cross-compiles for 32-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(svcgate_toolchain_bits 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
