// HTML: the library object that a conversion holds for its length; it keeps no state.
#pragma once

class HTML {
 public:
  HTML() = default;
  ~HTML() = default;
};
