"""The files a Linux installation needs: the desktop entry passes desktop-file-validate,
the manual page of veltra-cli renders without warnings and describes every command that
veltra-cli --help lists.

    check_packaging.py PACKAGING_DIR VELTRA_CLI [BUILD_DIR]

With BUILD_DIR, also installs the build into a temporary folder (cmake --install
--prefix) and checks that every installed file is in place.
"""
import os
import re
import subprocess
import sys
import tempfile

INSTALLED = ["bin/veltra-cli", "bin/veltra", "share/applications/veltra.desktop",
             "share/icons/hicolor/scalable/apps/veltra.svg", "share/man/man1/veltra-cli.1",
             "share/veltra/sample/topics.xml", "share/veltra/sample/para1.xml",
             "share/veltra/sample/daten1a.xml"]


def main():
    packaging, cli = sys.argv[1], sys.argv[2]
    problems = []

    run = subprocess.run(["desktop-file-validate", packaging + "/veltra.desktop"],
                         capture_output=True, text=True)
    if run.returncode != 0 or run.stdout.strip():
        problems.append("veltra.desktop: " + (run.stdout + run.stderr).strip())

    run = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-z", packaging + "/veltra-cli.1"],
                         capture_output=True, text=True)
    if run.returncode != 0 or run.stderr.strip():
        problems.append("veltra-cli.1: " + run.stderr.strip())

    help_text = subprocess.run([cli, "--help"], capture_output=True, text=True,
                               check=True).stdout
    commands = re.findall(r"^  ([a-z][a-z-]*)\b", help_text.split("Commands:")[1], re.M)
    page = open(packaging + "/veltra-cli.1", encoding="utf-8").read().replace("\\-", "-")
    described = set(re.findall(r"^\.B ([a-z][a-z-]*)", page, re.M))
    for command in commands:
        if command not in described:
            problems.append("veltra-cli.1 does not describe the command " + command)

    if len(sys.argv) > 3:
        with tempfile.TemporaryDirectory() as prefix:
            run = subprocess.run(["cmake", "--install", sys.argv[3], "--prefix", prefix],
                                 capture_output=True, text=True)
            if run.returncode != 0:
                problems.append("cmake --install: " + run.stderr.strip())
            for path in INSTALLED:
                if not os.path.isfile(os.path.join(prefix, path)):
                    problems.append("not installed: " + path)
            # The installed command-line program runs on the installed sample.
            run = subprocess.run([os.path.join(prefix, "bin/veltra-cli"), "--db",
                                  os.path.join(prefix, "share/veltra/sample"), "list",
                                  "headlines"], capture_output=True, text=True)
            if run.returncode != 0 or "LIST OF HEADLINES" not in run.stdout:
                problems.append("the installed veltra-cli does not read the installed sample: "
                                + run.stderr.strip())

    for problem in problems:
        print(problem)
    print("%d packaging problem(s)" % len(problems) if problems else "packaging files hold")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
