/* SPDX-License-Identifier: LGPL-2.1-or-later */
/*
 * The modem's wire protocol in plain C, for every side that speaks it: the terminal's core, the
 * simulator, the attach program and the kernel module. A Frame is kind, signed length N, N data
 * bytes and the end byte.
 */
#ifndef I2C_MODEM_PROTOCOL_H
#define I2C_MODEM_PROTOCOL_H

#define I2C_MODEM_END_BYTE 0x04

/* The length byte is read as a signed value, so a Frame carries at most 127 data bytes. */
#define I2C_MODEM_MAX_FRAME_DATA 127
/* A write's Frame also carries the two address bytes. */
#define I2C_MODEM_MAX_WRITE_DATA (I2C_MODEM_MAX_FRAME_DATA - 2)
#define I2C_MODEM_MAX_READ_DATA I2C_MODEM_MAX_FRAME_DATA

/* Request kinds. */
#define I2C_MODEM_REQ_VERSION 0x11
#define I2C_MODEM_REQ_PROMPT 0x12
#define I2C_MODEM_REQ_PULLUPS 0x21
#define I2C_MODEM_REQ_CLOCK 0x22
#define I2C_MODEM_REQ_LINE_WRITE 0x31
#define I2C_MODEM_REQ_LINE_READ 0x32
#define I2C_MODEM_REQ_TRANSFER 0x33
#define I2C_MODEM_REQ_FILTER 0x41
#define I2C_MODEM_REQ_LISTEN 0x42
#define I2C_MODEM_REQ_TABLE_LOAD 0x43
#define I2C_MODEM_REQ_TABLE_CLEAR 0x44
#define I2C_MODEM_REQ_MONITORING 0x45

/* Answer kinds, one for each group of requests, and the refusal that carries a status code. */
#define I2C_MODEM_ANS_MODEM 0x1A /* version, prompt */
#define I2C_MODEM_ANS_CONFIG 0x2A /* pull-ups, clock, filter */
#define I2C_MODEM_ANS_BUS 0x3A /* lines, transfers */
#define I2C_MODEM_ANS_EVENT 0x4A /* table, monitoring, listening data */
#define I2C_MODEM_ANS_INCOMPLETE 0x4B /* listening caught a broken transfer */
#define I2C_MODEM_ANS_REFUSAL 0x49 /* 49 01 code 04 */
#define I2C_MODEM_ANS_INTERRUPT 0x4F /* the unasked notification */

/* Status codes of a refusal. */
#define I2C_MODEM_ST_UNKNOWN_KIND 0x03
#define I2C_MODEM_ST_LENGTH_MISSING 0x04
#define I2C_MODEM_ST_TOO_LONG 0x05
#define I2C_MODEM_ST_END_MISSING 0x06
#define I2C_MODEM_ST_WRONG_END 0x07
#define I2C_MODEM_ST_ADDRESS_NAK 0x20 /* no acknowledge of the address */
#define I2C_MODEM_ST_DATA_NAK 0x21 /* a data byte not acknowledged */
#define I2C_MODEM_ST_STRETCH_TIMEOUT 0x22
#define I2C_MODEM_ST_NO_FILTER 0x41
#define I2C_MODEM_ST_BAD_LISTEN_TIME 0x42
#define I2C_MODEM_ST_NOTHING_HEARD 0x43
#define I2C_MODEM_ST_TABLE_FULL 0x45
#define I2C_MODEM_ST_TABLE_INCOMPLETE 0x46
#define I2C_MODEM_ST_TOO_MANY_READS 0x47
#define I2C_MODEM_ST_WRITE_ADDRESS_IN_TABLE 0x49
#define I2C_MODEM_ST_MONITORING_FAILED 0x4A
#define I2C_MODEM_ST_TABLE_EMPTY 0x4B
#define I2C_MODEM_ST_TABLE_LOCKED 0x4C
#define I2C_MODEM_ST_SOURCE_NOT_IN_TABLE 0x4D

/* The bus clock's range in hertz; one half clock period lasts (divider + 7) x 200 ns. */
#define I2C_MODEM_LOWEST_CLOCK 40
#define I2C_MODEM_HIGHEST_CLOCK 350000

/*
 * The serio protocol number that binds the kernel module to a port in serport's line
 * discipline: the attach program sets it with SPIOCSTYPE. No driver of Linux 6.1 uses it.
 */
#define I2C_MODEM_SERIO_PROTO 0xE5

#endif
