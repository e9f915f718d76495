// The web view the program shows its own local pages in: scripts off, no context menu,
// nothing dropped on it taken, nothing kept on disk. Without a web engine an empty sunken
// panel stands in.
#pragma once

#include <wx/gdicmn.h>

class wxWindow;

wxWindow* CreateWebBrowser(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size);
