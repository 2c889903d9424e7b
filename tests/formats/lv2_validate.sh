#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The LV2 bundle's description checked against LV2's own schemas by lv2_validate (lv2-dev, with
# sord_validate from sordi), as Ardour's bundles pass it: no error and no warning. lv2_validate
# exits 0 whatever it finds, so the verdict is its report. Exit code 77 tells CTest the tools
# are not installed.
set -euo pipefail

bundle=$1

for tool in lv2_validate sord_validate; do
    if ! command -v $tool > /dev/null 2>&1; then
        echo "lv2_validate: $tool is not installed; skipping" >&2
        exit 77
    fi
done

report=$(lv2_validate "$bundle"/*.ttl 2>&1)
echo "$report"

summary=$(grep -E '^Found [0-9]+ errors? among' <<< "$report" || true)
if [ -z "$summary" ]; then
    echo "lv2_validate: no summary line" >&2
    exit 1
fi
if [ "$(awk '{ print $2 }' <<< "$summary")" -ne 0 ] || grep -q '^warning:' <<< "$report"; then
    echo "lv2_validate: the description has errors or warnings" >&2
    exit 1
fi
