#include "RenderApp.h"
#include "ToolPlatform.h"

#include <atomic>
#include <csignal>
#include <iostream>
#include <string_view>
#include <vector>

namespace {

std::atomic<bool> gInterrupted{false};

// Ctrl-C only raises a flag: the render stops at the next chunk and removes its temporary file.
extern "C" void OnInterrupt(int) { gInterrupted.store(true); }

} // namespace

int main(int argc, char** argv) {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  kolmari::render::RenderApp app({std::cout, std::cerr, kolmari::render::platform::ErrorStreamIsTerminal(), [] { return gInterrupted.load(); }});
  return app.Run(args);
}
