#!/usr/bin/env bash
# Cross-builds the Windows program, the core and their tests with MinGW-w64 and
# runs them under Wine in a throw-away prefix, where the registry calls are
# advapi32's and paths are Windows paths; the window tests start the real .exe
# on a virtual display. First it checks that a registry value written there
# through advapi32 reads the same through the Linux side's store.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install cmake ninja-build g++ g++-mingw-w64-x86-64-posix libgtest-dev nlohmann-json3-dev wine wine64 fonts-wine xvfb xauth locales

cmake --preset windows
cmake --build --preset windows

scratch=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
echo "Creating a Wine prefix..."
wineboot --init >/dev/null 2>&1
wineserver -w

# The game's key written through advapi32 into the 32-bit view, alone, so that
# no other test takes it away again; the registry is on disk once the server
# has gone.
OVCACHE_LEAVE_GAME_KEY=1 wine build-win/tests/core_tests.exe --gtest_filter='RegistryAgreement.windows*'
wineserver -w

# The Linux side reads the system.reg Wine just wrote.
cmake --preset default >/dev/null
cmake --build --preset default --target core_tests
OVCACHE_WINE_WRITTEN_PREFIX="$WINEPREFIX" build/tests/core_tests --gtest_filter='RegistryAgreement.linux*' \
    | tee "$scratch/agreement.log"
grep -q '^\[  PASSED  \] 1 test' "$scratch/agreement.log" && ! grep -q SKIPPED "$scratch/agreement.log"

# Each build is refused the game's lock while the other holds it, on one prefix.
lock='C:\lock-agreement.lock'
marker="$WINEPREFIX/drive_c/lock-agreement.lock.held"
hold_and_refuse() { # holder command, refused command
    rm -f "$marker"
    OVCACHE_LOCK_HOLD="$lock" $1 --gtest_filter='LockAgreement.*' >"$scratch/holder.log" 2>&1 &
    local holder=$!
    for _ in $(seq 300); do [ -e "$marker" ] && break; sleep 0.1; done
    OVCACHE_LOCK_REFUSE="$lock" $2 --gtest_filter='LockAgreement.*' | tee "$scratch/lock.log"
    rm -f "$marker"
    wait "$holder" || { cat "$scratch/holder.log"; return 1; }
    grep -q '^\[  PASSED  \] 1 test' "$scratch/lock.log" && ! grep -q SKIPPED "$scratch/lock.log"
}
hold_and_refuse "wine build-win/tests/core_tests.exe" build/tests/core_tests
hold_and_refuse build/tests/core_tests "wine build-win/tests/core_tests.exe"

# The command line from a shell, with no display: the program's words on the
# shell's own output, its exit statuses, and a command carried out.
exe=build-win/orvane-cache-importer.exe
version=$(sed -n 's/^project([^ ]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
wine "$exe" --version | tee "$scratch/cli.log"
grep -q "^orvane-cache-importer $version" "$scratch/cli.log"
game="$WINEPREFIX/drive_c/Command Line Game"
mkdir -p "$game/Cache" "$game/Maps" "$game/System"
printf '[Cache]\r\nA=DM-Line.kmx\r\nB=Line.u\r\n' >"$game/Cache/cache.ini"
echo a >"$game/Cache/A.uxx"
echo b >"$game/Cache/B.uxx"
wine "$exe" --game 'C:\Command Line Game' --list --json | tee "$scratch/cli.log"
grep -q '"DM-Line.kmx"' "$scratch/cli.log"
wine "$exe" --game 'C:\Command Line Game' --move-all | tee "$scratch/cli.log"
grep -q "Moved DM-Line.kmx into Maps" "$scratch/cli.log" && [ -f "$game/Maps/DM-Line.kmx" ] && [ -f "$game/System/Line.u" ]
for refused in "--game C:\\nowhere --list" "--move-all --bogus" "--clear"; do
    status=0
    wine "$exe" $refused 2>"$scratch/cli.log" || status=$?
    echo "$refused: status $status, $(cat "$scratch/cli.log")"
    [ "$status" -eq 2 ] && [ -s "$scratch/cli.log" ]
done
wineserver -w

# The whole suite on the Windows side; the window tests need a display. The
# session the runs above began without one ends first: a desktop Wine made
# without a display would refuse every window.
wineserver -w
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows

# Names in the player's code page: Wine takes its ANSI code page from the
# locale, 1251 for Russian and 1250 for Polish.
for locale in ru_RU pl_PL; do
    locale -a | grep -qi "^$locale.utf-\?8$" || localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
    echo "Names in the code page of $locale:"
    LC_ALL=$locale.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" wine build-win/tests/win32_gui_tests.exe \
        --gtest_filter='Win32WindowTest.namesAreInTheSystemsCodePage' | tee "$scratch/codepage.log"
    grep -q '^\[  PASSED  \] 1 test' "$scratch/codepage.log" && ! grep -q SKIPPED "$scratch/codepage.log"
    wineserver -w
done

# UAC's switch set each way (Wine's own is off, and Wine never virtualizes):
# with it on, a game under Program Files is looked for in the VirtualStore.
# Run alone, since the switch is the whole prefix's.
for uac in off on; do
    wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Policies\System' /v EnableLUA /t REG_DWORD \
        /d "$([ $uac = on ] && echo 1 || echo 0)" /f >/dev/null 2>&1
    wineserver -w
    echo "The VirtualStore with UAC $uac:"
    OVCACHE_UAC=$uac wine build-win/tests/core_tests.exe --gtest_filter='VirtualStoreOnWindows.*' | tee "$scratch/uac.log"
    grep -q '^\[  PASSED  \] 1 test' "$scratch/uac.log" && ! grep -q SKIPPED "$scratch/uac.log"
done
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Policies\System' /v EnableLUA /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1
wineserver -w

# The windows laid out again at 125, 150 and 200 % scaling, as laptops run.
for dpi in 120 144 192; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w
    echo "The windows at $dpi DPI:"
    xvfb-run -a -s "-screen 0 1600x1200x24" wine build-win/tests/win32_gui_tests.exe \
        --gtest_filter='Win32WindowTest.windowIsDrawnAsDesigned*:Win32WindowTest.aboutBox*'
done
