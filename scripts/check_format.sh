#!/usr/bin/env bash
# Checks that every tracked C++ source is formatted as .clang-format says; lists the files that
# are not and how to fix them.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find src tests tools bench fuzz -name '*.cpp' -o -name '*.h' | sort)
fi
bad=()
for f in "${files[@]}"; do
    if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
        bad+=("$f")
    fi
done
if [ ${#bad[@]} -ne 0 ]; then
    echo "Not formatted as .clang-format says:" >&2
    printf '  %s\n' "${bad[@]}" >&2
    echo "Fix with: clang-format -i ${bad[*]}" >&2
    exit 1
fi
echo "${#files[@]} files formatted as .clang-format says"
