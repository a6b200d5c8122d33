#!/usr/bin/env python3
"""Prints each demo track's measured BPM and key beside its true tempo, and the BPM that a
preferred BPM range gives.

Reads the JSON list of tempowright-cli on standard input, truth.tsv from the demo folder, and
(optional) the JSON list of a run with --range over an untouched copy of the folder."""
import json
import os
import sys

folder = sys.argv[1]
truth = {}
with open(os.path.join(folder, "truth.tsv"), encoding="utf-8") as f:
    for line in f:
        name, bpm = line.rstrip("\n").split("\t")
        truth[name] = float(bpm)

ranged = {}
range_text = sys.argv[3] if len(sys.argv) > 3 else "range"
if len(sys.argv) > 2:
    with open(sys.argv[2], encoding="utf-8") as f:
        for row in json.load(f):
            ranged[os.path.basename(row["path"])] = row["bpm"]


def bpm_text(bpm):
    return "-" if bpm is None else f"{bpm:.2f}"


rows = json.load(sys.stdin)
range_heading = f"IN {range_text}"
print(f"{'TRACK':<28} {'MEASURED':>9} {'KEY':<4} {range_heading:>10} {'TRUE':>7}  SOURCE")
for row in rows:
    name = os.path.basename(row["path"])
    key = row.get("key") or "-"
    folded = bpm_text(ranged[name]) if name in ranged else "?"
    true = truth.get(name)
    source = {"analysis": "analysed now", "store": "remembered", "tag": "read from tag"}.get(
        row.get("source"), "-")
    print(f"{name:<28} {bpm_text(row['bpm']):>9} {key:<4} {folded:>10} "
          f"{true if true is not None else '?':>7}  {source}")
