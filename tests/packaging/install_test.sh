#!/usr/bin/env bash
# Installs the build into a scratch prefix and starts both programs from there,
# with nothing of the build tree: the converter's version, and the window
# (offscreen) until its start conversion is shown, in German to prove that the
# installed language files are found.
set -euo pipefail
build_dir=$1
scratch=$(mktemp -d /tmp/glyphmill-install.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build_dir" --prefix "$scratch/prefix" >/dev/null

for file in bin/glyphmill bin/glyphmill-convert share/glyphmill/Languages/German.lang.txt \
    share/applications/com.kelmoor.Glyphmill.desktop share/metainfo/com.kelmoor.Glyphmill.metainfo.xml \
    share/icons/hicolor/scalable/apps/com.kelmoor.Glyphmill.svg \
    share/icons/hicolor/48x48/apps/com.kelmoor.Glyphmill.png \
    share/icons/hicolor/256x256/apps/com.kelmoor.Glyphmill.png \
    share/man/man1/glyphmill.1.gz share/man/man1/glyphmill-convert.1.gz \
    share/doc/glyphmill/guide.html share/doc/glyphmill/copyright share/doc/glyphmill/changelog.gz; do
  [ -e "$scratch/prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done

version=$("$scratch/prefix/bin/glyphmill-convert" --version)
[[ "$version" == "glyphmill-convert "* ]] || { echo "unexpected version: $version"; exit 1; }

# A moved copy: the installed tree works wherever it is.
mv "$scratch/prefix" "$scratch/moved"
mkdir "$scratch/config"
report=$(cd "$scratch" && env -u LC_ALL -u LC_MESSAGES QT_QPA_PLATFORM=offscreen \
  XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
  LANG=de_DE.UTF-8 LANGUAGE=de_DE GLYPHMILL_EXIT_AFTER_START=1 "$scratch/moved/bin/glyphmill")
echo "$report"
[[ "$report" == *"KELMOOR - Glyphmill 1.2, language German, start conversion shown"* ]] || exit 1
