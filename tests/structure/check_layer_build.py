#!/usr/bin/python3
"""Builds the small layered tree of layer_build/ with the program's layer functions and
checks that the build enforces the layer order: every good probe compiles, every bad
probe fails, and its compiler error names the header it must not reach.

    check_layer_build.py CMAKE_MODULE_DIR

Prints "layer build holds" when every probe behaves."""
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURE = os.path.join(HERE, "layer_build")


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    module_dir = os.path.abspath(sys.argv[1])
    cmake_lists = open(os.path.join(FIXTURE, "CMakeLists.txt"), encoding="utf-8").read()
    probes = re.findall(r"^probe\((\w+) \w+ (\S+)\)", cmake_lists, re.M)
    if not any(name.startswith("bad_") for name, _ in probes):
        print("no bad probes in the fixture", file=sys.stderr)
        return 1
    failures = []
    with tempfile.TemporaryDirectory() as build:
        # The compiler launcher of the surrounding build is left out: the probes are tiny.
        configure = subprocess.run(
            ["cmake", "-S", FIXTURE, "-B", build, f"-DVELTRA_CMAKE_DIR={module_dir}"],
            capture_output=True, text=True)
        if configure.returncode != 0:
            print(configure.stdout + configure.stderr, file=sys.stderr)
            return 1
        for name, source in probes:
            result = subprocess.run(["cmake", "--build", build, "--target", name],
                                    capture_output=True, text=True)
            output = result.stdout + result.stderr
            if name.startswith("good_"):
                if result.returncode != 0:
                    failures.append(f"{name}: does not build:\n{output}")
                continue
            included = re.search(r'#include "([^"]+)"',
                                 open(os.path.join(FIXTURE, source), encoding="utf-8").read())
            if result.returncode == 0:
                failures.append(f"{name}: builds although {source} breaks the layer order")
            elif not included or included.group(1) + ": No such file" not in output:
                failures.append(f"{name}: fails, but not for its include:\n{output}")
            else:
                print(f"{name}: refused ({included.group(1)} is not visible from {source})")
    for failure in failures:
        print(failure)
    if failures:
        print(f"{len(failures)} probe(s) misbehave")
        return 1
    print("layer build holds")
    return 0


if __name__ == "__main__":
    sys.exit(main())
