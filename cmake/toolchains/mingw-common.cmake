# What the 32- and 64-bit MinGW-w64 toolchains share; each sets CMAKE_SYSTEM_PROCESSOR and
# TARNWICK_MINGW_TRIPLE before including it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TARNWICK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWICK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWICK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest and test discovery run the .exe files under Wine, in a prefix of the build tree so
# a test run never touches the user's own Wine setup. Wine carries an ASPI layer of its own
# that it would load for any "WNASPI32.DLL", even one named by its path; the override makes
# it load only real files, as a Windows without an ASPI layer does.
find_program(TARNWICK_WINE wine)
if(TARNWICK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all WINEDLLOVERRIDES=wnaspi32=n
      WINEPREFIX=${CMAKE_BINARY_DIR}/wine ${TARNWICK_WINE})
endif()
