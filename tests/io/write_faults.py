#!/usr/bin/python3
"""Runs every command of veltra-cli that writes a file with one step of the write failing
(a preload library makes the Nth call of write, fdatasync, close, rename or fsync fail),
for every N the command reaches, and checks that the old file stays whole, the command
exits with status 1 naming the file, and no temporary file is left. Then checks that the
targets which are not regular files (a FIFO, a character device, a symbolic link to a
FIFO) are refused and stay what they were, and that a symbolic link to a regular file
has that file replaced.

Usage: write_faults.py VELTRA_CLI FAULT_SHIM SAMPLE_DIR
"""
import os
import shutil
import stat
import subprocess
import sys
import tempfile

STEPS = ['write', 'fdatasync', 'close', 'rename', 'fsync']
OLD = b'the old contents\n'

# A scenario of the sample's body weights by age, for the commands that run one.
SCENARIO = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data', 'scenarios',
                        'body_weight_ages.vscenario.json')

# Each command: a name, the arguments after --db DIR, and the file it writes (relative to
# DIR). The old file is not a valid table or report, so the new one always differs.
COMMANDS = [
    ('report RTF', ['report', '1046', '-o', 'out.rtf'], 'out.rtf'),
    ('report PDF', ['report', '1046', '-o', 'out.pdf'], 'out.pdf'),
    ('index', ['index'], 'veltraIndex.xml'),
    ('dump --save-as', ['dump', 'topics.xml', '--save-as', 'saved.xml'], 'saved.xml'),
    ('dump --save-as plain', ['dump', 'topics.xml', '--save-as', 'saved.xml', '--form', 'plain'],
     'saved.xml'),
    ('simulate --script', ['simulate', SCENARIO, '--script', 'python', '-o', 'out.py'], 'out.py'),
    ('simulate --report', ['simulate', SCENARIO, '--iterations', '1000', '--report', 'out.rtf'],
     'out.rtf'),
]

failures = []


def fail(message):
    failures.append(message)
    print('FAIL: ' + message)


class Runner:
    def __init__(self, cli, shim, sample, root):
        self.cli, self.shim, self.sample, self.root = cli, shim, sample, root

    def fresh_db(self):
        db = os.path.join(self.root, 'db')
        shutil.rmtree(db, ignore_errors=True)
        shutil.copytree(self.sample, db)
        return db

    def run(self, db, args, step=None, n=0):
        env = dict(os.environ, LC_ALL='C.UTF-8', QT_QPA_PLATFORM='offscreen')
        count = os.path.join(self.root, 'count')
        if step:
            env.update(LD_PRELOAD=self.shim, VELTRA_FAULT_CALL=step, VELTRA_FAULT_N=str(n),
                       VELTRA_FAULT_DIR=db, VELTRA_FAULT_COUNT=count)
        result = subprocess.run([self.cli, '--db', db] + args, cwd=db, env=env,
                                capture_output=True, timeout=120)
        calls = None
        if step:
            with open(count) as source:
                calls = int(source.read())
            os.remove(count)
        return result, calls


def check_faults(runner):
    for name, args, target in COMMANDS:
        for step in STEPS:
            db = runner.fresh_db()
            path = os.path.join(db, target)
            with open(path, 'wb') as out:
                out.write(OLD)
            names = sorted(os.listdir(db))
            result, calls = runner.run(db, args, step, 0)
            where = '%s, %s' % (name, step)
            if result.returncode != 0:
                fail('%s: the run without a fault failed: %s' % (where, result.stderr))
                continue
            with open(path, 'rb') as source:
                if source.read() == OLD:
                    fail('%s: the run without a fault left the old file' % where)
            if calls < 1:
                fail('%s: the command never calls %s on its file' % (where, step))
            print('%s: %d calls' % (where, calls))
            for n in range(1, calls + 1):
                with open(path, 'wb') as out:
                    out.write(OLD)
                result, _ = runner.run(db, args, step, n)
                at = '%s #%d' % (where, n)
                stderr = result.stderr.decode('utf-8', 'replace')
                if result.returncode != 1:
                    fail('%s: exit status %d' % (at, result.returncode))
                if 'cannot write "' not in stderr or target not in stderr:
                    fail('%s: the message does not name the file: %r' % (at, stderr))
                with open(path, 'rb') as source:
                    if source.read() != OLD:
                        fail('%s: the old file was changed' % at)
                if sorted(os.listdir(db)) != names:
                    fail('%s: files left behind: %s' % (at, sorted(set(os.listdir(db)) - set(names))))


def check_targets(runner):
    db = runner.fresh_db()
    fifo = os.path.join(db, 'fifo.rtf')
    os.mkfifo(fifo)
    link = os.path.join(db, 'link.rtf')
    os.symlink(fifo, link)
    device = os.path.join(db, 'null.rtf')
    targets = [(fifo, 'a FIFO', stat.S_ISFIFO), (link, 'a FIFO', stat.S_ISFIFO)]
    try:
        os.mknod(device, 0o666 | stat.S_IFCHR, os.makedev(1, 3))
        targets.append((device, 'a character device', stat.S_ISCHR))
    except PermissionError:
        print('note: no character device made (not permitted here)')
    for path, kind, is_kind in targets:
        for suffix in ('', '.pdf'):
            name = path
            if suffix:
                name = path + suffix
                if os.path.lexists(name):
                    os.remove(name)
                os.symlink(path, name)
            result, _ = runner.run(db, ['report', '1046', '-o', name])
            stderr = result.stderr.decode('utf-8', 'replace')
            expected = 'cannot write "%s": it is %s, not a regular file' % (name, kind)
            if result.returncode != 1 or expected not in stderr:
                fail('report -o %s: status %d, %r' % (name, result.returncode, stderr))
            if not is_kind(os.stat(path).st_mode):
                fail('report -o %s replaced it' % name)
    if not stat.S_ISLNK(os.lstat(link).st_mode):
        fail('the symbolic link to the FIFO was replaced')

    # A link to a regular file: the file gets the report, the link stays a link.
    real = os.path.join(db, 'real.rtf')
    with open(real, 'wb') as out:
        out.write(OLD)
    os.chmod(real, 0o640)
    linked = os.path.join(db, 'linked.rtf')
    os.symlink(real, linked)
    result, _ = runner.run(db, ['report', '1046', '-o', linked])
    if result.returncode != 0:
        fail('report -o LINK: %r' % result.stderr)
    with open(real, 'rb') as source:
        if not source.read().startswith(b'{\\rtf'):
            fail('report -o LINK did not write the linked file')
    if not stat.S_ISLNK(os.lstat(linked).st_mode):
        fail('report -o LINK replaced the link')
    if stat.S_IMODE(os.stat(real).st_mode) != 0o640:
        fail('report -o LINK changed the mode of the file')


def check_search_without_index_file(runner):
    # Where the index cannot be written the search still runs, on an index made in memory.
    db = runner.fresh_db()
    written, _ = runner.run(db, ['search', 'weight'])
    os.remove(os.path.join(db, 'veltraIndex.xml'))
    result, calls = runner.run(db, ['search', 'weight'], 'write', 1)
    if calls < 1:
        fail('search: the index file was not written')
    if result.returncode != 0 or result.stdout != written.stdout or not written.stdout:
        fail('search without an index file: status %d, %r' % (result.returncode, result.stderr))
    if os.path.exists(os.path.join(db, 'veltraIndex.xml')):
        fail('search: an index file was left although its write failed')


def main():
    cli, shim, sample = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as root:
        runner = Runner(cli, shim, sample, os.path.realpath(root))
        check_faults(runner)
        check_targets(runner)
        check_search_without_index_file(runner)
    if failures:
        print('%d failures' % len(failures))
        return 1
    print('every write checked')
    return 0


if __name__ == '__main__':
    sys.exit(main())
