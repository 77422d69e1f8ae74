#!/usr/bin/env bash
# The .deb as a user gets it: made by CPack from the build, it holds the program, the desktop
# entry and the manual page and nothing else; unpacked into a scratch root, its postinst makes
# the program the desktop's handler of varnugamesstarter:// links, xdg-open starts the installed
# program with a link that reaches it whole, as its one argument, and its postrm forgets the
# handler again. The publisher sandbox stands in for the publisher's servers and shows what the
# run asked of them.
#
# usage: deb_package_test.sh <cpack> <CPackConfig.cmake> <vg-sandbox> <version>
set -euo pipefail

cpack=$1
cpack_config=$2
sandbox_program=$3
version=$4

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vg-deb-test.XXXXXX")
sandbox_pid=
cleanup() {
    if [ -n "$sandbox_pid" ]; then
        kill "$sandbox_pid" 2>/dev/null || true
        wait "$sandbox_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

expect_equal() { # <what> <expected> <actual>
    [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}

# --- The package -----------------------------------------------------------------------------

"$cpack" --config "$cpack_config" -G DEB -B "$scratch/packages" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack could not make the package"; }
shopt -s nullglob
debs=("$scratch"/packages/*.deb)
shopt -u nullglob
expect_equal "packages made" 1 "${#debs[@]}"
deb=${debs[0]}
expect_equal "file name" "varnugamesstarter_${version}_$(dpkg --print-architecture).deb" \
    "$(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
expect_equal Package varnugamesstarter "$(field Package)"
expect_equal Version "$version" "$(field Version)"
expect_equal Architecture "$(dpkg --print-architecture)" "$(field Architecture)"
expect_equal Section games "$(field Section)"
for name in Maintainer Homepage Description; do
    [ -n "$(field "$name")" ] || fail "the package has no $name field"
done
depends=$(field Depends)
for library in libc6 libcurl4 libssl3; do
    [[ ", $depends" == *", $library "* ]] || fail "Depends lacks $library: $depends"
done

# Exactly the three files, the program executable; directories aside.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $6 }' | sort)
expect_equal "files in the package" \
    "-rw-r--r-- ./usr/share/applications/varnugamesstarter.desktop
-rw-r--r-- ./usr/share/man/man1/varnugamesstarter.1.gz
-rwxr-xr-x ./usr/bin/varnugamesstarter" "$files"

dpkg-deb -e "$deb" "$scratch/control"
for script in postinst postrm; do
    [ -x "$scratch/control/$script" ] || fail "$script is missing or not executable"
done

# --- Installed into a scratch root -----------------------------------------------------------

root=$scratch/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/varnugamesstarter.desktop" ||
    fail "the installed desktop entry is not valid"
if command -v man >/dev/null 2>&1; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l \
        "$root/usr/share/man/man1/varnugamesstarter.1.gz" 2>&1 >/dev/null)
    expect_equal "warnings of the manual page" "" "$warnings"
fi

# A desktop session of its own: the scratch root is the only system data folder, the home and
# the runtime folder are private, and no display is reachable. xdg-open's generic path asks the
# MIME handlers only when a display is named, so WAYLAND_DISPLAY names a socket that does not
# exist in the private runtime folder: nothing can be shown, and this run shows nothing anyway.
home=$scratch/home
mkdir -p "$home" "$scratch"/{run,tmp,xdg-config,prefix,no-certs}
chmod 700 "$scratch/run"
session=(env -i
    HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin"
    XDG_DATA_HOME="$home/.local/share" XDG_DATA_DIRS="$root/usr/share"
    XDG_CONFIG_HOME="$home/.config" XDG_CONFIG_DIRS="$scratch/xdg-config"
    XDG_RUNTIME_DIR="$scratch/run" TMPDIR="$scratch/tmp" WINEPREFIX="$scratch/prefix"
    XDG_CURRENT_DESKTOP=X-Generic WAYLAND_DISPLAY=vg-no-display)

found=$("${session[@]}" sh -c 'command -v varnugamesstarter')
expect_equal "varnugamesstarter on the PATH" "$root/usr/bin/varnugamesstarter" "$found"

# The maintainer scripts refresh the handler cache of the data folders the session names, which
# desktops and browsers read to find a scheme's handler.
handler() { "${session[@]}" xdg-mime query default x-scheme-handler/varnugamesstarter; }
"${session[@]}" "$scratch/control/postinst" configure
grep -qx 'x-scheme-handler/varnugamesstarter=varnugamesstarter.desktop;' \
    "$root/usr/share/applications/mimeinfo.cache" || fail "postinst did not register the handler"
expect_equal "handler of varnugamesstarter://" varnugamesstarter.desktop "$(handler)"

# --- A link opened through the desktop ------------------------------------------------------

mkdir -p "$scratch/cdn" "$scratch/sandbox"
"$sandbox_program" --root "$scratch/cdn" --work-dir "$scratch/sandbox" \
    --ready-file "$scratch/sandbox.env" >"$scratch/sandbox.log" 2>&1 &
sandbox_pid=$!
for _ in $(seq 600); do
    [ -f "$scratch/sandbox.env" ] && break
    kill -0 "$sandbox_pid" 2>/dev/null || { cat "$scratch/sandbox.log" >&2; fail "vg-sandbox ended"; }
    sleep 0.05
done
[ -f "$scratch/sandbox.env" ] || fail "vg-sandbox did not start"
sandbox_value() { sed -n "s/^$1=//p" "$scratch/sandbox.env"; }
requests=$(sandbox_value VG_SANDBOX_REQUESTS)

# A PC report: it needs no game and shows no notice. The fields are separated by %7C, and the
# token holds what a shell would split or act on: two blanks, a semicolon, a dollar sign and a
# quote. A split argument would come back with one blank; a shell would cut at the semicolon.
token="tok  en;\$HOME'x"
url="varnugamesstarter://pcspec%7Clive%7Cx%7C$token%7Cmember%7Cagent%7Cweb"

# In a session of its own, so that whatever the run leaves behind can be found.
setsid timeout -k 2 30 "${session[@]}" \
    VARNUGAMES_CONNECT_TO="$(sandbox_value VARNUGAMES_CONNECT_TO)" \
    SSL_CERT_FILE="$(sandbox_value SSL_CERT_FILE)" SSL_CERT_DIR="$scratch/no-certs" \
    xdg-open "$url" >"$scratch/open.out" 2>"$scratch/open.err" &
opener=$!
status=0
wait "$opener" || status=$?
expect_equal "xdg-open's exit status ($(cat "$scratch/open.err"))" 0 "$status"
expect_equal "standard output of the run" "" "$(cat "$scratch/open.out")"
expect_equal "standard error of the run (notices)" "" "$(cat "$scratch/open.err")"
left=$(pgrep -s "$opener" || true)
if [ -n "$left" ]; then
    listing=$(ps -o pid=,args= -p "${left//$'\n'/,}" || true)
    pkill -KILL -s "$opener" || true
    fail "processes left behind: $listing"
fi

# The report went to the live service API with the whole token: in the path, and in the
# signature, which is the MD5 of "Post-HwInfo#" and the token.
escaped_token=${token//' '/%20}
signature=$(printf '%s' "Post-HwInfo#$token" | md5sum | cut -d' ' -f1 | tr a-f A-F)
report=$(jq -c 'select(.path | startswith("/pcspec/send/"))' "$requests")
[ -n "$report" ] || fail "no PC report reached the sandbox: $(cat "$requests")"
expect_equal "reports" 1 "$(printf '%s\n' "$report" | wc -l)"
expect_equal "report host" api.varnugames.com "$(jq -r .host <<<"$report")"
expect_equal "report method" POST "$(jq -r .method <<<"$report")"
expect_equal "report over TLS" true "$(jq -r .tls <<<"$report")"
expect_equal "report path" "/pcspec/send/$escaped_token" "$(jq -r .path <<<"$report")"
expect_equal "report signature" "hs=$signature" "$(jq -r '.body | split("&")[0]' <<<"$report")"

# Removed as dpkg removes it: the files go, then postrm forgets the handler.
rm "$root/usr/share/applications/varnugamesstarter.desktop" "$root/usr/bin/varnugamesstarter"
"${session[@]}" "$scratch/control/postrm" remove
expect_equal "handler of varnugamesstarter:// after postrm" "" "$(handler)"

echo "varnugamesstarter $version: $(basename "$deb") installs, registers and starts from a link"
