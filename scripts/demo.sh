#!/usr/bin/env bash
# Runs the system on its embedded default: the instrument simulator with a demo plant of two tanks of
# six planes on 127.0.0.1, the server registered per user and started by the session bus, and a small
# client that prints every plane's line temperatures every few seconds.
#   bash scripts/demo.sh [--seconds N]     (without --seconds: until Ctrl-C)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=0
interval_ms=3000
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=${2:?--seconds needs a number}; shift 2 ;;
    --interval-ms) interval_ms=${2:?--interval-ms needs a number}; shift 2 ;;
    -h|--help) sed -n '2,5p' "$0"; exit 0 ;;
    *) echo "demo: unknown argument '$1'" >&2; exit 2 ;;
  esac
done

bash scripts/install-deps.sh

build=${PYROLAN_BUILD_DIR:-build/main}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DPYROLAN_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target PyrolanServer PyrolanBrokerClient PyrolanInstrumentSim

server="$PWD/$build/server/PyrolanServer"
client="$PWD/$build/common/bus/PyrolanBrokerClient"
simulator="$PWD/$build/simulator/PyrolanInstrumentSim"
work=$(mktemp -d /tmp/pyrolan-demo-XXXXXX)
ini="$work/PyrolanServer.ini"
sim_pid=""
bus_pid=""

cleanup() {
  trap - EXIT INT TERM
  # The client has let go of the broker by now; the server ends on its own shortly after.
  for _ in $(seq 50); do
    if [ -n "$bus_pid" ]; then
      pgrep -P "$bus_pid" >/dev/null 2>&1 || break
    else
      pgrep -f "^$server" >/dev/null 2>&1 || break
    fi
    sleep 0.1
  done
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null && wait "$bus_pid" 2>/dev/null || true
  echo "demo: server log in $work/server.log"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "demo: starting the instrument simulator"
"$simulator" --port 0 --plant demo --trace-interval-ms 2000 --write-config "$ini" --history "$work/PostPlay" \
  >"$work/simulator.out" 2>"$work/simulator.log" &
sim_pid=$!
for _ in $(seq 100); do
  grep -q "listening on" "$work/simulator.out" 2>/dev/null && break
  sleep 0.1
done
grep -q "listening on" "$work/simulator.out" || { echo "demo: the simulator did not start" >&2; exit 1; }
sed 's/^/demo: simulator /' "$work/simulator.out"
export PYROLAN_SERVER_INI="$ini"

echo "demo: registering the server for this user"
"$server" -RegServerPerUser

bus_answers() {
  [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] &&
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.GetId >/dev/null 2>&1
}
if bus_answers; then
  echo "demo: using the running session bus"
  # A server started by this bus reads the configuration that the bus's environment names.
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.UpdateActivationEnvironment "dict:string:string:PYROLAN_SERVER_INI,$ini" >/dev/null
  # A bus that started before the service folder existed finds the new registration only this way.
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.ReloadConfig >/dev/null
else
  echo "demo: starting a session bus"
  dbus-daemon --session --nofork --print-address=3 3>"$work/bus.address" 2>"$work/server.log" &
  bus_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/bus.address" ] && break
    sleep 0.1
  done
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus.address")
  export DBUS_SESSION_BUS_ADDRESS
fi

echo "demo: the client activates the server through the bus (Ctrl-C ends)"
status=0
"$client" --seconds "$seconds" --interval-ms "$interval_ms" || status=$?
exit "$status"
