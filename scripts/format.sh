#!/usr/bin/env bash
# Formats every C++ file of the project with .clang-format, in place; with
# --check it changes nothing, lists the files that differ and exits 1 if any do.
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=${CLANG_FORMAT:-clang-format}
if ! command -v "$formatter" >/dev/null 2>&1; then
  echo "format: $formatter not found (scripts/deps.sh installs it)" >&2
  exit 2
fi

mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.cc' '*.c' '*.h' '*.hpp' | while read -r f; do [ -f "$f" ] && echo "$f"; done)

if [ "${1:-}" = "--check" ]; then
  # clang-format names each file that differs in its warnings; keep one line a file.
  if ! out=$(printf '%s\0' "${files[@]}" |
    xargs -0 -P "$(nproc)" -n 16 "$formatter" --style=file --dry-run -Werror 2>&1); then
    echo "format: these files differ from .clang-format (run scripts/format.sh):"
    echo "$out" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/  \1/p' | sort -u
    exit 1
  fi
  echo "format: ${#files[@]} files follow .clang-format"
  exit 0
fi

printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -n 16 "$formatter" --style=file -i
