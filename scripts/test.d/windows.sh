#!/usr/bin/env bash
# Windows stage: both cross builds compile and link; the 64-bit tests run under Wine.
# The 32-bit programs are built but not run: this machine's kernel refuses 32-bit executables
# (and Wine's 32-bit loader is not installed), so only the compiler checks the 32-bit build,
# including the static_asserts on the published 32-bit record layouts.
set -euo pipefail
cd "$(dirname "$0")/../.."

for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix wine; do
  command -v "$tool" >/dev/null || { echo "windows: $tool missing (scripts/setup installs it)"; exit 1; }
done

# These builds are checks, not releases: no debug information (which made the static links the
# slowest steps) and less optimisation. The 32-bit build is only compiled, so it builds the
# programs and the ABI test (the static_asserts on the 32-bit record layouts) at -O0; the
# 64-bit one runs its tests under Wine, at -O1.
echo "== windows: build mingw32 (programs and the ABI test)"
cmake --preset mingw32 -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O0 -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O0 -DNDEBUG" >/dev/null
cmake --build --preset mingw32 -j 2 --target Tarnwick tarnwick-cli test_windows_platform
echo "== windows: build mingw64"
cmake --preset mingw64 -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" >/dev/null
cmake --build --preset mingw64 -j 2

# The first start of a Wine prefix takes a while; do it once before tests run in parallel.
export WINEPREFIX="$PWD/build/mingw64/wine" WINEDEBUG=-all WINEDLLOVERRIDES=wnaspi32=n
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "== windows: creating the Wine prefix"
  wine wineboot -i >/dev/null 2>&1 || true
fi

# A test process of any program can, rarely, hang in Wine's process teardown after its test has
# passed (seen once on a pure text test): a test that times out runs once more, and must pass
# then. A test that fails fails.
RETRY=(--repeat after-timeout:2)
echo "== windows: Win32 platform layer under Wine"
ctest --preset mingw64 -L windows "${RETRY[@]}"

# The engine's unit tests under Wine. Left out, with the reason:
# - LoaderTest.TheLibraryIsFoundInTheCurrentFolder: Wine has a built-in WNASPI32.DLL and maps
#   every relative or bare use of that name to it (to its system folder), so a stand-in library
#   of that name loads under Wine only by its full path; Windows itself takes ".\WNASPI32.DLL"
#   from the current folder.
# - FileStreamEx.AFileOpenForWritingElsewhereCanStillBeRead: its writer creates the file, which
#   holds it without sharing; Windows then refuses every other open, as designed (Linux has no
#   sharing modes). WindowsFiles.SharingFollowsTheModeBits tests the modes on Windows.
# - ExecWaitTest.*: the stand-in library completes requests on a thread of its own; under Wine
#   that process now and then never exits after the test has passed, and a hang would only
#   eat CI time. The same wait, time-out and abort paths run natively on Linux.
EXCLUDE=(LoaderTest.TheLibraryIsFoundInTheCurrentFolder FileStreamEx.AFileOpenForWritingElsewhereCanStillBeRead 'ExecWaitTest\.')
echo "== windows: engine unit tests under Wine"
if ((${#EXCLUDE[@]})); then
  ctest --preset mingw64 -L unit "${RETRY[@]}" -E "$(IFS='|'; echo "${EXCLUDE[*]}")"
else
  ctest --preset mingw64 -L unit "${RETRY[@]}"
fi
