# shellcheck shell=bash
# What every script of the harness shares: the platform that runs the Windows programs (Wine,
# or Windows itself under Git Bash), the named checks and the driver root that the tests own;
# its steps, waits and traps are scripts/steps.sh's. platform_select (once) prints which
# platform and build it chose and why, and sets PLATFORM (wine or windows), EXE_BUILD
# (build/win32 or build/win64) and, under Wine, WINE_BASE, the clean prefix that the tests copy
# (wine_prefix_base makes it, wine_prefix_copy copies it). On Windows, with its one registry,
# prefix arguments are ignored.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8
# shellcheck source=scripts/steps.sh
source "${BASH_SOURCE[0]%platform.sh}steps.sh"

export WINE_TIMEOUT=${WINE_TIMEOUT:-60}  # velmora_driver.exe gives up within two thirds of it
WINE_BASE=""

# Git Bash on Windows: MINGW64_NT-10.0-20348 and the like, whatever MSYS2 environment it is.
on_windows() {
    case $(uname -s) in MINGW* | MSYS* | CYGWIN* | *_NT-*) return 0 ;; *) return 1 ;; esac
}

# The 32-bit loader; tests/harness/run puts stand-ins here.
WINE32_LOADER=${WINE32_LOADER:-/usr/lib/wine/wine}

# The product is the 32-bit exe, so it is what runs wherever 32-bit Wine can boot a prefix. Some
# machines refuse every i386 Linux program ("Exec format error"), some run them but not 32-bit
# Wine; there the win64 build runs under 64-bit Wine. On Windows (Git Bash) the exes run
# natively, the win32 build unless VELMORA_BITS=64. VELMORA_BITS=32 or 64 forces either road.
platform_select() {
    local why
    case ${VELMORA_BITS:-} in "" | 32 | 64) ;; *) echo "Platform: VELMORA_BITS must be 32 or 64, not '$VELMORA_BITS'"; return 1 ;; esac
    if on_windows; then
        PLATFORM=windows EXE_BITS=${VELMORA_BITS:-32}
        EXE_BUILD=build/win$EXE_BITS
        # Git Bash would turn `regedit /s` and `reg delete KEY /f` into paths.
        export MSYS_NO_PATHCONV=1
        echo "Windows: the win$EXE_BITS build ($EXE_BUILD) runs natively under Git Bash on $(uname -s)"
        return 0
    fi
    PLATFORM=wine WINE32_UNUSABLE=""
    [ "${VELMORA_BITS:-}" = 64 ] || { wine_launchers "$WINE32_LOADER"; wine32_unusable; }
    case ${VELMORA_BITS:-} in
    32) [ -z "$WINE32_UNUSABLE" ] || { echo "Wine: VELMORA_BITS=32, but 32-bit Wine $WINE32_UNUSABLE"; return 1; }
        EXE_BITS=32 why="VELMORA_BITS=32" ;;
    64) EXE_BITS=64 why="VELMORA_BITS=64" ;;
    *) EXE_BITS=64 why="32-bit Wine $WINE32_UNUSABLE"
        [ -n "$WINE32_UNUSABLE" ] || EXE_BITS=32 why="32-bit Wine boots a win32 prefix here" ;;
    esac
    EXE_BUILD=build/win$EXE_BITS
    export WINEARCH=win$EXE_BITS
    # shellcheck disable=SC2034  # for the runners that source this file
    WINE_BASE=$PWD/build/wine/base-$WINEARCH
    if [ "$EXE_BITS" = 64 ] && ! timed "$WINE_TIMEOUT" /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
        echo "Wine: 64-bit Wine cannot start here either (is the wine64 package installed?)"
        return 1
    fi
    [ "$EXE_BITS" = 32 ] || wine_launchers /usr/lib/wine/wine64
    echo "Wine: $EXE_BITS-bit Wine running the win$EXE_BITS build ($EXE_BUILD): $why"
}

# Sets WINE32_UNUSABLE to why 32-bit Wine cannot run the tests here, or leaves it empty. Only a
# booted win32 prefix proves that it can: `wine --version` starts no Windows process, and some
# kernels start 32-bit Linux programs but not 32-bit Wine ("The futex facility returned an
# unexpected error code"). The proof is the win32 base prefix, booted once and kept, and a ready
# one is trusted first. A boot that ran to its end and failed is not tried again on the same
# kernel and Wine (build/wine/win32-cannot-boot: delete it to try again); a boot cut short by its
# time-out is. bash starts the loader: timeout(1) would have /bin/sh run what the kernel refuses.
# shellcheck disable=SC2016  # the loader's name is bash -c's $0
wine32_unusable() {
    local version="" status machine known=$PWD/build/wine/win32-cannot-boot base=$PWD/build/wine/base-win32
    local answer=$PWD/build/wine/win32-version  # a file and read, not a $(...), which a signal can cut
    if [ ! -x "$WINE32_LOADER" ]; then
        WINE32_UNUSABLE="is not installed here (wine32:i386)"
    elif ! timed "$WINE_TIMEOUT" bash -c '"$0" --version' "$WINE32_LOADER" >"$answer" 2>&1; then
        read -r version <"$answer" || true
        version=${version##*: }
        WINE32_UNUSABLE="cannot start here (${version:-no answer within $WINE_TIMEOUT s})"
    elif [ -f "$(WINEARCH=win32 wine_prefix_marker "$base" null)" ]; then
        return 0
    elif read -r version <"$answer"; machine="$(uname -rv), $version" && [ "$(head -n 1 "$known" 2>/dev/null)" = "$machine" ]; then
        WINE32_UNUSABLE=$(tail -n 1 "$known")
    else
        WINEARCH=win32 wine_prefix_base "$base" null >/dev/null && return 0 || status=$?
        WINE32_UNUSABLE="starts but cannot boot a win32 prefix here (${BOOT_FAILURE##*: })"
        # Not a time-out (124, or 137 once killed) nor a signal of ours; a crash (abort: 134) is.
        case $status in 124 | 137 | 129 | 130 | 143) ;; *) printf '%s\n%s\n' "$machine" "$WINE32_UNUSABLE" >"$known" ;; esac
    fi
}

# /usr/bin/wine and every launcher behind it (wineboot, regedit) pick the 32-bit loader
# whenever it is installed, even where it cannot run: put launchers of the chosen loader first.
# Each is replaced whole, so that another run reading it meanwhile never sees half of it.
wine_launchers() {
    local shims=$PWD/build/wine/bin name
    mkdir -p "$shims"
    for name in wine wine-stable; do
        case $1 in
        */wine64) printf '#!/bin/sh\nexport WINELOADER=%s\nexec %s "$@"\n' "$1" "$1" ;;
        *) printf '#!/bin/sh\nexec %s "$@"\n' "$1" ;;
        esac >"$shims/$name.$$"
        chmod +x "$shims/$name.$$" && mv "$shims/$name.$$" "$shims/$name"
    done
    case ":$PATH:" in *":$shims:"*) ;; *) export PATH=$shims:$PATH ;; esac
}

# A prefix of the chosen bitness with Wine's null graphics driver (no X server needed), or with
# the X11 driver unmanaged, and real fonts. Marked ready only once all of that has succeeded.
# A failure returns the step's status (124 for a time-out) with BOOT_FAILURE saying why.
wine_prefix_base() {
    local prefix=$1 driver=${2:-null} key='HKCU\Software\Wine\Drivers' name=Graphics data=null status=0
    [ -f "$(wine_prefix_marker "$prefix" "$driver")" ] && return 0
    rm -rf "$prefix"
    mkdir -p "$prefix"  # what an interrupted boot leaves is in it, and goes with it next time
    WINEPREFIX=$prefix timed 180 wineboot -i >"$prefix/boot.log" 2>&1 || status=$?
    # wineboot's last line, not bash's own about a boot that died of a signal ("... Aborted timeout ...").
    BOOT_FAILURE="wineboot could not create the $WINEARCH prefix $prefix: $(grep -v ' timeout -k ' "$prefix/boot.log" | tail -n 1)"
    rm -f "$prefix/boot.log"
    [ "$status" -eq 0 ] || { echo "$BOOT_FAILURE (exit status $status)"; return "$status"; }
    [ "$driver" = null ] || key='HKCU\Software\Wine\X11 Driver' name=Managed data=N
    WINEPREFIX=$prefix timed "$WINE_TIMEOUT" wine reg add "$key" /v $name /d $data /f >/dev/null 2>&1 || status=$?
    BOOT_FAILURE="could not set $key\\$name in $prefix"
    [ "$status" -eq 0 ] || { echo "$BOOT_FAILURE (exit status $status)"; return "$status"; }
    # Debian's Wine does not find its own fonts; without them "MS Sans Serif" falls back.
    cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
    WINEPREFIX=$prefix timed "$WINE_TIMEOUT" wineserver -w
    touch "$(wine_prefix_marker "$prefix" "$driver")"
}

# The file that marks a prefix ready for this driver and bitness.
wine_prefix_marker() { printf '%s/.velmora-ready-%s-%s' "$1" "$2" "$WINEARCH"; }
wine_prefix_copy() { rm -rf "$2" && cp -a "$1" "$2"; }

# A Unix path as the Windows programs see it: on Wine's Z: drive, or the Windows path.
win_path() {
    [ "${PLATFORM:-}" != windows ] || { cygpath -w "$1"; return; }
    local path
    path=$(readlink -f "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# Runs a Windows program (an exe of ours, regedit, reg) within WINE_TIMEOUT seconds: under Wine
# in prefix $1, on Windows natively.
win_run() {
    if [ "${PLATFORM:-}" = windows ]; then timed "$WINE_TIMEOUT" "${@:2}"; else WINEPREFIX=$1 timed "$WINE_TIMEOUT" wine "${@:2}"; fi
}

# win_run with the program's output in file $1, without CRs. A file, not a pipe: under Wine a
# program that the program started holds the pipe open for as long as it lives.
win_output() {
    local file=$1 status=0
    shift
    win_run "$@" >"$file" || status=$?
    sed -i 's/\r$//' "$file"
    return $status
}

# Stops every Wine process of prefix $1 (none given: nothing, not ~/.wine's).
wine_stop() {
    [ "${PLATFORM:-}" = windows ] || [ -z "$1" ] || WINEPREFIX=$1 timed 30 wineserver -k >/dev/null 2>&1 || true
}

# Named checks: `check NAME COMMAND...` prints "ok   NAME" or "FAIL NAME" and counts it;
# `checks_done RUNNER` prints the count that scripts/test adds up, and fails if any check did.
CHECKS_PASSED=0 CHECKS_FAILED=0
check() {
    if "${@:2}"; then echo "ok   $1"; CHECKS_PASSED=$((CHECKS_PASSED + 1)); return; fi
    echo "FAIL $1"; CHECKS_FAILED=$((CHECKS_FAILED + 1)); return 1
}
checks_done() { echo "$1: $CHECKS_PASSED passed, $CHECKS_FAILED failed"; [ "$CHECKS_FAILED" -eq 0 ]; }

# Every key the tests seed lies under this one. A registry that has it without the mark below
# holds a real sound driver's settings: the tests then refuse to touch it.
DRIVER_ROOT='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Creative Tech'
DRIVER_ROOT_MARK=VelmoraTests

# The REGEDIT4 lines that mark the driver root as made by the tests; every seed begins with them.
driver_root_mark() {
    printf '[%s]\r\n"%s"="made by Velmora'"'"'s tests; safe to delete"\r\n\r\n' "$DRIVER_ROOT" "$DRIVER_ROOT_MARK"
}

# Removes the driver root from the registry of prefix $1 if the tests made it, and refuses
# otherwise, changing nothing; $2 says how far the run came. velmora_driver.exe reads Windows'
# own result codes (reg.exe's messages are translated): only "absent" and "removed" let the
# tests go on; a check that cannot answer (timed out, access denied, any other code) refuses.
# From a check that lets them go on until one refuses, the root is theirs ("clean", then
# "seeded" once seeded): whatever ends the run, driver_root_release removes what was seeded.
DRIVER_ROOT_STATE="" DRIVER_ROOT_PREFIX=""
driver_root_remove() {
    local answer status file
    file=$(mktemp)
    win_output "$file" "$1" "$EXE_BUILD/velmora_driver.exe" --remove-driver-root "$DRIVER_ROOT" \
        "$DRIVER_ROOT_MARK" 2>/dev/null && status=0 || status=$?
    answer=$(<"$file")
    rm -f "$file"
    DRIVER_ROOT_STATE=""
    case $answer in
    absent | removed) [ "$status" -eq 0 ] && DRIVER_ROOT_STATE=clean DRIVER_ROOT_PREFIX=$1 && return 0 ;;
    foreign)
        echo "Refusing to run: this registry already has $DRIVER_ROOT, a sound driver's" \
            "settings that these tests did not make. It is left as it is.${2:+ $2 had run.}"
        return 1 ;;
    esac
    if [ -n "$answer" ]; then answer="answered '$answer'"; else answer="gave no answer"; fi
    echo "Refusing to run: the check of $DRIVER_ROOT $answer (exit status $status), so it" \
        "cannot tell whether the key is the tests' own. The tests stop here and touch nothing more.${2:+ $2 had run.}"
    return 1
}
driver_root_seeded() { [ -z "$DRIVER_ROOT_STATE" ] || DRIVER_ROOT_STATE=seeded; }  # before each seed
# For the cleanups: ends what runs in that registry, then removes the root through the check.
driver_root_release() {
    [ "$DRIVER_ROOT_STATE" = seeded ] || return 0
    wine_stop "$DRIVER_ROOT_PREFIX"
    driver_root_remove "$DRIVER_ROOT_PREFIX"
}
