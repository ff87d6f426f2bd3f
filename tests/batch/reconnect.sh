#!/usr/bin/env bash
# i2c-batch reconnects by itself while it waits for input, on a pipe and as a shell: the
# simulator is unplugged and plugged again between two commands, and the second is answered.
# Usage: reconnect.sh I2C-BATCH I2C-MODEM-SIM
set -u
here=$(cd "$(dirname "$0")" && pwd)
sim_control=$here/../../scripts/lib/sim-control.sh
work=$(mktemp -d)
trap 'exec 3>&-; bash "$sim_control" stop "$work" 2> /dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work XDG_STATE_HOME=$work/state
bash "$sim_control" start "$work" "$2" || exit 1
# seen FILE PATTERN [COUNT]: within a minute, COUNT lines (1) of the file match.
seen() {
    for _ in $(seq 1200); do
        [ "$(grep -c -- "$2" "$1")" -ge "${3:-1}" ] && return 0
        sleep 0.05
    done
    echo "no ${3:-1} lines like $2 in $1:"; cat "$work/out" "$work/err"
    exit 1
}
mkfifo "$work/in"
"$1" --keep-going < "$work/in" > "$work/out" 2> "$work/err" &
exec 3> "$work/in"
echo "GET VERSION" >&3
seen "$work/out" '^!Version: 2.20$'
bash "$sim_control" send "$work" unplug
seen "$work/err" '^Status: Offline$'
bash "$sim_control" send "$work" plug
seen "$work/err" '^Status: Online$'
echo "GET VERSION" >&3
seen "$work/out" '^!Version: 2.20$' 2
exec 3>&-
wait
python3 "$here/shell.py" "$1" "$sim_control" "$work" replug
