#pragma once
// The simulator's options in groups, one table per group: each option's name,
// whether it takes a value, and how that value reaches the configuration.
#include <string>
#include <string_view>
#include <vector>

#include "tools/logger-sim/CommandLine.h"

namespace th::sim {

// What parsing builds, and what one option may need to know of the others.
struct Parsing {
  SimConfig config;
  bool dialPrefixGiven = false;  // the first --dial-prefix replaces the defaults
};

struct Option {
  std::string_view name;
  std::string_view value;  // how the usage text shows the value; empty: a flag
  // False when the value is not valid for the option (a flag gets "").
  bool (*apply)(Parsing& p, const std::string& value) = nullptr;
};

struct OptionGroup {
  std::string_view name;
  const std::vector<Option>& options;
};

// The groups of misbehaviour (FaultOptions.cpp).
const std::vector<Option>& ReplyOptions();
const std::vector<Option>& ReadOptions();
const std::vector<Option>& LineFaultOptions();
const std::vector<Option>& RecordOptions();

// A value that must not be empty, kept as it is.
inline bool SetText(std::string& into, const std::string& v) {
  into = v;
  return !v.empty();
}
inline bool SetFlag(bool& flag) {
  flag = true;
  return true;
}

// Every group, in the order the usage text and the README list them.
const std::vector<OptionGroup>& OptionGroups();

// The option of this name, or none.
const Option* FindOption(std::string_view name);

}  // namespace th::sim
