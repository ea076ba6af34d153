#pragma once
// What tests need of the operating system beyond the platform services
// (per-OS files).
#include <string>

namespace th::test {

// The CPU time the calling thread, or the whole process, has used.
double ThreadCpuSeconds();
double ProcessCpuSeconds();

// False where the user bypasses file permissions (root on Linux).
bool FilePermissionsBind();

// The system's code for a refused access (EACCES, ERROR_ACCESS_DENIED).
int AccessDeniedError();

// The I/O error message for a folder where a file is opened for writing
// ("I/O error 21" for EISDIR, "File access denied" on Windows).
std::string FolderInPlaceMessage();
// The I/O error message for a file created in a folder that does not exist
// ("File not found" for ENOENT, "Invalid filename" for ERROR_PATH_NOT_FOUND).
std::string MissingFolderMessage();

// FIFOs in the file system exist on this system.
bool SystemHasFifos();
// Makes a FIFO at `path`; false where there are none or it failed.
bool MakeFifo(const std::string& path);

}  // namespace th::test
