"""i2c-batch as a shell on a pty: Tab completes a command word, the command runs, and the line is
in the history file of the state directory afterwards, which keeps the newest thousand lines for
the user alone: under XDG_STATE_HOME, and under ~/.local/state without it, where the keys are
the user's own, from an inputrc. A LISTEN shows what it hears as it comes, and Ctrl-C ends it;
Ctrl-C at the prompt drops a begun line. With "replug", the modem is unplugged and plugged again
while the shell waits at its prompt, and the shell reconnects by itself.
Usage: shell.py I2C-BATCH SIM-CONTROL DIR [replug], with the simulator announced in
XDG_RUNTIME_DIR and its wire logged to DIR/wire."""
import os, pty, select, subprocess, sys, tempfile, time


def shell(environment, history, replug=False, keys=b"get vers\t"):
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(state)  # where "i2c-terminal" is a file name
        os.execve(sys.argv[1], [sys.argv[1]], environment)
    seen = b""

    def until(text, after=0, seconds=60):
        """Waits for text behind position after of the output; returns the position behind it."""
        nonlocal seen
        end = time.monotonic() + seconds
        while text not in seen[after:] and time.monotonic() < end:
            if select.select([fd], [], [], 0.1)[0]:
                seen += os.read(fd, 4096)
        if text not in seen[after:]:
            os.kill(pid, 9)  # a shell left running would hold the modem from the checks after it
            raise AssertionError(f"no {text!r} in {seen[after:]!r}")
        return seen.index(text, after) + len(text)

    def command():
        os.write(fd, keys + b"\r")
        # Keys before the next prompt reach a terminal that the line editor has not yet made
        # raw, and a Ctrl-D there is lost.
        return until(b"#", until(b"!Version: 2.20", len(seen)))

    prompt = until(b"#")  # the prompt of the modem
    os.write(fd, b"get\x1b3")  # with a count for the next key (M-3) pending
    until(b"(arg: 3) get", prompt)
    os.write(fd, b"\x03")  # Ctrl-C drops the begun line and the count for a fresh prompt
    fresh = until(b"#", until(b"\r\n", prompt))  # on a line of its own
    os.write(fd, b"i2\t\x15")  # Tab completes command words, never file names; Ctrl-U empties
    shown = command()
    assert b"i2c-terminal" not in seen[fresh:shown], seen[fresh:shown]
    if not replug:
        os.write(fd, b"set filter 0050\r")
        shown = until(b"#", until(b"!SET FILTER > OK", shown))
        requests = lambda: open(os.path.join(sys.argv[3], "wire")).read().count(" host 42 ")
        listens, end = requests(), time.monotonic() + 60
        os.write(fd, b"listen 0\r")  # without a time limit; the traffic follows its request
        while requests() == listens and time.monotonic() < end:
            time.sleep(0.05)
        traffic = "traffic 0050 " + " ".join(f"{i:02X}" for i in range(1, 16))
        subprocess.run(["bash", sys.argv[2], "send", sys.argv[3], traffic], check=True)
        shown = until(b"0000  50 01 02 03", shown)  # at once: Ctrl-C ends the pass that showed it
        os.write(fd, b"\x03")
        shown = until(b"#", until(b"!LISTEN - ENDE", shown))
    if replug:
        os.write(fd, b"get")  # begun, not entered: it stands again below each status line
        for step, status in ((b"unplug", b"Status: Offline"), (b"plug", b"Status: Online")):
            subprocess.run(["bash", sys.argv[2], "send", sys.argv[3], step], check=True)
            shown = until(b"#get", until(status, shown))
        os.write(fd, b"\x15")  # Ctrl-U empties the line
        command()
    os.write(fd, b"\x04")  # Ctrl-D ends the shell
    end = time.monotonic() + 60
    while (done := os.waitpid(pid, os.WNOHANG))[0] == 0 and time.monotonic() < end:
        if select.select([fd], [], [], 0.1)[0]:
            try:
                seen += os.read(fd, 4096)
            except OSError:  # the shell has gone and its side of the pty with it
                pass
    os.close(fd)
    if done[0] == 0:
        os.kill(pid, 9)
        raise AssertionError(f"Ctrl-D did not end the shell: {seen!r}")
    assert os.waitstatus_to_exitcode(done[1]) == 0, done[1]
    kept = open(history).read().splitlines()  # the newest thousand lines
    assert "get VERSION " in kept and len(kept) <= 1000, kept[-4:] + [len(kept)]
    for private in (history, os.path.dirname(history)):
        assert os.stat(private).st_mode & 0o077 == 0, private


state, home = tempfile.mkdtemp(), tempfile.mkdtemp()
plain = {k: v for k, v in os.environ.items() if k != "XDG_STATE_HOME"}
history = os.path.join(state, "i2c-terminal", "batch_history")
if len(sys.argv) > 4:
    shell(dict(plain, XDG_STATE_HOME=state), history, replug=True)
else:
    os.makedirs(os.path.dirname(history), 0o700)
    open(history, "w").write("get\n" * 1000)  # full already
    shell(dict(plain, XDG_STATE_HOME=state), history)
    inputrc = os.path.join(home, "inputrc")  # read by the program's name: "i2c-batch"
    open(inputrc, "w").write('$if i2c-batch\n"\\C-xg": "get vers\\t"\n$endif\n')
    shell(dict(plain, HOME=home, INPUTRC=inputrc),
          os.path.join(home, ".local/state/i2c-terminal/batch_history"), keys=b"\x18g")
