# SPDX-License-Identifier: MIT
import sys

if sys.version_info >= (3, 12):
    from collections.abc import Buffer
else:
    from typing_extensions import Buffer

__version__: str

def largest(values: Buffer, /) -> int | float: ...
def largest_index(values: Buffer, /) -> int: ...
