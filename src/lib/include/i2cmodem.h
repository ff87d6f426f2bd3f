/* SPDX-License-Identifier: LGPL-2.1-or-later */
/* libi2cmodem: the I2C <> USB Modem by Selmur & Vusk for C, C++ and other programs (Python's
 * ctypes, for one). The same core as the terminal i2c-terminal does the work.
 *
 * Addresses are 7-bit slave addresses (0x00 to 0x7F). Every call that talks to the modem returns
 * an i2cmodem_result; when the modem refused, i2cmodem_status() gives its StatusCode and
 * i2cmodem_status_text() the German text for it. Texts are UTF-8.
 *
 * Threads may share a handle: its calls take turns in the order they came, each call whole, so
 * that no call's Frames mix with another's. A call keeps the others waiting as long as its
 * exchanges take (at most about 2 s without an answer; i2cmodem_listen for its whole time), but
 * i2cmodem_wait_interrupt and i2cmodem_listen_read let the waiting calls in every 20 ms and then
 * wait on. i2cmodem_status answers at once, with the calling thread's own StatusCode. Only
 * i2cmodem_close needs the handle to itself. Separate handles are independent. The library never
 * prints and never ends the program. After an unplug a call fails within the exchange's limit
 * (about 2 s); once the modem is back, the next call finds it again, also under a new port
 * name, without a new handle. */
#ifndef I2CMODEM_H
#define I2CMODEM_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(I2CMODEM_BUILDING)
#define I2CMODEM_API __declspec(dllexport)
#else
#define I2CMODEM_API __declspec(dllimport)
#endif
#else
#define I2CMODEM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The major version of this interface; it is the soname's number. */
#define I2CMODEM_VERSION_MAJOR 1

typedef struct i2cmodem i2cmodem;

typedef enum i2cmodem_result {
    I2CMODEM_OK = 0,
    I2CMODEM_REFUSED = 1,       /* the modem refused: i2cmodem_status() has its StatusCode */
    I2CMODEM_NO_ANSWER = 2,     /* the modem did not answer within the exchange's limit */
    I2CMODEM_NO_MODEM = 3,      /* no modem found, or its port is no serial line or fails */
    I2CMODEM_BAD_ARGUMENT = 4,  /* refused before anything was sent */
    I2CMODEM_NOT_SUPPORTED = 5, /* the modem cannot do it: a transfer without data bytes */
    I2CMODEM_INCOMPLETE = 6,    /* LISTEN: the modem reports the data incomplete */
    I2CMODEM_BAD_REPLY = 7,     /* a reply of another kind than the request's answer */
    I2CMODEM_NO_DATA = 8,       /* nothing came within the caller's timeout */
    I2CMODEM_NO_MEMORY = 9,
    I2CMODEM_PORT_BUSY = 10,    /* the port is held by another handle or program (Linux) */
    I2CMODEM_NO_PERMISSION = 11 /* the user may not open the port (Linux) */
} i2cmodem_result;

/* StatusCodes worth knowing by name: the slave does not acknowledge its address, and a data
 * byte was not acknowledged. */
#define I2CMODEM_STATUS_NO_SLAVE 0x20
#define I2CMODEM_STATUS_WRITE_FAILED 0x21

typedef enum i2cmodem_line {
    I2CMODEM_LINE_SDA = 0,
    I2CMODEM_LINE_SCL = 1,
    I2CMODEM_LINE_INT = 2
} i2cmodem_line;

/* One interrupt event: the 7-bit address of the source and the bytes read from it. */
typedef struct i2cmodem_event {
    uint8_t address;
    uint8_t count;
    uint8_t data[127];
} i2cmodem_event;

/* Opens the modem: port NULL or "" finds it by its USB description as the terminal does (USB
 * serial ports and virtual devices), otherwise port names its serial port (/dev/ttyUSB0, COM3).
 * On success *handle is the new handle; otherwise it is NULL. */
I2CMODEM_API i2cmodem_result i2cmodem_open(const char* port, i2cmodem** handle);
/* The port that the calling thread's last i2cmodem_open found but could not open
 * (I2CMODEM_PORT_BUSY, I2CMODEM_NO_PERMISSION), "" after any other outcome. Valid until the
 * thread's next i2cmodem_open. */
I2CMODEM_API const char* i2cmodem_failed_port(void);
/* Releases the port and the handle; NULL is allowed. No other thread may be in a call on it. */
I2CMODEM_API void i2cmodem_close(i2cmodem* handle);

/* The serial port in use, "" while there is none. Valid until the handle is closed. */
I2CMODEM_API const char* i2cmodem_port(i2cmodem* handle);
/* The StatusCode of the calling thread's last call on the handle if the modem refused it, -1 when
 * it did not. */
I2CMODEM_API int i2cmodem_status(const i2cmodem* handle);
/* The German text of a StatusCode (0 to 255), as the terminal shows it. Never NULL. */
I2CMODEM_API const char* i2cmodem_status_text(int status);
/* A German description of a result code. Never NULL. */
I2CMODEM_API const char* i2cmodem_result_text(i2cmodem_result result);

/* Writes 1 to 125 bytes to the slave (count 0: I2CMODEM_NOT_SUPPORTED). */
I2CMODEM_API i2cmodem_result i2cmodem_write(i2cmodem* handle, unsigned address, const uint8_t* data,
                                            size_t count);
/* Reads 1 to 127 bytes from the slave into data; *received (may be NULL) is how many came. */
I2CMODEM_API i2cmodem_result i2cmodem_read(i2cmodem* handle, unsigned address, uint8_t* data,
                                           size_t count, size_t* received);

/* A write, then a read of the same slave, with no other thread's call in between: a register
 * read by threads that share the handle. Two transfers, each ending with a stop; a failed write
 * is the result, and nothing is read then. */
I2CMODEM_API i2cmodem_result i2cmodem_write_read(i2cmodem* handle, unsigned address,
                                                 const uint8_t* out, size_t out_count, uint8_t* in,
                                                 size_t in_count, size_t* received);

/* Reads one bus line: *level 1 when released (high), 0 when low. */
I2CMODEM_API i2cmodem_result i2cmodem_get_line(i2cmodem* handle, i2cmodem_line line, int* level);
/* Releases a line (level 1) or drives it low (0); the other lines stay as they are. */
I2CMODEM_API i2cmodem_result i2cmodem_set_line(i2cmodem* handle, i2cmodem_line line, int level);
/* Whether the pull-ups are on; switches them. */
I2CMODEM_API i2cmodem_result i2cmodem_get_pullups(i2cmodem* handle, int* on);
I2CMODEM_API i2cmodem_result i2cmodem_set_pullups(i2cmodem* handle, int on);
/* The bus clock in hertz; setting takes 40 to 350000 Hz, and *actual (may be NULL) is the clock
 * the modem really uses. */
I2CMODEM_API i2cmodem_result i2cmodem_get_clock(i2cmodem* handle, int32_t* hertz);
I2CMODEM_API i2cmodem_result i2cmodem_set_clock(i2cmodem* handle, int32_t hertz, int32_t* actual);
/* The firmware version in hundredths: 220 for version 2.20. */
I2CMODEM_API i2cmodem_result i2cmodem_version(i2cmodem* handle, int* hundredths);

/* The slave address that LISTEN watches. */
I2CMODEM_API i2cmodem_result i2cmodem_set_filter(i2cmodem* handle, unsigned address);
/* Listens for time (1 to 255) × 52 ms and returns the transfer seen to the filter's address: up
 * to size bytes into data, *received how many. REFUSED with StatusCode 0x43 when none came,
 * INCOMPLETE with the bytes that did. */
I2CMODEM_API i2cmodem_result i2cmodem_listen(i2cmodem* handle, unsigned time, uint8_t* data,
                                             size_t size, size_t* received);
/* Open-ended listening: start, read the modem's stream, stop. In between, every other call on
 * the handle is refused with I2CMODEM_BAD_ARGUMENT. */
I2CMODEM_API i2cmodem_result i2cmodem_listen_start(i2cmodem* handle);
/* Waits up to timeout_ms for stream bytes and returns those that wait, up to size;
 * I2CMODEM_NO_DATA when none came. */
I2CMODEM_API i2cmodem_result i2cmodem_listen_read(i2cmodem* handle, uint8_t* data, size_t size,
                                                  size_t* received, unsigned timeout_ms);
I2CMODEM_API i2cmodem_result i2cmodem_listen_stop(i2cmodem* handle);

/* Adds an interrupt source to the modem's table: the slave, and how many bytes (up to 4) the
 * modem reads from it when it pulls INT. */
I2CMODEM_API i2cmodem_result i2cmodem_table_load(i2cmodem* handle, unsigned address,
                                                 unsigned count);
/* Empties the table. */
I2CMODEM_API i2cmodem_result i2cmodem_table_clear(i2cmodem* handle);
/* Switches interrupt monitoring on (the table must not be empty) or off. */
I2CMODEM_API i2cmodem_result i2cmodem_monitor(i2cmodem* handle, int on);
/* Waits up to timeout_ms for an interrupt event while monitoring is on. I2CMODEM_NO_DATA when
 * none came; REFUSED with the modem's StatusCode when it could not serve the event (for example
 * 0x4D, a source not in the table), after which the modem has stopped monitoring. */
I2CMODEM_API i2cmodem_result i2cmodem_wait_interrupt(i2cmodem* handle, unsigned timeout_ms,
                                                     i2cmodem_event* event);

#ifdef __cplusplus
}
#endif

#endif
