#!/usr/bin/python3
"""Writes the outside-oracle tables the expression tests read.

dates.txt    year month day | DTOS | YEAR | DESCEND of the date (5231808 - Julian day number)
like.txt     text | pattern | 1 or 0, decided by sqlite3 LIKE with case-sensitive matching
numkeys.txt  value | width | decimals | key text | STR text, rounded half up by decimal
Run it with /usr/bin/python3 from this folder; the output is committed.
"""
import datetime
import decimal
import random
import sqlite3

rng = random.Random(20261210)

with open("dates.txt", "w") as out:
    days = [datetime.date(1, 1, 1), datetime.date(1899, 12, 30), datetime.date(1899, 12, 31),
            datetime.date(1900, 1, 1), datetime.date(1900, 2, 28), datetime.date(1900, 3, 1),
            datetime.date(1970, 1, 1), datetime.date(1999, 12, 31), datetime.date(2000, 2, 29),
            datetime.date(2024, 2, 29), datetime.date(2026, 12, 10), datetime.date(9999, 12, 31)]
    for _ in range(60):
        days.append(datetime.date.fromordinal(rng.randint(1, datetime.date(9999, 12, 31).toordinal())))
    for d in days:
        jdn = d.toordinal() + 1721425
        out.write(f"{d.year} {d.month} {d.day}|{d.strftime('%Y%m%d') if d.year >= 1000 else f'{d.year:04d}{d.month:02d}{d.day:02d}'}|{d.year}|{5231808 - jdn}\n")

connection = sqlite3.connect(":memory:")
connection.execute("PRAGMA case_sensitive_like=ON")
with open("like.txt", "w") as out:
    fixed = [("A", "A%B"), ("ABC", "%BC"), ("ABCX", "%BC"), ("", ""), ("", "%"), ("", "_"), ("ABC", "A%"),
             ("ABC", "A_C"), ("ABCD", "A_C"), ("ABC", "AB"), ("abc", "A%"), ("ABAB", "%AB"), ("AAB", "%A_"),
             ("MISSISSIPPI", "M%SS%PI"), ("MISSISSIPPI", "M%SS%PX"), ("X", "%%"), ("XY", "X%%Y"), ("A", "A%%")]
    cases = list(fixed)
    for _ in range(400):
        text = "".join(rng.choice("ab") for _ in range(rng.randint(0, 6)))
        pattern = "".join(rng.choice("ab%_") for _ in range(rng.randint(0, 5)))
        cases.append((text, pattern))
    for text, pattern in cases:
        result = connection.execute("SELECT ? LIKE ?", (text, pattern)).fetchone()[0]
        out.write(f"{text}|{pattern}|{result}\n")

with open("numkeys.txt", "w") as out:
    values = [0.0, 3.5, -3.5, 2.675, -2.675, 0.125, 0.5, 1.5, 2.5, -0.5, 1.005, 99999.995, 123.456, -123.456,
              1e-7, 12345678.9, 0.045, 1.25, 7.0]
    for _ in range(120):
        values.append(round(rng.uniform(-100000, 100000), rng.randint(0, 5)))
    for v in values:
        for width, decimals in [(5, 2), (10, 2), (8, 0), (12, 3), (6, 1)]:
            exact = decimal.Decimal(repr(v)).quantize(decimal.Decimal(1).scaleb(-decimals), rounding=decimal.ROUND_HALF_UP)
            magnitude = f"{abs(exact):.{decimals}f}"
            if len(magnitude) > width:
                key = "0" * width
                if decimals > 0:
                    key = key[:width - decimals - 1] + "." + key[width - decimals:]
            else:
                key = magnitude.rjust(width, "0")
                if v < 0:
                    key = "".join(chr(92 - ord(c)) for c in key)
            text = magnitude if exact == 0 or v >= 0 else "-" + magnitude
            out.write(f"{repr(v)}|{width}|{decimals}|{key}|{text.rjust(width)}\n")
