// libFuzzer's entry point for one target, named by TH_FUZZ_FUNCTION.
#include "tools/fuzz/targets/Targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return TH_FUZZ_FUNCTION(data, size);
}
