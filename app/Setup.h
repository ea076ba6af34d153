#pragma once
// The settings record of one device, byte for byte as the parent program writes
// it into Setting.dat: every member is a byte array, so the layout has no
// compiler padding and every field sits at its documented offset.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/Text.h"

namespace th {

// Little-endian 32-bit signed integer.
struct LeInt32 {
  std::uint8_t bytes[4];
  std::int32_t get() const {
    const std::uint32_t v = std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                            (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
    return static_cast<std::int32_t>(v);
  }
  void set(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
      bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
  }
};

// One byte; every value but 0 is true.
struct ByteBool {
  std::uint8_t byte;
  bool get() const { return byte != 0; }
  void set(bool value) { byte = value ? 1 : 0; }
};

// A length byte and `Capacity` character bytes. A length above the capacity
// is clamped: reading on into the next field would show another field's bytes.
template <std::size_t Capacity>
struct ShortString {
  std::uint8_t length;
  std::uint8_t chars[Capacity];
  static constexpr std::size_t kCapacity = Capacity;

  std::size_t size() const { return length < Capacity ? length : Capacity; }
  std::string_view bytes() const { return {reinterpret_cast<const char*>(chars), size()}; }
  Text text() const { return DecodeAnsi(bytes()); }
  // Stores the encoded bytes; false (and unchanged) when they do not fit.
  bool setBytes(std::string_view value) {
    if (value.size() > Capacity) {
      return false;
    }
    length = static_cast<std::uint8_t>(value.size());
    std::memcpy(chars, value.data(), value.size());
    return true;
  }
};

// The record's fields keep the names the parent program and the settings tool
// know them by (tidehaul-settings sets "DeviceSet.DeviceName=...").
// NOLINTBEGIN(readability-identifier-naming)
struct Device {
  LeInt32 TreeLevel;
  LeInt32 TreeIndex;
  LeInt32 TreeParentsIndex;
  ShortString<100> DeviceName;
  ShortString<2> LogID;
  LeInt32 Communication;
};

struct PortInfo {
  LeInt32 COMPORT;
  ShortString<10> Baudrate;
  ShortString<5> Parity;
  ShortString<3> StopBits;
  std::uint8_t padding[3];
};

struct Modem {
  ShortString<50> ModemNo;
  ShortString<50> ModemType;
  ShortString<50> Command;
  ShortString<50> CallCMD;
  ShortString<50> DiscntCMD;
};

struct TCPIP {
  ShortString<15> IP;
  ShortString<4> Port;
};

struct Schedule {
  ByteBool SchDown;
  ByteBool SensorNoCheck;
  ByteBool CheckSum;
  ByteBool DeleteDATAAfter;
  ByteBool AppendData;
  std::uint8_t padding1[3];
  LeInt32 intervalMin;
  LeInt32 DelayMin;
  ByteBool Q9RCal;
  std::uint8_t padding2[3];
};

struct SaveFile {
  ShortString<250> SavePath;
  ShortString<250> FileName1;
  ShortString<250> FileName2;
  ShortString<250> Q9RSavePath;
  ShortString<250> Q9RFileName;
};

struct Setup {
  Device DeviceSet;
  PortInfo PortSet;
  Modem ModemSet;
  TCPIP TCPIPSet;
  Schedule ScheduleSet;
  SaveFile SaveFileSet;
  ShortString<255> Q9RSetPath;
  std::uint8_t padding;
};
// NOLINTEND(readability-identifier-naming)

inline constexpr int kDeviceCount = 255;
inline constexpr std::size_t kSetupSize = 1956;
inline constexpr std::size_t kSettingsFileSize = kDeviceCount * kSetupSize;  // 498780

static_assert(sizeof(Setup) == kSetupSize);
static_assert(alignof(Setup) == 1);
static_assert(offsetof(Setup, PortSet) == 120);
static_assert(offsetof(Setup, ModemSet) == 148);
static_assert(offsetof(Setup, TCPIPSet) == 403);
static_assert(offsetof(Setup, ScheduleSet) == 424);
static_assert(offsetof(Setup, SaveFileSet) == 444);
static_assert(offsetof(Setup, Q9RSetPath) == 1699);

// _DeviceInfo: the whole file, record n at byte n * 1956.
using DeviceTable = std::array<Setup, kDeviceCount>;
static_assert(sizeof(DeviceTable) == kSettingsFileSize);

inline bool IsDeviceNumber(std::int32_t n) {
  return n >= 0 && n < kDeviceCount;
}

}  // namespace th
