# SPDX-License-Identifier: MIT
"""Calls the shared library's C interface from Python through ctypes.

Usage: python3 tests/ctypes_test.py PATH_TO_LIBQUORVEL_SO
"""
import ctypes
import sys

quorvel = ctypes.CDLL(sys.argv[1])
search = quorvel.quorvel_largest_element
search.argtypes = [ctypes.POINTER(ctypes.c_int32), ctypes.c_int32]
search.restype = ctypes.c_int32

cases = [
    ([3, -8, 41, 7, -2147483648], 41),
    ([-2147483648, 0, 2147483647], 2147483647),  # the highest last
    ([-5] * 1000, -5),
    ([], -2147483648),
]
for values, highest in cases:
    array = (ctypes.c_int32 * len(values))(*values)
    found = search(array, len(values))
    if found != highest:
        sys.exit(f"FAIL: {len(values)} values gave {found}, not {highest}")
print("ok: ctypes calls quorvel_largest_element")
