#!/usr/bin/env bash
# The installer under Wine: a silent install puts the programs, the licence, the uninstaller, the
# modem library's component (DLL, header, import library, Python wheel, LGPL), the Start menu
# entry and the Add/Remove Programs entry in place, and the installed batch program
# and window start; a silent uninstall takes them all away again. Usage: installer.sh SETUP.EXE
# VERSION PROBE.EXE, with $WINEPREFIX's wineserver running on a display. Prints the install and
# uninstall times.
set -u
setup=$1
version=$2
probe=$3
dir='C:\i2c-terminal-test'
unix=$WINEPREFIX/drive_c/i2c-terminal-test
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/I2C-Terminal.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\i2c-terminal'
# Wine would make the shortcut an entry of this machine's desktop menu as well.
export WINEDLLOVERRIDES=winemenubuilder.exe=d
failures=0
fail() {
    echo "installer: $*"
    failures=$((failures + 1))
}
ms() { echo $(($(date +%s%N) / 1000000)); }

start=$(ms)
wine "$setup" /S "/D=$dir" || fail "setup ended with status $?"
echo "installed in $(($(ms) - start)) ms"
sdk=(libi2cmodem-1.dll libi2cmodem.dll.a i2cmodem.h LICENSE.LGPL-2.1.txt
    "i2cmodem-$version-py3-none-win_amd64.whl")
for file in i2c-terminal.exe i2c-batch.exe LICENSE.txt uninstall.exe "${sdk[@]/#/sdk/}"; do
    [ -f "$unix/$file" ] || fail "$file is not installed"
done
[ "$(ls "$unix" | wc -l)" -eq 5 ] || fail "more than the four files and sdk installed: $(ls "$unix")"
[ -f "$menu" ] || fail "no Start menu entry"
wine reg query "$key" /v DisplayVersion | grep -q "REG_SZ *$version" || fail "no uninstall entry"
got=$(wine "$unix/i2c-batch.exe" --version)
[ "$got" = "i2c-batch $version" ] || fail "the installed i2c-batch.exe says: $got"
# The installed window starts; without a driver library beside it, it asks for one first.
(cd "$unix" && exec wine ./i2c-terminal.exe > /dev/null 2>&1) &
terminal=$!
if timeout 60 xdotool search --sync --name '^Kann die Datei ftd2xx.dll nicht' > /dev/null; then
    wine "$probe" cancel
    timeout 60 xdotool search --sync --name '^I2C-BUS    USB   Terminal' > /dev/null ||
        fail "the installed i2c-terminal.exe shows no window"
    for i in $(seq 1 40); do
        wine "$probe" close 2> /dev/null || break
        sleep 0.5
    done
    wait "$terminal" || fail "the installed i2c-terminal.exe ended with status $?"
else
    fail "the installed i2c-terminal.exe does not start"
    kill "$terminal"
fi

start=$(ms)
# Run in place, the uninstaller ends only when it is done, but cannot remove itself.
wine "$unix/uninstall.exe" /S "_?=$dir" || fail "uninstall ended with status $?"
echo "uninstalled in $(($(ms) - start)) ms"
rm -f "$unix/uninstall.exe"
rmdir "$unix" 2> /dev/null || fail "files left behind: $(ls "$unix")"
[ -e "$menu" ] && fail "the Start menu entry is left"
wine reg query "$key" > /dev/null 2>&1 && fail "the uninstall entry is left"
[ "$failures" -eq 0 ]
