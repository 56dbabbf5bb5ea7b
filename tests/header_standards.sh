#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The header keeps its promise: a C caller and a C++ caller compile, with
# the warnings fatal, under every standard it names that the compiler knows.
# Each row is a standard and the compiler's other names for it, newest
# first; a standard the compiler knows by none of them is skipped, and said.
# The README's C and C++ examples compile too, as C99 and C++20, each put in
# a function.
#
# Usage: tests/header_standards.sh CC CXX INCLUDE_DIR...
set -euo pipefail
cd "$(dirname "$0")"
cc=$1 cxx=$2
shift 2
includes=()
for folder in "$@"; do includes+=(-I "$folder"); done

standards=(
  "c c99" "c c11" "c c17" "c c23 c2x"
  "c++ c++11" "c++ c++14" "c++ c++17" "c++ c++20" "c++ c++23 c++2b"
)
failed=0
for row in "${standards[@]}"; do
  read -r language names <<<"$row"
  if [ "$language" = c ]; then compiler=$cc caller=consumer/main.c; else compiler=$cxx caller=consumer/main.cc; fi
  known=
  for name in $names; do
    if "$compiler" -x "$language" -std="$name" -E - </dev/null >/dev/null 2>&1; then known=$name; break; fi
  done
  if [ -z "$known" ]; then
    echo "skipped: $compiler knows none of $names"
    continue
  fi
  if report=$("$compiler" -std="$known" -Wall -Wextra -Wpedantic -Werror "${includes[@]}" \
      -fsyntax-only "$caller" 2>&1); then
    echo "ok: $caller compiles as $known"
  else
    echo "FAIL: $caller as $known: $report" >&2
    failed=1
  fi
done
# Each ```c or ```cpp block of the README: its #include lines first, the
# rest as the body of a function.
for language in c cpp; do
  example=$(mktemp --suffix=".$language")
  awk -v fence="\`\`\`$language" '
    $0 == fence { inside = 1; next }
    inside && /^```/ { inside = 0; next }
    inside && /^#include/ { print; next }
    inside { body = body $0 "\n" }
    END { printf "void example(void);\nvoid example(void) {\n%s}\n", body }' ../README.md >"$example"
  if [ $language = c ]; then compiler=$cc std=c99; else compiler=$cxx std=c++20; fi
  if report=$("$compiler" -std=$std -Wall -Wextra -Wpedantic -Werror -Wno-unused-variable \
      "${includes[@]}" -fsyntax-only "$example" 2>&1); then
    echo "ok: the README's $language examples compile as $std"
  else
    echo "FAIL: the README's $language examples as $std: $report" >&2
    failed=1
  fi
  rm -f "$example"
done
exit $failed
