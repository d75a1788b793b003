#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks its control fields,
# its file list, that lintian reports nothing on it, and that the converter
# runs from the unpacked tree.
set -euo pipefail
build_dir=$1
version=$2
scratch=$(mktemp -d /tmp/glyphmill-deb.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
(cd "$build_dir" && cpack -G DEB -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/glyphmill_"$version"_*.deb)

fail() { echo "$1"; exit 1; }
info=$(dpkg-deb -I "$deb")
grep -q "^ Package: glyphmill$" <<<"$info" || fail "package name: $info"
grep -q "^ Version: $version$" <<<"$info" || fail "version: $info"
depends=$(grep "^ Depends:" <<<"$info")
for library in libqt6widgets6 libqt6webenginewidgets6 libqscintilla2-qt6 libicu72 libc6 \
    libqt6webenginecore6-bin libjs-highlight.js libjs-katex; do
  grep -q "$library" <<<"$depends" || fail "no dependency on $library: $depends"
done

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/glyphmill ./usr/bin/glyphmill-convert \
    ./usr/share/glyphmill/Languages/German.lang.txt ./usr/share/glyphmill/Languages/LanguageCodes.csv \
    ./usr/share/applications/com.kelmoor.Glyphmill.desktop \
    ./usr/share/metainfo/com.kelmoor.Glyphmill.metainfo.xml \
    ./usr/share/icons/hicolor/256x256/apps/com.kelmoor.Glyphmill.png \
    ./usr/share/man/man1/glyphmill-convert.1.gz ./usr/share/doc/glyphmill/guide.html \
    ./usr/share/doc/glyphmill/copyright ./usr/share/doc/glyphmill/changelog.gz; do
  grep -qx "$file" <<<"$files" || fail "not in the package: $file"
done
grep -q "^./usr/local" <<<"$files" && fail "files under /usr/local"

# Any lintian error or warning fails (informational tags are not shown).
report=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v "running with root privileges") || true
[ -z "$report" ] || fail "lintian: $report"

dpkg-deb -x "$deb" "$scratch/tree"
printf '# Packaged\n' | "$scratch/tree/usr/bin/glyphmill-convert" | grep -qx '<h1>Packaged</h1>' \
  || fail "the unpacked converter does not convert"
echo "$deb: $(grep -c . <<<"$files") entries"
