#include "IVectorDocument.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <string>

namespace lumen::canvas {

namespace {

using Attributes = std::map<std::string, std::string, std::less<>>;

constexpr float kPi = 3.14159265f;
constexpr int kCircleSegments = 32;

// Reads a number at the start of text (after blanks and commas); false when there is none.
bool ReadNumber(std::string_view& text, float& value) {
  size_t i = 0;
  while (i < text.size() && (std::isspace(static_cast<unsigned char>(text[i])) || text[i] == ',')) ++i;
  text.remove_prefix(i);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || !std::isfinite(value)) return false;
  text.remove_prefix(static_cast<size_t>(result.ptr - text.data()));
  return true;
}

// A length with an optional unit, in pixels at dpi.
float Length(const Attributes& a, std::string_view key, float dpi, float fallback = 0.0f) {
  const auto it = a.find(key);
  if (it == a.end()) return fallback;
  std::string_view text = it->second;
  float v = 0.0f;
  if (!ReadNumber(text, v)) return fallback;
  if (text.starts_with("in")) v *= dpi;
  else if (text.starts_with("mm")) v *= dpi / 25.4f;
  else if (text.starts_with("cm")) v *= dpi / 2.54f;
  else if (text.starts_with("pt")) v *= dpi / 72.0f;
  return v;
}

// "#rgb", "#rrggbb" or a few names; false for "none". Unknown texts give black.
bool ParseColor(std::string_view text, IColorARGB& color) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  if (text.starts_with("none")) return false;
  color = kColorBlack;
  if (text.starts_with("#")) {
    unsigned v = 0;
    const std::string_view hex = text.substr(1, text.find_first_not_of("0123456789abcdefABCDEF", 1) - 1);
    std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
    if (hex.size() == 3) color = {255, static_cast<int>((v >> 8 & 15) * 17), static_cast<int>((v >> 4 & 15) * 17), static_cast<int>((v & 15) * 17)};
    else if (hex.size() == 6) color = {255, static_cast<int>(v >> 16 & 255), static_cast<int>(v >> 8 & 255), static_cast<int>(v & 255)};
  } else if (text.starts_with("white")) {
    color = kColorWhite;
  } else if (text.starts_with("red")) {
    color = kColorRed;
  }
  return true;
}

// Attribute value, also looked up in a style="key:value;..." attribute.
std::string Property(const Attributes& a, const std::string& key) {
  if (const auto style = a.find("style"); style != a.end()) {
    const std::string& s = style->second;
    const size_t at = s.find(key + ":");
    if (at != std::string::npos && (at == 0 || s[at - 1] == ';' || s[at - 1] == ' ')) {
      const size_t start = at + key.size() + 1;
      return s.substr(start, s.find(';', start) - start);
    }
  }
  const auto it = a.find(key);
  return it == a.end() ? std::string() : it->second;
}

// Parses the attributes of one tag's text (after its name).
Attributes ParseAttributes(std::string_view text) {
  Attributes a;
  while (true) {
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) break;
    std::string_view key = text.substr(0, eq);
    while (!key.empty() && std::isspace(static_cast<unsigned char>(key.back()))) key.remove_suffix(1);
    const size_t keyStart = key.find_last_of(" \t\r\n");
    key = keyStart == std::string_view::npos ? key : key.substr(keyStart + 1);
    const size_t open = text.find_first_of("\"'", eq);
    if (open == std::string_view::npos) break;
    const size_t close = text.find(text[open], open + 1);
    if (close == std::string_view::npos) break;
    a[std::string(key)] = std::string(text.substr(open + 1, close - open - 1));
    text.remove_prefix(close + 1);
  }
  return a;
}

void AddEllipse(IVectorDocument::Shape& shape, float cx, float cy, float rx, float ry) {
  for (int i = 0; i < kCircleSegments; ++i) {
    const float a = 2.0f * kPi * static_cast<float>(i) / kCircleSegments;
    shape.points.push_back(cx + rx * std::cos(a));
    shape.points.push_back(cy + ry * std::sin(a));
  }
}

} // namespace

std::unique_ptr<IVectorDocument> IVectorDocument::Parse(std::string_view text, float dpi) {
  if (!(dpi > 0.0f) || !std::isfinite(dpi)) dpi = 96.0f;
  std::unique_ptr<IVectorDocument> document;
  float offsetX = 0.0f;
  float offsetY = 0.0f;
  size_t at = 0;
  while ((at = text.find('<', at)) != std::string_view::npos) {
    const size_t end = text.find('>', at);
    if (end == std::string_view::npos) break;
    std::string_view tag = text.substr(at + 1, end - at - 1);
    at = end + 1;
    const size_t nameEnd = tag.find_first_of(" \t\r\n/");
    const std::string_view name = tag.substr(0, nameEnd);
    const Attributes a = ParseAttributes(nameEnd == std::string_view::npos ? std::string_view() : tag.substr(nameEnd));

    if (!document) {
      if (name != "svg") continue;
      auto doc = std::make_unique<IVectorDocument>();
      doc->mWidth = Length(a, "width", dpi);
      doc->mHeight = Length(a, "height", dpi);
      if (const auto vb = a.find("viewBox"); vb != a.end()) {
        std::string_view v = vb->second;
        float box[4];
        if (ReadNumber(v, box[0]) && ReadNumber(v, box[1]) && ReadNumber(v, box[2]) && ReadNumber(v, box[3])) {
          offsetX = -box[0];
          offsetY = -box[1];
          doc->mWidth = box[2];
          doc->mHeight = box[3];
        }
      }
      if (!(doc->mWidth > 0.0f) || !(doc->mHeight > 0.0f)) return nullptr;
      document = std::move(doc);
      continue;
    }

    Shape shape;
    if (name == "rect") {
      const float x = Length(a, "x", dpi), y = Length(a, "y", dpi);
      const float w = Length(a, "width", dpi), h = Length(a, "height", dpi);
      if (!(w > 0.0f) || !(h > 0.0f)) continue;
      shape.points = {x, y, x + w, y, x + w, y + h, x, y + h};
    } else if (name == "circle") {
      const float r = Length(a, "r", dpi);
      if (!(r > 0.0f)) continue;
      AddEllipse(shape, Length(a, "cx", dpi), Length(a, "cy", dpi), r, r);
    } else if (name == "ellipse") {
      const float rx = Length(a, "rx", dpi), ry = Length(a, "ry", dpi);
      if (!(rx > 0.0f) || !(ry > 0.0f)) continue;
      AddEllipse(shape, Length(a, "cx", dpi), Length(a, "cy", dpi), rx, ry);
    } else if (name == "line") {
      shape.points = {Length(a, "x1", dpi), Length(a, "y1", dpi), Length(a, "x2", dpi), Length(a, "y2", dpi)};
      shape.closed = false;
      shape.hasFill = false;
    } else if (name == "polygon" || name == "polyline") {
      const auto it = a.find("points");
      if (it == a.end()) continue;
      std::string_view p = it->second;
      float v = 0.0f;
      while (ReadNumber(p, v) && shape.points.size() < 100000) shape.points.push_back(v);
      if (shape.points.size() % 2) shape.points.pop_back();
      shape.closed = name == "polygon";
      shape.hasFill = shape.closed;
    } else {
      continue;
    }
    if (shape.points.size() < 4) continue;
    if (const std::string fill = Property(a, "fill"); !fill.empty()) shape.hasFill = ParseColor(fill, shape.fill);
    if (const std::string stroke = Property(a, "stroke"); !stroke.empty()) {
      shape.hasStroke = ParseColor(stroke, shape.stroke);
      const std::string widthText = Property(a, "stroke-width");
      std::string_view width = widthText;
      float w = 1.0f;
      if (ReadNumber(width, w) && w > 0.0f) shape.strokeWidth = w;
    } else if (name == "line" || name == "polyline") {
      shape.hasStroke = true;
    }
    for (size_t i = 0; i < shape.points.size(); i += 2) {
      shape.points[i] += offsetX;
      shape.points[i + 1] += offsetY;
    }
    document->mShapes.push_back(std::move(shape));
  }
  return document;
}

} // namespace lumen::canvas
