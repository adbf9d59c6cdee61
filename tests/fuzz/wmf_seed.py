# Writes the metafile seeds of the fuzzing corpus:
#   python3 wmf_seed.py all_records.wmf      a plain metafile that uses every record the decoder plays
#   python3 wmf_seed.py --costly costly.wmf  a placeable metafile of a few hundred bytes whose records ask for
#                                             all the drawing they can: wide pens across the whole picture along
#                                             many points, bitmaps stretched over it with raster operations, huge
#                                             text, saved states and objects nested deep, clip rectangles
import struct, sys

records = []
def rec(function, *words, raw=b""):
    body = b"".join(struct.pack("<h" if w < 0x8000 else "<H", w) for w in words) + raw
    if len(body) % 2:
        body += b"\0"
    records.append(struct.pack("<IH", 3 + len(body) // 2, function) + body)

def dib(w, h, bits=24):
    stride = (w * bits + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, stride * h, 0, 0, 0, 0)
    return header + bytes((x * 37) % 256 for x in range(stride * h))

def all_records():
    rec(0x0103, 8)                      # map mode
    rec(0x020B, 0, 0)                   # window org
    rec(0x020C, 200, 300)               # window ext (y, x)
    rec(0x020E, 100, 150)               # viewport ext
    rec(0x020D, 0, 0)                   # viewport org
    rec(0x0201, raw=bytes([200, 200, 255, 0]))
    rec(0x0102, 2)
    rec(0x0106, 2)
    rec(0x02FA, 0x1102, 3, 0, raw=bytes([0, 0, 255, 0]))           # pen
    rec(0x02FC, 2, raw=bytes([255, 0, 0, 0]) + struct.pack("<H", 4))  # hatched brush (style, colour, hatch)
    rec(0x02FB, -20, 0, 300, 0, 700, raw=bytes([1, 1, 0, 0, 0, 0, 0, 0]) + b"Liberation Sans\0")
    rec(0x012D, 0); rec(0x012D, 1); rec(0x012D, 2)
    rec(0x001E)
    rec(0x0416, 180, 280, 10, 10)       # intersect clip
    rec(0x0415, 60, 60, 40, 40)         # exclude clip
    rec(0x041B, 50, 100, 10, 10)        # rectangle
    rec(0x0418, 90, 200, 20, 120)       # ellipse
    rec(0x061C, 20, 20, 150, 100, 100, 10)
    rec(0x0817, 150, 290, 150, 200, 190, 290, 110, 200)  # arc
    rec(0x081A, 110, 290, 150, 200, 190, 290, 110, 200)  # pie
    rec(0x0830, 150, 250, 110, 250, 190, 290, 110, 200)  # chord
    rec(0x0324, 3, 10, 190, 50, 150, 90, 190)            # polygon
    rec(0x0325, 4, 100, 190, 120, 160, 140, 190, 160, 160)
    rec(0x0538, 2, 4, 3, 200, 10, 290, 10, 290, 90, 200, 90, 220, 20, 280, 20, 250, 80)
    rec(0x0214, 5, 5); rec(0x0213, 195, 295)
    rec(0x041F, 100, 100, raw=bytes([0, 0, 0, 0]))  # set pixel: colour first
    rec(0x012E, 24)
    rec(0x0209, raw=bytes([0, 0, 128, 0]))
    rec(0x0521, 5, raw=b"Hello\0" + struct.pack("<hh", 120, 20))
    rec(0x0A32, 140, 20, 4, 6, 10, 120, 100, 150, raw=b"Text" + struct.pack("<4h", 10, 10, 10, 10))
    rec(0x0127, -1)
    rec(0x0F43, 0x0020, 0x00CC, 0, 4, 4, 0, 0, 40, 40, 130, 230, raw=dib(4, 4))
    rec(0x0B41, 0x0020, 0x00CC, 4, 4, 0, 0, 30, 30, 10, 250, raw=dib(4, 4, 8))
    rec(0x0940, 0x0086, 0x00EE, 0, 0, 4, 4, 150, 10, raw=dib(4, 4, 1))
    rec(0x061D, 0x0049, 0x005A, 20, 20, 170, 170)       # pattern blt
    rec(0x0142, 5, 0, raw=dib(8, 8))
    rec(0x012D, 3)
    rec(0x041B, 190, 290, 170, 270)
    rec(0x01F0, 3)
    rec(0x00F7, 0x300, 1, raw=bytes([1, 2, 3, 0]))
    rec(0x06FF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)
    rec(0x012C, 0)

def costly():
    # The whole 16-bit plane maps onto the largest picture the decoder draws.
    rec(0x020B, -32768, -32768)
    rec(0x020C, 32767, 32767)
    rec(0x02FA, 0, 32767, 0, raw=bytes([0, 0, 255, 0]))                             # the widest pen
    rec(0x02FC, 0, raw=bytes([255, 0, 0, 0]) + b"\0\0")                              # a solid brush
    rec(0x02FB, 32767, 0, 0, 0, 900, raw=bytes([1, 1, 1, 0, 0, 0, 0, 0]) + b"Sans\0")  # the largest font
    rec(0x012D, 0); rec(0x012D, 1); rec(0x012D, 2)
    for _ in range(16):                                  # states saved deep, objects made and kept
        rec(0x001E)
        rec(0x00F7, 0x300, 0)
    for i in range(8):                                   # clip rectangles across the picture
        rec(0x0415, 32000, -30000 + i * 7500 + 3000, -32000, -30000 + i * 7500)
    points = b"".join(struct.pack("<hh", (i * 7919) % 65536 - 32768, (i * 104729) % 65536 - 32768)
                      for i in range(80))
    rec(0x0325, 80, raw=points)                          # a wide polyline from edge to edge
    rec(0x0324, 40, raw=points[:160])                    # and a wide, filled polygon
    for _ in range(4):                                   # ellipses larger than the picture
        rec(0x0418, 32000, 32000, -32000, -32000)
    rec(0x0107, 4)                                       # smoothed stretching
    for _ in range(4):                                   # a 1 x 1 bitmap stretched over everything with XOR
        rec(0x0F43, 0x0046, 0x0066, 0, 1, 1, 0, 0, 32767, 32767, -32768, -32768, raw=dib(1, 1))
    rec(0x0521, 16, raw=b"WWWWWWWWWWWWWWWW" + struct.pack("<hh", -20000, -20000))
    rec(0x0127, 1)

costly_seed = len(sys.argv) == 3 and sys.argv[1] == "--costly"
if costly_seed:
    costly()
else:
    all_records()
rec(0x0000)
body = b"".join(records)
size_words = (18 + len(body)) // 2
maxrec = max(len(r) for r in records) // 2
header = struct.pack("<HHHIHIH", 1, 9, 0x0300, size_words, 8, maxrec, 0)
placeable = b""
if costly_seed:
    # The bounding box at one unit per inch: far larger than the picture the decoder draws at most.
    key = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, -32768, -32768, 32767, 32767, 1, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", key):
        checksum ^= word
    placeable = key + struct.pack("<H", checksum)
open(sys.argv[-1], "wb").write(placeable + header + body)
