#!/usr/bin/env bash
# Checks every C++ source of the tree against the committed .clang-format; prints the files that
# differ and fails if any does. With --fix it rewrites them instead.
#   check_format.sh [--fix] [CLANG_FORMAT]
set -euo pipefail
cd "$(dirname "$0")/.."

mode=(--dry-run -Werror)
if [ "${1:-}" = --fix ]; then mode=(-i); shift; fi
clang_format=${1:-clang-format}

mapfile -t files < <(find src tests bench -name '*.cpp' -o -name '*.h' | sort)
if "$clang_format" "${mode[@]}" "${files[@]}"; then
    echo "1 passed, 0 failed: ${#files[@]} files formatted as .clang-format asks"
else
    echo "0 passed, 1 failed: run tools/check_format.sh --fix"
    exit 1
fi
