#pragma once
// Enumerations of the port component's settings, in their stored order.
#include <cstdint>

namespace th {

enum TBaudRate : std::uint8_t {
  brCustom,
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};

// The number in the rate's name; 0 for brCustom.
int BaudRateValue(TBaudRate rate);
// The rate named by a number, false when no rate has that number.
bool BaudRateFromValue(int baud, TBaudRate& rate);

enum TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits : std::uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl : std::uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };
enum TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone };
enum TThreadPriority : std::uint8_t {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

enum TSerialEvent : std::uint8_t {
  evRxChar,
  evTxEmpty,
  evRxFlag,
  evRing,
  evBreak,
  evCTS,
  evDSR,
  evError,
  evRLSD,
  evRx80Full
};

// A set of TSerialEvent: bit n stands for the event of value n.
class TSerialEvents {
 public:
  constexpr TSerialEvents() = default;
  static constexpr TSerialEvents All() { return TSerialEvents(0x3FF); }
  constexpr bool Contains(TSerialEvent e) const { return (bits_ >> e) & 1U; }
  constexpr void Include(TSerialEvent e) { bits_ |= 1U << e; }
  constexpr void Exclude(TSerialEvent e) { bits_ &= ~(1U << e); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const TSerialEvents&) const = default;

 private:
  constexpr explicit TSerialEvents(std::uint16_t bits) : bits_(bits) {}
  std::uint16_t bits_ = 0;
};

// The modem lines as a set: csCTS, csDSR, csRing, csRLSD.
struct TSerialSignals {
  bool CTS = false;
  bool DSR = false;
  bool Ring = false;
  bool RLSD = false;
};

enum TStoredProp : std::uint8_t {
  spBasic,
  spFlowControl,
  spBuffer,
  spTimeouts,
  spParity,
  spOthers
};

}  // namespace th
