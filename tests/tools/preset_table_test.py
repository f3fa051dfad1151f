#!/usr/bin/python3
"""The factory presets' table maker refuses faulty text with the line at fault, and takes the
committed text. Usage: preset_table_test.py MAKER PRESETS_TXT"""

import os
import subprocess
import sys
import tempfile

GOOD = """# comment
[Utility: Default]
Input Gain = 32
Tame = 0.5

[Drive: Hot]
Input Gain = 64
Tame = 0.75
"""

FAULTS = {
    "no header": ("Input Gain = 32\n", ":1:"),
    "default not first": ("[Drive: Hot]\nTame = 1\n[Utility: Default]\nTame = 1\n", "'Default'"),
    "twice": ("[Utility: Default]\nTame = 1\nTame = 0.5\n", ":3: 'Tame' set twice"),
    "not a number": ("[Utility: Default]\nTame = half\n", ":2:"),
    "not finite": ("[Utility: Default]\nTame = nan\n", ":2:"),
    "not float-exact": ("[Utility: Default]\nTame = 0.1\n", ":2: 0.1 is not exact"),
    "same name": ("[Utility: Default]\nTame = 1\n[Drive: Default]\nTame = 0\n", ":3:"),
    "names differ in case": ("[Utility: Default]\nTame = 1\n[Drive: default]\nTame = 0\n", ":3:"),
    "path in name": ("[Utility: Default]\nTame = 1\n[Drive: a/b]\nTame = 0\n", ":3:"),
    "garbage": ("[Utility: Default]\nTame: 1\n", ":2:"),
    "empty": ("# nothing\n", "no presets"),
}


def run(maker, text, work):
    source = os.path.join(work, "presets.txt")
    with open(source, "w", encoding="utf-8") as f:
        f.write(text)
    return subprocess.run([sys.executable, maker, "--output", os.path.join(work, "out.cpp"), source],
                          capture_output=True, text=True)


def main():
    maker, committed = sys.argv[1], sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        done = run(maker, GOOD, work)
        with open(os.path.join(work, "out.cpp"), encoding="utf-8") as f:
            table = f.read()
        if done.returncode != 0 or '{"Drive", "Hot", ByIndex(kPreset1)}' not in table or "kolmari::kInputGain, 64.0" not in table:
            failures.append(f"good text: {done.returncode} {done.stderr}")
        for name, (text, expected) in FAULTS.items():
            done = run(maker, text, work)
            if done.returncode == 0 or expected not in done.stderr:
                failures.append(f"{name}: exit {done.returncode}, said {done.stderr.strip()!r}, wanted {expected!r}")
        with open(committed, encoding="utf-8") as f:
            done = run(maker, f.read(), work)
        if done.returncode != 0:
            failures.append(f"committed presets: {done.stderr}")
    for failure in failures:
        print("FAIL", failure)
    print("preset table maker:", "failed" if failures else "ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
