#!/usr/bin/python3
"""Draws Kolmari's editor pictures into resources/ (or the folder given with --out).

Usage: make_artwork.py [--out DIR] [NAME...]

Every picture is vector drawing on a supersampled cairo canvas, box-filtered down to its exact
size. Nothing depends on the time, randomness or the system's font configuration, so the same
packages produce the same pixels.
"""

import argparse
import math
import os
import sys

import cairo
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from drawing import (Canvas, circle, hash01, linear, polar, radial, rgba,  # noqa: E402
                     rounded_rect, soft_disc)
import panel  # noqa: E402

# Palette -----------------------------------------------------------------------------------------
PANEL_TOP = rgba("#32353b")
PANEL_BOTTOM = rgba("#1d1f23")
LABEL = rgba("#e2e3e6")
LABEL_DIM = rgba("#9a9ea6")
TICK = rgba("#c4c7cd")
TICK_MINOR = rgba("#70747c")
AMBER = rgba("#ffa93a")
AMBER_HOT = rgba("#fff1cf")

LABEL_SIZE = 27
LABEL_TRACKING = 3.0

LAMP_CENTRE = (1372, 262)  # in the editor; the lamp strip starts at x = 824
LAMP_LENS_R = 33

KNOB_SKIRT_R = 113  # the big knob body, in Nuppi.png around its centre
KNOB_FACE_R = 84
TICK_INNER_R = 128
TICK_OUTER_R = 143


def tick_angles(count):
    return [-panel.ROTATION_RANGE + 2 * panel.ROTATION_RANGE * i / (count - 1)
            for i in range(count)]


# --- the big knob: body, shadow, overlay ---------------------------------------------------------

def knob_body():
    cv = Canvas(246, 246, 4)
    ctx, c = cv.ctx, 123.0
    # Skirt: dark anodised metal with a knurled edge that turns with the knob.
    ctx.set_source(radial(c, c, 0, KNOB_SKIRT_R, [(0.0, rgba("#3a3d43")), (0.8, rgba("#2c2f34")),
                                                  (1.0, rgba("#1f2125"))]))
    circle(ctx, c, c, KNOB_SKIRT_R)
    ctx.fill()
    ridges = 90
    for i in range(ridges):
        a0 = 360.0 * i / ridges
        a1 = a0 + 360.0 / ridges * 0.5
        ctx.move_to(*polar(c, c, KNOB_FACE_R + 10, a0))
        ctx.line_to(*polar(c, c, KNOB_SKIRT_R - 0.5, a0))
        ctx.line_to(*polar(c, c, KNOB_SKIRT_R - 0.5, a1))
        ctx.line_to(*polar(c, c, KNOB_FACE_R + 10, a1))
        ctx.close_path()
    ctx.set_source_rgba(0, 0, 0, 0.32)
    ctx.fill()
    # Bevel from skirt to face.
    ctx.set_source(radial(c, c, KNOB_FACE_R, KNOB_FACE_R + 9,
                          [(0.0, rgba("#5b6068")), (1.0, rgba("#25282c"))]))
    circle(ctx, c, c, KNOB_FACE_R + 9)
    ctx.fill()
    # Face: spun metal, concentric grain (it looks the same at every angle).
    ctx.set_source(radial(c, c, 0, KNOB_FACE_R, [(0.0, rgba("#50545b")), (0.7, rgba("#43474e")),
                                                 (1.0, rgba("#383b41"))]))
    circle(ctx, c, c, KNOB_FACE_R)
    ctx.fill()
    ctx.set_line_width(0.5)
    r = 2.0
    i = 0
    while r < KNOB_FACE_R - 1:
        v = hash01(i, 7)
        ctx.set_source_rgba(1, 1, 1, 0.05 * v) if v > 0.5 else ctx.set_source_rgba(0, 0, 0, 0.08 * v)
        circle(ctx, c, c, r)
        ctx.stroke()
        r += 0.75
        i += 1
    # Thin bright lip around the face.
    ctx.set_line_width(1.2)
    ctx.set_source_rgba(1, 1, 1, 0.18)
    circle(ctx, c, c, KNOB_FACE_R + 0.6)
    ctx.stroke()
    # Pointer: a cream line from near the centre across the skirt, with a dark edge so it reads on
    # both the face and a bright overlay, and a notch cut into the rim.
    x0, y0 = c, c - 40
    x1, y1 = c, c - (KNOB_SKIRT_R - 3)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_source_rgba(0, 0, 0, 0.65)
    ctx.set_line_width(11)
    ctx.move_to(x0, y0)
    ctx.line_to(x1, y1)
    ctx.stroke()
    ctx.set_source(linear(c - 4, 0, c + 4, 0, [(0.0, rgba("#fff6e4")), (1.0, rgba("#e5dccb"))]))
    ctx.set_line_width(7)
    ctx.move_to(x0, y0)
    ctx.line_to(x1, y1)
    ctx.stroke()
    return cv.image()


def knob_shadow():
    # It turns with the knob about its own centre, so only a rotation-symmetric shadow keeps
    # pointing away from the light (straight up) at every value.
    cv = Canvas(252, 247, 2)
    soft_disc(cv.ctx, 126.0, 123.5, 58, 121, (0.0, 0.0, 0.0, 0.62), steps=16)
    return cv.image()


def knob_overlay():
    # Static light from above: a sheen on the face, a lit upper rim, a darker lower rim and a
    # contact shadow where the knob meets the panel. Transparent everywhere else.
    cv = Canvas(268, 294, 4)
    ctx = cv.ctx
    cx, cy = 134.0, 137.0
    # Contact shadow on the panel just around the skirt.
    ctx.set_source(radial(cx, cy + 2, KNOB_SKIRT_R - 2, KNOB_SKIRT_R + 12,
                          [(0.0, (0, 0, 0, 0.55)), (0.4, (0, 0, 0, 0.25)), (1.0, (0, 0, 0, 0.0))]))
    circle(ctx, cx, cy + 2, KNOB_SKIRT_R + 12)
    circle(ctx, cx, cy, KNOB_SKIRT_R - 0.5)
    ctx.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
    ctx.fill()
    ctx.set_fill_rule(cairo.FILL_RULE_WINDING)
    # Skirt shading: lighter at the top, darker at the bottom.
    ctx.set_source(linear(0, cy - KNOB_SKIRT_R, 0, cy + KNOB_SKIRT_R,
                          [(0.0, (1, 1, 1, 0.16)), (0.45, (1, 1, 1, 0.02)),
                           (0.6, (0, 0, 0, 0.0)), (1.0, (0, 0, 0, 0.35))]))
    circle(ctx, cx, cy, KNOB_SKIRT_R)
    circle(ctx, cx, cy, KNOB_FACE_R + 9)
    ctx.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
    ctx.fill()
    ctx.set_fill_rule(cairo.FILL_RULE_WINDING)
    # Rim highlight along the upper edge of the skirt.
    ctx.set_line_width(2.0)
    ctx.set_source(linear(0, cy - KNOB_SKIRT_R, 0, cy + 20,
                          [(0.0, (1, 1, 1, 0.45)), (1.0, (1, 1, 1, 0.0))]))
    ctx.arc(cx, cy, KNOB_SKIRT_R - 1.2, math.radians(200), math.radians(340))
    ctx.stroke()
    # Face: a broad soft dome highlight above the centre and a gentle darkening below.
    ctx.save()
    circle(ctx, cx, cy, KNOB_FACE_R)
    ctx.clip()
    ctx.set_source(linear(0, cy - KNOB_FACE_R, 0, cy + KNOB_FACE_R,
                          [(0.0, (1, 1, 1, 0.10)), (0.5, (1, 1, 1, 0.0)), (1.0, (0, 0, 0, 0.18))]))
    ctx.paint()
    ctx.set_source(radial(cx - 10, cy - 46, 0, 70,
                          [(0.0, (1, 1, 1, 0.16)), (1.0, (1, 1, 1, 0.0))]))
    ctx.paint()
    ctx.restore()
    # The bevel's upper half catches the light.
    ctx.set_line_width(1.6)
    ctx.set_source(linear(0, cy - KNOB_FACE_R - 9, 0, cy,
                          [(0.0, (1, 1, 1, 0.30)), (1.0, (1, 1, 1, 0.0))]))
    ctx.arc(cx, cy, KNOB_FACE_R + 6, math.radians(205), math.radians(335))
    ctx.stroke()
    return cv.image()


# --- small controls ------------------------------------------------------------------------------

def bias_knob():
    cv = Canvas(58, 58, 8)
    ctx, c = cv.ctx, 29.0
    ctx.set_source(radial(c, c, 0, 26, [(0.0, rgba("#3c3f45")), (0.85, rgba("#2c2f34")),
                                        (1.0, rgba("#1b1d20"))]))
    circle(ctx, c, c, 26)
    ctx.fill()
    for i in range(36):
        a0 = 10.0 * i
        ctx.move_to(*polar(c, c, 20, a0))
        ctx.line_to(*polar(c, c, 25.6, a0))
        ctx.line_to(*polar(c, c, 25.6, a0 + 5))
        ctx.line_to(*polar(c, c, 20, a0 + 5))
        ctx.close_path()
    ctx.set_source_rgba(0, 0, 0, 0.35)
    ctx.fill()
    ctx.set_source(radial(c, c, 0, 18, [(0.0, rgba("#595d65")), (1.0, rgba("#3d4046"))]))
    circle(ctx, c, c, 18)
    ctx.fill()
    ctx.set_line_width(0.6)
    ctx.set_source_rgba(1, 1, 1, 0.25)
    circle(ctx, c, c, 18.2)
    ctx.stroke()
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_source_rgba(0, 0, 0, 0.6)
    ctx.set_line_width(5.0)
    ctx.move_to(c, c - 6)
    ctx.line_to(c, c - 24)
    ctx.stroke()
    ctx.set_source_rgba(*rgba("#fff3df"))
    ctx.set_line_width(3.0)
    ctx.move_to(c, c - 6)
    ctx.line_to(c, c - 24)
    ctx.stroke()
    return cv.image()


def slide_switch(on):
    cv = Canvas(254, 154, 4)
    ctx = cv.ctx
    cx, cy = 127.0, 70.0
    tw, th = 186.0, 50.0
    # Recessed slot with a light lower lip.
    rounded_rect(ctx, cx - tw / 2 - 3, cy - th / 2 - 3, tw + 6, th + 7, th / 2 + 3)
    ctx.set_source(linear(0, cy - th / 2, 0, cy + th / 2 + 4,
                          [(0.0, (0, 0, 0, 0.55)), (1.0, (1, 1, 1, 0.10))]))
    ctx.fill()
    rounded_rect(ctx, cx - tw / 2, cy - th / 2, tw, th, th / 2)
    ctx.set_source(linear(0, cy - th / 2, 0, cy + th / 2,
                          [(0.0, rgba("#0c0d0f")), (1.0, rgba("#1b1d21"))]))
    ctx.fill()
    if on:
        # The slot lights up amber behind the thumb's travel.
        ctx.save()
        rounded_rect(ctx, cx - tw / 2, cy - th / 2, tw, th, th / 2)
        ctx.clip()
        ctx.set_source(radial(cx - 20, cy, 4, tw * 0.55,
                              [(0.0, AMBER[:3] + (0.75,)), (0.6, AMBER[:3] + (0.35,)),
                               (1.0, AMBER[:3] + (0.05,))]))
        ctx.paint()
        ctx.restore()
    # Inner shadow at the top of the slot.
    ctx.save()
    rounded_rect(ctx, cx - tw / 2, cy - th / 2, tw, th, th / 2)
    ctx.clip()
    ctx.set_source(linear(0, cy - th / 2, 0, cy - th / 2 + 12,
                          [(0.0, (0, 0, 0, 0.6)), (1.0, (0, 0, 0, 0.0))]))
    ctx.paint()
    ctx.restore()
    # Thumb.
    thumb_w, thumb_h = 84.0, 66.0
    tx = cx + (tw / 2 - thumb_w / 2 - 6) * (1 if on else -1)
    soft_disc(ctx, tx, cy + 8, 20, 52, (0, 0, 0, 0.45))
    rounded_rect(ctx, tx - thumb_w / 2, cy - thumb_h / 2, thumb_w, thumb_h, 12)
    ctx.set_source(linear(0, cy - thumb_h / 2, 0, cy + thumb_h / 2,
                          [(0.0, rgba("#8a8f97")), (0.08, rgba("#6b7078")),
                           (0.9, rgba("#42464d")), (1.0, rgba("#2a2d31"))]))
    ctx.fill()
    rounded_rect(ctx, tx - thumb_w / 2 + 0.7, cy - thumb_h / 2 + 0.7, thumb_w - 1.4,
                 thumb_h - 1.4, 11.3)
    ctx.set_line_width(1.4)
    ctx.set_source_rgba(0, 0, 0, 0.6)
    ctx.stroke()
    # Grip grooves.
    for k in (-2, -1, 0, 1, 2):
        gx = tx + k * 9.0
        ctx.set_line_width(3.0)
        ctx.set_source_rgba(0, 0, 0, 0.45)
        ctx.move_to(gx, cy - 18)
        ctx.line_to(gx, cy + 18)
        ctx.stroke()
        ctx.set_line_width(1.2)
        ctx.set_source_rgba(1, 1, 1, 0.22)
        ctx.move_to(gx + 2, cy - 18)
        ctx.line_to(gx + 2, cy + 18)
        ctx.stroke()
    return cv.image()


def flipper(down):
    # A bat-handle toggle: a chrome bushing with the lever up (active) or down (bypassed).
    cv = Canvas(66, 151, 6)
    ctx = cv.ctx
    cx, cy = 33.0, 75.5
    soft_disc(ctx, cx, cy + 3, 18, 31, (0, 0, 0, 0.55))
    # Hex nut.
    ctx.new_path()
    for i in range(6):
        ctx.line_to(*polar(cx, cy, 25, 30 + 60 * i))
    ctx.close_path()
    ctx.set_source(linear(cx - 25, cy - 25, cx + 25, cy + 25,
                          [(0.0, rgba("#e4e6ea")), (0.5, rgba("#8d9299")), (1.0, rgba("#4a4e55"))]))
    ctx.fill_preserve()
    ctx.set_source_rgba(0, 0, 0, 0.5)
    ctx.set_line_width(1.0)
    ctx.stroke()
    # Bushing.
    ctx.set_source(radial(cx - 4, cy - 5, 1, 16, [(0.0, rgba("#f4f5f7")), (0.55, rgba("#9ea3aa")),
                                                 (1.0, rgba("#3b3e44"))]))
    circle(ctx, cx, cy, 15)
    ctx.fill()
    ctx.set_source(radial(cx, cy, 0, 8, [(0.0, rgba("#101113")), (1.0, rgba("#2a2c30"))]))
    circle(ctx, cx, cy, 7.5)
    ctx.fill()
    # Lever: tapered, lit from the upper left, ending in a rounded tip.
    sign = 1.0 if down else -1.0
    tip_y = cy + sign * 58.0
    base_w, tip_w = 6.5, 4.8
    ctx.new_path()
    ctx.move_to(cx - base_w, cy)
    ctx.line_to(cx - tip_w, tip_y)
    ctx.line_to(cx + tip_w, tip_y)
    ctx.line_to(cx + base_w, cy)
    ctx.close_path()
    ctx.set_source(linear(cx - base_w, 0, cx + base_w, 0,
                          [(0.0, rgba("#6f747b")), (0.3, rgba("#f7f8fa")), (0.55, rgba("#b9bdc3")),
                           (1.0, rgba("#43464c"))]))
    ctx.fill()
    ctx.set_source(radial(cx - 3, tip_y - 3, 0.5, 10, [(0.0, rgba("#ffffff")), (0.5, rgba("#b8bcc2")),
                                                      (1.0, rgba("#4d5157"))]))
    circle(ctx, cx, tip_y, 8.5)
    ctx.fill()
    ctx.set_source_rgba(0, 0, 0, 0.45)
    ctx.set_line_width(0.8)
    circle(ctx, cx, tip_y, 8.5)
    ctx.stroke()
    return cv.image()


def button_cap(cv, lit):
    ctx = cv.ctx
    x, y, w, h = 9.0, 9.0, 70.0, 74.0
    rounded_rect(ctx, x - 3, y - 2, w + 6, h + 7, 12)
    ctx.set_source(linear(0, y, 0, y + h + 5, [(0.0, (0, 0, 0, 0.6)), (1.0, (1, 1, 1, 0.08))]))
    ctx.fill()
    rounded_rect(ctx, x, y, w, h, 10)
    ctx.set_source(linear(0, y, 0, y + h, [(0.0, rgba("#4c5057")), (0.12, rgba("#3a3d43")),
                                           (1.0, rgba("#25282c"))]))
    ctx.fill()
    rounded_rect(ctx, x + 0.6, y + 0.6, w - 1.2, h - 1.2, 9.4)
    ctx.set_line_width(1.2)
    ctx.set_source(linear(0, y, 0, y + h, [(0.0, (1, 1, 1, 0.28)), (0.3, (1, 1, 1, 0.04)),
                                           (1.0, (0, 0, 0, 0.5))]))
    ctx.stroke()
    if lit:
        ctx.save()
        rounded_rect(ctx, x, y, w, h, 10)
        ctx.clip()
        ctx.set_source(radial(x + w / 2, y + h / 2, 2, w * 0.75,
                              [(0.0, AMBER[:3] + (0.22,)), (1.0, AMBER[:3] + (0.0,))]))
        ctx.paint()
        ctx.restore()
    return x, y, w, h


def led(ctx, cx, cy, r, lit):
    if lit:
        soft_disc(ctx, cx, cy, r * 0.5, r * 3.2, AMBER[:3] + (0.55,))
        ctx.set_source(radial(cx, cy, 0, r, [(0.0, AMBER_HOT), (0.6, AMBER), (1.0, rgba("#c86a12"))]))
    else:
        ctx.set_source(radial(cx - r * 0.3, cy - r * 0.3, 0, r,
                              [(0.0, rgba("#5a3b22")), (1.0, rgba("#1c140e"))]))
    circle(ctx, cx, cy, r)
    ctx.fill()


def delta_button(on):
    cv = Canvas(88, 92, 6)
    x, y, w, h = button_cap(cv, on)
    led(cv.ctx, x + w / 2, y + 14, 3.6, on)
    cv.text("\u0394", x + w / 2, y + h / 2 + 8, 34, AMBER_HOT if on else LABEL_DIM,
            style="Regular", anchor="mm")
    return cv.image()


def oversampling_button(step):
    cv = Canvas(88, 92, 6)
    x, y, w, h = button_cap(cv, step > 0)
    for i in range(4):
        led(cv.ctx, x + w / 2 + (i - 1.5) * 11, y + 14, 3.0, i == step)
    text = "%d\u00d7" % (1 << step)
    cv.text(text, x + w / 2, y + h / 2 + 8, 30, AMBER_HOT if step > 0 else LABEL,
            style="Medium", anchor="mm")
    return cv.image()


# --- the lamp ------------------------------------------------------------------------------------

def lamp_frame(lit):
    cv = Canvas(806, 935, 2)
    ctx = cv.ctx
    cx, cy = LAMP_CENTRE[0] - 824, LAMP_CENTRE[1]
    r = LAMP_LENS_R
    if lit:
        # Warm light spilling onto the panel; faint enough that the labels stay readable.
        soft_disc(ctx, cx, cy, r, 230, AMBER[:3] + (0.20,), steps=20)
        soft_disc(ctx, cx, cy, r, 90, AMBER[:3] + (0.30,), steps=12)
        ctx.set_source(radial(cx - 5, cy - 6, 0, r, [(0.0, rgba("#fffbea")), (0.35, AMBER_HOT),
                                                     (0.75, AMBER), (1.0, rgba("#b85a0c"))]))
    else:
        ctx.set_source(radial(cx - 6, cy - 8, 0, r, [(0.0, rgba("#5e3517")), (0.6, rgba("#34200f")),
                                                     (1.0, rgba("#140c06"))]))
    circle(ctx, cx, cy, r)
    ctx.fill()
    # Faceted glass: concentric rings and a reflection of the room light, in both states.
    ctx.set_line_width(0.8)
    for k in range(1, 5):
        ctx.set_source_rgba(1, 1, 1, 0.07 if lit else 0.05)
        circle(ctx, cx, cy, r * k / 5.0)
        ctx.stroke()
    ctx.save()
    ctx.translate(cx - 10, cy - 14)
    ctx.scale(1.0, 0.6)
    ctx.set_source(radial(0, 0, 0, 14, [(0.0, (1, 1, 1, 0.55 if lit else 0.35)),
                                        (1.0, (1, 1, 1, 0.0))]))
    circle(ctx, 0, 0, 14)
    ctx.fill()
    ctx.restore()
    return cv.image()


# --- the panel -----------------------------------------------------------------------------------

def scale_marks(cv, cx, cy, r_in, r_out, majors, minors_between, centre_detent=False):
    ctx = cv.ctx
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    count = (majors - 1) * (minors_between + 1) + 1
    for i, a in enumerate(tick_angles(count)):
        major = i % (minors_between + 1) == 0
        end = i == 0 or i == count - 1
        centre = centre_detent and abs(a) < 1e-6
        length = (r_out - r_in) * (1.0 if major else 0.55)
        ctx.set_line_width(3.2 if (end or centre) else (2.4 if major else 1.6))
        ctx.set_source_rgba(*(TICK if major else TICK_MINOR))
        ctx.move_to(*polar(cx, cy, r_in, a))
        ctx.line_to(*polar(cx, cy, r_in + length, a))
        ctx.stroke()


def label(cv, text, x, y, size=LABEL_SIZE, colour=LABEL, anchor="mm", tracking=LABEL_TRACKING,
          style="Medium"):
    cv.text(text.upper(), x, y, size, colour, style=style, anchor=anchor, tracking=tracking)


def background():
    w, h = panel.PICTURES["Kolmaribackground.jpg"][:2]
    cv = Canvas(w, h, 3)
    ctx = cv.ctx
    ctx.set_source(linear(0, 0, 0, h, [(0.0, PANEL_TOP), (1.0, PANEL_BOTTOM)]))
    ctx.paint()
    # Brushed finish: faint horizontal streaks of varying length and brightness.
    for row in range(0, h * 2):
        v = hash01(row, 3)
        if v < 0.35:
            continue
        x0 = hash01(row, 5) * w * 0.6
        length = w * (0.3 + 0.7 * hash01(row, 9))
        alpha = 0.035 * (v - 0.35) / 0.65
        ctx.set_source_rgba(1, 1, 1, alpha) if row % 2 else ctx.set_source_rgba(0, 0, 0, alpha * 1.6)
        ctx.rectangle(x0, row * 0.5, length, 0.5)
        ctx.fill()
    # Vignette.
    ctx.save()
    ctx.translate(w / 2.0, h / 2.0)
    ctx.scale(1.0, h / float(w))
    ctx.set_source(radial(0, 0, w * 0.25, w * 0.75, [(0.0, (0, 0, 0, 0.0)), (1.0, (0, 0, 0, 0.45))]))
    ctx.paint()
    ctx.restore()
    # Frame: a light top edge and a dark outline.
    ctx.set_source_rgba(1, 1, 1, 0.10)
    ctx.rectangle(0, 0, w, 1.5)
    ctx.fill()
    ctx.set_source_rgba(0, 0, 0, 0.6)
    ctx.set_line_width(2)
    ctx.rectangle(1, 1, w - 2, panel.EDITOR_HEIGHT - 2)
    ctx.stroke()

    # The character controls (bias, react) share a shallow recessed plate.
    px, py, pw, ph = 500, 598, 286, 312
    rounded_rect(ctx, px, py, pw, ph, 16)
    ctx.set_source_rgba(0, 0, 0, 0.16)
    ctx.fill()
    ctx.save()
    rounded_rect(ctx, px, py, pw, ph, 16)
    ctx.clip()
    ctx.set_source(linear(0, py, 0, py + 14, [(0.0, (0, 0, 0, 0.35)), (1.0, (0, 0, 0, 0.0))]))
    ctx.paint()
    ctx.restore()
    rounded_rect(ctx, px + 0.5, py + 0.5, pw - 1, ph, 15.5)
    ctx.set_line_width(1.0)
    ctx.set_source(linear(0, py, 0, py + ph, [(0.0, (0, 0, 0, 0.5)), (1.0, (1, 1, 1, 0.10))]))
    ctx.stroke()

    # Brand: the product's name large in the middle column, the maker beneath.
    brand_x = panel.EDITOR_WIDTH / 2.0
    cv.text("Kolmari", brand_x, 250, 104, rgba("#eeece6"), style="Light", anchor="ms",
            tracking=1.0)
    ctx.set_source(linear(brand_x - 120, 0, brand_x + 120, 0,
                          [(0.0, AMBER[:3] + (0.0,)), (0.5, AMBER[:3] + (0.9,)),
                           (1.0, AMBER[:3] + (0.0,))]))
    ctx.rectangle(brand_x - 120, 278, 240, 2)
    ctx.fill()
    label(cv, "Lumenfold", brand_x, 314, size=22, colour=LABEL_DIM, tracking=9.0)
    label(cv, "drive \u00b7 shape", brand_x, 138, size=17, colour=AMBER, tracking=7.0)

    # Big knobs: seat, scale and name.
    for name in panel.BIG_KNOBS:
        kx, ky = panel.centre_of("Nuppi.png", name)
        ctx.set_source(radial(kx, ky, KNOB_SKIRT_R - 4, KNOB_SKIRT_R + 10,
                              [(0.0, (0, 0, 0, 0.35)), (1.0, (0, 0, 0, 0.0))]))
        circle(ctx, kx, ky, KNOB_SKIRT_R + 10)
        ctx.fill()
        scale_marks(cv, kx, ky, TICK_INNER_R, TICK_OUTER_R, 11, 1)
        label(cv, name, kx, ky - 172)

    # Bias: small knob with a centre detent mark, its own shadow printed under it.
    bx, by = panel.centre_of("BIASNUPPI.png", "Bias")
    soft_disc(ctx, bx + 1, by + 5, 20, 36, (0, 0, 0, 0.55))
    scale_marks(cv, bx, by, 34, 43, 3, 4, centre_detent=True)
    label(cv, "Bias", bx + 62, by, size=24, anchor="lm")
    lx, ly = polar(bx, by, 50, -140)
    cv.text("\u2212", lx - 4, ly + 6, 24, LABEL_DIM, style="Medium", anchor="mm")
    rx, ry = polar(bx, by, 50, 140)
    cv.text("+", rx + 4, ry + 6, 24, LABEL_DIM, style="Medium", anchor="mm")

    # React: the slide switch with its states under the slot.
    sl, st, sr, sb = panel.control_rect(2)
    scx = (sl + sr) / 2.0
    label(cv, "React", scx, st + 6, size=24)
    label(cv, "off", scx - 52, st + 126, size=18, colour=LABEL_DIM, tracking=2.0)
    label(cv, "on", scx + 52, st + 126, size=18, colour=LABEL_DIM, tracking=2.0)

    # Bypass: lamp bezel above the toggle, the toggle's two positions beside it.
    lcx, lcy = LAMP_CENTRE
    soft_disc(ctx, lcx, lcy + 3, LAMP_LENS_R + 8, LAMP_LENS_R + 20, (0, 0, 0, 0.6))
    ctx.set_source(linear(lcx - 44, lcy - 44, lcx + 44, lcy + 44,
                          [(0.0, rgba("#e8eaee")), (0.5, rgba("#8b9097")), (1.0, rgba("#3c3f45"))]))
    circle(ctx, lcx, lcy, LAMP_LENS_R + 10)
    ctx.fill()
    ctx.set_source(linear(lcx - 40, lcy - 40, lcx + 40, lcy + 40,
                          [(0.0, rgba("#3a3d42")), (1.0, rgba("#c9ccd1"))]))
    circle(ctx, lcx, lcy, LAMP_LENS_R + 5)
    ctx.fill()
    ctx.set_source_rgba(*rgba("#0b0b0c"))
    circle(ctx, lcx, lcy, LAMP_LENS_R + 1.5)
    ctx.fill()
    fl, ft, fr, fb = panel.control_rect(3)
    label(cv, "Active", fr + 10, ft + 20, size=20, colour=LABEL, anchor="lm", tracking=2.0)
    label(cv, "Bypass", fr + 10, fb - 20, size=20, colour=LABEL, anchor="lm", tracking=2.0)

    # Delta and oversampling buttons: names to their left.
    dl, dt, dr, db = panel.control_rect(16)
    label(cv, "Delta", (dl + dr) / 2.0, dt - 14, size=20, tracking=2.5)
    ol, ot, orr, ob = panel.control_rect(17)
    label(cv, "Oversampling", ol - 10, (ot + ob) / 2.0 - 12, size=22, anchor="rm", tracking=2.5)
    label(cv, "1\u00d7 2\u00d7 4\u00d7 8\u00d7", ol - 10, (ot + ob) / 2.0 + 16, size=17,
          colour=LABEL_DIM, anchor="rm", tracking=2.0)

    return cv.image()


# --- output --------------------------------------------------------------------------------------

def stack(frames):
    w, h = frames[0].size
    out = Image.new("RGBA", (w, h * len(frames)), (0, 0, 0, 0))
    for i, f in enumerate(frames):
        out.paste(f, (0, i * h))
    return out


GENERATORS = {
    "ledOn.png": lambda: stack([lamp_frame(True), lamp_frame(False)]),
    "LiukuAnim.png": lambda: stack([slide_switch(False), slide_switch(True)]),
    "Nuppi.png": knob_body,
    "Kolmaribackground.jpg": lambda: background().convert("RGB"),
    "NupikkaVarjo.png": knob_shadow,
    "NuppiOverlay.png": knob_overlay,
    "BIASNUPPI.png": bias_knob,
    "FlipperAnim.png": lambda: stack([flipper(False), flipper(True)]),
    "Oversampling.png": lambda: stack([oversampling_button(i) for i in range(4)]),
    "Delta.png": lambda: stack([delta_button(False), delta_button(True)]),
}


def render(name):
    image = GENERATORS[name]()
    w, h, _ = panel.PICTURES[name]
    if image.size != (w, h):
        raise SystemExit("artwork: %s came out %dx%d, expected %dx%d" % (name, *image.size, w, h))
    return image


def save(image, path):
    if path.lower().endswith(".jpg"):
        # Full-resolution chroma keeps the thin labels and marks crisp.
        image.save(path, "JPEG", quality=93, subsampling=0, optimize=False)
    else:
        image.save(path, "PNG", optimize=False, compress_level=9)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Draws the editor's pictures.")
    parser.add_argument("--out", default=os.path.normpath(os.path.join(here, "..", "..", "resources")))
    parser.add_argument("names", nargs="*", help="pictures to draw (default: all)")
    args = parser.parse_args(argv)
    names = args.names or list(panel.PICTURES)
    for n in names:
        if n not in GENERATORS:
            print("artwork: unknown picture %s" % n, file=sys.stderr)
            return 2
    os.makedirs(args.out, exist_ok=True)
    for n in names:
        save(render(n), os.path.join(args.out, n))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
