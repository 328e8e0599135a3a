#!/usr/bin/env python3
"""The yardstick for `corvilab-cli convert`: a plain script with the csv module that reads a .4ch
data file (Windows-1252, TAB after every field) and writes its rows as CSV.

    convert_csv.py IN.4ch OUT.csv
"""
import csv
import sys

with open(sys.argv[1], newline="", encoding="cp1252", errors="replace") as src, \
        open(sys.argv[2], "w", newline="", encoding="utf-8") as dst:
    out = csv.writer(dst)
    for row in csv.reader(src, delimiter="\t"):
        out.writerow(row[:6])
