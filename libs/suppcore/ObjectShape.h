// ObjectShape: how a row's members nest, for dotted names written as objects (a.b and a.c
// as {"a": {"b": .., "c": ..}}). Members come in the order written, each with the objects
// that end before it and the names of those that begin before it; a member's own name is
// the last part of its dotted name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ShapedMember {
  std::uint32_t ends = 0;
  std::vector<std::string> begins;
  std::string name;  // UTF-8
};

struct ObjectShape {
  std::vector<ShapedMember> members;
  // Objects still open after the last member.
  std::uint32_t endsAfter = 0;
};
