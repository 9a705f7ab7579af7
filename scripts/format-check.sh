#!/usr/bin/env bash
# Fails when any C++ file that git tracks differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null 2>&1; then
  echo "format-check: clang-format not found (Debian package clang-format)" >&2
  exit 1
fi
drift=()
while IFS= read -r file; do
  clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || drift+=("$file")
done < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
if [ ${#drift[@]} -gt 0 ]; then
  echo "format-check: these files differ from .clang-format (run make format):" >&2
  printf '  %s\n' "${drift[@]}" >&2
  exit 1
fi
echo "format-check: every file follows .clang-format"
