#!/bin/sh
# Keeps one wine server alive for a whole test run in the build tree's prefix
# ($WINEPREFIX), so that no test waits for a server to start or to let go of its
# output. Without a server kept alive, each test pays seconds.
#
#   wine_server.sh start <wine> <wineserver>   creates the prefix if missing, starts the server
#   wine_server.sh stop <wine> <wineserver>    ends it
set -eu
action=$1
wine=$2
wineserver=$3

case "$action" in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "creating the wine prefix $WINEPREFIX (once per build tree)"
      "$wine" wineboot --init </dev/null >/dev/null 2>&1
    fi
    # A server left by an interrupted run of this tree would refuse a new one.
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    # The server detaches; its output must not hold the test's pipes open.
    "$wineserver" -p </dev/null >/dev/null 2>&1
    # The first program of a session starts wine's background services, which
    # then live as long as the server and keep that program's output open: a test
    # that started them would never be seen to end. Start them here, detached.
    "$wine" wineboot </dev/null >/dev/null 2>&1
    ;;
  stop)
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop <wine> <wineserver>" >&2
    exit 2
    ;;
esac
