#!/bin/sh
# The manual page documents every option that `orvalis --help` lists, has the
# usual sections and renders without a warning from groff.
# Usage: tst_package_manpage.sh ORVALIS_BINARY MANPAGE_SOURCE
set -eu
bin=$1
page=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$bin" --help | sed -n 's/^ *\(--[a-z-]*\).*/\1/p' | sort -u >"$tmp/help"
grep -qx -- --basin "$tmp/help" || fail "no options found in --help"

# Each option opens a .TP paragraph of the OPTIONS section with .B or .BI.
awk '/^\.SH / { inOptions = ($2 == "OPTIONS") }
     inOptions && previous == ".TP" && /^\.BI? / { print $2 }
     { previous = $1 }' "$page" | sed 's/\\-/-/g' | sort -u >"$tmp/man"

missing=$(comm -23 "$tmp/help" "$tmp/man")
[ -z "$missing" ] || fail "options of --help missing from the manual page: $(echo "$missing" | tr '\n' ' ')"

for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" EXAMPLES; do
    grep -qx "\.SH \"*$section\"*" "$page" || fail "no section $section"
done

warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "groff warns: $warnings"
echo "manual page: $(wc -l <"$tmp/help") options of --help documented"
