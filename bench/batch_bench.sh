#!/usr/bin/env bash
# i2c-batch against i2c-modem-sim on a pty: 1,000 x "RD 0073 08" in one script, timed by the
# program's own --timestamps from the first typed line to the last answer, and as a whole run.
# The simulator answers without its default 2 ms latency, so what is left is the wire time it
# keeps, the pty and the program. Usage: batch_bench.sh I2C-BATCH I2C-MODEM-SIM
set -euo pipefail
batch=$1
sim_control=$(cd "$(dirname "$0")/.." && pwd)/scripts/lib/sim-control.sh
work=$(mktemp -d)
trap 'bash "$sim_control" stop "$work" 2> /dev/null; rm -rf "$work"' EXIT
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work
bash "$sim_control" start "$work" "$2" --latency 0
for _ in $(seq 1000); do echo "RD 0073 08"; done > "$work/script"
start=$(date +%s%N)
"$batch" --timestamps "$work/script" > "$work/out"
end=$(date +%s%N)
first=$(awk '$2 ~ /^#RD/ { print $1; exit }' "$work/out")
last=$(awk '$2 == "!RD" { t = $1 } END { print t }' "$work/out")
answers=$(grep -c '!RD > ' "$work/out")
echo "i2c-batch, 1,000 x RD 0073 08 over a pty ($answers answers; goal: at most 3 s, 3 ms each)"
awk -v ms=$((last - first)) \
    'BEGIN { printf "  the commands, first typed line to last answer : %6d ms, %.2f ms each\n", ms, ms / 1000 }' 
printf '  the whole run, with start-up and its 500 ms pause: %6d ms\n' "$(((end - start) / 1000000))"
