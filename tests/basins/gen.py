#!/usr/bin/env python3
"""Writes a folder of small generated basins for the twinser-basins tests:
  gen.py DIR [plain N]   N basins basin_01.. with the models wet and dry
  gen.py DIR full        the runner's cases (see below)
A month of daily flow (31 lines), the observed series the same in every basin,
each model's simulation scaled from it."""
import os
import sys


def xk(path, kind, values):
    with open(path, "w") as f:
        f.write("$ generated daily series\n")
        f.write(f"{kind:<24}CMS  24\n")
        f.write("1 2000 1 2000 1 F10.3\n")
        for d, v in enumerate(values, 1):
            f.write(f"TEST {d:02d} 2000 {v:14.3f}\n")


OBS = [2 + (d * 7) % 11 + (20 if d in (5, 6, 18) else 0) for d in range(31)]


def basin(top, name, models, obs_name="obs.xk", extra="", label=None, report=None):
    """A basin folder; models: {model: scale of the simulation}. The control
    file of each names obs.xk, MODEL.xk and MODEL_report.txt."""
    d = os.path.join(os.fsencode(top), os.fsencode(name) if isinstance(name, str) else name)
    os.makedirs(d, exist_ok=True)
    xk(os.path.join(d, b"obs.xk"), "OBSERVED FLOW", OBS)
    for model, k in models.items():
        sim = OBS if k == 1 else [round(v * k + 0.5, 3) for v in OBS]
        xk(os.path.join(d, os.fsencode(model + ".xk")), "SIMULATED FLOW", sim)
        rep = report or f"{model}_report.txt"
        head = "@" if label is None else "@ " + label
        with open(os.path.join(d, os.fsencode(model + ".ctl")), "w") as f:
            f.write(f"# generated basin, model {model}\n{head}\n{obs_name} {model}.xk {rep}\n"
                    f"-1 -1 -1 -1 86.4\n@H 10 48\n{extra}@I 1\n@Q\n")
    return d


def main():
    top, kind = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "plain"
    if kind == "plain":
        n = int(sys.argv[3]) if len(sys.argv) > 3 else 4
        for i in range(1, n + 1):
            basin(top, f"basin_{i:02d}", {"wet": 1 + 0.04 * i, "dry": 1 - 0.05 * i},
                  label=f"Gauge {i:02d} at the bridge")
        return
    # two models each, as a campaign comparing them
    for i in range(1, 7):
        basin(top, f"basin_{i:02d}", {"wet": 1 + 0.04 * i, "dry": 1 - 0.05 * i},
              label=f"Gauge {i:02d} at the bridge")
    basin(top, "identical", {"wet": 1})                        # sim == obs
    basin(top, "stops", {"wet": 1.1}, obs_name="missing.xk")    # exit status 1
    basin(top, "refuses", {"wet": 1.1}, extra="@J\n")          # exit status 2
    basin(top, "solo", {"b1": 1.2})                            # a folder of one model
    # names a spreadsheet, a terminal or a page could take for something else
    for name in ("tab\there", b"latin\xe9", "new\nline", "=SUM(A1)", "-2+3",
                 "<img src=x onerror=alert(1)>&amp;"):
        basin(top, name, {"wet": 1.3})
    # the runner's status file of the report names the observed series
    d = basin(top, "collides", {"wet": 1.1}, obs_name="wet_report.status")
    os.replace(os.path.join(d, b"obs.xk"), os.path.join(d, b"wet_report.status"))
    # two models writing one report: the second is refused
    basin(top, "one_report", {"wet": 1.1, "dry": 0.9}, report="shared.txt")
    # a report name of 248 bytes: STEM.terminal.txt would be 257
    basin(top, "long_name", {"wet": 1.1}, report="r" * 244 + ".txt")
    os.makedirs(os.path.join(top, "notes"))                    # no control file: no basin


if __name__ == "__main__":
    main()
