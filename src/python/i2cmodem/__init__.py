# SPDX-License-Identifier: LGPL-2.1-or-later
"""The I2C <> USB Modem by Selmur & Vusk from Python, through libi2cmodem and ctypes.

``SMBus`` has the interface of smbus2's ``SMBus`` for everything the modem can do, so that device
drivers written for i2c-dev run unchanged; ``Modem`` offers the rest: the bus scan, the version,
the lines, pull-ups and bus clock, listening, and the interrupt table with its events.

Addresses are 7-bit slave addresses. Failures raise ``OSError`` with the codes of the kernel's
I2C fault convention: ENXIO when the slave does not acknowledge, EREMOTEIO when a data byte is not
acknowledged, ``TimeoutError`` (ETIMEDOUT) when the modem does not answer, ENODEV without a modem,
EBUSY when another object or program holds its port, ``PermissionError`` (EACCES) when the user
may not open it, EOPNOTSUPP for what the modem cannot do, and EIO with the modem's German text
for any other refusal. The modem has no repeated start: a register read is a write of the register
number, then a separate read, and a message list of ``i2c_rdwr`` runs as consecutive transfers.

Threads may share an object: each call is whole, a register read included, and a thread waiting
for an interrupt or the listening stream lets the others' calls in. Separate objects are
independent, but only one of them can hold the modem's port.
"""

import ctypes
import errno
import os
import threading
from collections.abc import Iterable, Iterator, Sequence
from types import TracebackType
from typing import Any, NamedTuple, Optional, SupportsBytes, Union

__all__ = ["SMBus", "i2c_msg", "I2cFunc", "Modem", "Event", "Listener", "I2C_M_RD"]

_LIBRARY = "libi2cmodem-1.dll" if os.name == "nt" else "libi2cmodem.so.1"


def _load() -> ctypes.CDLL:
    """The library named by $I2CMODEM_LIBRARY, the one inside this package (the Windows wheel),
    beside it (the installer's sdk folder) or of the build tree it lies in, else the system's."""
    here = os.path.dirname(os.path.abspath(__file__))
    paths = [os.environ.get("I2CMODEM_LIBRARY", ""), os.path.join(here, _LIBRARY),
             os.path.join(here, "..", _LIBRARY),
             os.path.join(here, "..", "..", "src", "lib", _LIBRARY)]
    for path in paths:
        if path and os.path.isfile(path):
            return ctypes.CDLL(os.path.normpath(path))
    return ctypes.CDLL(_LIBRARY)


class _Event(ctypes.Structure):
    _fields_ = [("address", ctypes.c_uint8), ("count", ctypes.c_uint8),
                ("data", ctypes.c_uint8 * 127)]


_lib = _load()
_u8p, _sizep = ctypes.POINTER(ctypes.c_uint8), ctypes.POINTER(ctypes.c_size_t)
_intp, _i32p = ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int32)
_vp, _uint, _int, _size = ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_size_t
for _name, _args in {
        "open": [ctypes.c_char_p, ctypes.POINTER(_vp)], "close": [_vp], "port": [_vp],
        "status": [_vp], "status_text": [_int], "result_text": [_int],
        "failed_port": [],
        "write": [_vp, _uint, _u8p, _size], "read": [_vp, _uint, _u8p, _size, _sizep],
        "write_read": [_vp, _uint, _u8p, _size, _u8p, _size, _sizep],
        "get_line": [_vp, _int, _intp], "set_line": [_vp, _int, _int],
        "get_pullups": [_vp, _intp], "set_pullups": [_vp, _int], "get_clock": [_vp, _i32p],
        "set_clock": [_vp, ctypes.c_int32, _i32p], "version": [_vp, _intp],
        "set_filter": [_vp, _uint], "listen": [_vp, _uint, _u8p, _size, _sizep],
        "listen_start": [_vp], "listen_read": [_vp, _u8p, _size, _sizep, _uint],
        "listen_stop": [_vp], "table_load": [_vp, _uint, _uint], "table_clear": [_vp],
        "monitor": [_vp, _int], "wait_interrupt": [_vp, _uint, ctypes.POINTER(_Event)]}.items():
    _function = getattr(_lib, "i2cmodem_" + _name)
    _function.argtypes = _args
    _function.restype = {"close": None, "port": ctypes.c_char_p, "status_text": ctypes.c_char_p,
                         "result_text": ctypes.c_char_p,
                         "failed_port": ctypes.c_char_p}.get(_name, _int)

_OK, _REFUSED, _NO_ANSWER, _NO_MODEM, _BAD_ARGUMENT, _NOT_SUPPORTED = range(6)
_INCOMPLETE, _BAD_REPLY, _NO_DATA, _NO_MEMORY, _PORT_BUSY, _NO_PERMISSION = range(6, 12)
_ERRNO = {_NO_ANSWER: errno.ETIMEDOUT, _NO_MODEM: errno.ENODEV, _BAD_ARGUMENT: errno.EINVAL,
          _NOT_SUPPORTED: errno.EOPNOTSUPP, _INCOMPLETE: errno.EIO, _BAD_REPLY: errno.EIO,
          _PORT_BUSY: errno.EBUSY, _NO_PERMISSION: errno.EACCES}
_STATUS_ERRNO = {0x20: errno.ENXIO, 0x21: getattr(errno, "EREMOTEIO", 121)}
_LINES = {"SDA": 0, "SCL": 1, "INT": 2}

# What the calls take as the bytes of a transfer: bytes, a bytearray or a list of ints.
_Bytes = Union[bytes, bytearray, memoryview, Iterable[int], SupportsBytes]
_Port = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]


def _error(result: int, status: int = -1, port: Optional[str] = None) -> Exception:
    """The exception for a result code of the library and the modem's StatusCode; a port that
    did not open is named, as a file is (EACCES makes it a PermissionError)."""
    if result == _NO_MEMORY:
        return MemoryError(_lib.i2cmodem_result_text(result).decode())
    if result == _REFUSED:
        text = _lib.i2cmodem_status_text(status).decode()
        return OSError(_STATUS_ERRNO.get(status, errno.EIO), f"{text} (StatusCode 0x{status:02X})")
    text = _lib.i2cmodem_result_text(result).decode()
    if result in (_PORT_BUSY, _NO_PERMISSION):
        return OSError(_ERRNO[result], text, port)
    return OSError(_ERRNO.get(result, errno.EIO), text)


def _unsupported(what: str) -> OSError:
    return OSError(errno.EOPNOTSUPP, f"Das Modem kann das nicht: {what}")


def _buffer(data: _Bytes) -> tuple["ctypes.Array[ctypes.c_uint8]", int]:
    data = bytes(data)
    return (ctypes.c_uint8 * max(len(data), 1)).from_buffer_copy(data or b"\0"), len(data)


class Event(NamedTuple):
    """An interrupt event: the 7-bit address of the source and the bytes read from it."""
    address: int
    data: bytes


class Modem:
    """The modem: ``port`` is its serial port's name, or None to find it by its USB description
    (USB serial ports and the simulator's virtual devices)."""

    def __init__(self, port: Optional[_Port] = None) -> None:
        # The handle, and how many calls of other threads are in the library with it: the
        # library takes the calls in turn, but closing must wait until none is left.
        self._state = threading.Condition()
        self._calls = 0
        self._handle: Optional[ctypes.c_void_p] = None
        handle = _vp()
        name = None if port is None else os.fsencode(port)
        result = _lib.i2cmodem_open(name, ctypes.byref(handle))
        if result != _OK:
            raise _error(result, port=os.fsdecode(_lib.i2cmodem_failed_port()))
        self._handle = handle

    def close(self) -> None:
        """Closes the modem once the calls of other threads are back; later calls raise
        OSError(EBADF)."""
        with self._state:
            handle, self._handle = self._handle, None
            self._state.wait_for(lambda: self._calls == 0)
        if handle is not None:
            _lib.i2cmodem_close(handle)

    def __enter__(self) -> "Modem":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self) -> None:
        self.close()

    @property
    def port(self) -> str:
        """The serial port in use, "" while the modem is gone."""
        return os.fsdecode(self._run("port")[0])

    def _run(self, name: str, *args: Any) -> tuple[Any, int]:
        """The library's i2cmodem_<name> on the handle: its result, and this thread's
        StatusCode after it."""
        with self._state:
            if self._handle is None:
                raise OSError(errno.EBADF, "Das Modem ist geschlossen")
            handle = self._handle
            self._calls += 1
        try:
            return getattr(_lib, "i2cmodem_" + name)(handle, *args), _lib.i2cmodem_status(handle)
        finally:
            with self._state:
                self._calls -= 1
                self._state.notify_all()

    def _call(self, name: str, *args: Any, allow: tuple[int, ...] = ()) -> int:
        result, status = self._run(name, *args)
        if result != _OK and result not in allow:
            raise _error(result, status)
        return int(result)

    def write(self, address: int, data: _Bytes) -> None:
        """Writes 1 to 125 bytes to the slave."""
        buffer, count = _buffer(data)
        self._call("write", address, buffer, count)

    def read(self, address: int, count: int) -> bytes:
        """Reads 1 to 127 bytes from the slave and returns them as bytes."""
        buffer, received = (ctypes.c_uint8 * max(count, 1))(), ctypes.c_size_t()
        self._call("read", address, buffer, count, ctypes.byref(received))
        return bytes(buffer[:received.value])

    def write_read(self, address: int, data: _Bytes, count: int) -> bytes:
        """Writes data to the slave, then reads count bytes from it, with no other thread's call
        in between: a register read. Two transfers, each with its own stop."""
        out, length = _buffer(data)
        buffer, received = (ctypes.c_uint8 * max(count, 1))(), ctypes.c_size_t()
        self._call("write_read", address, out, length, buffer, count, ctypes.byref(received))
        return bytes(buffer[:received.value])

    def scan(self) -> list[int]:
        """The 7-bit addresses from 0x03 to 0x77 that answer a one-byte read, as i2c-batch's SCAN
        finds them. Reading is the only probe this modem has that changes no device."""
        found = []
        for address in range(0x03, 0x78):
            try:
                self.read(address, 1)
                found.append(address)
            except OSError as e:
                if e.errno in (errno.ETIMEDOUT, errno.ENODEV, errno.EINVAL, errno.EBUSY,
                               errno.EACCES):
                    raise
        return found

    def version(self) -> str:
        """The firmware version as text, "2.20" for example."""
        hundredths = ctypes.c_int()
        self._call("version", ctypes.byref(hundredths))
        return f"{hundredths.value // 100}.{hundredths.value % 100:02d}"

    def line(self, name: str) -> bool:
        """Reads the bus line "SDA", "SCL" or "INT": True when released (high)."""
        level = ctypes.c_int()
        self._call("get_line", _LINES[name.upper()], ctypes.byref(level))
        return bool(level.value)

    def set_line(self, name: str, level: int) -> None:
        """Releases the line (level true) or drives it low; the other lines stay as they are."""
        self._call("set_line", _LINES[name.upper()], 1 if level else 0)

    @property
    def pullups(self) -> bool:
        """Whether the modem's pull-ups are on; assign to switch them."""
        on = ctypes.c_int()
        self._call("get_pullups", ctypes.byref(on))
        return bool(on.value)

    @pullups.setter
    def pullups(self, on: bool) -> None:
        self._call("set_pullups", 1 if on else 0)

    @property
    def clock(self) -> int:
        """The bus clock in hertz."""
        hertz = ctypes.c_int32()
        self._call("get_clock", ctypes.byref(hertz))
        return hertz.value

    def set_clock(self, hertz: int) -> int:
        """Sets the bus clock (40 to 350000 Hz) and returns the clock the modem really uses."""
        actual = ctypes.c_int32()
        self._call("set_clock", hertz, ctypes.byref(actual))
        return actual.value

    def listen(self, time_units: int, address: Optional[int] = None, size: int = 127) -> bytes:
        """Listens for time_units (1 to 255) × 52 ms to the slave ``address`` (or the filter set
        before) and returns the transfer seen, b"" when none came. An incomplete transfer raises
        OSError(EIO) whose ``data`` holds the bytes that came."""
        if address is not None:
            self._call("set_filter", address)
        buffer, received = (ctypes.c_uint8 * size)(), ctypes.c_size_t()
        result, status = self._run("listen", time_units, buffer, size, ctypes.byref(received))
        data = bytes(buffer[:received.value])
        if result == _REFUSED and status == 0x43:
            return b""
        if result != _OK:
            error = _error(result, status)
            error.data = data  # type: ignore[attr-defined]
            raise error
        return data

    def listening(self, address: Optional[int] = None) -> "Listener":
        """Open-ended listening: a Listener for a with statement, which ends it. Meanwhile every
        other call is refused with OSError(EINVAL)."""
        if address is not None:
            self._call("set_filter", address)
        self._call("listen_start")
        return Listener(self)

    def table_load(self, address: int, count: int) -> None:
        """Adds an interrupt source: the slave, and how many bytes (1 to 4) the modem reads from
        it when it pulls INT."""
        self._call("table_load", address, count)

    def table_clear(self) -> None:
        self._call("table_clear")

    def monitor(self, on: bool = True) -> None:
        """Switches interrupt monitoring on (the table must not be empty) or off."""
        self._call("monitor", 1 if on else 0)

    def wait_interrupt(self, timeout: Optional[float] = None) -> Optional[Event]:
        """The next interrupt Event, None when none came within timeout seconds (None: wait as
        long as it takes)."""
        event = _Event()
        while True:
            slice_ms = 1000 if timeout is None else max(0, round(timeout * 1000))
            result = self._call("wait_interrupt", slice_ms, ctypes.byref(event), allow=(_NO_DATA,))
            if result == _OK:
                return Event(event.address, bytes(event.data[:event.count]))
            if timeout is not None:
                return None

    def interrupts(self, timeout: Optional[float] = None) -> Iterator[Event]:
        """Iterates over the interrupt events; ends when none came for timeout seconds."""
        while (event := self.wait_interrupt(timeout)) is not None:
            yield event


class Listener:
    """The running open-ended LISTEN of a Modem; iterating yields the stream's blocks."""

    def __init__(self, modem: Modem) -> None:
        self._modem = modem
        self._open = True
        self._stopping = threading.Lock()

    def read(self, timeout: float = 1.0, size: int = 4096) -> bytes:
        """The stream bytes that came within timeout seconds, b"" when none did."""
        buffer, received = (ctypes.c_uint8 * size)(), ctypes.c_size_t()
        self._modem._call("listen_read", buffer, size, ctypes.byref(received),
                          max(0, round(timeout * 1000)), allow=(_NO_DATA,))
        return bytes(buffer[:received.value])

    def __iter__(self) -> Iterator[bytes]:
        while data := self.read():
            yield data

    def stop(self) -> None:
        with self._stopping:
            if not self._open:
                return
            self._open = False
        self._modem._call("listen_stop")

    def __enter__(self) -> "Listener":
        return self

    def __exit__(self, *exc: object) -> None:
        self.stop()


I2C_M_RD = 0x0001
I2C_M_TEN = 0x0010


class I2cFunc:
    """The kernel's I2C_FUNC bits, as smbus2 names them."""
    I2C = 0x00000001
    SMBUS_PEC = 0x00000008
    SMBUS_BLOCK_PROC_CALL = 0x00008000
    SMBUS_QUICK = 0x00010000
    SMBUS_READ_BYTE = 0x00020000
    SMBUS_WRITE_BYTE = 0x00040000
    SMBUS_READ_BYTE_DATA = 0x00080000
    SMBUS_WRITE_BYTE_DATA = 0x00100000
    SMBUS_READ_WORD_DATA = 0x00200000
    SMBUS_WRITE_WORD_DATA = 0x00400000
    SMBUS_PROC_CALL = 0x00800000
    SMBUS_READ_BLOCK_DATA = 0x01000000
    SMBUS_WRITE_BLOCK_DATA = 0x02000000
    SMBUS_READ_I2C_BLOCK = 0x04000000
    SMBUS_WRITE_I2C_BLOCK = 0x08000000


# Everything but the quick command and PEC; plain I2C without the repeated start.
_FUNCS = (I2cFunc.I2C | I2cFunc.SMBUS_BLOCK_PROC_CALL | I2cFunc.SMBUS_READ_BYTE
          | I2cFunc.SMBUS_WRITE_BYTE | I2cFunc.SMBUS_READ_BYTE_DATA | I2cFunc.SMBUS_WRITE_BYTE_DATA
          | I2cFunc.SMBUS_READ_WORD_DATA | I2cFunc.SMBUS_WRITE_WORD_DATA | I2cFunc.SMBUS_PROC_CALL
          | I2cFunc.SMBUS_READ_BLOCK_DATA | I2cFunc.SMBUS_WRITE_BLOCK_DATA
          | I2cFunc.SMBUS_READ_I2C_BLOCK | I2cFunc.SMBUS_WRITE_I2C_BLOCK)


class i2c_msg(ctypes.Structure):
    """One transfer of SMBus.i2c_rdwr, laid out as the kernel's and smbus2's i2c_msg."""
    _fields_ = [("addr", ctypes.c_uint16), ("flags", ctypes.c_uint16),
                ("len", ctypes.c_uint16), ("buf", ctypes.POINTER(ctypes.c_char))]
    addr: int
    flags: int
    len: int
    buf: "ctypes._Pointer[ctypes.c_char]"

    def __iter__(self) -> Iterator[int]:
        return (self.buf[i][0] for i in range(self.len))

    def __len__(self) -> int:
        return self.len

    def __bytes__(self) -> bytes:
        return ctypes.string_at(self.buf, self.len)

    def __repr__(self) -> str:
        return f"i2c_msg({self.addr},{self.flags},{bytes(self)!r})"

    def __str__(self) -> str:
        return bytes(self).decode(errors="replace")

    @staticmethod
    def read(address: int, length: int) -> "i2c_msg":
        """A message that reads length bytes from address."""
        return i2c_msg(addr=address, flags=I2C_M_RD, len=length,
                       buf=ctypes.create_string_buffer(length))

    @staticmethod
    def write(address: int, buf: Union[str, _Bytes]) -> "i2c_msg":
        """A message that writes buf (bytes, a list of ints or a str) to address."""
        data = bytes(map(ord, buf)) if isinstance(buf, str) else bytes(buf)
        return i2c_msg(addr=address, flags=0, len=len(data),
                       buf=ctypes.create_string_buffer(data, len(data)))


class SMBus:
    """smbus2's SMBus on the modem. ``bus`` is the modem's port name, or None to find it."""

    def __init__(self, bus: Optional[_Port] = None, force: bool = False) -> None:
        self._opening = threading.Lock()
        self.modem: Optional[Modem] = None
        self.funcs = _FUNCS
        self.address: Optional[int] = None
        self.force = force
        self.open(bus)

    def open(self, bus: Optional[_Port]) -> None:
        """Opens the modem at the port ``bus``, or finds it when bus is None."""
        if bus is not None and not isinstance(bus, (str, bytes, os.PathLike)):
            raise TypeError("bus ist der Name der seriellen Schnittstelle oder None")
        with self._opening:
            self._close()
            self.modem = Modem(bus)

    def close(self) -> None:
        with self._opening:
            self._close()

    def _close(self) -> None:
        modem, self.modem = self.modem, None
        if modem is not None:
            modem.close()

    def __enter__(self) -> "SMBus":
        return self

    def __exit__(self, exc_type: Optional[type[BaseException]], exc_val: Optional[BaseException],
                 exc_tb: Optional[TracebackType]) -> None:
        self.close()

    @property
    def pec(self) -> bool:
        """Always False: the modem has no packet error checking."""
        return False

    @pec.setter
    def pec(self, enable: bool) -> None:
        self.enable_pec(enable)

    def enable_pec(self, enable: bool = True) -> None:
        if enable:
            raise _unsupported("PEC")

    def _live(self, i2c_addr: int) -> Modem:
        if self.modem is None:
            raise OSError(errno.EBADF, "Das Modem ist geschlossen")
        self.address = i2c_addr
        return self.modem

    def _write(self, i2c_addr: int, data: _Bytes) -> None:
        self._live(i2c_addr).write(i2c_addr, data)

    def _read(self, i2c_addr: int, register: Optional[int], length: int) -> bytes:
        return self._write_read(i2c_addr, None if register is None else [register], length)

    def _write_read(self, i2c_addr: int, data: Optional[_Bytes], length: int) -> bytes:
        """The write of data, if any, and the read as one call, whole among other threads'."""
        modem = self._live(i2c_addr)
        return modem.read(i2c_addr, length) if data is None else \
            modem.write_read(i2c_addr, data, length)

    def write_quick(self, i2c_addr: int, force: Optional[bool] = None) -> None:
        raise _unsupported("eine Übertragung ohne Daten")

    def read_byte(self, i2c_addr: int, force: Optional[bool] = None) -> int:
        return self._read(i2c_addr, None, 1)[0]

    def write_byte(self, i2c_addr: int, value: int, force: Optional[bool] = None) -> None:
        self._write(i2c_addr, [value])

    def read_byte_data(self, i2c_addr: int, register: int, force: Optional[bool] = None) -> int:
        return self._read(i2c_addr, register, 1)[0]

    def write_byte_data(self, i2c_addr: int, register: int, value: int,
                        force: Optional[bool] = None) -> None:
        self._write(i2c_addr, [register, value])

    def read_word_data(self, i2c_addr: int, register: int, force: Optional[bool] = None) -> int:
        return int.from_bytes(self._read(i2c_addr, register, 2), "little")

    def write_word_data(self, i2c_addr: int, register: int, value: int,
                        force: Optional[bool] = None) -> None:
        self._write(i2c_addr, [register, value & 0xFF, value >> 8 & 0xFF])

    def process_call(self, i2c_addr: int, register: int, value: int,
                     force: Optional[bool] = None) -> int:
        """Writes the word, then reads one: two transfers, without a repeated start."""
        data = [register, value & 0xFF, value >> 8 & 0xFF]
        return int.from_bytes(self._write_read(i2c_addr, data, 2), "little")

    def _block(self, i2c_addr: int, written: Optional[_Bytes]) -> list[int]:
        # The modem cannot end a read at the length byte, so it reads the longest block.
        data = self._write_read(i2c_addr, written, 33)
        if not 1 <= data[0] <= 32:
            raise OSError(errno.EPROTO, f"Blocklänge {data[0]} außerhalb von 1 bis 32")
        return list(data[1:1 + data[0]])

    def read_block_data(self, i2c_addr: int, register: int,
                        force: Optional[bool] = None) -> list[int]:
        """An SMBus block read: the count byte first; reads 33 bytes and returns count of them."""
        return self._block(i2c_addr, [register])

    def write_block_data(self, i2c_addr: int, register: int, data: Sequence[int],
                         force: Optional[bool] = None) -> None:
        if len(data) > 32:
            raise ValueError("Data length cannot exceed 32 bytes")
        self._write(i2c_addr, [register, len(data)] + list(data))

    def block_process_call(self, i2c_addr: int, register: int, data: Sequence[int],
                           force: Optional[bool] = None) -> list[int]:
        """Writes a block, then reads one: two transfers, without a repeated start."""
        if len(data) > 32:
            raise ValueError("Data length cannot exceed 32 bytes")
        return self._block(i2c_addr, [register, len(data)] + list(data))

    def read_i2c_block_data(self, i2c_addr: int, register: int, length: int,
                            force: Optional[bool] = None) -> list[int]:
        """Writes the register number, then reads length (1 to 127) bytes."""
        return list(self._read(i2c_addr, register, length))

    def write_i2c_block_data(self, i2c_addr: int, register: int, data: Sequence[int],
                             force: Optional[bool] = None) -> None:
        """Writes the register number and up to 124 bytes in one transfer."""
        self._write(i2c_addr, [register] + list(data))

    def i2c_rdwr(self, *i2c_msgs: i2c_msg) -> None:
        """Runs the messages one after the other, each as a transfer of its own with a stop:
        the modem has no repeated start. Read messages get their bytes in buf. A write followed
        by a read of the same address is one call, whole among other threads' (a register
        read)."""
        if any(msg.flags & I2C_M_TEN for msg in i2c_msgs):
            raise _unsupported("10-Bit-Adressen")
        pending: Optional[i2c_msg] = None  # a write that may select the register of a read
        for msg in i2c_msgs:
            reads = bool(msg.flags & I2C_M_RD)
            if pending is not None and not (reads and msg.addr == pending.addr):
                self._write(pending.addr, bytes(pending))
                pending = None
            if not reads:
                pending = msg
                continue
            data = self._write_read(msg.addr, None if pending is None else bytes(pending), msg.len)
            ctypes.memmove(msg.buf, data, len(data))
            pending = None
        if pending is not None:
            self._write(pending.addr, bytes(pending))
