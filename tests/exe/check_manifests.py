"""Checks the package managers' manifests beside a portable zip.

Each manifest against the schema its package manager publishes, and against
the zip itself: the zip's SHA-256 and name, the version in the version
resource of the Veilkeep.exe inside it, and the oldest Windows its header
names. Prints "ok - ..." or "FAIL - ..." per check; exits 1 when any failed.

    check_manifests.py ZIP SCHEMA_FOLDER
"""
import glob
import hashlib
import json
import os
import posixpath
import struct
import sys
import zipfile

import jsonschema
import yaml

zip_path, schemas = sys.argv[1], sys.argv[2]
folder = os.path.dirname(os.path.abspath(zip_path))
failed = 0


def check(what, ok, got=""):
    global failed
    print(("ok - " if ok else "FAIL - ") + what + ("" if ok or not got else f" (got {got})"))
    failed += not ok


def schema_errors(manifest, schema_file):
    with open(os.path.join(schemas, schema_file), encoding="utf-8") as f:
        validator = jsonschema.Draft7Validator(json.load(f), format_checker=jsonschema.FormatChecker())
    return "; ".join(f"{'/'.join(map(str, e.path))}: {e.message}" for e in validator.iter_errors(manifest))


with open(zip_path, "rb") as f:
    zip_hash = hashlib.sha256(f.read()).hexdigest()
with zipfile.ZipFile(zip_path) as z:
    names = z.namelist()
    exe = z.read("Veilkeep.exe")
# The version resource's fixed part: major.minor, then build and revision when not 0.
fixed = exe.find(struct.pack("<I", 0xFEEF04BD), exe.find("VS_VERSION_INFO".encode("utf-16-le")))
ms, ls = struct.unpack_from("<II", exe, fixed + 8)
parts = [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
while len(parts) > 2 and parts[-1] == 0:
    parts.pop()
exe_version = ".".join(map(str, parts))
# The optional header's operating-system version, at the same place in PE32 and PE32+.
header = struct.unpack_from("<HH", exe, struct.unpack_from("<I", exe, 0x3C)[0] + 24 + 40)
header_windows = f"{header[0]}.{header[1]}"

with open(os.path.join(folder, "Veilkeep.json"), encoding="utf-8") as f:
    scoop = json.load(f)
errors = schema_errors(scoop, "scoop-manifest.schema.json")
check("Veilkeep.json is a valid Scoop manifest", not errors, errors)
winget = {}
for path in sorted(glob.glob(os.path.join(folder, "winget", "*.yaml"))):
    with open(path, encoding="utf-8") as f:
        manifest = yaml.safe_load(f)
    kind = manifest.get("ManifestType")
    winget[kind] = manifest
    errors = schema_errors(manifest, f"winget-manifest.{kind}.{manifest.get('ManifestVersion')}.json")
    check(f"winget/{os.path.basename(path)} is a valid winget {kind} manifest", not errors, errors)
check("winget: one version, installer and defaultLocale manifest of one package",
      sorted(winget) == ["defaultLocale", "installer", "version"]
      and len({m["PackageIdentifier"] for m in winget.values()}) == 1, sorted(winget))
installer = winget.get("installer", {})
installers = installer.get("Installers", [{}])

hashes = {scoop.get("hash", "").lower()} | {i.get("InstallerSha256", "").lower() for i in installers}
with open(os.path.join(folder, "SHA256SUMS"), encoding="utf-8") as f:
    hashes.add(f.read().split()[0])
check(f"SHA256SUMS and the manifests name the zip's SHA-256 {zip_hash}", hashes == {zip_hash},
      " ".join(sorted(hashes)))
versions = {scoop.get("version")} | {m.get("PackageVersion") for m in winget.values()}
check(f"the manifests' version is the exe's version resource, {exe_version}",
      versions == {exe_version}, " ".join(map(str, versions)))
minimum = str(installer.get("MinimumOSVersion", ""))
check(f"winget's MinimumOSVersion {minimum} is the Windows the exe's header names, {header_windows}",
      minimum.split(".")[:2] == header_windows.split("."))
zip_name = os.path.basename(zip_path)
urls = [scoop.get("url", "")] + [i.get("InstallerUrl", "") for i in installers]
nested = [f.get("RelativeFilePath", "").replace("\\", "/") for f in installer.get("NestedInstallerFiles", [])]
nested.append(posixpath.join(scoop.get("extract_dir", ""), "Veilkeep.exe"))
check(f"the manifests download {zip_name} and start the Veilkeep.exe in it",
      all(u.endswith("/" + zip_name) for u in urls) and all(n in names for n in nested),
      " ".join(urls + nested))
sys.exit(1 if failed else 0)
