#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The stored state stands on juce_core alone, so that a tool or the fuzzer can read and write
# states without the processor: it may include its own headers, the program record and the
# parameter table, juce_core and the standard library, and nothing else.
set -euo pipefail

folder=$1
allowed='^#include ("state/[A-Za-z]+\.h"|"processor/OrnProgram\.h"|"processor/ParameterTable\.h"|<juce_core/juce_core\.h>|<[a-z_.]+>)$'

found=$(grep -h '^#include' "$folder"/*.h "$folder"/*.cpp | sort -u)
if [ -z "$found" ]; then
    echo "no includes found in $folder" >&2
    exit 1
fi

if grep -Ev "$allowed" <<< "$found"; then
    echo "the includes above are not for the stored state" >&2
    exit 1
fi
