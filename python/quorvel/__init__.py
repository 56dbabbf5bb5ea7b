# SPDX-License-Identifier: MIT
"""The highest value of an array of numbers, and where it is.

largest(values, axis=None, *, keepdims=False) and largest_index(values,
axis=None, *, keepdims=False) take a numpy array, array.array, memoryview,
bytes or bytearray of signed or unsigned integers of 8 to 64 bits, float32 or
float64, of any strides, and read it in place, once: whole, or along an axis
as numpy's max and argmax do.
"""

from ._quorvel import AxisError, __version__, largest, largest_index

__all__ = ["AxisError", "__version__", "largest", "largest_index"]
