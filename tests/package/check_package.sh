#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh made: its file list, its
# dependencies, and that the command line it installs runs from a temporary
# root, finds its data files and gives the report the tested build gives.
# Usage: tests/package/check_package.sh PACKAGE.deb REFERENCE-SKYLOOM-CLI
set -euo pipefail
deb=$1
reference=$2
failures=0 checks=0
fail() { echo "package: $*"; failures=$((failures + 1)); }
# Counts a check; each check either passes or calls fail once.
check() { checks=$((checks + 1)); }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

# The files every installation needs, and nothing outside /usr.
listing=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
for want in /usr/lib/skyloom/skyloom-cli /usr/lib/skyloom/skyloom /usr/lib/skyloom/pluto.ptb \
            /usr/lib/skyloom/pluto.ptb.cache \
            /usr/lib/skyloom/skyloom-timeline.so \
            /usr/lib/skyloom/skl_help.txt /usr/bin/skyloom-cli /usr/bin/skyloom \
            /usr/share/man/man1/skyloom-cli.1.gz /usr/share/bash-completion/completions/skyloom-cli \
            /usr/share/applications/org.skyloom.Skyloom.desktop /usr/share/metainfo/org.skyloom.Skyloom.metainfo.xml \
            /usr/share/icons/hicolor/scalable/apps/org.skyloom.Skyloom.svg \
            /usr/share/icons/hicolor/48x48/apps/org.skyloom.Skyloom.png \
            /usr/share/icons/hicolor/256x256/apps/org.skyloom.Skyloom.png; do
  check
  grep -qx -- "$want" <<<"$listing" || fail "no $want"
done
check
outside=$(grep -v -e '^/$' -e '^/usr/' <<<"$listing" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
check
twice=$(sort <<<"$listing" | uniq -d)
[ -z "$twice" ] || fail "listed twice: $twice"

# Declared dependencies: the ephemeris data, the tz database, the libraries
# (Swiss Ephemeris is linked in: its data files are the dependency).
depends=$(dpkg-deb -f "$deb" Depends)
for want in swe-standard-data tzdata libc6 libqt6widgets6 libgeonames0; do
  check
  grep -q -- "$want" <<<"$depends" || fail "Depends lacks $want: $depends"
done
check
[ "$(dpkg-deb -f "$deb" Package)" = skyloom ] || fail "the package is not named skyloom"

dpkg-deb -x "$deb" "$root"
cli=$root/usr/bin/skyloom-cli
check
version=$("$cli" --version) || fail "--version failed"
check
grep -qx 'skyloom-cli (Skyloom) [0-9]*\.[0-9]*' <<<"$version" || fail "--version says: $version"
check
[[ $(basename "$deb") == skyloom_${version##* }_*.deb ]] || fail "$(basename "$deb") does not carry version ${version##* }"

# Pluto comes from pluto.ptb beside the program: a run with Pluto proves it
# was found, and gives the tested build's report.
run=(world Jupiter Pluto --start 2020-01-01 --end 2020-12-31 --zone GMT)
check
installed=$("$cli" "${run[@]}" 2>&1) || fail "the installed command line failed: $installed"
tested=$("$reference" "${run[@]}" 2>&1)
check
[ "$installed" = "$tested" ] || fail "the installed report differs from the tested build's"
check
grep -q '^Conjunction ' <<<"$installed" || fail "no conjunction of Jupiter and Pluto in 2020: $installed"

# The timeline is drawn by the library beside the program, opened for it.
check
"$cli" "${run[@]}" --timeline "$root/installed.svg" >/dev/null 2>&1 || fail "the installed command line drew no timeline"
"$reference" "${run[@]}" --timeline "$root/tested.svg" >/dev/null 2>&1
check
cmp -s "$root/installed.svg" "$root/tested.svg" || fail "the installed timeline differs from the tested build's"

# The atlas of birth places is opened when a place is first asked for.
check
places=$("$cli" places Berlin 2>&1) || fail "the installed atlas cannot be searched: $places"
check
grep -q '^Berlin | Berlin | DE | .* | Europe/Berlin$' <<<"$places" || fail "the installed atlas lacks Berlin: $places"

# The manual page is the program's --help.
manual=$(zcat "$root/usr/share/man/man1/skyloom-cli.1.gz")
for want in '\-\-stations' '\-\-birth\-zone' 'Exit status' "${version##* }"; do
  check
  grep -qF -- "$want" <<<"$manual" || fail "the manual page lacks $want"
done

# Completion offers the program's own words.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _skyloom_cli; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$root/usr/share/bash-completion/completions/skyloom-cli" "$cli" "$@"
}
check
[ "$(complete_words world Jup)" = Jupiter ] || fail "completion of a body: $(complete_words world Jup)"
check
[ "$(complete_words world Mars Jupiter --search tr)" = trine ] || fail "completion of an aspect"
check
grep -qx -- --stations <<<"$(complete_words world Mars Jupiter --sta)" || fail "completion of an option"
check
[ "$(complete_words world Mars Jupiter --houses who)" = whole-sign ] || fail "completion of a house system"
check
[ "$(complete_words personal Saturn Asc)" = Ascendant ] || fail "completion of a chart point"
check
grep -qx Europe/Berlin <<<"$(complete_words world Mars Jupiter --zone Europe/Ber)" || fail "completion of a zone"

check
appstreamcli validate --no-net "$root/usr/share/metainfo/org.skyloom.Skyloom.metainfo.xml" >/dev/null ||
  fail "appstreamcli rejects the metainfo"
check
desktop-file-validate "$root/usr/share/applications/org.skyloom.Skyloom.desktop" || fail "the desktop entry is invalid"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
