#!/usr/bin/python3
"""Checks that the layers of the source tree hold.

Core code is every file under src/ outside a ui/ folder and the widget kit src/widgets/.
It must not include a QtWidgets header nor anything from a ui/ folder or the kit; only src/app/ui/ may include the
main window's header; and veltra-cli must not need the widget library.

Usage: check_layers.py SRC_DIR [--widget-headers DIR] [--cli EXE]
Prints one line per violation ("file:line: ...") and exits 1 when there is any.
"""
import argparse
import os
import re
import subprocess
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# Used when the QtWidgets header folder is not known.
FALLBACK_WIDGET_HEADERS = re.compile(
    r'^(QtWidgets(/.*)?|Q(Widget|MainWindow|Dialog|Application|MessageBox|PushButton|'
    r'LineEdit|Label|Layout|[HV]BoxLayout|GridLayout|TableView|TreeView|ListWidget|'
    r'PlainTextEdit|TextEdit|ComboBox|CheckBox|SpinBox|MenuBar|Menu|StatusBar|'
    r'TabWidget|Splitter|FileDialog|ToolButton|GroupBox|AbstractButton)|q\w+\.h)$')


def widget_header_names(folder):
    names = set()
    for name in os.listdir(folder):
        names.add(name)
        names.add('QtWidgets/' + name)
    names.add('QtWidgets')
    return names


def is_ui_path(relative):
    parts = relative.split(os.sep)
    return 'ui' in parts[:-1] or parts[0] == 'widgets'



def check_sources(src, widget_names):
    problems = []
    for folder, dirs, files in os.walk(src):
        dirs.sort()
        for name in sorted(files):
            if not name.endswith(('.h', '.cpp')):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, src)
            parts = relative.split(os.sep)
            core = not is_ui_path(relative)
            in_app_ui = parts[:2] == ['app', 'ui']
            with open(path, encoding='utf-8', errors='replace') as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    bracket, header = match.groups()
                    where = 'src/%s:%d' % (relative.replace(os.sep, '/'), number)
                    if core:
                        widget = (header in widget_names if widget_names is not None
                                  else bracket == '<' and FALLBACK_WIDGET_HEADERS.match(header))
                        if widget:
                            problems.append('%s: core code includes the widget header <%s>'
                                            % (where, header))
                        if bracket == '"' and ('/ui/' in '/' + header or header.startswith('widgets/')):
                            problems.append('%s: core code includes the window header "%s"'
                                            % (where, header))
                    if header.endswith('app/ui/fMain.h') and not in_app_ui:
                        problems.append('%s: only src/app/ui/ may include "%s"' % (where, header))
    return problems


def check_cli(executable):
    output = subprocess.run(['readelf', '-d', executable], check=True,
                            capture_output=True, text=True).stdout
    needed = re.findall(r'\(NEEDED\)\s+Shared library: \[([^\]]+)\]', output)
    if not needed:
        return ['%s: readelf lists no needed libraries' % executable]
    return ['%s: needs the widget library %s' % (executable, lib)
            for lib in needed if 'Widgets' in lib]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('src')
    parser.add_argument('--widget-headers')
    parser.add_argument('--cli')
    args = parser.parse_args()
    names = widget_header_names(args.widget_headers) if args.widget_headers else None
    problems = check_sources(args.src, names)
    if args.cli:
        problems += check_cli(args.cli)
    for problem in problems:
        print(problem)
    if problems:
        print('%d layer violation(s)' % len(problems))
        return 1
    print('layers hold')
    return 0


if __name__ == '__main__':
    sys.exit(main())
