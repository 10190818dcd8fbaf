# Shared by the end-to-end tests, the differential test, scripts/run and the benchmark: which
# Wine runs, and a headless, quiet prefix for it.
#
# Source it, call wine_select once (it prints which Wine and build it chose, and why), then
# wine_prefix_base DIR once and wine_prefix_copy BASE DIR per use. After wine_select,
# WINE_BUILD is the build whose exes run (build/win32 or build/win64) and WINE_BASE the clean
# headless prefix that the tests copy.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8

WINE_TIMEOUT=${WINE_TIMEOUT:-60}
WINE_BASE=$(pwd)/build/wine/base

# The product is the 32-bit exe, so it is what runs wherever 32-bit Wine can start. Some
# machines refuse every i386 Linux program ("Exec format error"); there the win64 build runs
# under 64-bit Wine. VELMORA_WINE_BITS=32 or 64 forces either road.
wine_select() {
    local why reason32
    reason32=$(/usr/lib/wine/wine --version 2>&1 >/dev/null) && reason32=""
    [ -x /usr/lib/wine/wine ] || reason32="32-bit Wine (wine32:i386) is not installed"
    case ${VELMORA_WINE_BITS:-} in
    32)
        if [ -n "$reason32" ]; then
            echo "Wine: VELMORA_WINE_BITS=32, but 32-bit Wine cannot start here: ${reason32##*: }"
            return 1
        fi
        WINE_BITS=32 why="VELMORA_WINE_BITS=32" ;;
    64) WINE_BITS=64 why="VELMORA_WINE_BITS=64" ;;
    "")
        if [ -z "$reason32" ]; then
            WINE_BITS=32 why="this machine runs 32-bit programs"
        else
            WINE_BITS=64 why="32-bit Wine cannot start here (${reason32##*: })"
        fi ;;
    *)
        echo "Wine: VELMORA_WINE_BITS must be 32 or 64, not '$VELMORA_WINE_BITS'"
        return 1 ;;
    esac
    WINE_BUILD=build/win$WINE_BITS
    export WINEARCH=win$WINE_BITS
    if [ "$WINE_BITS" = 64 ]; then
        if ! /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
            echo "Wine: 64-bit Wine cannot start here either (is the wine64 package installed?)"
            return 1
        fi
        # /usr/bin/wine and every launcher behind it (wineboot, regedit) pick the 32-bit loader
        # whenever it is installed, even where it cannot run: put 64-bit ones first on PATH.
        local shims=$PWD/build/wine/bin64
        mkdir -p "$shims"
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$shims/$name"
            chmod +x "$shims/$name"
        done
        case ":$PATH:" in *":$shims:"*) ;; *) export PATH=$shims:$PATH ;; esac
    fi
    echo "Wine: $WINE_BITS-bit Wine running the win$WINE_BITS build ($WINE_BUILD): $why"
}

# A prefix of the chosen bitness with Wine's null graphics driver (no X server needed), or with
# the X11 driver unmanaged, and real fonts. Marked ready only once all of that has succeeded.
wine_prefix_base() {
    local prefix=$1 driver=${2:-null} ready
    ready=$(wine_prefix_marker "$prefix" "$driver")
    [ -f "$ready" ] && return 0
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    if ! WINEPREFIX=$prefix timeout 180 wineboot -i >/dev/null 2>&1; then
        echo "wineboot could not create the $WINEARCH prefix $prefix"
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

# A Unix path as Wine's Z: drive sees it.
wine_path() {
    local path
    path=$(readlink -f "$1")
    printf 'Z:%s' "${path//\//\\}"
}

wine_stop() {
    WINEPREFIX=$1 timeout 30 wineserver -k >/dev/null 2>&1 || true
}
