#!/usr/bin/env python3
# Draws the 28 type icons of the file and archive lists, 16 x 14 pixels each, as BMP_1.png to
# BMP_28.png, from the pixel maps below. The maroon background "." (128, 0, 0) is the colour the
# lists leave transparent. Run it after changing a map; the PNG files are kept in the repository.
import struct
import zlib
from pathlib import Path

PALETTE = {
    ".": (128, 0, 0), "k": (0, 0, 0), "w": (255, 255, 255), "g": (192, 192, 192), "d": (128, 128, 128),
    "e": (160, 160, 160), "l": (224, 224, 224), "f": (240, 240, 240), "y": (255, 232, 128),
    "o": (128, 96, 0), "Y": (255, 255, 0), "b": (0, 0, 192), "n": (0, 0, 128), "c": (128, 255, 255),
    "t": (0, 128, 128), "r": (255, 0, 0), "R": (192, 0, 0), "G": (0, 160, 0), "h": (0, 96, 0),
    "L": (0, 255, 0), "s": (128, 192, 255), "p": (255, 192, 255), "O": (255, 160, 0),
    "u": (128, 0, 128), "B": (0, 128, 255),
}

PAGE = [
    "..kkkkkkkk......",
    "..kwwwwwwkk.....",
    "..kwwwwwwkwk....",
    "..kwwwwwwkkkk...",
    "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...",
    "..kwwwwwwwwwk...",
    "..kkkkkkkkkkk...",
]

FOLDER = [
    "................",
    ".ooooo..........",
    "oyyyyyo.........",
    "ooooooooooooooo.",
    "oywwwwwwwwwwwyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "ooooooooooooooo.",
]

WINDOW = [
    "................",
    "kkkkkkkkkkkkkkk.",
    "knnnnnnnnnnnggk.",
    "knnnnnnnnnnnggk.",
    "kwwwwwwwwwwwwwk.",
    "kwwwwwwwwwwwwwk.",
    "kwwwwwwwwwwwwwk.",
    "kwwwwwwwwwwwwwk.",
    "kwwwwwwwwwwwwwk.",
    "kwwwwwwwwwwwwwk.",
    "kwwwwwwwwwwwwwk.",
    "kwwwwwwwwwwwwwk.",
    "kkkkkkkkkkkkkkk.",
    "................",
]


def over(base, overlay):
    """The base map with every character of the overlay that is not a blank put over it."""
    rows = []
    for b, o in zip(base, overlay + [""] * (len(base) - len(overlay))):
        o = o.ljust(16)
        rows.append("".join(oc if oc != " " else bc for bc, oc in zip(b, o)))
    return rows


def recolour(base, mapping):
    return ["".join(mapping.get(c, c) for c in row) for row in base]


ICONS = {}

# Drives: removable (a stick), fixed, network, CD-ROM, RAM disk.
ICONS[1] = [
    "................",
    "................",
    "................",
    "................",
    "kkkkkkkkkkk.....",
    "kgggggggggkkkkk.",
    "kgbbbbbbbgklllk.",
    "kgbbbbbbbgklkkk.",
    "kgggggggggklllk.",
    "kgLLgggggg kkkk.",
    "kkkkkkkkkkk.....",
    "................",
    "................",
    "................",
]
ICONS[1] = [r.replace(" ", "k") for r in ICONS[1]]
ICONS[2] = [
    "................",
    "................",
    "................",
    "kkkkkkkkkkkkkkkk",
    "kwwwwwwwwwwwwwgk",
    "kggggggggggggggk",
    "kgkkkkkkgggggggk",
    "kggggggggggLLggk",
    "kddddddddddddddk",
    "kddddddddddddddk",
    "kkkkkkkkkkkkkkkk",
    "................",
    "................",
    "................",
]
ICONS[3] = [
    "kkkkkkkkkkkkkkkk",
    "kwwwwwwwwwwwwwgk",
    "kggggggggggggggk",
    "kgkkkkkkgggLLggk",
    "kddddddddddddddk",
    "kkkkkkkkkkkkkkkk",
    ".......nn.......",
    ".......nn.......",
    ".......nn.......",
    ".nnnnnnnnnnnnnn.",
    "nnn..........nnn",
    "nsn..........nsn",
    "nnn..........nnn",
    "................",
]
ICONS[4] = [
    "....dddddd......",
    "..ddllllllldd...",
    ".dlsslllllllld..",
    ".dlssslllllllld.",
    "dlllssllllllllld",
    "dllllllkkklllld.",
    "dllllllkwklllld.",
    "dllllllkkklllld.",
    "dllllllllllppld.",
    ".dlllllllllppd..",
    ".dlllllllllpd...",
    "..ddllllllldd...",
    "....dddddd......",
    "................",
]
ICONS[5] = [
    "................",
    "................",
    "................",
    "hhhhhhhhhhhhhhhh",
    "hGGGGGGGGGGGGGGh",
    "hGkkkkGkkkkGkkGh",
    "hGkkkkGkkkkGkkGh",
    "hGkkkkGkkkkGkkGh",
    "hGGGGGGGGGGGGGGh",
    "hhhhhhhhhhhhhhhh",
    ".O.O.O.O.O.O.O..",
    ".O.O.O.O.O.O.O..",
    "................",
    "................",
]

# The root, the parent, a directory and a hidden directory.
ICONS[6] = over(FOLDER, [
    "", "", "", "",
    "",
    "           n",
    "          nn",
    "         nn",
    "        nn",
    "       nn",
    "      nn",
    "     nn",
    "     n",
])
ICONS[7] = over(FOLDER, [
    "", "", "", "",
    "",
    "       h",
    "      hGh",
    "     hGGGh",
    "    hhGGGhh",
    "      GGG",
    "      GGG",
    "      hhh",
])
ICONS[8] = FOLDER
ICONS[27] = recolour(FOLDER, {"o": "e", "y": "l", "w": "f"})

# Files.
ICONS[9] = PAGE
ICONS[10] = over(WINDOW, [
    "", "", "", "", "",
    "   tt   uu",
    "   tt   uu",
    "",
    "   OO   BB",
    "   OO   BB",
])
ICONS[28] = recolour(ICONS[10], {"k": "e", "n": "e", "w": "f", "g": "l", "t": "g", "u": "g", "O": "g", "B": "g"})
ICONS[11] = over(PAGE, [
    "", "", "",
    "",
    "   RRR",
    "   RrR     ",
    "   RRR   b",
    "        b",
    "       b",
    "      b  ",
    "     b GGG",
    "    b  G G",
    "       GGG",
])
ICONS[12] = over(PAGE, [
    "",
    "     kgk",
    "     kkk",
    "     kgk",
    "     kkk",
    "     kgk",
    "     kkk",
    "     kgk",
    "    oooo",
    "    oYYo",
    "    oYYo",
    "    oooo",
])
ICONS[13] = over(PAGE, [
    "", "", "", "",
    "       GG",
    "       GG",
    "       GG bb",
    "    rr GG bb",
    "    rr GG bb",
    "    rr GG bb",
    "    rr GG bb",
    "   kkkkkkkkk",
])
ICONS[14] = over(PAGE, [
    "",
    "   GGGGGG",
    "   G  G  G",
    "   GGGGGGGG",
    "   G  G  G  ",
    "   GGGGGGGGG",
    "   G  G  G  ",
    "   GGGGGGGGG",
    "   G  G  G  ",
    "   GGGGGGGGG",
    "   G  G  G  ",
    "   GGGGGGGGG",
])
ICONS[15] = over(PAGE, [
    "",
    "   kkkk",
    "",
    "   kkk  BBB",
    "        BBB",
    "   kkk  BBB",
    "",
    "   kkk  kkk",
    "",
    "   kkk  kkk",
    "",
    "   kkk  kkk",
])
ICONS[16] = [
    "................",
    "....tttttttt....",
    "..ttccccccccctt.",
    "..tccccccccccct.",
    "..ttccccccccctt.",
    "..tttttttttttt..",
    "..tccttttttcct..",
    "..tctttttttttt..",
    "..tccttttttcct..",
    "..tctttttttttt..",
    "..tccttttttcct..",
    "..ttccttttcctt..",
    "....tttttttt....",
    "................",
]
ICONS[16] = [r[:15] + "." if len(r) == 16 else r for r in ICONS[16]]
ICONS[17] = over(PAGE, [
    "", "", "",
    "",
    "     ooo",
    "    oYYYo",
    "   oYYkYYo",
    "   oYYkYYo",
    "   oYYkkYo",
    "    oYYYo",
    "     ooo",
])
ICONS[18] = [
    "................",
    "kkkkkkkkkkkkkkkk",
    "kssssssssssssssk",
    "ksssssssssYYsssk",
    "ksssssssssYYsssk",
    "kssssssssssssssk",
    "ksssGssssssssssk",
    "kssGGGsssssssssk",
    "ksGGGGGsssGssssk",
    "kGGGGGGGsGGGsssk",
    "kGGGGGGGGGGGGssk",
    "khhhhhhhhhhhhhhk",
    "kkkkkkkkkkkkkkkk",
    "................",
]
ICONS[19] = over(PAGE, [
    "", "",
    "   kkkk",
    "",
    "   kkkkkkk",
    "",
    "   kkkkkk",
    "",
    "   kkkkkkk",
    "",
    "   kkkk",
])
ICONS[20] = recolour(PAGE, {"k": "e", "w": "f"})
ICONS[21] = [
    "................",
    ".......nnnnnnn..",
    ".......nnnnnnn..",
    ".......n.....n..",
    ".......n.....n..",
    ".......n.....n..",
    ".......n.....n..",
    ".......n.....n..",
    ".......n...nnn..",
    ".......n..nnnn..",
    "....nnnn..nnn...",
    "...nnnnn........",
    "....nnn.........",
    "................",
]
ICONS[22] = [
    "....nnnnnn......",
    "..nnbbbbbbnn....",
    ".nbbbwwwwbbbn...",
    ".nbbwwbbwwbbn...",
    "nbbbbbbbwwbbbn..",
    "nbbbbbbwwbbbbn..",
    "nbbbbbwwbbbbbn..",
    "nbbbbbwwbbbbbn..",
    ".nbbbbbbbbbbn...",
    ".nbbbbwwbbbbn...",
    "..nnbbwwbbnn....",
    "....nnnnnn......",
    "................",
    "................",
]
ICONS[23] = [
    "......kkk.......",
    "......kek.......",
    "..kk.kkekk.kk...",
    "..keekeeekeek...",
    "...keeeeeeek....",
    ".kkeeekkkeeekk..",
    "keeeeekwkeeeeek.",
    ".kkeeekkkeeekk..",
    "...keeeeeeek....",
    "..keekeeekeek...",
    "..kk.kkekk.kk...",
    "......kek.......",
    "......kkk.......",
    "................",
]
ICONS[24] = over(PAGE, [
    "", "", "",
    "      R",
    "      R",
    "     R R",
    "     R R",
    "    RRRRR",
    "    R   R",
    "   R     R",
    "  RRR   RRR",
])
ICONS[24] = [r[:2] + ("k" if r[2] == "R" else r[2]) + r[3:] for r in ICONS[24]]
ICONS[25] = [
    ".kkkkkkkkkkkkkk.",
    ".kwkkkkkkkkkkwk.",
    ".kkkssssssssskk.",
    ".kwksssssssskwk.",
    ".kkkssssssssskk.",
    ".kwksssssssskwk.",
    ".kkkkkkkkkkkkkk.",
    ".kwkOOOOOOOOkwk.",
    ".kkkOOOOOOOOkkk.",
    ".kwkOOOOOOOOkwk.",
    ".kkkOOOOOOOOkkk.",
    ".kwkOOOOOOOOkwk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]
ICONS[26] = over(PAGE, [
    "", "", "",
    "    bb  bb",
    "    b    b",
    "    b    b",
    "   b      b",
    "    b    b",
    "    b    b",
    "    bb  bb",
])


def png(rows):
    raw = b"".join(b"\x00" + b"".join(bytes(PALETTE[c]) for c in row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", 16, 14, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    here = Path(__file__).resolve().parent
    for number in range(1, 29):
        rows = ICONS[number]
        assert len(rows) == 14 and all(len(r) == 16 for r in rows), number
        (here / f"BMP_{number}.png").write_bytes(png(rows))


if __name__ == "__main__":
    main()
