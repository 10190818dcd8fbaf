# Shared by the end-to-end tests, scripts/run and the benchmark: a headless, quiet Wine.
# Source it, then call wine_prefix_base DIR once and wine_prefix_copy BASE DIR per use;
# WINE_BASE is the clean headless prefix that the tests copy.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8
export WINEARCH=win32

WINE_TIMEOUT=${WINE_TIMEOUT:-60}
WINE_BASE=$(pwd)/build/wine/base

# A 32-bit prefix with Wine's null graphics driver (no X server needed) and real fonts.
wine_prefix_base() {
    local prefix=$1 driver=${2:-null}
    [ -f "$prefix/.velmora-ready-$driver" ] && return 0
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    WINEPREFIX=$prefix timeout 180 wineboot -i >/dev/null 2>&1
    if [ "$driver" = null ]; then
        WINEPREFIX=$prefix timeout "$WINE_TIMEOUT" wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    else
        WINEPREFIX=$prefix timeout "$WINE_TIMEOUT" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    fi
    # Debian's Wine does not find its own fonts; without them "MS Sans Serif" falls back.
    cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
    WINEPREFIX=$prefix timeout "$WINE_TIMEOUT" wineserver -w
    touch "$prefix/.velmora-ready-$driver"
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
