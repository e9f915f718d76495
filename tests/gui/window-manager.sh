#!/usr/bin/env bash
# Puts a real window manager on the test display, as every desktop user has one: focus,
# menus, maximising and placement then behave as on a desktop, not as on a bare X server
# where the focus follows the pointer. One openbox serves the whole test run; a display
# that has a window manager already (a developer's desktop) is left as it is.
#   window-manager.sh start PIDFILE | stop PIDFILE
set -euo pipefail
action=$1 pidfile=$2
managed() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
case $action in
start)
  rm -f "$pidfile"
  [[ -n ${DISPLAY:-} ]] || exit 0
  managed && exit 0
  setsid openbox --sm-disable >/dev/null 2>&1 </dev/null &
  echo $! >"$pidfile"
  for _ in $(seq 100); do
    managed && exit 0
    sleep 0.05
  done
  echo "openbox did not start on $DISPLAY" >&2
  exit 1
  ;;
stop)
  [[ -f $pidfile ]] || exit 0
  kill "$(cat "$pidfile")" 2>/dev/null || true
  rm -f "$pidfile"
  ;;
esac
