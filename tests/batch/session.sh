#!/usr/bin/env bash
# i2c-batch against i2c-modem-sim over a pty: the exact output of a script that writes the EEPROM
# and reads it back, scans the bus and dumps the EEPROM; the exit statuses of a refused command,
# with and without --keep-going, of no modem and of a wrong command line; --port, --log and
# --timestamps; and the interactive shell (shell.py). Usage: session.sh I2C-BATCH I2C-MODEM-SIM
# [COMn]. With a COM port, I2C-BATCH is the Windows program, run under Wine from the current
# directory, whose stand-in driver library reports the modem on that port, which Wine maps to the
# simulator's pty; the shell and the log link are left out there, a wrong port name comes in.
set -u
batch=$1
com=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
sim_control=$here/../../scripts/lib/sim-control.sh
work=$(mktemp -d)
trap 'bash "$sim_control" stop "$work" 2> /dev/null; rm -rf "$work"' EXIT
mkdir -m 700 "$work/none"
export XDG_RUNTIME_DIR=$work XDG_STATE_HOME=$work/state
bash "$sim_control" start "$work" "$2" --wire-log "$work/wire" || exit 1
failures=0
port=$(cat "$work/port")
run=("$batch")
none=(env XDG_RUNTIME_DIR="$work/none")
no_line=/etc/hostname
if [ -n "$com" ]; then
    ln -sfn "$port" "$WINEPREFIX/dosdevices/${com,,}"
    export I2CT_STANDIN_DEVICES="I2C <> USB Modem  Selmur & Vusk=${com#COM}"
    run=(wine "$batch")
    none=(env I2CT_STANDIN_DEVICES=)
    port=$com
    no_line=COM200
fi

# fail WHY [FILE]: counts a failure, with the file that shows it.
fail() {
    echo "$1"; [ -z "${2:-}" ] || cat "$2"
    failures=$((failures + 1))
}
# expect NAME STATUS COMMAND...: runs it with the stdin given; stdout in $work/out, stderr in
# $work/err; the status must be STATUS.
expect() {
    local name=$1 want=$2
    shift 2
    "$@" > "$work/out" 2> "$work/err"
    local got=$?
    [ "$got" -eq "$want" ] || fail "$name: exit status $got, not $want" "$work/err"
}
# same NAME FILE: the output must be the file's text exactly.
same() { diff -u "$2" "$work/out" || fail "$1: output differs (- expected, + actual)"; }
# shows NAME FILE PATTERN: the file must have a line matching PATTERN.
shows() { grep -qE -- "$3" "$2" || fail "$1: no line like $3 in" "$2"; }

expect script 0 "${run[@]}" "$here/session.txt"
same script "$here/session.out"
# The turning progress texts are for a window's user; a script's reader gets no message at all.
[ ! -s "$work/err" ] || fail "script: messages on standard error" "$work/err"

# README's session, replayed on the same simulator: its script, then the output it shows.
readme=$(sed -n '/^\$ cat eeprom.txt$/,/^\$ echo \$?$/p' "$here/../../README.md")
sed -n '2,/^\$ i2c-batch/p' <<< "$readme" | sed '$d' > "$work/eeprom.txt"
sed -n '/^\$ i2c-batch/,$p' <<< "$readme" | sed '1d;$d' > "$work/eeprom.out"
expect readme 0 "${run[@]}" "$work/eeprom.txt"
same readme "$work/eeprom.out"

# A refused command ends a script, unless it keeps going; then each command goes on a prompt
# line of its own, also after a refusal's echo line, and each refusal says why.
expect refused 1 "${run[@]}" < "$here/refused.txt"
shows refused "$work/out" '^\?EXPECT > Es wurde noch nichts gelesen$'
! grep -q '^!WR' "$work/out" || fail "refused: went on"
expect keep-going 1 "${run[@]}" --keep-going "$here/refused.txt"
cat "$work/err" >> "$work/out"
same keep-going "$here/refused.out"

expect no-modem 2 "${none[@]}" "${run[@]}" < /dev/null
shows no-modem "$work/err" '^Fehler: Es ist.* kein Modem angeschlossen!!$'
expect wrong-option 2 "${run[@]}" --baud 9600
shows wrong-option "$work/err" '^i2c-batch: unbekannte Option oder fehlender Wert: --baud$'
expect no-value 2 "${run[@]}" --port
expect version 0 "${run[@]}" --version
shows version "$work/out" '^i2c-batch 2\.[0-9]+$'
expect help 0 "${run[@]}" --help
shows help "$work/out" '^Aufruf: i2c-batch '
expect missing-file 2 "${run[@]}" "$work/missing.txt"
expect not-a-tty 2 "${none[@]}" "${run[@]}" --port "$no_line" < /dev/null
shows not-a-tty "$work/err" '^Fehler: Kann das Modem-Protokoll nicht starten$'

expect given-port 0 "${none[@]}" "${run[@]}" --port "$port" --timestamps \
    --log "$work/log" <<< $'SLEEP 200\nGET VERSION'
shows given-port "$work/out" '^ +[0-9]+ !Version: 2.20$'
shows log "$work/log" '^ +[0-9]+ #GET VERSION$'
# SLEEP keeps its own time, not the keep-alive's three seconds.
awk '/#SLEEP/ { s = $1 } /#GET/ { exit !($1 - s >= 200 && $1 - s < 2000) }' "$work/log" ||
    fail "SLEEP 200 did not take 200 ms:" "$work/log"
if [ -n "$com" ]; then
    # Wine follows a Unix link as if it were the file, and has no console on a pty.
    expect port-name 2 "${run[@]}" --port 'COM256' < /dev/null
    shows port-name "$work/err" 'kein serieller Port: COM256 \(COM1 bis COM255\)$'
else
    ln -s "$work/log" "$work/link"
    expect log-link 2 "$batch" --log "$work/link" < /dev/null
    expect log-device 2 "$batch" --log /dev/null < /dev/null
    expect log-first 0 "$batch" --log "$work/log0" <&-
    shows log-first "$work/log0" '^!I2C-Speed'
    # Standard input closed is no input; the modem's port, opened next, must not stand in for it.
    expect no-input 0 "$batch" <&-
    ! grep -q $'\e' "$work/out" || fail "no-input: a shell ran on the modem's port" "$work/out"
    # Nor any other: the echo and the refusal's text are no Frames.
    echo XYZ > "$work/xyz"
    "$batch" "$work/xyz" <&- >&- 2>&-
    ! grep -qE ' (58 59 5A|46 65 68 6C 65 72) ' "$work/wire" || fail "no-output: text went to the modem"
    python3 "$here/shell.py" "$batch" "$sim_control" "$work" || failures=$((failures + 1))
    # Ctrl-C while the program waits for the next line ends it as refused; a second Ctrl-C before
    # anything took the first ends it at once, here in a long SLEEP. The log is written as the
    # lines come, not at the end.
    mkfifo "$work/in"
    printf 'GET SPEED\n' > "$work/next"  # nor does a script after it begin
    "$batch" --log "$work/live" - "$work/next" < "$work/in" > "$work/out" 2>&1 &
    pid=$!
    exec 3> "$work/in"
    printf 'GET VERSION\n' >&3
    for _ in $(seq 600); do grep -q '^!Version' "$work/live" && break; sleep 0.05; done
    shows live-log "$work/live" '^!Version'
    kill -INT "$pid"
    wait "$pid"
    got=$?
    exec 3>&-
    [ "$got" -eq 1 ] && ! grep -q SPEED "$work/out" || fail "Ctrl-C at the input: $got" "$work/out"
    "$batch" <<< 'SLEEP 60000' > "$work/out" 2>&1 &
    pid=$!
    for _ in $(seq 600); do grep -q '^#SLEEP' "$work/out" && break; sleep 0.05; done
    for _ in $(seq 100); do kill -INT "$pid" 2> /dev/null && sleep 0.1 || break; done
    kill -KILL "$pid" 2> /dev/null
    wait "$pid"
    got=$?
    [ "$got" -eq 130 ] || fail "two Ctrl-C: exit status $got, not 130"
    # One Ctrl-C during a command ends the run after it: the next script does not start.
    printf 'SLEEP 3000\n' > "$work/first"
    printf 'GET VERSION\n' > "$work/second"
    "$batch" "$work/first" "$work/second" > "$work/out" 2>&1 &
    pid=$!
    for _ in $(seq 600); do grep -q '^#SLEEP' "$work/out" && break; sleep 0.05; done
    kill -INT "$pid"
    wait "$pid"
    got=$?
    [ "$got" -eq 1 ] && ! grep -q VERSION "$work/out" || fail "Ctrl-C in a command: $got" "$work/out"
    printf 'RD 0073 XX\n' > "$work/first"  # a refusal ends it too, without --keep-going
    expect refused-first 1 "$batch" "$work/first" "$work/second"
    ! grep -q VERSION "$work/out" || fail "the second script ran after a refusal" "$work/out"
    # The waits sleep: a SLEEP, then the wait for input with the port open, must not keep a core
    # busy for their three seconds, nor talk to the modem before the keep-alive is due, which is
    # after the input's end.
    TIMEFORMAT='%3U %3S'
    before=$(grep -c '' "$work/wire")
    cpu=$( { time { echo 'SLEEP 1000'; sleep 3; } | "$batch" > /dev/null 2>&1; } 2>&1 )
    awk -v t="$cpu" 'BEGIN { split(t, s, " "); exit !(s[1] + s[2] < 0.5) }' ||
        fail "sleep: $cpu s of CPU in SLEEP 1000 and a wait for input"
    sent=$(tail -n +$((before + 1)) "$work/wire" | awk '$2 == "host" { n += NF - 2 } END { print n }')
    [ "$sent" = 9 ] || fail "idle: $sent bytes to the modem, not start-up's 9"
fi

[ "$failures" -eq 0 ]
