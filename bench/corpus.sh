# The corpus of real Markdown the benchmarks read: whole Markdown files found
# on this machine, in a fixed order, until about `MB` megabytes are together.
# Usage (sourced): write_corpus FILE [MB]
write_corpus() {
  local corpus=$1 limit=$((${2:-8} * 1024 * 1024)) file
  : >"$corpus"
  while IFS= read -r file; do
    cat "$file" >>"$corpus"
    printf '\n' >>"$corpus"
    [ "$(stat -c %s "$corpus")" -ge "$limit" ] && break
  done < <(find /usr/share/doc /usr/lib/node_modules /usr/local/lib/node_modules -type f \
             \( -name '*.md' -o -name '*.markdown' \) 2>/dev/null | LC_ALL=C sort)
}
