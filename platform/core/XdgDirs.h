// The XDG base directories of the user: where settings, state and the like belong.
#pragma once

#include <string>

// The directory that the environment variable names, when it holds an absolute path;
// otherwise homeFallback under the home directory ($HOME when absolute, else the user's
// passwd entry). Empty when there is no home either. A relative value is ignored, for
// HOME too: it would name a different folder in each working directory.
std::string XdgBaseDirectory(const char* variable, const char* homeFallback);
