# SPDX-License-Identifier: LGPL-2.1-or-later
# What the Python tests share: i2c-modem-sim (named by I2CT_SIM) on a pty in a runtime directory
# of its own, where the library finds its virtual device, and the README's examples.
import os, re, subprocess, tempfile

import pytest


class Sim:
    def __init__(self, runtime):
        self.process = subprocess.Popen([os.environ["I2CT_SIM"], "--latency", "0"], text=True,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        env=dict(os.environ, XDG_RUNTIME_DIR=runtime))
        self.port = self.answer("port ")[5:]

    def answer(self, *starts):
        # A plug may bring a pty of another number, announced on its way to the answer.
        while not (line := self.process.stdout.readline()).startswith(starts):
            assert line, "i2c-modem-sim has ended"
            if line.startswith("port "):
                self.port = line.strip()[5:]
        return line.strip()

    def send(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        assert self.answer("ok", "error") == "ok", command


@pytest.fixture
def sim(monkeypatch):
    with tempfile.TemporaryDirectory() as runtime:
        monkeypatch.setenv("XDG_RUNTIME_DIR", runtime)
        s = Sim(runtime)
        yield s
        s.process.stdin.close()
        s.process.wait()


@pytest.fixture
def readme_example():
    def example(language):
        with open(os.path.join(os.environ["I2CT_SOURCE_DIR"], "README.md"), encoding="utf-8") as f:
            section = f.read().split("## Programming the modem")[1].split("\n## ")[0]
        return re.search(f"```{language}\n(.*?)```", section, re.S).group(1)
    return example
