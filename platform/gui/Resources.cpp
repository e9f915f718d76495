#include "platform/gui/Resources.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<const ResourceModule*>& Chain() {
  static std::vector<const ResourceModule*> chain;
  return chain;
}

// The first entry with the id in any module of the chain.
template <typename T, typename Member>
const T* FindInChain(Member member, UINT id) {
  for (const ResourceModule* module : Chain()) {
    for (const T& entry : module->*member) {
      if (entry.id == id) {
        return &entry;
      }
    }
  }
  return nullptr;
}

}  // namespace

void AfxAddResourceModule(const ResourceModule* module) {
  auto& chain = Chain();
  if (module != nullptr && std::find(chain.begin(), chain.end(), module) == chain.end()) {
    chain.push_back(module);
  }
}

const DlgTemplate* AfxFindDialogTemplate(UINT id) {
  return FindInChain<DlgTemplate>(&ResourceModule::dialogs, id);
}

std::span<const DlgInitRecord> AfxFindDlgInit(UINT dialogId) {
  for (const ResourceModule* module : Chain()) {
    for (const DlgInit& init : module->dialogInits) {
      if (init.dialogId == dialogId) {
        return init.records;
      }
    }
  }
  return {};
}

const MenuRes* AfxFindMenu(UINT id) {
  return FindInChain<MenuRes>(&ResourceModule::menus, id);
}

const ImageRes* AfxFindBitmap(UINT id) {
  return FindInChain<ImageRes>(&ResourceModule::bitmaps, id);
}

const IconGroupRes* AfxFindIconGroup(UINT id) {
  return FindInChain<IconGroupRes>(&ResourceModule::icons, id);
}

BOOL AfxLoadString(UINT id, CString& text) {
  const StringRes* found = FindInChain<StringRes>(&ResourceModule::strings, id);
  text = found != nullptr ? found->text : u"";
  return found != nullptr ? TRUE : FALSE;
}
