# i2c-modem-attach refuses with a line and an exit status of its own for each fault it can meet
# on a machine without a modem, and lets go of a port it refused.
# Usage: errors.py I2C-MODEM-ATTACH
import fcntl, os, pty, subprocess, sys, tempfile

program = sys.argv[1]
failures = []


# Root passes any file mode; these keep its user, so that a checkout in a private folder still
# runs, but drop the capabilities that pass the mode.
WITHOUT_ROOTS_ACCESS = ["setpriv", "--inh-caps=-dac_override,-dac_read_search",
                        "--bounding-set=-dac_override,-dac_read_search"] if os.geteuid() == 0 else []


def attach(args, expect_status, expect_text, as_user=False):
    run = subprocess.run((WITHOUT_ROOTS_ACCESS if as_user else []) + [program] + args,
                         capture_output=True, text=True, timeout=60)
    if run.returncode != expect_status or expect_text not in run.stderr:
        failures.append(f"{args}: status {run.returncode}, {run.stderr!r}; "
                        f"expected {expect_status} and {expect_text!r}")


def lock_file(path):
    return "/var/lock/LCK.." + os.path.realpath(path)[5:].replace("/", "_")


with tempfile.NamedTemporaryFile() as regular:
    for args, status, text in [
        ([], 2, "kein PORT angegeben"),
        (["--clock", "39", "/dev/ttyS0"], 2, "zwischen 40 und 350000 Hz liegen: 39"),
        (["--clock=350001", "/dev/ttyS0"], 2, "liegen: 350001"),
        (["--clock"], 2, "--clock ohne Wert"),
        (["--speed", "/dev/ttyS0"], 2, "unbekannte Option: --speed"),
        (["/dev/ttyS0", "/dev/ttyS1"], 2, "nur ein PORT: /dev/ttyS1"),
        (["/dev/no-such-tty"], 3, "/dev/no-such-tty gibt es nicht"),
        ([regular.name], 3, regular.name + " ist keine serielle Schnittstelle"),
        (["/dev/null"], 3, "/dev/null ist keine serielle Schnittstelle"),
    ]:
        attach(args, status, text)

controller, port = pty.openpty()
path = os.ttyname(port)
# Held by another program of ours, and locked the UUCP way by a living process.
fcntl.flock(port, fcntl.LOCK_EX)
attach([path], 5, path + " ist belegt")
fcntl.flock(port, fcntl.LOCK_UN)
if os.access("/var/lock", os.W_OK):
    with open(lock_file(path), "w") as lock:
        lock.write("%10d\n" % os.getppid())
    attach([path], 5, path + " ist belegt")
    os.unlink(lock_file(path))
mode = os.stat(path).st_mode
os.chmod(path, 0)
attach([path], 4, "keine Berechtigung für " + path, as_user=True)
os.chmod(path, mode & 0o7777)
# Without serport the kernel knows no N_MOUSE; with it, the adapter waits for i2c-modem.
if not os.path.isdir("/sys/module/i2c_modem"):
    attach([path], 6, "das Kernelmodul " + ("i2c-modem" if os.path.isdir("/sys/module/serport")
                                              else "serport") + " ist nicht geladen")
try:
    fcntl.flock(os.open(path, os.O_RDWR | os.O_NOCTTY), fcntl.LOCK_EX | fcntl.LOCK_NB)
except OSError:
    failures.append("the refused port is still held")
if os.path.exists(lock_file(path)):
    failures.append("the refused port is still locked")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
