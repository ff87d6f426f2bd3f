/* SPDX-License-Identifier: LGPL-2.1-or-later */
/*
 * The terminal's two conversions between the bus clock in hertz and the modem's divider, in
 * integers for the kernel, which has no floating point. The terminal computes them in float and
 * double; every rounding step of that is reproduced here exactly, so that both send the same
 * divider for a frequency and show the same frequency for a divider.
 */
#ifndef I2C_MODEM_CLOCK_H
#define I2C_MODEM_CLOCK_H

#include "i2c-modem-protocol.h"

#ifdef __KERNEL__
#include <linux/math64.h>
#include <linux/types.h>
#else
#include <stdint.h>
typedef uint64_t u64;
typedef uint32_t u32;
typedef uint16_t u16;
static inline u64 div64_u64(u64 dividend, u64 divisor)
{
	return dividend / divisor;
}
#endif

/* The single-precision 200 ns half period unit is 14073749 x 2^-46 s. */
#define I2C_MODEM_UNIT_MANTISSA 14073749ULL
#define I2C_MODEM_UNIT_SHIFT 46

/* Rounds a 24-bit mantissa of value, halves to even; *shift receives the dropped bits' count. */
static inline u64 i2c_modem_round_mantissa(u64 value, unsigned int *shift)
{
	u64 kept, rest, half;
	unsigned int t = 0;

	while ((value >> t) >= (1ULL << 24))
		t++;
	*shift = t;
	if (!t)
		return value;
	kept = value >> t;
	rest = value & ((1ULL << t) - 1);
	half = 1ULL << (t - 1);
	if (rest > half || (rest == half && (kept & 1)))
		kept++;
	return kept;
}

/* The frequency GET SPEED shows for a divider, clamped to the highest settable clock. */
static inline u32 i2c_modem_clock_of_divider(u16 divider)
{
	unsigned int t;
	/* The half period (divider + 7) x 200 ns, rounded to a float. */
	u64 period = i2c_modem_round_mantissa((u64)(divider + 7U) * I2C_MODEM_UNIT_MANTISSA, &t);
	/* 0.5 / (period x 2^(t - 46)), rounded to the nearest integer; it never ends in a half. */
	u64 hertz = div64_u64((1ULL << (I2C_MODEM_UNIT_SHIFT - t)) + period, 2 * period);

	return hertz > I2C_MODEM_HIGHEST_CLOCK ? I2C_MODEM_HIGHEST_CLOCK : (u32)hertz;
}

/* The divider SET SPEED sends for a frequency from the lowest to the highest bus clock. */
static inline u16 i2c_modem_divider_of_clock(u32 hertz)
{
	unsigned int s = 23;
	u64 period, rest, half_periods;

	/* 1 / hertz as a float: its mantissa over 2^s, which never ends in a half. */
	while ((1ULL << s) < (u64)hertz << 23)
		s++;
	period = div64_u64(1ULL << s, hertz);
	rest = (1ULL << s) - period * hertz;
	if (2 * rest >= hertz)
		period++;
	/* period / 200 ns, rounded half up, counts half clock periods. */
	half_periods = (period * 10000000ULL + (1ULL << s)) >> (s + 1);
	return (u16)(half_periods / 2 - 7);
}

#endif
