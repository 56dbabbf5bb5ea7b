#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The Python package against numpy's max and argmax, in one process: for
each type and size, every contender is timed in turn, round after round, so
that the machine's drift falls on all of them alike; each figure is the
median over the rounds. Prints a Markdown table of ratios, with the CPU.

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
TYPES = ("int32", "int64", "float32", "float64")


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


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--budget", type=float, default=0.02, help="seconds per timing")
    arguments = parser.parse_args()
    contenders = {"largest": quorvel.largest, "max": numpy.max,
                  "largest_index": quorvel.largest_index, "argmax": numpy.argmax}
    print(f"CPU: {cpu()}; Python {platform.python_version()}, numpy {numpy.__version__}, "
          f"quorvel {quorvel.__version__}; medians of {arguments.rounds} interleaved rounds\n")
    print("| type | size | largest | numpy max | value speed-up | largest_index | numpy argmax "
          "| position speed-up |")
    print("|---|---|---|---|---|---|---|---|")
    rng = numpy.random.default_rng(1)
    for dtype in TYPES:
        for label, size in SIZES:
            count = size // numpy.dtype(dtype).itemsize
            values = rng.integers(0, 1 << 20, count).astype(dtype)
            times = {name: [] for name in contenders}
            for _ in range(arguments.rounds):
                for name, function in contenders.items():
                    times[name].append(seconds_per_call(function, values, arguments.budget))
            m = {name: statistics.median(runs) for name, runs in times.items()}

            def shown(seconds):
                return f"{seconds * 1e6:.2f} µs ({size / seconds / 1e9:.1f} GB/s)"

            print(f"| {dtype} | {label} | {shown(m['largest'])} | {shown(m['max'])} "
                  f"| {m['max'] / m['largest']:.2f}x | {shown(m['largest_index'])} "
                  f"| {shown(m['argmax'])} | {m['argmax'] / m['largest_index']:.2f}x |")
            sys.stdout.flush()


if __name__ == "__main__":
    main()
