"""Where the editor puts its controls, in the editor's logical units, and the pictures it expects.

The artwork is drawn around these rectangles (labels, scale marks, the lamp) and the preview
composites the pictures at them. They must follow the editor layout in plugin/.
"""

EDITOR_WIDTH, EDITOR_HEIGHT = 1630, 1010

# name: (width, height, frames); frames are stacked vertically.
PICTURES = {
    "ledOn.png": (806, 1870, 2),
    "LiukuAnim.png": (254, 308, 2),
    "Nuppi.png": (246, 246, 1),
    "Kolmaribackground.jpg": (1630, 1012, 1),
    "NupikkaVarjo.png": (252, 247, 1),
    "NuppiOverlay.png": (268, 294, 1),
    "BIASNUPPI.png": (58, 58, 1),
    "FlipperAnim.png": (66, 302, 2),
    "Oversampling.png": (88, 368, 4),
    "Delta.png": (88, 184, 2),
}

# Controls in drawing order: (kind, top-left x, top-left y, picture, parameter name).
# kind: "strip" picks a frame by value, "rotater" turns the whole picture about its centre by
# value * 260 - 130 degrees, "switch" picks a frame by step.
CONTROLS = [
    ("strip", 824, 0, "ledOn.png", "Bypass"),
    ("rotater", 558, 630, "BIASNUPPI.png", "Bias"),
    ("switch", 516, 752, "LiukuAnim.png", "React"),
    ("switch", 1339, 354, "FlipperAnim.png", "Bypass"),
    ("rotater", 137, 286, "NupikkaVarjo.png", "Input Gain"),
    ("rotater", 137, 683, "NupikkaVarjo.png", "Tame"),
    ("rotater", 891, 683, "NupikkaVarjo.png", "Output Gain"),
    ("rotater", 1246, 683, "NupikkaVarjo.png", "Wet"),
    ("rotater", 137, 206, "Nuppi.png", "Input Gain"),
    ("rotater", 137, 603, "Nuppi.png", "Tame"),
    ("rotater", 891, 603, "Nuppi.png", "Output Gain"),
    ("rotater", 1246, 603, "Nuppi.png", "Wet"),
    ("strip", 126, 192, "NuppiOverlay.png", "Input Gain"),
    ("strip", 126, 590, "NuppiOverlay.png", "Tame"),
    ("strip", 882, 590, "NuppiOverlay.png", "Output Gain"),
    ("strip", 1237, 590, "NuppiOverlay.png", "Wet"),
    ("switch", 1525, 790, "Delta.png", "Delta"),
    ("switch", 1525, 890, "Oversampling.png", "Oversampling"),
]

ROTATION_RANGE = 130.0  # degrees either side of upright


def frame_size(picture):
    w, h, n = PICTURES[picture]
    return w, h // n


def control_rect(index):
    """(left, top, right, bottom) of a control of CONTROLS."""
    _, x, y, picture, _ = CONTROLS[index]
    w, h = frame_size(picture)
    return x, y, x + w, y + h


def centre_of(picture, parameter):
    """Centre of the control showing `picture` for `parameter`."""
    for i, (_, _, _, pic, param) in enumerate(CONTROLS):
        if pic == picture and param == parameter:
            l, t, r, b = control_rect(i)
            return (l + r) / 2.0, (t + b) / 2.0
    raise KeyError((picture, parameter))


BIG_KNOBS = ["Input Gain", "Tame", "Output Gain", "Wet"]
