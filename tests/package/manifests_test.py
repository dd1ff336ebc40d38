#!/usr/bin/env python3
"""The package managers' manifests beside the packages: the winget set parses
with a YAML reader and the Scoop manifest with a JSON reader, and both name the
real packages by version, file name and SHA-256.

    manifests_test.py <packages dir> <package name> <version>
"""
import hashlib
import json
import os
import sys

import yaml

PROGRAM_FILES = ["tessary.ini", "OVRes.dat", "ovlog.dat", "ovset*.bak",
                 "ovlog.html", "condrpt.html", "result.html"]


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            h.update(block)
    return h.hexdigest()


def main(pkgdir, name, version):
    problems = []

    def expect(cond, what):
        if not cond:
            problems.append(what)

    setup = name + "-setup.exe"
    zipname = name + ".zip"
    setup_hash = sha256(os.path.join(pkgdir, setup))
    zip_hash = sha256(os.path.join(pkgdir, zipname))

    # winget: three files of one package version, each of its own kind.
    docs = {}
    for kind, file in [("version", "Tandelix.Tandelix.yaml"),
                       ("installer", "Tandelix.Tandelix.installer.yaml"),
                       ("defaultLocale", "Tandelix.Tandelix.locale.en-US.yaml")]:
        with open(os.path.join(pkgdir, "winget", file), encoding="utf-8") as f:
            doc = yaml.safe_load(f)
        docs[kind] = doc
        expect(doc.get("ManifestType") == kind, f"{file}: ManifestType {doc.get('ManifestType')!r}")
        expect(doc.get("PackageIdentifier") == "Tandelix.Tandelix", f"{file}: PackageIdentifier")
        expect(doc.get("PackageVersion") == version,
               f"{file}: PackageVersion {doc.get('PackageVersion')!r}, not {version!r}")
        expect(doc.get("ManifestVersion") == docs["version"].get("ManifestVersion"),
               f"{file}: another ManifestVersion")

    expect(docs["version"].get("DefaultLocale") == "en-US", "DefaultLocale")
    locale = docs["defaultLocale"]
    for key in ["PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"]:
        expect(locale.get(key), f"defaultLocale lacks {key}")

    inst = docs["installer"]
    expect(inst.get("InstallerType") == "nullsoft", "InstallerType")
    expect(inst.get("Scope") == "user", "the installer is for the user alone")
    switches = inst.get("InstallerSwitches") or {}
    expect(switches.get("Silent") == "/S" and switches.get("SilentWithProgress") == "/S",
           f"silent switches {switches}")
    installers = inst.get("Installers") or []
    expect(len(installers) == 1, f"{len(installers)} installers")
    for i in installers:
        expect(str(i.get("InstallerSha256", "")).lower() == setup_hash,
               f"InstallerSha256 {i.get('InstallerSha256')} is not the installer's {setup_hash}")
        expect(str(i.get("InstallerUrl", "")).endswith("/" + setup),
               f"InstallerUrl {i.get('InstallerUrl')} does not name {setup}")
        expect(i.get("Architecture") == "x86", "the installer is x86")

    # Scoop: the portable ZIP, its folder, the console tools on the path and
    # the program's files kept across updates.
    with open(os.path.join(pkgdir, "tandelix.json"), encoding="utf-8") as f:
        scoop = json.load(f)
    expect(scoop.get("version") == version, f"Scoop version {scoop.get('version')!r}")
    expect(scoop.get("hash") == zip_hash, f"Scoop hash {scoop.get('hash')} is not the ZIP's {zip_hash}")
    expect(str(scoop.get("url", "")).endswith("/" + zipname), f"Scoop url {scoop.get('url')}")
    expect(scoop.get("extract_dir") == name, f"extract_dir {scoop.get('extract_dir')!r}")
    unpacked = os.path.join(pkgdir, "unpacked", name)
    for exe in scoop.get("bin", []) + [s[0] for s in scoop.get("shortcuts", [])]:
        expect(os.path.isfile(os.path.join(unpacked, exe)), f"{exe} is not in the ZIP")
    scripts = " ".join(scoop.get("pre_uninstall", []) + scoop.get("post_install", []))
    for kept in PROGRAM_FILES:
        expect(scripts.count("'" + kept + "'") == 2, f"{kept} is not kept across updates")
    expect("$persist_dir" in scripts, "the files go to Scoop's persist folder")

    for p in problems:
        print("FAIL: " + p)
    if not problems:
        print(f"winget and Scoop manifests name {setup} and {zipname} of {version}")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        print(__doc__)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
