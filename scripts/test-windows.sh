#!/usr/bin/env bash
# Cross-builds the Windows program, the core and their tests with MinGW-w64 and
# runs them under Wine in a throw-away prefix, where the registry calls are
# advapi32's and paths are Windows paths; the window tests start the real .exe
# on a virtual display. First it checks that a registry value written there
# through advapi32 reads the same through the Linux side's store.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install cmake ninja-build g++ g++-mingw-w64-x86-64-posix libgtest-dev nlohmann-json3-dev gettext wine wine64 fonts-wine xvfb xauth locales

cmake --preset windows
cmake --build --preset windows

# A check of several parts stops the script when any part fails (set -e
# alone lets the first parts of an && list fail unnoticed).
fail() {
    echo "Failed: $*" >&2
    exit 1
}
# The log of a single test that ran and passed.
passed_alone() {
    grep -q '^\[  PASSED  \] 1 test' "$1" && ! grep -q SKIPPED "$1" || fail "$1"
}

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
passed_alone "$scratch/agreement.log"

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
    passed_alone "$scratch/lock.log"
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
grep -q "Moved DM-Line.kmx into Maps" "$scratch/cli.log" && [ -f "$game/Maps/DM-Line.kmx" ] &&
    [ -f "$game/System/Line.u" ] || fail "--move-all"
for refused in "--game C:\\nowhere --list" "--move-all --bogus" "--clear"; do
    status=0
    wine "$exe" $refused 2>"$scratch/cli.log" || status=$?
    echo "$refused: status $status, $(cat "$scratch/cli.log")"
    [ "$status" -eq 2 ] && [ -s "$scratch/cli.log" ] || fail "$refused"
done
# After every game: the .exe wraps a Windows program, given its command line
# with its quotes as written, imports once it has ended, passes its status
# back, and keeps the run in its log under %LOCALAPPDATA%.
printf '[Cache]\r\nC=DM-After.kmx\r\n' >"$game/Cache/cache.ini"
echo c >"$game/Cache/C.uxx"
status=0
wine "$exe" --game 'C:\Command Line Game' --move-all -- cmd.exe /c "exit 42" >"$scratch/cli.log" 2>&1 || status=$?
cat "$scratch/cli.log"
[ "$status" -eq 42 ] && [ -f "$game/Maps/DM-After.kmx" ] || fail "the wrapper: status $status"
grep -rqs "after cmd.exe /c exit 42: it ended with status 42" "$WINEPREFIX/drive_c/users"/*/AppData/Local/"Orvane Cache Importer"/runs.log ||
    fail "the wrapper's log"
status=0
wine "$exe" --game 'C:\Command Line Game' --move-all -- 'C:\no\such game.exe' 2>"$scratch/cli.log" || status=$?
cat "$scratch/cli.log"
[ "$status" -eq 127 ] && grep -q "could not be started" "$scratch/cli.log" || fail "a game that cannot be started"
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
    passed_alone "$scratch/codepage.log"
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
    passed_alone "$scratch/uac.log"
done
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Policies\System' /v EnableLUA /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1
wineserver -w

# Paths whose names a Western system's code page (1252) lacks reach the
# program whole: a profile folder of Michał's holding the game's downloads in
# its VirtualStore, a game folder named in Cyrillic, and the program's own
# folder as the restart as administrator names it.
locale -a | grep -qi '^en_US.utf-\?8$' || localedef -i en_US -f UTF-8 en_US.UTF-8
export LC_ALL=en_US.UTF-8
shellFolders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
wine reg add "$shellFolders" /v 'Local AppData' /t REG_EXPAND_SZ /d 'C:\users\Michał\AppData\Local' /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Policies\System' /v EnableLUA /t REG_DWORD /d 1 /f \
    >/dev/null 2>&1
wineserver -w
game="$WINEPREFIX/drive_c/Program Files (x86)/Orvane Store"
store="$WINEPREFIX/drive_c/users/Michał/AppData/Local/VirtualStore/Program Files (x86)/Orvane Store"
mkdir -p "$game/Cache" "$game/Maps" "$game/System" "$store/Cache"
printf '[Cache]\r\nA=DM-Store.kmx\r\n' >"$store/Cache/cache.ini"
echo a >"$store/Cache/A.uxx"
wine "$exe" --game 'C:\Program Files (x86)\Orvane Store' --list | tee "$scratch/cli.log"
grep -q 'VirtualStore' "$scratch/cli.log" && grep -q 'Michał' "$scratch/cli.log" &&
    grep -q 'DM-Store.kmx' "$scratch/cli.log" || fail "the VirtualStore of a Unicode profile listed"
wine "$exe" --game 'C:\Program Files (x86)\Orvane Store' --move-all
[ -f "$store/Maps/DM-Store.kmx" ] && [ ! -e "$game/Maps/DM-Store.kmx" ] || fail "the map in that VirtualStore"
wine reg add "$shellFolders" /v 'Local AppData' /t REG_EXPAND_SZ /d '%USERPROFILE%\AppData\Local' /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Policies\System' /v EnableLUA /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1
game="$WINEPREFIX/drive_c/Игра Orvane"
mkdir -p "$game/Cache" "$game/Maps" "$game/System"
printf '[Cache]\r\nA=DM-Igra.kmx\r\n' >"$game/Cache/cache.ini"
echo a >"$game/Cache/A.uxx"
wine "$exe" --game 'C:\Игра Orvane' --move-all
[ -f "$game/Maps/DM-Igra.kmx" ] || fail "a game folder named in Cyrillic"
mkdir -p "$WINEPREFIX/drive_c/Программы"
cp build-win/tests/core_tests.exe "$WINEPREFIX/drive_c/Программы/"
OVCACHE_SELF='C:\Программы\core_tests.exe' wine "$WINEPREFIX/drive_c/Программы/core_tests.exe" \
    --gtest_filter='RestartCommand.*' | tee "$scratch/restart.log"
passed_alone "$scratch/restart.log"
unset LC_ALL
wineserver -w

# The windows in every language at 100 and 200 % scaling: every caption
# whole on its line, in the size of font the English has (Wine takes the
# user's display language from the locale).
for language in de_DE fr_FR es_ES pl_PL ru_RU pt_BR; do
    locale -a | grep -qi "^$language.utf-\?8$" || localedef -i "$language" -f UTF-8 "$language.UTF-8"
    for dpi in 96 192; do
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
        wineserver -w
        echo "The windows in $language at $dpi DPI:"
        LC_ALL=$language.UTF-8 xvfb-run -a -s "-screen 0 1600x1200x24" wine build-win/tests/win32_gui_tests.exe \
            --gtest_filter='Win32WindowTest.windowIsDrawnAsDesigned*:Win32WindowTest.aboutBox*' | tee "$scratch/language.log"
        grep -q '^\[  PASSED  \] 2 tests' "$scratch/language.log" || fail "the windows in $language at $dpi DPI"
        wineserver -w
    done
done
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
wineserver -w

# The windows laid out again at 125, 150 and 200 % scaling, as laptops run.
for dpi in 120 144 192; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w
    echo "The windows at $dpi DPI:"
    xvfb-run -a -s "-screen 0 1600x1200x24" wine build-win/tests/win32_gui_tests.exe \
        --gtest_filter='Win32WindowTest.windowIsDrawnAsDesigned*:Win32WindowTest.aboutBox*'
done
