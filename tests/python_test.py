# SPDX-License-Identifier: MIT
"""The Python package against numpy's max, argmax, min and argmin, over the
buffers people pass it, through each of its errors, and while another thread writes
the array. Run with the build's python folder on PYTHONPATH, under
`python3 -X dev -W error`, so that any warning fails."""

import array
import ctypes
import math
import random
import subprocess
import sys
import threading
import unittest

import quorvel

try:
    import numpy
except ImportError:
    numpy = None

needs_numpy = unittest.skipUnless(numpy, "numpy not found (Debian: python3-numpy)")
SEARCHES = (quorvel.largest, quorvel.largest_index, quorvel.smallest, quorvel.smallest_index)
# Each end: the package's value and position searches, and numpy's names for them.
ENDS = ((quorvel.largest, quorvel.largest_index, "max", "argmax"),
        (quorvel.smallest, quorvel.smallest_index, "min", "argmin"))
BOTH_ENDS = (quorvel.extremes, quorvel.extremes_index)
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
                yield "low ties", rng.integers(info.min, info.min + 2, length, dtype=dtype, endpoint=True)
                yield "lowest", numpy.full(length, info.min, dtype=dtype)
                yield "highest", numpy.full(length, info.max, dtype=dtype)

    def test_every_type_gives_numpys_max_argmax_min_and_argmin(self):
        rng = numpy.random.default_rng(2026)
        for dtype in NUMPY_TYPES:
            expected_type = float if numpy.dtype(dtype).kind == "f" else int
            for fill, values in self.arrays(dtype, rng):
                with self.subTest(dtype=dtype, fill=fill, length=len(values)):
                    expected = []
                    for value, index, numpy_value, numpy_index in ENDS:
                        expected.append((expected_type(getattr(numpy, numpy_value)(values)),
                                         getattr(numpy, numpy_index)(values)))
                        self.assertTrue(same(value(values), expected[-1][0]))
                        self.assertEqual(index(values), expected[-1][1])
                    (high, high_at), (low, low_at) = expected
                    lowest, highest = quorvel.extremes(values)
                    self.assertTrue(same(lowest, low) and same(highest, high), (lowest, highest))
                    self.assertEqual(quorvel.extremes_index(values), (low_at, high_at))

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


def layouts(base):
    """The views of the same numbers that numpy hands over without a copy,
    and two it cannot make aligned: (name, view), each equal to `base`."""
    flip = tuple(slice(None, None, -1) for _ in base.shape)
    double = numpy.zeros(tuple(2 * n for n in base.shape), base.dtype)
    double[tuple(slice(None, None, 2) for _ in base.shape)] = base
    yield "C order", base
    yield "Fortran order", numpy.asfortranarray(base)
    yield "transposed", numpy.ascontiguousarray(base.T).T
    yield "stepped", double[tuple(slice(None, None, 2) for _ in base.shape)]
    reversed_ = numpy.ascontiguousarray(base[flip])
    yield "reversed", reversed_[flip]
    if base.ndim and base.shape[0]:
        yield "broadcast", numpy.broadcast_to(base[:1], base.shape)
    raw = numpy.zeros(base.nbytes + 1, "uint8")
    unaligned = numpy.frombuffer(raw, base.dtype, base.size, offset=1).reshape(base.shape)
    unaligned[...] = base
    yield "unaligned", unaligned
    packed = numpy.zeros(base.size, [("pad", "u1"), ("value", base.dtype)])
    packed["value"] = base.ravel()
    yield "byte strides", packed["value"].reshape(base.shape)


def expected_of(function, values, axis, keepdims):
    try:
        return function(values, axis=axis, keepdims=keepdims)
    except ValueError as error:
        return type(error)


@needs_numpy
class AlongAxes(unittest.TestCase):
    SHAPES = ((), (7,), (3, 5), (2, 3, 4), (2, 1, 3, 5), (5, 37), (33, 6), (3, 129), (4, 0), (0,))

    def assertAnswers(self, search, reference, values, axis, keepdims):
        expected = expected_of(reference, values, axis, keepdims)
        if isinstance(expected, type):
            self.assertRaises(expected, search, values, axis=axis, keepdims=keepdims)
            return
        found = search(values, axis=axis, keepdims=keepdims)
        if axis is None and not keepdims:
            self.assertTrue(same(found, expected.item()), (found, expected))
            return
        # An array where numpy gives one, else a numpy scalar, of its dtype.
        self.assertIs(type(found), type(expected))
        as_array = numpy.asarray(found)
        self.assertEqual(as_array.shape, numpy.shape(expected))
        self.assertEqual(as_array.dtype, numpy.asarray(expected).dtype)
        self.assertTrue(numpy.array_equal(as_array, expected, equal_nan=as_array.dtype.kind == "f"),
                        (found, expected))

    def fills(self, dtype, shape, rng):
        """Ties, and for floats NaNs too (no zeros, whose signs numpy does
        not tell apart)."""
        if numpy.dtype(dtype).kind == "f":
            ties = rng.integers(1, 4, shape).astype(dtype)
            yield "ties", ties
            nan = ties.copy()
            if nan.size:
                nan.flat[rng.integers(0, nan.size, 2)] = numpy.nan
            yield "NaN", nan
        else:
            info = numpy.iinfo(dtype)
            yield "ties", rng.integers(info.max - 2, info.max, shape, dtype=dtype, endpoint=True)
            yield "low ties", rng.integers(info.min, info.min + 2, shape, dtype=dtype, endpoint=True)

    def assertBothEnds(self, values):
        """extremes and extremes_index of the whole, as numpy's min and max
        or argmin and argmax together."""
        if not values.size:
            for both in BOTH_ENDS:
                self.assertRaises(ValueError, both, values)
            return
        lowest, highest = quorvel.extremes(values)
        self.assertTrue(same(lowest, values.min().item()) and same(highest, values.max().item()))
        self.assertEqual(quorvel.extremes_index(values), (numpy.argmin(values), numpy.argmax(values)))

    def test_every_axis_layout_and_type_gives_numpys_answer(self):
        rng = numpy.random.default_rng(30)
        for dtype in NUMPY_TYPES:
            for shape in self.SHAPES:
                ndim = len(shape)
                axes = [None, *range(-ndim, ndim)] if ndim else [None, 0, -1]
                tuples = [(), tuple(range(ndim)), (0, ndim - 1)] if ndim >= 2 else []
                for fill, base in self.fills(dtype, shape, rng):
                    for layout, values in layouts(base):
                        with self.subTest(dtype=dtype, shape=shape, fill=fill, layout=layout):
                            self.assertBothEnds(values)
                        for (value, index, numpy_value, numpy_index), keepdims in (
                                (end, keepdims) for end in ENDS for keepdims in (False, True)):
                            with self.subTest(dtype=dtype, shape=shape, fill=fill, layout=layout,
                                              search=value.__name__, keepdims=keepdims):
                                for axis in axes:
                                    self.assertAnswers(value, getattr(numpy, numpy_value), values, axis,
                                                       keepdims)
                                    self.assertAnswers(index, getattr(numpy, numpy_index), values, axis,
                                                       keepdims)
                                for axis in tuples:
                                    self.assertAnswers(value, getattr(numpy, numpy_value), values, axis,
                                                       keepdims)

    def test_the_first_highest_in_c_order_whatever_the_memory_order(self):
        self.assertEqual(quorvel.largest_index(numpy.array([[1, 9], [9, 1], [0, 0]]).T), 1)
        # The highest, or a NaN, twice in each of the outer pieces of views
        # whose memory order differs from their C order.
        rng = numpy.random.default_rng(31)
        for shape in ((3, 4, 70), (2, 3, 4, 33)):
            for special in (numpy.inf, -numpy.inf, numpy.nan):
                base = rng.integers(1, 4, shape).astype("float32")
                for piece in numpy.ndindex(*shape[:-2]):
                    where = rng.integers(0, shape[-2] * shape[-1], 2)
                    base[piece].flat[where] = special
                for layout, values in layouts(base):
                    with self.subTest(shape=shape, special=special, layout=layout):
                        self.assertBothEnds(values)
                        for _, index, _, numpy_index in ENDS:
                            self.assertEqual(index(values), getattr(numpy, numpy_index)(values))
                            for axis in range(-len(shape), len(shape)):
                                self.assertAnswers(index, getattr(numpy, numpy_index), values, axis, False)

    def test_the_shapes_people_ask_of(self):
        rng = numpy.random.default_rng(32)
        cases = (((3, 5000), "float64", 0), ((10, 96, 128), "uint8", 0), ((300, 300), "float32", 0),
                 ((6553, 10), "float32", -1), ((6553, 16), "int32", 1), ((64, 1000), "float32", -1))
        for shape, dtype, axis in cases:
            values = rng.integers(0, 200, shape).astype(dtype)
            for value, index, numpy_value, numpy_index in ENDS:
                with self.subTest(shape=shape, dtype=dtype, axis=axis, search=value.__name__):
                    self.assertAnswers(value, getattr(numpy, numpy_value), values, axis, False)
                    self.assertAnswers(index, getattr(numpy, numpy_index), values, axis, False)
        for base in (numpy.arange(1 << 16, dtype="int32"), numpy.arange(1 << 16, dtype="float32")):
            values = base[::2]
            self.assertBothEnds(values)
            for value, index, numpy_value, numpy_index in ENDS:
                self.assertEqual(value(values), getattr(numpy, numpy_value)(values))
                self.assertEqual(index(values), getattr(numpy, numpy_index)(values))


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
    """(description, object, keyword arguments, exception, what the message
    says)."""
    accepted = "b h i l q B H I L Q f d"
    rows = [(f"not a buffer: {type(value).__name__}", value, {}, TypeError, "int8")
            for value in (None, "text", [1, 2], 7)]
    rows += [("format ?", memoryview(b"\x00\x01").cast("?"), {}, TypeError, "'?' and size 1; it takes int8"),
             ("empty bytes", b"", {}, ValueError, "arg is an empty buffer"),
             ("empty array.array", array.array("i"), {}, ValueError, "arg is an empty buffer"),
             ("axis of a float", b"ab", {"axis": 0.0}, TypeError, "integer axis"),
             ("axis True", b"ab", {"axis": True}, TypeError, "integer axis"),
             ("axis as a list", b"ab", {"axis": [0]}, TypeError, "integer axis"),
             ("axis out of range", b"ab", {"axis": 1}, quorvel.AxisError,
              "axis 1 is out of bounds for array of dimension 1"),
             ("negative axis out of range", b"ab", {"axis": -2}, IndexError,
              "axis -2 is out of bounds for array of dimension 1"),
             ("keyword not taken", b"ab", {"out": None}, TypeError, "out")]
    swapped_int = ctypes.c_int32.__ctype_be__ if sys.byteorder == "little" else ctypes.c_int32.__ctype_le__
    rows.append(("ctypes array in the other byte order", (swapped_int * 3)(), {}, ValueError, "byte order"))
    if numpy is not None:
        rows += [(f"format {dtype}", numpy.zeros(3, dtype), {}, TypeError, accepted)
                 for dtype in ("float16", "complex64", "object", "bool", "i4,i4")]
        swapped = "big" if sys.byteorder == "little" else "little"
        rows += [(f"byte order {dtype}", numpy.arange(4).astype(dtype), {}, ValueError, ".astype")
                 for dtype in (numpy.dtype(t).newbyteorder(swapped) for t in ("int32", "float64"))]
        grid = numpy.arange(12, dtype="int32").reshape(3, 4)
        rows += [("empty numpy", numpy.zeros((3, 0)), {}, ValueError, "arg is an empty buffer"),
                 ("empty numpy, keepdims", numpy.zeros((3, 0)), {"keepdims": True}, ValueError,
                  "arg is an empty buffer"),
                 ("along an axis of length 0", numpy.zeros((3, 0)), {"axis": 1}, ValueError,
                  "along axis 1, which has length 0"),
                 ("along an axis of length 0, the result empty", numpy.zeros((0, 0)), {"axis": -1},
                  ValueError, "along axis 1, which has length 0"),
                 ("axis 2 of a matrix", grid, {"axis": 2}, ValueError,
                  "axis 2 is out of bounds for array of dimension 2"),
                 ("axis 1 of a 0-d array", numpy.array(3), {"axis": 1}, quorvel.AxisError,
                  "axis 1 is out of bounds for array of dimension 0"),
                 # Large enough that a search of it would give the GIL up.
                 ("axis out of range of 1 MiB", numpy.arange(1 << 17, dtype="float64")[::2],
                  {"axis": 3}, quorvel.AxisError, "out of bounds")]
    return rows


TUPLE_ROWS = [("repeated axis", (0, 0), ValueError, "duplicate value in 'axis'"),
              ("repeated axis, one negative", (1, -1), ValueError, "duplicate value in 'axis'"),
              ("axis out of range in a tuple", (0, 2), quorvel.AxisError, "axis 2 is out of bounds"),
              ("a bool in a tuple", (0, False), TypeError, "integer axis")]


class Errors(unittest.TestCase):
    def check(self, search, description, values, kwargs, exception, says):
        with self.subTest(description, search=search.__name__):
            buffer = not description.startswith("not a buffer")
            references = sys.getrefcount(values)
            with self.assertRaises(exception) as raised:
                search(values, **kwargs)
            message = str(raised.exception)
            if "keyword" not in description:
                self.assertTrue(message.startswith(f"{search.__name__}() ") or "axis" in message, message)
            self.assertIn(says, message)
            del raised
            # The buffer is released: no reference to the exporter is left
            # behind, and a bytearray can grow again.
            if buffer:
                self.assertEqual(sys.getrefcount(values), references)

    def test_each_error_has_its_exception_and_message(self):
        for description, values, kwargs, exception, says in error_rows():
            for search in SEARCHES + (BOTH_ENDS if not kwargs else ()):
                self.check(search, description, values, kwargs, exception, says)
        matrix = array.array("h", range(6))
        grid = memoryview(matrix).cast("B").cast("h", (2, 3))
        for value, index, _, _ in ENDS:
            for description, axis, exception, says in TUPLE_ROWS:
                self.check(value, description, grid, {"axis": axis}, exception, says)
            self.check(index, "a tuple of axes", grid, {"axis": (0,)}, TypeError, "not a tuple")
        for both in BOTH_ENDS:
            self.check(both, "an axis keyword", b"ab", {"axis": 0}, TypeError, "no keyword arguments")
        empty = bytearray()
        self.assertRaises(ValueError, quorvel.largest, empty)
        empty.append(7)
        self.assertEqual(quorvel.largest(empty), 7)

    def test_arguments_are_checked_as_pythons_own_functions_check_them(self):
        for search in SEARCHES:
            for args, kwargs, says in (((), {}, "but 0 were given"),
                                       ((b"ab", None, None), {}, "but 3 were given"),
                                       ((b"ab", None), {"axis": None}, "multiple values for argument 'axis'")):
                with self.subTest(search=search.__name__, says=says):
                    with self.assertRaises(TypeError) as raised:
                        search(*args, **kwargs)
                    self.assertIn(says, str(raised.exception))

    def test_axis_error_is_a_value_error_and_an_index_error(self):
        self.assertTrue(issubclass(quorvel.AxisError, ValueError))
        self.assertTrue(issubclass(quorvel.AxisError, IndexError))

    def test_without_numpy_an_axis_raises_import_error_and_the_rest_works(self):
        script = ("import sys; sys.modules['numpy'] = None; import quorvel\n"
                  "assert quorvel.largest(b'\\x01\\x09\\x03') == 9\n"
                  "try:\n    quorvel.largest(b'\\x01', axis=0)\n"
                  "except ImportError as error:\n    print(error)\n")
        done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                              timeout=60, check=False)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("python3-numpy", done.stdout)


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
                self.assertLess(max(quorvel.extremes_index(values)), len(values))
        finally:
            stop.set()
            writer.join(timeout=60)
        self.assertFalse(writer.is_alive())


if __name__ == "__main__":
    unittest.main(verbosity=2)
