#!/usr/bin/env python3
# Prints the upper-case table of base/text.cpp (kUpperCase): each character of the Basic
# Multilingual Plane whose str.upper() is one other character of that plane, as runs of
# {first, last, step, delta}. Windows upper-cases names one UTF-16 unit at a time, so a
# character that upper-cases to several (German sharp s) or leaves the plane stays as it is.
# Run it after a Python with a newer Unicode and paste its output over the table.
import unicodedata

upper = {}
for code in range(0x10000):
    if 0xD800 <= code <= 0xDFFF:
        continue
    mapped = chr(code).upper()
    if len(mapped) == 1 and ord(mapped) <= 0xFFFF and ord(mapped) != code:
        upper[code] = ord(mapped)

runs = []  # [first, last, step, delta]; step 0 until a run has its second character
for code in sorted(upper):
    delta = upper[code] - code
    if runs:
        run = runs[-1]
        gap = code - run[1]
        if run[3] == delta and (gap == run[2] or (run[2] == 0 and gap in (1, 2))):
            run[1], run[2] = code, gap
            continue
    runs.append([code, code, 0, delta])

print(f"    // Unicode {unicodedata.unidata_version}: {len(upper)} characters in {len(runs)} runs.")
cells = [f"{{0x{f:04X}, 0x{l:04X}, {max(s, 1)}, {d}}}," for f, l, s, d in runs]
for at in range(0, len(cells), 3):
    print("    " + " ".join(cells[at:at + 3]))
