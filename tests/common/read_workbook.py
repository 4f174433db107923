#!/usr/bin/python3
"""Reads an .xlsx workbook with openpyxl and prints what the tests check as JSON:
per sheet its name, frozen cell, column widths and every cell's type, value, number
format and boldness."""
import json
import sys

import openpyxl


def main():
    book = openpyxl.load_workbook(sys.argv[1])
    sheets = []
    for sheet in book.worksheets:
        rows = []
        for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row, max_col=sheet.max_column):
            rows.append([{"type": cell.data_type, "value": cell.value,
                          "format": cell.number_format, "bold": bool(cell.font.b)}
                         for cell in row])
        widths = {letter: dim.width for letter, dim in sheet.column_dimensions.items()
                  if dim.customWidth}
        sheets.append({"name": sheet.title, "freeze": sheet.freeze_panes,
                       "widths": widths, "rows": rows})
    json.dump({"sheets": sheets}, sys.stdout)


if __name__ == "__main__":
    main()
