# shellcheck shell=bash
# The platform that runs Velmora's Windows programs for the end-to-end tests, the differential
# test, scripts/run and the benchmark: Wine on Linux, or Windows itself under Git Bash.
#
# Source it, call platform_select once (it prints which platform and build it chose, and why).
# Under Wine, wine_prefix_base DIR once and wine_prefix_copy BASE DIR per use make prefixes;
# on Windows there is one registry and the prefix arguments are ignored. After
# platform_select, PLATFORM is wine or windows, EXE_BUILD the build whose exes run
# (build/win32 or build/win64) and WINE_BASE the clean headless prefix of that bitness that the
# tests copy (build/wine/base-win32 or base-win64).
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8

export WINE_TIMEOUT=${WINE_TIMEOUT:-60}  # velmora_driver.exe reads it too, to give up in time
WINE_BASE=""  # set by platform_select under Wine; none on Windows

# Git Bash on Windows: MINGW64_NT-10.0-20348 and the like, whatever MSYS2 environment it is.
on_windows() {
    case $(uname -s) in MINGW* | MSYS* | CYGWIN* | *_NT-*) return 0 ;; *) return 1 ;; esac
}

# The 32-bit loader. tests/harness/run puts a stand-in here to rehearse a 32-bit Wine that starts
# but cannot boot.
WINE32_LOADER=${WINE32_LOADER:-/usr/lib/wine/wine}

# The product is the 32-bit exe, so it is what runs wherever 32-bit Wine can boot a prefix. Some
# machines refuse every i386 Linux program ("Exec format error"), some run them but not 32-bit
# Wine; there the win64 build runs under 64-bit Wine. On Windows (Git Bash) the exes run
# natively, the win32 build unless VELMORA_BITS=64. VELMORA_BITS=32 or 64 forces either road.
platform_select() {
    local why reason32=""
    case ${VELMORA_BITS:-} in
    "" | 32 | 64) ;;
    *)
        echo "Platform: VELMORA_BITS must be 32 or 64, not '$VELMORA_BITS'"
        return 1 ;;
    esac
    if on_windows; then
        PLATFORM=windows EXE_BITS=${VELMORA_BITS:-32}
        EXE_BUILD=build/win$EXE_BITS
        # Git Bash would turn `regedit /s` and `reg delete KEY /f` into paths.
        export MSYS_NO_PATHCONV=1
        echo "Windows: the win$EXE_BITS build ($EXE_BUILD) runs natively under Git Bash on $(uname -s)"
        return 0
    fi
    PLATFORM=wine
    if [ "${VELMORA_BITS:-}" != 64 ]; then
        wine_launchers "$WINE32_LOADER"
        reason32=$(wine32_unusable)
    fi
    case ${VELMORA_BITS:-} in
    32)
        if [ -n "$reason32" ]; then
            echo "Wine: VELMORA_BITS=32, but 32-bit Wine $reason32"
            return 1
        fi
        EXE_BITS=32 why="VELMORA_BITS=32" ;;
    64) EXE_BITS=64 why="VELMORA_BITS=64" ;;
    "")
        if [ -z "$reason32" ]; then
            EXE_BITS=32 why="32-bit Wine boots a win32 prefix here"
        else
            EXE_BITS=64 why="32-bit Wine $reason32"
        fi ;;
    esac
    EXE_BUILD=build/win$EXE_BITS
    export WINEARCH=win$EXE_BITS
    # shellcheck disable=SC2034  # for the runners that source this file
    WINE_BASE=$PWD/build/wine/base-$WINEARCH
    if [ "$EXE_BITS" = 64 ]; then
        if ! /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
            echo "Wine: 64-bit Wine cannot start here either (is the wine64 package installed?)"
            return 1
        fi
        wine_launchers /usr/lib/wine/wine64
    fi
    echo "Wine: $EXE_BITS-bit Wine running the win$EXE_BITS build ($EXE_BUILD): $why"
}

# Why 32-bit Wine cannot run the tests here, or nothing. Only a booted win32 prefix proves that
# it can: `wine --version` starts no Windows process, and some kernels start 32-bit Linux
# programs but not 32-bit Wine ("The futex facility returned an unexpected error code"). The
# proof is the win32 base prefix, in a folder of its own, so it is booted once and kept; a boot
# that failed is not tried again on the same kernel and Wine (build/wine/win32-cannot-boot).
wine32_unusable() {
    local version failure machine known=$PWD/build/wine/win32-cannot-boot
    if [ ! -x "$WINE32_LOADER" ]; then
        echo "is not installed here (wine32:i386)"
    elif ! version=$("$WINE32_LOADER" --version 2>&1); then
        echo "cannot start here (${version##*: })"
    elif machine="$(uname -rv), $version" && [ "$(head -n 1 "$known" 2>/dev/null)" = "$machine" ]; then
        tail -n 1 "$known"
    elif ! failure=$(WINEARCH=win32 wine_prefix_base "$PWD/build/wine/base-win32" null); then
        printf '%s\n%s\n' "$machine" "starts but cannot boot a win32 prefix here (${failure##*: })" >"$known"
        tail -n 1 "$known"
    fi
}

# /usr/bin/wine and every launcher behind it (wineboot, regedit) pick the 32-bit loader
# whenever it is installed, even where it cannot run: put launchers of the chosen loader first.
wine_launchers() {
    local shims=$PWD/build/wine/bin name
    mkdir -p "$shims"
    for name in wine wine-stable; do
        case $1 in
        */wine64) printf '#!/bin/sh\nexport WINELOADER=%s\nexec %s "$@"\n' "$1" "$1" ;;
        *) printf '#!/bin/sh\nexec %s "$@"\n' "$1" ;;
        esac >"$shims/$name"
        chmod +x "$shims/$name"
    done
    case ":$PATH:" in *":$shims:"*) ;; *) export PATH=$shims:$PATH ;; esac
}

# A prefix of the chosen bitness with Wine's null graphics driver (no X server needed), or with
# the X11 driver unmanaged, and real fonts. Marked ready only once all of that has succeeded.
wine_prefix_base() {
    local prefix=$1 driver=${2:-null} ready
    ready=$(wine_prefix_marker "$prefix" "$driver")
    [ -f "$ready" ] && return 0
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    local output status
    output=$(WINEPREFIX=$prefix timeout 180 wineboot -i 2>&1) && status=0 || status=$?
    if [ "$status" -ne 0 ]; then
        echo "wineboot could not create the $WINEARCH prefix $prefix: $(tail -n 1 <<<"${output:-exit status $status}")"
        return 1
    fi
    local key='HKCU\Software\Wine\Drivers' name=Graphics data=null
    [ "$driver" = null ] || key='HKCU\Software\Wine\X11 Driver' name=Managed data=N
    if ! WINEPREFIX=$prefix timeout "$WINE_TIMEOUT" wine reg add "$key" /v $name /d $data /f >/dev/null 2>&1; then
        echo "could not set $key\\$name in $prefix"
        return 1
    fi
    # Debian's Wine does not find its own fonts; without them "MS Sans Serif" falls back.
    cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
    WINEPREFIX=$prefix timeout "$WINE_TIMEOUT" wineserver -w
    touch "$ready"
}

# The file that marks a prefix ready for this driver and bitness.
wine_prefix_marker() {
    printf '%s/.velmora-ready-%s-%s' "$1" "$2" "$WINEARCH"
}

wine_prefix_copy() {
    rm -rf "$2"
    cp -a "$1" "$2"
}

# A Unix path as the Windows programs see it: on Wine's Z: drive, or the Windows path.
win_path() {
    if [ "${PLATFORM:-}" = windows ]; then
        cygpath -w "$1"
        return
    fi
    local path
    path=$(readlink -f "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# Runs a Windows program (an exe of ours, regedit, reg) within WINE_TIMEOUT seconds: under
# Wine in prefix $1, on Windows natively. It runs in the background and is waited for, so that
# a signal reaches the runner's trap at once.
win_run() {
    local prefix=$1 status=0
    shift
    if [ "${PLATFORM:-}" = windows ]; then
        timeout "$WINE_TIMEOUT" "$@" &
    else
        WINEPREFIX=$prefix timeout "$WINE_TIMEOUT" wine "$@" &
    fi
    WIN_RUN_PID=$!
    wait "$WIN_RUN_PID" || status=$?
    WIN_RUN_PID=""
    return $status
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

# Ends the program that a signal cut win_run's wait short of, and under Wine every process of
# prefix $1.
win_run_stop() {
    [ -z "${WIN_RUN_PID:-}" ] || kill "$WIN_RUN_PID" 2>/dev/null
    wine_stop "$1"
    [ -z "${WIN_RUN_PID:-}" ] || wait "$WIN_RUN_PID" 2>/dev/null
    WIN_RUN_PID=""
}

# Runs function $1 on every exit of the runner. INT (Ctrl-C), TERM (a cancelled job) and HUP (a
# closed terminal) end the runner at once; $1 runs to its end whatever follows (timeout passes
# each signal on twice), then the runner dies of the signal, so that what started it stops too.
on_exit() {
    local signal
    # shellcheck disable=SC2064  # the function's and the signal's names go in now
    trap "$1; die_of_caught_signal" EXIT
    for signal in INT TERM HUP; do
        # shellcheck disable=SC2064
        trap "trap '' INT TERM HUP; CAUGHT_SIGNAL=$signal; exit 1" "$signal"
    done
}
die_of_caught_signal() { [ -z "${CAUGHT_SIGNAL:-}" ] || { trap - "$CAUGHT_SIGNAL"; kill "-$CAUGHT_SIGNAL" $$; }; }

# Stops every Wine process of prefix $1 (none given: nothing, not ~/.wine's).
wine_stop() {
    [ "${PLATFORM:-}" = windows ] || [ -z "$1" ] || WINEPREFIX=$1 timeout 30 wineserver -k >/dev/null 2>&1 || true
}

# Every key the tests seed lies under this one. A registry that has it without the mark below
# holds a real sound driver's settings: the tests then refuse to touch it.
DRIVER_ROOT='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Creative Tech'
DRIVER_ROOT_MARK=VelmoraTests

# The REGEDIT4 lines that mark the driver root as made by the tests; every seed begins with them.
driver_root_mark() {
    printf '[%s]\r\n"%s"="made by Velmora'"'"'s tests; safe to delete"\r\n\r\n' "$DRIVER_ROOT" "$DRIVER_ROOT_MARK"
}

# Removes the driver root from the registry of prefix $1 if the tests made it, and refuses
# otherwise, changing nothing. It is velmora_driver.exe that reads Windows' own result codes
# (reg.exe's messages are translated): only "absent" and "removed" let the tests go on, so a
# check that cannot answer (timed out, access denied, any other code) refuses too; $2 says how
# far the run came. From an answer that lets them go on until a refusal, the root is the tests'
# to remove: the runners' EXIT traps call driver_root_release, so that no exit leaves it behind.
DRIVER_ROOT_HELD="" DRIVER_ROOT_PREFIX=""
driver_root_remove() {
    local answer status file
    file=$(mktemp)
    win_output "$file" "$1" "$EXE_BUILD/velmora_driver.exe" --remove-driver-root 2>/dev/null && status=0 || status=$?
    answer=$(<"$file")
    rm -f "$file"
    DRIVER_ROOT_HELD=""
    case $answer in
    absent | removed) [ "$status" -eq 0 ] && DRIVER_ROOT_HELD=yes DRIVER_ROOT_PREFIX=$1 && return 0 ;;
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

# For EXIT traps: ends the program in progress, then removes the driver root through the same
# check, unless no check let the tests go on, or one refused since.
driver_root_release() {
    win_run_stop "$DRIVER_ROOT_PREFIX"
    [ -z "$DRIVER_ROOT_HELD" ] || driver_root_remove "$DRIVER_ROOT_PREFIX"
}
