#!/usr/bin/env bash
# Checks that the tracked C++ sources match .clang-format, without changing
# them: each file that drifts is named with the lines clang-format would
# change, and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."

clang_format=${CLANG_FORMAT:-clang-format}
if ! command -v "$clang_format" >/dev/null; then
    echo "check-format: $clang_format not found (make deps installs it)" >&2
    exit 2
fi

checked=0
failed=0
while IFS= read -r file; do
    checked=$((checked + 1))
    if ! "$clang_format" --dry-run -Werror "$file"; then
        failed=$((failed + 1))
    fi
done < <(git ls-files '*.cpp' '*.h')

if [ "$failed" -ne 0 ]; then
    echo "check-format: $failed file(s) to fix; clang-format -i FILE formats one" >&2
    exit 1
fi
echo "check-format: $checked files match .clang-format"
