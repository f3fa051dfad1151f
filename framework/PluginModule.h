#pragma once

namespace lumen {

// The plug-in binary's own module, whatever format it is built for: on Windows its module handle
// (an HINSTANCE), noted by the DLL entry point when the host loads the library and kept for looking
// up the editor's resources inside it; null elsewhere and before the library has been loaded. Read
// on any thread after load.
void* PluginModuleHandle();

} // namespace lumen
