#!/usr/bin/python3
"""The factory presets through kolmari-render in every format: --list-presets prints the same lines
for VST 2.4, CLAP, VST3 and LV2; every preset renders bit for bit the same in all four at a fixed
seed (each format loading it its own way); an .fxp of a preset renders as the preset does; an
unknown name and a foreign .fxp are refused with a non-zero exit.

Usage: preset_formats_test.py RENDER VST2 CLAP VST3_BUNDLE LV2_BUNDLE WORK_DIR"""

import math
import os
import struct
import subprocess
import sys


def write_wav(path, rate=48000, seconds=0.25):
    frames = int(rate * seconds)
    samples = []
    for i in range(frames):
        t = i / rate
        left = 0.5 * math.sin(2 * math.pi * 220 * t) + 0.2 * math.sin(2 * math.pi * 3150 * t)
        right = 0.6 * math.sin(2 * math.pi * 330 * t)
        samples += [left, right]
    data = struct.pack(f"<{len(samples)}f", *samples)
    fmt = struct.pack("<HHIIHH", 3, 2, rate, rate * 8, 8, 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data)


def wav_data(path):
    raw = open(path, "rb").read()
    pos = 12
    while pos + 8 <= len(raw):
        tag, size = raw[pos:pos + 4], struct.unpack("<I", raw[pos + 4:pos + 8])[0]
        if tag == b"data":
            return raw[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    raise RuntimeError(f"{path} has no data")


def program_file(chunk, name, fx_id=b"ofzo"):
    header = b"FPCh" + struct.pack(">i", 1) + fx_id + struct.pack(">ii", 0x00010105, 9)
    header += name.encode()[:27].ljust(28, b"\0")
    body = header + struct.pack(">i", len(chunk)) + chunk
    return b"CcnK" + struct.pack(">i", len(body)) + body


def main():
    render, vst2, clap, vst3, lv2, work = sys.argv[1:7]
    os.makedirs(work, exist_ok=True)
    formats = {"VST 2.4": vst2, "CLAP": clap, "VST3": vst3, "LV2": lv2}
    failures = []

    def run(*args):
        return subprocess.run([render, *args], capture_output=True, text=True)

    listings = {}
    for label, plugin in formats.items():
        done = run("--plugin", plugin, "--list-presets")
        if done.returncode != 0:
            failures.append(f"{label}: --list-presets failed: {done.stderr.strip()}")
        listings[label] = done.stdout
    reference = listings["VST 2.4"]
    lines = reference.splitlines()
    if len(lines) < 16 or lines[0] != "Utility: Default":
        failures.append(f"VST 2.4 lists {len(lines)} presets, first {lines[:1]}")
    for label, text in listings.items():
        if text != reference:
            failures.append(f"{label} lists presets differently:\n{text}")

    source = os.path.join(work, "in.wav")
    write_wav(source)
    renders = {}
    for line in lines:
        name = line.split(": ", 1)[1]
        for label, plugin in formats.items():
            out = os.path.join(work, f"out-{len(renders)}.wav")
            done = run("--plugin", plugin, "--seed", "7", "--preset", name, source, out)
            if done.returncode != 0:
                failures.append(f"{label} {name}: {done.stderr.strip()}")
                continue
            renders[(label, name)] = wav_data(out)
        outputs = {label: renders.get((label, name)) for label in formats}
        if len(set(outputs.values())) != 1:
            failures.append(f"{name}: the formats render differently")
    if len({renders.get(("VST 2.4", line.split(': ', 1)[1])) for line in lines}) != len(lines):
        failures.append("two presets render the same")

    # A program file holding a preset's chunk renders as the preset does, in every format.
    state = os.path.join(work, "crunch.state")
    done = run("--plugin", vst2, "--preset", "Crunch", "--state-out", state)
    if done.returncode != 0:
        failures.append(f"--state-out with --preset: {done.stderr.strip()}")
    else:
        fxp = os.path.join(work, "Crunch copy.fxp")
        with open(fxp, "wb") as f:
            f.write(program_file(open(state, "rb").read(), "Crunch copy"))
        for label, plugin in formats.items():
            out = os.path.join(work, f"fxp-{label[:3]}.wav")
            done = run("--plugin", plugin, "--seed", "7", "--preset", fxp, source, out)
            if done.returncode != 0 or wav_data(out) != renders.get((label, "Crunch")):
                failures.append(f"{label}: the .fxp of Crunch: {done.returncode} {done.stderr.strip()}")
        # The value form (one normalised float per parameter, what VST 2.4 hosts save for
        # Kolmari): the same settings in every format, bypass off included.
        values = os.path.join(work, "values.fxp")
        normalised = [0, 0, 1 / 3, 0, 0.4, 0.82, 0.5, 0.75, 0.5]
        body = b"FxCk" + struct.pack(">i", 1) + b"ofzo" + struct.pack(">ii", 0x00010105, 9) + b"Values".ljust(28, b"\0")
        body += b"".join(struct.pack(">f", v) for v in normalised)
        with open(values, "wb") as f:
            f.write(b"CcnK" + struct.pack(">i", len(body)) + body)
        for label, plugin in formats.items():
            done = run("--plugin", plugin, "--preset", values, "--state-out", os.path.join(work, "values.state"))
            settings = done.stdout.split("settings:", 1)[-1]
            bypassed = any(line.split()[:2] in (["Bypass", "1"], ["Enabled", "0"]) for line in settings.splitlines())
            if done.returncode != 0 or bypassed or "Input Gain    80" not in settings:
                failures.append(f"{label}: the value-form .fxp: {done.returncode} {done.stderr.strip()}\n{settings}")
        foreign = os.path.join(work, "foreign.fxp")
        with open(foreign, "wb") as f:
            f.write(program_file(open(state, "rb").read(), "x", b"Xfzo"))
        done = run("--plugin", vst2, "--preset", foreign, source, os.path.join(work, "no.wav"))
        if done.returncode == 0 or "another plug-in" not in done.stderr or os.path.exists(os.path.join(work, "no.wav")):
            failures.append(f"a foreign .fxp: {done.returncode} {done.stderr.strip()}")

    for name in ("default", "No Such Preset"):
        done = run("--plugin", vst2, "--preset", name, source, os.path.join(work, "no.wav"))
        if done.returncode == 0 or "--list-presets" not in done.stderr:
            failures.append(f"unknown preset {name!r}: exit {done.returncode}, {done.stderr.strip()}")
    # --preset comes before --set.
    out_a, out_b = os.path.join(work, "a.wav"), os.path.join(work, "b.wav")
    run("--plugin", vst2, "--seed", "7", "--preset", "Fuzz Wall", "--set", "Wet=50", source, out_a)
    run("--plugin", vst2, "--seed", "7", "--set", "Wet=50", "--preset", "Fuzz Wall", source, out_b)
    if not (os.path.exists(out_a) and wav_data(out_a) == wav_data(out_b) and wav_data(out_a) != renders.get(("VST 2.4", "Fuzz Wall"))):
        failures.append("--set does not override --preset")

    for failure in failures:
        print("FAIL", failure)
    print(f"presets through every format: {'failed' if failures else 'ok'} ({len(lines)} presets)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
