# Sourced by the scripts that run Wine: one quiet win32 prefix per build folder, and one
# inside it for each further lane of the isolated run (TEST_LANE, see isolated-run).
# Usage: . wine-env.sh BUILD_DIR
wine_build_dir=$1
export WINEPREFIX="$wine_build_dir/wineprefix"
[ "${TEST_LANE:-0}" = 0 ] || WINEPREFIX="$wine_build_dir/wineprefix/lanes/$TEST_LANE"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=d"

# Creates the prefix once; concurrent first users wait for each other.
wine_ensure_prefix() {
  [ -f "$WINEPREFIX/.ready-v2" ] && return 0
  mkdir -p "$wine_build_dir"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.ready-v2" ]; then
      # Empty it rather than remove it: it may be a mount point.
      mkdir -p "$WINEPREFIX"
      find "$WINEPREFIX" -mindepth 1 -maxdepth 1 ! -name lost+found -exec rm -rf {} +
      timeout 180 wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
      # A crash must end the process, not open a dialog that waits for ever.
      timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1 || { echo "wine reg add failed" >&2; exit 1; }
      # Xvfb runs no window manager: Wine would wait 2 s for one each time it hides or
      # destroys a managed top-level window. Unmanaged windows never wait.
      timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >/dev/null 2>&1 || { echo "wine reg add failed" >&2; exit 1; }
      # Let wineboot's server go, so the caller can start a persistent one of its own.
      timeout 60 wineserver -w >/dev/null 2>&1 || true
      touch "$WINEPREFIX/.ready-v2"
    fi
  ) 9>"$wine_build_dir/wineprefix.lock"
}

# Lane N's prefix, a copy of the first one (which must be ready and not in use), made once.
# In the test machine both lie on its disk, which is mounted on the first.
wine_ensure_lane_prefix() {
  local source=$wine_build_dir/wineprefix
  local target=$source/lanes/$1
  [ -f "$target/.ready-v2" ] && return 0
  rm -rf "$target" "$target.part"
  mkdir -p "$target.part"
  (cd "$source" && tar -c --exclude=./lanes --exclude=./lost+found .) | (cd "$target.part" && tar -x) ||
    { echo "could not copy the Wine prefix for lane $1" >&2; return 1; }
  mv "$target.part" "$target"
}

# PID of the wineserver serving this prefix, if one runs. It works inside its server folder,
# server-DEV-INODE after the prefix folder; where that folder lies differs between Wine
# builds (/tmp/.wine-UID, /tmp/wine-XXXXXX), so only its name is compared.
wine_server_pid() {
  [ -d "$WINEPREFIX" ] || return 0
  local dev ino name pid cwd
  read -r dev ino < <(stat -c '%d %i' "$WINEPREFIX")
  name=$(printf 'server-%x-%x' "$dev" "$ino")
  for pid in $(pgrep -f wineserver 2>/dev/null); do
    cwd=$(readlink "/proc/$pid/cwd" 2>/dev/null) || continue
    [ "${cwd##*/}" = "$name" ] && { echo "$pid"; return 0; }
  done
  return 0
}

wine_stop_server() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
}
