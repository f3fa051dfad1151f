#!/usr/bin/env python3
"""Turns the factory presets' text (resources/presets.txt) into the C++ table behind
lumen::PluginFactoryPresets(). Any fault in the text stops the build with its line number; a
parameter name the plug-in does not have, or a preset that does not set every parameter once,
stops the compiler, which reports the text's line through #line."""

import argparse
import math
import re
import struct
import sys

HEADER = re.compile(r"^\[\s*([^:\]]+?)\s*:\s*([^\]]+?)\s*\]$")
SETTING = re.compile(r"^([A-Za-z][A-Za-z0-9 ]*?)\s*=\s*(\S+)$")
# Names become file names (VST3 preset files) and Turtle strings: keep them plain.
FORBIDDEN = re.compile(r'[\x00-\x1f\x7f"\\/:*?<>|]')


class PresetError(Exception):
    pass


def parse(path):
    presets = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for number, raw in enumerate(lines, 1):
        line = raw.strip()
        where = f"{path}:{number}"
        if not line or line.startswith("#"):
            continue
        header = HEADER.match(line)
        if header:
            category, name = header.group(1), header.group(2)
            for text in (category, name):
                if FORBIDDEN.search(text):
                    raise PresetError(f"{where}: '{text}' has a character names may not hold")
            if any(p["name"] == name for p in presets):
                raise PresetError(f"{where}: a second preset named '{name}'")
            if any(p["name"].casefold() == name.casefold() for p in presets):
                raise PresetError(f"{where}: '{name}' differs from another name only in case")
            presets.append({"category": category, "name": name, "line": number, "settings": []})
            continue
        setting = SETTING.match(line)
        if not setting:
            raise PresetError(f"{where}: expected '[Category: Name]' or 'Parameter = value'")
        if not presets:
            raise PresetError(f"{where}: a setting before the first preset")
        param, text = setting.group(1), setting.group(2)
        try:
            value = float(text)
        except ValueError:
            raise PresetError(f"{where}: '{text}' is not a number") from None
        if not math.isfinite(value):
            raise PresetError(f"{where}: '{text}' is not a finite number")
        if struct.unpack("<f", struct.pack("<f", value))[0] != value:
            raise PresetError(f"{where}: {text} is not exact as a 32-bit float (use whole numbers or 1/64ths)")
        settings = presets[-1]["settings"]
        if any(s[0] == param for s in settings):
            raise PresetError(f"{where}: '{param}' set twice in '{presets[-1]['name']}'")
        settings.append((param, value, number))
    if not presets:
        raise PresetError(f"{path}: no presets")
    if presets[0]["name"] != "Default":
        raise PresetError(f"{path}:{presets[0]['line']}: the first preset must be 'Default'")
    return presets


def cpp_string(text):
    out = []
    for byte in text.encode("utf-8"):
        out.append(chr(byte) if 0x20 <= byte < 0x7F and chr(byte) not in '"\\?' else f"\\{byte:03o}")
    return '"' + "".join(out) + '"'


def enumerator(param):
    return "kolmari::k" + param.replace(" ", "")


def write_table(presets, source, output):
    source_name = source.replace("\\", "/")
    lines = [
        f"// Made from {source_name} by tools/presets/make_preset_table.py at build time: edit that.",
        '#include "FactoryPreset.h"',
        '#include "KolmariParams.h"',
        "",
        "#include <cstddef>",
        "",
        "namespace {",
        "",
        "struct Setting {",
        "  int index;",
        "  double value;",
        "};",
        "",
        "template <std::size_t N>",
        "constexpr bool SetsEveryParameterOnce(const Setting (&settings)[N]) {",
        "  if (N != static_cast<std::size_t>(kolmari::kNumParams)) return false;",
        "  for (std::size_t i = 0; i < N; ++i) {",
        "    if (settings[i].index < 0 || settings[i].index >= kolmari::kNumParams) return false;",
        "    for (std::size_t j = 0; j < i; ++j)",
        "      if (settings[j].index == settings[i].index) return false;",
        "  }",
        "  return true;",
        "}",
        "",
        "template <std::size_t N>",
        "std::vector<double> ByIndex(const Setting (&settings)[N]) {",
        "  std::vector<double> values(N);",
        "  for (const Setting& s : settings) values[static_cast<std::size_t>(s.index)] = s.value;",
        "  return values;",
        "}",
        "",
    ]
    for i, preset in enumerate(presets):
        lines.append(f"constexpr Setting kPreset{i}[] = {{")
        for param, value, number in preset["settings"]:
            lines.append(f'#line {number} "{source_name}"')
            lines.append(f"    {{{enumerator(param)}, {value!r}}},")
        lines.append("};")
        lines.append(f'#line {preset["line"]} "{source_name}"')
        message = f"preset {preset['name']} must set every parameter of the plug-in once"
        lines.append(f"static_assert(SetsEveryParameterOnce(kPreset{i}), {cpp_string(message)});")
        lines.append("")
    lines.append("} // namespace")
    lines.append("")
    lines.append("const std::vector<lumen::FactoryPreset>& lumen::PluginFactoryPresets() {")
    lines.append("  static const std::vector<FactoryPreset> presets{")
    for i, preset in enumerate(presets):
        lines.append(f"      {{{cpp_string(preset['category'])}, {cpp_string(preset['name'])}, ByIndex(kPreset{i})}},")
    lines.append("  };")
    lines.append("  return presets;")
    lines.append("}")
    text = "\n".join(lines) + "\n"
    # Rewrite only on change, so an unchanged table does not rebuild what depends on it.
    try:
        with open(output, encoding="utf-8") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(output, "w", encoding="utf-8") as f:
        f.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--output", required=True)
    parser.add_argument("source")
    args = parser.parse_args()
    try:
        presets = parse(args.source)
    except (PresetError, OSError, UnicodeDecodeError) as e:
        print(f"error: {e}", file=sys.stderr)
        return 1
    write_table(presets, args.source, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
