# SPDX-License-Identifier: MIT
"""Calls the shared library's C interface from Python through ctypes, for
every element type. With --numpy, also holds it against numpy's max and
argmax on random arrays of many lengths, with and without NaN (signed zeros
left out: numpy's choice between them depends on its loop).

Usage: python3 tests/ctypes_test.py PATH_TO_LIBQUORVEL_SO SYMBOLS_FILE [--numpy]
"""
import ctypes
import math
import re
import sys

# Every type the symbols file lists a position search for, as ctypes calls it.
with open(sys.argv[2]) as symbols:
    NAMES = re.findall(r"quorvel_largest_element_index_(\w+)@", symbols.read())
FLOATS = {"f32": ctypes.c_float, "f64": ctypes.c_double}
TYPES = {name: FLOATS.get(name) or getattr(ctypes, f"c_{'u' if name[0] == 'u' else ''}int{name[1:]}")
         for name in NAMES}

library = ctypes.CDLL(sys.argv[1])
first = library.quorvel_largest_element
first.argtypes = [ctypes.POINTER(ctypes.c_int32), ctypes.c_int32]
first.restype = ctypes.c_int32
searches = {}
for name, ctype in TYPES.items():
    value = getattr(library, f"quorvel_largest_element_{name}")
    index = getattr(library, f"quorvel_largest_element_index_{name}")
    for function, result in ((value, ctype), (index, ctypes.c_size_t)):
        function.argtypes = [ctypes.POINTER(ctype), ctypes.c_size_t]
        function.restype = result
    searches[name] = (value, index)


def lowest(name):
    if name.startswith("f"):
        return -math.inf
    bits = int(name[1:])
    return -(1 << (bits - 1)) if name.startswith("i") else 0


def check(name, values, expected_value, expected_index):
    value, index = searches[name]
    array = (TYPES[name] * len(values))(*values)
    found = (value(array, len(values)), index(array, len(values)))
    same = found[0] == expected_value or (found[0] != found[0] and expected_value != expected_value)
    if not same or found[1] != expected_index:
        sys.exit(f"FAIL: {name} on {list(values)[:20]} gave {found}, not {(expected_value, expected_index)}")


def fixed_cases():
    for name in TYPES:
        check(name, [3, 8, 41, 7, 41], 41, 2)
        check(name, [0, 1, 2, 100], 100, 3)  # the highest last
        check(name, [5] * 1000, 5, 0)
        check(name, [], lowest(name), 0)
    check("i32", [-2147483648, 0, 2147483647], 2147483647, 2)
    check("u64", [1 << 63, (1 << 64) - 1, 7], (1 << 64) - 1, 1)
    check("f64", [1.0, math.nan, 2.0, math.nan], math.nan, 1)
    for values, highest in (([3, -8, 41, 7, -2147483648], 41), ([], -2147483648)):
        array = (ctypes.c_int32 * len(values))(*values)
        if first(array, len(values)) != highest:
            sys.exit(f"FAIL: quorvel_largest_element on {values}")
    print("ok: ctypes calls the value and position search of every type")


def against_numpy():
    import numpy

    random = numpy.random.default_rng(20261210)
    dtypes = {name: numpy.dtype(TYPES[name]).type for name in TYPES}
    checked = 0
    for name, dtype in dtypes.items():
        value, index = searches[name]
        pointer = ctypes.POINTER(TYPES[name])
        for length in (1, 2, 7, 16, 33, 64, 100, 257, 1000, 4099, 40000, 70001):
            for nans in (0, 1, 3):
                if name.startswith("f"):
                    if nans == 0 and length % 2:
                        array = random.standard_normal(length).astype(dtype)
                    else:
                        array = (random.standard_normal(length) * 10.0 ** random.integers(-40, 40, length)).astype(dtype)
                    array[array == 0] = 1  # no signed zeros
                    array[random.integers(0, length, nans)] = numpy.nan
                    array[random.integers(0, length, 2)] = random.choice([numpy.inf, -numpy.inf])
                elif nans:
                    continue
                else:
                    info = numpy.iinfo(dtype)
                    array = random.integers(info.min, info.max, length, dtype=dtype, endpoint=True)
                data = array.ctypes.data_as(pointer)
                expected = (array.max(), int(array.argmax()))
                found = (value(data, length), index(data, length))
                same = found[0] == expected[0] or (numpy.isnan(expected[0]) and found[0] != found[0])
                if not same or found[1] != expected[1]:
                    sys.exit(f"FAIL: {name}, {length} elements, {nans} NaNs: {found}, numpy {expected}")
                checked += 1
    print(f"ok: every type agrees with numpy's max and argmax on {checked} random arrays")


fixed_cases()
if "--numpy" in sys.argv[3:]:
    against_numpy()
