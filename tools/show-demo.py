#!/usr/bin/env python3
"""Prints each demo track's measured BPM beside its true tempo.

Reads the JSON list of tempowright-cli on standard input and truth.tsv from the demo folder."""
import json
import os
import sys

folder = sys.argv[1]
truth = {}
with open(os.path.join(folder, "truth.tsv"), encoding="utf-8") as f:
    for line in f:
        name, bpm = line.rstrip("\n").split("\t")
        truth[name] = float(bpm)

rows = json.load(sys.stdin)
print(f"{'TRACK':<28} {'MEASURED':>9} {'TRUE':>7}  SOURCE")
for row in rows:
    name = os.path.basename(row["path"])
    measured = "-" if row["bpm"] is None else f"{row['bpm']:.2f}"
    true = truth.get(name)
    source = {"analysis": "analysed now", "store": "remembered", "tag": "read from tag"}.get(
        row.get("source"), "-")
    print(f"{name:<28} {measured:>9} {true if true is not None else '?':>7}  {source}")
