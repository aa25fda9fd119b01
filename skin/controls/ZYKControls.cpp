#include "skin/controls/ZYKControls.h"

#include "skin/controls/ZYKButton.h"
#include "skin/controls/ZYKImagePanel.h"
#include "skin/controls/ZYKScrollBar.h"
#include "skin/controls/ZYKTrackBar.h"
#include "skin/controls/ZYKURLLabel.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/frame/ZYKForm.h"
#include "skin/frame/ZYKTitleBar.h"
#include "skin/menus/ZYKMainMenu.h"
#include "skin/menus/ZYKPopupMenu.h"

void RegisterSkinControlClasses() {
  RegisterFileThemeClasses();
  RegisterZYKURLLabelClasses();
  RegisterZYKButtonClasses();
  RegisterZYKImagePanelClasses();
  RegisterZYKTrackBarClasses();
  RegisterZYKScrollBarClasses();
  RegisterZYKTitleBarClasses();
  RegisterZYKFormClasses();
  RegisterZYKPopupMenuClasses();
  RegisterZYKMainMenuClasses();
}
