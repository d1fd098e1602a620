#!/usr/bin/env bash
# Formats every C++ source of the project with the committed .clang-format;
# with --check, only reports files that differ and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
if [ ${#files[@]} -eq 0 ]; then
    exit 0
fi
if [ "${1:-}" = "--check" ]; then
    clang-format --dry-run --Werror "${files[@]}"
else
    clang-format -i "${files[@]}"
fi
