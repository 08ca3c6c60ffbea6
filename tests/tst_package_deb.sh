#!/bin/sh
# Builds the Debian package into a temporary folder, checks its control
# fields, contents and lintian's verdict, unpacks it with dpkg-deb -x (it is
# never installed) and runs the unpacked program from another folder without
# a display, then its Bash completion.
# Usage: tst_package_deb.sh CPACK BUILD_DIR VERSION SOURCE_DIR
set -eu
cpack=$1
build=$2
version=$3
source=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(echo "$tmp"/out/orvalis_*.deb)
[ -f "$deb" ] || fail "no package in $tmp/out"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orvalis ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version), expected $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture $(field Architecture)"
[ "$(field Section)" = science ] || fail "section $(field Section)"
field Depends | grep -q 'libqt6widgets6' || fail "dependencies not computed: $(field Depends)"
[ -n "$(field Maintainer)" ] || fail "no maintainer"

dpkg-deb -c "$deb" >"$tmp/contents"
if grep -v ' root/root ' "$tmp/contents"; then fail "files not owned by root"; fi
for path in usr/bin/orvalis usr/share/orvalis/shaders/scene.vert \
    usr/share/orvalis/config/default.par usr/share/applications/orvalis.desktop \
    usr/share/mime/packages/orvalis.xml usr/share/icons/hicolor/64x64/apps/orvalis.png usr/share/man/man1/orvalis.1.gz \
    usr/share/bash-completion/completions/orvalis usr/share/doc/orvalis/copyright; do
    grep -q " \./$path\$" "$tmp/contents" || fail "$path not in the package"
done

lintian --fail-on error,warning "$deb" >"$tmp/lintian" 2>&1 || { cat "$tmp/lintian"; fail lintian; }

root=$tmp/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/orvalis.desktop" ||
    fail "desktop entry not valid"
grep -qx 'Exec=orvalis %f' "$root/usr/share/applications/orvalis.desktop" ||
    fail "desktop entry takes no file"
grep -qx 'MimeType=text/x-orvalis-par;' "$root/usr/share/applications/orvalis.desktop" ||
    fail "desktop entry declares no type for .par files"
# The type's file builds a database in which .par files have that type.
xmllint --noout "$root/usr/share/mime/packages/orvalis.xml" || fail "mime type file not XML"
mkdir -p "$tmp/mime/packages"
cp "$root/usr/share/mime/packages/orvalis.xml" "$tmp/mime/packages/"
update-mime-database "$tmp/mime" >"$tmp/mime.log" 2>&1 || { cat "$tmp/mime.log"; fail "mime database"; }
grep -q '^text/x-orvalis-par:\*\.par$' "$tmp/mime/globs" || fail "no glob for .par in the database"
gzip -dc "$root/usr/share/man/man1/orvalis.1.gz" | cmp -s - "$source/docs/orvalis.1" ||
    fail "the installed manual page is not the project's"
# Nothing may lead back into the build tree.
if readelf -d "$root/usr/bin/orvalis" | grep -E 'RPATH|RUNPATH'; then fail "run path left in"; fi

mkdir "$tmp/work"
cd "$tmp/work"
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u ORVALIS_SHADER_DIR "$root/usr/bin/orvalis" "$@"; }
run --help >help.txt || fail "--help exited with $?"
grep -q -- '--basin' help.txt || fail "--help lists no --basin"
run --basin tiny.png --size 8 --params "$root/usr/share/orvalis/config/default.par" --quiet ||
    fail "--basin exited with $?"
# PNG signature, then the header's width and height.
[ "$(od -An -tx1 -N8 tiny.png | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "tiny.png is no PNG"
[ "$(od -An -tx1 -j16 -N8 tiny.png | tr -d ' \n')" = 0000000800000008 ] || fail "tiny.png not 8x8"

# Completion in a folder holding one file of each kind.
mkdir complete
touch complete/a.par complete/b.png complete/c.csv complete/d.npy complete/e.txt
bash -c '
    . /usr/share/bash-completion/bash_completion
    . "$1/usr/share/bash-completion/completions/orvalis"
    cd complete
    offered() {
        COMP_WORDS=("$1/usr/bin/orvalis" "${@:2}")
        COMP_CWORD=$(($# - 1))
        COMP_LINE="${COMP_WORDS[*]}"
        COMP_POINT=${#COMP_LINE}
        COMPREPLY=()
        _orvalis "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        [ ${#COMPREPLY[@]} -eq 0 ] || printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
    }
    check() {
        got=$(offered "$root" "${@:2}")
        [ "$got" = "$1" ] || { echo "FAIL: completing \"${*:2}\" offered \"$got\", expected \"$1\"" >&2; exit 1; }
    }
    root=$1
    check "--params " --par
    check "a.par " --params ""
    check "b.png " --quiet --basin ""
    check "c.csv d.npy " --data ""
    check "" --size ""
    check "gravity= " --sweep gr
    check "b.png c.csv d.npy " --merge out.png ""
    check "$(sed -n "s/^ *\(--[a-z-]*\).*/\1/p" ../help.txt | sort | tr "\n" " ")" --
' completion "$root" || fail "bash completion"
echo "package: $(basename "$deb") built, unpacked and run"
