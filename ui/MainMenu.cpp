// Menu 131. The resources hold no accelerator table: "Ctrl+L" after the tab is the item's
// label (the toolkit makes the label's key work too).
#include <array>

#include "platform/gui/Resources.h"
#include "ui/Resource.h"
#include "ui/ResourceTables.h"

namespace {

const std::array<MenuItemRes, 1> kFile = {{{u"Quit", IDCANCEL}}};

// The maker's other products, at 25000 plus each product's code.
const std::array<MenuItemRes, 20> kTools = {{
    {u"View Log...\tCtrl+L", ID_TOOLS_VIEW_LOG},
    {u"Truncate Log", ID_TOOLS_TRUNCATE_LOG},
    {nullptr, 0},
    {u"Ostrel Sheet Viewer", ID_PRODUCT_FIRST + 0},
    {u"Ostrel Image Resizer", ID_PRODUCT_FIRST + 1},
    {u"Ostrel File Splitter", ID_PRODUCT_FIRST + 2},
    {u"Ostrel Archive Builder", ID_PRODUCT_FIRST + 3},
    {u"Ostrel Disk Cleaner", ID_PRODUCT_FIRST + 4},
    {u"Ostrel Photo Album", ID_PRODUCT_FIRST + 5},
    {u"Ostrel Report Designer", ID_PRODUCT_FIRST + 6},
    {u"Ostrel Backup Keeper", ID_PRODUCT_FIRST + 7},
    {u"Ostrel Text Compare", ID_PRODUCT_FIRST + 8},
    {u"Ostrel Mail Merger", ID_PRODUCT_FIRST + 10},
    {u"Ostrel Label Printer", ID_PRODUCT_FIRST + 11},
    {u"Ostrel Data Explorer", ID_PRODUCT_FIRST + 12},
    {u"Ostrel Font Browser", ID_PRODUCT_FIRST + 16},
    {u"Ostrel Audio Trimmer", ID_PRODUCT_FIRST + 17},
    {u"Ostrel Clipboard Keeper", ID_PRODUCT_FIRST + 18},
    {u"Ostrel Screen Ruler", ID_PRODUCT_FIRST + 19},
    {u"Ostrel Task Timer", ID_PRODUCT_FIRST + 20},
}};

const std::array<MenuItemRes, 4> kHelp = {{
    {u"&Write an e-mail to Technical Support", ID_HELP_SUPPORT_MAIL},
    {u"Go to converter's Web Site", ID_HELP_WEB_SITE},
    {nullptr, 0},
    {u"About the converter...", ID_HELP_ABOUT},
}};

const std::array<MenuPopupRes, 3> kMainPopups = {{
    {u"File", kFile},
    {u"Tools", kTools},
    {u"Help", kHelp},
}};

const std::array<MenuRes, 1> kMenus = {{{IDR_MAIN_MENU, kMainPopups}}};

}  // namespace

std::span<const MenuRes> MainMenus() {
  return kMenus;
}
