#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The Python package against numpy's max, argmax, min and argmin, in one process: for
each type and size, and for each search along an axis that people ask of,
every contender is timed in turn, round after round, so that the machine's
drift falls on all of them alike; each figure is the median over the rounds.
Prints two Markdown tables of ratios, with the CPU.

    cmake --workflow --preset release
    env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE PYTHONPATH=build/release/python \\
        /usr/bin/python3 bench/python_bench.py [--rounds N]
"""

import argparse
import platform
import statistics
import sys
import time

import numpy

import quorvel

SIZES = (("16 KiB", 16 << 10), ("4 MiB", 4 << 20), ("128 MiB", 128 << 20))
TYPES = ("int8", "int16", "int32", "int64", "uint8", "uint16", "uint32", "uint64", "float32",
         "float64")


def cpu():
    fields = {}
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                key, _, value = line.partition(":")
                fields.setdefault(key.strip(), value.strip())
    except OSError:
        pass
    return "{}, family {}, model {}".format(fields.get("model name", platform.processor()),
                                           fields.get("cpu family", "?"), fields.get("model", "?"))


def seconds_per_call(function, values, budget):
    """A call's time, from enough calls to fill `budget` seconds."""
    calls = 1
    while True:
        start = time.perf_counter()
        for _ in range(calls):
            function(values)
        elapsed = time.perf_counter() - start
        if elapsed >= budget:
            return elapsed / calls
        calls *= 2 if elapsed < budget / 8 else max(2, int(budget / elapsed) + 1)


def medians(contenders, values, arguments):
    """Each contender's median time a call on `values`, timed in turn, round
    after round."""
    times = {name: [] for name in contenders}
    for _ in range(arguments.rounds):
        for name, function in contenders.items():
            times[name].append(seconds_per_call(function, values, arguments.budget))
    return {name: statistics.median(runs) for name, runs in times.items()}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--budget", type=float, default=0.02, help="seconds per timing")
    parser.add_argument("--axes-only", action="store_true", help="only the searches along axes")
    arguments = parser.parse_args()
    contenders = {"largest": quorvel.largest, "max": numpy.max,
                  "largest_index": quorvel.largest_index, "argmax": numpy.argmax,
                  "smallest": quorvel.smallest, "min": numpy.min,
                  "smallest_index": quorvel.smallest_index, "argmin": numpy.argmin,
                  "extremes_index": quorvel.extremes_index,
                  "argmin and argmax": lambda values: (numpy.argmin(values), numpy.argmax(values))}
    print(f"CPU: {cpu()}; Python {platform.python_version()}, numpy {numpy.__version__}, "
          f"quorvel {quorvel.__version__}; medians of {arguments.rounds} interleaved rounds\n")
    thp = "unknown"
    try:
        with open("/sys/kernel/mm/transparent_hugepage/enabled") as setting:
            thp = setting.read().strip()
    except OSError:
        pass
    print(f"Transparent huge pages: {thp}\n")
    if not arguments.axes_only:
        whole(contenders, arguments)
    along_axes(arguments)


def whole(contenders, arguments):
    """Speed-ups over numpy, its time over quorvel's, on arrays numpy made
    (on huge pages from 4 MiB, where the kernel offers them)."""
    print("| type | size | largest vs max | smallest vs min | largest_index vs argmax "
          "| smallest_index vs argmin | extremes_index vs argmin and argmax |")
    print("|---|---|---|---|---|---|---|")
    rng = numpy.random.default_rng(1)
    pairs = (("max", "largest"), ("min", "smallest"), ("argmax", "largest_index"),
             ("argmin", "smallest_index"), ("argmin and argmax", "extremes_index"))
    for dtype in TYPES:
        for label, size in SIZES:
            count = size // numpy.dtype(dtype).itemsize
            values = rng.integers(0, 100, count, dtype="int8").astype(dtype)
            m = medians(contenders, values, arguments)
            ratios = " | ".join(f"{m[theirs] / m[ours]:.2f}x" for theirs, ours in pairs)
            print(f"| {dtype} | {label} | {ratios} |")
            sys.stdout.flush()


# Searches along axes: (what, shape, dtype, axis, position?, step, goal as
# numpy's time over quorvel's). A step of 2 searches every other element of
# a base of the shape; its bytes are the base's.
AXES = (
    ("argmax(axis=0), numpy #25846", (3, 589824), "float64", 0, True, 1, 20),
    ("argmax(axis=0), numpy #18512", (100, 960, 1280), "uint8", 0, True, 1, 60),
    ("argmax(axis=0)", (1000, 1000), "float32", 0, True, 1, 10),
    ("argmax(axis=-1), short rows", (65536, 10), "float32", -1, True, 1, 10),
    ("max(axis=1), short rows", (65536, 16), "int32", 1, False, 1, 10),
    ("argmax(axis=-1), class scores", (1024, 1000), "float32", -1, True, 1, 1.5),
    ("max(axis=1)", (1000, 1000), "int32", 1, False, 1, 1.5),
    ("max(axis=0)", (1000, 1000), "float64", 0, False, 1, 1.2),
    ("argmax(axis=-1), from memory", (16384, 1000), "float32", -1, True, 1, 0.9),
    ("max(axis=0), from memory", (10000, 1000), "float64", 0, False, 1, 0.9),
    ("max of a[::2], 4 MiB", (1 << 20,), "int32", None, False, 2, 1.3),
    ("argmax of a[::2], 4 MiB", (1 << 20,), "int32", None, True, 2, 1.3),
    ("max of a[::2], 4 MiB", (1 << 20,), "float32", None, False, 2, 1.3),
    ("argmax of a[::2], 4 MiB", (1 << 20,), "float32", None, True, 2, 1.3),
    ("max of a[::2], 128 MiB", (1 << 25,), "int32", None, False, 2, 1.0),
    ("argmax of a[::2], 128 MiB", (1 << 25,), "int32", None, True, 2, 1.0),
    ("max of a[::2], 128 MiB", (1 << 25,), "float32", None, False, 2, 1.0),
    ("argmax of a[::2], 128 MiB", (1 << 25,), "float32", None, True, 2, 1.0),
)


def along_axes(arguments):
    print("\n| search | shape | type | quorvel | numpy | speed-up | goal |")
    print("|---|---|---|---|---|---|---|")
    rng = numpy.random.default_rng(2)
    for what, shape, dtype, axis, position, step, goal in AXES:
        base = rng.integers(0, 100, shape).astype(dtype)
        values = base[::step] if step > 1 else base
        ours = quorvel.largest_index if position else quorvel.largest
        theirs = numpy.argmax if position else numpy.max
        contenders = {"quorvel": lambda v: ours(v, axis=axis), "numpy": lambda v: theirs(v, axis=axis)}
        m = medians(contenders, values, arguments)

        def shown(seconds):
            return f"{seconds * 1e6:.1f} µs ({base.nbytes / seconds / 1e9:.1f} GB/s)"

        ratio = m["numpy"] / m["quorvel"]
        print(f"| {what} | {'x'.join(map(str, shape))} | {dtype} | {shown(m['quorvel'])} "
              f"| {shown(m['numpy'])} | {ratio:.2f}x{'' if ratio >= goal else ' (missed)'} "
              f"| {goal}x |")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
