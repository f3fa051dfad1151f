#pragma once

// Marks a format's exported entry points: the only symbols a plug-in binary shows its host. On
// Windows the DLL's module-definition file lists its exports; elsewhere everything else is hidden
// by the build, so the entry points are made visible here.
#ifdef _WIN32
#define KOLMARI_ENTRY_EXPORT
#else
#define KOLMARI_ENTRY_EXPORT __attribute__((visibility("default")))
#endif
