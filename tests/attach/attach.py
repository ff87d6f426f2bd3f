# i2c-modem-attach over ptys, with serport faked by a preloaded library and sysfs in a folder: it
# refuses with a line and an exit status of its own for each fault, and lets go of a refused
# port; serving, it finds its adapter by the tty's whole name, sets the clock, gives the line
# back and ends as told. All cases run at once; the slowest waits ten seconds for an adapter.
# Usage: attach.py I2C-MODEM-ATTACH FAKE-SERPORT-LIBRARY
import ctypes, fcntl, os, pty, signal, subprocess, sys, tempfile, time

program, fake = sys.argv[1:3]
LENT, BACK = "SETD 2\nTYPE e5\n", "SETD 0\n"
SERPORT = "i2c-modem" if os.path.isdir("/sys/module/serport") else "serport"
# Root passes any file mode; "mode0" keeps its user, so that a checkout in a private folder
# still runs, but drops the capabilities that pass the mode.
WITHOUT_ROOTS_ACCESS = ["setpriv", "--inh-caps=-dac_override,-dac_read_search",
                        "--bounding-set=-dac_override,-dac_read_search"] if os.geteuid() == 0 else []
ADAPTER = "module adapter"
# A program that the test gives up on ends with it (PR_SET_PDEATHSIG), not spinning on alone.
DIE_WITH_TEST = lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL)
# args (@: the pty), setup, what the test does once the bus is named, status, output, serport log
CASES = [
    ([], "", "", 2, ["kein PORT angegeben"], ""),
    (["--help"], "", "", 0, ["Aufruf: i2c-modem-attach [--clock HZ] PORT\n"], ""),
    (["--version"], "", "", 0, ["i2c-modem-attach 2."], ""),
    (["--clock", "39", "@"], "", "", 2, ["zwischen 40 und 350000 Hz liegen: 39"], ""),
    (["--clock=350001", "@"], "", "", 2, ["liegen: 350001"], ""),
    (["--clock"], "", "", 2, ["--clock ohne Wert"], ""),
    (["--speed", "@"], "", "", 2, ["unbekannte Option: --speed"], ""),
    (["@", "/dev/ttyS1"], "", "", 2, ["nur ein PORT: /dev/ttyS1"], ""),
    (["/dev/no-such-tty"], "", "", 3, ["/dev/no-such-tty gibt es nicht"], ""),
    ([sys.argv[0]], "", "", 3, [sys.argv[0] + " ist keine serielle Schnittstelle"], ""),
    # Not /dev/null: the library's test opens that meanwhile, and a device is locked while looked at.
    (["/dev/zero"], "", "", 3, ["/dev/zero ist keine serielle Schnittstelle"], ""),
    (["@"], "flock", "", 5, ["@ ist belegt"], ""),
    (["@"], "lockfile", "", 5, ["@ ist belegt"], ""),
    (["@"], "mode0", "", 4, ["keine Berechtigung für @"], ""),
    (["@"], "real", "", 6, [f"das Kernelmodul {SERPORT} ist nicht geladen"], ""),
    (["--clock", "1500", "@"], ADAPTER + " clock", "named byte term", 0,
     ["@ ist jetzt /dev/i2c-7", "@ ist wieder frei"], LENT + BACK),
    (["@"], ADAPTER, "named unplug", 0,
     ["@ ist jetzt /dev/i2c-7", "das Modem an @ ist getrennt", "!ist wieder frei"], LENT + BACK),
    (["@"], "module", "lent term", 0, ["@ ist wieder frei", "!erschien kein"], LENT + BACK),
    (["@"], ADAPTER, "named switch", 1, ["@ gehört nicht mehr zum I2C-Bus"], LENT + BACK * 2),
    (["--clock=40", "@"], ADAPTER + " clock/", "", 1,
     ["kann den Bustakt von /dev/i2c-7 nicht auf 40 Hz setzen"], LENT + BACK),
    (["@"], "bare", "", 6, ["das Kernelmodul i2c-modem ist nicht geladen"], LENT + BACK),
    (["@"], "module decoys", "", 1, ["für @ erschien kein I2C-Adapter"], LENT + BACK),
    (["@"], ADAPTER + " SETD 22", "", 6, ["das Kernelmodul serport ist nicht geladen"], ""),
    (["@"], ADAPTER + " SETD 1", "", 4, ["nur root darf @ als I2C-Bus anmelden"], ""),
    (["@"], ADAPTER + " SETD 5", "", 1, ["@ lässt sich nicht als I2C-Bus einrichten"], ""),
    (["@"], ADAPTER + " TYPE 5", "", 1, ["@ lässt sich nicht"], "SETD 2\n" + BACK),
    (["@"], ADAPTER + " READ 16", "", 1, ["@ gehört nicht mehr zum I2C-Bus"], LENT + BACK),
]


def lock_file(path):
    return "/var/lock/LCK.." + os.path.realpath(path)[5:].replace("/", "_")


runs = []
for args, setup, action, *expected in CASES:
    if setup == "lockfile" and not os.access("/var/lock", os.W_OK):
        continue
    folder = tempfile.mkdtemp()
    controller, port = pty.openpty()
    path, tty = os.ttyname(port), os.ttyname(port)[5:].replace("/", "")
    if setup == "flock":
        fcntl.flock(port, fcntl.LOCK_EX)
    open(lock_file(path), "w").write("%10d\n" % os.getppid()) if setup == "lockfile" else None
    mode = os.stat(path).st_mode & 0o7777
    os.chmod(path, 0) if setup == "mode0" else None
    devices = f"{folder}/bus/i2c/devices"
    os.makedirs(f"{folder}/module/i2c_modem") if "module" in setup else None
    # Only an adapter i2c-N whose name holds the tty's whole name is the one; a client's node
    # and the names that merely contain the tty's are not.
    decoys = [("i2c-2", f"{tty}0"), ("i2c-3", f"x{tty}"), ("7-0050", tty), ("i2c-", tty),
              ("i2c-4x", tty)]
    nodes = (decoys if "decoys" in setup else []) + [("i2c-7", tty)] * ("adapter" in setup)
    for node, name in nodes:
        os.makedirs(f"{devices}/{node}")
        open(f"{devices}/{node}/name", "w").write(f"i2c-modem on {name}\n")
    os.mkdir(f"{devices}/i2c-7/bus_clock_hz") if "clock/" in setup else None
    open(f"{devices}/i2c-7/bus_clock_hz", "w").close() if setup.endswith("clock") else None
    env = dict(os.environ, FAKE_SERPORT_LOG=f"{folder}/log", SYSFS_PATH=folder,
               FAKE_SERPORT_REFUSE=setup[len(ADAPTER) + 1:] if setup[-1:].isdigit() else "",
               ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
    if setup not in ("real", "flock", "lockfile", "mode0"):
        env["LD_PRELOAD"] = fake
    attach = subprocess.Popen((WITHOUT_ROOTS_ACCESS if setup == "mode0" else []) + [program] +
                              [path if a == "@" else a for a in args], env=env, text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              preexec_fn=DIE_WITH_TEST)
    runs.append((attach, controller, port, path, mode, folder, setup, action, args, expected))

failures, said, ended = [], [], []
for attach, controller, port, path, mode, folder, setup, action, args, expected in runs:
    said.append(attach.stdout.readline() if "named" in action else "")
    if "byte" in action:  # a read that ends with the line still lent goes on, and says so again
        os.write(controller, b"x")
        said[-1] += attach.stdout.readline()
    while "lent" in action and not open(f"{folder}/log").read().startswith(LENT):
        time.sleep(0.01)
    if "term" in action:
        attach.send_signal(signal.SIGTERM)
    elif "unplug" in action:
        os.close(controller)
    elif "switch" in action:
        open(f"{folder}/log", "a").write(BACK)
        os.write(controller, b"x")
end = time.monotonic() + 90
while len(ended) < len(runs) and time.monotonic() < end:  # in the order they end
    ended += [i for i, run in enumerate(runs) if i not in ended and run[0].poll() is not None]
    time.sleep(0.01)

for i, (attach, controller, port, path, mode, folder, setup, action, args, (status, lines, log)) \
        in enumerate(runs):
    said[i] += attach.communicate(timeout=10)[0]
    fcntl.flock(port, fcntl.LOCK_UN)
    os.unlink(lock_file(path)) if setup == "lockfile" else None
    os.chmod(path, mode) if setup == "mode0" else None
    wanted = [line.replace("@", path) for line in lines]  # "!" before a line: not that one
    logged = open(f"{folder}/log").read() if os.path.exists(f"{folder}/log") else ""
    clock = f"{folder}/bus/i2c/devices/i2c-7/bus_clock_hz"
    if os.path.isfile(clock) and open(clock).read() != "1500\n":
        failures.append(f"{args}: clock file holds {open(clock).read()!r}")
    if attach.returncode != status or logged != log or \
            any((w[1:] in said[i]) if w.startswith("!") else (w not in said[i]) for w in wanted):
        failures.append(f"{args} {setup} {action}: status {attach.returncode}, said {said[i]!r}, "
                        f"serport log {logged!r}; expected {status}, {wanted}, {log!r}")
    try:  # whatever happened, the port is free again
        if "unplug" not in action:
            fcntl.flock(os.open(path, os.O_RDWR | os.O_NOCTTY), fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        failures.append(f"{args} {setup}: the port is still held")
    if os.path.exists(lock_file(path)) and int(open(lock_file(path)).read()) == attach.pid:
        failures.append(f"{args} {setup}: the port is still locked")
# A refused clock ends the program at once, not after the three seconds a module may take.
order = [runs[i][6] for i in ended]
if order.index(ADAPTER + " clock/") > order.index("bare"):
    failures.append(f"the refused clock ended late: {order}")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
