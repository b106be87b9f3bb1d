#!/usr/bin/env python3
"""The tracker's button glyphs: 16 x 16 pictures drawn here as character maps and written as
PNG data in the hexadecimal block form descriptions use ("Glyph.Data = { ... }").

    python3 tools/make_glyphs.py            # prints every glyph's block
    python3 tools/make_glyphs.py add        # prints one

The background is magenta: a glyph takes its bottom-left pixel as its see-through colour.
"""

import struct
import sys
import zlib

COLOURS = {
    '.': (255, 0, 255),   # see-through
    'k': (0, 0, 0),
    'w': (255, 255, 255),
    'g': (0, 128, 0),
    'G': (0, 192, 0),
    'r': (192, 0, 0),
    'R': (240, 64, 64),
    'b': (0, 0, 160),
    'B': (64, 128, 224),
    'y': (224, 192, 0),
    's': (128, 128, 128),
    'l': (192, 192, 192),
    'o': (224, 128, 32),
}

GLYPHS = {
    'add': [
        '................',
        '................',
        '......gggg......',
        '......gGGg......',
        '......gGGg......',
        '......gGGg......',
        '..gggggGGggggg..',
        '..gGGGGGGGGGGg..',
        '..gGGGGGGGGGGg..',
        '..gggggGGggggg..',
        '......gGGg......',
        '......gGGg......',
        '......gGGg......',
        '......gggg......',
        '................',
        '................',
    ],
    'edit': [
        '................',
        '...........kk...',
        '..........kRRk..',
        '.........kyRRRk.',
        '........kyyyRk..',
        '.......kyyyyk...',
        '......kyyyyk....',
        '.....kyyyyk.....',
        '....kyyyyk......',
        '...kyyyyk.......',
        '..kwyyyk........',
        '..kwwyk.........',
        '..kkkk..........',
        '..kk............',
        '................',
        '................',
    ],
    'delete': [
        '................',
        '................',
        '..rr........rr..',
        '..rRr......rRr..',
        '...rRr....rRr...',
        '....rRr..rRr....',
        '.....rRrrRr.....',
        '......rRRr......',
        '......rRRr......',
        '.....rRrrRr.....',
        '....rRr..rRr....',
        '...rRr....rRr...',
        '..rRr......rRr..',
        '..rr........rr..',
        '................',
        '................',
    ],
    'ok': [
        '................',
        '................',
        '................',
        '.............g..',
        '............gG..',
        '...........gGg..',
        '..g.......gGg...',
        '..Gg.....gGg....',
        '..gGg...gGg.....',
        '...gGg.gGg......',
        '....gGgGg.......',
        '.....gGg........',
        '......g.........',
        '................',
        '................',
        '................',
    ],
    'attach': [
        '................',
        '.......ssss.....',
        '......s....s....',
        '.....s..ss..s...',
        '.....s.s..s.s...',
        '.....s.s..s.s...',
        '.....s.s..s.s...',
        '.....s.s..s.s...',
        '.....s.s..s.s...',
        '.....s.s..s.s...',
        '.....s.s..s.s...',
        '.....s.s....s...',
        '.....s..s..s....',
        '......s..ss.....',
        '.......s........',
        '................',
    ],
    'link': [
        '................',
        '................',
        '................',
        '................',
        '..bbbbb..bbbbb..',
        '.b.....b.b....b.',
        'b...BBBBBBBB...b',
        'b......b.b.....b',
        '.b.....b.b....b.',
        '..bbbbb..bbbbb..',
        '................',
        '................',
        '................',
        '................',
        '................',
        '................',
    ],
    'clock': [
        '................',
        '.....kkkkkk.....',
        '...kkwwwwwwkk...',
        '..kwwwwkwwwwwk..',
        '..kwwwwkwwwwwk..',
        '.kwwwwwkwwwwwwk.',
        '.kwwwwwkwwwwwwk.',
        '.kwwwwwkkkkkwwk.',
        '.kwwwwwwwwwwwwk.',
        '.kwwwwwwwwwwwwk.',
        '..kwwwwwwwwwwk..',
        '..kwwwwwwwwwwk..',
        '...kkwwwwwwkk...',
        '.....kkkkkk.....',
        '................',
        '................',
    ],
    'refresh': [
        '................',
        '......ggggg.....',
        '....gg.....gg...',
        '...g.........g..',
        '..g...........g.',
        '..g.........gGGG',
        '.g...........Gg.',
        '.g............g.',
        '.g..............',
        '.gG.............',
        'GGGg.........g..',
        '..g.........g...',
        '...g.......g....',
        '....gg...gg.....',
        '......ggg.......',
        '................',
    ],
}


def png(rows):
    height = len(rows)
    width = len(rows[0])
    raw = b''
    for row in rows:
        assert len(row) == width, row
        raw += b'\x00' + b''.join(bytes(COLOURS[c]) for c in row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')


def block(data, indent):
    text = data.hex().upper()
    lines = [text[i:i + 64] for i in range(0, len(text), 64)]
    return '{\n' + '\n'.join(indent + '  ' + line for line in lines) + '}'


def main():
    names = sys.argv[1:] or sorted(GLYPHS)
    for name in names:
        print(name)
        print('Glyph.Data = ' + block(png(GLYPHS[name]), ''))


if __name__ == '__main__':
    main()
