# Cross build for 32-bit Windows with MinGW-w64 (the POSIX thread model, which std::thread
# needs). Everything is linked statically so the programs run on a bare Windows.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARNWICK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
