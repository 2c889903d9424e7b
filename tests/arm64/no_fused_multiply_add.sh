#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The engine's output is defined down to the rounding of every multiply and add, and a fused
# multiply-add rounds once where the source rounds twice. GCC fuses on aarch64 unless told not
# to, so the engine and everything that includes its per-sample code are built without
# contraction; this disassembles the built libraries and modules and fails on any fused
# multiply-add or multiply-subtract, scalar or vector, of aarch64 (fmadd, fmsub, fnmadd,
# fnmsub, fmla, fmls) or x86-64 (vfmadd..., vfmsub..., vfnmadd..., vfnmsub...).
# Usage: no_fused_multiply_add.sh OBJDUMP FILE...
set -euo pipefail
objdump=$1
shift

failures=0
for file in "$@"; do
    # Names each function that holds a fused instruction, with how many it holds.
    found=$("$objdump" -d --no-show-raw-insn "$file" | awk '
        /^[0-9a-f]+ <.*>:$/ { name = $2; next }
        $2 ~ /^(v?fn?m(add|sub)[0-9a-z]*|fml[as][a-z0-9]*)$/ { count[name]++ }
        END { for (n in count) printf "  %d in %s\n", count[n], n }')
    if [ -n "$found" ]; then
        echo "FAIL $file has fused multiply-adds:"
        echo "$found" | sort -rn | head -n 20
        failures=$((failures + 1))
    else
        echo "ok   $file"
    fi
done
exit $((failures > 0))
