#pragma once
// tidehaul-settings: shows records of a settings file as JSON and sets their
// fields by name.
#include <ostream>
#include <string>
#include <vector>

namespace th::settings {

// args without the program name. Returns the exit status: 0 done (--help and
// --version included), 1 refused (the file unchanged), 2 bad command line.
int RunSettingsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace th::settings
