#!/usr/bin/python3
"""Composites the editor pictures the way the editor draws them, without OpenGL.

Usage: preview.py [--resources DIR] [--scale S]... [--set "NAME=VALUE"]... OUTPUT_PREFIX

Writes OUTPUT_PREFIX-<S>.png for every scale (default 0.5 and 1.0): the top 1010 rows of the
background, then every control in drawing order at its rectangle. VALUE is the normalised value
0..1 of the parameter; unset parameters take the plug-in's defaults.
"""

import argparse
import os
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import panel  # noqa: E402

# Normalised defaults of the plug-in's parameters.
DEFAULTS = {
    "Bypass": 0.0, "React": 0.0, "Oversampling": 0.0, "Delta": 0.0,
    "Input Gain": 32.0 / 200.0, "Wet": 0.5, "Tame": 0.5, "Output Gain": 100.0 / 120.0, "Bias": 0.5,
}


def frame_index(frames, value):
    if frames <= 1:
        return 0
    return max(0, min(frames - 1, int((frames - 1) * value + 0.5)))


def compose(resources, values):
    def load(name):
        return Image.open(os.path.join(resources, name)).convert("RGBA")

    bg = load("Kolmaribackground.jpg")
    out = bg.crop((0, 0, panel.EDITOR_WIDTH, panel.EDITOR_HEIGHT))
    cache = {}
    for kind, x, y, picture, param in panel.CONTROLS:
        img = cache.setdefault(picture, load(picture))
        fw, fh = panel.frame_size(picture)
        frames = panel.PICTURES[picture][2]
        value = values[param]
        if kind == "rotater":
            angle = value * 2 * panel.ROTATION_RANGE - panel.ROTATION_RANGE
            # PIL turns counter-clockwise for positive angles; the editor turns clockwise.
            turned = img.rotate(-angle, resample=Image.BICUBIC, expand=True)
            cx, cy = x + fw / 2.0, y + fh / 2.0
            px = int(round(cx - turned.size[0] / 2.0))
            py = int(round(cy - turned.size[1] / 2.0))
            out.alpha_composite(turned, (px, py)) if px >= 0 and py >= 0 else \
                _composite_clipped(out, turned, px, py)
        else:
            i = frame_index(frames, value)
            frame = img.crop((0, i * fh, fw, (i + 1) * fh))
            _composite_clipped(out, frame, x, y)
    return out


def _composite_clipped(out, img, px, py):
    layer = Image.new("RGBA", out.size, (0, 0, 0, 0))
    layer.paste(img, (px, py))
    out.alpha_composite(layer)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Previews the editor from its pictures.")
    parser.add_argument("--resources",
                        default=os.path.normpath(os.path.join(here, "..", "..", "resources")))
    parser.add_argument("--scale", type=float, action="append")
    parser.add_argument("--set", action="append", default=[], metavar="NAME=VALUE")
    parser.add_argument("output_prefix")
    args = parser.parse_args(argv)
    values = dict(DEFAULTS)
    for item in args.set:
        name, sep, text = item.partition("=")
        if not sep or name not in values:
            print("preview: bad setting %r (parameters: %s)" % (item, ", ".join(values)),
                  file=sys.stderr)
            return 2
        try:
            values[name] = min(1.0, max(0.0, float(text)))
        except ValueError:
            print("preview: bad value in %r" % item, file=sys.stderr)
            return 2
    scales = args.scale or [0.5, 1.0]
    for s in scales:
        if not 0.25 <= s <= 1.0:
            print("preview: scale %g outside 0.25..1.0" % s, file=sys.stderr)
            return 2
    full = compose(args.resources, values)
    for s in scales:
        size = (round(panel.EDITOR_WIDTH * s), round(panel.EDITOR_HEIGHT * s))
        img = full if s == 1.0 else full.resize(size, Image.LANCZOS)
        path = "%s-%g.png" % (args.output_prefix, s)
        img.convert("RGB").save(path)
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
