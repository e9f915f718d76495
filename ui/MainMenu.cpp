// Menu 131. The resources hold no accelerator table: "Ctrl+L" after the tab is the item's
// label (the toolkit makes the label's key work too).
#include <array>

#include "libs/suppcore/Products.h"
#include "platform/gui/Resources.h"
#include "ui/Resource.h"
#include "ui/ResourceTables.h"

namespace {

const std::array<MenuItemRes, 1> kFile = {{{u"Quit", IDCANCEL}}};

// The Tools menu ends with the maker's other products, at 25000 plus each product's code,
// named as the product list names them.
const std::array<MenuItemRes, 20> kTools = [] {
  std::array<MenuItemRes, 20> items = {{
      {u"View Log...\tCtrl+L", ID_TOOLS_VIEW_LOG},
      {u"Truncate Log", ID_TOOLS_TRUNCATE_LOG},
      {nullptr, 0},
  }};
  std::size_t next = 3;
  for (const ProductInfo& product : OtherProducts()) {
    items.at(next++) = {product.name, ID_PRODUCT_FIRST + product.code};
  }
  return items;
}();

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
