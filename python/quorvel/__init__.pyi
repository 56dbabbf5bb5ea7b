# SPDX-License-Identifier: MIT
import sys
from typing import Any, Literal, SupportsIndex, overload

if sys.version_info >= (3, 12):
    from collections.abc import Buffer
else:
    from typing_extensions import Buffer

__version__: str

class AxisError(ValueError, IndexError): ...

# Along an axis the answer is a numpy array, or a numpy scalar where it has
# no dimensions; the package does not need numpy to be typed against.
@overload
def largest(values: Buffer, /, axis: None = None, *, keepdims: Literal[False] = False) -> int | float: ...
@overload
def largest(values: Buffer, /, axis: SupportsIndex | tuple[SupportsIndex, ...] | None = None, *,
            keepdims: bool = False) -> Any: ...
@overload
def largest_index(values: Buffer, /, axis: None = None, *, keepdims: Literal[False] = False) -> int: ...
@overload
def largest_index(values: Buffer, /, axis: SupportsIndex | None = None, *,
                  keepdims: bool = False) -> Any: ...
@overload
def smallest(values: Buffer, /, axis: None = None, *, keepdims: Literal[False] = False) -> int | float: ...
@overload
def smallest(values: Buffer, /, axis: SupportsIndex | tuple[SupportsIndex, ...] | None = None, *,
             keepdims: bool = False) -> Any: ...
@overload
def smallest_index(values: Buffer, /, axis: None = None, *, keepdims: Literal[False] = False) -> int: ...
@overload
def smallest_index(values: Buffer, /, axis: SupportsIndex | None = None, *,
                   keepdims: bool = False) -> Any: ...
def extremes(values: Buffer, /) -> tuple[int, int] | tuple[float, float]: ...
def extremes_index(values: Buffer, /) -> tuple[int, int]: ...
