#!/usr/bin/env bash
# Checks a Debian package of Velmar Monitor: its metadata, its files, the desktop entry and
# AppStream metainfo as the desktop's own validators read them, and, unpacked outside any build
# tree, that its helper runs and that its program runs that helper and no other.
#
#   check_package.sh <file.deb> [build dir]   checks that package; with the build tree the
#                                             program was built in, also that it ignores that
#                                             tree's helper while it is there
#   check_package.sh --build <build dir>      makes the package of that build tree with cpack
#                                             first, in a scratch folder
set -euo pipefail

app_id=com.velmar.Monitor
bundle=VelmarMonitorMenu_VelmarMonitorMenu.bundle

work="$(mktemp -d "${TMPDIR:-/tmp}/velmar-package.XXXXXX")"
program_pid=""
cleanup() {
    if [ -n "$program_pid" ]; then
        kill "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if [ "${1:-}" = --build ]; then
    build="$(cd "$2" && pwd)"
    cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log" >&2; echo "FAIL: cpack could not make the package" >&2; exit 1; }
    debs=("$work"/cpack/*.deb)
    deb="${debs[0]}"
else
    deb="$1"
    build="${2:+$(cd "$2" && pwd)}"
fi
[ -f "$deb" ] || { echo "FAIL: no package at $deb" >&2; exit 1; }
# Unpacked inside the build tree, the program could rightly take that tree's helper.
case "$work/" in "${build:-/nonexistent}/"*)
    echo "FAIL: the scratch folder $work lies inside the build tree; set TMPDIR elsewhere" >&2; exit 1 ;;
esac
echo "package: $(basename "$deb")"

# --- metadata ---
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = velmar-monitor ] || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
depends="$(field Depends)"
echo "Depends: $depends"
# Every library the binaries load, the dlopen'ed libddcutil too, and ddcutil for its udev rule.
for needed in 'libddcutil4 (>= ' libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 libqt6svg6 libc6 libstdc++6; do
    case ", $depends," in *", $needed"*) ;; *) fail "Depends lacks $needed" ;; esac
done
case ", $depends," in *", ddcutil,"*) ;; *) fail "Depends lacks ddcutil" ;; esac
case "$depends" in *asan* | *ubsan*) fail "Depends names a sanitizer runtime: a sanitized build" ;; esac

# --- files ---
dpkg-deb --contents "$deb" >"$work/contents"
awk '{ print $6 }' "$work/contents" | sed 's|^\./|/|' >"$work/paths"
expected=(
    /usr/bin/velmar-monitor
    "/usr/libexec/velmar-monitor/$bundle/m1ddc"
    "/usr/share/applications/$app_id.desktop"
    "/usr/share/metainfo/$app_id.metainfo.xml"
    "/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    /usr/share/doc/velmar-monitor/copyright
    /usr/share/doc/velmar-monitor/LICENSE
    /usr/share/doc/velmar-monitor/changelog.Debian.gz
    /usr/lib/modules-load.d/velmar-monitor.conf
)
for path in "${expected[@]}"; do
    grep -qxF "$path" "$work/paths" || fail "the package lacks $path"
done
# Everything is dpkg's to remove again: nothing outside /usr, nothing in /etc that would stay.
grep -v -e '^/$' -e '^/usr/' -e '^/usr$' "$work/paths" | sed 's/^/  outside \/usr: /' | grep . >&2 &&
    fail "the package installs outside /usr"
for program in /usr/bin/velmar-monitor "/usr/libexec/velmar-monitor/$bundle/m1ddc"; do
    grep -E "^-rwxr-xr-x root/root .* \\.$program\$" "$work/contents" >/dev/null ||
        fail "$program is not an executable owned by root"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -vxE '|control|md5sums|postinst' |
    sed 's/^/  maintainer script: /' | grep . >&2 && fail "unexpected files in the control area"

root="$work/root"
dpkg-deb --extract "$deb" "$root"
usr="$root/usr"

# --- what the desktop reads ---
desktop="$usr/share/applications/$app_id.desktop"
metainfo="$usr/share/metainfo/$app_id.metainfo.xml"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $app_id.desktop"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "appstreamcli rejects $app_id.metainfo.xml"; }
entry() { sed -n "s/^$1=//p" "$desktop" | head -n1; }
[ "$(entry Exec)" = velmar-monitor ] || fail "the desktop entry starts '$(entry Exec)'"
[ "$(entry Icon)" = "$app_id" ] || fail "the desktop entry shows icon '$(entry Icon)'"
grep -q "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $app_id.desktop"
# The package's version is the newest release the metainfo describes.
newest="$(grep -o '<release version="[^"]*"' "$metainfo" | head -n1 | cut -d'"' -f2)"
[ "$(field Version)" = "$newest-1" ] || fail "Version $(field Version) but the newest release in the metainfo is $newest"
logged="$(zcat "$usr/share/doc/velmar-monitor/changelog.Debian.gz" | head -n1 | sed -n 's/^velmar-monitor (\([^)]*\)).*/\1/p')" || true
[ "$(field Version)" = "$logged" ] || fail "Version $(field Version) but the changelog's newest entry is '$logged'"
icon="$usr/share/icons/hicolor/scalable/apps/$app_id.svg"
{ xmllint --noout "$icon" && grep -q '<svg' "$icon"; } || fail "the icon is not an SVG image"
grep -q 'GPL-2.0-or-later' "$usr/share/doc/velmar-monitor/copyright" ||
    fail "the copyright file does not name the licence"
grep -q 'GNU GENERAL PUBLIC LICENSE' "$usr/share/doc/velmar-monitor/LICENSE" || fail "LICENSE is not the GPL"

# --- the unpacked program ---
program="$usr/bin/velmar-monitor"
helper="$usr/libexec/velmar-monitor/$bundle/m1ddc"
for binary in "$program" "$helper"; do
    if readelf --dynamic "$binary" | grep -E 'R(UN)?PATH' >&2; then
        fail "$(basename "$binary") looks for libraries in a fixed folder"
    fi
done

answer="$(VELMAR_SIMULATED_MONITOR="$work/monitor.json" "$helper" get luminance)" || true
[[ "$answer" =~ ^[0-9]+$ ]] || fail "the unpacked helper does not answer on the simulated monitor: '$answer'"

# Starts the unpacked program and prints which helper it went for, from its own log; waits for
# that line (the start-up refresh asks for the helper at once), a minute at most.
helper_the_program_takes() {
    local log="$work/program.log" home="$work/home"
    rm -rf "$home" && mkdir -m 700 "$home"
    : >"$log"
    env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home" \
        QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=disabled: QT_FORCE_STDERR_LOGGING=1 \
        VELMAR_SIMULATED_MONITOR="$work/monitor.json" QT_LOGGING_RULES='velmar.helper.debug=true' \
        "$program" 2>"$log" &
    program_pid=$!
    local line="" waited=0
    while [ -z "$line" ] && [ "$waited" -lt 600 ] && kill -0 "$program_pid" 2>/dev/null; do
        sleep 0.1
        waited=$((waited + 1))
        line="$(grep -m1 '^velmar.helper: ' "$log" || true)"
    done
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
    [ -n "$line" ] || { sed 's/^/  program: /' "$log" >&2; echo "(no word from the program)"; return; }
    echo "${line#velmar.helper: }"
}

taken="$(helper_the_program_takes)"
[ "$taken" = "helper: $helper" ] || fail "the unpacked program took '$taken', not its own helper"

# Its own helper gone, it runs none: not the one in the build tree it came from.
if [ -n "$build" ]; then
    [ -f "$build/bin/$bundle/m1ddc" ] || fail "the build tree's helper is missing, so this proves nothing"
fi
rm "$helper"
taken="$(helper_the_program_takes)"
case "$taken" in
"no helper for the program in $usr/bin") ;;
*) fail "without its own helper the unpacked program took '$taken'" ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package checks passed"
