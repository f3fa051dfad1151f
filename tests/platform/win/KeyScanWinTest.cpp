// Keys a host names by their character are translated by the keyboard layout in use.
#include "VstKeyTranslation.h"
#include "VstKeys.h"

#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

using lumen::vst2::PlatformKeyCode;

TEST(WindowsKeyTranslation, CharactersGoThroughTheLayoutInUse) {
  const HKL layout = GetKeyboardLayout(0);
  for (int c = 0; c < 256; ++c) {
    const auto character = static_cast<char>(c);
    const int32_t expected = static_cast<int16_t>(VkKeyScanExA(character, layout));
    EXPECT_EQ(PlatformKeyCode(0, character), expected) << "character " << c;
    EXPECT_EQ(PlatformKeyCode(lumen::vst2::VKEY_EQUALS, character), expected) << "character " << c;
  }
  // Named keys keep their fixed codes whatever the layout.
  EXPECT_EQ(PlatformKeyCode(lumen::vst2::VKEY_RETURN, 'x'), VK_RETURN);
  EXPECT_EQ(PlatformKeyCode(lumen::vst2::VKEY_F12, 0), VK_F12);
}

} // namespace
