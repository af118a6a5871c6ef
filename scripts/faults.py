#!/usr/bin/env python3
"""Injects the faults listed in tests/faults/*.json (one file per area) one at a time and records which tests catch each.

Each fault names a file, an exact text found there once, its faulty replacement, and the CTest tests
that should catch it. For each fault the script puts the fault in, builds those tests' targets, runs
them, and puts the file back (also when interrupted). A fault the tests do not catch is reported.

    scripts/faults.py [--build-dir build/windows] [--only ID ...] [--area AREA ...] [--list]

Windows tests need the environment that scripts/test.sh sets up (a display for window tests):
    source scripts/wine-env.sh $PWD/build/windows/wineprefix; nivex_start_xvfb 100 199
Exit code 0 when every fault run was caught, 1 otherwise.
"""
import argparse
import json
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run(cmd, **kw):
    return subprocess.run(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def check_fault(fault, build_dir):
    path = os.path.join(ROOT, fault['file'])
    with open(path, encoding='utf-8', newline='') as f:
        original = f.read()
    found = original.count(fault['find'])
    if found != 1:
        return 'stale', 'the text to replace occurs %d times' % found
    try:
        with open(path, 'w', encoding='utf-8', newline='') as f:
            f.write(original.replace(fault['find'], fault['replace']))
        targets = fault.get('targets', fault['tests'])
        built = run(['cmake', '--build', build_dir, '-j2', '--target'] + targets)
        if built.returncode != 0:
            return 'no-build', built.stdout[-2000:]
        pattern = '^(%s)$' % '|'.join(re.escape(t) for t in fault['tests'])
        tested = run(['ctest', '--test-dir', build_dir, '-R', pattern, '--timeout', '300'])
        failed = re.findall(r'\d+ - (\S+) \(', tested.stdout)
        return ('caught', failed) if failed else ('missed', [])
    finally:
        with open(path, 'w', encoding='utf-8', newline='') as f:
            f.write(original)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--build-dir', default='build/windows')
    ap.add_argument('--faults', default='tests/faults')
    ap.add_argument('--only', nargs='*')
    ap.add_argument('--area', nargs='*')
    ap.add_argument('--list', action='store_true')
    args = ap.parse_args()
    folder = os.path.join(ROOT, args.faults)
    faults = []
    for name in sorted(os.listdir(folder)):
        if name.endswith('.json'):
            with open(os.path.join(folder, name), encoding='utf-8') as f:
                faults += json.load(f)
    if args.only:
        faults = [x for x in faults if x['id'] in args.only]
    if args.area:
        faults = [x for x in faults if x['area'] in args.area]
    if args.list:
        for x in faults:
            print('%-28s %-13s %s' % (x['id'], x['area'], x['what']))
        return 0
    bad = 0
    for x in faults:
        status, detail = check_fault(x, args.build_dir)
        if status == 'caught':
            print('caught  %-28s by %s' % (x['id'], ', '.join(sorted(set(detail)))), flush=True)
        else:
            bad += 1
            print('%-7s %-28s %s' % (status.upper(), x['id'], detail if isinstance(detail, str) else ''), flush=True)
    print('%d faults, %d caught, %d not' % (len(faults), len(faults) - bad, bad))
    # Rebuild what the last fault left behind, so the build folder matches the sources again.
    run(['cmake', '--build', args.build_dir, '-j2'])
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
