#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks that each x86-64 version of the search is built at its own vector
# width: the AVX-512 version's object uses 64-byte zmm registers, the AVX2
# version's 32-byte ymm registers and none wider, and the others 16-byte xmm
# registers alone. A version built at the wrong width gives right answers at
# a fraction of its speed, and on a CPU without AVX-512 nothing else shows it.
#
# Usage: tests/vector_widths.sh OBJDUMP OBJECT...
set -eu
objdump=$1
shift
failures=0
for object in "$@"; do
  case $object in
    *avx512*) widest=zmm ;;
    *avx2*) widest=ymm ;;
    *) widest=xmm ;;
  esac
  registers=$("$objdump" -d --no-show-raw-insn "$object" | grep -o '%[xyz]mm' | sort -u | tr -d '%' | tr '\n' ' ')
  case " $registers" in
    *" zmm"*) used=zmm ;;
    *" ymm"*) used=ymm ;;
    *" xmm"*) used=xmm ;;
    *) used=none ;;
  esac
  if [ $used = $widest ]; then
    echo "ok: $(basename "$object") uses $registers"
  else
    echo "FAIL: $(basename "$object") should use $widest registers and none wider, but uses: ${registers:-none}"
    failures=$((failures + 1))
  fi
done
[ $failures = 0 ]
