#!/usr/bin/env bash
# The desktop entry, the AppStream metadata and the manual pages pass their
# validators without a warning.
set -euo pipefail
source_dir=$1
build_dir=$2
id=com.kelmoor.Glyphmill
status=0

output=$(desktop-file-validate "$source_dir/data/$id.desktop" 2>&1) || status=1
# Hints are advice (Office;Utility both main categories, as the entry wants); anything else fails.
if grep -v ': hint: ' <<<"$output" | grep -q .; then
  echo "desktop-file-validate: $output"
  status=1
fi

appstreamcli validate --no-net --explain "$build_dir/data/$id.metainfo.xml" || status=1

for page in "$source_dir"/data/man/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page: $warnings"
    status=1
  fi
  grep -q '^\.SH EXIT STATUS' "$page" || { echo "$page: no EXIT STATUS section"; status=1; }
done
exit $status
