#pragma once

// Kolmari's editor as a Windows host shows it, the same way for VST 2.4, CLAP and VST3: the binary
// loaded through the test host, the editor opened in a window of the host and sized by it, the
// frames the editor presents read back as it swaps them, and the pictures compared with the Linux
// snapshot.
#include "Picture.h"
#include "WinTestWindow.h"

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace kolmari::win::test {

enum class Format { Vst2, Clap, Vst3 };
const char* FormatName(Format format);

struct EditorSize {
  int width = 0;
  int height = 0;
  bool operator==(const EditorSize&) const = default;
};
std::ostream& operator<<(std::ostream& out, const EditorSize& size);

// One plug-in instance and its editor, driven through the format's own calls.
class HostedEditor {
public:
  // Null with a message in error when the binary does not load or makes no instance.
  static std::unique_ptr<HostedEditor> Load(Format format, std::string& error);
  virtual ~HostedEditor() = default;

  virtual Format Kind() const = 0;
  // The module whose code draws the editor.
  virtual HMODULE Module() const = 0;
  // The editor's size as the plug-in tells it; before the editor opens, the size it will open at.
  virtual std::optional<EditorSize> Size() = 0;
  // Opens the editor in parent, as a child window of it; false when the plug-in refused.
  virtual bool Open(HWND parent) = 0;
  // Closes the editor; false when the plug-in said it had none open.
  virtual bool Close() = 0;
  // The host's side of resizing: the size the plug-in makes of a wanted one, and the size set once
  // the host's window has it. VST 2.4 hosts cannot size an editor: nullopt and false.
  virtual std::optional<EditorSize> AdjustSize(EditorSize wanted) = 0;
  virtual bool SetSize(EditorSize size) = 0;
  // The last size the editor asked the host for (its resize grip), if any.
  virtual std::optional<EditorSize> RequestedSize() = 0;

  // The host's UI loop: window messages and what else the format's host does on it (timers).
  void Pump(std::chrono::milliseconds duration);

protected:
  virtual void Idle() {}
};

// The frames the editors of watched modules present, read from the window's back buffer just
// before each swap: the plug-in's own OpenGL context is current then, and the back buffer holds the
// whole frame, since the editor copies all of its framebuffer onto the window every frame. (What an
// OpenGL child window shows never reaches wine's X screen or GDI, so a host cannot look at it from
// outside.)
class PresentedFrames {
public:
  // Sends the module's calls of SwapBuffers through the reader; false with error when it has none.
  static bool Watch(HMODULE module, std::string& error);
  // Frames presented so far, and the last one (its window's client area).
  static int Count();
  static lumen::test::Picture Last();
  // The whole window repainted now and the frame it presents; an empty picture when none came
  // within the timeout.
  static lumen::test::Picture Repaint(HostedEditor& editor, HWND window,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(3));
};

// PNG files, for the reference snapshots and for keeping what the editor showed.
lumen::test::Picture ReadPng(const std::string& path);
bool WritePng(const std::string& path, const lumen::test::Picture& picture);
// Writes the picture as name.png in KOLMARI_PICTURE_DIR, where a person can look at it; the path
// written, or "" without that folder.
std::string KeepPicture(const std::string& name, const lumen::test::Picture& picture);

} // namespace kolmari::win::test
