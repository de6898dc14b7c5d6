#!/usr/bin/python3
"""Runs the setup program as winget runs it, with the switches of the winget installer manifest,
inside a private Wine session (tools/wine/session.sh), and checks that it is silent:

    silent-install.py DIST VERSION

First the setup runs without switches, to check that the window it shows then is seen. Then for
each installer entry of the manifest (per machine, per user) the setup runs with the manifest's
Silent switch and the entry's Custom switches. It must end with exit code 0 without showing a
window; then the program's files and the Apps-list key the manifest names must be there. The
QuietUninstallString the installer registered (what an uninstall by the package manager runs)
must then remove the files and the key, again without a window. Prints one line per check and
"N passed, N failed"; exits 1 when any failed.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import manifests  # noqa: E402

ROOTS = {"machine": "HKLM", "user": "HKCU"}


def visible_windows():
    """The X windows mapped on the session's display, by id, with their names."""
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ""],
                         capture_output=True, text=True).stdout.split()
    names = {}
    for window in out:
        name = subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True)
        names[window] = name.stdout.strip()
    return names


def watch(process_alive, before, seconds):
    """Waits until process_alive() is false (at most `seconds`), noting every window that shows
    meanwhile. Returns (ended, names of new windows)."""
    seen = {}
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        for window, name in visible_windows().items():
            if window not in before:
                seen[window] = name
        if not process_alive():
            return True, sorted(set(seen.values()))
        time.sleep(0.05)
    return False, sorted(set(seen.values()))


def reg_value(key, name):
    out = subprocess.run(["wine", "reg", "query", key, "/v", name], capture_output=True, text=True,
                         stdin=subprocess.DEVNULL).stdout
    for line in out.replace("\r", "").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[0] == name:
            return parts[2]
    return None


def unix_path(windows_path):
    out = subprocess.run(["winepath", "-u", windows_path], capture_output=True, text=True,
                         stdin=subprocess.DEVNULL)
    return out.stdout.strip()


def split_command(command):
    """A Windows command line whose program may be quoted: (program, rest)."""
    command = command.strip()
    if command.startswith('"'):
        end = command.index('"', 1)
        return command[1:end], command[end + 1:].split()
    program, _, rest = command.partition(" ")
    return program, rest.split()


def run_silently(name, argv, until_done, results, seconds=60):
    """Runs argv under Wine; the check passes when it ends with 0 and no window showed."""
    before = visible_windows()
    process = subprocess.Popen(["wine"] + argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    ended, windows = watch(lambda: process.poll() is None or not until_done(), before, seconds)
    code = process.poll()
    if not ended:
        process.kill()
    problems = []
    if not ended:
        problems.append("did not finish within %d s" % seconds)
    elif code != 0:
        problems.append("exit code %d" % code)
    if windows:
        problems.append("showed windows: %s" % ", ".join(repr(w) for w in windows))
    problem = "; ".join(problems) or None
    results.append((name, problem))


def check_the_watch(setup, results, seconds=30):
    """The setup without its silent switch asks for a language first: the watch must see that
    window, or every silent run above would pass by a watch that sees nothing."""
    before = visible_windows()
    process = subprocess.Popen(["wine", setup], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    seen = []
    deadline = time.monotonic() + seconds
    while not seen and process.poll() is None and time.monotonic() < deadline:
        seen = [name for window, name in visible_windows().items() if window not in before]
        time.sleep(0.05)
    process.kill()
    process.wait()
    results.append(("the watch sees the setup's window without /S",
                    None if seen else "no window seen within %d s" % seconds))


def check_entry(entry, inst, setup, facts, results):
    scope = entry.get("Scope", "machine")
    key = "%s\\%s" % (ROOTS[scope], facts["uninstall_key"])
    switches = [inst["InstallerSwitches"]["Silent"]] + entry.get("InstallerSwitches", {}).get("Custom", "").split()
    run_silently("%s: setup %s" % (scope, " ".join(switches)), [setup] + switches, lambda: True, results)

    folder = reg_value(key, "InstallLocation")
    results.append(("%s: Apps-list key %s" % (scope, inst["ProductCode"]),
                    None if folder else "no InstallLocation under " + key))
    if not folder:
        return
    root = unix_path(folder)
    files = [os.path.join(root, "bin", facts["exe"]), os.path.join(root, "uninstall.exe")]
    missing = [f for f in files if not os.path.isfile(f)]
    results.append(("%s: files installed" % scope, "missing " + ", ".join(missing) if missing else None))

    quiet = reg_value(key, "QuietUninstallString")
    results.append(("%s: QuietUninstallString" % scope, None if quiet else "missing"))
    if not quiet:
        return
    program, args = split_command(quiet)
    # The uninstaller hands over to a copy of itself and returns at once: it is done when the
    # folder and the key are gone.
    gone = lambda: not os.path.exists(root) and reg_value(key, "InstallLocation") is None  # noqa: E731
    run_silently("%s: uninstall %s" % (scope, " ".join(args)), [program] + args, gone, results)
    results.append(("%s: files and key removed" % scope, None if gone() else "still there: " + root))


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    if not os.environ.get("VB_WINE_SESSION"):
        print("silent-install.py: no private Wine session; run it under tools/wine/session.sh", file=sys.stderr)
        return 2
    dist, version = os.path.abspath(argv[1]), argv[2]
    inst = manifests.load_manifests(dist, version)["installer"]
    setup = manifests.package_files(dist, version)["setup"]
    facts = manifests.installer_facts()
    results = []
    check_the_watch(setup, results)
    for entry in inst["Installers"]:
        check_entry(entry, inst, setup, facts, results)
    for name, problem in results:
        print("%s: %s" % ("FAIL" if problem else "ok", name) + (" - " + problem if problem else ""))
    failed = sum(1 for _, problem in results if problem)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
