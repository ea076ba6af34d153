#pragma once
// What the status tool needs of the system beside its record files (per-OS
// files): its arguments as UTF-8, a console that shows UTF-8, and a file
// replaced as a whole.
#include <string>
#include <vector>

namespace th::status {

// The arguments after the program's name, as UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Where standard output is a console, it shows UTF-8 until the program ends.
void UseUtf8Console();

// Writes `bytes` to a temporary file in the folder of `path`, makes it durable
// and renames it over `path`, so that a reader sees the old content or the
// new, never a part. "" when done, else why not (nothing is left behind).
std::string WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace th::status
