#!/usr/bin/env python3
"""Checks the built context-menu package and the signatures of the installer's files, reading the
zip with Python's own zipfile (not the packer's code):

- the .msix opens as a zip; its block map lists every payload part once, with its size, the size
  of its local file header and the SHA-256 of each 64 KiB block, all matching the bytes;
  [Content_Types].xml types every part; the manifest declares the library's class and the verb
  for each of the player's media types;
- osslsigncode verifies the package, the installers and the signed binaries against the test CA;
- the checks catch faults: a package with one changed byte fails both the block map and the
  signature, an unsigned package (packed again by msix_pack.py, with a part of several blocks)
  passes the block map but not the signature, and a package signed by a certificate of another
  CA fails the signature.

usage: check_package.py --source ROOT --stage DIR --ca CA.pem --installer EXE... --work DIR
Prints one line per check; exits 1 when any failed."""
import argparse
import base64
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET
import zipfile
import zlib

BLOCK = 65536
NS = {"b": "http://schemas.microsoft.com/appx/2010/blockmap",
      "t": "http://schemas.openxmlformats.org/package/2006/content-types",
      "m": "http://schemas.microsoft.com/appx/manifest/foundation/windows10",
      "desktop4": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/4",
      "desktop5": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/5",
      "com": "http://schemas.microsoft.com/appx/manifest/com/windows10"}
FOOTPRINT = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}
CLSID = "F5347F30-61EF-5F69-BC99-C6AC47C37593"
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def block_map_problems(path):
    """Every way the package's block map disagrees with its parts; empty when it agrees."""
    problems = []
    with zipfile.ZipFile(path) as z, open(path, "rb") as raw:
        names = z.namelist()
        root = ET.fromstring(z.read("AppxBlockMap.xml"))
        if root.get("HashMethod") != "http://www.w3.org/2001/04/xmlenc#sha256":
            problems.append("hash method " + str(root.get("HashMethod")))
        listed = []
        for f in root.findall("b:File", NS):
            name = f.get("Name").replace("\\", "/")
            listed.append(name)
            if name not in names:
                problems.append(f"{name}: not in the zip")
                continue
            info = z.getinfo(name)
            raw.seek(info.header_offset)
            header = raw.read(30)
            lfh = 30 + struct.unpack_from("<H", header, 26)[0] + struct.unpack_from("<H", header, 28)[0]
            # The part's bytes as stored, past zipfile's CRC check, so that the block hashes alone judge.
            raw.seek(info.header_offset + lfh)
            data = raw.read(info.compress_size)
            if info.compress_type == zipfile.ZIP_DEFLATED:
                data = zlib.decompressobj(-15).decompress(data)
            elif info.compress_type != zipfile.ZIP_STORED:
                problems.append(f"{name}: compression method {info.compress_type}")
            if int(f.get("Size")) != len(data):
                problems.append(f"{name}: Size {f.get('Size')} != {len(data)}")
            if int(f.get("LfhSize")) != lfh:
                problems.append(f"{name}: LfhSize {f.get('LfhSize')} != {lfh}")
            blocks = f.findall("b:Block", NS)
            wanted = [base64.b64encode(hashlib.sha256(data[i:i + BLOCK]).digest()).decode()
                      for i in range(0, len(data), BLOCK)]
            if [b.get("Hash") for b in blocks] != wanted:
                problems.append(f"{name}: block hashes differ ({len(blocks)} listed, {len(wanted)} blocks)")
        payload = [n for n in names if n not in FOOTPRINT]
        if sorted(listed) != sorted(payload):
            problems.append(f"listed {sorted(listed)} but the payload is {sorted(payload)}")
    return problems


def content_type_problems(path):
    with zipfile.ZipFile(path) as z:
        root = ET.fromstring(z.read("[Content_Types].xml"))
        defaults = {d.get("Extension").lower() for d in root.findall("t:Default", NS)}
        overrides = {o.get("PartName").lower() for o in root.findall("t:Override", NS)}
        return [n for n in z.namelist() if n != "[Content_Types].xml"
                and "/" + n.lower() not in overrides and n.rsplit(".", 1)[-1].lower() not in defaults]


def media_types(source):
    text = open(os.path.join(source, "playlist", "media_types.h"), encoding="utf-8").read()
    body = re.search(r"kMediaExtensions\s*=\s*\{(.*?)\};", text, re.S).group(1)
    return re.findall(r'u"(\.[a-z0-9]+)"', body)


def verify(path, ca):
    r = subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-in", path], capture_output=True, text=True)
    return r.returncode == 0 and "Signature verification: ok" in r.stdout


def other_signer(work):
    """A code-signing certificate with the publisher's names from a CA that is not the test CA."""
    pki = os.path.join(work, "other-pki")
    os.makedirs(pki, exist_ok=True)
    req = ["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-sha256"]
    run = lambda *a: subprocess.run(a, check=True, capture_output=True, cwd=pki)
    run(*req, "-x509", "-days", "2", "-keyout", "ca.key", "-out", "ca.pem", "-subj", "/CN=Other CA",
        "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign")
    with open(os.path.join(pki, "cs.ext"), "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
    run(*req, "-keyout", "s.key", "-out", "s.csr",
        "-subj", "/CN=Elmsworth Labs Inc./O=Elmsworth Labs Inc./serialNumber=000000-0000000")
    run("openssl", "x509", "-req", "-in", "s.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
        "-days", "2", "-extfile", "cs.ext", "-out", "s.pem")
    with open(os.path.join(pki, "chain.pem"), "w") as f:
        f.write(open(os.path.join(pki, "s.pem")).read() + open(os.path.join(pki, "ca.pem")).read())
    return os.path.join(pki, "chain.pem"), os.path.join(pki, "s.key")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--source", required=True)
    p.add_argument("--stage", required=True)
    p.add_argument("--ca", required=True)
    p.add_argument("--installer", action="append", required=True)
    p.add_argument("--work", required=True)
    a = p.parse_args()
    shutil.rmtree(a.work, ignore_errors=True)
    os.makedirs(a.work)
    tools = os.path.join(a.source, "installer")
    msix = os.path.join(a.stage, "jaskel-player-win11.msix")

    check(zipfile.is_zipfile(msix), "the package is a zip")
    with zipfile.ZipFile(msix) as z:
        names = z.namelist()
        manifest = ET.fromstring(z.read("AppxManifest.xml"))
    check(sorted(names) == sorted(["AppxManifest.xml", "Assets/logo.png", "AppxBlockMap.xml",
                                   "[Content_Types].xml", "AppxSignature.p7x"]), f"the package's parts: {names}")
    problems = block_map_problems(msix)
    check(not problems, "the block map matches every part " + "; ".join(problems))
    untyped = content_type_problems(msix)
    check(not untyped, f"every part has a content type {untyped}")

    identity = manifest.find("m:Identity", NS)
    check(identity.get("Version") == "0.6.8.0", f"package version {identity.get('Version')}")
    check(identity.get("Name") == "Jaskel.Player.ContextMenu", f"package name {identity.get('Name')}")
    classes = manifest.findall(".//com:Class", NS)
    check([(c.get("Id"), c.get("Path")) for c in classes] == [(CLSID, "jaskel-player-win11.dll")],
          "the library's class is declared")
    servers = manifest.findall(".//com:SurrogateServer", NS)
    check([s.get("AppId") for s in servers] == [CLSID], "the surrogate's application id is the class id")
    verbs = {t.get("Type"): [v.get("Clsid") for v in t.findall("desktop5:Verb", NS)]
             for t in manifest.findall(".//desktop4:FileExplorerContextMenus/desktop5:ItemType", NS)}
    check(verbs == {t: [CLSID] for t in media_types(a.source)}, "the verb for each of the 23 media types")

    signed = [msix] + a.installer + [os.path.join(a.stage, n) for n in
                                     ("Jaskel Player.exe", "menu-registrar.exe", "jaskel-player-win11.dll")]
    for path in signed:
        check(verify(path, a.ca), "osslsigncode verifies " + os.path.basename(path))

    # One byte of a part changed after signing.
    tampered = os.path.join(a.work, "tampered.msix")
    shutil.copyfile(msix, tampered)
    with zipfile.ZipFile(tampered) as z:
        info = z.getinfo("Assets/logo.png")
    with open(tampered, "r+b") as f:
        f.seek(info.header_offset + 30 + len(info.filename) + len(info.extra) + 100)
        byte = f.read(1)
        f.seek(-1, 1)
        f.write(bytes([byte[0] ^ 0xFF]))
    check(block_map_problems(tampered) != [], "a changed byte breaks the block map")
    check(not verify(tampered, a.ca), "a changed byte breaks the signature")

    # Packed again without a signature, with a part of several blocks.
    big = os.path.join(a.work, "big.bin")
    with open(big, "wb") as f:
        f.write(bytes((i * 7 + i // BLOCK) & 0xFF for i in range(3 * BLOCK + 1234)))
    unsigned = os.path.join(a.work, "unsigned.msix")
    subprocess.run([sys.executable, os.path.join(tools, "msix_pack.py"), unsigned,
                    "AppxManifest.xml=" + os.path.join(a.stage, "package", "AppxManifest.xml"),
                    "Assets/logo.png=" + os.path.join(a.stage, "package", "Assets", "logo.png"),
                    "bin/big.bin=" + big], check=True)
    check(not block_map_problems(unsigned), "the packer's block map of a four-block part matches")
    with zipfile.ZipFile(unsigned) as z:
        blocks = ET.fromstring(z.read("AppxBlockMap.xml")).findall("b:File[@Name='bin\\big.bin']/b:Block", NS)
    check(len(blocks) == 4, f"a part of 3 blocks and 1,234 bytes has 4 block hashes ({len(blocks)})")
    check(not verify(unsigned, a.ca), "an unsigned package is refused")

    # The same package signed by a certificate that the test CA did not issue.
    foreign = os.path.join(a.work, "foreign.msix")
    shutil.copyfile(unsigned, foreign)
    cert, key = other_signer(a.work)
    subprocess.run(["bash", os.path.join(tools, "sign.sh"), "--cert", cert, "--key", key, foreign], check=True)
    check(not verify(foreign, a.ca), "a package signed under another CA is refused")
    check(not block_map_problems(foreign), "signing leaves the block map as it was")

    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
