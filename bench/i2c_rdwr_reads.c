// SPDX-License-Identifier: GPL-3.0-or-later
/*
 * The kernel path's figure for docs/performance.md, run in the kernel leg's guest: COUNT reads
 * of 8 bytes from ADDR on /dev/i2c-BUS, one I2C_RDWR each, the same Frames as the terminal's
 * "RD 0073 08". Prints the milliseconds they took; exit status 1 when one fails.
 */
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <time.h>

static long long milliseconds(void)
{
	struct timespec now;

	clock_gettime(CLOCK_MONOTONIC, &now);
	return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

int main(int argc, char **argv)
{
	unsigned char data[8];
	struct i2c_msg msg = { 0, I2C_M_RD, sizeof(data), data };
	struct i2c_rdwr_ioctl_data transfer = { &msg, 1 };
	long long start;
	int fd, count, i;

	if (argc != 4) {
		fprintf(stderr, "usage: i2c-rdwr-reads /dev/i2c-BUS ADDR COUNT\n");
		return 2;
	}
	fd = open(argv[1], O_RDWR);
	if (fd < 0) {
		perror(argv[1]);
		return 1;
	}
	msg.addr = (unsigned short)strtol(argv[2], NULL, 0);
	count = atoi(argv[3]);
	start = milliseconds();
	for (i = 0; i < count; i++) {
		if (ioctl(fd, I2C_RDWR, &transfer) != 1) {
			perror("I2C_RDWR");
			return 1;
		}
	}
	printf("%lld\n", milliseconds() - start);
	return 0;
}
