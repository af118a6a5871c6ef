#!/usr/bin/env python3
"""Checks that the top-level folders of src/ include only folders that come before them in the layering
order below (folders on one level may not include each other). Prints each include against the order
and each folder the order does not name; exit 1 when there is any.
Usage: include_order.py SRC_DIR"""
import os
import re
import sys

LEVELS = [['common'], ['faultnote', 'guicontrols'], ['registry'], ['auxiliary'], ['inspect'], ['catalogue'],
          ['registration', 'reports'], ['app'], ['cli']]
level = {folder: n for n, folders in enumerate(LEVELS) for folder in folders}
include = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')

src = sys.argv[1]
bad = 0
for top in sorted(os.listdir(src)):
    if not os.path.isdir(os.path.join(src, top)):
        continue
    if top not in level:
        print('%s: not in the layering order' % top)
        bad += 1
        continue
    for root, _, files in os.walk(os.path.join(src, top)):
        for name in sorted(files):
            path = os.path.join(root, name)
            with open(path, encoding='utf-8', errors='replace') as f:
                for n, line in enumerate(f, 1):
                    m = include.match(line)
                    target = m and m.group(1)
                    if target in level and target != top and level[target] >= level[top]:
                        print('%s:%d: %s includes %s' % (path, n, top, target))
                        bad += 1
sys.exit(1 if bad else 0)
