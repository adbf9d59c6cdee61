#!/bin/sh
# Makes the picture fixtures under tests/data/image with real tools: ImageMagick writes the 8- and 24-bit PCX
# files and the other formats, a small writer below makes the 1-, 2- and 4-bit plane layouts ImageMagick does not
# write, and ImageMagick's own decoding of every PCX file is kept as raw RGBA for the tests to compare against.
# The one-bit references come from netpbm's pcxtoppm. The metafiles come from LibreOffice
# (soffice --headless --convert-to wmf) when it is installed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../data/image"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# A 37 x 23 source: odd width so that line padding matters, a few flat colours and a gradient strip.
convert -size 37x23 xc:white -fill red -draw "rectangle 2,2 15,12" -fill blue -draw "circle 25,12 30,18" \
    -fill "#30c060" -draw "polygon 0,22 10,14 20,22" \( -size 37x3 gradient:yellow-purple \) -geometry +0+20 \
    -composite src.png

convert src.png -colors 200 -type palette "$out/pal8.pcx"
convert src.png -type truecolor "$out/rgb24.pcx"
convert src.png -alpha set -channel A -fx "0.25+0.75*i/w" +channel "$out/rgba32.pcx"

python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]
W, H = 37, 23

def rle(data):
    res = bytearray(); i = 0
    while i < len(data):
        v = data[i]; n = 1
        while i + n < len(data) and data[i + n] == v and n < 63:
            n += 1
        if n > 1 or v >= 0xC0:
            res += bytes([0xC0 | n, v])
        else:
            res.append(v)
        i += n
    return bytes(res)

def write(name, bpp, planes, index, pal16, encoding=1, across=False, trailing=None, version=5):
    bpl = ((W * bpp + 7) // 8 + 1) & ~1
    lines = []
    for y in range(H):
        line = bytearray()
        for p in range(planes):
            plane = bytearray(bpl)
            for x in range(W):
                v = (index(x, y) >> (p * bpp)) & ((1 << bpp) - 1)
                bit = x * bpp
                plane[bit // 8] |= v << (8 - bpp - bit % 8)
            line += plane
        lines.append(bytes(line))
    if encoding == 0:
        body = b"".join(lines)
    elif across:
        body = rle(b"".join(lines))
    else:
        body = b"".join(rle(l) for l in lines)
    hdr = struct.pack("<BBBBHHHHHH", 10, version, encoding, bpp, 0, 0, W - 1, H - 1, 72, 72)
    hdr += bytes(c for rgb in pal16 for c in rgb).ljust(48, b"\0")
    hdr += struct.pack("<BBHHHH", 0, planes, bpl, 1, 0, 0)
    hdr = hdr.ljust(128, b"\0")
    tail = b"\x0c" + bytes(c for rgb in trailing for c in rgb) if trailing else b""
    open(f"{out}/{name}", "wb").write(hdr + body + tail)

pal16 = [(0, 0, 0), (0, 0, 170), (0, 170, 0), (0, 170, 170), (170, 0, 0), (170, 0, 170), (170, 85, 0),
         (170, 170, 170), (85, 85, 85), (85, 85, 255), (85, 255, 85), (85, 255, 255), (255, 85, 85),
         (255, 85, 255), (255, 255, 85), (255, 255, 255)]
pattern = lambda n: (lambda x, y: (x * 3 + y * 5 + (x * y) % 7) % n)
write("mono1.pcx", 1, 1, pattern(2), [(0, 0, 0), (255, 255, 255)])
write("mono1_tinted.pcx", 1, 1, pattern(2), [(0, 0, 128), (255, 255, 0)])
write("mono1_nopalette.pcx", 1, 1, pattern(2), [])
write("cga2.pcx", 2, 1, pattern(4), pal16[8:12])
write("ega4_1plane.pcx", 4, 1, pattern(16), pal16)
write("planes1x2.pcx", 1, 2, pattern(4), pal16[4:8])
write("planes1x3.pcx", 1, 3, pattern(8), pal16[8:])
write("ega1x4.pcx", 1, 4, pattern(16), pal16)
write("ega1x4_across.pcx", 1, 4, pattern(16), pal16, across=True)
write("gray8_raw.pcx", 8, 1, lambda x, y: (x * 7 + y * 11) % 256, [], encoding=0,
      trailing=[(255 - i, i, (i * 3) % 256) for i in range(256)])
PY

# ImageMagick's decoding of each PCX file is the reference, except for one-bit pictures: ImageMagick swaps
# their two colours and ignores the header palette, where netpbm's pcxtoppm (and Paintbrush's convention)
# maps bit 0 to palette entry 0, so netpbm is the reference there.
for f in "$out"/*.pcx; do
    case $(basename "$f") in
    mono1*) pcxtoppm "$f" | convert - -alpha on -depth 8 "RGBA:${f%.pcx}.rgba" ;;
    *) convert "$f" -depth 8 "RGBA:${f%.pcx}.rgba" ;;
    esac
done

# The formats Qt reads, each written by ImageMagick.
convert src.png -type truecolor "BMP3:$out/rgb24.bmp"
convert src.png -colors 16 -type palette "BMP3:$out/pal4.bmp"
convert src.png -quality 90 "$out/photo.jpg"
convert src.png -monochrome "$out/mono.png"
convert src.png -depth 8 "PNG24:$out/rgb.png"
convert src.png -colors 16 "$out/pal16.gif"
convert src.png -type truecolor -compress lzw "$out/rgb.tif"
convert src.png -resize 32x32! "$out/icon.ico"
convert -size 640x480 xc:"#336699" "$out/big.png"

if command -v soffice >/dev/null 2>&1; then
    export HOME="$work"
    for svg in shapes bitmap; do
        soffice --headless --convert-to wmf --outdir "$out" "$here/$svg.svg" >/dev/null 2>&1
    done
fi
# ImageMagick's rendering of the metafiles at the decoder's 96 dpi is their reference.
for f in "$out"/*.wmf; do
    convert -density 96 "$f" -background white -flatten -depth 8 "${f%.wmf}_ref.png"
done
