# i2c-modem-attach while it serves, over a pty, with serport faked by a preloaded library and the
# adapter's sysfs in a folder: it names the bus, sets the clock, gives the line back and ends as
# told. All cases run at once, the slowest waits ten seconds for an adapter that never comes.
# Usage: serve.py I2C-MODEM-ATTACH FAKE-SERPORT-LIBRARY
import os, pty, signal, subprocess, sys, tempfile

program, fake = sys.argv[1:3]
LENT, BACK = "SETD 2\nTYPE e5\n", "SETD 0\n"
# args, sysfs layout, refusal, what the test does once the bus is named, status, output, log
CASES = [
    (["--clock", "1500"], "module adapter clock", "", "byte term", 0,
     ["P ist jetzt /dev/i2c-7", "P ist wieder frei"], LENT + BACK),
    ([], "module adapter", "", "unplug", 0, ["P ist jetzt /dev/i2c-7", "das Modem an P ist getrennt"],
     LENT + BACK),
    ([], "module adapter", "", "switch", 1, ["P gehört nicht mehr zum I2C-Bus"], LENT + BACK * 2),
    (["--clock=40"], "module adapter clock/", "", "", 1,
     ["kann den Bustakt von /dev/i2c-7 nicht auf 40 Hz setzen"], LENT + BACK),
    ([], "", "", "", 6, ["das Kernelmodul i2c-modem ist nicht geladen"], LENT + BACK),
    ([], "module", "", "", 1, ["für P erschien kein I2C-Adapter"], LENT + BACK),
    ([], "module adapter", "SETD 22", "", 6, ["das Kernelmodul serport ist nicht geladen"], ""),
    ([], "module adapter", "SETD 1", "", 4, ["nur root darf P als I2C-Bus anmelden"], ""),
    ([], "module adapter", "SETD 5", "", 1, ["P lässt sich nicht als I2C-Bus einrichten"], ""),
    ([], "module adapter", "TYPE 5", "", 1, ["P lässt sich nicht"], "SETD 2\n" + BACK),
]

runs = []
for args, layout, refuse, action, *expected in CASES:
    folder = tempfile.mkdtemp()
    controller, port = pty.openpty()
    path = os.ttyname(port)
    os.close(port)
    devices = f"{folder}/bus/i2c/devices/i2c-7"
    if "module" in layout:
        os.makedirs(f"{folder}/module/i2c_modem")
    if "adapter" in layout:
        os.makedirs(devices)
        open(f"{devices}/name", "w").write(f"i2c-modem on {path[5:].replace('/', '')}\n")
    if "clock/" in layout:
        os.mkdir(f"{devices}/bus_clock_hz")
    elif "clock" in layout:
        open(f"{devices}/bus_clock_hz", "w").close()
    env = dict(os.environ, LD_PRELOAD=fake, FAKE_SERPORT_LOG=f"{folder}/log", SYSFS_PATH=folder,
               FAKE_SERPORT_REFUSE=refuse,
               ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
    attach = subprocess.Popen([program] + args + [path], env=env, text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    runs.append((attach, controller, path, folder, action, args, expected))

failures = []
for attach, controller, path, folder, action, args, (status, lines, log) in runs:
    said = ""
    if action:
        said = attach.stdout.readline()
    if "byte" in action:  # a read that ends with the line still lent goes on, and says so again
        os.write(controller, b"x")
        said += attach.stdout.readline()
    if "term" in action:
        attach.send_signal(signal.SIGTERM)
    elif action == "unplug":
        os.close(controller)
    elif action == "switch":
        open(f"{folder}/log", "a").write(BACK)
        os.write(controller, b"x")
    said += attach.communicate(timeout=60)[0]
    wanted = [line.replace("P", path) for line in lines]
    logged = open(f"{folder}/log").read() if os.path.exists(f"{folder}/log") else ""
    clock = f"{folder}/bus/i2c/devices/i2c-7/bus_clock_hz"
    if os.path.isfile(clock) and open(clock).read() != "1500\n":
        failures.append(f"{args}: clock file holds {open(clock).read()!r}")
    if attach.returncode != status or logged != log or any(w not in said for w in wanted):
        failures.append(f"{args} {action}: status {attach.returncode}, said {said!r}, "
                        f"serport log {logged!r}; expected {status}, {wanted}, {log!r}")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
