#include "X11KeyTranslation.h"

#include "IKeyCodes.h"

#include <X11/keysym.h>

namespace lumen::canvas {

int KeyCodeFromKeySym(unsigned long keySym) {
  if (keySym >= XK_a && keySym <= XK_z) return kKeyA + static_cast<int>(keySym - XK_a);
  if (keySym >= XK_A && keySym <= XK_Z) return kKeyA + static_cast<int>(keySym - XK_A);
  if (keySym >= XK_0 && keySym <= XK_9) return kKey0 + static_cast<int>(keySym - XK_0);
  if (keySym >= XK_KP_0 && keySym <= XK_KP_9) return kKeyNumpad0 + static_cast<int>(keySym - XK_KP_0);
  if (keySym >= XK_F1 && keySym <= XK_F12) return 0x70 + static_cast<int>(keySym - XK_F1);
  switch (keySym) {
  case XK_BackSpace: return kKeyBackspace;
  case XK_Tab:
  case XK_ISO_Left_Tab: return kKeyTab;
  case XK_Return:
  case XK_KP_Enter: return kKeyReturn;
  case XK_Escape: return kKeyEscape;
  case XK_space:
  case XK_KP_Space: return kKeySpace;
  case XK_Page_Up:
  case XK_KP_Page_Up: return kKeyPageUp;
  case XK_Page_Down:
  case XK_KP_Page_Down: return kKeyPageDown;
  case XK_End:
  case XK_KP_End: return kKeyEnd;
  case XK_Home:
  case XK_KP_Home: return kKeyHome;
  case XK_Left:
  case XK_KP_Left: return kKeyLeft;
  case XK_Up:
  case XK_KP_Up: return kKeyUp;
  case XK_Right:
  case XK_KP_Right: return kKeyRight;
  case XK_Down:
  case XK_KP_Down: return kKeyDown;
  case XK_Delete:
  case XK_KP_Delete: return kKeyDelete;
  case XK_Insert:
  case XK_KP_Insert: return 0x2D;
  case XK_KP_Multiply: return kKeyMultiply;
  case XK_KP_Add: return kKeyAdd;
  case XK_KP_Subtract: return kKeySubtract;
  case XK_KP_Decimal: return kKeyDecimal;
  case XK_KP_Divide: return 0x6F;
  case XK_Shift_L:
  case XK_Shift_R: return 0x10;
  case XK_Control_L:
  case XK_Control_R: return 0x11;
  case XK_Alt_L:
  case XK_Alt_R:
  case XK_Meta_L:
  case XK_Meta_R: return 0x12;
  default: return 0;
  }
}

} // namespace lumen::canvas
