#pragma once

#include <string>

namespace lumen {

// The folder where the user's own data for applications lives, as UTF-8: %APPDATA% on Windows;
// elsewhere $XDG_DATA_HOME, else ~/.local/share. Empty when the environment names none.
std::string UserDataFolder();

} // namespace lumen
