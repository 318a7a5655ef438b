#!/usr/bin/env bash
# Applies .clang-format to every C++ file of the project; --check only reports.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.hpp' 2>/dev/null)
((${#files[@]})) || exit 0
if [[ "${1:-}" == "--check" ]]; then
    clang-format --dry-run -Werror "${files[@]}"
    echo "format: ${#files[@]} files clean"
else
    clang-format -i "${files[@]}"
fi
