# The modem as an I2C adapter, inside the guest after cases.sh: i2c-modem-attach lends the modem's
# tty to the kernel module i2c-modem through serport, and i2c-tools (busybox's applets), the
# kernel's at24 and lm75 and a small I2C_RDWR program use /dev/i2c-N. Each case prints one line.
# The simulator's bus: the register file at 0x39, the EEPROM at 0x50, the sensor at 0x48 and the
# expander at 0x20. Sourced after cases.sh, whose helpers it uses.
A=/bin/i2c-modem-attach
devices=/sys/bus/i2c/devices
# The adapter's timeout is a second; a failure may take that and a transfer's bus time.
limit=2500

# The modem's tty: the FTDI port whose USB product is the simulator's.
modem_tty() {
    for port in "$usb"/ttyUSB*; do
        [ "$(cat "$port/../../product" 2> /dev/null)" = "QEMU USB SERIAL" ] && echo "${port##*/}" && return 0
    done
    return 1
}
# attach [OPTIONS]: i2c-modem-attach on the modem's tty in the background; bus is the N it names.
attach() {
    tty=$(modem_tty)
    "$A" "$@" "/dev/$tty" > $T/attach.out 2> $T/attach.err &
    apid=$!
    within 20 has $T/attach.out 'ist jetzt /dev/i2c-'
    bus=$(sed -n 's/.*ist jetzt \/dev\/i2c-\([0-9]*\).*/\1/p' $T/attach.out)
}
ended() { ! kill -0 $apid 2> /dev/null; }
adapter_gone() { [ ! -e $devices/i2c-$bus ]; }
# A transfer waits for the modem: its i2cget holds the bus open and sleeps in the adapter.
transfer_waits() {
    for proc in /proc/[0-9]*; do
        ls -l $proc/fd 2> /dev/null | grep -q "/dev/i2c[-/]$bus\$" || continue
        set -- $(cat $proc/stat 2> /dev/null)
        [ "$3" = D ] && return 0
    done
    return 1
}
# timed COMMAND...: runs it with its output in $T/out and $T/err; took is its milliseconds.
timed() {
    t0=$(ms)
    "$@" > $T/out 2> $T/err
    status=$?
    took=$(($(ms) - t0))
    return $status
}
says() { grep -q -- "$1" $T/out $T/err; }
show() { sed "s/^/#   $1: /" $T/err; }
# The kernel's log since the last call, kept in $T/kernel.log for the last case.
kernel_log() { dmesg -c >> $T/kernel.log; }

unplug
plug || echo "FAIL - the modem did not come back for the I2C cases"
kernel_log

attach --clock 100000
need "no bus named: $(cat $T/attach.out $T/attach.err)" [ -n "$bus" ]
need "no adapter in sysfs" [ -e $devices/i2c-$bus ]
need "name: $(cat $devices/i2c-$bus/name 2> /dev/null)" \
    [ "$(cat $devices/i2c-$bus/name 2> /dev/null)" = "i2c-modem on $tty" ]
[ -z "$problems" ] || { sed 's/^/#   attach: /' $T/attach.err; dmesg | tail -n 20 | sed 's/^/#   dmesg: /'; }
report "attach: \"$(cat $T/attach.out)\"; the adapter \"i2c-modem on $tty\" in $devices"

need "bus_clock_hz $(cat $devices/i2c-$bus/bus_clock_hz)" [ "$(cat $devices/i2c-$bus/bus_clock_hz)" = 100000 ]
echo 50000 > $devices/i2c-$bus/bus_clock_hz
need "after writing 50000: $(cat $devices/i2c-$bus/bus_clock_hz)" \
    [ "$(cat $devices/i2c-$bus/bus_clock_hz)" = 50000 ]
report "--clock 100000 reaches the modem, and bus_clock_hz reads and sets the clock"

i2cdetect -r -y $bus > $T/out 2> $T/err
found=$(sed -n 's/^[0-7]0: //p' $T/out | tr ' ' '\n' | grep -v -e '^--$' -e '^$' | tr '\n' ' ')
need "found: $found" [ "$found" = "20 39 48 50 " ]
report "i2cdetect -r -y $bus shows exactly the simulator's devices: $found"

i2cset -y $bus 0x39 0x10 0xab && need "i2cget: $(i2cget -y $bus 0x39 0x10)" [ "$(i2cget -y $bus 0x39 0x10)" = 0xab ]
report "i2cset and i2cget of a byte: 0xab written to and read from register 0x10 of 0x39"
i2cset -y $bus 0x39 0x20 0x1234 w && need "i2cget: $(i2cget -y $bus 0x39 0x20 w)" [ "$(i2cget -y $bus 0x39 0x20 w)" = 0x1234 ]
need "i2ctransfer: $(i2ctransfer -y $bus w1@0x39 0x20 r2 2>&1)" [ "$(i2ctransfer -y $bus w1@0x39 0x20 r2)" = "0x34 0x12" ]
report "i2cset and i2cget of a word, and i2ctransfer's write then read: 0x34 0x12"

timed i2cget -y $bus 0x51 0x00
need "exit status $status" [ $status -ne 0 ]
need "no ENXIO text" says 'No such device or address'
show i2cget
report "a missing slave fails with ENXIO's text"

values=$(i=0; while [ $i -lt 126 ]; do printf '0x%02x ' $i; i=$((i + 1)); done)
timed i2ctransfer -y $bus w126@0x39 $values
need "exit status $status" [ $status -ne 0 ]
show i2ctransfer
i2ctransfer -y $bus w125@0x39 ${values% 0x7d } > /dev/null 2>&1
need "125 bytes refused" [ $? -eq 0 ]
# That filled registers 0x00 to 0x7B with the numbers after their own.
need "register 0x7b: $(i2cget -y $bus 0x39 0x7b)" [ "$(i2cget -y $bus 0x39 0x7b)" = 0x7c ]
i2cset -y $bus 0x39 0x10 0xab
report "a write of 126 bytes is refused, one of 125 goes"

echo 24c02 0x50 > $devices/i2c-$bus/new_device
eeprom=$devices/$bus-0050/eeprom
need "no eeprom file" within 10 test -e $eeprom
printf 'I2C-Modem' | dd of=$eeprom bs=1 seek=16 2> /dev/null
need "eeprom file reads $(dd if=$eeprom bs=1 skip=16 count=9 2> /dev/null)" \
    [ "$(dd if=$eeprom bs=1 skip=16 count=9 2> /dev/null)" = I2C-Modem ]
need "the bus reads $(i2ctransfer -f -y $bus w1@0x50 0x10 r3)" \
    [ "$(i2ctransfer -f -y $bus w1@0x50 0x10 r3)" = "0x49 0x32 0x43" ]
echo 0x50 > $devices/i2c-$bus/delete_device
report "at24 bound with new_device writes and reads the simulator's EEPROM through eeprom"

sim temperature 23.5
echo lm75 0x48 > $devices/i2c-$bus/new_device
need "no hwmon" within 10 sh -c "ls $devices/$bus-0048/hwmon/hwmon*/temp1_input > /dev/null 2>&1"
temp=$(cat $devices/$bus-0048/hwmon/hwmon*/temp1_input 2> /dev/null)
need "temp1_input $temp" [ "$temp" = 23500 ]
echo 0x48 > $devices/i2c-$bus/delete_device
report "lm75 bound with new_device reads the simulator's sensor: temp1_input $temp"

for fault in silent "late 1500" garbage short long more; do
    sim fault $fault
    timed i2cget -y $bus 0x39 0x10
    need "exit status $status" [ $status -ne 0 ]
    need "took $took ms" [ $took -le $limit ]
    show "$fault"
    need "the next read: $(i2cget -y $bus 0x39 0x10 2>&1)" [ "$(i2cget -y $bus 0x39 0x10)" = 0xab ]
    report "fault $fault: an error after $took ms, the next transfer works"
done
sim fault off

"$B" --port /dev/$tty < /dev/null > $T/out 2> $T/err
need "exit status $?" [ $? -eq 2 ]
need "no message" has $T/err '^Fehler: Kann das Modem-Protokoll nicht starten$'
report "i2c-batch --port /dev/$tty is kept out while the adapter holds the port"

# Unplugged while idle: the adapter goes and the attach program ends by itself.
kernel_log
unplug
need "adapter still there" within 20 adapter_gone
need "attach still running" within 20 ended
wait $apid
need "attach exit status $?" [ $? -eq 0 ]
dmesg | sed 's/^/#   dmesg: /'
kernel_log
report "unplug while idle: the adapter goes, i2c-modem-attach ends with \"$(cat $T/attach.out | tail -n 1)\""

plug
attach
need "no bus" [ -n "$bus" ]
i2cset -y $bus 0x39 0x10 0x5a
need "i2cget: $(i2cget -y $bus 0x39 0x10 2>&1)" [ "$(i2cget -y $bus 0x39 0x10)" = 0x5a ]
report "plugged and attached again: the bus works as /dev/i2c-$bus"

# The kernel path against the batch program: 200 reads of 8 bytes from 0x39 each.
kernel_ms=$(i2c-rdwr-reads /dev/i2c-$bus 0x39 200)
need "I2C_RDWR failed" [ -n "$kernel_ms" ]
kill $apid
need "attach did not end on SIGTERM" within 20 ended
i=0
while [ $i -lt 200 ]; do echo "RD 0073 08"; i=$((i + 1)); done > $T/reads
"$B" --port /dev/$tty --timestamps $T/reads > $T/out 2> $T/err
first=$(grep -m 1 '#RD' $T/out | awk '{print $1}')
last=$(grep '!RD > ' $T/out | tail -n 1 | awk '{print $1}')
need "not 200 answers" [ "$(lines $T/out '!RD > ')" -eq 200 ]
report "200 reads of 8 bytes: ${kernel_ms} ms by I2C_RDWR on /dev/i2c-$bus," \
    "$((last - first)) ms by i2c-batch's RD 0073 08; the port is the terminal's again after SIGTERM"

# Unplugged during a loop of transfers, with the modem silent so that one waits at the unplug:
# that one ends at once, and none takes longer than the adapter's timeout and its bus time.
attach
sim silent on
( while [ -e $devices/i2c-$bus ]; do
      t0=$(ms)
      i2cget -y $bus 0x39 0x10 > /dev/null 2> $T/err
      echo "$(($(ms) - t0)) $(cat $T/err)" >> $T/loop
  done ) &
loop=$!
need "no transfer timed out" within 10 has $T/loop 'timed out'
# Between two transfers the unplug would only show as a failed open.
need "no transfer waits" within 5 transfer_waits
kernel_log
unplug
sim silent off
need "adapter still there" within 20 adapter_gone
need "attach still running" within 20 ended
need "the loop still runs" within $((limit / 1000 + 5)) sh -c "! kill -0 $loop 2> /dev/null"
longest=$(sort -n $T/loop | tail -n 1 | cut -d ' ' -f 1)
need "a transfer took $longest ms" [ "$longest" -le $limit ]
need "none ended for the unplug" has $T/loop 'No such device$'
sort -u -k 2 $T/loop | sed 's/^/#   loop: /'
dmesg | sed 's/^/#   dmesg: /'
report "unplug during a loop of i2cget on a silent modem: the waiting transfer ends at once," \
    "none takes more than $longest ms, the adapter goes, attach ends"

plug
kernel_log
faults=$(grep -E 'WARNING|BUG|Oops|lockdep|hung task|possible circular|INFO: task' $T/kernel.log)
need "dmesg: $faults" [ -z "$faults" ]
report "dmesg is free of kernel faults"
