// Files dropped onto a window from the file manager.
#pragma once

#include <functional>
#include <vector>

#include "platform/core/CString.h"

class CWnd;

// Makes window's client area a drop target for files; it takes the drops over every
// window inside it that takes none of its own (labels, buttons, a web view that refuses
// drops). A drop hands the first file's path, its bytes kept exactly, to onDrop.
void AcceptDroppedFiles(CWnd& window, std::function<void(const CString& path)> onDrop);
// Makes a control (a field; for an edit-browse control, its field and button) a drop target
// of its own, which takes the drops over it in place of the toolkit's text drop.
void AcceptDroppedFilesOn(CWnd& control, std::function<void(const CString& path)> onDrop);

// As above, handing every file dropped, in the order the drop gives them.
using DroppedFiles = std::function<void(const std::vector<CString>& paths)>;
void AcceptDroppedFileList(CWnd& window, DroppedFiles onDrop);
void AcceptDroppedFileListOn(CWnd& control, DroppedFiles onDrop);
