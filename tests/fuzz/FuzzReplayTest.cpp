// Every input kept under tools/fuzz (the seeds of each target and the inputs
// that once found a fault) run through its target and oracle, so a fault that
// fuzzing found stays fixed without the fuzzer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/fuzz/support/Check.h"
#include "tools/fuzz/targets/Targets.h"

namespace th::fuzz {
namespace {

namespace fs = std::filesystem;

struct OracleFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::vector<fs::path> Inputs(const std::string& kind, const std::string& target) {
  std::vector<fs::path> files;
  const fs::path dir = fs::path(TIDEHAUL_FUZZ_DIR) / kind / target;
  if (fs::is_directory(dir)) {
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.is_regular_file()) {
        files.push_back(entry.path());
      }
    }
  }
  return files;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

void PrintTo(const Target& target, std::ostream* os) {
  *os << target.name;
}

namespace {

class FuzzReplay : public testing::TestWithParam<Target> {
 protected:
  void SetUp() override {
    SetFailureHandler([](const std::string& what) { throw OracleFailure(what); });
  }
  void TearDown() override { SetFailureHandler(nullptr); }

  void Replay(const std::string& kind) {
    for (const fs::path& file : Inputs(kind, GetParam().name)) {
      const std::string bytes = Read(file);
      try {
        GetParam().run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      } catch (const OracleFailure& e) {
        ADD_FAILURE() << file << ": " << e.what();
      }
    }
  }
};

TEST_P(FuzzReplay, SeedsPassTheOracle) {
  ASSERT_FALSE(Inputs("corpus", GetParam().name).empty());
  Replay("corpus");
}

TEST_P(FuzzReplay, KeptFindingsStayFixed) {
  Replay("regressions");
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, testing::ValuesIn(AllTargets()),
                         [](const testing::TestParamInfo<Target>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace th::fuzz
