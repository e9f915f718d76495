// The parts of the window's resource module, one file each.
#pragma once

#include <span>

#include "platform/gui/Resources.h"

std::span<const DlgTemplate> MainDialogTemplates();
std::span<const DlgInit> MainDialogInits();
std::span<const MenuRes> MainMenus();
