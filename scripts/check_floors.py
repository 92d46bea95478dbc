#!/usr/bin/env python3
"""Checks the program's floors from its #include lines: every include points
down a floor or within one folder, and no units (a header with its source
file) include each other in a circle. Prints each offence and exits non-zero when there is one."""
import os
import re
import sys

# Floors from the bottom up; folders on the same floor do not include each other.
FLOORS = {"base": 0, "core": 1, "archive": 2, "sysutil": 2, "ftp": 2, "anim": 2, "viewers": 3, "intake": 4, "app": 5}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
graph = {}
bad = []
for folder in FLOORS:
    for root, _, files in os.walk(os.path.join(top, folder)):
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.relpath(os.path.join(root, name), top)
            with open(os.path.join(top, path), encoding="utf-8") as f:
                targets = INCLUDE.findall(f.read())
            # A header and its source file are one unit: two units whose files
            # include each other form a circle even when no header does.
            unit = os.path.splitext(path)[0]
            graph.setdefault(unit, [])
            graph[unit] += [u for u in (os.path.splitext(t)[0] for t in targets if t.split("/")[0] in FLOORS)
                            if u != unit and u not in graph[unit]]
            for target in targets:
                floor = target.split("/")[0]
                if floor == "components":
                    continue  # the outside libraries' own interfaces
                if floor not in FLOORS:
                    bad.append(f"{path}: includes {target}, outside the floors")
                elif floor != folder and FLOORS[floor] >= FLOORS[folder]:
                    bad.append(f"{path}: includes {target}, which is not below {folder}/")

# Circles among the units.
state = {}


def visit(node, trail):
    state[node] = 1
    for nxt in graph.get(node, []):
        if state.get(nxt) == 1:
            bad.append("circle: " + " -> ".join(trail[trail.index(nxt):] + [nxt]) if nxt in trail else nxt)
        elif nxt in graph and not state.get(nxt):
            visit(nxt, trail + [nxt])
    state[node] = 2


for node in sorted(graph):
    if not state.get(node):
        visit(node, [node])

for line in bad:
    print(line)
print(f"floors: {len(graph)} units, {sum(len(v) for v in graph.values())} includes, {len(bad)} offences")
sys.exit(1 if bad else 0)
