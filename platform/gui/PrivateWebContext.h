// The one web context of every web view in the program. The toolkit makes its views in
// WebKit's default context, whose data manager keeps caches, storage and security records
// under the user's cache and data folders; the views here show only the program's own
// local pages, so they share a context that keeps nothing on disk and caches nothing.
#pragma once

// Makes the context if it is not made yet; the toolkit's next web view is created in it.
// False when the web engine's functions are not available (the default context is used).
bool UsePrivateWebContext();
