#!/usr/bin/env python3
"""Packs files into an unsigned MSIX package: an OPC zip whose parts are the given files, then
AppxBlockMap.xml (the SHA-256 of every 64 KiB block of every file) and [Content_Types].xml.

usage: msix_pack.py OUT.msix NAME=PATH [NAME=PATH...]

NAME is the file's name inside the package with "/" between folders; AppxManifest.xml must be
among them. Every part is stored, not deflated: the block map then needs no compressed sizes, and
the package is small anyway. Entries carry the fixed time 1980-01-01 00:00 so that the same input
gives the same bytes. Sign the result with installer/sign.sh (osslsigncode adds
AppxSignature.p7x)."""
import base64
import hashlib
import struct
import sys
import zlib
from xml.sax.saxutils import quoteattr

BLOCK_SIZE = 64 * 1024
LOCAL_HEADER = struct.Struct("<IHHHHHIIIHH")
CENTRAL_HEADER = struct.Struct("<IHHHHHHIIIHHHHHII")
END_RECORD = struct.Struct("<IHHHHIIH")
DOS_TIME, DOS_DATE = 0, (0 << 9) | (1 << 5) | 1  # 1980-01-01 00:00:00
VERSION_NEEDED = 20
ZIP_LIMIT = 0xFFFFFFFF

CONTENT_TYPES_BY_EXTENSION = {
    "dll": "application/x-msdownload",
    "exe": "application/x-msdownload",
    "png": "image/png",
}
MANIFEST_TYPE = "application/vnd.ms-appx.manifest+xml"
BLOCKMAP_TYPE = "application/vnd.ms-appx.blockmap+xml"
SIGNATURE_TYPE = "application/vnd.ms-appx.signature"


def block_map(parts):
    """parts: (zip name, bytes) of the payload, in package order."""
    lines = ['<?xml version="1.0" encoding="UTF-8" standalone="no"?>',
             '<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/blockmap" '
             'HashMethod="http://www.w3.org/2001/04/xmlenc#sha256">']
    for name, data in parts:
        lfh = LOCAL_HEADER.size + len(name.encode("utf-8"))
        lines.append(f'<File Name={quoteattr(name.replace("/", chr(92)))} Size="{len(data)}" LfhSize="{lfh}">')
        for at in range(0, len(data), BLOCK_SIZE):
            digest = hashlib.sha256(data[at:at + BLOCK_SIZE]).digest()
            lines.append(f'<Block Hash="{base64.b64encode(digest).decode("ascii")}"/>')
        lines.append("</File>")
    lines.append("</BlockMap>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def content_types(names):
    extensions = sorted({n.rsplit(".", 1)[-1].lower() for n in names if "." in n.rsplit("/", 1)[-1]})
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">']
    for ext in extensions:
        if ext == "xml":
            continue  # the two XML parts have overrides of their own
        kind = CONTENT_TYPES_BY_EXTENSION.get(ext, "application/octet-stream")
        lines.append(f"<Default Extension={quoteattr(ext)} ContentType={quoteattr(kind)}/>")
    lines.append(f'<Override PartName="/AppxManifest.xml" ContentType="{MANIFEST_TYPE}"/>')
    lines.append(f'<Override PartName="/AppxBlockMap.xml" ContentType="{BLOCKMAP_TYPE}"/>')
    lines.append(f'<Override PartName="/AppxSignature.p7x" ContentType="{SIGNATURE_TYPE}"/>')
    lines.append("</Types>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def zip_bytes(entries):
    """entries: (zip name, bytes), written stored in this order."""
    body, directory = bytearray(), bytearray()
    for name, data in entries:
        raw_name = name.encode("utf-8")
        if len(body) > ZIP_LIMIT or len(data) > ZIP_LIMIT:
            raise ValueError("package too large for a zip without Zip64")
        crc = zlib.crc32(data) & 0xFFFFFFFF
        offset = len(body)
        body += LOCAL_HEADER.pack(0x04034B50, VERSION_NEEDED, 0, 0, DOS_TIME, DOS_DATE, crc, len(data),
                                  len(data), len(raw_name), 0)
        body += raw_name + data
        directory += CENTRAL_HEADER.pack(0x02014B50, VERSION_NEEDED, VERSION_NEEDED, 0, 0, DOS_TIME, DOS_DATE,
                                         crc, len(data), len(data), len(raw_name), 0, 0, 0, 0, 0, offset)
        directory += raw_name
    end = END_RECORD.pack(0x06054B50, 0, 0, len(entries), len(entries), len(directory), len(body), 0)
    return bytes(body + directory + end)


def check_names(names):
    seen = set()
    for name in names:
        lowered = name.lower()
        if not name or name.startswith("/") or "\\" in name or ".." in name.split("/"):
            raise ValueError(f"bad part name: {name!r}")
        if lowered in seen:
            raise ValueError(f"part named twice: {name!r}")
        if lowered in ("appxblockmap.xml", "[content_types].xml", "appxsignature.p7x"):
            raise ValueError(f"{name} is written by the packer or the signer")
        seen.add(lowered)
    if "appxmanifest.xml" not in seen:
        raise ValueError("no AppxManifest.xml among the parts")


def pack(out_path, pairs):
    parts = []
    for name, path in pairs:
        with open(path, "rb") as f:
            parts.append((name, f.read()))
    check_names([n for n, _ in parts])
    entries = parts + [("AppxBlockMap.xml", block_map(parts)),
                       ("[Content_Types].xml", content_types([n for n, _ in parts]))]
    with open(out_path, "wb") as f:
        f.write(zip_bytes(entries))


def main(argv):
    if len(argv) < 3 or any("=" not in a for a in argv[2:]):
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    try:
        pack(argv[1], [tuple(a.split("=", 1)) for a in argv[2:]])
    except (OSError, ValueError) as error:
        print(f"msix_pack: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
