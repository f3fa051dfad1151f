"""Reading and writing WAV files with nothing but Python's standard library.

The `wave` module only knows integer PCM, and the files we exchange with Ardour are 32-bit float, so this
reads the RIFF chunks itself: integer PCM of 8, 16, 24 and 32 bits, IEEE float of 32 and 64 bits, plain or
WAVE_FORMAT_EXTENSIBLE. Samples come back as one list of floats per channel, integers scaled to -1..1.
Files are a few seconds long here, so plain Python lists are fast enough.
"""

import array
import math
import struct
import sys

WAVE_FORMAT_PCM = 0x0001
WAVE_FORMAT_IEEE_FLOAT = 0x0003
WAVE_FORMAT_EXTENSIBLE = 0xFFFE


class WavError(Exception):
    """A file that is not a WAV this module can read, or cannot be written."""


class Audio:
    """Sample rate, and one list of float samples per channel (all of the same length)."""

    def __init__(self, rate, channels):
        self.rate = int(rate)
        self.channels = [list(c) for c in channels]
        if not self.channels:
            raise WavError("audio needs at least one channel")
        lengths = {len(c) for c in self.channels}
        if len(lengths) != 1:
            raise WavError("channels differ in length")

    @property
    def channel_count(self):
        return len(self.channels)

    @property
    def frames(self):
        return len(self.channels[0])

    def peak(self):
        return max((abs(x) for c in self.channels for x in c), default=0.0)

    def rms(self):
        n = self.frames * self.channel_count
        if n == 0:
            return 0.0
        return math.sqrt(sum(x * x for c in self.channels for x in c) / n)


def _native(arr):
    if sys.byteorder != "little":
        arr.byteswap()
    return arr


def _decode(data, tag, bits, channels):
    width = bits // 8
    frames = len(data) // (width * channels)
    data = data[: frames * width * channels]
    if tag == WAVE_FORMAT_IEEE_FLOAT:
        if bits == 32:
            flat = _native(array.array("f", data))
        elif bits == 64:
            flat = _native(array.array("d", data))
        else:
            raise WavError(f"unsupported float width {bits} bits")
        flat = list(flat)
    elif tag == WAVE_FORMAT_PCM:
        if bits == 8:
            flat = [(b - 128) / 128.0 for b in data]
        elif bits == 16:
            flat = [v / 32768.0 for v in _native(array.array("h", data))]
        elif bits == 24:
            flat = [
                int.from_bytes(data[i : i + 3], "little", signed=True) / 8388608.0
                for i in range(0, len(data), 3)
            ]
        elif bits == 32:
            flat = [v / 2147483648.0 for v in _native(array.array("i", data))]
        else:
            raise WavError(f"unsupported PCM width {bits} bits")
    else:
        raise WavError(f"unsupported WAV format tag 0x{tag:04x}")
    return [flat[c::channels] for c in range(channels)]


def read(path):
    """Reads a WAV file into an Audio; raises WavError with the reason when it cannot."""
    try:
        with open(path, "rb") as f:
            blob = f.read()
    except OSError as e:
        raise WavError(f"cannot read {path}: {e.strerror}") from e
    if len(blob) < 12 or blob[0:4] != b"RIFF" or blob[8:12] != b"WAVE":
        raise WavError(f"{path} is not a RIFF/WAVE file")
    pos = 12
    fmt = None
    data = None
    while pos + 8 <= len(blob):
        cid = blob[pos : pos + 4]
        size = struct.unpack_from("<I", blob, pos + 4)[0]
        body = blob[pos + 8 : pos + 8 + size]
        if cid == b"fmt ":
            fmt = body
        elif cid == b"data":
            data = body
            # A writer that could not seek back leaves the size at 0 or too large; take what is there.
            if size == 0 or pos + 8 + size > len(blob):
                data = blob[pos + 8 :]
        pos += 8 + size + (size & 1)
    if fmt is None or len(fmt) < 16:
        raise WavError(f"{path} has no fmt chunk")
    if data is None:
        raise WavError(f"{path} has no data chunk")
    tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", fmt, 0)
    if tag == WAVE_FORMAT_EXTENSIBLE:
        if len(fmt) < 26:
            raise WavError(f"{path}: extensible fmt chunk too short")
        tag = struct.unpack_from("<H", fmt, 24)[0]
    if channels < 1:
        raise WavError(f"{path} has no channels")
    return Audio(rate, _decode(data, tag, bits, channels))


def write_float(path, audio):
    """Writes 32-bit IEEE float samples (WAVE_FORMAT_IEEE_FLOAT with a fact chunk)."""
    channels = audio.channel_count
    frames = audio.frames
    flat = array.array("f", [0.0]) * (frames * channels)
    for c, samples in enumerate(audio.channels):
        flat[c::channels] = array.array("f", samples)
    payload = _native(flat).tobytes()
    block = 4 * channels
    fmt = struct.pack("<HHIIHHH", WAVE_FORMAT_IEEE_FLOAT, channels, audio.rate, audio.rate * block, block, 32, 0)
    fact = struct.pack("<I", frames)
    body = (
        b"WAVE"
        + b"fmt " + struct.pack("<I", len(fmt)) + fmt
        + b"fact" + struct.pack("<I", len(fact)) + fact
        + b"data" + struct.pack("<I", len(payload)) + payload
    )
    try:
        with open(path, "wb") as f:
            f.write(b"RIFF" + struct.pack("<I", len(body)) + body)
    except OSError as e:
        raise WavError(f"cannot write {path}: {e.strerror}") from e
