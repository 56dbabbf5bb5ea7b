#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks that each variant of the search is built at its own vector width,
# type by type: each object of a variant for one element type uses registers
# of the width the table of variants gives it (64 bytes: zmm, 32: ymm, 16:
# xmm) and none wider. A variant built at the wrong width gives right
# answers at a fraction of its speed, and on a CPU without it nothing else
# shows it; one type's wide code could hide another's narrow code.
#
# Usage: tests/vector_widths.sh OBJDUMP VARIANTS_TXT OBJECT...
set -eu
objdump=$1 table=$2
shift 2
failures=0 checked=0
for object in "$@"; do
  file=$(basename "$object")
  # Objects of a variant and a type are named IDENTIFIER_TYPE.cc.o.
  while read -r name width needs; do
    id=$(echo "$name" | tr -c 'A-Za-z0-9\n' '_')
    case $file in "${id}"_[iuf][0-9]*.cc.o|"${id}"_[iuf][0-9]*.cc.obj) ;; *) continue ;; esac
    case $width in 64) widest=zmm ;; 32) widest=ymm ;; *) widest=xmm ;; esac
    registers=$("$objdump" -d --no-show-raw-insn "$object" | grep -o '%[xyz]mm' | sort -u | tr -d '%' | tr '\n' ' ')
    case " $registers" in
      *" zmm"*) used=zmm ;;
      *" ymm"*) used=ymm ;;
      *" xmm"*) used=xmm ;;
      *) used=none ;;
    esac
    checked=$((checked + 1))
    if [ "$used" = "$widest" ]; then
      echo "ok: $file ($name) uses $registers"
    else
      echo "FAIL: $file ($name) should use $widest registers and none wider, but uses: ${registers:-none}"
      failures=$((failures + 1))
    fi
  done <"$table"
done
[ "$checked" -gt 0 ] || { echo "FAIL: no variant's object among the objects given"; exit 1; }
[ $failures = 0 ]
