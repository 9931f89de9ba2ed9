#!/usr/bin/env bash
# Packs a build as ./scripts/package does (cpack's DEB generator over the build's install
# rules, nothing compiled again), unpacks the .deb into a scratch root with dpkg -x and
# checks what is there (lintian too), then runs the unpacked program:
#   check_deb.sh BUILD_DIR APPSTREAM_ID
set -uo pipefail
build="$1" id="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
debs=("$scratch"/out/volra_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: cpack made ${debs[*]}" >&2; exit 1; }
deb="${debs[0]}"

# The control fields Debian's tools and users read.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = volra ] || fail "Package is \"$(field Package)\""
[ "$(field Architecture)" = amd64 ] || fail "Architecture is \"$(field Architecture)\""
version="$(field Version)"
[ "$(basename "$deb")" = "volra_${version}_amd64.deb" ] || fail "the package is named $(basename "$deb")"
depends="$(field Depends)"
for dependency in libqt6widgets6 libqt6svg6 libc6; do
  grep -qE "(^|, )$dependency( |,|$)" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done
# Debian's own check of a package: errors fail (warnings and notes are the package
# script's to show).
lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1 ||
  fail "lintian: $(grep -E '^E: ' "$scratch/lintian.log" || cat "$scratch/lintian.log")"
# Everything belongs to root, whoever built it.
owners="$(dpkg-deb -c "$deb" | awk '{print $2}' | sort -u)"
[ "$owners" = root/root ] || fail "files owned by $owners"

root="$scratch/root"
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x" >&2; exit 1; }
for file in usr/bin/volra \
  usr/share/volra/help/index.html usr/share/volra/help/volra.css \
  usr/share/applications/volra.desktop "usr/share/metainfo/$id.metainfo.xml" \
  usr/share/icons/hicolor/scalable/apps/volra.svg usr/share/icons/hicolor/48x48/apps/volra.png \
  usr/share/icons/hicolor/256x256/apps/volra.png \
  usr/share/man/man1/volra.1.gz usr/share/doc/volra/copyright usr/share/doc/volra/changelog.gz; do
  [ -s "$root/$file" ] || fail "the package lacks /$file"
done
# The help window looks for ../share/volra/help beside the directory of the program.
[ "$(realpath "$root/usr/bin/../share/volra/help")" = "$(realpath "$root/usr/share/volra/help")" ] ||
  fail "the help is not where the installed program looks"
readelf -S "$root/usr/bin/volra" | grep -q '\.symtab' && fail "usr/bin/volra is not stripped"
gzip -t "$root/usr/share/man/man1/volra.1.gz" || fail "the manual page is not gzip"

# The unpacked program runs: it prints the package's version and draws a snapshot of
# its own share folder without a display.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export LD_LIBRARY_PATH="$root/usr/lib/x86_64-linux-gnu:$root/usr/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
printed="$("$root/usr/bin/volra" --version)" || fail "volra --version exited with $?"
[ "$printed" = "volra $version" ] || fail "volra --version printed \"$printed\", the package is $version"
"$root/usr/bin/volra" --snapshot "$root/usr/share" --size 200x100 --output "$scratch/snap.png" ||
  fail "volra --snapshot exited with $?"
[ -s "$scratch/snap.png" ] || fail "volra --snapshot wrote no picture"

[ "$failures" -eq 0 ] && echo "$(basename "$deb"): all checks passed ($(du -k "$deb" | cut -f1) KiB)"
exit $((failures > 0))
