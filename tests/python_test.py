# SPDX-License-Identifier: MIT
"""The Python package against numpy's max and argmax, over the buffers
people pass it, through each of its errors, and while another thread writes
the array. Run with the build's python folder on PYTHONPATH, under
`python3 -X dev -W error`, so that any warning fails."""

import array
import ctypes
import math
import random
import sys
import threading
import unittest

import quorvel

try:
    import numpy
except ImportError:
    numpy = None

needs_numpy = unittest.skipUnless(numpy, "numpy not found (Debian: python3-numpy)")
SEARCHES = (quorvel.largest, quorvel.largest_index)
LENGTHS = (1, 2, 3, 7, 8, 15, 16, 17, 31, 33, 63, 64, 65, 127, 129, 255, 1000, 4097, 16385, 70001)
NUMPY_TYPES = ("int8", "int16", "int32", "int64", "uint8", "uint16", "uint32", "uint64",
               "float32", "float64")


def same(found, expected):
    """Equal, counting NaN equal to NaN; and of the same Python type."""
    if isinstance(expected, float) and math.isnan(expected):
        return isinstance(found, float) and math.isnan(found)
    return type(found) is type(expected) and found == expected


@needs_numpy
class AgreesWithNumpy(unittest.TestCase):
    def arrays(self, dtype, rng):
        """Random arrays of every length, spread over the type and with
        many ties, and for floats with NaN; no zeros of either sign, which
        numpy does not tell apart."""
        for length in LENGTHS:
            if numpy.dtype(dtype).kind == "f":
                spread = rng.standard_normal(length).astype(dtype)
                spread[spread == 0] = 1
                yield "spread", spread
                ties = rng.integers(1, 4, length).astype(dtype)
                yield "ties", ties
                for count in (1, 3):
                    nan = ties.copy()
                    nan[rng.integers(0, length, count)] = numpy.nan
                    yield f"{count} NaN", nan
            else:
                info = numpy.iinfo(dtype)
                yield "spread", rng.integers(info.min, info.max, length, dtype=dtype, endpoint=True)
                yield "ties", rng.integers(info.max - 2, info.max, length, dtype=dtype, endpoint=True)
                yield "lowest", numpy.full(length, info.min, dtype=dtype)

    def test_every_type_gives_numpys_max_and_argmax(self):
        rng = numpy.random.default_rng(2026)
        for dtype in NUMPY_TYPES:
            expected_type = float if numpy.dtype(dtype).kind == "f" else int
            for fill, values in self.arrays(dtype, rng):
                with self.subTest(dtype=dtype, fill=fill, length=len(values)):
                    self.assertTrue(same(quorvel.largest(values), expected_type(numpy.max(values))))
                    self.assertEqual(quorvel.largest_index(values), numpy.argmax(values))

    def test_arrays_of_several_dimensions_answer_as_flattened(self):
        rng = numpy.random.default_rng(7)
        for shape in ((1, 1), (3, 4), (17, 33), (2, 3, 129), (1000, 1)):
            for dtype in ("int16", "uint32", "float64"):
                values = rng.integers(0, 50, shape).astype(dtype)
                with self.subTest(shape=shape, dtype=dtype):
                    flat = values.ravel()
                    self.assertEqual(quorvel.largest(values), flat.max())
                    self.assertEqual(quorvel.largest_index(values), numpy.argmax(flat))
        self.assertEqual(quorvel.largest(numpy.array(5.5)), 5.5)


class TakesBuffers(unittest.TestCase):
    def test_array_array_of_every_type_code(self):
        for code in "bhilqBHILQfd":
            values = array.array(code, [3, 1, 4, 1, 5, 9, 2, 6, 9, 3])
            with self.subTest(code=code):
                self.assertTrue(same(quorvel.largest(values), 9.0 if code in "fd" else 9))
                self.assertEqual(quorvel.largest_index(values), 5)
        extremes = {"q": (-2**63, 2**63 - 1), "Q": (0, 2**64 - 1), "l": (-2**31, 2**31 - 1)}
        for code, (low, high) in extremes.items():
            with self.subTest(code=code):
                self.assertEqual(quorvel.largest(array.array(code, [low, high, low])), high)

    def test_contiguous_memoryview_slices(self):
        values = array.array("i", range(100))
        for start, stop in ((0, 100), (10, 20), (99, 100), (37, 38)):
            view = memoryview(values)[start:stop]
            with self.subTest(start=start, stop=stop):
                self.assertEqual(quorvel.largest(view), stop - 1)
                self.assertEqual(quorvel.largest_index(view), stop - start - 1)
        grid = memoryview(array.array("h", range(12))).cast("B").cast("h", (3, 4))
        self.assertEqual((quorvel.largest(grid), quorvel.largest_index(grid)), (11, 11))

    def test_ctypes_arrays_and_explicit_native_formats(self):
        # ctypes spells each type with the byte order, as '<i', at its
        # standard size.
        ctypes_types = (ctypes.c_int8, ctypes.c_int16, ctypes.c_int32, ctypes.c_int64, ctypes.c_uint8,
                        ctypes.c_uint16, ctypes.c_uint32, ctypes.c_uint64, ctypes.c_float, ctypes.c_double)
        views = [(t * 4)(2, 7, 7, 5) for t in ctypes_types]
        views.append(memoryview(array.array("i", [2, 7, 7, 5])).cast("B").cast("@i"))
        for values in views:
            with self.subTest(format=memoryview(values).format):
                self.assertEqual((quorvel.largest(values), quorvel.largest_index(values)), (7, 1))

    def test_bytes_and_bytearray_count_as_uint8(self):
        for values in (b"\x01\xff\x80\xff", bytearray(b"\x01\xff\x80\xff")):
            with self.subTest(values=values):
                self.assertEqual((quorvel.largest(values), quorvel.largest_index(values)), (255, 1))


def error_rows():
    """(description, object, exception, what the message says)."""
    accepted = "b h i l q B H I L Q f d"
    rows = [(f"not a buffer: {type(value).__name__}", value, TypeError, "int8")
            for value in (None, "text", [1, 2], 7)]
    rows += [("format ?", memoryview(b"\x00\x01").cast("?"), TypeError, f"'?' and size 1; it takes int8"),
             ("empty bytes", b"", ValueError, "arg is an empty buffer"),
             ("empty array.array", array.array("i"), ValueError, "arg is an empty buffer"),
             ("strided memoryview", memoryview(b"abcdef")[::2], ValueError, "numpy.ascontiguousarray")]
    swapped_int = ctypes.c_int32.__ctype_be__ if sys.byteorder == "little" else ctypes.c_int32.__ctype_le__
    rows.append(("ctypes array in the other byte order", (swapped_int * 3)(), ValueError, "byte order"))
    if numpy is not None:
        rows += [(f"format {dtype}", numpy.zeros(3, dtype), TypeError, accepted)
                 for dtype in ("float16", "complex64", "object", "bool", "i4,i4")]
        swapped = "big" if sys.byteorder == "little" else "little"
        rows += [(f"byte order {dtype}", numpy.arange(4).astype(dtype), ValueError, ".astype")
                 for dtype in (numpy.dtype(t).newbyteorder(swapped) for t in ("int32", "float64"))]
        grid = numpy.arange(12, dtype="int32").reshape(3, 4)
        rows += [("transposed", grid.T, ValueError, "numpy.ascontiguousarray"),
                 ("every other column", grid[:, ::2], ValueError, "numpy.ascontiguousarray"),
                 ("every other item", numpy.arange(10.0)[::2], ValueError, "numpy.ascontiguousarray"),
                 # Large enough that a search of it would give the GIL up.
                 ("every other of 1 MiB", numpy.arange(1 << 17, dtype="float64")[::2], ValueError,
                  "numpy.ascontiguousarray"),
                 ("empty numpy", numpy.zeros((3, 0)), ValueError, "arg is an empty buffer")]
    return rows


class Errors(unittest.TestCase):
    def test_each_error_has_its_exception_and_message(self):
        for description, values, exception, says in error_rows():
            for search in SEARCHES:
                with self.subTest(description, search=search.__name__):
                    buffer = not description.startswith("not a buffer")
                    references = sys.getrefcount(values)
                    with self.assertRaises(exception) as raised:
                        search(values)
                    message = str(raised.exception)
                    self.assertTrue(message.startswith(f"{search.__name__}() "), message)
                    self.assertIn(says, message)
                    del raised
                    # The buffer is released: no reference to the exporter is
                    # left behind, and a bytearray can grow again.
                    if buffer:
                        self.assertEqual(sys.getrefcount(values), references)
        empty = bytearray()
        self.assertRaises(ValueError, quorvel.largest, empty)
        empty.append(7)
        self.assertEqual(quorvel.largest(empty), 7)


@needs_numpy
class ConcurrentWriter(unittest.TestCase):
    def test_a_buffer_written_while_it_is_searched(self):
        """Every element holds 1 or 2 at every moment; each answer is one of
        them, and each position is inside the array."""
        values = numpy.ones(1 << 20, dtype="int32")
        fills = (numpy.ones_like(values), numpy.full_like(values, 2))
        stop = threading.Event()

        def write():
            turn = 0
            while not stop.is_set():
                numpy.copyto(values, fills[turn % 2])
                values[::7] = 2 - turn % 2
                turn += 1

        writer = threading.Thread(target=write)
        writer.start()
        try:
            for _ in range(200):
                self.assertIn(quorvel.largest(values), (1, 2))
                self.assertLess(quorvel.largest_index(values), len(values))
        finally:
            stop.set()
            writer.join(timeout=60)
        self.assertFalse(writer.is_alive())


if __name__ == "__main__":
    unittest.main(verbosity=2)
