#!/usr/bin/env bash
# Inside Xvfb: starts the terminal, types a short session with real key presses, saves a
# screenshot of the window and the console text.
#   demo-session.sh TERMINAL-BINARY OUTPUT-DIR SIM-DIR
set -euo pipefail
terminal=$1
out=$2
sim=$3
"$terminal" &
pid=$!
trap 'kill $pid 2> /dev/null || true' EXIT
window=$(xdotool search --sync --onlyvisible --name "I2C-BUS" | head -n 1)
sleep 1.5  # start-up: the 500 ms pause and the first exchanges with the modem

# Without a window manager xdotool complains about the input focus; the keys arrive all the same.
type_line() {
    xdotool type --delay 40 --window "$window" "$1" 2> /dev/null
    xdotool key --window "$window" Return 2> /dev/null
    sleep "${2:-0.6}"
}
type_line "GET VERSION"
type_line "WR 0072 DF 03 9E" 2.2
type_line "RD 0073 08" 2.2
type_line "SET SPEED 1500" 1.2
type_line "GET INT"
type_line "HELLO"

import -window "$window" "$out/terminal.png"
xdotool key --window "$window" ctrl+a ctrl+c 2> /dev/null
sleep 0.3
xclip -selection clipboard -o > "$out/console.txt" 2> /dev/null || echo "(clipboard empty)" > "$out/console.txt"
