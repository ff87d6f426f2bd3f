/* 1,000 reads of 8 bytes from the register device (0x39) through libi2cmodem, against the modem
 * it finds, at the bus clock given in hertz. Prints the total and the time per read. */
#define _POSIX_C_SOURCE 199309L
#include <i2cmodem.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double Seconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
    enum { kReads = 1000 };
    i2cmodem* modem = NULL;
    uint8_t data[8];
    int32_t hertz = 0;
    double start;
    int i;
    if (argc != 2 || i2cmodem_open(NULL, &modem) != I2CMODEM_OK ||
        i2cmodem_set_clock(modem, (int32_t)atol(argv[1]), &hertz) != I2CMODEM_OK) {
        fprintf(stderr, "usage: bench_lib HERTZ, with a modem\n");
        return 1;
    }
    start = Seconds();
    for (i = 0; i < kReads; ++i) {
        if (i2cmodem_read(modem, 0x39, data, sizeof data, NULL) != I2CMODEM_OK) {
            fprintf(stderr, "read %d failed\n", i);
            return 1;
        }
    }
    start = Seconds() - start;
    printf("  C, i2cmodem_read of 8 bytes at %6ld Hz: %4.0f ms, %.3f ms each\n", (long)hertz,
           start * 1000, start);
    i2cmodem_close(modem);
    return 0;
}
