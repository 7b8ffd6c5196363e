#!/usr/bin/env python3
"""Builds fuzz seeds from the end-to-end cases: each case's control file,
with its header record pointed at obs.xk, sim.xk and report.txt, followed by
its two series files, in the harness's three-part layout."""
import os, re, sys

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden")
dest = sys.argv[1] if len(sys.argv) > 1 else "seeds"
os.makedirs(dest, exist_ok=True)
for case in sorted(os.listdir(root)):
    d = os.path.join(root, case)
    try:
        args = open(os.path.join(d, "args")).read().split()
        ctl = open(os.path.join(d, args[-1]), "rb").read().decode("latin-1")
    except (OSError, IndexError):
        continue
    lines = ctl.split("\n")
    head = next((i for i, l in enumerate(lines) if l.startswith("@")), None)
    if head is None:
        continue
    rest = "\n".join(lines[head + 1:])
    words = re.split(r"(\s+)", rest.lstrip())
    names = [w for w in words if w and not w.isspace()][:3]
    if len(names) < 3:
        continue
    try:
        obs = open(os.path.join(d, names[0]), "rb").read().decode("latin-1")
        sim = open(os.path.join(d, names[1]), "rb").read().decode("latin-1")
    except OSError:
        continue
    body = rest.lstrip()
    for old, new in zip(names, ["obs.xk", "sim.xk", "report.txt"]):
        body = body.replace(old, new, 1)
    seed = "\n".join(lines[:head + 1]) + "\n" + body + "\n%%\n" + obs + "\n%%\n" + sim
    if len(seed) < 20000:
        open(os.path.join(dest, case), "wb").write(seed.encode("latin-1"))
