"""i2c-batch as a shell on a pty: Tab completes a command word, the command runs, and the line is
in the history file of the state directory afterwards, for the user alone. With the simulator's
control script and directory, the modem is unplugged and plugged again while the shell waits at
its prompt, and the shell reconnects by itself.
Usage: shell.py I2C-BATCH [SIM-CONTROL DIR] (with a simulator announced in XDG_RUNTIME_DIR)."""
import os, pty, select, subprocess, sys, tempfile, time

state = tempfile.mkdtemp()
os.environ["XDG_STATE_HOME"] = state
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], [sys.argv[1]])
seen = b""

def until(text, times=1, seconds=10):
    global seen
    end = time.monotonic() + seconds
    while seen.count(text) < times and time.monotonic() < end:
        if select.select([fd], [], [], 0.1)[0]:
            seen += os.read(fd, 4096)
    assert seen.count(text) >= times, f"no {times} x {text!r} in {seen!r}"

until(b"#")  # the prompt of the modem
os.write(fd, b"get vers\t\r")
until(b"!Version: 2.20")
if len(sys.argv) > 3:
    for step, shown in ((b"unplug", b"Status: Offline"), (b"plug", b"Status: Online")):
        subprocess.run(["bash", sys.argv[2], "send", sys.argv[3], step], check=True)
        until(shown)
    os.write(fd, b"get vers\t\r")
    until(b"!Version: 2.20", 2)
os.write(fd, b"\x04")  # Ctrl-D ends the shell
end = time.monotonic() + 10
while (done := os.waitpid(pid, os.WNOHANG))[0] == 0 and time.monotonic() < end:
    if select.select([fd], [], [], 0.1)[0]:
        try:
            seen += os.read(fd, 4096)
        except OSError:  # the shell has gone and its side of the pty with it
            pass
if done[0] == 0:
    os.kill(pid, 9)
    raise AssertionError(f"Ctrl-D did not end the shell: {seen!r}")
status = done[1]
assert os.waitstatus_to_exitcode(status) == 0, status
history = os.path.join(state, "i2c-terminal", "batch_history")
assert "get VERSION " in open(history).read().splitlines(), open(history).read()
assert os.stat(history).st_mode & 0o077 == 0 and os.stat(os.path.dirname(history)).st_mode & 0o077 == 0
