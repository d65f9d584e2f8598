#!/usr/bin/env bash
# Renders orvui's dialog for a restriction notice under Xvfb, on a private bus,
# into docs/orvui-notice.png (the README's picture). Needs a built build/.
set -euo pipefail
cd "$(dirname "$0")/.."
ORVUI=${BUILD_DIR:-build}/orvui/orvui
OUT=${1:-docs/orvui-notice.png}
tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

cat >"$tmp/bus.conf" <<CONF
<busconfig><type>system</type><listen>unix:path=$tmp/bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow user="*"/><allow own="*"/>
<allow send_destination="*"/><allow receive_sender="*"/></policy></busconfig>
CONF
dbus-daemon --nofork --nopidfile --config-file="$tmp/bus.conf" --print-address=1 >"$tmp/addr" &
pids+=($!)
Xvfb -displayfd 4 -nolisten tcp -screen 0 800x600x24 4>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/addr" ] && [ -s "$tmp/display" ] && break; sleep 0.1; done
export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$tmp/addr") DISPLAY=:$(head -1 "$tmp/display")
export USER=alice LC_ALL=C QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$tmp

"$ORVUI" 2>/dev/null
owner() {
  dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:com.velmora.orvui 2>/dev/null |
    awk '/uint32/ {print $2}' || true
}
for _ in $(seq 100); do pid=$(owner); [ -n "$pid" ] && break; sleep 0.1; done
pids+=("$pid")
dbus-send --system --print-reply --dest=com.velmora.orvui / local.orvd.orvdbus.showMessage \
  string:"$(printf '\nColor Mode\nDuplex alice')" >/dev/null
sleep 1
xwd -silent -name Orvex | convert xwd:- -strip "$OUT"
echo "wrote $OUT"
