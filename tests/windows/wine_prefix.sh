#!/bin/bash
# The Wine prefix that the Windows build's tests share in one test run: made afresh as a
# Windows 10 prefix whose Root store trusts the test CAs, with a wineserver that stays up until
# "stop", so that the many short runs of the suite do not each start one.
#
#   wine_prefix.sh make PREFIX CA-FOLDER WINDOWS-BUILD-DIR VG-PREFIX-ROOTS
#   wine_prefix.sh stop PREFIX
set -euo pipefail

wine64=/usr/lib/wine/wine64
# The suite runs the Windows programs under a Korean locale (its notices are Korean); the prefix
# is made under the same one.
export LC_ALL=ko_KR.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

make_prefix() {
    local prefix=$1 ca_folder=$2 windows_build=$3 prefix_roots=$4
    export WINEPREFIX=$prefix
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix" "$ca_folder"
    mkdir -p "$prefix"
    wineserver -p
    "$wine64" wineboot -i
    "$wine64" winecfg -v win10
    local certificates certificate
    certificates=$("$prefix_roots" "$ca_folder")
    for certificate in $certificates; do
        "$wine64" "$windows_build/tests/vg-trust-root.exe" "Z:${certificate//\//\\}"
    done
    echo "Wine prefix $prefix is ready; it trusts:"
    echo "$certificates"
}

stop_prefix() {
    WINEPREFIX=$1 wineserver -k 2>/dev/null || true
}

case "${1:-}" in
make) [ $# -eq 5 ] && make_prefix "$2" "$3" "$4" "$5" ;;
stop) [ $# -eq 2 ] && stop_prefix "$2" ;;
*)
    sed -n '2,9p' "$0" >&2
    exit 2
    ;;
esac
