#!/usr/bin/env python3
"""Reads a compiled Windows resource file (.res, as windres writes it from velti.rc), or the
resources linked into velti.exe itself, and checks what Explorer would show for velti.exe:
the icon and the version information.

    check_res.py velti.res stopwatch.ico
    check_res.py velti.exe stopwatch.ico

Both are parsed from their bytes: resource headers (or, in an .exe, the resource directory of
its .rsrc section), the icon group directory, the icon images, and the VS_VERSIONINFO tree with
its fixed part, string table and translation. The icon images must be those of stopwatch.ico,
byte for byte.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from tap import check, finish  # noqa: E402

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


def read_id(data, at):
    """A resource type or name: 0xFFFF then an ordinal, or a NUL-ended UTF-16 string."""
    (first,) = struct.unpack_from("<H", data, at)
    if first == 0xFFFF:
        (ordinal,) = struct.unpack_from("<H", data, at + 2)
        return ordinal, at + 4
    end = at
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def resources(data):
    """[(type, name, language, bytes)] of a 32-bit .res file."""
    out = []
    at = 0
    while at + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, at)
        if header < 16 or at + header + size > len(data):
            raise ValueError("resource header at %d runs past the end of the file" % at)
        rtype, p = read_id(data, at + 8)
        name, p = read_id(data, p)
        p = (p + 3) & ~3
        _data_version, _flags, language = struct.unpack_from("<IHH", data, p)
        body = data[at + header:at + header + size]
        if not (rtype == 0 and name == 0 and size == 0):  # the empty entry that opens the file
            out.append((rtype, name, language, body))
        at = (at + header + size + 3) & ~3
    return out


def pe_resources(data):
    """[(type, name, language, bytes)] of a PE image (.exe, .dll), from its resource directory."""
    (pe_at,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe_at:pe_at + 4] != b"PE\0\0":
        raise ValueError("no PE signature at 0x%X" % pe_at)
    coff = pe_at + 4
    sections, optional_size = struct.unpack_from("<H12xH", data, coff + 2)
    optional = coff + 20
    (magic,) = struct.unpack_from("<H", data, optional)
    # The data directories follow the fixed part: 96 bytes in PE32, 112 in PE32+.
    directories = optional + {0x10B: 96, 0x20B: 112}[magic]
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, directories + 2 * 8)
    if rsrc_size == 0:
        return []

    def file_offset(rva):
        for k in range(sections):
            (_name, virtual_size, virtual_address, raw_size,
             raw_at) = struct.unpack_from("<8sIIII", data, optional + optional_size + 40 * k)
            if virtual_address <= rva < virtual_address + max(virtual_size, raw_size):
                return rva - virtual_address + raw_at
        raise ValueError("RVA 0x%X lies in no section" % rva)

    base = file_offset(rsrc_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for k in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * k)
            if name & 0x80000000:
                (length,) = struct.unpack_from("<H", data, base + (name & 0x7FFFFFFF))
                start = base + (name & 0x7FFFFFFF) + 2
                name = data[start:start + 2 * length].decode("utf-16-le")
            yield name, target

    out = []
    for rtype, names in entries(0):
        for name, languages in entries(names & 0x7FFFFFFF):
            for language, leaf in entries(languages & 0x7FFFFFFF):
                if leaf & 0x80000000:
                    raise ValueError("a fourth level in the resource directory")
                rva, size = struct.unpack_from("<II", data, base + leaf)
                at = file_offset(rva)
                out.append((rtype, name, language, data[at:at + size]))
    return out


def version_node(data, at):
    """One VS_VERSIONINFO-style node: (key, value type, value bytes, children, end)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, at)
    end = at + length
    p = at + 6
    key_end = p
    while struct.unpack_from("<H", data, key_end)[0] != 0:
        key_end += 2
    key = data[p:key_end].decode("utf-16-le")
    p = (key_end + 2 + 3) & ~3
    # Text values count their length in characters, binary ones in bytes.
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = data[p:p + value_bytes]
    p = (p + value_bytes + 3) & ~3
    children = []
    while p < end:
        child = version_node(data, p)
        children.append(child)
        p = (child[4] + 3) & ~3
    return key, value_type, value, children, end


def text(value):
    s = value.decode("utf-16-le")
    return s[:-1] if s.endswith("\0") else s


def ico_images(ico):
    """{(width, bit count): image bytes} of an .ico file."""
    _reserved, kind, count = struct.unpack_from("<HHH", ico, 0)
    images = {}
    for k in range(count):
        w, _h, _colours, _r, _planes, bits, size, offset = struct.unpack_from(
            "<BBBBHHII", ico, 6 + 16 * k)
        images[(w or 256, bits)] = ico[offset:offset + size]
    return images


def main(res_path, ico_path):
    with open(res_path, "rb") as f:
        data = f.read()
    with open(ico_path, "rb") as f:
        ico = ico_images(f.read())
    kind = "PE image" if data[:2] == b"MZ" else ".res file"
    try:
        entries = pe_resources(data) if data[:2] == b"MZ" else resources(data)
    except (ValueError, KeyError, struct.error) as error:
        check("the %s can be read" % kind, False, str(error))
        return
    check("the %s can be read" % kind, bool(entries), "no resources in it")

    # ---- The icon.
    groups = [(name, body) for rtype, name, _, body in entries if rtype == RT_GROUP_ICON]
    icons = {name: body for rtype, name, _, body in entries if rtype == RT_ICON}
    check("there is exactly one icon group", len(groups) == 1, "found %d" % len(groups))
    group = dict(groups).get(1)
    if check("the icon group has id 1", group is not None, "ids: %r" % [n for n, _ in groups]):
        _reserved, kind, count = struct.unpack_from("<HHH", group, 0)
        listed = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * k) for k in range(count)]
        sizes = [(w, h, bits) for w, h, _c, _r, _p, bits, _s, _id in listed]
        check("it is a group of icons (type 1)", kind == 1, "type %d" % kind)
        check("it lists two images, 32x32 then 16x16, both 4 bits per pixel",
              sizes == [(32, 32, 4), (16, 16, 4)], "lists %r" % sizes)
        for w, _h, colours, _r, _p, bits, size, icon_id in listed:
            image = icons.get(icon_id)
            if not check("the %dx%d image (icon %d) is in the file" % (w, w, icon_id),
                         image is not None):
                continue
            check("the %dx%d image is %d bytes, as its group entry says" % (w, w, len(image)),
                  len(image) == size, "entry says %d" % size)
            header_size, width, height, _planes, bit_count = struct.unpack_from("<IiiHH", image, 0)
            check("the %dx%d image is a %dx%d bitmap of %d bits per pixel"
                  % (w, w, width, height // 2, bit_count),
                  (header_size, width, height, bit_count) == (40, w, 2 * w, 4))
            check("the %dx%d image, 16 colours, is that of stopwatch.ico" % (w, w),
                  colours == 16 and ico.get((w, 4)) == image)

    # ---- The version information.
    versions = [(name, lang, body) for rtype, name, lang, body in entries if rtype == RT_VERSION]
    if not check("there is exactly one version resource", len(versions) == 1,
                 "found %d" % len(versions)):
        return
    name, language, body = versions[0]
    check("it has id 1 (VS_VERSION_INFO)", name == 1, "id %r" % (name,))
    check("it is marked Italian (0x0410)", language == 0x0410, "0x%04X" % language)
    try:
        key, _vtype, fixed, children, _end = version_node(body, 0)
    except (struct.error, UnicodeDecodeError) as error:
        check("the version resource can be read", False, str(error))
        return
    check("its root is VS_VERSION_INFO", key == "VS_VERSION_INFO", repr(key))
    if check("it holds a VS_FIXEDFILEINFO (52 bytes)", len(fixed) == 52, "%d bytes" % len(fixed)):
        (signature, _struc, file_ms, file_ls, prod_ms, prod_ls, mask, flags, os_, ftype,
         subtype, _date_ms, _date_ls) = struct.unpack("<13I", fixed)

        def dotted(ms, ls):
            return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

        check("its signature is 0xFEEF04BD", signature == 0xFEEF04BD, "0x%08X" % signature)
        check("file version 1.0.0.0", dotted(file_ms, file_ls) == "1.0.0.0",
              dotted(file_ms, file_ls))
        check("product version 1.0.0.0", dotted(prod_ms, prod_ls) == "1.0.0.0",
              dotted(prod_ms, prod_ls))
        check("flags mask 0x3F", mask == 0x3F, "0x%X" % mask)
        check("no flags", flags == 0, "0x%X" % flags)
        check("OS VOS__WINDOWS32 (0x4)", os_ == 0x4, "0x%X" % os_)
        check("type VFT_APP (1)", ftype == 1, "%d" % ftype)
        check("subtype 0", subtype == 0, "%d" % subtype)

    blocks = {child[0]: child for child in children}
    check("the children are StringFileInfo then VarFileInfo",
          [c[0] for c in children] == ["StringFileInfo", "VarFileInfo"],
          repr([c[0] for c in children]))
    strings = blocks.get("StringFileInfo")
    if strings is not None:
        tables = [t[0] for t in strings[3]]
        check("one string table, 041004B0 (Italian, Unicode)", tables == ["041004B0"],
              repr(tables))
        if strings[3]:
            pairs = [(c[0], text(c[2])) for c in strings[3][0][3]]
            expected = [
                ("CompanyName", "Laboratorio Velti"),
                ("ProductName", "Vantelsiro"),
                ("FileVersion", "1.00"),
                ("ProductVersion", "1.00"),
                ("InternalName", "velti"),
                ("OriginalFilename", "velti.exe"),
            ]
            check("its keys are the six expected, in order",
                  [k for k, _ in pairs] == [k for k, _ in expected], repr([k for k, _ in pairs]))
            for k, v in expected:
                got = dict(pairs).get(k)
                check("%s is %r" % (k, v), got == v, "got %r" % (got,))
            check("every value is text", all(c[1] == 1 for c in strings[3][0][3]))
    var = blocks.get("VarFileInfo")
    if var is not None:
        translations = [(c[0], c[2]) for c in var[3]]
        check("VarFileInfo holds one Translation",
              [k for k, _ in translations] == ["Translation"], repr(translations))
        if translations:
            value = translations[0][1]
            pairs = [struct.unpack_from("<HH", value, k) for k in range(0, len(value) - 3, 4)]
            check("the translation is 0x0410 0x04B0", pairs == [(0x0410, 0x04B0)],
                  " ".join("0x%04X 0x%04X" % p for p in pairs))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
    sys.exit(finish())
