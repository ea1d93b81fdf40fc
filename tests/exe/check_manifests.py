"""Checks the package managers' manifests beside a portable zip.

Each manifest against the schema its package manager publishes, and against
the zip itself: the zip's SHA-256 (each manifest's, exactly) and name, the
version in the version resource of the Veilkeep.exe inside it, and the oldest
Windows its header names and the build is configured for. And what a user
would suffer from: a Scoop manifest that does not keep data.bin across
updates, or leaves the folder menu's verbs behind at uninstall, or whose
checkver and autoupdate would not follow the next release.
Prints "ok - ..." or "FAIL - ..." per check; exits 1 when any failed.

    check_manifests.py ZIP SCHEMA_FOLDER
"""
import glob
import hashlib
import json
import os
import posixpath
import re
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

def exact_hash(value):
    return isinstance(value, str) and re.fullmatch("[0-9a-fA-F]{64}", value) and value.lower() == zip_hash


zip_name = os.path.basename(zip_path)
check(f"Scoop's hash is exactly the zip's SHA-256 {zip_hash}", exact_hash(scoop.get("hash")), scoop.get("hash"))
for i in installers:
    check("winget's InstallerSha256 is exactly the zip's SHA-256", exact_hash(i.get("InstallerSha256")),
          i.get("InstallerSha256"))
with open(os.path.join(folder, "SHA256SUMS"), encoding="utf-8") as f:
    sums = f.read()
check("SHA256SUMS names the zip with its SHA-256", sums == f"{zip_hash}  {zip_name}\n", sums.strip())
persist = scoop.get("persist", [])
persisted = [persist] if isinstance(persist, str) else [p if isinstance(p, str) else p[0] for p in persist]
check("Scoop keeps data.bin across updates and uninstalls (persist)", "data.bin" in persisted, persist)
pre_uninstall = " ".join([scoop.get("pre_uninstall", "")] if isinstance(scoop.get("pre_uninstall", ""), str)
                         else scoop["pre_uninstall"])
# Scoop runs pre_uninstall before it refuses to uninstall an app one of whose
# programs runs: the verbs go only when no program under the app's folder runs.
check("Scoop's pre_uninstall takes the folder menu's verbs and the Hide All shortcut away at "
      "uninstall, when no copy runs, with the Veilkeep.exe of the app's folder",
      "$cmd -eq 'uninstall'" in pre_uninstall and "'/folder-menu', 'off'" in pre_uninstall
      and "'/shortcut-key', 'off'" in pre_uninstall
      and "-Wait" in pre_uninstall
      and pre_uninstall.count('-FilePath "$dir\\Veilkeep.exe"') == pre_uninstall.count("-FilePath") == 2
      and '-and !(Get-Process | Where-Object { $_.Path -like "$(Split-Path $dir)\\*" })'
      in pre_uninstall, pre_uninstall)
checkver = scoop.get("checkver", {})
found = re.search(checkver.get("regex", "^$"), zip_name) if isinstance(checkver, dict) else None
check("Scoop's checkver reads this version from the release page's link to the zip",
      found is not None and found.group(1) == scoop.get("version")
      and posixpath.dirname(scoop.get("url", "")) == checkver.get("url"), checkver)
autoupdate = scoop.get("autoupdate", {})
check("Scoop's autoupdate makes this zip's address, and takes its hash from SHA256SUMS beside it",
      "$version" in autoupdate.get("url", "")
      and autoupdate.get("url", "").replace("$version", str(scoop.get("version"))) == scoop.get("url")
      and autoupdate.get("hash", {}).get("url") == "$baseurl/SHA256SUMS", autoupdate)
versions = {scoop.get("version")} | {m.get("PackageVersion") for m in winget.values()}
check(f"the manifests' version is the exe's version resource, {exe_version}",
      versions == {exe_version}, " ".join(map(str, versions)))
# The oldest Windows the build is configured for: the project's CMakeLists.txt.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "CMakeLists.txt"),
          encoding="utf-8") as f:
    configured = re.search(r"set\(VEILKEEP_OLDEST_WINDOWS\s+([0-9.]+)\)", f.read()).group(1)
minimum = str(installer.get("MinimumOSVersion", ""))


def version_of(text):  # all four parts, as numbers; None for anything else
    parts = text.split(".")
    return tuple(map(int, parts + ["0"] * (4 - len(parts)))) if re.fullmatch(r"\d+(\.\d+){0,3}", text) else None


# The calls the exe imports came with Windows 10 version 1607, build 14393.
check(f"winget's MinimumOSVersion {minimum} is the configured oldest Windows, {configured}, "
      f"whose version the exe's header names, {header_windows}, and no older than 10.0.14393",
      version_of(minimum) is not None and version_of(minimum) == version_of(configured)
      and version_of(minimum)[:2] == version_of(header_windows)[:2]
      and version_of(minimum) >= (10, 0, 14393, 0))
urls = [scoop.get("url", "")] + [i.get("InstallerUrl", "") for i in installers]
nested = [f.get("RelativeFilePath", "").replace("\\", "/") for f in installer.get("NestedInstallerFiles", [])]
nested.append(posixpath.join(scoop.get("extract_dir", ""), "Veilkeep.exe"))
check(f"the manifests download {zip_name} and start the Veilkeep.exe in it",
      all(u.endswith("/" + zip_name) for u in urls) and all(n in names for n in nested),
      " ".join(urls + nested))
sys.exit(1 if failed else 0)
