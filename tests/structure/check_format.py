#!/usr/bin/python3
"""Checks that every C++ file of the project is formatted by the root .clang-format.

Usage: check_format.py ROOT [CLANG_FORMAT]
Prints the files clang-format would change and exits 1 when there is any; the fix is
`clang-format -i FILE...`.
"""
import os
import subprocess
import sys

FOLDERS = ('src', 'tests', 'bench', 'fuzz', 'tools')


def main():
    root = sys.argv[1]
    tool = sys.argv[2] if len(sys.argv) > 2 else 'clang-format'
    files = []
    for folder in FOLDERS:
        for path, dirs, names in os.walk(os.path.join(root, folder)):
            dirs.sort()
            files += [os.path.join(path, n) for n in sorted(names) if n.endswith(('.cpp', '.h'))]
    # One clang-format run for all files; it names each file it would change.
    result = subprocess.run([tool, '--dry-run', '--Werror', '--style=file'] + files,
                            capture_output=True, text=True)
    unformatted = sorted({line.split(':')[0] for line in result.stderr.splitlines()
                          if ': error: code should be clang-formatted' in line})
    if result.returncode != 0 and not unformatted:
        print(result.stderr)
        return 1
    for path in unformatted:
        print('not formatted: ' + os.path.relpath(path, root))
    print('%d of %d files formatted' % (len(files) - len(unformatted), len(files)))
    return 1 if unformatted else 0


if __name__ == '__main__':
    sys.exit(main())
