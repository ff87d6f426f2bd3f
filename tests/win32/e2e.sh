#!/usr/bin/env bash
# The Windows program under Wine against i2c-modem-sim, whose pty Wine maps as COM7, found by the
# stand-in driver library in the start directory: start-up, typed commands, unplug and plug; and
# a start without the library, whose file dialog the user cancels.
# Needs a display and a running wineserver; run by scripts/test-windows.
#   e2e.sh BUILD-DIR SIM-BINARY [SCREENSHOT]
set -euo pipefail
build=$1
sim=$2
shot=${3:-}
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
probe="wine $build/tests/win32/i2ct_win32_probe.exe"
terminal=""
cleanup() {
    [ -n "$terminal" ] && kill "$terminal" 2> /dev/null
    bash "$here/scripts/lib/sim-control.sh" stop "$work"
    rm -rf "$work"
}
trap cleanup EXIT

map_com7() {
    sed -n 's/^port //p' "$work/out" | tail -n 1 > "$work/port"
    ln -sfn "$(cat "$work/port")" "$WINEPREFIX/dosdevices/com7"
}
# Waits up to a minute for the window to show the text; the window as it is goes to stderr if not.
expect() {
    local i
    for i in $(seq 1 300); do
        if $probe 2> /dev/null | tr -d '\r' | iconv -f CP1252 -t UTF-8 | grep -qF -- "$1"; then
            echo "ok: $1"
            return 0
        fi
        sleep 0.2
    done
    echo "FAILED: the window does not show: $1" >&2
    $probe >&2 || echo "(no window)" >&2
    exit 1
}
# A close request that comes while a command waits for the modem is dropped, as the user's own
# would be: ask until the window is gone, then the program must end with status 0.
close_terminal() {
    local i
    for i in $(seq 1 40); do
        $probe close 2> /dev/null || break
        sleep 0.5
    done
    wait "$terminal"
    terminal=""
}
type_line() {
    xdotool windowfocus --sync "$window"
    xdotool type --delay 10 "$1"
    xdotool key Return
}

XDG_RUNTIME_DIR=$work bash "$here/scripts/lib/sim-control.sh" start "$work" "$sim"
map_com7
cp "$build/tests/win32/ftd2xx.dll" "$work/"
(cd "$work" && exec wine "$build/src/i2c-terminal.exe" > "$work/terminal.log" 2>&1) &
terminal=$!
window=$(xdotool search --sync --name '^I2C-BUS    USB   Terminal' | head -n 1)

expect "status: Online"
expect "Version: 2.20|!I2C-Speed (Hz): 100000|#|"
type_line "WR 0072 DF 03 9E"
expect "|#WR 0072 DF 03 9E|!WR > OK |#|"
type_line "rd 0073 02"
expect "|#rd 0073 02|!RD > 03 9E |#|"
type_line "GET VERSION"
expect "|#GET VERSION|!Version: 2.20|#|"
if [ -n "$shot" ]; then
    import -window "$window" "$shot"
fi

bash "$here/scripts/lib/sim-control.sh" send "$work" unplug
expect "status: Offline"
bash "$here/scripts/lib/sim-control.sh" send "$work" plug
map_com7
expect "status: Online"

close_terminal
echo "ok: closed with exit status 0"

rm "$work/ftd2xx.dll"
(cd "$work" && exec wine "$build/src/i2c-terminal.exe" > "$work/terminal.log" 2>&1) &
terminal=$!
xdotool search --sync --name '^Kann die Datei ftd2xx.dll nicht' > /dev/null
echo "ok: the file dialog asks for the library"
$probe cancel
# Without the library no device is listed; that message replaces the plain one of the failed
# load at once.
expect $'message: Es ist\t kein Modem angeschlossen!!'
expect "status: Offline"
close_terminal
