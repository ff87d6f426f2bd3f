/* The library from a C program: finds the modem (by discovery, or by the port given as the
 * argument), writes the register device, reads the bytes back and sees a missing slave refused.
 * The Windows leg runs it under Wine against i2c-modem-sim on COM7; exit status 0 when all came. */
#include <stdio.h>
#include <string.h>

#include "i2cmodem.h"

static int check(const char* port) {
    i2cmodem* modem = NULL;
    const uint8_t serial[] = {0x00, 0x49, 0x32, 0x43};
    uint8_t bytes[3] = {0};
    size_t received = 0;
    int version = 0;
    int ok = i2cmodem_open(port, &modem) == I2CMODEM_OK &&
             i2cmodem_write(modem, 0x39, serial, sizeof serial) == I2CMODEM_OK &&
             i2cmodem_write(modem, 0x39, serial, 1) == I2CMODEM_OK &&
             i2cmodem_read(modem, 0x39, bytes, 3, &received) == I2CMODEM_OK && received == 3 &&
             memcmp(bytes, serial + 1, 3) == 0 &&
             i2cmodem_read(modem, 0x11, bytes, 1, NULL) == I2CMODEM_REFUSED &&
             i2cmodem_status(modem) == I2CMODEM_STATUS_NO_SLAVE &&
             i2cmodem_version(modem, &version) == I2CMODEM_OK && version == 220;
    printf("%s %s: %s\n", port != NULL ? port : "discovery", i2cmodem_port(modem),
           ok ? "ok" : "FAILED");
    i2cmodem_close(modem);
    return ok;
}

int main(int argc, char** argv) {
    return check(NULL) && (argc < 2 || check(argv[1])) ? 0 : 1;
}
