#include "SnapshotApp.h"

#include "FactoryPreset.h"
#include "ICanvasOffscreen.h"
#include "IStateBuffer.h"
#include "Kolmari.h"
#include "KolmariEditor.h"
#include "IControl.h"
#include "NumberText.h"
#include "PngEncoder.h"
#include "ProgramFile.h"
#include "StateFile.h"
#include "TempFile.h"
#include "ToolError.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ostream>

namespace kolmari::snapshot {

using render::ToolError;
using render::UsageError;

namespace {

constexpr const char* kUsage =
    "usage: kolmari-snapshot [--scale S] [--set \"NAME=VALUE\"]... [--state-in FILE] [--preset NAME|FILE.fxp]\n"
    "                        [--hover \"NAME\"] [--menu \"NAME\"] OUTPUT.png";
constexpr float kMinScale = 0.25f;
constexpr float kMaxScale = 1.0f;

bool EqualNoCase(const std::string& a, const char* b)
{
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// A whole-text number: "0.5", "80", "-3e-1"; nothing else.
bool ParseNumber(const std::string& text, double& value)
{
  if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && errno == 0 && std::isfinite(value);
}

std::string FormatRange(const lumen::IParam& p)
{
  std::string low, high;
  p.FormatDisplay(p.Min(), false, low, false);
  p.FormatDisplay(p.Max(), false, high, false);
  return low + ".." + high;
}

std::string ParamNames(const Kolmari& plugin)
{
  std::string names;
  for (int i = 0; i < plugin.NParams(); ++i) {
    if (i > 0) names += ", ";
    names += plugin.GetParam(i)->Name();
  }
  return names;
}

int ParamIndexByName(const Kolmari& plugin, const std::string& name)
{
  for (int i = 0; i < plugin.NParams(); ++i) {
    if (EqualNoCase(name, plugin.GetParam(i)->Name())) return i;
  }
  throw UsageError("unknown parameter '" + name + "' (parameters: " + ParamNames(plugin) + ")");
}

// The readout of the control the pointer would rest on for the parameter: the topmost that shows one.
void ShowHover(Kolmari& plugin, lumen::canvas::ICanvas& surface, const std::string& name)
{
  const int index = ParamIndexByName(plugin, name);
  for (int i = surface.ControlCount() - 1; i >= 0; --i) {
    lumen::canvas::IControl* control = surface.GetControl(i);
    if (control->ParamIdx(0) == index && control->ShowsReadout()) {
      surface.ShowValueReadout(*control);
      return;
    }
  }
  throw UsageError("--hover " + name + ": no control of the editor shows that parameter");
}

// The right-click menu of the parameter's topmost value control, open as after a right click on the
// control's centre.
void ShowMenu(Kolmari& plugin, lumen::canvas::ICanvas& surface, const std::string& name)
{
  const int index = ParamIndexByName(plugin, name);
  for (int i = surface.ControlCount() - 1; i >= 0; --i) {
    lumen::canvas::IControl* control = surface.GetControl(i);
    if (control->ParamIdx(0) != index || !control->IsValueControl() || control->IsHidden()) continue;
    lumen::canvas::IMouseState right;
    right.right = true;
    const lumen::canvas::IRectF& r = control->GetRect();
    surface.OnMouseDown({lumen::canvas::IMouseEvent{r.MW(), r.MH(), 0.0f, 0.0f, right}});
    surface.OnMouseUp({lumen::canvas::IMouseEvent{r.MW(), r.MH(), 0.0f, 0.0f, right}});
    if (surface.MenuIsOpen()) return;
  }
  throw UsageError("--menu " + name + ": no control of the editor has a menu for that parameter");
}

// Every setting is checked before any is applied, so a bad one changes nothing.
void ApplySettings(Kolmari& plugin, const std::vector<std::pair<std::string, std::string>>& settings)
{
  std::vector<std::pair<int, double>> values;
  for (const auto& [name, text] : settings) {
    int index = -1;
    for (int i = 0; i < plugin.NParams() && index < 0; ++i) {
      if (EqualNoCase(name, plugin.GetParam(i)->Name())) index = i;
    }
    if (index < 0) throw UsageError("unknown parameter '" + name + "' (parameters: " + ParamNames(plugin) + ")");
    const lumen::IParam& p = *plugin.GetParam(index);
    double value = 0.0;
    if (!ParseNumber(text, value)) {
      // A value may also be given as the text the parameter displays for it ("on", "4x").
      bool found = false;
      for (double v = p.Min(); v <= p.Max() && !found; v += std::max(p.Step(), 1.0)) {
        std::string shown;
        p.FormatDisplay(v, false, shown);
        if (EqualNoCase(text, shown.c_str())) {
          value = v;
          found = true;
        }
      }
      if (!found) throw UsageError(name + "=" + text + " is not a number");
    }
    if (value < p.Min() || value > p.Max()) {
      throw UsageError(name + "=" + text + " is outside " + FormatRange(p));
    }
    values.emplace_back(index, value);
  }
  for (const auto& [index, value] : values) plugin.GetParam(index)->Set(value);
}

void LoadState(Kolmari& plugin, const std::string& path)
{
  const std::vector<uint8_t> bytes = render::StateFile::Read(path);
  lumen::IStateBuffer buffer;
  buffer.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
  uint32_t magic = 0;
  if (buffer.GetValue(magic, 0) != 4 || magic != lumen::IEffectBase::kChunkMagic) {
    throw ToolError(render::Quoted(path) + " holds no Kolmari settings");
  }
  if (plugin.UnserializeParams(buffer, 8) < 0) throw ToolError(render::Quoted(path) + " is cut short");
}

// A factory preset by its exact name, or a program file (.fxp) in either form hosts write.
void ApplyPreset(Kolmari& plugin, const std::string& nameOrPath)
{
  for (const auto& preset : lumen::PluginFactoryPresets()) {
    if (preset.name != nameOrPath) continue;
    for (int i = 0; i < plugin.NParams() && i < static_cast<int>(preset.values.size()); ++i)
      plugin.GetParam(i)->Set(preset.values[static_cast<size_t>(i)]);
    return;
  }
  const bool isFile = nameOrPath.find('/') != std::string::npos || nameOrPath.ends_with(".fxp") || nameOrPath.ends_with(".FXP");
  if (!isFile) {
    std::string message = "--preset: no factory preset is called '";
    message += nameOrPath;
    message += "' (names are exact, case included)";
    throw UsageError(message);
  }
  const lumen::ProgramFileOwner owner{Kolmari::Settings().uniqueId, kPackedVersion, plugin.NParams()};
  lumen::ProgramFileContents contents;
  std::string error;
  if (!lumen::ProgramFile::Load(nameOrPath, owner, contents, error)) throw ToolError(render::Quoted(nameOrPath) + ": " + error);
  if (contents.hasChunk) {
    if (!plugin.ReadProgramChunk(contents.chunk.data(), contents.chunk.size(), lumen::IEffectBase::ChunkLoading::Strict))
      throw ToolError(render::Quoted(nameOrPath) + " holds no Kolmari settings");
  } else {
    for (int i = 0; i < plugin.NParams(); ++i) plugin.GetParam(i)->SetFromNormalized(contents.values[static_cast<size_t>(i)]);
  }
}

// The window's pixel size truncates; the picture's size rounds. Where they differ by a pixel,
// the last column or row is repeated (or dropped).
lumen::canvas::IPixelImage FitTo(const lumen::canvas::IPixelImage& image, int width, int height)
{
  lumen::canvas::IPixelImage fitted;
  fitted.width = width;
  fitted.height = height;
  fitted.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (int y = 0; y < height; ++y) {
    const int sy = std::min(y, image.height - 1);
    for (int x = 0; x < width; ++x) {
      const int sx = std::min(x, image.width - 1);
      std::memcpy(&fitted.rgba[(static_cast<std::size_t>(y) * width + x) * 4],
                  &image.rgba[(static_cast<std::size_t>(sy) * image.width + sx) * 4], 4);
    }
  }
  return fitted;
}

void WriteAll(render::TempFile& file, const std::vector<uint8_t>& bytes)
{
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(file.Descriptor(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) file.Fail(std::strerror(errno));
    done += static_cast<std::size_t>(n);
  }
}

} // namespace

SnapshotOptions ParseSnapshotArguments(const std::vector<std::string>& args)
{
  SnapshotOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&](const char* option) -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(std::string(option) + " needs a value");
      return args[++i];
    };
    if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--scale") {
      const std::string& text = value("--scale");
      double scale = 0.0;
      if (!ParseNumber(text, scale) || scale < kMinScale || scale > kMaxScale) {
        throw UsageError("--scale " + text + ": the scale must be a number from 0.25 to 1");
      }
      options.scale = static_cast<float>(scale);
    } else if (arg == "--set") {
      const std::string& text = value("--set");
      const std::size_t eq = text.find('=');
      if (eq == std::string::npos || eq == 0) throw UsageError("--set " + text + ": expected NAME=VALUE");
      options.settings.emplace_back(text.substr(0, eq), text.substr(eq + 1));
    } else if (arg == "--hover") {
      options.hover = value("--hover");
    } else if (arg == "--menu") {
      options.menu = value("--menu");
    } else if (arg == "--state-in") {
      options.stateIn = value("--state-in");
    } else if (arg == "--preset") {
      options.preset = value("--preset");
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else if (options.output.empty()) {
      options.output = arg;
    } else {
      throw UsageError("more than one output: " + render::Quoted(options.output) + " and " + render::Quoted(arg));
    }
  }
  if (options.output.empty() && !options.help) throw UsageError("no output file given");
  return options;
}

void RunSnapshot(const SnapshotOptions& options, std::ostream& out)
{
  render::TempFile file(options.output); // an unwritable output fails before anything is drawn

  Kolmari plugin{lumen::IInstanceInfo{}};
  if (!options.stateIn.empty()) LoadState(plugin, options.stateIn);
  if (!options.preset.empty()) ApplyPreset(plugin, options.preset);
  ApplySettings(plugin, options.settings);
  if (!options.hover.empty()) ParamIndexByName(plugin, options.hover); // a bad name fails before any drawing
  if (!options.menu.empty()) ParamIndexByName(plugin, options.menu);

  InstallEditor(plugin, [](lumen::ICanvasEditorDelegate& delegate, int w, int h, int fps, float scale) {
    return std::unique_ptr<lumen::canvas::ICanvas>(
        std::make_unique<lumen::canvas::ICanvasOffscreen>(&delegate, w, h, fps, scale));
  });
  if (plugin.OpenEditor(nullptr) == nullptr) {
    auto* surface = dynamic_cast<lumen::canvas::ICanvasOffscreen*>(plugin.Editor());
    const std::string reason = surface != nullptr ? surface->LastError() : "no editor";
    plugin.CloseEditor();
    throw ToolError("no usable OpenGL: " + reason);
  }
  auto* surface = dynamic_cast<lumen::canvas::ICanvasOffscreen*>(plugin.Editor());
  surface->ResizeSurface(kEditorWidth, kEditorHeight, options.scale);
  if (!options.hover.empty()) {
    try {
      ShowHover(plugin, *surface, options.hover);
    } catch (...) {
      plugin.CloseEditor();
      throw;
    }
  }
  if (!options.menu.empty()) {
    try {
      ShowMenu(plugin, *surface, options.menu);
    } catch (...) {
      plugin.CloseEditor();
      throw;
    }
  }
  if (!surface->DrawFullFrame()) {
    plugin.CloseEditor();
    throw ToolError("no usable OpenGL: the editor could not be drawn");
  }
  const lumen::canvas::IPixelImage window = surface->ReadWindow();
  const std::string renderer = surface->RendererName();
  plugin.CloseEditor();

  const int width = static_cast<int>(std::lround(kEditorWidth * options.scale));
  const int height = static_cast<int>(std::lround(kEditorHeight * options.scale));
  const lumen::canvas::IPixelImage picture = FitTo(window, width, height);
  const std::vector<uint8_t> png = lumen::canvas::EncodePng(picture.width, picture.height, picture.rgba.data());
  if (png.empty()) file.Fail("the picture cannot be encoded");
  WriteAll(file, png);
  file.Commit();
  out << "wrote " << options.output << ": " << width << " x " << height << " pixels at scale " << options.scale
      << " (" << renderer << ")\n";
}

int SnapshotMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
  try {
    const SnapshotOptions options = ParseSnapshotArguments(args);
    if (options.help) {
      out << kUsage << "\n";
      return 0;
    }
    RunSnapshot(options, out);
    return 0;
  } catch (const ToolError& e) {
    err << "kolmari-snapshot: " << e.what() << "\n";
    if (e.GetKind() == ToolError::Kind::Usage) err << kUsage << "\n";
    return e.ExitCode();
  } catch (const std::exception& e) {
    err << "kolmari-snapshot: " << e.what() << "\n";
    return 1;
  }
}

} // namespace kolmari::snapshot
