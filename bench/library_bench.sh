#!/usr/bin/env bash
# libi2cmodem and the Python package against i2c-modem-sim on a pty, at the default bus clock
# and at the modem's fastest: 1,000 reads of 8 bytes from C, and 1,000 register reads of 8
# bytes from Python. The simulator answers without its default 2 ms latency.
# Usage: library_bench.sh BUILD-DIR PYTHON3
set -euo pipefail
build=$1
python=$2
here=$(cd "$(dirname "$0")" && pwd)
sim_control=$here/../scripts/lib/sim-control.sh
work=$(mktemp -d)
trap 'bash "$sim_control" stop "$work" 2> /dev/null; rm -rf "$work"' EXIT
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work
bash "$sim_control" start "$work" "$build/src/sim/i2c-modem-sim" --latency 0
echo "libi2cmodem over a pty (goals at 350 kHz: C at most 0.5 s, Python at most 1.5 s)"
for hertz in 100000 350000; do
    "$build/bench/bench_lib" "$hertz"
    PYTHONPATH=$build/python "$python" "$here/python_bench.py" "$hertz"
done
