// The editor under the host's GUI protocol: an embedded window (X11 on Linux, Win32 on Windows)
// that the host sizes within the editor's limits, keeping its aspect ratio.
#include "IEffectCLAP.h"

#include "HostCallGuard.h"
#include "ICanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace lumen {

namespace {

#if defined(_WIN32)
constexpr const char* kWindowApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kWindowApi = CLAP_WINDOW_API_X11;
#endif

} // namespace

const clap_plugin_gui_t IEffectCLAP::kGui{
    // is_api_supported
    [](const clap_plugin_t* plugin, const char* api, bool isFloating) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && p->GuiApiSupported(api, isFloating);
    },
    // get_preferred_api
    [](const clap_plugin_t*, const char** api, bool* isFloating) {
      if (!api || !isFloating) return false;
      *api = kWindowApi;
      *isFloating = false;
      return true;
    },
    // create
    [](const clap_plugin_t* plugin, const char* api, bool isFloating) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && p->GuiCreate(api, isFloating);
    },
    // destroy
    [](const clap_plugin_t* plugin) {
      if (IEffectCLAP* p = FromPlugin(plugin)) GuardHostCall([p] { p->GuiDestroy(); });
    },
    // set_scale
    [](const clap_plugin_t* plugin, double scale) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && GuardHostCall(false, [&] { return p->GuiSetScale(scale); });
    },
    // get_size
    [](const clap_plugin_t* plugin, uint32_t* width, uint32_t* height) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && GuardHostCall(false, [&] { return p->GuiGetSize(width, height); });
    },
    // can_resize
    [](const clap_plugin_t* plugin) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && p->mGuiCreated;
    },
    // get_resize_hints
    [](const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints) {
      IEffectCLAP* p = FromPlugin(plugin);
      if (!p || !hints || !p->mGuiCreated || p->MaxEditorWidth() <= 0 || p->MaxEditorHeight() <= 0) return false;
      hints->can_resize_horizontally = true;
      hints->can_resize_vertically = true;
      hints->preserve_aspect_ratio = true;
      hints->aspect_ratio_width = static_cast<uint32_t>(p->MaxEditorWidth());
      hints->aspect_ratio_height = static_cast<uint32_t>(p->MaxEditorHeight());
      return true;
    },
    // adjust_size
    [](const clap_plugin_t* plugin, uint32_t* width, uint32_t* height) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && p->GuiAdjustSize(width, height);
    },
    // set_size
    [](const clap_plugin_t* plugin, uint32_t width, uint32_t height) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && GuardHostCall(false, [&] { return p->GuiSetSize(width, height); });
    },
    // set_parent
    [](const clap_plugin_t* plugin, const clap_window_t* window) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && GuardHostCall(false, [&] { return p->GuiSetParent(window); });
    },
    // set_transient: only for floating windows, which this editor does not make
    [](const clap_plugin_t*, const clap_window_t*) { return false; },
    // suggest_title: an embedded window has no title of its own
    [](const clap_plugin_t*, const char*) {},
    // show: the embedded window is mapped when it opens and follows its parent's visibility
    [](const clap_plugin_t* plugin) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && p->mGuiOpen;
    },
    // hide: the host hides the parent, and the embedded window with it
    [](const clap_plugin_t* plugin) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && p->mGuiOpen;
    }};

bool IEffectCLAP::GuiApiSupported(const char* api, bool isFloating) const {
  return HasEditor() && api && !isFloating && std::strcmp(api, kWindowApi) == 0;
}

bool IEffectCLAP::GuiCreate(const char* api, bool isFloating) {
  if (mGuiCreated || !GuiApiSupported(api, isFloating)) return false;
  mGuiCreated = true;
  return true;
}

void IEffectCLAP::GuiDestroy() {
  if (!mGuiCreated) return;
  if (mGuiOpen) CloseEditor();
  mGuiOpen = false;
  mGuiCreated = false;
}

bool IEffectCLAP::GuiSetScale(double scale) {
  // Only a sensible factor; the editor also reads the screen's own scale, and the host's word wins.
  if (!mGuiCreated || !(scale >= 0.25 && scale <= 8.0)) return false;
  ApplyScreenScale(static_cast<float>(scale));
  return true;
}

bool IEffectCLAP::GuiGetSize(uint32_t* width, uint32_t* height) {
  if (!mGuiCreated || !width || !height) return false;
  int w = 0;
  int h = 0;
  if (!EditorSizeForHost(w, h)) return false;
  *width = static_cast<uint32_t>(w);
  *height = static_cast<uint32_t>(h);
  return true;
}

bool IEffectCLAP::GuiAdjustSize(uint32_t* width, uint32_t* height) const {
  if (!mGuiCreated || !width || !height) return false;
  int w = static_cast<int>(std::min<uint32_t>(*width, INT32_MAX));
  int h = static_cast<int>(std::min<uint32_t>(*height, INT32_MAX));
  if (!FitEditorSize(w, h)) return false;
  *width = static_cast<uint32_t>(w);
  *height = static_cast<uint32_t>(h);
  return true;
}

bool IEffectCLAP::GuiSetSize(uint32_t width, uint32_t height) {
  if (!mGuiCreated || width == 0 || height == 0 || width > 32768 || height > 32768) return false;
  SetEditorSize(static_cast<int>(width), static_cast<int>(height));
  if (canvas::ICanvas* editor = Editor()) editor->FollowParentSize(static_cast<int>(width), static_cast<int>(height));
  return true;
}

bool IEffectCLAP::GuiSetParent(const clap_window_t* window) {
  if (!mGuiCreated || !window || !window->api || std::strcmp(window->api, kWindowApi) != 0) return false;
#if defined(_WIN32)
  void* parent = window->win32;
#else
  void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window->x11));
#endif
  if (!parent) return false;
  if (mGuiOpen) CloseEditor(); // a new parent: the window moves by being made again
  mGuiOpen = OpenEditor(parent) != nullptr;
  return mGuiOpen;
}

} // namespace lumen
