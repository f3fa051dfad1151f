#!/usr/bin/python3
"""Draws pictures of Kolmari's sound into docs/ by rendering test signals through the real binary.

Usage: make_sound_pictures.py [--render PATH] [--out DIR] [--only NAME]...

Every signal is made here from a fixed seed, written as a 32-bit float WAV, played through
kolmari-render (which loads Kolmari.so the way a host does) with --seed, so the drift the effect
adds is the same on every run, and read back. The pictures are drawn with matplotlib's Agg backend
with no date or software stamp in the files, so the same build gives the same PNG bytes.

Pictures (NAME for --only):
  transfer   static transfer curve at four Input Gain settings
  harmonics  spectrum of a 1 kHz sine at the defaults and at Input Gain 200 %
  aliasing   a 7 kHz sine at 48 kHz driven hard, at 1x, 2x, 4x and 8x oversampling
  response   small-signal frequency response at 44.1, 48, 88.2 and 96 kHz
  presets    every factory preset's transfer curve side by side (docs/presets.png), and the table
             of their measured figures (docs/presets.md, also printed)

Exits 1 with a one-line reason when the renderer is missing or fails.
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

try:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import numpy as np
except ImportError:
    sys.exit("make_sound_pictures: python3-matplotlib is missing (run scripts/setup; use /usr/bin/python3)")

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SEED = 19  # the effect's drift seed, and the seed of the noise the response is measured with
BLOCK = 512

# One look for every picture; fixed so the output does not depend on a user's matplotlibrc.
STYLE = {
    "figure.dpi": 100,
    "savefig.dpi": 100,
    "font.family": "DejaVu Sans",
    "font.size": 10,
    "axes.titlesize": 11,
    "axes.grid": True,
    "grid.alpha": 0.35,
    "axes.spines.top": False,
    "axes.spines.right": False,
    "legend.fontsize": 9,
    "legend.framealpha": 0.9,
    "svg.hashsalt": "kolmari",
}
COLORS = ["#1f4e79", "#2e8b57", "#d98c1f", "#b03030"]
PRESETS_TEXT = os.path.join(REPO, "resources", "presets.txt")


class RenderError(Exception):
    pass


# ---- WAV files ------------------------------------------------------------------------------------------


def write_wav(path, samples, rate):
    """Mono 32-bit float WAV."""
    data = np.asarray(samples, dtype="<f4").tobytes()
    fmt = struct.pack("<HHIIHH", 3, 1, rate, rate * 4, 4, 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def read_wav(path):
    """First channel of a 32-bit float WAV (plain or extensible), as float64."""
    with open(path, "rb") as f:
        raw = f.read()
    if raw[:4] != b"RIFF" or raw[8:12] != b"WAVE":
        raise RenderError(f"{path} is not a WAV file")
    pos = 12
    channels = bits = None
    while pos + 8 <= len(raw):
        tag, size = raw[pos : pos + 4], struct.unpack("<I", raw[pos + 4 : pos + 8])[0]
        body = raw[pos + 8 : pos + 8 + size]
        if tag == b"fmt ":
            _, channels, _, _, _, bits = struct.unpack("<HHIIHH", body[:16])
        elif tag == b"data":
            if channels is None or bits != 32:
                raise RenderError(f"{path}: expected 32-bit float samples")
            return np.frombuffer(body, dtype="<f4").reshape(-1, channels)[:, 0].astype(np.float64)
        pos += 8 + size + (size & 1)
    raise RenderError(f"{path} has no data")


class Renderer:
    def __init__(self, binary, workdir):
        self.binary = binary
        self.workdir = workdir
        self.count = 0

    def __call__(self, signal, rate, settings):
        """Plays signal (mono, at rate) through Kolmari with settings {name: value}; returns the output."""
        self.count += 1
        src = os.path.join(self.workdir, f"in{self.count}.wav")
        dst = os.path.join(self.workdir, f"out{self.count}.wav")
        write_wav(src, signal, rate)
        command = [self.binary, "--seed", str(SEED), "--block", str(BLOCK)]
        for name, value in settings.items():
            command += ["--set", f"{name}={value}"]
        command += [src, dst]
        done = subprocess.run(command, capture_output=True, text=True)
        if done.returncode != 0:
            reason = (done.stderr or done.stdout).strip().splitlines()
            raise RenderError(f"{' '.join(command)} failed: {reason[-1] if reason else done.returncode}")
        out = read_wav(dst)
        if len(out) != len(signal):
            raise RenderError(f"kolmari-render gave {len(out)} frames for {len(signal)}")
        return out


# ---- Analysis -------------------------------------------------------------------------------------------


def blackman_harris(n):
    k = np.arange(n) * 2.0 * np.pi / n
    return 0.35875 - 0.48829 * np.cos(k) + 0.14128 * np.cos(2 * k) - 0.01168 * np.cos(3 * k)


def spectrum_dbfs(x, rate):
    """Magnitude spectrum in dB relative to a full-scale sine (a sine of amplitude 1 reads 0 dB)."""
    w = blackman_harris(len(x))
    mag = np.abs(np.fft.rfft(x * w)) * 2.0 / np.sum(w)
    freqs = np.fft.rfftfreq(len(x), 1.0 / rate)
    return freqs, 20 * np.log10(np.maximum(mag, 1e-12))


def power_near(freqs, db, f, halfwidth):
    """Power (linear) of the peak around f: a window's main lobe spans a few bins, take its sum."""
    sel = np.abs(freqs - f) <= halfwidth
    return float(np.sum(10 ** (db[sel] / 10)))


def minus(value):
    """A number as text with a typographic minus, as the axes show theirs."""
    return f"{value:.1f}".replace("-", "−")


def sine(freq, amp, rate, seconds):
    t = np.arange(int(rate * seconds)) / rate
    return amp * np.sin(2 * np.pi * freq * t)


# ---- Pictures -------------------------------------------------------------------------------------------


def picture_transfer(render, out):
    rate, freq = 48000, 20.0
    x = sine(freq, 1.0, rate, 1.0)
    period = int(rate / freq)
    fig, ax = plt.subplots(figsize=(6.4, 5.6))
    ax.plot([-1, 1], [-1, 1], color="0.6", linestyle="--", linewidth=1, label="unchanged (input = output)")
    for color, gain in zip(COLORS, [0, 32, 100, 200]):
        y = render(x, rate, {"Input Gain": gain, "Wet": 100})
        # The last whole cycle, long after the filters have settled.
        xs, ys = x[-period:], y[-period:]
        ax.plot(xs, ys, color=color, linewidth=1.6, label=f"Input Gain {gain} %" + (" (default)" if gain == 32 else ""))
    ax.set_xlim(-1.05, 1.05)
    ax.set_ylim(-1.05, 1.05)
    ax.set_aspect("equal")
    ax.set_xlabel("input sample (full scale = 1)")
    ax.set_ylabel("output sample (full scale = 1)")
    ax.set_title("Static transfer curve: output against input for a 20 Hz sine at 0 dBFS,\nWet 100 %, other controls at their defaults")
    ax.legend(loc="upper left")
    save(fig, out, "sound-transfer.png")


def picture_harmonics(render, out):
    rate, freq = 48000, 1000.0
    # 1.5 s; the analysis takes the last second, an exact number of cycles.
    x = sine(freq, 0.5, rate, 1.5)
    fig, axes = plt.subplots(2, 1, figsize=(8.0, 6.4), sharex=True)
    for ax, color, (title, settings) in zip(
        axes, [COLORS[0], COLORS[3]], [("defaults (Input Gain 32 %)", {}), ("Input Gain 200 %", {"Input Gain": 200})]
    ):
        y = render(x, rate, settings)[-rate:]
        freqs, db = spectrum_dbfs(y, rate)
        fund = power_near(freqs, db, freq, 3)
        harm = sum(power_near(freqs, db, k * freq, 3) for k in range(2, 24))
        thd = 10 * np.log10(max(harm, 1e-30) / fund)
        ax.plot(freqs / 1000, db, color=color, linewidth=0.9)
        for k in range(2, 24):
            level = 10 * np.log10(max(power_near(freqs, db, k * freq, 3), 1e-30))
            if k % 2 == 1 and k <= 9 and level > -95:
                ax.annotate(f"H{k}", (k, level), textcoords="offset points", xytext=(0, 4), ha="center", fontsize=8)
        ax.set_ylim(-160, 5)
        ax.set_ylabel("level (dBFS)")
        ax.set_title(f"1 kHz sine at −6 dBFS, {title}: THD {minus(thd)} dB")
    axes[-1].set_xlim(0, 24)
    axes[-1].set_xticks(range(0, 25, 2))
    axes[-1].set_xlabel("frequency (kHz), 48 kHz sample rate")
    fig.tight_layout()
    save(fig, out, "sound-harmonics.png")


def alias_frequencies(freq, rate, count=40):
    """Where harmonics above the Nyquist frequency fold back to."""
    folded = []
    for k in range(2, count):
        f = (k * freq) % rate
        f = rate - f if f > rate / 2 else f
        if k * freq > rate / 2 and f > 30:
            folded.append(f)
    return sorted(set(folded))


def picture_aliasing(render, out):
    rate, freq = 48000, 7000.0
    x = sine(freq, 0.5, rate, 1.5)
    harmonics = [k * freq for k in range(2, 4)]  # 14 and 21 kHz: the ones below Nyquist
    aliases = alias_frequencies(freq, rate)
    fig, axes = plt.subplots(4, 1, figsize=(8.0, 9.0), sharex=True)
    for ax, color, (index, factor) in zip(axes, COLORS, enumerate([1, 2, 4, 8])):
        y = render(x, rate, {"Input Gain": 200, "Wet": 100, "Oversampling": index})[-rate:]
        freqs, db = spectrum_dbfs(y, rate)
        fund = power_near(freqs, db, freq, 3)
        alias = sum(power_near(freqs, db, f, 3) for f in aliases)
        ax.plot(freqs / 1000, db, color=color, linewidth=0.9)
        for f in harmonics:
            ax.axvline(f / 1000, color="0.55", linestyle=":", linewidth=1)
        ax.set_ylim(-160, 5)
        ax.set_ylabel("level (dBFS)")
        ax.text(
            0.99, 0.93, f"{factor}× oversampling: all aliases together "
            f"{minus(10 * np.log10(max(alias, 1e-30) / fund))} dB against the fundamental", transform=ax.transAxes, ha="right", va="top", fontsize=9,
            bbox=dict(boxstyle="round,pad=0.3", facecolor="white", edgecolor="0.8"),
        )
    axes[0].set_title("A 7 kHz sine at −6 dBFS, Input Gain 200 %, Wet 100 %, 48 kHz\n"
                      "dotted: the true harmonics at 14 and 21 kHz; every other peak is folded back (aliasing)")
    axes[-1].set_xlim(0, 24)
    axes[-1].set_xticks(range(0, 25, 2))
    axes[-1].set_xlabel("frequency (kHz)")
    fig.tight_layout()
    save(fig, out, "sound-aliasing.png")


def picture_response(render, out):
    fig, ax = plt.subplots(figsize=(8.0, 5.0))
    rng = np.random.default_rng(SEED)
    segment = 8192
    for color, rate in zip(COLORS, [44100, 48000, 88200, 96000]):
        # Quiet white noise (-40 dBFS RMS): small enough that the shapers stay linear.
        x = rng.standard_normal(rate * 3) * 0.01
        y = render(x, rate, {})
        x, y = x[rate // 2 :], y[rate // 2 :]  # after the filters have settled
        w = np.hanning(segment)
        sxy = np.zeros(segment // 2 + 1, dtype=complex)
        sxx = np.zeros(segment // 2 + 1)
        for start in range(0, len(x) - segment, segment // 2):
            fx = np.fft.rfft(x[start : start + segment] * w)
            fy = np.fft.rfft(y[start : start + segment] * w)
            sxy += np.conj(fx) * fy
            sxx += np.abs(fx) ** 2
        freqs = np.fft.rfftfreq(segment, 1.0 / rate)
        gain = 20 * np.log10(np.maximum(np.abs(sxy) / np.maximum(sxx, 1e-30), 1e-9))
        sel = freqs >= 10
        ax.semilogx(freqs[sel], gain[sel], color=color, linewidth=1.4, label=f"{rate / 1000:g} kHz")
    ax.set_xlim(10, 48000)
    ax.set_ylim(-40, 6)
    ax.set_xticks([10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 40000])
    ax.set_xticklabels(["10", "20", "50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k", "40k"])
    ax.set_xlabel("frequency (Hz)")
    ax.set_ylabel("gain (dB)")
    ax.set_title("Small-signal frequency response at four sample rates\n(white noise at −40 dBFS RMS, all controls at their defaults)")
    ax.legend(title="sample rate", loc="lower left")
    save(fig, out, "sound-response.png")


# ---- Factory presets --------------------------------------------------------------------------------------


def factory_presets():
    """The factory presets as the plug-in's table is made from them: [(category, name, {param: value})]."""
    sys.path.insert(0, os.path.join(REPO, "tools", "presets"))
    import make_preset_table

    try:
        parsed = make_preset_table.parse(PRESETS_TEXT)
    except make_preset_table.PresetError as e:
        raise RenderError(str(e)) from None
    return [(p["category"], p["name"], {param: f"{value:g}" for param, value, _ in p["settings"]}) for p in parsed]


def thd_db(y, rate, freq):
    freqs, db = spectrum_dbfs(y, rate)
    fund = power_near(freqs, db, freq, 3)
    harm = sum(power_near(freqs, db, k * freq, 3) for k in range(2, int(rate / 2 / freq) + 1))
    return 10 * np.log10(max(harm, 1e-30) / max(fund, 1e-30))


def alias_db(y, rate, freq):
    freqs, db = spectrum_dbfs(y, rate)
    fund = power_near(freqs, db, freq, 3)
    alias = sum(power_near(freqs, db, f, 3) for f in alias_frequencies(freq, rate))
    return 10 * np.log10(max(alias, 1e-30) / max(fund, 1e-30))


def rms(x):
    return float(np.sqrt(np.mean(np.square(x))))


def measure_preset(render, settings):
    """The figures the presets are designed by, all at 48 kHz with a -6 dBFS sine (amplitude 0.5):
    THD of 1 kHz (harmonics up to Nyquist against the fundamental), the level change (output RMS
    against input RMS) and the output's peak for that sine, and the aliasing of 7 kHz (everything
    at the frequencies harmonics above Nyquist fold back to, against the fundamental)."""
    rate = 48000
    x = sine(1000.0, 0.5, rate, 1.5)
    y = render(x, rate, settings)[-rate:]
    figures = {
        "thd": thd_db(y, rate, 1000.0),
        "level": 20 * np.log10(max(rms(y), 1e-12) / rms(x[-rate:])),
        "peak": 20 * np.log10(max(float(np.max(np.abs(y))), 1e-12)),
    }
    x7 = sine(7000.0, 0.5, rate, 1.5)
    figures["alias"] = alias_db(render(x7, rate, settings)[-rate:], rate, 7000.0)
    return figures


def transfer_curve(render, settings):
    rate, freq = 48000, 20.0
    x = sine(freq, 1.0, rate, 1.0)
    period = int(rate / freq)
    return x[-period:], render(x, rate, settings)[-period:]


def settings_text(settings):
    shown = []
    for param, value in settings.items():
        if param in ("Bypass", "Output Gain") and value in ("0", "100"):
            continue
        shown.append(f"{param} {value}")
    return ", ".join(shown)


def picture_presets(render, out):
    presets = factory_presets()
    columns = 6
    rows = (len(presets) + columns - 1) // columns
    fig, axes = plt.subplots(rows, columns, figsize=(2.3 * columns, 2.55 * rows), sharex=True, sharey=True)
    axes = np.atleast_1d(axes).ravel()
    table = []
    categories = sorted({c for c, _, _ in presets}, key=[c for c, _, _ in presets].index)
    for index, (category, name, settings) in enumerate(presets):
        ax = axes[index]
        xs, ys = transfer_curve(render, settings)
        color = COLORS[categories.index(category) % len(COLORS)] if categories.index(category) < len(COLORS) else "#6a3d9a"
        ax.plot([-1, 1], [-1, 1], color="0.7", linestyle="--", linewidth=0.8)
        ax.plot(xs, ys, color=color, linewidth=1.4)
        ax.set_xlim(-1.05, 1.05)
        ax.set_ylim(-1.05, 1.05)
        ax.set_aspect("equal")
        ax.set_title(f"{name}\n{category}", fontsize=9)
        ax.tick_params(labelsize=7)
        figures = measure_preset(render, settings)
        table.append((category, name, figures, settings))
    for ax in axes[len(presets):]:
        ax.set_visible(False)
    fig.suptitle("Factory presets: output against input for a 20 Hz sine at 0 dBFS (dashed: unchanged)", fontsize=11)
    fig.tight_layout()
    save(fig, out, "presets.png")
    lines = [
        "| Category | Preset | THD 1 kHz (dB) | Level change (dB) | Peak out (dBFS) | Aliasing 7 kHz (dB) | Settings |",
        "|---|---|---:|---:|---:|---:|---|",
    ]
    for category, name, f, settings in table:
        lines.append(f"| {category} | {name} | {f['thd']:.1f} | {f['level']:+.1f} | {f['peak']:.1f} | {f['alias']:.1f} "
                     f"| {settings_text(settings)} |")
    text = ("Measured at 48 kHz through kolmari-render with a -6 dBFS sine (amplitude 0.5): THD of 1 kHz "
            "(harmonics to Nyquist against the fundamental), level change (output RMS against input RMS), "
            "output peak, and aliasing of 7 kHz (everything at the folded-back harmonics' frequencies "
            "against the fundamental). Settings list what differs from Bypass 0 and Output Gain 100.\n\n"
            + "\n".join(lines) + "\n")
    path = os.path.join(out, "presets.md")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    print(text)
    print(f"wrote {path}")


def save(fig, out, name):
    path = os.path.join(out, name)
    # No "Software" stamp (it names the matplotlib version) and no date: same input, same bytes.
    fig.savefig(path, format="png", metadata={"Software": None})
    plt.close(fig)
    print(f"wrote {path}")


PICTURES = {
    "transfer": picture_transfer,
    "harmonics": picture_harmonics,
    "aliasing": picture_aliasing,
    "response": picture_response,
    "presets": picture_presets,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--render", default=os.path.join(REPO, "build", "tools", "kolmari-render"),
                        help="the kolmari-render to play the signals through (default: build/tools/kolmari-render)")
    parser.add_argument("--out", default=os.path.join(REPO, "docs"), help="folder for the PNG files (default: docs/)")
    parser.add_argument("--only", action="append", choices=sorted(PICTURES), help="draw only this picture")
    args = parser.parse_args()
    if not os.access(args.render, os.X_OK):
        sys.exit(f"make_sound_pictures: no kolmari-render at {args.render} (build it, or give --render)")
    os.makedirs(args.out, exist_ok=True)
    plt.rcParams.update(STYLE)
    with tempfile.TemporaryDirectory(prefix="kolmari-pictures-") as work:
        render = Renderer(args.render, work)
        try:
            for name in args.only or PICTURES:
                PICTURES[name](render, args.out)
        except RenderError as e:
            sys.exit(f"make_sound_pictures: {e}")


if __name__ == "__main__":
    main()
