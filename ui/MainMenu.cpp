// Menu 131. The resources hold no accelerator table: "Ctrl+L" after the tab is the item's
// label (the toolkit makes the label's key work too). Every title and item has an access
// key; the titles' keys (Alt+F, Alt+O, Alt+H) are none of the window's own.
#include <array>
#include <cctype>
#include <string>

#include "libs/suppcore/Products.h"
#include "platform/gui/Resources.h"
#include "ui/Resource.h"
#include "ui/ResourceTables.h"

namespace {

// Open is the source's browse button.
const std::array<MenuItemRes, 3> kFile = {{
    {u"&Open...\tCtrl+O", ID_FILE_OPEN},
    {nullptr, 0},
    {u"&Quit\tCtrl+Q", IDCANCEL},
}};

// The name with an access key none of the menu's earlier items has: the first letter of a
// word after the maker's name where it can, any letter of the name else.
std::u16string WithAccessKey(std::u16string name, std::u16string& taken) {
  std::size_t chosen = std::u16string::npos;
  for (int pass = 0; pass < 2 && chosen == std::u16string::npos; ++pass) {
    for (std::size_t i = name.find(u' '); i < name.size(); ++i) {
      const bool wordStart = name[i - 1] == u' ';
      const char16_t key = static_cast<char16_t>(std::toupper(name[i] < 128 ? name[i] : 0));
      if ((pass == 1 || wordStart) && std::isalpha(key) && taken.find(key) == taken.npos) {
        chosen = i;
        taken += key;
        break;
      }
    }
  }
  // A character, not the literal u"&": GCC 12 at -O3 warns falsely (-Wrestrict) on that.
  return chosen == std::u16string::npos ? name : name.insert(chosen, 1, u'&');
}

// The Tools menu ends with the maker's other products, at 25000 plus each product's code,
// named as the product list names them, each with an access key of its own.
const std::array<MenuItemRes, 20> kTools = [] {
  std::array<MenuItemRes, 20> items = {{
      {u"&View Log...\tCtrl+L", ID_TOOLS_VIEW_LOG},
      {u"&Truncate Log", ID_TOOLS_TRUNCATE_LOG},
      {nullptr, 0},
  }};
  static std::array<std::u16string, 17> labels;
  std::u16string taken = u"VT";
  std::size_t next = 0;
  for (const ProductInfo& product : OtherProducts()) {
    labels.at(next) = WithAccessKey(product.name, taken);
    items.at(3 + next) = {labels.at(next).c_str(), ID_PRODUCT_FIRST + product.code};
    ++next;
  }
  return items;
}();

// The guide's item carries the help command, which F1 gives too.
const std::array<MenuItemRes, 6> kHelp = {{
    {u"&User Guide\tF1", ID_HELP},
    {nullptr, 0},
    {u"&Write an e-mail to Technical Support", ID_HELP_SUPPORT_MAIL},
    {u"&Go to converter's Web Site", ID_HELP_WEB_SITE},
    {nullptr, 0},
    {u"&About the converter...", ID_HELP_ABOUT},
}};

// Alt+T is the window's Typed values, so Tools takes its second letter.
const std::array<MenuPopupRes, 3> kMainPopups = {{
    {u"&File", kFile},
    {u"T&ools", kTools},
    {u"&Help", kHelp},
}};

const std::array<MenuRes, 1> kMenus = {{{IDR_MAIN_MENU, kMainPopups}}};

}  // namespace

std::span<const MenuRes> MainMenus() {
  return kMenus;
}
