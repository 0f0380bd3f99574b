#!/usr/bin/env python3
"""Checks what scripts/package writes beside the release zip: SHA256SUMS, the winget manifests (version,
installer, default locale) and the Scoop manifest. They must parse, hold every field the stores require,
carry the zip's SHA-256 and the version of the program inside the zip, and name paths the zip holds.
Usage: check-manifests.py <folder of the zip>"""
import hashlib
import json
import os
import sys
import zipfile

import yaml

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def program_version(exe):
    """ProductVersion from the version block (the key's last match: resources follow the code's strings):
    the UTF-16 key, padding to 32 bits, the value."""
    key = "ProductVersion\0".encode("utf-16-le")
    start = exe.rindex(key) + len(key)
    start += -start % 4
    return exe[start:start + 64].decode("utf-16-le", "replace").split("\0")[0]


folder = sys.argv[1]
sums = open(os.path.join(folder, "SHA256SUMS"), encoding="ascii").read().split()
check(len(sums) == 2, "SHA256SUMS is one line: hash and zip name")
digest, zip_name = sums[0], sums[-1]
zip_path = os.path.join(folder, zip_name)
with open(zip_path, "rb") as f:
    check(digest == hashlib.sha256(f.read()).hexdigest(), "SHA256SUMS holds the zip's SHA-256")
with zipfile.ZipFile(zip_path) as z:
    entries = set(z.namelist())
    exe_entry = next(e for e in entries if e.endswith("/umbraline.exe"))
    version = program_version(z.read(exe_entry))
top = exe_entry.split("/")[0]
check(zip_name == f"Umbraline-{version}-x64.zip", f"zip name {zip_name} carries the version {version}")
# A store installs every version at one path only when the folder inside the zip has no version in its
# name: a Startup shortcut made by one version must still find the next.
check(top == "Umbraline", f"the zip's folder is Umbraline, without the version, not {top}")

winget = {}
for kind, name in (("version", ""), ("installer", ".installer"), ("defaultLocale", ".locale.en-US")):
    with open(os.path.join(folder, "winget", f"kestov.Umbraline{name}.yaml"), encoding="utf-8") as f:
        manifest = yaml.safe_load(f)
    winget[kind] = manifest
    for field, value in (("PackageIdentifier", "kestov.Umbraline"), ("PackageVersion", version),
                         ("ManifestType", kind), ("ManifestVersion", "1.6.0")):
        check(manifest.get(field) == value, f"winget {kind}: {field} is {value!r}, not {manifest.get(field)!r}")
locale = winget["defaultLocale"]
check(winget["version"].get("DefaultLocale") == locale.get("PackageLocale"), "winget: default locale is the one given")
for field in ("PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"):
    check(isinstance(locale.get(field), str) and locale[field], f"winget defaultLocale: {field}")
installer = winget["installer"]
nested = installer.get("NestedInstallerFiles") or [{}]
check(installer.get("InstallerType") == "zip" and installer.get("NestedInstallerType") == "portable",
      "winget installer: a zip holding a portable program")
check(nested[0].get("RelativeFilePath", "").replace("\\", "/") == exe_entry, f"winget: RelativeFilePath is {exe_entry}")
check(nested[0].get("PortableCommandAlias") == "umbraline", "winget: PortableCommandAlias umbraline")
entry = (installer.get("Installers") or [{}])[0]
check(entry.get("Architecture") == "x64", "winget: Architecture x64")
check(str(entry.get("InstallerSha256")).lower() == digest, "winget: InstallerSha256 is the zip's")
url = entry.get("InstallerUrl", "")
check(url.startswith("https://") and url.endswith("/" + zip_name), f"winget: InstallerUrl ends in /{zip_name}")

with open(os.path.join(folder, "scoop", "umbraline.json"), encoding="utf-8") as f:
    scoop = json.load(f)
for field in ("description", "homepage", "license", "checkver"):
    check(scoop.get(field), f"scoop: {field}")
check(scoop.get("version") == version, f"scoop: version is {version!r}")
check(scoop.get("url") == url, "scoop: url is winget's InstallerUrl")
check(scoop.get("hash") == digest, "scoop: hash is the zip's SHA-256")
check(scoop.get("extract_dir") == top, f"scoop: extract_dir is the zip's top folder {top}")
check(scoop.get("bin") == [["umbraline.exe", "umbraline"]], "scoop: bin umbraline.exe with the alias umbraline")
check(any(s[0] == "umbraline.exe" for s in scoop.get("shortcuts", [])), "scoop: a Start menu shortcut to umbraline.exe")
update = scoop.get("autoupdate", {})
check(update.get("url", "").replace("$version", version) == url, "scoop: autoupdate url gives this version's url")
check(update.get("extract_dir") == top, "scoop: autoupdate extract_dir is the zip's top folder")

for failure in failures:
    print("FAILED:", failure)
print(f"{zip_name} {digest}: {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
