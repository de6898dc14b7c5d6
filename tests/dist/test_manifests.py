#!/usr/bin/python3
"""The manifest check of `make test` (tools/dist/manifests.py check) fails on each kind of damage
a release could carry: a manifest the package manager would refuse, or one that does not match
the packages built.

    test_manifests.py DIST VERSION      (ctest: dist_manifests_damage)
"""
import json
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "dist"))
import manifests  # noqa: E402
import yaml  # noqa: E402

DIST, VERSION = None, None


def set_path(data, path, value):
    *parents, last = path
    for key in parents:
        data = data[key]
    if value is DELETE:
        del data[last]
    else:
        data[last] = value


DELETE = object()

# (what is damaged, manifest, path in it, new value, the check that must fail)
DAMAGES = [
    ("zip hash of another file", "scoop", ["hash"], "0" * 64, "scoop hash is the portable zip's"),
    ("unknown Scoop field", "scoop", ["bins"], "bin\\Veilbox.exe", "schema scoop"),
    ("Scoop version with a space", "scoop", ["version"], "1.0 beta", "schema scoop"),
    ("ini persisted away from the program", "scoop", ["persist"], ["Veilbox.ini", "bin\\Veilbox.held"],
     "scoop persists the files beside the program"),
    ("zip of another version", "scoop", ["url"], "https://example.org/WindowVeilbox-0.9-portable.zip",
     "scoop url names the portable zip"),
    ("setup hash of another file", "installer", ["Installers", 1, "InstallerSha256"], "A" * 64,
     "winget installer 1 sha256 is the setup's"),
    ("installer type winget does not know", "installer", ["InstallerType"], "nsis", "schema installer"),
    ("Apps-list key of another name", "installer", ["ProductCode"], "Window Veilbox",
     "winget ProductCode is the installer's Apps-list key"),
    ("interactive switch as the silent one", "installer", ["InstallerSwitches", "Silent"], "/NCRC",
     "winget silent switch"),
    ("no manifest version", "version", ["ManifestVersion"], DELETE, "schema version"),
    ("licence missing", "defaultLocale", ["License"], DELETE, "schema defaultLocale"),
    ("other package version", "defaultLocale", ["PackageVersion"], "2.0", "winget defaultLocale version"),
]


class ManifestCheck(unittest.TestCase):
    def setUp(self):
        # Beside the packages, on their file system: they are hard-linked, not copied.
        self.dist = tempfile.mkdtemp(prefix=".check-", dir=DIST)
        for name in ("scoop", "winget"):
            shutil.copytree(os.path.join(DIST, name), os.path.join(self.dist, name))
        for path in manifests.package_files(DIST, VERSION).values():
            os.link(path, os.path.join(self.dist, os.path.basename(path)))

    def tearDown(self):
        shutil.rmtree(self.dist)

    def failed(self):
        return {name for name, problem in manifests.checks(self.dist, VERSION) if problem}

    def rewrite(self, kind, change):
        loaded = manifests.load_manifests(self.dist, VERSION)[kind]
        change(loaded)
        if kind == "scoop":
            with open(manifests.scoop_path(self.dist), "w") as f:
                json.dump(loaded, f)
        else:
            with open(manifests.winget_paths(self.dist, VERSION)[kind], "w") as f:
                yaml.safe_dump(loaded, f)

    def test_the_manifests_made_pass(self):
        self.assertEqual(self.failed(), set())

    def test_each_damage_fails_its_check(self):
        for what, kind, path, value, check in DAMAGES:
            with self.subTest(what):
                self.tearDown()  # a fresh copy of the manifests for each damage
                self.setUp()
                self.rewrite(kind, lambda data: set_path(data, path, value))
                self.assertIn(check, self.failed())

    def test_a_package_rebuilt_after_its_manifest_fails_both_hashes(self):
        for path in manifests.package_files(self.dist, VERSION).values():
            data = open(path, "rb").read()
            os.unlink(path)  # a hard link to the build's file: replace it, never write through
            with open(path, "wb") as f:
                f.write(data + b"\0")
        failed = self.failed()
        self.assertIn("scoop hash is the portable zip's", failed)
        self.assertIn("winget installer 0 sha256 is the setup's", failed)


if __name__ == "__main__":
    DIST, VERSION = os.path.abspath(sys.argv[1]), sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
