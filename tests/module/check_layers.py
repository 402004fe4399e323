#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Holds the driver's #include lines to its layers.

    include  <-  forms  <-  support  <-  probes, hdd, config, callback  <-  entry

(forms/ holds the page's packages and numbers, which include/ does not need.)

A folder includes only its own folder and lower layers; inside the middle
layer a folder may use another, as long as the folders form no circle. No
driver folder includes the host platform, the testbed, the tests or the
bench. Usage: check_layers.py [REPO]; exits 1 and lists every breach.
"""

import os
import re
import sys
import unittest

LAYERS = {"include": 0, "forms": 1, "support": 2,
          "probes": 3, "hdd": 3, "config": 3, "callback": 3, "entry": 4}
_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def include_edges(repo):
    """[(file, line, from folder, to folder)] for every quoted include of the driver's folders."""
    edges = []
    for folder in LAYERS:
        for dirpath, _, names in os.walk(os.path.join(repo, folder)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                for m in _INCLUDE.finditer(text):
                    line = text.count("\n", 0, m.start()) + 1
                    target = m.group(1).split("/", 1)[0]
                    edges.append((os.path.relpath(path, repo), line, folder, target))
    return edges


def breaches(edges):
    """Texts naming each include that goes up or outside, and each circle of folders."""
    found, graph = [], {}
    for path, line, source, target in edges:
        if target not in LAYERS:
            found.append(f"{path}:{line}: includes {target}/, which is not part of the driver")
        elif LAYERS[target] > LAYERS[source]:
            found.append(f"{path}:{line}: {source}/ includes {target}/ of a higher layer")
        elif target != source:
            graph.setdefault(source, set()).add(target)
    # Folder circles, by depth-first search.
    state = {}

    def visit(folder, trail):
        state[folder] = "open"
        for target in sorted(graph.get(folder, ())):
            if state.get(target) == "open":
                circle = trail[trail.index(target):] + [target]
                found.append("folders include each other in a circle: " + " -> ".join(circle))
            elif target not in state:
                visit(target, trail + [target])
        state[folder] = "done"

    for folder in sorted(graph):
        if folder not in state:
            visit(folder, [folder])
    return found


class RulesCatchBreaches(unittest.TestCase):
    """The rules themselves, on made-up include lines."""

    def test_an_include_of_a_higher_layer_is_a_breach(self):
        self.assertEqual(len(breaches([("support/a.cpp", 3, "support", "entry")])), 1)
        self.assertEqual(len(breaches([("include/a.h", 3, "include", "forms")])), 1)

    def test_an_include_outside_the_driver_is_a_breach(self):
        self.assertEqual(len(breaches([("hdd/a.cpp", 3, "hdd", "hostplatform")])), 1)

    def test_a_circle_inside_the_middle_layer_is_a_breach(self):
        found = breaches([("config/a.cpp", 1, "config", "callback"), ("callback/b.cpp", 2, "callback", "hdd"),
                          ("hdd/c.cpp", 3, "hdd", "config")])
        self.assertEqual(len(found), 1)
        self.assertIn("callback -> hdd -> config -> callback", found[0])

    def test_downward_and_sideways_includes_without_a_circle_are_allowed(self):
        self.assertEqual(breaches([("entry/a.cpp", 1, "entry", "callback"), ("callback/b.cpp", 2, "callback", "config"),
                                   ("config/c.cpp", 3, "config", "support"), ("support/d.h", 4, "support", "include"),
                                   ("hdd/e.cpp", 5, "hdd", "forms")]), [])


class DriverLayers(unittest.TestCase):
    def test_the_driver_keeps_its_layers(self):
        edges = include_edges(REPO)
        self.assertGreater(len(edges), 50, "the include lines were found")
        self.assertEqual(breaches(edges), [])


REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

if __name__ == "__main__":
    if len(sys.argv) > 1:
        REPO = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
