// Fits a dialog's controls, placed from its template in dialog units, to the toolkit's
// own sizes: a template drawn for another system's fonts and controls would otherwise show
// labels above the middle of their fields and fields shorter than the lists beside them.
#pragma once

#include <span>

#include <wx/gdicmn.h>

#include "platform/gui/Resources.h"

class wxWindow;

struct PlacedControl {
  const DlgControl* res;
  wxWindow* window;
};

// Lays the controls out in the template's rows and order: every field, list and button of
// a row takes the row's height (the tallest one's natural height), labels and check boxes
// are centred on the row, rows are spaced in steps of 6 pixels (6 between related rows,
// 12 or 18 where the template leaves more room) inside 12-pixel margins, a label's control
// (and the controls close after it) follows its text at 12 pixels, and a control is at
// least 6 pixels from the next one in its row. Controls taller than a row (a pane, an
// icon, a label of several lines) keep their height and move with the rows above them.
// Returns the client size that holds them with the template's width.
wxSize LayOutDialog(wxWindow* panel, const DlgTemplate& res,
                    std::span<const PlacedControl> controls);
