# Cross build for 64-bit Windows with MinGW-w64 (the POSIX thread model, which std::thread
# needs). Everything is linked statically so the programs run on a bare Windows.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TARNWICK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
