# Running the Win32 window under Wine, for the window test and the pictures; sourced.
#   wine_window_prefix PREFIX    a Wine prefix of the window's own, made once
#   wine_window_run COMMAND...   runs the command with a display (Xvfb), returns its status
#   windows_path PATH            the Windows name (Z:\...) of an absolute Linux path
# The prefix is the window's settings folder: its C:\windows holds virtual-drives.txt.
# Its wineserver must not outlive a run: the desktop process it starts keeps the display of
# the run that started it.

windows_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

wine_window_stop() {
  # Only this prefix's server: it ends by itself a moment after its last program.
  timeout 30 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true
}

wine_window_prefix() {
  export WINEPREFIX WINEDEBUG=-all
  WINEPREFIX=$(realpath -m "$1")
  # No Mono or Gecko installers (they would ask on the display), Wine's own ASPI layer off.
  export WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n"
  for tool in wine wineserver; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; return 77; }
  done
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mkdir -p "$WINEPREFIX"
    DISPLAY= timeout 240 wine wineboot -i >/dev/null 2>&1 || true
    # The window opens the home page on close; here the "browser" is the true command.
    DISPLAY= timeout 60 wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d true /f >/dev/null 2>&1 || true
    wine_window_stop
    [[ -f "$WINEPREFIX/system.reg" ]] || { echo "cannot create the Wine prefix $WINEPREFIX"; return 1; }
  fi
  wine_window_stop
}

wine_window_run() {
  local status=0
  if command -v xvfb-run >/dev/null; then
    timeout 240 xvfb-run -a -s "-screen 0 1024x768x24" "$@" || status=$?
  elif [[ -n "${DISPLAY:-}" ]]; then
    timeout 240 "$@" || status=$?
  else
    echo "SKIP: no display (neither xvfb-run nor DISPLAY)"
    return 77
  fi
  wine_window_stop
  return $status
}
