#!/usr/bin/python3
"""Reads a CSV table with ";" separators from standard input (UTF-8) with Python's own
csv reader and prints its records as one JSON list of lists of cells.

Usage: csv_cells.py < table.csv
"""
import csv
import io
import json
import sys

# newline='' hands line breaks inside quoted cells to the reader unchanged.
source = io.TextIOWrapper(sys.stdin.buffer, encoding='utf-8', newline='')
records = list(csv.reader(source, delimiter=';', quotechar='"', doublequote=True, strict=True))
json.dump(records, sys.stdout)
