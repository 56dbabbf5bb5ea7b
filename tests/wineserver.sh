#!/bin/sh
# SPDX-License-Identifier: MIT
# Starts one wineserver for the whole test run (start), or stops it (stop).
# Each wine run that finds no server starts its own, inside that run's
# limits, and a new prefix is set up on first use; both would land in the
# middle of a test.
#
# Usage: tests/wineserver.sh start|stop WINE64 WINESERVER
set -eu
wine64=$2 wineserver=$3
if [ "$1" = stop ]; then
  exec "$wineserver" -k
fi
# Any server left from listing the tests ends once its clients have.
"$wineserver" -w
"$wine64" wineboot --init </dev/null >/dev/null 2>&1
"$wineserver" -w
# Detached from the caller's pipes, which it would otherwise hold open.
"$wineserver" -p </dev/null >/dev/null 2>&1
# The first program after that takes a minute or more to start; let it be this one.
"$wine64" cmd.exe /c exit </dev/null >/dev/null 2>&1
