#!/usr/bin/env python3
"""Builds the Jaskel Player installer from the Windows tree's three binaries.

usage: build_installer.py --source ROOT --player EXE --library DLL --registrar EXE
                          --cert CHAIN.pem --key KEY.pem --work DIR
                          --installer VERSION=OUT.exe [--installer VERSION=OUT.exe ...]
                          [--pass-file FILE] [--timestamp URL] [--makensis PATH]

In DIR/stage: signed copies of the binaries, the context-menu package (its manifest made from
AppxManifest.xml.in for the media types of playlist/media_types.h, the icon's 256-pixel image as
its logo) packed by msix_pack.py and signed, and media_types.nsh for the script. Then makensis
writes one installer per --installer, for the program version given there; the installer and its
uninstaller are signed while makensis writes them. Every signature is made by sign.sh with the
given certificate chain and key (the first certificate of the chain is the signer's); its subject
is the package's publisher. The package version is the first --installer's version with ".0".
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGE_NAME = "Jaskel.Player.ContextMenu"
PUBLISHER_NAME = "Elmsworth Labs Inc."
MENU_CLSID = "F5347F30-61EF-5F69-BC99-C6AC47C37593"
VERB_ID = "PlayWithJaskelPlayer"
PLAYER_EXE = "Jaskel Player.exe"
LIBRARY_DLL = "jaskel-player-win11.dll"
REGISTRAR_EXE = "menu-registrar.exe"
PACKAGE_FILE = "jaskel-player-win11.msix"

# How Windows names the attributes of a distinguished name, for those openssl names otherwise.
WINDOWS_KEYWORDS = {"ST": "S", "serialNumber": "SERIALNUMBER", "emailAddress": "E", "street": "STREET",
                    "title": "T", "givenName": "G", "initials": "I", "surname": "SN"}


def media_types(source):
    """The accepted extensions, in the player's own order."""
    with open(os.path.join(source, "playlist", "media_types.h"), encoding="utf-8") as f:
        text = f.read()
    body = re.search(r"kMediaExtensions\s*=\s*\{(.*?)\};", text, re.S)
    types = re.findall(r'u"(\.[a-z0-9]+)"', body.group(1)) if body else []
    if len(types) != 23:
        raise SystemExit(f"expected 23 media types in playlist/media_types.h, found {len(types)}")
    return types


def windows_subject(cert):
    """The certificate's subject as Windows writes it, which is what a package's Publisher must be."""
    out = subprocess.run(["openssl", "x509", "-in", cert, "-noout", "-subject", "-nameopt",
                          "RFC2253,-esc_msb,utf8"], check=True, capture_output=True, text=True).stdout
    rfc2253 = out.strip().removeprefix("subject=").strip()
    parts, current, escaped = [], "", False
    for ch in rfc2253:
        if escaped:
            current += ch
            escaped = False
        elif ch == "\\":
            escaped = True
        elif ch == ",":
            parts.append(current)
            current = ""
        else:
            current += ch
    parts.append(current)
    names = []
    for part in parts:  # RFC 2253 already lists the last attribute first, as Windows does
        key, value = part.split("=", 1)
        if any(c in value for c in ',+="\n<>#;') or value != value.strip():
            value = '"' + value.replace('"', '""') + '"'
        names.append(f"{WINDOWS_KEYWORDS.get(key, key)}={value}")
    return ", ".join(names)


def icon_png(source):
    """The PNG image inside the program's icon (its 256-pixel entry)."""
    with open(os.path.join(source, "app", "app.ico"), "rb") as f:
        data = f.read()
    count = struct.unpack_from("<H", data, 4)[0]
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        if data[offset:offset + 8] == b"\x89PNG\r\n\x1a\n":
            return data[offset:offset + size]
    raise SystemExit("app/app.ico holds no PNG image")


def write_manifest(source, stage, publisher, version, types):
    with open(os.path.join(HERE, "AppxManifest.xml.in"), encoding="utf-8") as f:
        template = f.read()
    item_types = "\n".join(
        f'            <desktop5:ItemType Type="{t}"><desktop5:Verb Id="{VERB_ID}" Clsid="{MENU_CLSID}"/>'
        f"</desktop5:ItemType>" for t in types)
    values = {"NAME": PACKAGE_NAME, "PUBLISHER": escape(publisher, {'"': "&quot;"}), "VERSION": version,
              "PUBLISHER_NAME": escape(PUBLISHER_NAME), "EXECUTABLE": escape(PLAYER_EXE),
              "ITEM_TYPES": item_types, "CLSID": MENU_CLSID, "LIBRARY": LIBRARY_DLL}
    manifest = re.sub(r"@([A-Z_]+)@", lambda m: values[m.group(1)], template)
    path = os.path.join(stage, "AppxManifest.xml")
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(manifest)
    return path


def write_types_include(stage, types):
    lines = ["; Made by build_installer.py from playlist/media_types.h.",
             "!macro JK_FOR_EACH_MEDIA_TYPE MACRO"]
    lines += [f'  !insertmacro ${{MACRO}} "{t}"' for t in types]
    lines.append("!macroend")
    with open(os.path.join(stage, "media_types.nsh"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def run(args):
    subprocess.run(args, check=True)


def main():
    p = argparse.ArgumentParser(description="Builds the Jaskel Player installer.")
    for name in ("source", "player", "library", "registrar", "cert", "key", "work"):
        p.add_argument("--" + name, required=True)
    p.add_argument("--installer", action="append", required=True, metavar="VERSION=OUT")
    p.add_argument("--makensis", default="makensis")
    p.add_argument("--pass-file", help="password of an encrypted key, for sign.sh")
    p.add_argument("--timestamp", help="time-stamp server, for sign.sh")
    a = p.parse_args()
    installers = [tuple(i.split("=", 1)) for i in a.installer]
    package_version = installers[0][0] + ".0"
    sign = [os.path.join(HERE, "sign.sh"), "--cert", a.cert, "--key", a.key]
    if a.pass_file:
        sign += ["--pass-file", a.pass_file]
    if a.timestamp:
        sign += ["--timestamp", a.timestamp]

    stage = os.path.join(a.work, "stage")
    shutil.rmtree(stage, ignore_errors=True)
    os.makedirs(os.path.join(stage, "package", "Assets"))
    for src, name in ((a.player, PLAYER_EXE), (a.library, LIBRARY_DLL), (a.registrar, REGISTRAR_EXE)):
        shutil.copyfile(src, os.path.join(stage, name))
    run(sign + [os.path.join(stage, n) for n in (PLAYER_EXE, LIBRARY_DLL, REGISTRAR_EXE)])

    types = media_types(a.source)
    publisher = windows_subject(a.cert)
    manifest = write_manifest(a.source, os.path.join(stage, "package"), publisher, package_version, types)
    logo = os.path.join(stage, "package", "Assets", "logo.png")
    with open(logo, "wb") as f:
        f.write(icon_png(a.source))
    package = os.path.join(stage, PACKAGE_FILE)
    run([sys.executable, os.path.join(HERE, "msix_pack.py"), package,
         f"AppxManifest.xml={manifest}", f"Assets/logo.png={logo}"])
    run(sign + [package])
    write_types_include(stage, types)

    sign_command = " ".join(f"'{s}'" if " " in s else s for s in sign)
    for version, out in installers:
        tmp = out + ".tmp"
        run([a.makensis, "-V2", "-NOCD",
             f"-DJK_VERSION={version}", f"-DJK_PACKAGE_VERSION={package_version}",
             f"-DJK_PACKAGE_NAME={PACKAGE_NAME}", f"-DJK_PUBLISHER={publisher}",
             f"-DJK_PUBLISHER_NAME={PUBLISHER_NAME}", f"-DJK_STAGE={stage}",
             f"-DJK_ICON={os.path.join(a.source, 'app', 'app.ico')}", f"-DJK_OUT={tmp}",
             f"-DJK_SIGN={sign_command}", os.path.join(HERE, "jaskel-player.nsi")])
        os.replace(tmp, out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
