// tidehaul-settings show FILE [N] | set FILE N FIELD=VALUE...
#include <iostream>

#include "tools/settings/SettingsTool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return th::settings::RunSettingsTool(args, std::cout, std::cerr);
}
