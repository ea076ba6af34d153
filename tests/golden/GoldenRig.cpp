#include "tests/golden/GoldenRig.h"

#include "platform/ControlMessage.h"
#include "tests/support/Rig.h"

namespace th::golden {

namespace {

// Rig's own composition, with a port of the caller's making.
struct ToolRig : test::Rig {
  explicit ToolRig(const PortMaker& makePort) : Rig(makePort) {}
  Port& port() { return ownPort(); }
};

}  // namespace

struct GoldenRig::Parts {
  explicit Parts(const PortMaker& makePort)
      : rig(makePort), port(rig.port()), startTick(rig.loop.tick()) {}
  ToolRig rig;
  Port& port;
  std::uint32_t startTick;
};

GoldenRig::GoldenRig(const PortMaker& makePort) : parts_(std::make_unique<Parts>(makePort)) {}

GoldenRig::~GoldenRig() = default;

const std::filesystem::path& GoldenRig::folder() const {
  return parts_->rig.dir.path();
}

std::int64_t GoldenRig::now() const {
  return static_cast<std::int64_t>(parts_->rig.now());
}

void GoldenRig::start() {
  AppShell& shell = parts_->rig.tool.shell;
  shell.onCreate();
  parts_->rig.loop.post([&shell] { shell.onFirstShow(); });
}

void GoldenRig::nameDevice(int n, std::int64_t atMs) {
  AppShell& shell = parts_->rig.tool.shell;
  parts_->rig.loop.startTimer(static_cast<std::uint32_t>(atMs - now()), false, [&shell, n] {
    // The text as UTF-16LE with its zero unit, as the parent sends it.
    std::vector<std::uint8_t> bytes;
    for (const char c : std::to_string(n) + '\0') {
      bytes.push_back(static_cast<std::uint8_t>(c));
      bytes.push_back(0);
    }
    ControlMessage data;
    data.size = static_cast<std::uint32_t>(bytes.size());
    data.data = bytes.data();
    shell.onControlMessage(data);
  });
}

void GoldenRig::closeAt(std::int64_t atMs) {
  AppShell& shell = parts_->rig.tool.shell;
  parts_->rig.loop.startTimer(static_cast<std::uint32_t>(atMs - now()), false,
                              [&shell] { shell.closeWindow(); });
}

bool GoldenRig::runToEnd(std::int64_t limitMs) {
  BasicEventLoop& loop = parts_->rig.loop;
  loop.setVirtualTimeLimit(static_cast<std::uint64_t>(limitMs));
  loop.run();
  if (parts_->port.isOpen()) {
    parts_->port.close();
  }
  return !loop.stalled();
}

std::vector<GoldenRig::StatusText> GoldenRig::statusTexts() const {
  std::vector<StatusText> out;
  for (const auto& s : parts_->rig.view.stamped()) {
    out.push_back({static_cast<std::int64_t>(s.tick - parts_->startTick), s.panel, s.text});
  }
  return out;
}

std::vector<bool> GoldenRig::busyChanges() const {
  return parts_->rig.view.busyHistory();
}

int GoldenRig::progressMax() const {
  return parts_->rig.view.progressMax();
}

int GoldenRig::progressPosition() const {
  return parts_->rig.view.progressPosition();
}

}  // namespace th::golden
