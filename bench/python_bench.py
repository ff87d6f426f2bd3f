# 1,000 x read_i2c_block_data(0x39, 0, 8) through the Python package (two exchanges each: the
# register number written, then 8 bytes read), against the modem it finds, at the bus clock
# given in hertz.
import sys
import time

import i2cmodem

with i2cmodem.SMBus() as bus:
    hertz = bus.modem.set_clock(int(sys.argv[1]))
    start = time.perf_counter()
    for _ in range(1000):
        bus.read_i2c_block_data(0x39, 0, 8)
    took = time.perf_counter() - start
print(f"  Python, read_i2c_block_data(0x39, 0, 8) at {hertz:6d} Hz: {took * 1000:4.0f} ms, "
      f"{took:.3f} ms each")
