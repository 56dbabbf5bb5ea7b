# SPDX-License-Identifier: MIT
"""The highest and the lowest value of an array of numbers, and where they are.

largest(values, axis=None, *, keepdims=False) and largest_index(values,
axis=None, *, keepdims=False) take a numpy array, array.array, memoryview,
bytes or bytearray of signed or unsigned integers of 8 to 64 bits, float32 or
float64, of any strides, and read it in place, once: whole, or along an axis
as numpy's max and argmax do. smallest() and smallest_index() do the same as
numpy's min and argmin; extremes(values) and extremes_index(values) give both
ends of the whole array, (lowest, highest), from one read.
"""

from ._quorvel import (AxisError, __version__, extremes, extremes_index, largest, largest_index,
                       smallest, smallest_index)

__all__ = ["AxisError", "__version__", "extremes", "extremes_index", "largest", "largest_index",
           "smallest", "smallest_index"]
