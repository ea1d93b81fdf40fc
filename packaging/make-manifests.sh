#!/usr/bin/env bash
# Writes the package managers' manifests for the portable zip, beside it: a
# Scoop manifest (Veilkeep.json) and the three winget manifests (winget/, for
# `winget install --manifest`). Each names the zip's address and its SHA-256:
# they are made after the zip, from the zip that was made.
#
#   VEILKEEP_VERSION=... VEILKEEP_DESCRIPTION=... VEILKEEP_PUBLISHER=...
#   VEILKEEP_PUBLISHER_HOST=... VEILKEEP_RELEASE_URL=... VEILKEEP_LICENSE=...
#   VEILKEEP_OLDEST_WINDOWS=... make-manifests.sh ZIP
# (CMake's package target passes its cache variables of those names.)
set -euo pipefail
zip=${1:?usage: make-manifests.sh Veilkeep-<version>-portable.zip}
version=${VEILKEEP_VERSION:?} description=${VEILKEEP_DESCRIPTION:?}
publisher=${VEILKEEP_PUBLISHER:?} host=${VEILKEEP_PUBLISHER_HOST:?}
license=${VEILKEEP_LICENSE:?} oldest=${VEILKEEP_OLDEST_WINDOWS:?}
out=$(dirname "$zip")
zip_name=$(basename "$zip")
release_page=${VEILKEEP_RELEASE_URL:?}
url=$release_page/$(basename "$zip")
hash=$(sha256sum "$zip" | cut -d' ' -f1)
# The zip's name with its version as a regular expression's group, as the release page names it.
literal() { sed 's/[.+]/\\&/g' <<<"$1"; }
version_regex="$(literal "${zip_name%%"$version"*}")([\d.]+)$(literal "${zip_name#*"$version"}")"
id="${publisher//[^A-Za-z0-9]/}.Veilkeep"  # winget's package identifier
# The pages the toolbar's Website and Support open.
product_page="http://$host/veilkeep.php"
support_page="http://$host/support.php"

json() {  # json TEXT: TEXT as a JSON string
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}
yaml() {  # yaml TEXT: TEXT as a YAML string in single quotes
  printf "'%s'" "${1//\'/\'\'}"
}

# Scoop keeps data.bin in its persist folder, across updates, linked into the
# app's folder. A file it is told to persist that neither the zip nor the
# persist folder has would be made a folder: the first install makes it a file.
# Uninstalling removes the folder menu's verbs and the Start menu's Hide All
# shortcut, which would run a removed exe; an update (which runs pre_uninstall
# too) leaves them: the shortcut runs the exe through Scoop's current folder. Scoop runs
# pre_uninstall before it refuses to uninstall an app one of whose programs
# runs (a program under the app's folder): the verbs are removed only when
# none does, so that a refused uninstall leaves them working. A bucket's checkver
# reads the version from the release page, and autoupdate takes the new zip's
# hash from the SHA256SUMS published beside it.
cat >"$out/Veilkeep.json" <<EOF
{
    "version": $(json "$version"),
    "description": $(json "$description"),
    "homepage": $(json "$product_page"),
    "license": $(json "$license"),
    "url": $(json "$url"),
    "hash": $(json "$hash"),
    "pre_install": "if (!(Test-Path \"\$persist_dir\\\\data.bin\")) { New-Item \"\$dir\\\\data.bin\" -ItemType File | Out-Null }",
    "persist": "data.bin",
    "pre_uninstall": "if (\$cmd -eq 'uninstall' -and !(Get-Process | Where-Object { \$_.Path -like \"\$(Split-Path \$dir)\\\\*\" })) { Start-Process -Wait -FilePath \"\$dir\\\\Veilkeep.exe\" -ArgumentList '/folder-menu', 'off'; Start-Process -Wait -FilePath \"\$dir\\\\Veilkeep.exe\" -ArgumentList '/shortcut-key', 'off' }",
    "shortcuts": [
        [
            "Veilkeep.exe",
            "Veilkeep"
        ]
    ],
    "checkver": {
        "url": $(json "$release_page"),
        "regex": $(json "$version_regex")
    },
    "autoupdate": {
        "url": $(json "$release_page/${zip_name//$version/\$version}"),
        "hash": {
            "url": "\$baseurl/SHA256SUMS",
            "regex": "\$sha256\\\\s+\$basename"
        }
    }
}
EOF

# winget: the zip holds a portable Veilkeep.exe that needs its folder (the ico
# folder and data.bin beside it), so winget puts that folder on the PATH
# instead of linking to the exe from elsewhere; `Veilkeep` then starts it.
mkdir -p "$out/winget"
rm -f "$out"/winget/*.yaml
opening() {  # opening TYPE: how every winget manifest starts
  echo "# yaml-language-server: \$schema=https://aka.ms/winget-manifest.$1.1.10.0.schema.json"
  echo "PackageIdentifier: $(yaml "$id")"
  echo "PackageVersion: $(yaml "$version")"
}
closing() {  # closing TYPE: how every winget manifest ends
  echo "ManifestType: $1"
  echo "ManifestVersion: 1.10.0"
}
{
  opening version
  echo "DefaultLocale: en-US"
  closing version
} >"$out/winget/$id.yaml"
{
  opening installer
  echo "MinimumOSVersion: $oldest"
  echo "InstallerType: zip"
  echo "NestedInstallerType: portable"
  echo "NestedInstallerFiles:"
  echo "- RelativeFilePath: Veilkeep.exe"
  echo "ArchiveBinariesDependOnPath: true"
  echo "Installers:"
  echo "- Architecture: x64"
  echo "  InstallerUrl: $(yaml "$url")"
  echo "  InstallerSha256: $(yaml "${hash^^}")"
  closing installer
} >"$out/winget/$id.installer.yaml"
{
  opening defaultLocale
  echo "PackageLocale: en-US"
  echo "Publisher: $(yaml "$publisher")"
  echo "PublisherUrl: $(yaml "http://$host/")"
  echo "PublisherSupportUrl: $(yaml "$support_page")"
  echo "PackageName: Veilkeep"
  echo "PackageUrl: $(yaml "$product_page")"
  echo "License: $(yaml "$license")"
  echo "ShortDescription: $(yaml "$description")"
  echo "Moniker: veilkeep"
  closing defaultLocale
} >"$out/winget/$id.locale.en-US.yaml"
echo "$out/Veilkeep.json"
ls "$out"/winget/*.yaml
