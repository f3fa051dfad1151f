#include "Lv2Bundle.h"

#include "SharedObjectCheck.h"

#include <lv2/core/lv2.h>
#include <lv2/port-props/port-props.h>
#include <lv2/units/units.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace kolmari::testhost {

namespace fs = std::filesystem;

namespace {

// A node made for one query, freed on leaving.
class Node {
public:
  Node(LilvWorld* world, const char* uri) : mNode(lilv_new_uri(world, uri)) {}
  explicit Node(LilvNode* node) : mNode(node) {}
  ~Node() { lilv_node_free(mNode); }
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  const LilvNode* get() const { return mNode; }
  explicit operator bool() const { return mNode != nullptr; }

private:
  LilvNode* mNode;
};

std::string Text(const LilvNode* node) {
  if (!node) return "";
  const char* text = lilv_node_as_string(node);
  return text ? text : "";
}

bool IsNumber(const LilvNode* node) { return node && (lilv_node_is_float(node) || lilv_node_is_int(node)); }

// The symbols of the units vocabulary's units, which lilv does not load with a single bundle.
std::string StandardUnitSymbol(const std::string& uri) {
  static const std::pair<const char*, const char*> kSymbols[] = {
      {"bar", "bars"}, {"beat", "beats"}, {"bpm", "BPM"},   {"cent", "ct"},  {"cm", "cm"},    {"coef", ""},
      {"db", "dB"},    {"degree", "deg"}, {"frame", "frames"}, {"hz", "Hz"}, {"inch", "in"},  {"khz", "kHz"},
      {"km", "km"},    {"m", "m"},        {"mhz", "MHz"},   {"midiNote", "note"}, {"mile", "mi"}, {"min", "min"},
      {"mm", "mm"},    {"ms", "ms"},      {"oct", "oct"},   {"pc", "%"},     {"s", "s"},      {"semitone12TET", "semi"}};
  const std::string prefix = LV2_UNITS_PREFIX;
  if (uri.compare(0, prefix.size(), prefix) != 0) return "";
  const std::string local = uri.substr(prefix.size());
  for (const auto& [name, symbol] : kSymbols) {
    if (local == name) return symbol;
  }
  return "";
}

} // namespace

bool IsLv2Path(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  constexpr std::string_view kSuffix = ".lv2";
  return trimmed.size() > kSuffix.size() &&
         trimmed.compare(trimmed.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

Lv2Bundle::Lv2Bundle() : mWorld(lilv_world_new()) {
  mMap.handle = this;
  mMap.map = [](LV2_URID_Map_Handle handle, const char* uri) { return static_cast<Lv2Bundle*>(handle)->MapUri(uri); };
  mUnmap.handle = this;
  mUnmap.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) {
    return static_cast<const Lv2Bundle*>(handle)->UnmapUrid(urid);
  };
}

Lv2Bundle::~Lv2Bundle() {
  if (mWorld) lilv_world_free(mWorld);
}

std::shared_ptr<Lv2Bundle> Lv2Bundle::Load(const std::string& path, std::string& error) {
  std::error_code ec;
  const fs::path folder = fs::absolute(path, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    error = std::string("an LV2 bundle is a folder, and ") + path + " is none";
    return nullptr;
  }
  if (!fs::is_regular_file(folder / "manifest.ttl", ec)) {
    error = std::string("no manifest.ttl in ") + path + ", so it is no LV2 bundle";
    return nullptr;
  }
  std::shared_ptr<Lv2Bundle> bundle(new Lv2Bundle());
  if (!bundle->mWorld) {
    error = "lilv could not make a world";
    return nullptr;
  }
  // lilv takes a bundle as a file URI ending in a slash.
  std::string dir = folder.lexically_normal().string();
  if (dir.empty() || dir.back() != '/') dir += '/';
  LilvNode* uri = lilv_new_file_uri(bundle->mWorld, nullptr, dir.c_str());
  if (!uri) {
    error = std::string("cannot make a URI of ") + dir;
    return nullptr;
  }
  lilv_world_load_bundle(bundle->mWorld, uri);
  lilv_node_free(uri);
  if (!bundle->Describe(error)) return nullptr;
  return bundle;
}

bool Lv2Bundle::Describe(std::string& error) {
  const LilvPlugins* plugins = lilv_world_get_all_plugins(mWorld);
  const LilvPlugin* first = nullptr;
  const Node audio(mWorld, LV2_CORE__AudioPort);
  const Node input(mWorld, LV2_CORE__InputPort);
  const Node output(mWorld, LV2_CORE__OutputPort);
  LILV_FOREACH(plugins, i, plugins) {
    const LilvPlugin* plugin = lilv_plugins_get(plugins, i);
    if (!first) first = plugin;
    if (lilv_plugin_get_num_ports_of_class(plugin, audio.get(), input.get(), nullptr) == 2 &&
        lilv_plugin_get_num_ports_of_class(plugin, audio.get(), output.get(), nullptr) == 2) {
      mPlugin = plugin;
      break;
    }
  }
  if (!mPlugin) mPlugin = first;
  if (!mPlugin) {
    error = "the bundle describes no plug-in";
    return false;
  }
  // Data that does not parse leaves a plug-in lilv cannot check; refuse it before loading code.
  if (!lilv_plugin_verify(mPlugin)) {
    error = std::string("the bundle's description of ") + Text(lilv_plugin_get_uri(mPlugin)) + " is incomplete";
    return false;
  }
  mPluginUri = Text(lilv_plugin_get_uri(mPlugin));
  // lilv hands the binary to the loader as it is; a truncated one would crash this process at the
  // first touch instead of failing to load.
  if (const LilvNode* library = lilv_plugin_get_library_uri(mPlugin)) {
    char* path = lilv_file_uri_parse(lilv_node_as_uri(library), nullptr);
    const std::string binary = path ? path : "";
    lilv_free(path);
    if (const auto problem = binary.empty() ? std::nullopt : SharedObjectCheck::Problem(binary)) {
      error = std::string("its binary ") + binary + " cannot be loaded: " + *problem;
      return false;
    }
  }
  mPortCount = lilv_plugin_get_num_ports(mPlugin);

  const Node control(mWorld, LV2_CORE__ControlPort);
  for (uint32_t p = 0; p < mPortCount; ++p) {
    const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin, p);
    if (!port) continue;
    const bool isInput = lilv_port_is_a(mPlugin, port, input.get());
    if (lilv_port_is_a(mPlugin, port, audio.get())) {
      (isInput ? mAudioInputs : mAudioOutputs).push_back(p);
    } else if (lilv_port_is_a(mPlugin, port, control.get())) {
      if (isInput) mControls.push_back(DescribeControl(p));
      else mControlOutputs.push_back(p);
    }
  }
  return true;
}

Lv2ControlPort Lv2Bundle::DescribeControl(uint32_t index) const {
  const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin, index);
  Lv2ControlPort c;
  c.index = index;
  c.symbol = Text(lilv_port_get_symbol(mPlugin, port));
  {
    const Node name(lilv_port_get_name(mPlugin, port));
    c.name = name ? Text(name.get()) : c.symbol;
  }
  const auto has = [&](const char* property) {
    const Node node(mWorld, property);
    return lilv_port_has_property(mPlugin, port, node.get());
  };
  c.toggled = has(LV2_CORE__toggled);
  c.enumeration = has(LV2_CORE__enumeration);
  c.integer = c.toggled || c.enumeration || has(LV2_CORE__integer);

  LilvNode* def = nullptr;
  LilvNode* min = nullptr;
  LilvNode* max = nullptr;
  lilv_port_get_range(mPlugin, port, &def, &min, &max);
  c.minimum = IsNumber(min) ? lilv_node_as_float(min) : 0.0f;
  c.maximum = IsNumber(max) ? lilv_node_as_float(max) : (c.toggled ? 1.0f : c.minimum);
  if (c.maximum < c.minimum) std::swap(c.minimum, c.maximum);
  c.defaultValue = c.Constrain(IsNumber(def) ? lilv_node_as_float(def) : c.minimum);
  lilv_node_free(def);
  lilv_node_free(min);
  lilv_node_free(max);

  if (LilvScalePoints* points = lilv_port_get_scale_points(mPlugin, port)) {
    LILV_FOREACH(scale_points, i, points) {
      const LilvScalePoint* point = lilv_scale_points_get(points, i);
      const LilvNode* value = lilv_scale_point_get_value(point);
      if (!IsNumber(value)) continue;
      c.scalePoints.push_back({lilv_node_as_float(value), Text(lilv_scale_point_get_label(point))});
    }
    lilv_scale_points_free(points);
    std::sort(c.scalePoints.begin(), c.scalePoints.end(),
              [](const auto& a, const auto& b) { return a.value < b.value; });
  }

  // The unit: a unit of the vocabulary by its known symbol, a unit of the plug-in's own by the
  // units:symbol its data gives.
  const Node unitKey(mWorld, LV2_UNITS__unit);
  if (LilvNodes* units = lilv_port_get_value(mPlugin, port, unitKey.get())) {
    if (const LilvNode* unit = lilv_nodes_get_first(units)) {
      c.unit = StandardUnitSymbol(Text(unit));
      const Node symbolKey(mWorld, LV2_UNITS__symbol);
      if (c.unit.empty() && (lilv_node_is_uri(unit) || lilv_node_is_blank(unit))) {
        const Node symbol(lilv_world_get(mWorld, unit, symbolKey.get(), nullptr));
        if (symbol && lilv_node_is_string(symbol.get())) c.unit = Text(symbol.get());
      }
    }
    lilv_nodes_free(units);
  }
  return c;
}

std::string Lv2Bundle::Name() const {
  const Node name(lilv_plugin_get_name(mPlugin));
  return name ? Text(name.get()) : "";
}

std::string Lv2Bundle::Author() const {
  const Node author(lilv_plugin_get_author_name(mPlugin));
  return author ? Text(author.get()) : "";
}

LV2_URID Lv2Bundle::MapUri(const char* uri) {
  if (!uri) return 0;
  const auto [at, added] = mUrids.emplace(uri, static_cast<LV2_URID>(mUris.size() + 1));
  if (added) mUris.emplace_back(uri);
  return at->second;
}

const char* Lv2Bundle::UnmapUrid(LV2_URID urid) const {
  if (urid == 0 || urid > mUris.size()) return nullptr;
  return mUris[urid - 1].c_str();
}

} // namespace kolmari::testhost
