#pragma once

namespace lumen::vst2 {

// The plug-in binary's own module: on Windows its module handle (an HINSTANCE), set by the DLL
// entry point when the host loads the library and kept for looking up the editor's resources inside
// it; null elsewhere and before the library has been loaded. Read on any thread after load.
void* PluginModuleHandle();

} // namespace lumen::vst2
