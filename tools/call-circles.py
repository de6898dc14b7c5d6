#!/usr/bin/env python3
"""Lists the circles of calls between the source files of one folder.

Reads the built objects (x86_64-w64-mingw32-nm, -objdump): file A calls file B when code of A
uses a function that B defines. Entries of virtual tables are not calls and do not count. Prints, per group of files that call each other in a circle, the
files and the calls that close it. A function that more than one object defines (inline, template)
belongs to a header, not to a file, and does not count; nor do calls inside one file. Usage: tools/call-circles.py build/winbase/CMakeFiles/vb_winbase.dir
"""
import os
import subprocess
import sys


def run(*args):
    return subprocess.run(list(args), capture_output=True, text=True).stdout


def symbols(obj):
    defined, used = set(), set()
    for line in run("x86_64-w64-mingw32-nm", "-C", obj).splitlines():
        if line[17:18] == "T":
            defined.add(line[19:])
    code = False
    for line in run("x86_64-w64-mingw32-objdump", "-r", "-C", obj).splitlines():
        if line.startswith("RELOCATION RECORDS FOR ["):
            code = line.startswith(("RELOCATION RECORDS FOR [.text", "RELOCATION RECORDS FOR [.rdata$.refptr"))
        elif code and "IMAGE_REL" in line:
            used.add(line.split(None, 2)[2].strip())
    return defined, used


def components(graph):
    index, low, stack, on, out = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in graph[v]:
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            out.append(group)

    for v in graph:
        if v not in index:
            visit(v)
    return out


def main(folder):
    objects = {}
    for root, _, files in os.walk(folder):
        for name in files:
            if name.endswith(".obj") or name.endswith(".o"):
                path = os.path.join(root, name)
                objects[os.path.relpath(path, folder).replace(".cpp.obj", "")] = symbols(path)
    owner, shared = {}, set()
    for f, (defined, _) in objects.items():
        for s in defined:
            if s in owner:
                shared.add(s)
            owner[s] = f
    calls = {f: {} for f in objects}
    for f, (defined, used) in objects.items():
        for s in used - defined - shared:
            g = owner.get(s)
            if g and g != f:
                calls[f].setdefault(g, []).append(s)
    graph = {f: set(calls[f]) for f in calls}
    circles = [sorted(c) for c in components(graph) if len(c) > 1]
    for c in circles:
        print("circle: " + " ".join(c))
        for f in c:
            for g in sorted(calls[f]):
                if g in c:
                    print(f"  {f} -> {g}: " + ", ".join(sorted(calls[f][g])[:6]))
    if not circles:
        print("no circles")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
