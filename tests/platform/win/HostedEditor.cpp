#include "HostedEditor.h"

#include "ClapPluginInstance.h"
#include "Vst3Module.h"
#include "VstPluginInstance.h"

#include "VstEffectOpcodes.h"
#include "ext/gui.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

namespace kolmari::win::test {

using lumen::test::Picture;
using namespace std::chrono_literals;

const char* FormatName(Format format) {
  switch (format) {
  case Format::Vst2: return "VST2";
  case Format::Clap: return "CLAP";
  case Format::Vst3: return "VST3";
  }
  return "?";
}

std::ostream& operator<<(std::ostream& out, const EditorSize& size) {
  return out << size.width << " x " << size.height;
}

void HostedEditor::Pump(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  do {
    lumen::test::WinTestWindow::Pump(std::min<std::chrono::milliseconds>(duration, 10ms));
    Idle();
  } while (std::chrono::steady_clock::now() < end);
}

namespace {

// The module that holds the code at address.
HMODULE ModuleOf(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCSTR>(address), &module);
  return module;
}

// ---- VST 2.4: Kolmari.dll -------------------------------------------------------------------------------

class HostedVst2 final : public HostedEditor {
public:
  explicit HostedVst2(std::unique_ptr<testhost::VstPluginInstance> plugin) : mPlugin(std::move(plugin)) {
    mPlugin->StartUp(44100.0, 512);
  }
  ~HostedVst2() override { mPlugin->Dispatch(lumen::vst2::effEditClose); }

  Format Kind() const override { return Format::Vst2; }
  HMODULE Module() const override { return ModuleOf(reinterpret_cast<const void*>(mPlugin->Effect()->dispatcher)); }
  std::optional<EditorSize> Size() override {
    const auto rect = mPlugin->EditorRect();
    if (!rect) return std::nullopt;
    return EditorSize{rect->right - rect->left, rect->bottom - rect->top};
  }
  bool Open(HWND parent) override { return mPlugin->Dispatch(lumen::vst2::effEditOpen, 0, 0, parent) == 1; }
  bool Close() override { return mPlugin->Dispatch(lumen::vst2::effEditClose) == 1; }
  std::optional<EditorSize> AdjustSize(EditorSize) override { return std::nullopt; }
  bool SetSize(EditorSize) override { return false; }
  std::optional<EditorSize> RequestedSize() override {
    const auto size = mPlugin->Host().RequestedWindowSize();
    if (!size) return std::nullopt;
    return EditorSize{size->first, size->second};
  }

private:
  std::unique_ptr<testhost::VstPluginInstance> mPlugin;
};

// ---- CLAP: Kolmari.clap ---------------------------------------------------------------------------------

class HostedClap final : public HostedEditor {
public:
  HostedClap(std::unique_ptr<testhost::ClapPluginInstance> plugin, const clap_plugin_gui_t* gui)
      : mPlugin(std::move(plugin)), mGui(gui) {}
  ~HostedClap() override { Destroy(); }

  Format Kind() const override { return Format::Clap; }
  HMODULE Module() const override { return ModuleOf(mPlugin->Library().Entry()); }
  std::optional<EditorSize> Size() override {
    // A host asks only once the editor is created.
    uint32_t width = 0;
    uint32_t height = 0;
    if (!Create() || !mGui->get_size(mPlugin->Plugin(), &width, &height)) return std::nullopt;
    return EditorSize{static_cast<int>(width), static_cast<int>(height)};
  }
  bool Open(HWND parent) override {
    if (!Create()) return false;
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_WIN32;
    window.win32 = parent;
    return mGui->set_parent(mPlugin->Plugin(), &window) && mGui->show(mPlugin->Plugin());
  }
  bool Close() override {
    if (!mCreated) return false;
    const bool shown = mGui->hide(mPlugin->Plugin());
    Destroy();
    return shown;
  }
  std::optional<EditorSize> AdjustSize(EditorSize wanted) override {
    auto width = static_cast<uint32_t>(wanted.width);
    auto height = static_cast<uint32_t>(wanted.height);
    if (!mCreated || !mGui->can_resize(mPlugin->Plugin()) || !mGui->adjust_size(mPlugin->Plugin(), &width, &height))
      return std::nullopt;
    return EditorSize{static_cast<int>(width), static_cast<int>(height)};
  }
  bool SetSize(EditorSize size) override {
    return mCreated && mGui->set_size(mPlugin->Plugin(), static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height));
  }
  std::optional<EditorSize> RequestedSize() override {
    const auto size = mPlugin->Host().RequestedSize();
    if (!size) return std::nullopt;
    return EditorSize{static_cast<int>(size->first), static_cast<int>(size->second)};
  }

  const clap_plugin_t* Plugin() const { return mPlugin->Plugin(); }
  const clap_plugin_gui_t* Gui() const { return mGui; }
  testhost::ClapPluginInstance& Instance() { return *mPlugin; }

protected:
  void Idle() override { mPlugin->FireTimers(); }

private:
  bool Create() {
    if (!mCreated) mCreated = mGui->create(mPlugin->Plugin(), CLAP_WINDOW_API_WIN32, false);
    return mCreated;
  }
  void Destroy() {
    if (mCreated) mGui->destroy(mPlugin->Plugin());
    mCreated = false;
  }

  std::unique_ptr<testhost::ClapPluginInstance> mPlugin;
  const clap_plugin_gui_t* mGui;
  bool mCreated = false;
};

// ---- VST3: the Kolmari.vst3 bundle -----------------------------------------------------------------------

using namespace lumen::vst3;

class HostedVst3 final : public HostedEditor {
public:
  explicit HostedVst3(std::shared_ptr<vst3host::Vst3Module> module)
      : mModule(module), mPlugin(std::make_unique<vst3host::Vst3Plugin>(std::move(module))) {}
  ~HostedVst3() override {
    if (mView != nullptr) {
      if (mAttached) View().removed(mView);
      Unref(mView);
    }
  }

  Format Kind() const override { return Format::Vst3; }
  HMODULE Module() const override { return ModuleOf(mModule->Symbol("GetPluginFactory")); }
  std::optional<EditorSize> Size() override {
    v3_view_rect rect{};
    if (!MakeView() || View().get_size(mView, &rect) != V3_OK) return std::nullopt;
    return EditorSize{rect.right - rect.left, rect.bottom - rect.top};
  }
  bool Open(HWND parent) override {
    if (!MakeView() || View().set_frame(mView, mFrame.As<v3_plugin_frame>()) != V3_OK) return false;
    mAttached = View().attached(mView, parent, V3_VIEW_PLATFORM_TYPE_HWND) == V3_OK;
    return mAttached;
  }
  bool Close() override {
    if (mView == nullptr) return false;
    const bool removed = View().removed(mView) == V3_OK;
    mAttached = false;
    View().set_frame(mView, nullptr);
    Unref(mView);
    mView = nullptr;
    return removed;
  }
  std::optional<EditorSize> AdjustSize(EditorSize wanted) override {
    v3_view_rect rect{0, 0, wanted.width, wanted.height};
    if (!MakeView() || View().can_resize(mView) != V3_TRUE || View().check_size_constraint(mView, &rect) != V3_OK)
      return std::nullopt;
    return EditorSize{rect.right - rect.left, rect.bottom - rect.top};
  }
  bool SetSize(EditorSize size) override {
    v3_view_rect rect{0, 0, size.width, size.height};
    return mView != nullptr && View().on_size(mView, &rect) == V3_OK;
  }
  std::optional<EditorSize> RequestedSize() override {
    if (mFrame.resizes.empty()) return std::nullopt;
    const v3_view_rect& rect = mFrame.resizes.back();
    return EditorSize{rect.right - rect.left, rect.bottom - rect.top};
  }

  // The view (made when first needed) and its calls.
  v3_plugin_view** ViewObject() { return MakeView() ? mView : nullptr; }
  v3_plugin_view& View() { return Methods<v3_plugin_view_cpp>(mView).view; }

protected:
  void Idle() override { mFrame.loop.Pump(); }

private:
  bool MakeView() {
    if (mView == nullptr) mView = mPlugin->ControllerMethods().create_view(mPlugin->Controller(), "editor");
    return mView != nullptr;
  }

  std::shared_ptr<vst3host::Vst3Module> mModule;
  std::unique_ptr<vst3host::Vst3Plugin> mPlugin; // the view goes before the plug-in
  vst3host::PlugFrame mFrame;
  v3_plugin_view** mView = nullptr;
  bool mAttached = false;
};

} // namespace

std::unique_ptr<HostedEditor> HostedEditor::Load(Format format, std::string& error) {
  try {
    switch (format) {
    case Format::Vst2: {
      auto plugin = testhost::VstPluginInstance::Load(KOLMARI_BINARY, error);
      if (!plugin) return nullptr;
      return std::make_unique<HostedVst2>(std::move(plugin));
    }
    case Format::Clap: {
      auto plugin = testhost::ClapPluginInstance::Load(KOLMARI_CLAP_BINARY, error);
      if (!plugin) return nullptr;
      const auto* gui = plugin->ExtensionAs<clap_plugin_gui_t>(CLAP_EXT_GUI);
      if (gui == nullptr) {
        error = "the plug-in has no gui extension";
        return nullptr;
      }
      return std::make_unique<HostedClap>(std::move(plugin), gui);
    }
    case Format::Vst3:
      return std::make_unique<HostedVst3>(std::make_shared<vst3host::Vst3Module>(KOLMARI_VST3_BUNDLE));
    }
  } catch (const std::exception& e) {
    error = e.what();
  }
  return nullptr;
}

// ---- Frames read as they are presented ------------------------------------------------------------------

namespace {

constexpr GLenum kReadFramebufferBinding = 0x8CAA; // GL_READ_FRAMEBUFFER_BINDING, past OpenGL 1.1's header

using SwapBuffersFunction = BOOL(WINAPI*)(HDC);
SwapBuffersFunction gSwapBuffers = nullptr;
std::mutex gFrameLock;
int gFrames = 0;
Picture gLastFrame;

// The back buffer of the window being swapped, with the caller's context current.
Picture ReadBackBuffer(HDC dc) {
  HWND window = WindowFromDC(dc);
  RECT client{};
  if (window == nullptr || wglGetCurrentDC() != dc || !GetClientRect(window, &client) || client.right <= 0 ||
      client.bottom <= 0) {
    return {};
  }
  GLint framebuffer = 0;
  glGetIntegerv(kReadFramebufferBinding, &framebuffer);
  if (framebuffer != 0) return {}; // not the window's own buffers
  GLint readBuffer = GL_BACK;
  GLint alignment = 4;
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<uint8_t> pixels(static_cast<size_t>(client.right) * client.bottom * 4);
  glReadPixels(0, 0, client.right, client.bottom, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  glReadBuffer(static_cast<GLenum>(readBuffer));
  return lumen::test::FromGL(client.right, client.bottom, pixels, true);
}

BOOL WINAPI ReadingSwapBuffers(HDC dc) {
  Picture frame = ReadBackBuffer(dc);
  {
    std::lock_guard<std::mutex> lock(gFrameLock);
    ++gFrames;
    gLastFrame = std::move(frame);
  }
  return gSwapBuffers(dc);
}

// The module's import slot of function from library (case as the linker wrote it), or null.
ULONG_PTR* ImportSlot(HMODULE module, const char* library, const char* function) {
  auto* base = reinterpret_cast<uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return nullptr;
  for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0;
       ++entry) {
    if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), library) != 0) continue;
    const DWORD namesAt = entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk : entry->FirstThunk;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + namesAt);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) return &slots->u1.Function;
    }
  }
  return nullptr;
}

} // namespace

bool PresentedFrames::Watch(HMODULE module, std::string& error) {
  if (module == nullptr) {
    error = "no module";
    return false;
  }
  ULONG_PTR* slot = ImportSlot(module, "gdi32.dll", "SwapBuffers");
  if (slot == nullptr) {
    error = "the module imports no SwapBuffers from gdi32.dll";
    return false;
  }
  if (*slot == reinterpret_cast<ULONG_PTR>(&ReadingSwapBuffers)) return true;
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection)) {
    error = "the import table cannot be written";
    return false;
  }
  if (gSwapBuffers == nullptr) gSwapBuffers = reinterpret_cast<SwapBuffersFunction>(*slot);
  *slot = reinterpret_cast<ULONG_PTR>(&ReadingSwapBuffers);
  VirtualProtect(slot, sizeof(*slot), protection, &protection);
  return true;
}

int PresentedFrames::Count() {
  std::lock_guard<std::mutex> lock(gFrameLock);
  return gFrames;
}

Picture PresentedFrames::Last() {
  std::lock_guard<std::mutex> lock(gFrameLock);
  return gLastFrame;
}

Picture PresentedFrames::Repaint(HostedEditor& editor, HWND window, std::chrono::milliseconds timeout) {
  const int before = Count();
  InvalidateRect(window, nullptr, FALSE);
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (Count() == before && std::chrono::steady_clock::now() < end) editor.Pump(10ms);
  return Count() == before ? Picture{} : Last();
}

} // namespace kolmari::win::test
