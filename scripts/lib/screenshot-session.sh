#!/usr/bin/env bash
# Inside Xvfb: drives the terminal with real key presses and clicks and saves four pictures.
#   screenshot-session.sh TERMINAL-BINARY OUTPUT-DIR SIM-DIR
set -euo pipefail
terminal=$1
out=$2
sim=$3
here=$(dirname "$0")
"$terminal" &
pid=$!
trap 'kill $pid 2> /dev/null || true' EXIT
window=$(xdotool search --sync --onlyvisible --name "I2C-BUS" | head -n 1)
sleep 1.5

# Without a window manager xdotool complains about the input focus; the keys arrive all the same.
type_line() {
    xdotool type --delay 30 --window "$window" "$1" 2> /dev/null
    xdotool key --window "$window" Return 2> /dev/null
    sleep "${2:-0.6}"
}
click() {  # click X Y, in the window's client area
    xdotool mousemove --window "$window" "$1" "$2" click 1 2> /dev/null
}
sim() { "$here/sim-control.sh" send "$sim" "$1"; }

type_line "GET VERSION"
type_line "WR 0072 DF 03 9E" 2
type_line "RD 0073 08" 2
type_line "SET SPEED 1500" 1.2
type_line "GET PULLUP"
import -window "$window" "$out/main-window.png"

type_line "SET FILTER 0074"
type_line "LISTEN 0" 1
for i in 1 2 3 4 5 6 7 8; do
    sim "traffic 0074 0$i A5 5A"
    sleep 0.3
done
sleep 5
import -window "$window" "$out/listening.png"
click 295 20
sleep 4

type_line "LDTB 0041 01" 1
type_line "CHKINT EIN" 1
sim "expander FE"
sleep 2
import -window "$window" "$out/interrupts.png"

click 960 20
help=$(xdotool search --sync --onlyvisible --name "Hilfe" | head -n 1)
sleep 0.5
import -window "$help" "$out/help-window.png"
