#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The module must export its entry points and nothing else: a host that loads two JUCE
# plug-ins would otherwise bind one's JUCE code to the other's, and a GNU unique symbol ("u")
# would keep the module in memory after dlclose.
set -euo pipefail

# The entry points follow the module; without them, the VST 2.4 module's two.
module=$1
shift
expected=$(printf '%s\n' "${@:-VSTPluginMain main}" | tr ' ' '\n' | sort | tr '\n' ' ')
symbols=$(nm -D --defined-only "$module")

names=$(awk '{ print $3 }' <<< "$symbols" | sort | tr '\n' ' ')
if [ "$names" != "$expected" ]; then
    echo "exported: $names" >&2
    echo "expected: $expected" >&2
    exit 1
fi

if awk '$2 == "u"' <<< "$symbols" | grep -q .; then
    echo "GNU unique symbols:" >&2
    awk '$2 == "u"' <<< "$symbols" >&2
    exit 1
fi

if readelf --dyn-syms --wide "$module" | grep -q UNIQUE; then
    echo "the dynamic symbol table holds GNU unique symbols" >&2
    exit 1
fi

if readelf --dynamic "$module" | grep -q NODELETE; then
    echo "the module is marked as never to be unloaded" >&2
    exit 1
fi
