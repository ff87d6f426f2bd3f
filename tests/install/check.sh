#!/usr/bin/env bash
# Installs a build into a scratch DESTDIR and checks what a Linux desktop gets from it: every
# file in place, the desktop entry and the metainfo valid, the udev rule matching the product
# string the program looks for, the modem library and its Python package usable from their
# installed places, and the installed program showing its window under Xvfb.
#   check.sh BUILD-DIR
set -euo pipefail
build=$1
for tool in desktop-file-validate appstreamcli xvfb-run xdotool file strings; do
    command -v "$tool" > /dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr > /dev/null
cd "$root"

share=usr/share
so=$(find usr/lib -name libi2cmodem.so.1)
libdir=$(dirname "$so")
files=(usr/bin/i2c-terminal usr/bin/i2c-batch usr/bin/i2c-modem-sim
    $share/applications/i2c-terminal.desktop $share/metainfo/de.selmur_vusk.i2c_terminal.metainfo.xml
    $share/icons/hicolor/scalable/apps/i2c-terminal.svg $share/doc/i2c-terminal/copyright
    $share/doc/i2c-terminal/changelog.gz usr/sbin/i2c-modem-attach
    $share/man/man8/i2c-modem-attach.8.gz $share/doc/{i2c-modem-attach,i2c-modem-dkms}/copyright
    $share/man/man1/{i2c-terminal,i2c-batch,i2c-modem-sim}.1.gz usr/src/i2c-modem-*/dkms.conf
    "$libdir/libi2cmodem.so" usr/include/i2cmodem.h "$libdir/pkgconfig/i2cmodem.pc"
    "$libdir/cmake/i2cmodem/i2cmodemConfig.cmake" usr/lib/python3/dist-packages/i2cmodem/__init__.py
    $share/doc/{libi2cmodem1,libi2cmodem-dev,python3-i2cmodem}/copyright)
for file in "${files[@]}"; do
    [ -s "$file" ] || fail "$file is not installed"
done
for size in 16 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/i2c-terminal.png
    file -b "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not $size x $size"
done
for page in "$share"/man/man1/*.1.gz "$share"/man/man8/*.8.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 > /dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
done
desktop-file-validate $share/applications/i2c-terminal.desktop
appstreamcli validate --no-net --pedantic $share/metainfo/*.xml > /dev/null

# A system install puts the rule below /usr, any other prefix into /etc.
for rule in {usr/lib,etc}/udev/rules.d/70-i2c-usb-modem.rules ""; do
    [ -f "$rule" ] && break
done
[ -n "$rule" ] || fail "no udev rule installed"
for key in 'TAG+="uaccess"' 'ENV{ID_MM_DEVICE_IGNORE}="1"' 'ATTR{latency_timer}="1"' \
    'SYMLINK+="i2c-usb-modem"'; do
    grep -qF "$key" "$rule" || fail "$rule lacks $key"
done
hotplug=${rule%/*}/71-i2c-modem-attach.rules
grep -qF 'ENV{SYSTEMD_WANTS}+="i2c-modem-attach@%k.service"' "$hotplug" ||
    fail "the hot-plug rule does not start the attach unit"
units=$(ls {usr/lib,etc}/{systemd/system/i2c-modem-attach@.service,modules-load.d/i2c-modem.conf} 2> /dev/null || true)
[ "$(wc -l <<< "$units")" -eq 2 ] || fail "the attach unit or the modules-load entry is missing"
grep -q "License: GPL-2.0-or-later" $share/doc/i2c-modem-dkms/copyright || fail "the module's GPL is not named"
products=$(cat "$rule" "$hotplug" | grep -o 'ATTRS{product}=="[^"]*"' | sed 's/^ATTRS{product}=="//; s/"$//' | sort -u)
[ "$(wc -l <<< "$products")" -eq 1 ] || fail "$rule matches other products: $products"
strings -a usr/bin/i2c-terminal | grep -Fx "$products" > /dev/null ||
    fail "i2c-terminal does not look for the rule's product \"$products\""

# A C program built by the installed pkg-config file, and the Python package, each loading the
# installed library.
grep -q "License: LGPL-2.1-or-later" $share/doc/python3-i2cmodem/copyright || fail "no LGPL named"
echo '#include <i2cmodem.h>
int main(void) { return i2cmodem_version(NULL, NULL) == I2CMODEM_BAD_ARGUMENT ? 0 : 1; }' > probe.c
cc probe.c -o probe $(PKG_CONFIG_PATH=$root/$libdir/pkgconfig pkg-config --cflags --libs i2cmodem)
LD_LIBRARY_PATH=$root/$libdir ./probe || fail "a program built against the installed library fails"
maps=$(LD_LIBRARY_PATH=$root/$libdir PYTHONPATH=$root/usr/lib/python3/dist-packages \
    /usr/bin/python3 -c 'import i2cmodem; print(open("/proc/self/maps").read())')
grep -qF "$root/$so" <<< "$maps" || fail "the installed Python package does not load the installed library"

# The window from the installed path; its own runtime directory keeps out other tests' simulators.
mkdir -m 700 run
export XDG_RUNTIME_DIR=$root/run QT_QPA_PLATFORM=xcb
# xvfb-run -a may pick a display that another run takes at the same moment; then another is tried.
for attempt in 1 2 3; do
    status=0
    timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        "$1" &
        trap "kill $! 2> /dev/null" EXIT
        xdotool search --sync --onlyvisible --name "^I2C-BUS" > /dev/null' _ \
        "$root/usr/bin/i2c-terminal" 2> window.err || status=$?
    [ "$status" -ne 0 ] && grep -q "Xvfb failed to start" window.err || break
done
[ "$status" -eq 0 ] || fail "the installed i2c-terminal showed no window (status $status):
$(cat window.err)"
echo "installed tree complete and valid; the window came up"
