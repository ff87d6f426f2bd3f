// Stands in for the kernel's serport under the attach program, preloaded: the line discipline
// and serio type it sets on a pty go to the file $FAKE_SERPORT_LOG, one line each, and the
// discipline it reads is the last one there, so a test can switch it back behind its back. As
// serport's, a read of the lent line hands over no byte: it returns 0 once a signal or the
// hangup ends its wait, and here a byte too. $FAKE_SERPORT_REFUSE="SETD 22" makes that request
// fail with that errno; "READ 16" the reads of a tty.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <linux/serio.h>
#include <linux/tty.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

static int Refused(const char* what) {
    const char* refuse = getenv("FAKE_SERPORT_REFUSE");
    const int refused = refuse != NULL && strncmp(refuse, what, strlen(what)) == 0;
    errno = refused ? atoi(refuse + strlen(what)) : errno;
    return refused;
}

static int Logged(const char* what, unsigned long value) {
    if (Refused(what)) {
        return -1;
    }
    FILE* log = fopen(getenv("FAKE_SERPORT_LOG"), "a");
    fprintf(log, "%s %lx\n", what, value);
    fclose(log);
    return 0;
}

int ioctl(int fd, unsigned long request, ...) {
    va_list rest;
    va_start(rest, request);
    void* arg = va_arg(rest, void*);
    va_end(rest);
    if (request == TIOCGETD) {
        FILE* log = fopen(getenv("FAKE_SERPORT_LOG"), "r");
        char line[64];
        *(int*)arg = N_TTY;
        while (log != NULL && fgets(line, sizeof line, log) != NULL) {
            sscanf(line, "SETD %x", (unsigned*)arg);
        }
        if (log != NULL) {
            fclose(log);
        }
        return 0;
    }
    if (request == TIOCSETD) {
        struct termios line;
        tcgetattr(fd, &line);
        line.c_cc[VMIN] = 1;
        tcsetattr(fd, TCSANOW, &line);
        return Logged("SETD", (unsigned long)*(int*)arg);
    }
    if (request == SPIOCSTYPE) {
        return Logged("TYPE", *(unsigned long*)arg);
    }
    int (*real)(int, unsigned long, void*) = NULL;
    *(void**)&real = dlsym(RTLD_NEXT, "ioctl");
    return real(fd, request, arg);
}

ssize_t read(int fd, void* buffer, size_t size) {
    ssize_t (*real)(int, void*, size_t) = NULL;
    *(void**)&real = dlsym(RTLD_NEXT, "read");
    const int tty = isatty(fd);
    const ssize_t got = tty && Refused("READ") ? -1 : real(fd, buffer, size);
    return tty && (got > 0 || (got < 0 && errno == EINTR)) ? 0 : got;
}
