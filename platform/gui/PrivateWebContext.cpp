#include "platform/gui/PrivateWebContext.h"

#include <dlfcn.h>

namespace {

using NewContextFn = void* (*)();
using NewViewWithContextFn = void* (*)(void* context);
using SetCacheModelFn = void (*)(void* context, int model);

// WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER: no cache at all, for a view of local files only.
constexpr int kDocumentViewerCache = 0;

template <typename Fn>
Fn Lookup(void* handle, const char* name) {
  return reinterpret_cast<Fn>(dlsym(handle, name));
}

// Made once and kept for the program's life: a context ends with its web processes, and
// the views may outlive any one window.
void* PrivateContext() {
  static void* const context = [] {
    const auto newEphemeral =
        Lookup<NewContextFn>(RTLD_DEFAULT, "webkit_web_context_new_ephemeral");
    const auto setCacheModel =
        Lookup<SetCacheModelFn>(RTLD_DEFAULT, "webkit_web_context_set_cache_model");
    void* made = newEphemeral != nullptr ? newEphemeral() : nullptr;
    if (made != nullptr && setCacheModel != nullptr)
      setCacheModel(made, kDocumentViewerCache);
    return made;
  }();
  return context;
}

}  // namespace

bool UsePrivateWebContext() {
  return PrivateContext() != nullptr;
}

// The engine's own functions, defined again in the program so that the toolkit's calls
// resolve here first: the dynamic linker looks in the executable before the libraries.
// Each falls back to the engine's function when the private context can't be made.
extern "C" {

void* webkit_web_context_get_default() {
  if (void* context = PrivateContext())
    return context;
  static const auto engineDefault =
      Lookup<NewContextFn>(RTLD_NEXT, "webkit_web_context_get_default");
  return engineDefault != nullptr ? engineDefault() : nullptr;
}

void* webkit_web_view_new() {
  static const auto newWithContext =
      Lookup<NewViewWithContextFn>(RTLD_DEFAULT, "webkit_web_view_new_with_context");
  void* context = webkit_web_context_get_default();
  if (newWithContext != nullptr && context != nullptr)
    return newWithContext(context);
  static const auto engineNew = Lookup<NewContextFn>(RTLD_NEXT, "webkit_web_view_new");
  return engineNew != nullptr ? engineNew() : nullptr;
}

}  // extern "C"
