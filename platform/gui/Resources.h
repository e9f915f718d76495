// Resources as C++ data: dialog templates, dialog initialisation records, menus, string
// tables and images. A module (the program's window code, the dialog library) describes
// its resources in one ResourceModule and registers it; lookups search the registered
// modules in order of registration, as the framework searches its resource chain.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/core/CString.h"
#include "platform/gui/WinTypes.h"

// Window classes of the dialog template.
inline constexpr const char16_t* kClassStatic = u"Static";
inline constexpr const char16_t* kClassEdit = u"Edit";
inline constexpr const char16_t* kClassComboBox = u"ComboBox";
inline constexpr const char16_t* kClassButton = u"Button";
inline constexpr const char16_t* kClassEditBrowse = u"MfcEditBrowse";
// A table of cells edited in place (CGridCtrl).
inline constexpr const char16_t* kClassGrid = u"CorvaneGrid";
inline constexpr const char16_t* kClassWebBrowser = u"{8856F961-340A-11D0-A96B-00C04FD705A2}";

// One control of a dialog template; position and size in dialog units.
struct DlgControl {
  int id;
  const char16_t* className;
  const char16_t* text;
  DWORD style;
  short x, y, cx, cy;
};

struct DlgTemplate {
  UINT id;
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  UINT menuId;  // 0: no menu
  const char16_t* caption;
  const char16_t* fontFace;
  int pointSize;
  std::span<const DlgControl> controls;
};

// Messages of the dialog initialisation data.
constexpr UINT kDlgInitAddString = 0x0403;   // the 8-bit text to append to a list
constexpr UINT kDlgInitMfcControl = 0x037C;  // the framework's control initialisation
constexpr UINT kDlgInitOleControl = 0x0376;  // an ActiveX control's persisted state

// One record of a dialog's initialisation data; data holds the record's bytes.
struct DlgInitRecord {
  int controlId;
  UINT message;
  std::string_view data;
};

struct DlgInit {
  UINT dialogId;
  std::span<const DlgInitRecord> records;
};

// A menu item: a null text is a separator.
struct MenuItemRes {
  const char16_t* text;
  UINT id;
};

struct MenuPopupRes {
  const char16_t* title;
  std::span<const MenuItemRes> items;
};

struct MenuRes {
  UINT id;
  std::span<const MenuPopupRes> popups;
};

struct StringRes {
  UINT id;
  const char16_t* text;
};

// An image file compiled into the program (a BMP for bitmaps, PNGs for icons).
struct ImageRes {
  UINT id;
  std::span<const unsigned char> bytes;
};

// An icon group: the same picture at several sizes.
struct IconGroupRes {
  UINT id;
  std::span<const ImageRes> images;
};

struct ResourceModule {
  std::span<const DlgTemplate> dialogs;
  std::span<const DlgInit> dialogInits;
  std::span<const MenuRes> menus;
  std::span<const StringRes> strings;
  std::span<const ImageRes> bitmaps;
  std::span<const IconGroupRes> icons;
};

// Adds a module to the chain; registering the same module twice has no effect.
void AfxAddResourceModule(const ResourceModule* module);

const DlgTemplate* AfxFindDialogTemplate(UINT id);
// The dialog's initialisation records, empty when it has none.
std::span<const DlgInitRecord> AfxFindDlgInit(UINT dialogId);
const MenuRes* AfxFindMenu(UINT id);
const ImageRes* AfxFindBitmap(UINT id);
const IconGroupRes* AfxFindIconGroup(UINT id);

// Loads string id into text; FALSE (text emptied) when no module holds it.
BOOL AfxLoadString(UINT id, CString& text);
