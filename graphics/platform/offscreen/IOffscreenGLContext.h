#pragma once

#include <memory>
#include <string>

namespace lumen::canvas {

// An OpenGL 2.1 (compatibility) context without any window: EGL on Mesa's surfaceless platform,
// which needs no display server (llvmpipe on machines without a GPU). Drawing goes into
// framebuffer objects; there is no default framebuffer to draw into.
//
// Create() makes the context, makes it current on the calling thread and loads the OpenGL entry
// points; it returns null, with the reason in error, when any step fails. The context belongs to
// the thread that uses it: MakeCurrent/Release bracket work on it and restore whatever context
// the thread had before, so several contexts (several editors) can live in one process.
class IOffscreenGLContext {
public:
  static std::unique_ptr<IOffscreenGLContext> Create(std::string& error);
  ~IOffscreenGLContext();

  IOffscreenGLContext(const IOffscreenGLContext&) = delete;
  IOffscreenGLContext& operator=(const IOffscreenGLContext&) = delete;

  // Makes this context current, remembering the one that was current; false when EGL refuses.
  // Calls nest: each successful MakeCurrent pairs with one Release, and the outermost Release
  // makes the remembered context current again.
  bool MakeCurrent();
  void Release();

  // The renderer's name as OpenGL reports it (for example "llvmpipe (LLVM 15.0.6, 256 bits)").
  std::string RendererName() const;

private:
  struct State;
  explicit IOffscreenGLContext(std::unique_ptr<State> state);
  std::unique_ptr<State> mState;
};

} // namespace lumen::canvas
