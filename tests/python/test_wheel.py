# SPDX-License-Identifier: LGPL-2.1-or-later
# The built wheel (I2CT_WHEEL, of version I2CT_VERSION) as a user gets it: its contents, tags and
# RECORD; the pure one installed by pip into a fresh virtual environment, offline, and used from
# outside the source tree with the library found by its soname (LD_LIBRARY_PATH standing in for
# the system's), then checked by mypy --strict in a typed program.
import base64, hashlib, os, shutil, subprocess, zipfile

import pytest

WHEEL, VERSION = os.environ["I2CT_WHEEL"], os.environ["I2CT_VERSION"]
WINDOWS = WHEEL.endswith("-py3-none-win_amd64.whl")

TYPED = """from i2cmodem import Event, Modem, SMBus, i2c_msg

with SMBus() as bus:
    bus.write_i2c_block_data(0x50, 0x00, list(b"I2C"))
    word: int = bus.read_word_data(0x50, 0x00)
    message = i2c_msg.read(0x50, 2)
    bus.i2c_rdwr(i2c_msg.write(0x50, [0]), message)
    print(word, bytes(message), bus.read_byte_data(0x50, 2))
with Modem() as modem:
    found: list[int] = modem.scan()
    event: Event | None = modem.wait_interrupt(timeout=0.1)
    print(found, modem.version(), event and event.data.hex())
"""


def test_contents_tags_and_record():
    info = f"i2cmodem-{VERSION}.dist-info/"
    with zipfile.ZipFile(WHEEL) as wheel:
        names = set(wheel.namelist())
        inside = {"i2cmodem/__init__.py", "i2cmodem/py.typed"} | (
            {"i2cmodem/libi2cmodem-1.dll"} if WINDOWS else set())
        assert {n for n in names if not n.startswith(info)} == inside
        assert {info + n for n in ("METADATA", "WHEEL", "RECORD", "LICENSE.LGPL-2.1")} <= names
        tags = [line for line in wheel.read(info + "WHEEL").decode().splitlines() if "Tag" in line]
        assert tags == [f"Tag: py3-none-{'win_amd64' if WINDOWS else 'any'}"]
        metadata = wheel.read(info + "METADATA").decode().splitlines()
        assert {f"Version: {VERSION}", "License: LGPL-2.1-or-later"} <= set(metadata)
        assert not [line for line in metadata if line.startswith("Requires-Dist")]
        for name, digest, size in (line.split(",") for line in
                                   wheel.read(info + "RECORD").decode().splitlines()[:-1]):
            data = wheel.read(name)
            sha = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
            assert (digest, int(size)) == ("sha256=" + sha, len(data)), name
        if WINDOWS:  # a PE image for x86-64
            dll = wheel.read("i2cmodem/libi2cmodem-1.dll")
            assert dll[(pe := int.from_bytes(dll[0x3C:0x40], "little")):pe + 6] == b"PE\0\0\x64\x86"


@pytest.mark.skipif(WINDOWS, reason="the Windows wheel needs a Windows Python")
def test_installed_by_pip(sim, tmp_path, readme_example):
    subprocess.run(["/usr/bin/python3", "-m", "venv", tmp_path / "venv"], check=True)
    python = tmp_path / "venv" / "bin" / "python"
    libdir = os.environ["I2CT_LIBDIR"]
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "I2CMODEM_LIBRARY")}
    env["LD_LIBRARY_PATH"] = libdir
    subprocess.run([python, "-m", "pip", "install", "-q", "--no-index", WHEEL], check=True, env=env)

    def run(code, **more):
        done = subprocess.run([python, "-c", code], cwd=tmp_path, env=dict(env, **more),
                              capture_output=True, text=True)
        assert done.returncode == 0, done.stderr
        return done.stdout

    package = run("import i2cmodem; print(i2cmodem.__file__)").strip()
    assert package.startswith(str(tmp_path / "venv")), package
    assert run(readme_example("python")) == "Seriennummer: I2C\n"
    (tmp_path / "typed.py").write_text(TYPED)
    (tmp_path / "wrong.py").write_text("from i2cmodem import SMBus\n"
                                       "text: str = SMBus().read_byte_data(0x50, 0)\n")
    mypy = subprocess.run(["mypy", "--strict", "--python-executable", python, "--cache-dir",
                           tmp_path / "cache", "typed.py", "wrong.py"], cwd=tmp_path,
                          capture_output=True, text=True)
    errors = [line for line in mypy.stdout.splitlines() if ": error:" in line]
    assert len(errors) == 1 and errors[0].startswith("wrong.py:2:") and \
        '"int", variable has type "str"' in errors[0], mypy.stdout
    assert run(TYPED) == "12873 b'I2' 67\n[32, 57, 72, 80] 2.20 None\n"
    # Without the soname's library, one inside the package is found, as the Windows wheel's DLL.
    inside = os.path.join(os.path.dirname(package), "libi2cmodem.so.1")
    shutil.copy(os.path.join(libdir, "libi2cmodem.so.1"), inside)
    assert inside in run("import i2cmodem; print(open('/proc/self/maps').read())",
                         LD_LIBRARY_PATH="")
