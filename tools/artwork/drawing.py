"""Drawing helpers for the editor artwork: supersampled cairo canvases, text from font files and
small geometric shortcuts. Everything here is deterministic: no randomness, no system font lookup.
"""

import math
import os

import cairo
from PIL import Image, ImageDraw, ImageFont

ROBOTO_DIR = os.environ.get("KOLMARI_ROBOTO_DIR",
                            "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF")


def font_path(style):
    """Path of a Roboto face ("Regular", "Medium", "Light", "Bold") from fonts-roboto-unhinted."""
    path = os.path.join(ROBOTO_DIR, "Roboto-%s.ttf" % style)
    if not os.path.isfile(path):
        raise SystemExit("artwork: font %s not found (install fonts-roboto-unhinted)" % path)
    return path


def rgba(hex_colour, alpha=1.0):
    """(r, g, b, a) floats from "#rrggbb"."""
    h = hex_colour.lstrip("#")
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0, int(h[4:6], 16) / 255.0, alpha)


def hash01(i, salt=0):
    """A fixed pseudo-random number in [0, 1) for an integer: texture without a random generator."""
    x = (i * 2654435761 + salt * 40503 + 12345) & 0xFFFFFFFF
    x ^= x >> 15
    x = (x * 2246822519) & 0xFFFFFFFF
    x ^= x >> 13
    x = (x * 3266489917) & 0xFFFFFFFF
    x ^= x >> 16
    return x / 4294967296.0


class Canvas:
    """A cairo surface drawn at `ss` times the final size; `image()` box-filters it down.

    Drawing coordinates are final pixels: the context is scaled, so callers never see the
    supersampling factor except for text, which is rasterised at the large size too.
    """

    def __init__(self, width, height, ss=4):
        self.width, self.height, self.ss = width, height, ss
        self.surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, width * ss, height * ss)
        self.ctx = cairo.Context(self.surface)
        self.ctx.scale(ss, ss)
        self.ctx.set_antialias(cairo.ANTIALIAS_GOOD)

    def image(self):
        """The picture at its final size as RGBA (straight alpha)."""
        self.surface.flush()
        big = Image.frombuffer("RGBa", (self.width * self.ss, self.height * self.ss),
                               bytes(self.surface.get_data()), "raw", "BGRa",
                               self.surface.get_stride(), 1)
        # Averaging premultiplied pixels keeps edges against transparency free of dark fringes.
        small = big.reduce(self.ss) if self.ss > 1 else big
        return small.convert("RGBA")

    # --- text -------------------------------------------------------------------------------

    def text(self, text, x, y, size, colour, style="Medium", anchor="ms", tracking=0.0):
        """Draws text with its anchor point at (x, y) in final pixels.

        anchor follows PIL's two-letter anchors (l/m/r horizontally, a/m/s/d vertically).
        tracking is extra space between letters in final pixels.
        """
        ss = self.ss
        font = ImageFont.truetype(font_path(style), max(1, int(round(size * ss))))
        advances = [font.getlength(ch) for ch in text]
        width = sum(advances) + tracking * ss * max(0, len(text) - 1)
        ascent, descent = font.getmetrics()
        pad = int(size * ss)
        mask = Image.new("L", (int(math.ceil(width)) + 2 * pad, ascent + descent + 2 * pad), 0)
        draw = ImageDraw.Draw(mask)
        pen = float(pad)
        for ch, adv in zip(text, advances):
            draw.text((pen, pad + ascent), ch, font=font, fill=255, anchor="ls")
            pen += adv + tracking * ss
        h, v = anchor[0], anchor[1]
        ox = {"l": 0.0, "m": width / 2.0, "r": width}[h]
        # Vertical anchors relative to the baseline; "m" centres capital letters, which is what a
        # label wants to line up with a control.
        cap = font.getbbox("H", anchor="ls")
        cap_height = -cap[1]
        oy = {"a": -ascent, "m": -cap_height / 2.0, "s": 0.0, "d": descent}[v]
        # Where the mask's origin lands, in supersampled pixels.
        left = x * ss - ox - pad
        top = y * ss - oy - pad - ascent
        self._mask_image(mask, left, top, colour)
        return width / ss

    def text_width(self, text, size, style="Medium", tracking=0.0):
        font = ImageFont.truetype(font_path(style), max(1, int(round(size * self.ss))))
        w = sum(font.getlength(ch) for ch in text) + tracking * self.ss * max(0, len(text) - 1)
        return w / self.ss

    def _mask_image(self, mask, left, top, colour):
        w, h = mask.size
        stride = cairo.ImageSurface.format_stride_for_width(cairo.FORMAT_A8, w)
        raw = mask.tobytes()
        buf = bytearray(stride * h)
        for row in range(h):
            buf[row * stride:row * stride + w] = raw[row * w:(row + 1) * w]
        surf = cairo.ImageSurface.create_for_data(buf, cairo.FORMAT_A8, w, h, stride)
        ctx = self.ctx
        ctx.save()
        ctx.identity_matrix()
        # Whole supersampled pixels keep the glyph raster crisp before the box filter.
        ctx.translate(round(left), round(top))
        ctx.set_source_rgba(*colour)
        ctx.mask_surface(surf, 0, 0)
        ctx.restore()


# --- geometry shortcuts ---------------------------------------------------------------------------

def circle(ctx, cx, cy, r):
    ctx.new_sub_path()
    ctx.arc(cx, cy, r, 0, 2 * math.pi)
    ctx.close_path()


def rounded_rect(ctx, x, y, w, h, r):
    r = min(r, w / 2.0, h / 2.0)
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    ctx.close_path()


def polar(cx, cy, r, degrees):
    """The point at `r` from the centre, `degrees` clockwise from straight up (screen y down)."""
    a = math.radians(degrees)
    return cx + r * math.sin(a), cy - r * math.cos(a)


def radial(cx, cy, r0, r1, stops):
    """A radial gradient; stops are (offset, (r, g, b, a))."""
    g = cairo.RadialGradient(cx, cy, r0, cx, cy, r1)
    for off, col in stops:
        g.add_color_stop_rgba(off, *col)
    return g


def linear(x0, y0, x1, y1, stops):
    g = cairo.LinearGradient(x0, y0, x1, y1)
    for off, col in stops:
        g.add_color_stop_rgba(off, *col)
    return g


def soft_disc(ctx, cx, cy, r_full, r_zero, colour, steps=12):
    """A disc of `colour` up to r_full fading smoothly (smoothstep) to nothing at r_zero."""
    stops = []
    for i in range(steps + 1):
        t = i / steps
        r = r_full + (r_zero - r_full) * t
        fade = 1.0 - (t * t * (3 - 2 * t))
        stops.append((r / r_zero, colour[:3] + (colour[3] * fade,)))
    stops.insert(0, (0.0, colour))
    ctx.set_source(radial(cx, cy, 0, r_zero, stops))
    circle(ctx, cx, cy, r_zero)
    ctx.fill()
