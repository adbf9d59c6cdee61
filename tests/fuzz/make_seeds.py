#!/usr/bin/env python3
# Writes the seed inputs of every fuzz target into corpus/<target>/seed-*, replacing the old seeds and keeping
# every other file there (the inputs that once failed, kept as regressions). Each seed is a few KB at most.
# Archives and compressed files are made by the real tools where Python has no writer of its own (zip with a
# password, 7z, cpio, ar, zstd, lz4, compress, xz with blocks); a seed whose tool is missing is left out.
#   python3 tests/fuzz/make_seeds.py
import bz2, gzip, io, lzma, os, shutil, stat, struct, subprocess, sys, tarfile, tempfile, warnings, zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
written = {}


def seed(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    assert len(data) <= 16384, (target, name, len(data))
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(data)
    written.setdefault(target, []).append(name)


def numbered(target, name, inputs):
    for i, data in enumerate(inputs):
        seed(target, "%s%02d" % (name, i), data)


def tool(*args, cwd=None, stdin=None):
    """A tool's output, or None when the tool is missing or fails."""
    if not shutil.which(args[0]):
        return None
    try:
        return subprocess.run(args, cwd=cwd, input=stdin, capture_output=True, check=True).stdout
    except subprocess.CalledProcessError:
        return None


def clear_seeds():
    for target in os.listdir(CORPUS) if os.path.isdir(CORPUS) else []:
        folder = os.path.join(CORPUS, target)
        for name in os.listdir(folder):
            if name.startswith("seed-"):
                os.remove(os.path.join(folder, name))


# --- Pictures ---

def pcx_rle(row):
    out = bytearray()
    i = 0
    while i < len(row):
        run = 1
        while i + run < len(row) and row[i + run] == row[i] and run < 63:
            run += 1
        if run > 1 or row[i] >= 0xC0:
            out += bytes([0xC0 | run, row[i]])
        else:
            out.append(row[i])
        i += run
    return bytes(out)


def pcx(width, height, bits, planes, pixel, palette16=b"", palette256=None, encoded=True):
    stride = (width * bits + 7) // 8
    stride += stride % 2
    header = struct.pack("<BBBBHHHHHH", 10, 5, 1 if encoded else 0, bits, 0, 0, width - 1, height - 1, 72, 72)
    header += palette16.ljust(48, b"\0") + struct.pack("<BBHHHH", 0, planes, stride, 1, 0, 0)
    header = header.ljust(128, b"\0")
    body = bytearray()
    for y in range(height):
        for p in range(planes):
            row = bytes(pixel(x, y, p) for x in range(stride))
            body += pcx_rle(row) if encoded else row
    tail = b"\x0c" + palette256 if palette256 is not None else b""
    return header + bytes(body) + tail


def pictures():
    ramp = bytes(i % 256 for i in range(768))
    seed("pcx", "pal8.pcx", pcx(24, 12, 8, 1, lambda x, y, p: (x * 7 + y) % 256, palette256=ramp))
    seed("pcx", "pal8_raw.pcx", pcx(8, 4, 8, 1, lambda x, y, p: 0xC0 + x, palette256=ramp, encoded=False))
    seed("pcx", "mono.pcx", pcx(16, 6, 1, 1, lambda x, y, p: 0xAA if y % 2 else 0x0F))
    seed("pcx", "ega.pcx", pcx(16, 8, 1, 4, lambda x, y, p: (x * 16 + p * 3 + y) % 256, palette16=bytes(range(48))))
    seed("pcx", "cga.pcx", pcx(16, 4, 2, 1, lambda x, y, p: 0x1B * (x + 1) % 256, palette16=bytes([0x40] * 48)))
    seed("pcx", "rgb.pcx", pcx(6, 5, 8, 3, lambda x, y, p: (x * 40 + p * 80 + y * 9) % 256))
    for name, args in (("all_records.wmf", []), ("costly.wmf", ["--costly"])):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, name)
            subprocess.run([sys.executable, os.path.join(HERE, "wmf_seed.py"), *args, out], check=True)
            seed("wmf", name, open(out, "rb").read())


# --- Archives ---

def zip_bytes(entries, **options):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", **options) as z:
        for info, data in entries:
            z.writestr(info, data)
    return buffer.getvalue()


def zinfo(name, method=zipfile.ZIP_DEFLATED, mode=None):
    info = zipfile.ZipInfo(name, date_time=(2020, 5, 17, 12, 30, 44))
    info.compress_type = method
    if mode is not None:
        info.create_system = 3
        info.external_attr = mode << 16
    return info


def zips():
    text = b"".join(b"line %04d of the member\n" % i for i in range(60))
    mixed = zip_bytes([
        (zinfo("a.txt", zipfile.ZIP_STORED), b"stored text\n"),
        (zinfo("dir/", zipfile.ZIP_STORED, stat.S_IFDIR | 0o755), b""),
        (zinfo("dir/b.txt"), text),
        (zinfo("c.bz2.txt", zipfile.ZIP_BZIP2), text),
        (zinfo("d.lzma.txt", zipfile.ZIP_LZMA), text),
        (zinfo("dup.txt"), b"first\n"),
        (zinfo("dup.txt"), b"second\n"),
        (zinfo("setuid.sh", zipfile.ZIP_STORED, stat.S_IFREG | 0o4755), b"#!/bin/sh\n"),
    ])
    unsafe = zip_bytes([
        (zinfo("../escape.txt"), b"out\n"),
        (zinfo("/abs.txt"), b"abs\n"),
        (zinfo("a/../../b.txt"), b"b\n"),
        (zinfo("c\\..\\..\\d.txt"), b"d\n"),
        (zinfo("C:/drive.txt"), b"c\n"),
        (zinfo("ok/fine.txt"), b"fine\n"),
    ])
    links = zip_bytes([
        (zinfo("link", zipfile.ZIP_STORED, stat.S_IFLNK | 0o777), b"../.."),
        (zinfo("link/x.txt"), b"through the link\n"),
        (zinfo("dirlink", zipfile.ZIP_STORED, stat.S_IFLNK | 0o777), b"/tmp"),
        (zinfo("dirlink/y.txt"), b"y\n"),
        (zinfo("file.txt"), b"file\n"),
        (zinfo("file.txt/z.txt"), b"under a file\n"),
    ])
    seed("zip", "mixed.zip", mixed)
    seed("zip", "unsafe.zip", unsafe)
    seed("zip", "links.zip", links)
    seed("zip", "zip64.zip", _zip64(text))
    seed("zip", "empty.zip", zip_bytes([]))
    seed("zip", "comment.zip", _with_comment(text))
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, "secret.txt"), "wb") as f:
            f.write(text)
        pk = tool("zip", "-q", "-P", "secret", "-", "secret.txt", cwd=tmp)
        if pk:
            seed("zip", "zipcrypto.zip", pk)
        if tool("7z", "a", "-tzip", "-psecret", "-mem=AES256", "aes.zip", "secret.txt", cwd=tmp) is not None:
            seed("zip", "aes.zip", open(os.path.join(tmp, "aes.zip"), "rb").read())
        streamed = tool("zip", "-q", "-", "-", stdin=text)
        if streamed:
            seed("zip", "streamed.zip", streamed)
    seed("archive", "mixed.zip", mixed)


def _zip64(text):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", allowZip64=True) as z:
        with z.open(zinfo("big.txt"), "w", force_zip64=True) as f:
            f.write(text)
    return buffer.getvalue()


def _with_comment(text):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        z.comment = b"an archive comment"
        z.writestr(zinfo("a.txt"), text)
    return buffer.getvalue()


def tar_bytes(fmt, mode="w"):
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode=mode, format=fmt) as t:
        def add(name, kind=tarfile.REGTYPE, data=b"", mode=0o644, link=""):
            info = tarfile.TarInfo(name)
            info.type = kind
            info.mode = mode
            info.mtime = 1589718644
            info.linkname = link
            info.size = len(data)
            t.addfile(info, io.BytesIO(data) if data else None)
        add("dir", tarfile.DIRTYPE, mode=0o755)
        add("dir/a.txt", data=b"".join(b"tar line %03d\n" % i for i in range(40)))
        add("setuid", data=b"#!/bin/sh\n", mode=0o6755)
        add("link", tarfile.SYMTYPE, link="../../etc")
        add("link/x.txt", data=b"through the link\n")
        add("hard", tarfile.LNKTYPE, link="dir/a.txt")
        add("fifo", tarfile.FIFOTYPE)
        add("device", tarfile.CHRTYPE)
        add("../escape.txt", data=b"out\n")
        add("/abs.txt", data=b"abs\n")
        add("dir/a.txt", data=b"the same name again\n")
        add("long/" + "n" * 120 + "/" + "m" * 30 + ".txt", data=b"long name\n")
    # The record padding after the end blocks is left out: the seeds stay small.
    data = buffer.getvalue().rstrip(b"\0")
    return data + b"\0" * (-len(data) % 512 + 1024)


def archives():
    seed("archive", "gnu.tar", tar_bytes(tarfile.GNU_FORMAT))
    seed("archive", "pax.tar", tar_bytes(tarfile.PAX_FORMAT))
    plain = tar_bytes(tarfile.USTAR_FORMAT)
    seed("archive", "ustar.tar.gz", gzip.compress(plain, mtime=0))
    seed("archive", "ustar.tar.bz2", bz2.compress(plain))
    seed("archive", "ustar.tar.xz", lzma.compress(plain))
    zst = tool("zstd", "-q", "-c", stdin=plain)
    if zst:
        seed("archive", "ustar.tar.zst", zst)
    with tempfile.TemporaryDirectory() as tmp:
        os.makedirs(os.path.join(tmp, "d"))
        for name, data in (("d/one.txt", b"one\n" * 20), ("two.txt", b"two\n" * 30)):
            with open(os.path.join(tmp, name), "wb") as f:
                f.write(data)
        os.symlink("../../outside", os.path.join(tmp, "d", "link"))
        names = b"d\nd/one.txt\nd/link\ntwo.txt\n"
        for fmt in ("newc", "odc"):
            data = tool("cpio", "-o", "--quiet", "-H", fmt, cwd=tmp, stdin=names)
            if data:
                seed("archive", fmt + ".cpio", data)
        if tool("ar", "rc", "a.a", "two.txt", "d/one.txt", cwd=tmp) is not None:
            seed("archive", "members.a", open(os.path.join(tmp, "a.a"), "rb").read())
        if tool("7z", "a", "plain.7z", "d", "two.txt", cwd=tmp) is not None:
            seed("archive", "plain.7z", open(os.path.join(tmp, "plain.7z"), "rb").read())
        if tool("7z", "a", "-psecret", "-mhe=on", "hidden.7z", "two.txt", cwd=tmp) is not None:
            seed("archive", "hidden.7z", open(os.path.join(tmp, "hidden.7z"), "rb").read())
        if tool("xorriso", "-as", "mkisofs", "-quiet", "-R", "-o", "small.iso", "d", "two.txt", cwd=tmp) is not None:
            iso = open(os.path.join(tmp, "small.iso"), "rb").read()
            # The image is mostly zeros: what follows the last directory record is cut, the reader must cope.
            seed("archive", "cut.iso", iso[:16384])


# --- Compressed files ---

def log_text(blocks, block=4096):
    line = b"2024-01-01 00:00:00 INFO the same message every time, as logs do\n"
    out = bytearray()
    for i in range(blocks):
        head = b"block %06d\n" % i
        out += head + (line * (block // len(line) + 1))[: block - len(head) - 1] + b"\n"
    return bytes(out)


def compressed():
    text = log_text(256)  # 1 MiB: several restart points at the smallest span
    half = len(text) // 2
    gz = gzip.compress(text[:half], mtime=0) + gzip.compress(text[half:], mtime=0)
    seed("compress", "two_members.gz", gz)
    seed("compress", "trailing.gz", gzip.compress(text[:65536], mtime=0) + b"\0\0garbage after the data")
    seed("compress", "cut.gz", gzip.compress(text, mtime=0)[:2000])
    seed("compress", "text.bz2", bz2.compress(text))
    seed("compress", "text.lzma", lzma.compress(text, format=lzma.FORMAT_ALONE))
    seed("compress", "text.xz", lzma.compress(text))
    blocks = tool("xz", "-c", "--block-size=300KiB", stdin=text)
    if blocks:
        seed("compress", "blocks.xz", blocks)
    frames = [tool("zstd", "-q", "-c", stdin=part) for part in (text[:half], text[half:])]
    if all(frames):
        seed("compress", "frames.zst", b"".join(frames))
    lz4 = tool("lz4", "-q", "-c", stdin=text)
    if lz4:
        seed("compress", "text.lz4", lz4)
    lzw = tool("compress", "-c", stdin=text[:300 * 1024])
    if lzw:
        seed("compress", "text.Z", lzw)


# --- Settings, the command interface, the hand-over ---

def settings():
    def entry(value, text):
        v = value.encode()
        return struct.pack(">H", len(v)) + v + text

    seed("settings", "plain", entry("plain", b"[Viewer]\nFont=Monospace\nTabSize=8\n\n[Recent]\nFile1=%2Ftmp%2Fa\n"))
    seed("settings", "quoted", entry(' "edge" \n\\ next', b'[A]\r\nq=" spaced "\r\nesc="a\\"b\\\\c\\nd"\r\nbad="open\r\n'))
    seed("settings", "odd", entry("", b"no section=1\n[ Blank Name ]\n=empty name\nx==y\n[Old%20Style]\nk=v\n; c\n# c\n[A]\nk=1\nk=2\n"))
    seed("settings", "existing", entry("new value", b"[Fuzz]\nValue=old\n[Fuzz Store]\nNumber=0x10\nText=\n"))
    seed("settings", "unicode", entry("\u00e9\u4e2d\U0001F600", "[\u00c9t\u00e9]\nn\u00e4me=\u00fcml\u00e4ut\n".encode()))


def dde():
    requests = [
        b"EXECUTE DdeServerConv /O/tmp/a.txt\n",
        b"EXECUTE ddeserverconv /T\n",
        b"EXECUTE DdeServerConv /C\\\\srv\\nname\n",
        b"EXECUTE DdeServerConv plain words\n",
        b"EXECUTE DdeServerConv\n",
        b"EXECUTE Other /T\n",
        b"REQUEST DdeServerItem\n",
        b"ADVISE ddeserveritem\n",
        b"HELLO\n",
        b"\n",
        b"EXECUTE DdeServerConv /O/tmp/a\0b\n",
        b"EXECUTE DdeServerConv /Ofile",
        b"REQUEST DdeServerItem\nEXECUTE DdeServerConv /T\n",
    ]
    numbered("dde", "request", requests)


def handover():
    requests = [
        b"RAISE\nFILE /tmp/a.txt\nFILE /tmp/b\\nc\\\\d\nEND\n",
        b"RAISE\nEND\n",
        b"RAISE\nFILE /x\0y\nEND\n",
        b"RAISE\nFILE /tmp/\xff\xfe name\nFILE relative\nEND\n",
        b"RAISE\nFILE /a",
        b"FILE /only\nEND\nFILE /after\n",
        b"END\n",
    ]
    numbered("handover", "request", requests)


# --- Text layout ---

ENCODINGS = {  # the viewer's numbers for them, and Python's codec
    1: "utf-8", 2: "cp1252", 4: "utf-16-le", 5: "utf-16-be", 6: "utf-32-le", 7: "utf-32-be", 11: "iso8859-5",
    21: "iso8859-16", 23: "cp1251", 26: "cp1255", 30: "koi8-r", 32: "cp437", 34: "mac-roman", 35: "cp932",
    36: "euc-jp", 37: "iso2022-jp", 38: "gb18030", 39: "gbk", 41: "big5", 42: "cp949",
}
SAMPLES = {
    "utf-8": "tab\there e\u0301 \u4e2d\u6587 \U0001F600 \u200b end",
    "cp1252": "caf\u00e9 \u20ac\tquote \u201cx\u201d",
    "iso8859-5": "\u041f\u0440\u0438\u0432\u0435\u0442",
    "iso8859-16": "\u0218\u021a tab\t",
    "cp1251": "\u041c\u043e\u0441\u043a\u0432\u0430\t1",
    "cp1255": "\u05e9\u05dc\u05d5\u05b8\u05dd",
    "koi8-r": "\u0442\u0435\u043a\u0441\u0442",
    "cp437": "\u2554\u2550\u2557 box",
    "mac-roman": "\u00c5ngstr\u00f6m",
    "cp932": "\u65e5\u672c\u8a9e\uff71\uff72 \\ @ A",
    "euc-jp": "\u65e5\u672c\u8a9e \uff71 \u4e28",
    "iso2022-jp": "abc\u65e5\u672c\u8a9edef",
    "gb18030": "\u4e2d\u6587 \U0001F600 \u20ac",
    "gbk": "\u4e2d\u6587\u5b57",
    "big5": "\u4e2d\u6587\u5b57",
    "cp949": "\ud55c\uad6d\uc5b4",
}


def layout():
    for number, codec in ENCODINGS.items():
        sample = SAMPLES.get(codec, "surrogates \U0001F600 and tabs\t\u00e9\u0301\u3000wide")
        data = sample.encode(codec)
        seed("layout", "enc%02d" % number, bytes([number]) + data)
        # The same bytes cut in the middle of a character, with invalid bytes after, tabs expanded.
        seed("layout", "enc%02d_cut" % number, bytes([number | 0x80 | 0x30]) + data[: len(data) // 2 + 1] + b"\xff\x80\x1b$B\t")
    seed("layout", "auto", bytes([0]) + "d\u00e9j\u00e0 vu \u2014 UTF-8".encode())
    seed("layout", "controls", bytes([2]) + bytes(range(0, 64)) + bytes(range(0x7F, 0xA0)))


if __name__ == "__main__":
    warnings.simplefilter("ignore")  # zipfile's note about the duplicate name the seed means to hold
    clear_seeds()
    pictures()
    zips()
    archives()
    compressed()
    settings()
    dde()
    handover()
    layout()
    for target in sorted(written):
        print("%-10s %d seeds" % (target, len(written[target])))
