#!/usr/bin/env python3
"""Writes src/dbf/XbDBFCollationTables.cpp: the built-in collation weight tables of the index
engine, one 256-byte table per language, indexed by the byte value of a key in the language's
DOS code page.

Each table is derived from the code page's character map and the language's alphabet:
the bytes are put in one sort order and a byte's weight is its position in that order.

Latin-script languages:
    bytes 0-64 (controls, blank, punctuation, digits, "@") in byte order,
    the capital letters of the language's alphabet,
    bytes 91-96 ("[" to "`") in byte order,
    the small letters of the language's alphabet,
    bytes 123-127 in byte order,
    every byte not placed yet, in byte order.
  The alphabet is A-Z with the language's own letters inserted where the language sorts them;
  a letter the code page lacks is left out.
Greek: bytes 0-127 in byte order, the Greek capitals, the Greek small letters (accented forms
  after their base letter, final sigma after sigma), then every byte not placed yet.
Russian: bytes 0-45 in byte order, digits, Latin capitals, Latin small letters, Cyrillic
  capitals (Yo after Ye), Cyrillic small letters (yo after ye), then every byte not placed yet.
Portuguese: the identity.

Run: scripts/make-collation-tables.py > src/dbf/XbDBFCollationTables.cpp
"""

import subprocess
import sys

LATIN = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"


def code_page_map(name):
    """Unicode character -> byte of the code page (bytes without a character are left out)."""
    result = {}
    for byte in range(256):
        try:
            char = bytes([byte]).decode(name)
        except (LookupError, UnicodeDecodeError):
            run = subprocess.run(["iconv", "-f", name, "-t", "UTF-8"], input=bytes([byte]),
                                 capture_output=True)
            if run.returncode != 0 or not run.stdout:
                continue
            char = run.stdout.decode("utf-8")
        if len(char) == 1 and char not in result:
            result[char] = byte
    return result


def insert_after(alphabet, after, letters):
    """The alphabet (a list of letters) with `letters` inserted right after `after`."""
    position = alphabet.index(after) + 1
    return alphabet[:position] + list(letters) + alphabet[position:]


def latin_alphabet(insertions):
    alphabet = list(LATIN)
    for after, letters in insertions:
        alphabet = insert_after(alphabet, after, letters)
    return alphabet


def latin_table(code_page, capitals, smalls):
    chars = code_page_map(code_page)
    order = list(range(0, 65))
    order += [chars[c] for c in capitals if c in chars]
    order += list(range(91, 97))
    order += [chars[c] for c in smalls if c in chars]
    order += list(range(123, 128))
    return finish(order)


def finish(order):
    seen = set()
    unique = []
    for byte in order:
        if byte not in seen:
            seen.add(byte)
            unique.append(byte)
    unique += [b for b in range(256) if b not in seen]
    assert len(unique) == 256
    weights = [0] * 256
    for rank, byte in enumerate(unique):
        weights[byte] = rank
    return weights


def language(code_page, insertions, small_insertions=()):
    """The table of a Latin-script language: `insertions` place the language's own capitals (and
    with them their small forms); `small_insertions` place letters that have no capital."""
    capitals = latin_alphabet(insertions)
    smalls = [letter.lower() for letter in capitals]
    for after, letters in small_insertions:
        smalls = insert_after(smalls, after, letters)
    return latin_table(code_page, capitals, smalls)


def greek(code_page):
    chars = code_page_map(code_page)
    capitals = "ΑΆΒΓΔΕΈΖΗΉΘΙΊΪΚΛΜΝΞΟΌΠΡΣΤΥΎΫΦΧΨΩΏ"
    smalls = "αάβγδεέζηήθιίϊΐκλμνξοόπρσςτυύϋΰφχψωώ"
    order = list(range(0, 128))
    order += [chars[c] for c in capitals if c in chars]
    order += [chars[c] for c in smalls if c in chars]
    return finish(order)


def russian():
    chars = code_page_map("cp866")
    capitals = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
    smalls = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя"
    order = list(range(0, 46))
    order += [ord(c) for c in "0123456789"]
    order += [ord(c) for c in LATIN]
    order += [ord(c) for c in LATIN.lower()]
    order += [chars[c] for c in capitals]
    order += [chars[c] for c in smalls]
    return finish(order)


def tables():
    swedish = [("Z", "ÅÄÖ"), ("E", "É"), ("Y", "Ü")]
    nordic = [("Z", "ÆØÅ")]
    icelandic = [("A", "Á"), ("D", "Ð"), ("E", "É"), ("I", "Í"), ("O", "Ó"), ("U", "Ú"), ("Y", "Ý"),
                 ("Z", "ÞÆÖ")]
    polish = [("A", "Ą"), ("C", "Ć"), ("E", "Ę"), ("L", "Ł"), ("N", "Ń"), ("O", "Ó"), ("S", "Ś"),
              ("Z", "ŹŻ")]
    hungarian = [("A", "Á"), ("E", "É"), ("I", "Í"), ("O", "ÓÖŐ"), ("U", "ÚÜŰ")]
    return [
        ("cltClipper501Rus", "cp866", russian()),
        ("cltGermanCollation", "cp437", language("cp437", [("A", "Ä"), ("O", "Ö"), ("U", "Ü")],
                                                 [("s", "ß")])),
        ("cltFrenchCollation", "cp437", language("cp437", [("C", "Ç"), ("E", "É")],
                                                 [("a", "àâ"), ("é", "èêë"), ("i", "îï"), ("o", "ô"),
                                                  ("u", "ùûü"), ("y", "ÿ")])),
        ("cltSpanishCollation", "cp437", language("cp437", [("E", "É"), ("N", "Ñ")],
                                                  [("a", "á"), ("i", "í"), ("o", "ó"), ("u", "úü")])),
        ("cltItalianCollation", "cp437", language("cp437", [("E", "É")],
                                                  [("a", "à"), ("é", "è"), ("i", "ì"), ("o", "ò"),
                                                   ("u", "ù")])),
        ("cltSwedishCollation", "cp437", language("cp437", swedish)),
        ("cltPortugueseCollation", "cp437", list(range(256))),
        ("cltNorwegianCollation", "cp865", language("cp865", nordic)),
        ("cltFinnishCollation", "cp437", language("cp437", swedish)),
        ("cltDutchCollation", "cp437", language("cp437", [("E", "É")],
                                                [("a", "áàä"), ("é", "èë"), ("i", "ï"), ("o", "ö"),
                                                 ("u", "ü")])),
        ("cltDanishCollation", "cp865", language("cp865", nordic)),
        ("cltGreek437Collation", "cp737", greek("cp737")),
        ("cltGreek851Collation", "CP851", greek("CP851")),
        ("cltIcelandic850Collation", "cp850", language("cp850", icelandic)),
        ("cltIcelandic861Collation", "cp861", language("cp861", icelandic)),
        ("cltPolish852Collation", "cp852", language("cp852", polish)),
        ("cltHungarianCWICollation", "CWI", language("CWI", hungarian)),
        ("cltHungarian852Collation", "cp852", language("cp852", hungarian)),
    ]


def main():
    out = sys.stdout
    out.write("// The built-in collation weight tables, one per language, indexed by the byte value of a key\n")
    out.write("// in the language's DOS code page. Written by scripts/make-collation-tables.py, which says how\n")
    out.write("// each table is derived from the code page and the language's alphabet.\n\n")
    out.write("#include \"dbf/XbDBFCollation.h\"\n\n#include <iterator>\n\n")
    out.write("namespace {\n\n")
    out.write("using TWeights = uint8_t[256];\n\n")
    out.write("// clang-format off\n")
    out.write("const TWeights kBuiltInWeights[] = {\n")
    for name, code_page, weights in tables():
        assert sorted(weights) == list(range(256)), name
        out.write("    // %s (%s)\n    {\n" % (name, code_page))
        for row in range(0, 256, 16):
            out.write("        " + ", ".join("%3d" % w for w in weights[row:row + 16]) + ",\n")
        out.write("    },\n")
    out.write("};\n")
    out.write("// clang-format on\n\n")
    out.write("}  // namespace\n\n")
    out.write("const uint8_t* XbBuiltInCollationWeights(TXbCollationTypes type) noexcept\n{\n")
    out.write("    const int first = static_cast<int>(TXbCollationTypes::cltClipper501Rus);\n")
    out.write("    const int index = static_cast<int>(type) - first;\n")
    out.write("    if (index < 0 || index >= static_cast<int>(std::size(kBuiltInWeights)))\n")
    out.write("        return nullptr;\n")
    out.write("    return kBuiltInWeights[index];\n}\n")


if __name__ == "__main__":
    main()
