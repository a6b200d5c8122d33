#!/usr/bin/env python3
"""Checks the include graph between the system's source folders.

Every quoted include "<folder>/<file>" in a folder's sources is an edge from that folder to
<folder>. The check fails when the folders include each other in a cycle, or when a folder
includes one it may not use:

- the layers, bottom to top: platform, core, audio, rhythm, tonal, profile, tags, store, catalog;
  each may use only the layers below it, except that the analysis store (store) sees no tags:
  it keeps profiles and recognises audio, and the catalog meets both;
- the track picture (picture) sits beside the store and the catalog on the profile: it sees the
  layers up to profile and nothing above;
- the Qt drawing of the picture (render) sees the picture and, to read a stored profile, the
  layers up to the store; not the catalog, the tags or the programs;
- the decoder components use only the platform and the reader contract of the audio folder;
- the desktop program (ui) and the command-line program (cli) use the layers, but not each other.

Usage: check_folder_includes.py <source root>
"""

import re
import sys
from pathlib import Path

LAYERS = ["platform", "core", "audio", "rhythm", "tonal", "profile", "tags", "store", "catalog"]
# Layers below a layer that it may nevertheless not use.
NOT_USED = {"store": {"tags"}}
# The audio headers a decoder component may include: the reader interface, its ids, and the
# header-only arithmetic of a mix to mono (so that a component's mix equals the converter's).
READER_CONTRACT = {"audio/PcmReader.h", "audio/WaveFormat.h", "audio/ComponentIds.h",
                   "audio/MonoMix.h"}
SOURCE_SUFFIXES = {".h", ".cpp", ".def"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def allowed_folders():
    allowed = {}
    for i, layer in enumerate(LAYERS):
        allowed[layer] = set(LAYERS[: i + 1]) - NOT_USED.get(layer, set())
    allowed["picture"] = set(LAYERS[: LAYERS.index("profile") + 1]) | {"picture"}
    allowed["render"] = (set(LAYERS[: LAYERS.index("store") + 1]) - {"tags"}) | {"picture", "render"}
    allowed["components"] = {"components", "platform"}
    allowed["ui"] = set(LAYERS) | {"ui", "resources", "picture", "render"}
    allowed["cli"] = set(LAYERS) | {"cli", "picture"}
    return allowed


def includes_of(folder):
    """Yields (file, included path) for every quoted include below `folder`."""
    for path in sorted(folder.rglob("*")):
        if path.suffix in SOURCE_SUFFIXES and path.is_file():
            for included in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
                yield path, included


def find_cycle(graph):
    """A list of folders forming a cycle, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main():
    root = Path(sys.argv[1]).resolve()
    allowed = allowed_folders()
    known = set(allowed) | {"resources"}
    graph = {folder: set() for folder in allowed}
    problems = []
    for folder in allowed:
        for path, included in includes_of(root / folder):
            target = included.split("/", 1)[0]
            if "/" not in included or target not in known:
                continue  # a header beside the file, or outside the system's folders
            if target != folder:
                graph[folder].add(target)
            permitted = target in allowed[folder] or (
                folder == "components" and included in READER_CONTRACT)
            if not permitted:
                problems.append(f"{path.relative_to(root)}: {folder} may not include {included}")
    cycle = find_cycle(graph)
    if cycle:
        problems.append("folders include each other: " + " -> ".join(cycle))
    for problem in problems:
        print(problem)
    if not problems:
        edges = sum(len(targets) for targets in graph.values())
        print(f"{len(graph)} folders, {edges} folder-level include edges, no cycle, none forbidden")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
