#!/usr/bin/python3
"""Checks the committed editor pictures.

Usage: check_artwork.py [--resources DIR] [--no-regenerate]

Every picture must exist with the size, pixel format and frame count the editor layout expects,
must be transparent where the panel is meant to show through, and must be exactly what the
generator draws today (so the committed files never drift from tools/artwork/make_artwork.py).
Prints one line per problem and exits 1 when there is any.
"""

import argparse
import os
import sys
import tempfile

try:
    from PIL import Image, ImageChops
except ImportError:
    sys.exit("check_artwork: python3-pil is missing (run scripts/setup; use /usr/bin/python3)")

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import panel  # noqa: E402

# Largest per-channel difference allowed between a committed picture and a fresh rendering: the
# same packages give identical pixels; a point release of the rasteriser may round a few pixels
# differently, while any change to the drawing moves far more than this.
TOLERANCE = 2


def alpha_extent(image, box):
    """Largest alpha inside box (left, top, right, bottom)."""
    return image.getchannel("A").crop(box).getextrema()[1]


def check_format(name, path, problems):
    w, h, frames = panel.PICTURES[name]
    try:
        image = Image.open(path)
        image.load()
    except (OSError, ValueError) as e:
        problems.append("%s: cannot be read (%s)" % (name, e))
        return None
    expected_format = "JPEG" if name.lower().endswith(".jpg") else "PNG"
    expected_mode = "RGB" if expected_format == "JPEG" else "RGBA"
    if image.format != expected_format:
        problems.append("%s: is %s, expected %s" % (name, image.format, expected_format))
    if image.mode != expected_mode:
        problems.append("%s: mode %s, expected %s" % (name, image.mode, expected_mode))
    if image.size != (w, h):
        problems.append("%s: %dx%d, expected %dx%d" % (name, image.size[0], image.size[1], w, h))
        return None
    if h % frames:
        problems.append("%s: height %d does not split into %d frames" % (name, h, frames))
    return image


def check_transparency(images, problems):
    """Pictures drawn over the panel must leave it visible where they have nothing to show."""
    lamp = images.get("ledOn.png")
    if lamp is not None:
        fw, fh = panel.frame_size("ledOn.png")
        left, top = 824, 0
        for frame in range(2):
            # The other controls and their names in the lamp's rectangle stay uncovered.
            for knob in ("Output Gain", "Wet"):
                cx, cy = panel.centre_of("Nuppi.png", knob)
                box = (int(cx - 170 - left), int(cy - 200 - top), int(cx + 170 - left),
                       int(cy + 150 - top))
                box = (max(0, box[0]), box[1] + frame * fh, min(fw, box[2]),
                       min(fh, box[3]) + frame * fh)
                if alpha_extent(lamp, box) > 0:
                    problems.append("ledOn.png: frame %d covers the %s knob" % (frame + 1, knob))
            for index in (16, 17):  # Delta and Oversampling buttons
                l, t, r, b = panel.control_rect(index)
                box = (l - left, t - top + frame * fh, min(fw, r - left),
                       min(fh, b - top) + frame * fh)
                if box[1] < box[3] and alpha_extent(lamp, box) > 0:
                    problems.append("ledOn.png: frame %d covers a button" % (frame + 1))
        lit = lamp.crop((0, 0, fw, fh)).getchannel("A").getextrema()[1]
        dark = lamp.crop((0, fh, fw, 2 * fh))
        if lit < 255:
            problems.append("ledOn.png: frame 1 (lit) shows no lamp")
        if ImageChops.difference(lamp.crop((0, 0, fw, fh)), dark).getbbox() is None:
            problems.append("ledOn.png: the lit and dark frames are the same")
    overlay = images.get("NuppiOverlay.png")
    if overlay is not None:
        w, h = overlay.size
        for box in ((0, 0, 8, 8), (w - 8, 0, w, 8), (0, h - 8, 8, h), (w - 8, h - 8, w, h)):
            if alpha_extent(overlay, box) > 0:
                problems.append("NuppiOverlay.png: corner %s is not transparent" % (box,))
    shadow = images.get("NupikkaVarjo.png")
    if shadow is not None:
        # The shadow turns with the knob about its centre; it must look the same at every angle
        # so that it keeps falling away from the light.
        turned = shadow.rotate(37, resample=Image.BICUBIC)
        diff = ImageChops.difference(shadow.getchannel("A"), turned.getchannel("A"))
        if diff.getextrema()[1] > 6:
            problems.append("NupikkaVarjo.png: changes when turned (by up to %d)"
                            % diff.getextrema()[1])


def check_regenerated(images, problems):
    try:
        import make_artwork  # noqa: E402  (needs cairo; only loaded for this check)
    except ImportError as e:
        problems.append("cannot run the generator (%s): run scripts/setup and use /usr/bin/python3"
                        % e)
        return

    with tempfile.TemporaryDirectory() as tmp:
        for name, committed in images.items():
            path = os.path.join(tmp, name)
            make_artwork.save(make_artwork.render(name), path)
            fresh = Image.open(path)
            fresh.load()
            if fresh.size != committed.size or fresh.mode != committed.mode:
                problems.append("%s: the generator now draws %s %s" % (name, fresh.mode, fresh.size))
                continue
            worst = max(hi for _, hi in ImageChops.difference(fresh, committed).getextrema())
            if worst > TOLERANCE:
                problems.append("%s: differs from what the generator draws (by up to %d); run "
                                "tools/artwork/make_artwork.py and commit the result" % (name, worst))


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Checks the committed editor pictures.")
    parser.add_argument("--resources",
                        default=os.path.normpath(os.path.join(here, "..", "..", "resources")))
    parser.add_argument("--no-regenerate", action="store_true",
                        help="skip comparing with a fresh rendering")
    args = parser.parse_args(argv)

    problems = []
    images = {}
    for name in panel.PICTURES:
        path = os.path.join(args.resources, name)
        if not os.path.isfile(path):
            problems.append("%s: missing from %s" % (name, args.resources))
            continue
        image = check_format(name, path, problems)
        if image is not None:
            images[name] = image
    check_transparency(images, problems)
    if not args.no_regenerate:
        check_regenerated(images, problems)
    for p in problems:
        print("check_artwork: " + p)
    if problems:
        return 1
    print("check_artwork: %d pictures as expected" % len(images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
