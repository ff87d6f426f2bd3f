#!/usr/bin/env bash
# Runs i2c-modem-sim in the background with a control pipe, for the demo and the screenshots.
#   sim-control.sh start DIR SIM-BINARY [OPTION...]   starts it; DIR/port holds the pty path
#   sim-control.sh send DIR "COMMAND"     sends one control line and waits for its answer
#   sim-control.sh stop DIR               ends it (the simulator removes its device file)
set -euo pipefail
cmd=$1
dir=$2

wait_for() {  # wait_for FILE PATTERN: up to 30 s for a line matching PATTERN
    local i
    for i in $(seq 1 600); do
        if grep -q "$2" "$1" 2> /dev/null; then
            return 0
        fi
        sleep 0.05
    done
    echo "simulator did not answer ($2)" >&2
    return 1
}

case "$cmd" in
    start)
        mkfifo "$dir/control"
        "${@:3}" < "$dir/control" > "$dir/out" 2> "$dir/err" &
        echo $! > "$dir/pid"
        exec 3> "$dir/control"
        # Keep the pipe open for later senders: a holder process owns the write end.
        sleep infinity > "$dir/control" &
        echo $! > "$dir/holder"
        exec 3>&-
        wait_for "$dir/out" '^port '
        sed -n 's/^port //p' "$dir/out" | tail -n 1 > "$dir/port"
        ;;
    send)
        before=$(grep -c '' "$dir/out" || true)
        echo "$3" > "$dir/control"
        for i in $(seq 1 600); do
            if [ "$(grep -c '' "$dir/out")" -gt "$before" ]; then
                exit 0
            fi
            sleep 0.05
        done
        echo "simulator did not answer ($3)" >&2
        exit 1
        ;;
    stop)
        [ -f "$dir/pid" ] || exit 0
        # Opening the pipe waits for a reader, which a simulator that has ended no longer is.
        timeout 2 bash -c 'echo quit > "$1"' _ "$dir/control" 2> /dev/null || true
        for i in $(seq 1 40); do
            kill -0 "$(cat "$dir/pid")" 2> /dev/null || break
            sleep 0.05
        done
        kill "$(cat "$dir/pid")" 2> /dev/null || true
        kill "$(cat "$dir/holder")" 2> /dev/null || true
        ;;
esac
