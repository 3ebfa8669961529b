"""PNG and ICO readers for the packaging checks, standard library only.

decode_png(bytes) -> (width, height, rows of (r, g, b, a))
decode_ico(bytes) -> {(size, bits per pixel): rows of (r, g, b, a)}

The PNG reader takes 8-bit greyscale, RGB, palette, grey+alpha and RGBA pictures, not
interlaced, with any of the five row filters: enough for any PNG a packager would put in
an icon theme. Anything else raises ValueError.
"""

import struct
import zlib


def decode_png(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    at = 8
    chunks = []
    while at + 8 <= len(data):
        length, tag = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack_from(">I", data, at + 8 + length)
        if zlib.crc32(tag + body) & 0xFFFFFFFF != crc:
            raise ValueError("bad CRC in the %s chunk" % tag.decode("latin-1"))
        chunks.append((tag, body))
        at += 12 + length
        if tag == b"IEND":
            break
    if not chunks or chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        raise ValueError("PNG chunks out of order")
    width, height, depth, colour, _comp, _filter, interlace = struct.unpack(">IIBBBBB",
                                                                           chunks[0][1])
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace != 0:
        raise ValueError("unsupported PNG: depth %d, colour type %d, interlace %d"
                         % (depth, colour, interlace))
    palette = [body for tag, body in chunks if tag == b"PLTE"]
    trns = [body for tag, body in chunks if tag == b"tRNS"]
    raw = zlib.decompress(b"".join(body for tag, body in chunks if tag == b"IDAT"))
    stride = width * channels
    if len(raw) != height * (stride + 1):
        raise ValueError("PNG data is %d bytes, expected %d" % (len(raw), height * (stride + 1)))
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[i] = (line[i] + pred) & 0xFF
            elif kind != 0:
                raise ValueError("unknown PNG row filter %d" % kind)
        previous = line
        row = []
        for x in range(width):
            px = line[x * channels:(x + 1) * channels]
            if colour == 6:
                row.append(tuple(px))
            elif colour == 2:
                row.append(tuple(px) + (255,))
            elif colour == 4:
                row.append((px[0], px[0], px[0], px[1]))
            elif colour == 0:
                row.append((px[0], px[0], px[0], 255))
            else:
                idx = px[0]
                r, g, b = palette[0][3 * idx:3 * idx + 3]
                a = trns[0][idx] if trns and idx < len(trns[0]) else 255
                row.append((r, g, b, a))
        rows.append(row)
    return width, height, rows


def decode_ico(data):
    """The images of an .ico file with 4 or 8 bits per pixel, their AND masks applied."""
    _reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if kind != 1:
        raise ValueError("not an icon file")
    images = {}
    for k in range(count):
        w, _h, _colours, _r, _planes, _bits, _size, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * k)
        header, width, height2, _planes, bpp = struct.unpack_from("<IiiHH", data, offset)
        if bpp not in (4, 8):
            raise ValueError("%d bits per pixel: not read here" % bpp)
        size = width
        at = offset + header
        palette = [struct.unpack_from("<BBBB", data, at + 4 * i) for i in range(1 << bpp)]
        at += 4 * (1 << bpp)
        xor_stride = ((size * bpp + 31) // 32) * 4
        and_stride = ((size + 31) // 32) * 4
        mask_at = at + xor_stride * size
        rows = []
        for y in range(size):
            src = size - 1 - y  # bottom-up
            row = []
            for x in range(size):
                if bpp == 4:
                    byte = data[at + src * xor_stride + x // 2]
                    idx = byte >> 4 if x % 2 == 0 else byte & 0x0F
                else:
                    idx = data[at + src * xor_stride + x]
                clear = data[mask_at + src * and_stride + x // 8] & (0x80 >> (x % 8))
                b, g, r, _ = palette[idx]
                row.append((0, 0, 0, 0) if clear else (r, g, b, 255))
            rows.append(row)
        images[(size, bpp)] = rows
    return images
