#!/usr/bin/python3
"""Runs one golden case of veltra-cli and reports each difference from what it expects.

Usage: run_cases.py VELTRA_CLI SAMPLE_DIR TEST_DATA_DIR CASE_DIR

A case is a folder under tests/cli/. It runs veltra-cli once; a case with step folders
(1/, 2/, ...) runs once per step, in order, and a later step may read what an earlier one
wrote. A case folder, or each step folder, holds:

  args        the arguments, one per line (an empty line is an empty argument)
  stdin       what the program reads on standard input (default: nothing)
  status      the expected exit status (default: 0)
  stdout      the exact expected standard output
  stdout-tail the expected last lines of the standard output, for outputs too long to
              keep whole; without stdout and stdout-tail the output must be empty
  stderr      texts, one per line, that must each appear in the standard error; without
              the file the standard error must be empty
  masks       substitutions applied to the actual standard output before it is compared,
              one per line as /REGEX/REPLACEMENT/ (any delimiter character may stand for
              "/"; Python regular expressions, matched line by line), for texts that
              differ from machine to machine such as file dates
  checks      checks of files the run wrote, one per line:
                ascii PATH          every byte of the file is ASCII
                contains PATH TEXT  the file holds TEXT
                same PATH OTHER     the two files hold the same bytes
A case folder may also hold
  setup       lines "copy SOURCE DEST", done before the first run (DEST's folder is made)

In every file {sample} stands for the sample database, {data} for the test data folder
and {tmp} for an empty folder made for the case. The program runs in {tmp} with
LC_ALL=C.UTF-8. The exit status is 0 when every expectation holds.
"""
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile


class Case:
    def __init__(self, cli, sample, data, folder, tmp):
        self.cli = cli
        self.places = {'{sample}': sample, '{data}': data, '{tmp}': tmp}
        self.folder = folder
        self.tmp = tmp
        self.failures = []

    def fill(self, text):
        for placeholder, path in self.places.items():
            text = text.replace(placeholder, path)
        return text

    def read(self, folder, name):
        """The file's text with the placeholders filled in; None when it is absent."""
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            return None
        with open(path, encoding='utf-8', newline='') as source:
            return self.fill(source.read())

    def fail(self, where, message):
        self.failures.append('%s: %s' % (where, message))

    def setup(self):
        text = self.read(self.folder, 'setup')
        for line in (text or '').splitlines():
            words = line.split()
            if not words:
                continue
            if words[0] != 'copy' or len(words) != 3:
                raise ValueError('setup: unknown line %r' % line)
            os.makedirs(os.path.dirname(words[2]) or '.', exist_ok=True)
            shutil.copyfile(words[1], words[2])

    def run_step(self, folder, where):
        args = self.read(folder, 'args')
        if args is None:
            raise ValueError('%s: no args file' % where)
        arguments = args.split('\n')
        if arguments[-1] == '':
            arguments.pop()
        stdin = self.read(folder, 'stdin')
        env = dict(os.environ, LC_ALL='C.UTF-8', LANG='C.UTF-8')
        result = subprocess.run([self.cli] + arguments, cwd=self.tmp, env=env,
                                input=(stdin or '').encode('utf-8'), capture_output=True)
        stdout = result.stdout.decode('utf-8', errors='backslashreplace')
        stderr = result.stderr.decode('utf-8', errors='backslashreplace')

        status = int((self.read(folder, 'status') or '0').strip())
        if result.returncode != status:
            self.fail(where, 'exit status %d, expected %d' % (result.returncode, status))

        for line in (self.read(folder, 'masks') or '').splitlines():
            if line:
                delimiter = line[0]
                parts = line[1:].split(delimiter)
                if len(parts) != 3 or parts[2]:
                    raise ValueError('%s: masks: not /REGEX/REPLACEMENT/: %r' % (where, line))
                pattern = re.compile(parts[0])
                stdout = ''.join(pattern.sub(parts[1], text) + end
                                 for text, end in split_lines(stdout))

        expected = self.read(folder, 'stdout')
        tail = self.read(folder, 'stdout-tail')
        if expected is None and tail is None:
            expected = ''
        if expected is not None and stdout != expected:
            self.fail(where, 'stdout differs:\n' + diff(expected, stdout))
        if tail is not None:
            if not tail:
                raise ValueError('%s: stdout-tail is empty' % where)
            count = len(list(split_lines(tail)))
            actual_tail = ''.join(text + end for text, end in list(split_lines(stdout))[-count:])
            if actual_tail != tail:
                self.fail(where, 'stdout ends otherwise:\n' + diff(tail, actual_tail))

        wanted = self.read(folder, 'stderr')
        if wanted is None:
            if stderr:
                self.fail(where, 'unexpected stderr:\n' + stderr)
        else:
            for text in wanted.splitlines():
                if text and text not in stderr:
                    self.fail(where, 'no "%s" in stderr:\n%s' % (text, stderr))

        for line in (self.read(folder, 'checks') or '').splitlines():
            self.check_file(line, where)

    def check_file(self, line, where):
        if not line:
            return
        kind, _, rest = line.partition(' ')
        path, _, text = rest.partition(' ')
        if kind not in ('ascii', 'contains', 'same'):
            raise ValueError('%s: checks: unknown line %r' % (where, line))
        try:
            with open(path, 'rb') as written:
                content = written.read()
        except OSError as error:
            self.fail(where, 'cannot read %s: %s' % (path, error))
            return
        if kind == 'ascii':
            offset = next((i for i, byte in enumerate(content) if byte > 0x7F), None)
            if offset is not None:
                self.fail(where, '%s holds a non-ASCII byte at offset %d' % (path, offset))
        elif kind == 'same':
            try:
                with open(text, 'rb') as other:
                    if other.read() != content:
                        self.fail(where, '%s and %s differ' % (path, text))
            except OSError as error:
                self.fail(where, 'cannot read %s: %s' % (text, error))
        elif text.encode('utf-8') not in content:
            self.fail(where, 'no "%s" in %s' % (text, path))

    def run(self):
        self.setup()
        steps = sorted((name for name in os.listdir(self.folder)
                        if name.isdigit() and os.path.isdir(os.path.join(self.folder, name))),
                       key=int)
        if not steps:
            self.run_step(self.folder, os.path.basename(self.folder))
        for step in steps:
            self.run_step(os.path.join(self.folder, step),
                          '%s step %s' % (os.path.basename(self.folder), step))


def split_lines(text):
    """The lines of a text as (line, "\n" or "" for the last line without one) pairs."""
    lines = text.split('\n')
    for number, line in enumerate(lines):
        end = '\n' if number + 1 < len(lines) else ''
        if line or end:
            yield line, end


def diff(expected, actual):
    return ''.join(difflib.unified_diff(expected.splitlines(True), actual.splitlines(True),
                                        'expected', 'actual'))


def main():
    if len(sys.argv) != 5:
        print(__doc__.split('\n\n')[1], file=sys.stderr)
        return 2
    cli, sample, data, folder = (os.path.abspath(arg) for arg in sys.argv[1:])
    with tempfile.TemporaryDirectory(prefix='veltra-cli-case-') as tmp:
        case = Case(cli, sample, data, folder, tmp)
        case.run()
    for failure in case.failures:
        print('FAIL: ' + failure)
    if case.failures:
        return 1
    print('ok: ' + os.path.basename(folder))
    return 0


if __name__ == '__main__':
    sys.exit(main())
