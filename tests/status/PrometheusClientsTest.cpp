// The Prometheus figures against the real clients they are made for:
// promtool's check of the exposition format, and a node exporter's text file
// collector serving them on its /metrics page.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/status/Program.h"
#include "tests/status/RecordLines.h"
#include "tests/support/TestPlatform.h"

namespace th::status::test {
namespace {

namespace fs = std::filesystem;

// Debian's prometheus and prometheus-node-exporter packages.
constexpr const char* kPromtool = "/usr/bin/promtool";
constexpr const char* kNodeExporter = "/usr/bin/prometheus-node-exporter";

pid_t Spawn(std::vector<std::string> args, const std::string& output) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

// A loopback port nobody listens on now.
int FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  const bool bound = ::bind(s, reinterpret_cast<sockaddr*>(&a), size) == 0 &&
                     ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0;
  ::close(s);
  return bound ? ntohs(a.sin_port) : 0;
}

// The body of GET /metrics, or "" when nothing answered.
std::string Metrics(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  std::string reply;
  if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    const std::string request = "GET /metrics HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (::send(s, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
      char buf[65536];
      ssize_t n = 0;
      while ((n = ::recv(s, buf, sizeof buf, 0)) > 0) {
        reply.append(buf, static_cast<std::size_t>(n));
      }
    }
  }
  ::close(s);
  const std::size_t body = reply.find("\r\n\r\n");
  return reply.rfind("HTTP/1.0 200", 0) == 0 && body != std::string::npos ? reply.substr(body + 4)
                                                                          : "";
}

class PrometheusClients : public ::testing::Test {
 protected:
  void SetUp() override {
    // Names that need escaping, a station as a whole and a folder that
    // cannot be read: all must pass.
    const fs::path odd = dir.path() / "st\"ation \\ 4";
    fs::create_directories(odd);
    Job named(kNow - 3600, 3, "no_connection", false, 0, "Unable to open com port (Error: 2)");
    named.name = "Pegel \\\"Nord\\\" \xC3\xBC";
    th::test::WriteWholeFile(odd / "Jobs.jsonl", RecordLine(Job(kNow - 7200)) + RecordLine(named));
    const fs::path broken = dir.path() / "broken";
    fs::create_directories(broken);
    th::test::WriteWholeFile(broken / "Jobs.jsonl",
                             RecordLine(Job(kNow - 60, -1, "settings_error", false, 0)));
    folders = {odd.string(), broken.string(), (dir.path() / "missing").string()};
  }

  th::test::TempDir dir;
  std::vector<std::string> folders;
};

TEST_F(PrometheusClients, PromtoolAcceptsTheFigures) {
  if (!fs::exists(kPromtool)) {
    GTEST_SKIP() << "no " << kPromtool << " (Debian's prometheus package)";
  }
  const std::string prom = (dir.path() / "tidehaul.prom").string();
  std::vector<std::string> args = {"--prometheus", prom};
  args.insert(args.end(), folders.begin(), folders.end());
  ASSERT_EQ(RunStatusProgram(args).code, 1);  // the missing folder
  const std::string output = (dir.path() / "promtool.out").string();
  const pid_t pid =
      Spawn({"/bin/sh", "-c", std::string(kPromtool) + " check metrics < '" + prom + "'"}, output);
  ASSERT_GT(pid, 0);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << th::test::ReadWholeFile(output);
  EXPECT_EQ(th::test::ReadWholeFile(output), "");
}

TEST_F(PrometheusClients, NodeExporterServesTheFigures) {
  if (!fs::exists(kNodeExporter)) {
    GTEST_SKIP() << "no " << kNodeExporter << " (Debian's prometheus-node-exporter package)";
  }
  const fs::path textfiles = dir.path() / "textfile";
  fs::create_directories(textfiles);
  std::vector<std::string> args = {"--prometheus", (textfiles / "tidehaul.prom").string()};
  args.insert(args.end(), folders.begin(), folders.end());
  ASSERT_EQ(RunStatusProgram(args).code, 1);

  std::string page;
  // Another program may take the free port first: then once more.
  for (int attempt = 0; attempt < 3 && page.empty(); ++attempt) {
    const int port = FreePort();
    const pid_t exporter =
        Spawn({kNodeExporter, "--web.listen-address=127.0.0.1:" + std::to_string(port),
               "--collector.disable-defaults", "--collector.textfile",
               "--collector.textfile.directory=" + textfiles.string()},
              (dir.path() / "exporter.out").string());
    ASSERT_GT(exporter, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (page.empty() && std::chrono::steady_clock::now() < deadline &&
           ::waitpid(exporter, nullptr, WNOHANG) == 0) {
      page = Metrics(port);
      if (page.empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    ::kill(exporter, SIGTERM);
    ::waitpid(exporter, nullptr, 0);
  }
  ASSERT_FALSE(page.empty()) << th::test::ReadWholeFile(dir.path() / "exporter.out");
  // The exporter orders the labels by name and serves the values as it read them.
  const std::string device = R"(device="3",name="Pegel \"Nord\" ü",)";
  const std::string station = "station=\"" + dir.str() + R"(/st\"ation \\ 4")";
  const std::string result = R"(result="no_connection",)" + station;
  auto sample = [](std::string name, const std::string& labels, const char* value) {
    return name.append("{").append(labels).append("} ").append(value);
  };
  for (const std::string& line : std::vector<std::string>{
           "node_textfile_scrape_error 0",
           sample("tidehaul_failures_in_a_row", device + station, "1"),
           sample("tidehaul_last_complete_fetch_timestamp_seconds", device + station,
                  "1.796904e+09"),
           sample("tidehaul_last_job_result", device + result, "1"),
           sample("tidehaul_records_saved_24h", device + station, "200"),
           sample("tidehaul_last_job_result",
                  R"(device="",name="",result="settings_error",station=")" + folders[1] + "\"",
                  "1"),
           sample("tidehaul_station_up", "station=\"" + folders[2] + "\"", "0"),
       }) {
    EXPECT_NE(page.find("\n" + line + "\n"), std::string::npos) << line << "\n" << page;
  }
}

}  // namespace
}  // namespace th::status::test
