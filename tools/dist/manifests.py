#!/usr/bin/python3
"""The package managers' manifests of a release, written from the packages just built.

    manifests.py write DIST VERSION RELEASE_URL   (tools/make-dist.sh)
    manifests.py check DIST VERSION               (make test)

write lays out, under DIST (build/dist):
    scoop/veilbox.json                          the Scoop app manifest of the portable zip
    winget/VERSION/Quillfen.WindowVeilbox*.yaml the winget version, defaultLocale and installer
                                                manifests of the setup program
The files are fetched from RELEASE_URL/vVERSION/<file name>. The product's name, publisher and
Apps-list key are read from installer/WindowVeilbox.nsi, so the manifests name what the installer
really writes.

check validates every manifest against the published JSON schema kept in tools/dist/schemas,
and checks that each hash is that of the file built, that each address names that file, and
that the winget ProductCode and switches are those of the installer. It prints one line per
check and exits 1 when any failed.
"""
import hashlib
import json
import os
import re
import sys
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCHEMAS = os.path.join(ROOT, "tools", "dist", "schemas")
NSI = os.path.join(ROOT, "installer", "WindowVeilbox.nsi")
WINGET_SCHEMA = "1.10.0"
PACKAGE_ID = "Quillfen.WindowVeilbox"
HOMEPAGE_NOTE = "Hides any window into a tray menu and brings it back"
# Switches of the setup program (see the head of installer/WindowVeilbox.nsi).
SILENT = "/S"
PER_USER = "/CURRENTUSER"


def installer_facts():
    """The !define values of the installer script that the manifests repeat."""
    with open(NSI, encoding="utf-8") as f:
        defines = dict(re.findall(r'^!define\s+(\w+)\s+"([^"]*)"', f.read(), re.M))
    key = defines["UNINST_KEY"]
    return {"product": defines["PRODUCT"], "publisher": defines["PUBLISHER"],
            "exe": defines["EXE"], "uninstall_key": key, "product_code": key.rsplit("\\", 1)[-1]}


def package_files(dist, version):
    return {"setup": os.path.join(dist, "WindowVeilbox-%s-setup.exe" % version),
            "portable": os.path.join(dist, "WindowVeilbox-%s-portable.zip" % version)}


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def winget_dir(dist, version):
    return os.path.join(dist, "winget", version)


def winget_paths(dist, version):
    base = os.path.join(winget_dir(dist, version), PACKAGE_ID)
    return {"version": base + ".yaml", "defaultLocale": base + ".locale.en-US.yaml",
            "installer": base + ".installer.yaml"}


def scoop_path(dist):
    return os.path.join(dist, "scoop", "veilbox.json")


def scoop_checkver(release_url):
    """How Scoop finds a newer version. GitHub's releases page loads the list of a release's files
    separately, so the zip's name is not in the page itself: for a GitHub address Scoop asks for
    the latest release's tag (v<version>) instead; another address's page is searched for the zip."""
    home = release_url.rsplit("/releases", 1)[0]
    if urllib.parse.urlsplit(home).netloc.lower() == "github.com":
        return {"github": home}
    return {"url": release_url.rsplit("/download", 1)[0], "regex": r"WindowVeilbox-([\d.]+)-portable\.zip"}


def scoop_manifest(facts, version, release_url, zip_hash):
    exe = "bin\\" + facts["exe"]
    ini = "bin\\Veilbox.ini"
    held = "bin\\Veilbox.held"
    return {
        "version": version,
        "description": "%s. %s." % (facts["product"], HOMEPAGE_NOTE),
        "homepage": release_url.rsplit("/releases", 1)[0],
        "license": {"identifier": "Freeware", "url": release_url.rsplit("/releases", 1)[0]},
        "url": "%s/v%s/WindowVeilbox-%s-portable.zip" % (release_url, version, version),
        "hash": zip_hash,
        "extract_dir": "WindowVeilbox",
        "bin": exe,
        "shortcuts": [[exe, facts["product"]]],
        # Veilbox.ini beside the program makes it portable; persist keeps it across updates, and
        # Veilbox.held, where a copy that was killed left the records of its hidden windows.
        "persist": [ini, held],
        # persist links a file by a hard link, and the program saves the file by replacing it (a
        # new file renamed over the old) and deletes Veilbox.held at a normal exit, which breaks
        # the links: before the old version goes, the files in use are copied back to where
        # persist keeps them, and a Veilbox.held that is gone leaves none there.
        "pre_uninstall": [
            "$ini = \"$dir\\%s\"" % ini,
            "$kept = \"$persist_dir\\%s\"" % ini,
            "if (Test-Path $ini) { Remove-Item -Force $kept -ErrorAction SilentlyContinue; Copy-Item $ini $kept }",
            "$held = \"$dir\\%s\"" % held,
            "$keptHeld = \"$persist_dir\\%s\"" % held,
            "Remove-Item -Force $keptHeld -ErrorAction SilentlyContinue",
            "if (Test-Path $held) { Copy-Item $held $keptHeld }",
        ],
        "checkver": scoop_checkver(release_url),
        "autoupdate": {"url": "%s/v$version/WindowVeilbox-$version-portable.zip" % release_url},
    }


def winget_manifests(facts, version, release_url, setup_hash):
    head = {"PackageIdentifier": PACKAGE_ID, "PackageVersion": version}
    tail = {"ManifestVersion": WINGET_SCHEMA}
    url = "%s/v%s/WindowVeilbox-%s-setup.exe" % (release_url, version, version)
    homepage = release_url.rsplit("/releases", 1)[0]
    code = facts["product_code"]
    installer = {"Architecture": "x64", "InstallerUrl": url, "InstallerSha256": setup_hash.upper()}
    return {
        "version": {**head, "DefaultLocale": "en-US", "ManifestType": "version", **tail},
        "defaultLocale": {
            **head, "PackageLocale": "en-US", "Publisher": facts["publisher"],
            "PackageName": facts["product"], "PackageUrl": homepage, "License": "Freeware",
            "LicenseUrl": homepage, "Copyright": "Copyright (C) %s" % facts["publisher"],
            "ShortDescription": HOMEPAGE_NOTE + ".",
            "Description": "Lists the visible windows of the desktop, hides the one you pick into a tray "
                           "menu with its icon, brings it back, and shows every held window again when it ends.",
            "Moniker": "veilbox", "Tags": ["tray", "windows", "hide", "utility"],
            "ManifestType": "defaultLocale", **tail},
        "installer": {
            **head, "InstallerLocale": "en-US", "MinimumOSVersion": "10.0.0.0",
            "InstallerType": "nullsoft",
            "InstallModes": ["interactive", "silent", "silentWithProgress"],
            "InstallerSwitches": {"Silent": SILENT, "SilentWithProgress": SILENT},
            # The setup quits a running copy and replaces the files in place.
            "UpgradeBehavior": "install",
            "ProductCode": code,
            "AppsAndFeaturesEntries": [{"DisplayName": facts["product"], "Publisher": facts["publisher"],
                                        "DisplayVersion": version, "ProductCode": code}],
            "Installers": [
                {**installer, "Scope": "machine", "ElevationRequirement": "elevatesSelf"},
                {**installer, "Scope": "user", "InstallerSwitches": {"Custom": PER_USER}},
            ],
            "ManifestType": "installer", **tail},
    }


def write_yaml(path, kind, data):
    import yaml
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("# Made by tools/dist/manifests.py from the packages of `make dist`.\n")
        f.write("# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json\n\n"
                % (kind.lower(), WINGET_SCHEMA))
        yaml.safe_dump(data, f, sort_keys=False, allow_unicode=True, default_flow_style=False)


def write(dist, version, release_url):
    release_url = release_url.rstrip("/")
    facts = installer_facts()
    files = package_files(dist, version)
    os.makedirs(os.path.dirname(scoop_path(dist)), exist_ok=True)
    with open(scoop_path(dist), "w", encoding="utf-8", newline="\n") as f:
        json.dump(scoop_manifest(facts, version, release_url, sha256(files["portable"])), f, indent=4)
        f.write("\n")
    os.makedirs(winget_dir(dist, version), exist_ok=True)
    paths = winget_paths(dist, version)
    for kind, data in winget_manifests(facts, version, release_url, sha256(files["setup"])).items():
        write_yaml(paths[kind], kind, data)
    for path in [scoop_path(dist)] + list(paths.values()):
        print(os.path.relpath(path, os.path.dirname(dist)))


def load_manifests(dist, version):
    import yaml
    with open(scoop_path(dist), encoding="utf-8") as f:
        loaded = {"scoop": json.load(f)}
    for kind, path in winget_paths(dist, version).items():
        with open(path, encoding="utf-8") as f:
            loaded[kind] = yaml.safe_load(f)
    return loaded


def schema_errors(kind, manifest):
    import jsonschema
    name = ("scoop/schema.json" if kind == "scoop" else
            "winget-%s/manifest.%s.%s.json" % (WINGET_SCHEMA, kind, WINGET_SCHEMA))
    with open(os.path.join(SCHEMAS, name), encoding="utf-8") as f:
        schema = json.load(f)
    validator = jsonschema.Draft7Validator(schema, format_checker=jsonschema.FormatChecker())
    return ["%s: %s" % ("/".join(map(str, e.absolute_path)) or "(top)", e.message)
            for e in validator.iter_errors(manifest)]


def checks(dist, version):
    """(name, problem or None) for every check of the manifests against the built packages."""
    facts = installer_facts()
    files = package_files(dist, version)
    m = load_manifests(dist, version)
    hashes = {kind: sha256(path) for kind, path in files.items()}
    results = [("schema " + kind, "; ".join(schema_errors(kind, m[kind])) or None)
               for kind in ("scoop", "version", "defaultLocale", "installer")]

    def expect(name, actual, wanted):
        results.append((name, None if actual == wanted else "%r, expected %r" % (actual, wanted)))

    scoop, inst = m["scoop"], m["installer"]
    expect("scoop hash is the portable zip's", scoop.get("hash", "").lower(), hashes["portable"])
    expect("scoop url names the portable zip", scoop.get("url", "").rsplit("/", 1)[-1],
           os.path.basename(files["portable"]))
    folder = scoop.get("bin", "").rsplit("\\", 1)[0]
    expect("scoop persists the files beside the program", scoop.get("persist"),
           [folder + "\\Veilbox.ini", folder + "\\Veilbox.held"])
    for kind in ("version", "defaultLocale", "installer"):
        expect("winget %s version" % kind, (m[kind].get("PackageIdentifier"), m[kind].get("PackageVersion")),
               (PACKAGE_ID, version))
    expect("winget ProductCode is the installer's Apps-list key", inst.get("ProductCode"), facts["product_code"])
    expect("winget silent switch", inst.get("InstallerSwitches", {}).get("Silent"), SILENT)
    for i, entry in enumerate(inst.get("Installers", [])):
        expect("winget installer %d sha256 is the setup's" % i, entry.get("InstallerSha256", "").lower(),
               hashes["setup"])
        expect("winget installer %d url names the setup" % i, entry.get("InstallerUrl", "").rsplit("/", 1)[-1],
               os.path.basename(files["setup"]))
    return results


def check(dist, version):
    results = checks(dist, version)
    for name, problem in results:
        print("%s: %s" % ("FAIL" if problem else "ok", name) + (" - " + problem if problem else ""))
    failed = sum(1 for _, problem in results if problem)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


def main(argv):
    if len(argv) == 5 and argv[1] == "write":
        write(os.path.abspath(argv[2]), argv[3], argv[4])
        return 0
    if len(argv) == 4 and argv[1] == "check":
        return check(os.path.abspath(argv[2]), argv[3])
    print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
