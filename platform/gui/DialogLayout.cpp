#include "platform/gui/DialogLayout.h"

#include <algorithm>
#include <vector>

#include <wx/window.h>

namespace {

enum class Kind { kLabel, kCheckBox, kSized, kTall };

// In dialog units: a field is 14 high; a static or a field taller than that holds several
// lines and is no part of a row.
constexpr int kLineHeight = 14;
// In pixels at 96 dots per inch: the desktop's spacing unit and window margin.
constexpr int kStep = 6;
constexpr int kMargin = 12;
constexpr int kLabelGap = 12;
// In dialog units: controls closer than this in a row belong together.
constexpr int kTogether = 12;

Kind KindOf(const DlgControl& res) {
  const CString name(res.className);
  if (name == kClassStatic) {
    const bool icon = (res.style & SS_TYPEMASK) == SS_ICON;
    return icon || res.cy > kLineHeight ? Kind::kTall : Kind::kLabel;
  }
  if (name == kClassButton) {
    return (res.style & BS_TYPEMASK) == BS_AUTOCHECKBOX ? Kind::kCheckBox : Kind::kSized;
  }
  if (name == kClassComboBox || name == kClassEditBrowse) {
    return Kind::kSized;
  }
  if (name == kClassEdit) {
    return res.cy > kLineHeight ? Kind::kTall : Kind::kSized;
  }
  return Kind::kTall;
}

bool IsList(const DlgControl& res) {
  return CString(res.className) == kClassComboBox;
}

// The template's bottom edge; a drop-down list's height there is that of its open list.
int BottomDu(const DlgControl& res) {
  return res.y + (IsList(res) ? std::min<int>(res.cy, kLineHeight) : res.cy);
}

// A control made of others (a field with its button) is as high as its tallest part.
int BestHeight(wxWindow* window) {
  int height = window->GetBestSize().y;
  if (!window->GetChildren().empty()) {
    height = 0;
    for (wxWindow* child : window->GetChildren()) {
      height = std::max(height, child->GetBestSize().y);
    }
  }
  return height;
}

struct Item {
  std::vector<const PlacedControl*> members;
  int top;     // dialog units
  int bottom;  // dialog units
  bool tall;
};

class Layout {
 public:
  explicit Layout(wxWindow* panel) : m_panel(panel) {}

  int X(int du) const { return m_panel->ConvertDialogToPixels(wxPoint(du, 0)).x; }
  int Y(int du) const { return m_panel->ConvertDialogToPixels(wxPoint(0, du)).y; }
  int Px(int dip) const { return m_panel->FromDIP(dip); }

  // The template's gap, rounded up to the next step of the desktop's spacing.
  int Gap(int du) const {
    const int steps = du <= 3 ? 1 : du <= 6 ? 2 : du <= 9 ? 3 : 0;
    return steps != 0 ? Px(kStep * steps) : Y(du);
  }

  // Places one row with its top at top; returns its height.
  int PlaceRow(const Item& row, int top) const;

 private:
  wxWindow* m_panel;
};

int Layout::PlaceRow(const Item& row, int top) const {
  struct Placed {
    const PlacedControl* control;
    Kind kind;
    wxRect rect;
  };
  std::vector<Placed> placed;
  int sizedHeight = 0;
  int anyHeight = 0;
  for (const PlacedControl* control : row.members) {
    const DlgControl& res = *control->res;
    const Kind kind = KindOf(res);
    const wxSize best = control->window->GetBestSize();
    int height = BestHeight(control->window);
    int width = X(res.cx);
    if (kind == Kind::kSized && !IsList(res)) {
      height = std::max(height, Y(res.cy));
    }
    if (kind == Kind::kLabel && CString(res.text).GetLength() > 0) {
      width = best.x;  // as wide as its text: nothing past it for a narrow window to cut
    } else if (kind == Kind::kCheckBox) {
      width = std::max(width, best.x);
    }
    anyHeight = std::max(anyHeight, height);
    sizedHeight = kind == Kind::kSized ? std::max(sizedHeight, height) : sizedHeight;
    placed.push_back({control, kind, wxRect(X(res.x), 0, width, height)});
  }
  const int rowHeight = sizedHeight > 0 ? sizedHeight : anyHeight;
  std::sort(placed.begin(), placed.end(),
            [](const Placed& a, const Placed& b) { return a.rect.x < b.rect.x; });
  // A label's control follows its text at the desktop's gap, and the controls that sit
  // close after it move along.
  for (size_t i = 0; i + 1 < placed.size(); ++i) {
    const int excess = placed[i + 1].rect.x - placed[i].rect.GetRight() - 1 - Px(kLabelGap);
    for (size_t j = i + 1; placed[i].kind == Kind::kLabel && excess > 0 && j < placed.size(); ++j) {
      const DlgControl& before = *placed[j - 1].control->res;
      if (j > i + 1 && placed[j].control->res->x - (before.x + before.cx) >= kTogether) {
        break;
      }
      placed[j].rect.x -= excess;
    }
  }
  for (size_t i = 0; i < placed.size(); ++i) {
    wxRect& rect = placed[i].rect;
    if (placed[i].kind == Kind::kSized) {
      rect.height = rowHeight;
    }
    rect.y = top + (rowHeight - rect.height) / 2;
    // A label keeps its text whole; anything else gives up width to keep the gap.
    if (i + 1 < placed.size() && placed[i].kind != Kind::kLabel) {
      const int room = placed[i + 1].rect.x - Px(kStep) - rect.x;
      rect.width = std::max(1, std::min(rect.width, room));
    }
    placed[i].control->window->SetSize(rect);
  }
  return rowHeight;
}

// Rows of the template: single-line controls whose spans overlap, in order from the top,
// with each taller control an item of its own.
std::vector<Item> ItemsOf(std::span<const PlacedControl> controls) {
  std::vector<const PlacedControl*> byTop;
  for (const PlacedControl& control : controls) {
    byTop.push_back(&control);
  }
  std::stable_sort(byTop.begin(), byTop.end(), [](const PlacedControl* a, const PlacedControl* b) {
    return a->res->y < b->res->y;
  });
  std::vector<Item> items;
  size_t row = 0;  // index of the row being gathered; items.size() when none
  for (const PlacedControl* control : byTop) {
    const DlgControl& res = *control->res;
    if (KindOf(res) == Kind::kTall) {
      items.push_back({{control}, res.y, res.y + res.cy, true});
    } else if (row < items.size() && res.y < items[row].bottom) {
      items[row].members.push_back(control);
      items[row].bottom = std::max(items[row].bottom, BottomDu(res));
    } else {
      row = items.size();
      items.push_back({{control}, res.y, BottomDu(res), false});
    }
  }
  return items;
}

}  // namespace

wxSize LayOutDialog(wxWindow* panel, const DlgTemplate& res,
                    std::span<const PlacedControl> controls) {
  const Layout layout(panel);
  std::vector<Item> items = ItemsOf(controls);
  std::stable_sort(items.begin(), items.end(),
                   [](const Item& a, const Item& b) { return a.top < b.top; });
  int bottom = 0;          // pixels: the lowest edge placed so far
  int templateBottom = 0;  // dialog units: the same in the template
  int shift = 0;           // pixels: how far the last item moved
  bool first = true;
  for (const Item& item : items) {
    const int templateTop = layout.Y(item.top);
    int top = templateTop + shift;  // beside an item above: keeps its place next to it
    if (first) {
      top = std::max(templateTop, layout.Px(kMargin));
    } else if (item.top >= templateBottom) {
      top = bottom + layout.Gap(item.top - templateBottom);
    }
    int height = 0;
    if (item.tall) {
      wxWindow* window = item.members.front()->window;
      height = layout.Y(item.bottom - item.top);
      window->SetSize(window->GetPosition().x, top, window->GetSize().x, height);
    } else {
      height = layout.PlaceRow(item, top);
    }
    shift = top - templateTop;
    bottom = std::max(bottom, top + height);
    templateBottom = std::max(templateBottom, item.bottom);
    first = false;
  }
  const int margin = std::max(layout.Px(kMargin), layout.Gap(res.cy - templateBottom));
  return wxSize(layout.X(res.cx), bottom + margin);
}
