# SPDX-License-Identifier: MIT
"""The highest value of an array of numbers, and where it is.

largest(values) and largest_index(values) take a numpy array, array.array,
memoryview, bytes or bytearray of signed or unsigned integers of 8 to 64 bits,
float32 or float64, and read it in place, once.
"""

from ._quorvel import __version__, largest, largest_index

__all__ = ["__version__", "largest", "largest_index"]
