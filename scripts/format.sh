#!/usr/bin/env bash
# Checks that every C++ file is formatted as .clang-format says (clang-format 14, Debian's).
#   scripts/format.sh          list the files that differ and fail if there are any
#   scripts/format.sh --fix    rewrite them in place
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "format.sh: clang-format is needed (scripts/setup.sh)" >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'format: %s\n' "${bad[@]}" >&2
  echo "format: ${#bad[@]} file(s) differ from .clang-format; scripts/format.sh --fix rewrites them" >&2
  exit 1
fi
echo "format: ${#files[@]} files as .clang-format says"
