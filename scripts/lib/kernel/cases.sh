# The kernel leg's cases, run inside the guest by its init: i2c-batch on the FTDI driver's ttyUSB0,
# whose far end is the simulated modem behind QEMU's usb-serial device. Each case prints one line,
# "ok - ..." or "FAIL - ...", judged on what the user sees. "@@ sim COMMAND" asks the host to hand
# COMMAND to the simulator: unplug and plug are a real USB disconnect and connect here.
B=/bin/i2c-batch
T=/tmp
usb=/sys/bus/usb-serial/devices
lock=/var/lock/LCK..ttyUSB0

# Milliseconds since boot, in steps of 10.
ms() {
    read -r up _ < /proc/uptime
    frac=${up#*.}
    frac=${frac#0}
    echo $((${up%.*} * 1000 + frac * 10))
}
# within SECONDS COMMAND...: true as soon as the command is, false when the time is up first.
within() {
    end=$(($(ms) + $1 * 1000))
    shift
    until "$@"; do
        [ "$(ms)" -lt "$end" ] || return 1
        usleep 20000
    done
}
has() { grep -q -- "$2" "$1"; }
lines() { grep -c -- "$2" "$1"; }
at_least() { [ "$(lines "$1" "$2")" -ge "$3" ]; }
present() { [ -e "$usb/ttyUSB0" ]; }
no_port() { ! ls "$usb" 2> /dev/null | grep -q ttyUSB; }
sim() { echo "@@ sim $*"; }
unplug() { sim unplug && within 30 no_port; }
plug() { sim plug && within 60 present; }

# Each check that fails adds its text to the case's problems; report prints the case's line.
problems=""
need() {
    what=$1
    shift
    "$@" || problems="$problems; $what"
}
report() {
    if [ -z "$problems" ]; then echo "ok - $*"; else echo "FAIL - $*:${problems#;}"; fi
    problems=""
}

# The batch program in the background, reading the lines that send writes into its pipe.
start() {
    rm -f $T/in
    mkfifo $T/in
    "$B" "$@" < $T/in > $T/out 2> $T/err &
    pid=$!
    exec 3> $T/in
}
send() { echo "$*" >&3; }
finish() {
    exec 3>&-
    within 30 sh -c "! kill -0 $pid 2> /dev/null" || kill -9 $pid
    wait $pid
}
# CPU ticks (1/100 s) the program used, user and system.
ticks() {
    set -- $(cat /proc/$pid/stat)
    echo $((${14} + ${15}))
}
holds() { ls -l /proc/$pid/fd 2> /dev/null | grep -q "$1"; }
closed() { ! holds ttyUSB; }
on_ttyUSB0() { holds '/dev/ttyUSB0$' && [ ! -e /dev/ttyUSB1 ]; }
dump_logs() { sed 's/^/#   out: /' $T/out; sed 's/^/#   err: /' $T/err; }

echo "# boot done at $(ms) ms"
within 60 present || echo "FAIL - the modem's ttyUSB0 did not appear"

# Discovery through sysfs, with the modem as the only USB serial port.
"$B" < /dev/null > $T/out 2> $T/err
status=$?
need "exit status $status" [ $status -eq 0 ]
need "no version line" has $T/out 'Version: 2.20'
report "discovery: the modem found by its USB description in sysfs"

# A session over ttyUSB0: the suite's batch script with its exact output, then GET and SET.
"$B" --port /dev/ttyUSB0 /cases/session.txt > $T/out 2> $T/err
need "exit status $?" [ $? -eq 0 ]
need "output differs: $(diff /cases/session.out $T/out | head -5 | tr '\n' '|')" \
    diff -q /cases/session.out $T/out
printf 'SET SPEED 50000\nGET SPEED\nSET PULLUP EIN\nGET PULLUP\nSET SDA 0\nGET SDA\nSET SDA 1\nGET VERSION\n' |
    "$B" --port /dev/ttyUSB0 > $T/out 2> $T/err
need "exit status $?" [ $? -eq 0 ]
need "no bus clock 50000" has $T/out '50000'
need "no version" has $T/out '^!Version: 2.20'
[ -z "$problems" ] || dump_logs
report "session over /dev/ttyUSB0: WR, RD, EXPECT, SCAN and DUMP as over the pty, GET and SET answered"

# 200 reads, timed by the program's own clock.
i=0
while [ $i -lt 200 ]; do echo "RD 0073 08"; i=$((i + 1)); done > $T/reads
"$B" --port /dev/ttyUSB0 --timestamps $T/reads > $T/out 2> $T/err
first=$(grep -m 1 '#RD' $T/out | awk '{print $1}')
last=$(grep '!RD > ' $T/out | tail -n 1 | awk '{print $1}')
need "not 200 answers" [ "$(lines $T/out '!RD > ')" -eq 200 ]
report "200 x RD 0073 08 over ttyUSB0 in $((last - first)) ms"

# While one program holds the port: the line as the driver set it, its latency timer, our lock,
# and a second program kept out.
start
send "GET VERSION"
need "no answer" within 10 has $T/out '^!Version'
stty -F /dev/ttyUSB0 -a > $T/stty 2>&1
for flag in 'speed 115200 baud' cs8 -parenb -cstopb -crtscts -ixon -ixoff -icanon -echo -isig \
    -opost -icrnl; do
    need "stty: no $flag" grep -q -- "$flag\\b" $T/stty
done
[ -z "$problems" ] || sed 's/^/#   stty: /' $T/stty
report "the line while the program holds it (stty): 115200 8N1, no flow control, raw"
need "latency_timer $(cat $usb/ttyUSB0/latency_timer)" [ "$(cat $usb/ttyUSB0/latency_timer)" = 1 ]
report "the latency timer is 1 ms while the program holds the port (sysfs)"
"$B" --port /dev/ttyUSB0 < /dev/null > $T/out2 2> $T/err2
need "exit status $?" [ $? -eq 2 ]
need "no message" has $T/err2 '^Fehler: Kann das Modem-Protokoll nicht starten$'
report "a second program is kept out with \"Kann das Modem-Protokoll nicht starten\""
need "no lock of ours: $(cat $lock 2> /dev/null)" [ "$(cat $lock 2> /dev/null)" = "$(printf '%10d' $pid)" ]
finish
need "lock left behind" [ ! -e $lock ]
report "the program's own UUCP lock $lock holds its PID while it runs and goes with it"

# A UUCP lock of a living process keeps the port shut; once that process has ended, its stale
# lock is replaced.
sleep 600 &
holder=$!
printf '%10d\n' $holder > $lock
"$B" < /dev/null > $T/out 2> $T/err
need "exit status $? with a living lock" [ $? -eq 2 ]
need "no message" has $T/err '^Fehler: Kann das Modem-Protokoll nicht starten$'
need "the lock was touched" [ "$(cat $lock)" = "$(printf '%10d' $holder)" ]
report "a port under the UUCP lock of a living process is kept out"
kill $holder
wait $holder 2> /dev/null
"$B" < /dev/null > $T/out 2> $T/err
need "exit status $? with a stale lock" [ $? -eq 0 ]
need "lock left behind" [ ! -e $lock ]
report "the stale UUCP lock of a process that has ended is replaced and removed again"

# gone NAME: with the modem unplugged, the port is closed and the program sleeps. Prints the
# ticks it used in 3 s: a spinning program takes most of the 300, and an emulated guest on a
# loaded host counts a sleeping one up to about 10.
gone() {
    need "ttyUSB0 still open" within 10 closed
    a=$(ticks)
    sleep 3
    used=$(($(ticks) - a))
    need "spins: $used ticks in 3 s" [ $used -le 60 ]
}
# back: after the plug the program reconnects by itself; the time from the plug to "Online".
back() {
    plugged=$(ms)
    plug || need "the modem did not come back" false
    need "no Online after the plug" within 30 has $T/err '^Status: Online$'
    online=$(($(ms) - plugged))
}

# Unplugged and plugged while the program waits for its next line.
start --keep-going
send "GET VERSION"
need "no answer" within 10 has $T/out '^!Version'
unplugged=$(ms)
unplug
need "no Offline" within 30 has $T/err '^Status: Offline$'
shown=$(($(ms) - unplugged))
gone
back
send "GET VERSION"
need "no answer after the plug" within 10 at_least $T/out '^!Version' 2
need "not on ttyUSB0" on_ttyUSB0
finish
[ -z "$problems" ] || dump_logs
report "unplug while idle: shown after $shown ms, $used CPU ticks in 3 s while gone," \
    "\"Online\" on ttyUSB0 $online ms after the plug"

# Unplugged inside a WR that waits for its answer: at the slowest bus clock eight bytes give it
# about four seconds, and the modem keeps quiet meanwhile.
start --keep-going
send "SET SPEED 40"
need "no bus clock" within 10 has $T/out '^!I2C-Speed (Hz): 40$'
sim silent on
send "WR 0072 00 01 02 03 04 05 06 07"
need "WR did not start" within 10 has $T/out '^#WR'
unplugged=$(ms)
unplug
sim silent off
need "WR not refused" within 60 has $T/out '^?WR'
need "no Offline" within 30 has $T/err '^Status: Offline$'
shown=$(($(ms) - unplugged))
gone
back
send "WR 0072 00 11"
need "WR fails after the plug" within 20 has $T/out '^!WR > OK'
need "not on ttyUSB0" on_ttyUSB0
finish
[ -z "$problems" ] || dump_logs
report "unplug inside a WR: refused, \"Offline\" after $shown ms, $used CPU ticks in 3 s," \
    "\"Online\" on ttyUSB0 $online ms after the plug"

# Bytes the program has read, from its input and from the port.
rchar() { sed -n 's/^rchar: //p' /proc/$pid/io; }
# heard: bus traffic for the filter address, which the modem passes on only while it listens,
# was read by the program within a second.
heard() {
    before=$(rchar)
    sim traffic 0074 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F
    n=0
    while [ $n -lt 50 ]; do
        [ "$(rchar)" -gt "$before" ] && return 0
        usleep 20000
        n=$((n + 1))
    done
    return 1
}

# Unplugged during LISTEN 0, once the listening has heard traffic; the console lines of a
# command come at its end.
start --keep-going
send "SET FILTER 0074"
need "no filter" within 10 has $T/out '^!SET FILTER > OK'
send "LISTEN 0"
need "LISTEN did not start" within 10 has $T/out '^#LISTEN 0'
need "no traffic heard" within 20 heard
unplugged=$(ms)
unplug
need "LISTEN did not end" within 30 has $T/out '^!LISTEN - ENDE'
need "no traffic shown" has $T/out '^0000  74 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E'
need "no Offline" within 30 has $T/err '^Status: Offline$'
shown=$(($(ms) - unplugged))
gone
back
send "GET VERSION"
need "no answer after the plug" within 10 has $T/out '^!Version'
need "not on ttyUSB0" on_ttyUSB0
finish
[ -z "$problems" ] || dump_logs
report "unplug during LISTEN 0: ended, \"Offline\" after $shown ms, $used CPU ticks in 3 s," \
    "\"Online\" on ttyUSB0 $online ms after the plug"

# A pipe that delivers a line now and then: commands while the modem is gone fail, and the first
# one after the plug is answered.
start --keep-going
send "GET VERSION"
need "no answer" within 10 has $T/out '^!Version'
unplugged=$(ms)
unplug
send "GET VERSION"
need "no failure shown" within 30 has $T/err '^Status: Offline$'
shown=$(($(ms) - unplugged))
need "no failure for the command" within 10 has $T/err 'KEIN MODEM'
gone
plugged=$(ms)
plug
answered=""
n=0
while [ -z "$answered" ] && [ $n -lt 40 ]; do
    send "GET VERSION"
    within 1 at_least $T/out '^!Version' 2 && answered=$(($(ms) - plugged))
    n=$((n + 1))
done
need "no answer after the plug" [ -n "$answered" ]
need "not on ttyUSB0" on_ttyUSB0
finish
[ -z "$problems" ] || dump_logs
report "unplug with a pipe fed a line a second: \"Offline\" after $shown ms, $used CPU ticks in 3 s," \
    "first answer on ttyUSB0 ${answered:-never} ms after the plug"

# Discovery without the modem: an FTDI chip with another description (QEMU's braille device,
# bound to the FTDI driver by its ID), then no USB serial port at all.
unplug
echo 0403 fe72 > /sys/bus/usb-serial/drivers/ftdi_sio/new_id
need "the other chip got no port" within 30 present
need "not another description: $(cat $usb/ttyUSB0/../../product 2> /dev/null)" \
    [ "$(cat $usb/ttyUSB0/../../product 2> /dev/null)" != "QEMU USB SERIAL" ]
"$B" < /dev/null > $T/out 2> $T/err
need "exit status $?" [ $? -eq 2 ]
need "no message" has $T/err '^Fehler: Es ist kein Modem angeschlossen!!$'
[ -z "$problems" ] || dump_logs
report "an FTDI chip with another description: \"Es ist kein Modem angeschlossen!!\""
for interface in /sys/bus/usb/drivers/ftdi_sio/*:*; do
    echo "${interface##*/}" > /sys/bus/usb/drivers/ftdi_sio/unbind
done
need "a port is left" within 30 no_port
"$B" < /dev/null > $T/out 2> $T/err
need "exit status $?" [ $? -eq 2 ]
need "no message" has $T/err "$(printf '^Fehler: Es ist\t kein Modem angeschlossen!!$')"
[ -z "$problems" ] || dump_logs
report "no USB serial port at all: the text with the tab"
