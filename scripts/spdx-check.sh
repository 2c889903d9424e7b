#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Lists the tracked sources, scripts and build files (C and C++, shell, CMake, the Makefiles and
# CI's script) whose first five lines carry no "SPDX-License-Identifier: GPL-3.0-or-later"; exits
# 1 when there is any, 0 when none. Without git (an unpacked archive) there is nothing to list.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

status=0
while IFS= read -r -d '' file; do
    if ! head -n 5 -- "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later'; then
        echo "$file"
        status=1
    fi
done < <(git ls-files -z -- '*.c' '*.cpp' '*.h' '*.sh' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' \
    Makefile .ci/run debian/rules 2> /dev/null)
exit $status
