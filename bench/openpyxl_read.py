#!/usr/bin/env python3
"""Reads every value of the first worksheet of an xlsx file with openpyxl in read-only mode: the
yardstick bench_load compares the workbook loader with.

    python3 bench/openpyxl_read.py FILE
"""
import sys

import openpyxl


def main():
    workbook = openpyxl.load_workbook(sys.argv[1], read_only=True, data_only=True)
    sheet = workbook.worksheets[0]
    count = 0
    for row in sheet.iter_rows(values_only=True):
        for _value in row:
            count += 1
    workbook.close()
    print(count)


if __name__ == "__main__":
    main()
