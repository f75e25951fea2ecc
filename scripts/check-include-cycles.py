#!/usr/bin/env python3
"""Fails when the project's own files depend on each other in a circle.

Usage: check-include-cycles.py [SRC_DIR]   (default: src next to this script)
A header and its source file are one unit (a/b.h and a/b.cpp are "a/b"); a
unit depends on another when one of its files has #include "..." of one of
the other's. Prints each cycle it finds as a chain of units, and each file
that includes one of a folder above its own (a folder's files lean on their
siblings and below, never on their parents).
"""
import os
import re
import sys

src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
src = os.path.normpath(src)
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
edges = {}
upward = []
for folder, _, files in os.walk(src):
    for name in files:
        if name.endswith((".h", ".cpp", ".c")):
            path = os.path.relpath(os.path.join(folder, name), src)
            with open(os.path.join(src, path), encoding="utf-8", errors="replace") as f:
                targets = include.findall(f.read())
            unit = os.path.splitext(path)[0]
            here = os.path.dirname(path)
            upward.extend(f"{path} includes {t}, above it" for t in targets
                          if os.path.isfile(os.path.join(src, t))
                          and os.path.dirname(t) != here
                          and (here + "/").startswith((os.path.dirname(t) + "/").lstrip("/")))
            edges.setdefault(unit, set()).update(
                os.path.splitext(t)[0] for t in targets
                if os.path.isfile(os.path.join(src, t)) and os.path.splitext(t)[0] != unit)

cycles, state = [], {}


def visit(node, chain):
    state[node] = "open"
    for target in sorted(edges.get(node, [])):
        if state.get(target) == "open":
            cycles.append(chain[chain.index(target):] + [target])
        elif target not in state:
            visit(target, chain + [target])
    state[node] = "done"


for node in sorted(edges):
    if node not in state:
        visit(node, [node])
for cycle in cycles:
    print("include cycle: " + " -> ".join(cycle))
for line in upward:
    print(line)
print(f"{len(edges)} units, {len(cycles)} include cycle(s), {len(upward)} upward include(s)")
sys.exit(1 if cycles or upward else 0)
