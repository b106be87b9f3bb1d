#!/usr/bin/env python3
"""Expected values of the kit's tests, computed from the rules alone with exact integers.

Gradient tables: channel = a + round(i * (b - a) / (n - 1)), halves away from zero, for i from
0 (a new table) or 1 (appending a segment) to n - 1; one step is the start colour alone.
Keyed coding: o = b xor (k >> 8); k = (k + o) * 52845 + 22719 (16 bits).
Text coding: "<length>:" and four characters '0'..'o' per three bytes padded with blanks.
Run it to print the tables the tests hold.
"""
from fractions import Fraction


def round_away(value):
    sign = -1 if value < 0 else 1
    magnitude = abs(value)
    whole = magnitude.numerator // magnitude.denominator
    if magnitude - whole >= Fraction(1, 2):
        whole += 1
    return sign * whole


def channels(color):
    return color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF


def interpolate(a, b, count, append):
    if count <= 0:
        return []
    first, last = channels(a), channels(b)
    if count == 1:
        return [] if append else [a]
    table = []
    for i in range(1 if append else 0, count):
        r, g, bl = (first[k] + round_away(Fraction(i * (last[k] - first[k]), count - 1)) for k in range(3))
        table.append(r | (g << 8) | (bl << 16))
    return table


def multi_colour(colors, count):
    if len(colors) <= 1:
        return []
    steps = count // len(colors)
    table = interpolate(colors[0], colors[1], steps, False)
    for i in range(1, len(colors) - 1):
        table += interpolate(colors[i], colors[i + 1], steps, True)
    return table


def keyed(data, key):
    out = bytearray()
    for byte in data:
        coded = byte ^ (key >> 8)
        out.append(coded)
        key = (((key + coded) & 0xFFFF) * 52845 + 22719) & 0xFFFF
    return bytes(out)


def text_encode(data):
    padded = data + b" " * ((3 - len(data) % 3) % 3)
    text = "%d:" % len(data)
    for i in range(0, len(padded), 3):
        d = (padded[i] << 16) | (padded[i + 1] << 8) | padded[i + 2]
        text += "".join(chr(48 + ((d >> shift) & 63)) for shift in (18, 12, 6, 0))
    return text


if __name__ == "__main__":
    hexes = lambda table: "{" + ", ".join("0x%06X" % c for c in table) + "}"
    print("red to blue in 16", hexes(interpolate(0x0000FF, 0xFF0000, 16, False)))
    print("halves upwards", hexes(interpolate(0x000000, 0x0301FF, 3, False)))
    print("halves downwards", hexes(interpolate(0x0301FF, 0x000000, 3, False)))
    print("system colour", hexes(interpolate(0xD1B499, 0xFFFFFF, 4, False)))
    print("thirds", hexes(interpolate(0x102030, 0x0A0B0C, 7, False)))
    print("three colours in ten", hexes(multi_colour([0x0000FF, 0x00FF00, 0xFF0000], 10)))
    print("four colours in 17", hexes(multi_colour([0x000000, 0xFFFFFF, 0x808080, 0x123456], 17)))
    print("one step per pair", hexes(multi_colour([0x0000FF, 0x00FF00, 0xFF0000], 3)))
    for plain, key in [(b"Password", 40716), (b"A", 40716), (b"Zentivor \xe4\xf6\xfc", 1234), (b"\x00\xff\x00", 0)]:
        print(plain, key, keyed(plain, key).hex())
    for data in [b"ab", b"", b"abc", b"\x00\xff\x80\x7f", b"Hello, World", b"("]:
        print(data, text_encode(data))
    print("Password keyed, then text coded", text_encode(keyed(b"Password", 40716)))
