#include "download/FileFetch.h"

namespace th {

// Placeholder until the file fetch lands: the job runs without it.
void FileFetch::LastDownLoad(std::int32_t nNo) { (void)nNo; }

}  // namespace th
