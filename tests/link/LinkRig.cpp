#include "tests/link/LinkRig.h"

#include "serial/SerialError.h"

namespace th::test {

int FaultyPort::write(const Text& str) {
  if (failWrites && !str.empty()) {
    throw ESerialPort::make(kSerialWriteFailed, 5);
  }
  return SimulatedPort::write(str);
}

LinkRig::LinkRig() : rig(std::make_unique<SimRig<FaultyPort>>()), sim(&rig->port) {
  base_ = rig->loop.tick();
  rig->tool.receivePath.setYear(u"24");
  sim->setResponder([this](const std::string& bytes) {
    auto range = replies_.equal_range(bytes);
    for (auto it = range.first; it != range.second; ++it) {
      if (it->second.remaining == 0) {
        continue;
      }
      if (it->second.remaining > 0) {
        --it->second.remaining;
      }
      sim->deliver(it->second.text, it->second.delayMs);
    }
  });
}

LinkRig::LinkRig(const DeviceSpec& device, int index) : LinkRig() {
  configure(device, index);
}

void LinkRig::configure(const DeviceSpec& device, int index) {
  Setup& s = rig->device(index);
  s.DeviceSet.DeviceName.setBytes(device.name);
  s.DeviceSet.LogID.setBytes(device.logId);
  s.PortSet.COMPORT.set(device.comport);
  s.PortSet.Baudrate.setBytes(device.baud);
  s.ModemSet.ModemType.setBytes(device.type);
  s.ModemSet.Command.setBytes(device.command);
  s.ModemSet.CallCMD.setBytes(device.callCmd);
  s.ModemSet.ModemNo.setBytes(device.modemNo);
  s.ModemSet.DiscntCMD.setBytes(device.discnt);
}

void LinkRig::lineBefore(const Text& line) {
  // As from an earlier exchange, on a port opened for it if need be.
  const bool wasOpen = sim->isOpen();
  sim->open();
  sim->deliver(TextToBytes(line) + "\r");
  rig->loop.processPendingMessages();
  if (!wasOpen) {
    sim->close();
  }
}

void LinkRig::on(const std::string& write, const std::string& reply, std::uint32_t delayMs,
                 int times) {
  replies_.emplace(write, Reply{reply, delayMs, times});
}

void LinkRig::closeAt(std::uint64_t atMs) {
  const std::uint64_t now = rig->now();
  const auto in = static_cast<std::uint32_t>(atMs > now ? atMs - now : 0);
  rig->loop.startTimer(in, false, [this] { rig->tool.shell.onCloseRequest(); });
}

std::vector<std::string> LinkRig::writes() const {
  std::vector<std::string> out;
  for (const auto& w : sim->writes()) {
    out.push_back(std::to_string(w.tick - base_).append(":").append(w.bytes));
  }
  return out;
}

std::vector<std::string> Counted(const std::string& label, const std::vector<int>& counts,
                                 const std::string& unit) {
  std::vector<std::string> out;
  out.reserve(counts.size());
  for (const int n : counts) {
    out.push_back(std::string(label).append(std::to_string(n)).append(unit));
  }
  return out;
}

std::vector<int> Tenths(int first, int last, int step) {
  std::vector<int> out;
  for (int v = first; v <= last; v += step) {
    out.push_back(v / 10);
  }
  return out;
}

std::vector<std::string> Repeat(const std::string& text, std::size_t n) {
  return std::vector<std::string>(n, text);
}

}  // namespace th::test
