#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""What giving up the GIL costs a call of quorvel.largest, by size: the
module is built twice against a build's static library, once giving the GIL
up for every buffer and once for none, and the two are timed in turn in one
process; each figure is the median over the rounds.

    cmake --workflow --preset release
    /usr/bin/python3 bench/python_gil.py build/release
"""

import importlib.util
import pathlib
import statistics
import subprocess
import sys
import sysconfig
import tempfile
import time

import numpy

SIZES = (4 << 10, 16 << 10, 32 << 10, 64 << 10, 128 << 10, 256 << 10, 1 << 20)
TYPES = ("int8", "int32", "float64")


def build(build_folder, folder, release_bytes):
    source = pathlib.Path(__file__).resolve().parent.parent
    module = folder / f"{release_bytes}" / "_quorvel.abi3.so"
    module.parent.mkdir()
    subprocess.run(["cc", "-O2", "-shared", "-fPIC", "-DPy_LIMITED_API=0x030B0000",
                    '-DQUORVEL_MODULE_VERSION="gil"', f"-DQUORVEL_RELEASE_GIL_BYTES={release_bytes}",
                    f"-I{sysconfig.get_path('include')}", f"-I{source / 'include'}",
                    f"-I{build_folder / 'include'}", str(source / "python" / "quorvel_module.c"),
                    str(build_folder / "libquorvel.a"), "-lstdc++", "-Wl,--exclude-libs,ALL",
                    "-o", str(module)], check=True)
    location = importlib.util.spec_from_file_location("_quorvel", module)
    return importlib.util.module_from_spec(location).largest


def main():
    build_folder = pathlib.Path(sys.argv[1]).resolve()
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        searches = {"kept": build(build_folder, folder, 1 << 62), "given up": build(build_folder, folder, 0)}
        print("| size | type | GIL kept | GIL given up | cost |")
        print("|---|---|---|---|---|")
        for size in SIZES:
            for dtype in TYPES:
                values = numpy.ones(size // numpy.dtype(dtype).itemsize, dtype)
                times = {name: [] for name in searches}
                for _ in range(31):
                    for name, search in searches.items():
                        calls = max(1, (2 << 20) // size)
                        start = time.perf_counter_ns()
                        for _ in range(calls):
                            search(values)
                        times[name].append((time.perf_counter_ns() - start) / calls)
                kept, given = (statistics.median(times[name]) for name in searches)
                print(f"| {size >> 10} KiB | {dtype} | {kept:.0f} ns | {given:.0f} ns "
                      f"| {given - kept:.0f} ns ({(given - kept) / kept:.1%}) |")


if __name__ == "__main__":
    main()
