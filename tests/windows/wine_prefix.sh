#!/bin/bash
# The Wine prefix that the Windows build's tests share in one test run: made afresh as a
# Windows 10 prefix whose Root store trusts the test CAs, with a wineserver that stays up until
# "stop", so that the many short runs of the suite do not each start one.
#
#   wine_prefix.sh make PREFIX CA-FOLDER WINDOWS-BUILD-DIR VG-PREFIX-ROOTS
#   wine_prefix.sh stop PREFIX
set -euo pipefail

# The suite runs the Windows programs under a Korean locale (its notices are Korean); the prefix
# is made under the same one. The locale need not exist on this machine: Wine reads its name.
wine64=(env LC_ALL=ko_KR.UTF-8 /usr/lib/wine/wine64)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine finds its wineserver below TMPDIR; the tests run Wine without it, and so does this script.
unset DISPLAY WAYLAND_DISPLAY TMPDIR

# Wine's own output goes to a log beside the prefix: the wineserver and the services that
# wineboot starts outlive this script, and would keep a caller's pipes open.
make_prefix() {
    local prefix=$1 ca_folder=$2 windows_build=$3 prefix_roots=$4
    local log
    log="$(dirname "$prefix")/wine-prefix.log"
    export WINEPREFIX=$prefix
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix" "$ca_folder"
    mkdir -p "$prefix"
    trap 'cat "$log" >&2' ERR
    wineserver -p >"$log" 2>&1 </dev/null
    "${wine64[@]}" wineboot -i >>"$log" 2>&1 </dev/null
    "${wine64[@]}" winecfg -v win10 >>"$log" 2>&1 </dev/null
    local certificates certificate
    certificates=$("$prefix_roots" "$ca_folder")
    for certificate in $certificates; do
        "${wine64[@]}" "$windows_build/tests/vg-trust-root.exe" "Z:${certificate//\//\\}" \
            >>"$log" 2>&1 </dev/null
    done
    echo "Wine prefix $prefix is ready; it trusts:"
    echo "$certificates"
}

stop_prefix() {
    WINEPREFIX=$1 wineserver -k 2>/dev/null || true
}

usage() {
    sed -n '6,7p' "$0" >&2
    exit 2
}

case "${1:-}" in
make) [ $# -eq 5 ] || usage && make_prefix "$2" "$3" "$4" "$5" ;;
stop) [ $# -eq 2 ] || usage && stop_prefix "$2" ;;
*) usage ;;
esac
