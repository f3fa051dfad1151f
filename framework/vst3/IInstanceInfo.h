#pragma once

namespace lumen {

// What the VST3 entry point knows when it creates an instance: nothing yet. The host introduces
// itself later, through the context it hands to initialize.
struct IInstanceInfo {};

} // namespace lumen
