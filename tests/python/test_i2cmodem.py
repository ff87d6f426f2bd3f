# SPDX-License-Identifier: LGPL-2.1-or-later
# The Python package against i2c-modem-sim on a pty: smbus2's interface on the simulated EEPROM
# (0x50) and register device (0x39), the OSError codes, threads on one bus, a port that does not
# open, the modem's other operations and the README's examples (conftest.py starts the simulator);
# PYTHONPATH holds the package.
import errno, inspect, os, subprocess, sys, threading

import pytest

import i2cmodem

# Root passes any file mode; this keeps its user but drops the capabilities that pass it.
WITHOUT_ROOTS_ACCESS = ["setpriv", "--inh-caps=-dac_override,-dac_read_search",
                        "--bounding-set=-dac_override,-dac_read_search"] if os.geteuid() == 0 else []

EEPROM, REGISTERS, EXPANDER = 0x50, 0x39, 0x20


@pytest.fixture
def bus(sim):
    with i2cmodem.SMBus() as b:
        yield b


def fails(call, code, text=""):
    """The OSError that the call raises, of that errno and with the text in its message."""
    with pytest.raises(OSError) as e:
        call()
    assert e.value.errno == code and text in str(e.value)
    return e.value


@pytest.mark.parametrize("device", [EEPROM, REGISTERS])
def test_every_smbus_method_on_the_device(bus, device):
    bus.write_i2c_block_data(device, 0x10, [0x11, 0x22, 0x33, 0x44])
    assert bus.read_i2c_block_data(device, 0x10, 4) == [0x11, 0x22, 0x33, 0x44]
    assert bus.read_byte_data(device, 0x11) == 0x22
    assert bus.read_byte(device) == 0x33  # goes on from the pointer
    bus.write_byte_data(device, 0x20, 0xA5)
    bus.write_byte(device, 0x20)
    assert bus.read_byte(device) == 0xA5
    bus.write_word_data(device, 0x30, 0xBEEF)
    assert bus.read_word_data(device, 0x30) == 0xBEEF
    assert bus.read_i2c_block_data(device, 0x30, 2) == [0xEF, 0xBE]  # low byte first
    # The read after a write goes on after the data in the EEPROM, and starts at the register
    # that the write selected in the register device.
    bus.write_word_data(device, 0x42, 0x5678)
    assert bus.process_call(device, 0x40, 0x1234) == {EEPROM: 0x5678, REGISTERS: 0x1234}[device]
    bus.write_block_data(device, 0x50, [1, 2, 3])
    assert bus.read_i2c_block_data(device, 0x50, 4) == [3, 1, 2, 3]
    assert bus.read_block_data(device, 0x50) == [1, 2, 3]
    bus.write_i2c_block_data(device, 0x62, [2, 9, 8])
    assert bus.block_process_call(device, 0x60, [7]) == {EEPROM: [9, 8], REGISTERS: [7]}[device]
    write, read = i2cmodem.i2c_msg.write(device, [0x10]), i2cmodem.i2c_msg.read(device, 3)
    bus.i2c_rdwr(write, read)
    assert (read.addr, read.flags, read.len) == (device, i2cmodem.I2C_M_RD, 3)
    assert list(read) == [0x11, 0x22, 0x33] and bytes(read) == b"\x11\x22\x33"
    assert read.buf[0] == b"\x11" and len(write) == 1 and list(write) == [0x10]
    assert bus.address == device and bus.pec is False and bus.funcs & i2cmodem.I2cFunc.I2C


def test_what_the_modem_cannot_do(bus):
    for call in (lambda: bus.write_quick(EEPROM), bus.enable_pec,
                 lambda: bus.i2c_rdwr(i2cmodem.i2c_msg.write(EEPROM, b"")),
                 lambda: bus.i2c_rdwr(i2cmodem.i2c_msg(addr=EEPROM, flags=0x10, len=1))):
        fails(call, errno.EOPNOTSUPP)
    assert not bus.funcs & (i2cmodem.I2cFunc.SMBUS_QUICK | i2cmodem.I2cFunc.SMBUS_PEC)
    bus.enable_pec(False)
    with pytest.raises(ValueError):
        bus.write_block_data(EEPROM, 0, [0] * 33)
    bus.write_i2c_block_data(REGISTERS, 0x70, [0xFF])
    fails(lambda: bus.read_block_data(REGISTERS, 0x70), errno.EPROTO)


def test_faults_raise_the_kernels_codes(sim, bus):
    fails(lambda: bus.read_byte(0x11), errno.ENXIO, "Slave reagiert nicht")
    sim.send("stretch 0072 on")
    fails(lambda: bus.write_byte(REGISTERS, 0), errno.EIO, "Timeout beim Clock-Stretch")
    sim.send("silent on")
    assert isinstance(fails(lambda: bus.read_byte(EEPROM), errno.ETIMEDOUT), TimeoutError)
    sim.send("silent off")
    fails(lambda: bus.write_byte(0x80, 0), errno.EINVAL)
    bus.close()
    fails(lambda: bus.read_byte(EEPROM), errno.EBADF)


@pytest.mark.parametrize("result, status, code", [
    (1, 0x20, errno.ENXIO), (1, 0x21, errno.EREMOTEIO), (1, 0x45, errno.EIO),
    (2, -1, errno.ETIMEDOUT), (3, -1, errno.ENODEV), (4, -1, errno.EINVAL),
    (5, -1, errno.EOPNOTSUPP), (6, -1, errno.EIO), (7, -1, errno.EIO), (10, -1, errno.EBUSY),
    (11, -1, errno.EACCES)])
def test_each_result_has_its_code(result, status, code):
    error = i2cmodem._error(result, status)
    assert error.errno == code and isinstance(error, OSError) and str(error)
    assert isinstance(error, TimeoutError) == (code == errno.ETIMEDOUT)
    assert isinstance(error, PermissionError) == (code == errno.EACCES)


def test_threads_share_a_bus(sim, bus):
    values = [0x5A, 0xA5, 0x3C, "ENXIO"]  # the fourth thread reads a missing slave
    bus.write_i2c_block_data(REGISTERS, 0, values[:3])
    wrong = []

    def reader(register):
        for _ in range(40):
            try:
                got = bus.read_byte_data(REGISTERS if register < 3 else 0x11, register)
            except OSError as e:
                got = errno.errorcode[e.errno]
            if got != values[register]:
                wrong.append((register, got))

    threads = [threading.Thread(target=reader, args=(r,)) for r in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert wrong == []

    # A wait for an interrupt lets another thread's reads in, and still gets its event.
    modem, events = bus.modem, []
    modem.table_load(EXPANDER, 1)
    modem.monitor()
    waiter = threading.Thread(target=lambda: events.append(modem.wait_interrupt(timeout=30)))
    waiter.start()
    assert [bus.read_byte_data(REGISTERS, 1) for _ in range(10)] == [0xA5] * 10
    assert waiter.is_alive()
    sim.send("expander FE")
    waiter.join()
    assert events == [i2cmodem.Event(EXPANDER, b"\xfe")]

    # Closing lets a waiting thread's call end; its next one finds the modem closed.
    waiter = threading.Thread(
        target=lambda: events.append(fails(modem.wait_interrupt, errno.EBADF)))
    waiter.start()
    bus.close()
    waiter.join()
    assert [e.errno for e in events[1:]] == [errno.EBADF]


def test_a_held_or_forbidden_port_is_no_missing_modem(sim):
    with i2cmodem.Modem():
        for port in (None, sim.port):
            e = fails(lambda: i2cmodem.SMBus(port), errno.EBUSY)
            assert e.filename == sim.port and "belegt" in e.strerror
    # Nobody may open the line; root, who passes any mode, tries without that power.
    mode = os.stat(sim.port).st_mode
    os.chmod(sim.port, 0)
    try:
        probe = "import i2cmodem, sys\ntry: i2cmodem.SMBus(sys.argv[1])\n" \
                "except PermissionError as e: print(e.errno, e.filename)"
        out = subprocess.run(WITHOUT_ROOTS_ACCESS + [sys.executable, "-c", probe, sim.port],
                             capture_output=True, text=True, check=True).stdout
    finally:
        os.chmod(sim.port, mode & 0o7777)
    assert out == f"{errno.EACCES} {sim.port}\n"
    i2cmodem.SMBus(sim.port).close()


def test_the_modems_other_operations(sim):
    with i2cmodem.Modem(sim.port) as modem:
        assert modem.port == sim.port and modem.scan() == [EXPANDER, REGISTERS, 0x48, EEPROM]
        assert modem.version() == "2.20"
        modem.set_line("sda", 0)
        assert (modem.line("SDA"), modem.line("SCL"), modem.line("INT")) == (False, True, True)
        modem.set_line("SDA", 1)
        modem.pullups = False
        assert modem.pullups is False
        assert modem.set_clock(1500) == 1501 and modem.clock == 1501
        assert modem.listen(2, address=0x3A) == b""
        with modem.listening() as listener:
            with pytest.raises(OSError):
                modem.version()
            # The stream comes in blocks of 16: the address byte and the data seen.
            sim.send("traffic 0074 " + " ".join(f"{i:02X}" for i in range(1, 16)))
            assert listener.read(timeout=2.0) == bytes([0x74] + list(range(1, 16)))
        modem.table_load(EXPANDER, 1)
        modem.monitor()
        assert modem.wait_interrupt(timeout=0.05) is None
        sim.send("expander FE")
        assert next(modem.interrupts(timeout=2.0)) == i2cmodem.Event(EXPANDER, b"\xfe")
        modem.monitor(False)
        modem.table_clear()


def test_smbus2_signatures():
    smbus2 = pytest.importorskip("smbus2")
    public = [n for n in dir(smbus2.SMBus) if not n.startswith("_")]
    assert public and set(public) <= set(dir(i2cmodem.SMBus))
    # Ours carry type hints, smbus2's only in its stub: names, kinds and defaults must agree.
    def shape(f):
        return [(p.name, p.kind, p.default) for p in inspect.signature(f).parameters.values()]
    for name in public + ["__init__", "__enter__", "__exit__"]:
        ours, theirs = getattr(i2cmodem.SMBus, name), getattr(smbus2.SMBus, name)
        if callable(ours):
            assert shape(ours) == shape(theirs), name
    for name in ("read", "write"):
        assert shape(getattr(i2cmodem.i2c_msg, name)) == shape(getattr(smbus2.i2c_msg, name))


def test_the_readmes_examples(sim, tmp_path, readme_example):
    (tmp_path / "example.c").write_text(readme_example("c"))
    cc, *flags = os.environ["I2CT_CC"].split()
    subprocess.run([cc, str(tmp_path / "example.c"), "-o", str(tmp_path / "example")] + flags,
                   check=True)
    for program in ([str(tmp_path / "example")], [sys.executable, "-c", readme_example("python")]):
        assert subprocess.run(program, capture_output=True, text=True, check=True).stdout == \
            "Seriennummer: I2C\n"
