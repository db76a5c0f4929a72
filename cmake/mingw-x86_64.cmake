# Cross-compiles for 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(svcgate_toolchain_bits 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
