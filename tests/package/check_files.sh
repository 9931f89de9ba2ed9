#!/usr/bin/env bash
# The files the package installs around the program, checked on every test run:
#   check_files.sh VOLRA RESOURCES_DIR PACKAGING_DIR APPSTREAM_ID
# - the desktop entry and the AppStream metadata pass their validators, and the entry
#   offers Volra for folders;
# - the manual page renders without warnings, lists as an option every option that
#   "volra --help" prints and none that it does not;
# - the manual page, the metainfo's latest release and the changelog's latest entry name
#   the version that "volra --version" prints.
set -uo pipefail
volra="$1" resources="$2" packaging="$3" id="$4"
desktop="$resources/volra.desktop" metainfo="$resources/$id.metainfo.xml" man="$resources/volra.1"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Desktop entry and metadata.
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
grep -qx 'MimeType=inode/directory;' "$desktop" || fail "$desktop: no MimeType=inode/directory;"
grep -qx 'Exec=volra %f' "$desktop" || fail "$desktop: Exec is not \"volra %f\""
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli validate $metainfo"
grep -q "<id>$id</id>" "$metainfo" || fail "$metainfo: the component's id is not $id"
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
  fail "$metainfo: does not launch $(basename "$desktop")"

# The manual page as man shows it: groff's warnings are what lintian reports too.
warnings="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$man" 2>&1 >/dev/null)"
[ -z "$warnings" ] || fail "man reports on $man: $warnings"

# Every option of --help: each "--word" in the text, and the short ones that open a line of
# the option list ("  -h, --help").
help="$(QT_QPA_PLATFORM=offscreen "$volra" --help)" || fail "volra --help failed"
help_options="$({
  grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help"
  grep -oE -- '^ +-[a-zA-Z]\b' <<<"$help" | tr -d ' '
} | sort -u)"
[ -n "$help_options" ] || fail "no options found in volra --help"
# The man page's options are the tags of the paragraphs in OPTIONS (the line after .TP),
# with roff's "\-" read as "-".
man_tags="$(awk '/^\.SH /{section=$2} section=="OPTIONS" && tag {print; tag=0} /^\.TP/{tag=1}' "$man" |
  sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g')"
man_options="$(grep -oE -- '(^|[ "])--?[a-zA-Z][a-z0-9-]*' <<<"$man_tags" | tr -d ' "' | sort -u)"
for option in $help_options; do
  grep -qx -- "$option" <<<"$man_options" || fail "volra --help prints $option, the manual page does not describe it"
done
for option in $man_options; do
  grep -qx -- "$option" <<<"$help_options" || fail "the manual page describes $option, volra --help does not print it"
done

# One version everywhere.
version="$(QT_QPA_PLATFORM=offscreen "$volra" --version | sed -n 's/^volra //p')"
[ -n "$version" ] || fail "volra --version printed no version"
grep -q "^\.TH VOLRA 1 .*\"Volra $version\"" "$man" || fail "$man: .TH does not name Volra $version"
release="$(grep -oE '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)"
[ "$release" = "$version" ] || fail "$metainfo: latest release is \"$release\", volra is $version"
entry="$(sed -n '1s/^volra (\([^)]*\)).*/\1/p' "$packaging/changelog")"
[ "$entry" = "$version" ] || fail "changelog: latest entry is \"$entry\", volra is $version"

[ "$failures" -eq 0 ] && echo "package files: all checks passed"
exit $((failures > 0))
