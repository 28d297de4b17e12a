# Wine environment of this project. Source it:  . scripts/wine-env.sh
#
# Sets WINEPREFIX (build/wineprefix, never ~/.wine), WINEARCH, WINEDEBUG and
# WINEDLLOVERRIDES, and defines:
#   velant_ensure_display  use $DISPLAY when it answers, else start (or reuse) an Xvfb
#                          1280x1024x24 on a free display number and export DISPLAY
#   velant_ensure_prefix   create the prefix once (wineboot -i) and configure the virtual
#                          desktop "Default" (1024x768, with taskbar and notification area)
#   velant_ensure_wine     both of the above, then a persistent wineserver and the desktop
#                          process, left running until velant_stop_wine
#   velant_stop_wine       end the Wine processes of this prefix (wineserver -k)
#   velant_stop_display    stop the Xvfb that these functions started, if any
#   velant_wine_at_dpi N   restart Wine with the prefix's screen density at N pixels per
#                          inch (Wine reads it when its server starts; 96 is the default);
#                          above 96 the desktop fills the whole display (1280x1024)
# Each step is idempotent and serialised with a lock, so parallel callers are safe.

VELANT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VELANT_ROOT
export WINEPREFIX="$VELANT_ROOT/build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installer prompts, and no menu entries or file associations on the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

VELANT_WINE_STATE="$VELANT_ROOT/build/wine-state"
# Bump when the prefix settings below change, so that existing prefixes are updated.
VELANT_PREFIX_VERSION=2

# Runs "$@" while holding the project's Wine lock.
_velant_locked() {
  mkdir -p "$VELANT_WINE_STATE"
  (
    flock 9
    "$@"
  ) 9>"$VELANT_WINE_STATE/lock"
}

_velant_display_works() {
  [ -n "${1:-}" ] && xdpyinfo -display "$1" >/dev/null 2>&1
}

_velant_start_xvfb() {
  local state="$VELANT_WINE_STATE/xvfb" n pid
  # An Xvfb that an earlier call started and that still answers is reused.
  if [ -f "$state" ]; then
    read -r n pid <"$state" || true
    if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null && _velant_display_works ":$n"; then
      echo ":$n"
      return 0
    fi
    rm -f "$state"
  fi
  for n in $(seq 90 199); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # Detached, with no inherited descriptors, so that no caller (ctest) waits on it.
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset \
      </dev/null >"$VELANT_WINE_STATE/xvfb.log" 2>&1 9>&- &
    pid=$!
    for _ in $(seq 1 100); do
      if _velant_display_works ":$n"; then
        echo "$n $pid" >"$state"
        echo ":$n"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
  done
  echo "could not start Xvfb (see $VELANT_WINE_STATE/xvfb.log)" >&2
  return 1
}

# Sets VELANT_XVFB_STARTED=1 when this call started a new Xvfb (and not reused one).
velant_ensure_display() {
  if _velant_display_works "${DISPLAY:-}"; then
    return 0
  fi
  local d before="" after=""
  [ -f "$VELANT_WINE_STATE/xvfb" ] && before=$(cat "$VELANT_WINE_STATE/xvfb")
  d=$(_velant_locked _velant_start_xvfb) || return 1
  [ -f "$VELANT_WINE_STATE/xvfb" ] && after=$(cat "$VELANT_WINE_STATE/xvfb")
  [ "$before" != "$after" ] && export VELANT_XVFB_STARTED=1
  export DISPLAY="$d"
}

velant_stop_display() {
  local state="$VELANT_WINE_STATE/xvfb" n pid
  [ -f "$state" ] || return 0
  read -r n pid <"$state" || true
  if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$state"
}

_velant_reg_add() {
  wine reg add "$@" /f </dev/null >/dev/null 2>&1 9>&-
}

# Title bars draw their buttons with the Marlett symbol font; without it they show the
# letters "0 1 r". Debian's fonts-wine has it, but this Wine does not look there.
_velant_install_marlett() {
  local font fonts="$WINEPREFIX/drive_c/windows/Fonts"
  font=$(dpkg -L fonts-wine 2>/dev/null | grep -i '/marlett\.ttf$' | head -n 1)
  [ -n "$font" ] || font=/usr/share/wine/fonts/marlett.ttf
  if [ ! -f "$font" ]; then
    echo "the Marlett font is missing (package fonts-wine)" >&2
    return 1
  fi
  mkdir -p "$fonts" && cp -f "$font" "$fonts/marlett.ttf" &&
  _velant_reg_add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
    /v 'Marlett (TrueType)' /d marlett.ttf
}

_velant_setup_prefix() {
  local stamp="$WINEPREFIX/.velant-prefix"
  [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$VELANT_PREFIX_VERSION" ] && return 0
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating Wine prefix $WINEPREFIX" >&2
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >"$VELANT_WINE_STATE/wineboot.log" 2>&1 9>&- || {
      cat "$VELANT_WINE_STATE/wineboot.log" >&2
      return 1
    }
  fi
  # Every program runs in the virtual desktop "Default", 1024x768, which has a taskbar
  # with a notification area.
  _velant_reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default &&
  _velant_reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 &&
  _velant_reg_add 'HKCU\Software\Wine\Explorer\Desktops\Default' /v EnableShell /t REG_DWORD /d 1 &&
  # A crashing program prints its backtrace instead of waiting in a dialog.
  _velant_reg_add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 || {
    echo "could not configure the Wine prefix $WINEPREFIX" >&2
    return 1
  }
  _velant_install_marlett || return 1
  wineserver -w 9>&-
  echo "$VELANT_PREFIX_VERSION" >"$stamp"
}

velant_ensure_prefix() {
  velant_ensure_display || return 1
  _velant_locked _velant_setup_prefix
}

_velant_desktop_up() {
  xwininfo -root -tree 2>/dev/null | grep -q '"Default - Wine desktop"'
}

_velant_start_wine() {
  local state="$VELANT_WINE_STATE/desktop" pid
  if [ -f "$state" ]; then
    read -r pid <"$state" || true
    if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then
      _velant_desktop_up && return 0
      # The desktop lives on another display (or died): start Wine afresh on this one.
      wineserver -k 2>/dev/null 9>&-
      wineserver -w 2>/dev/null 9>&-
    fi
    rm -f "$state"
  fi
  # The server, Wine's services and the desktop process are started here, detached and
  # with no inherited descriptors. Started by a test instead, they would keep its output
  # pipe open and CTest would wait for them.
  setsid wineserver -p </dev/null >/dev/null 2>&1 9>&-
  setsid wine explorer.exe "/desktop=Default,${VELANT_DESKTOP_SIZE:-1024x768}" </dev/null >/dev/null 2>&1 9>&- &
  pid=$!
  for _ in $(seq 1 300); do
    if _velant_desktop_up; then
      echo "$pid" >"$state"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the Wine desktop did not come up on $DISPLAY" >&2
  return 1
}

velant_ensure_wine() {
  velant_ensure_prefix || return 1
  _velant_locked _velant_start_wine
}

velant_stop_wine() {
  rm -f "$VELANT_WINE_STATE/desktop"
  [ -d "$WINEPREFIX" ] || return 0
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

velant_wine_at_dpi() {
  velant_stop_wine
  # A screen that dense is a large one: the desktop takes the whole display, so that
  # windows sized for the density fit on it as they would on such a screen.
  if [ "$1" -gt 96 ]; then VELANT_DESKTOP_SIZE=1280x1024; else VELANT_DESKTOP_SIZE=1024x768; fi
  velant_ensure_prefix || return 1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    </dev/null >/dev/null 2>&1 9>&- || return 1
  wineserver -w 9>&-
  velant_ensure_wine
}
