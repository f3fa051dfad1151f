#include "RenderApp.h"
#include "ToolPlatform.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string_view>
#include <vector>

namespace {

std::atomic<int> gSignal{0};

// Ctrl-C and SIGTERM only note the signal: the render stops at the next chunk and removes its
// temporary files, and the program then ends with the signal's conventional status.
extern "C" void OnSignal(int signal) { gSignal.store(signal); }

} // namespace

int main(int argc, char** argv) {
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);

  std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  kolmari::render::RenderApp app({std::cout, std::cerr, kolmari::render::platform::ErrorStreamIsTerminal(),
                                  [] { return gSignal.load() != 0; }});
  int status = app.Run(args);
  // 128 + the signal's number (130 for SIGINT, 143 for SIGTERM), whatever the program was doing
  // when it came.
  if (const int signal = gSignal.load(); signal != 0) status = 128 + signal;
  return status;
}
