#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

// A raw record image with known bytes at every field, written by offset as the
// parent program would, independently of the Setup declaration.
class RecordImage {
 public:
  RecordImage() { bytes_.fill(0xEE); }  // padding and unused characters hold junk
  void Int(std::size_t offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
      bytes_.at(offset + i) = static_cast<std::uint8_t>(v >> (8 * i));
    }
  }
  void Str(std::size_t offset, std::size_t capacity, const std::string& text) {
    ASSERT_LE(text.size(), capacity);
    bytes_.at(offset) = static_cast<std::uint8_t>(text.size());
    std::memcpy(&bytes_.at(offset + 1), text.data(), text.size());
  }
  void Byte(std::size_t offset, std::uint8_t value) { bytes_.at(offset) = value; }
  th::Setup setup() const {
    th::Setup s;
    std::memcpy(&s, bytes_.data(), sizeof s);
    return s;
  }
  const std::array<std::uint8_t, kSetupSize>& bytes() const { return bytes_; }

 private:
  std::array<std::uint8_t, kSetupSize> bytes_{};
};

// Every field at its documented offset, with a value that tells it apart.
RecordImage FullRecord() {
  RecordImage r;
  r.Int(0, -2);
  r.Int(4, 0x01020304);
  r.Int(8, 77);
  r.Str(12, 100, std::string(100, 'N'));
  r.Str(113, 2, "15");
  r.Int(116, 3);
  r.Int(120, 12);
  r.Str(124, 10, "256000");
  r.Str(135, 5, "Even");
  r.Str(141, 3, "1.5");
  r.Str(148, 50, "0123456789");
  r.Str(199, 50, "B/T(QM515)");
  r.Str(250, 50, "AT&F");
  r.Str(301, 50, "ATDT");
  r.Str(352, 50, "ATH");
  r.Str(403, 15, "192.168.100.200");
  r.Str(419, 4, "8080");
  r.Byte(424, 1);
  r.Byte(425, 2);
  r.Byte(426, 3);
  r.Byte(427, 0);
  r.Byte(428, 255);
  r.Int(432, 30);
  r.Int(436, -1);
  r.Byte(440, 9);
  r.Str(444, 250, std::string(250, 'P'));
  r.Str(695, 250, "CR000");
  r.Str(946, 250, "CR001");
  r.Str(1197, 250, "q9path");
  r.Str(1448, 250, "q9file");
  r.Str(1699, 255, std::string(255, 'S'));
  return r;
}

TEST(SetupLayout, EveryFieldReadsBackFromItsOffset) {
  const th::Setup s = FullRecord().setup();
  EXPECT_EQ(s.DeviceSet.TreeLevel.get(), -2);
  EXPECT_EQ(s.DeviceSet.TreeIndex.get(), 0x01020304);
  EXPECT_EQ(s.DeviceSet.TreeParentsIndex.get(), 77);
  EXPECT_EQ(s.DeviceSet.DeviceName.text(), Text(100, u'N'));
  EXPECT_EQ(s.DeviceSet.LogID.text(), u"15");
  EXPECT_EQ(s.DeviceSet.Communication.get(), 3);
  EXPECT_EQ(s.PortSet.COMPORT.get(), 12);
  EXPECT_EQ(s.PortSet.Baudrate.text(), u"256000");
  EXPECT_EQ(s.PortSet.Parity.text(), u"Even");
  EXPECT_EQ(s.PortSet.StopBits.text(), u"1.5");
  EXPECT_EQ(s.ModemSet.ModemNo.text(), u"0123456789");
  EXPECT_EQ(s.ModemSet.ModemType.text(), u"B/T(QM515)");
  EXPECT_EQ(s.ModemSet.Command.text(), u"AT&F");
  EXPECT_EQ(s.ModemSet.CallCMD.text(), u"ATDT");
  EXPECT_EQ(s.ModemSet.DiscntCMD.text(), u"ATH");
  EXPECT_EQ(s.TCPIPSet.IP.text(), u"192.168.100.200");
  EXPECT_EQ(s.TCPIPSet.Port.text(), u"8080");
  EXPECT_TRUE(s.ScheduleSet.SchDown.get());
  EXPECT_TRUE(s.ScheduleSet.SensorNoCheck.get());
  EXPECT_TRUE(s.ScheduleSet.CheckSum.get());
  EXPECT_FALSE(s.ScheduleSet.DeleteDATAAfter.get());
  EXPECT_TRUE(s.ScheduleSet.AppendData.get());
  EXPECT_EQ(s.ScheduleSet.intervalMin.get(), 30);
  EXPECT_EQ(s.ScheduleSet.DelayMin.get(), -1);
  EXPECT_TRUE(s.ScheduleSet.Q9RCal.get());
  EXPECT_EQ(s.SaveFileSet.SavePath.text(), Text(250, u'P'));
  EXPECT_EQ(s.SaveFileSet.FileName1.text(), u"CR000");
  EXPECT_EQ(s.SaveFileSet.FileName2.text(), u"CR001");
  EXPECT_EQ(s.SaveFileSet.Q9RSavePath.text(), u"q9path");
  EXPECT_EQ(s.SaveFileSet.Q9RFileName.text(), u"q9file");
  EXPECT_EQ(s.Q9RSetPath.text(), Text(255, u'S'));
}

TEST(SetupLayout, WritingAFieldTouchesOnlyItsBytes) {
  const RecordImage image = FullRecord();
  th::Setup s = image.setup();
  s.PortSet.COMPORT.set(0x0A0B0C0D);
  s.ScheduleSet.DelayMin.set(5);
  s.ModemSet.Command.setBytes("ATZ");
  std::array<std::uint8_t, kSetupSize> after{};
  std::memcpy(after.data(), &s, sizeof s);
  for (std::size_t i = 0; i < kSetupSize; ++i) {
    const bool comport = i >= 120 && i < 124;
    const bool delay = i >= 436 && i < 440;
    const bool command = i >= 250 && i < 254;
    if (!comport && !delay && !command) {
      EXPECT_EQ(after[i], image.bytes()[i]) << "byte " << i;
    }
  }
  EXPECT_EQ(after[120], 0x0D);
  EXPECT_EQ(after[123], 0x0A);
  EXPECT_EQ(after[250], 3);
  EXPECT_EQ(after[251], 'A');
}

TEST(SetupLayout, RecordNStartsAtNTimes1956) {
  DeviceTable table{};
  auto* raw = reinterpret_cast<std::uint8_t*>(table.data());
  raw[3 * 1956 + 120] = 12;          // record 3, PortSet.COMPORT
  raw[254 * 1956 + 1955 - 256] = 4;  // record 254, length of _Q9RSetPath
  raw[254 * 1956 + 1955 - 255] = 'x';
  EXPECT_EQ(table[3].PortSet.COMPORT.get(), 12);
  EXPECT_EQ(table[254].Q9RSetPath.size(), 4u);
  EXPECT_EQ(table[254].Q9RSetPath.bytes().substr(0, 1), "x");
}

TEST(SetupLayout, LengthAboveTheCapacityIsClamped) {
  RecordImage image = FullRecord();
  image.Byte(113, 200);  // DeviceSet.LogID, capacity 2
  image.Byte(124, 11);   // PortSet.Baudrate, capacity 10
  const th::Setup s = image.setup();
  EXPECT_EQ(s.DeviceSet.LogID.text(), u"15");
  EXPECT_EQ(s.PortSet.Baudrate.bytes().size(), 10u);
  // Setting a text longer than the field refuses and keeps the old one.
  th::Setup t = s;
  EXPECT_FALSE(t.DeviceSet.LogID.setBytes("123"));
  EXPECT_EQ(t.DeviceSet.LogID.text(), u"15");
}

class ShowDevice : public ::testing::Test {
 protected:
  NullPort port;
  Rig r{port};
  th::Setup& record(int n) { return r.device(n); }
  // The window shows a device's record as a job starts.
  void show(int n) { r.view.showDevice(r.tool.settings.display(n)); }
};

TEST_F(ShowDevice, ShowsTheDocumentedExample) {
  th::Setup& s = record(3);
  s.DeviceSet.DeviceName.setBytes("Station 4");
  s.DeviceSet.LogID.setBytes("01");
  s.PortSet.COMPORT.set(12);
  s.PortSet.Baudrate.setBytes("9600");
  s.ScheduleSet.intervalMin.set(30);
  show(3);
  EXPECT_EQ(r.view.fieldText(Field::lbeSelectedDeviceName), u"Station 4");
  EXPECT_EQ(r.view.fieldText(Field::clbLogID), u"01");
  EXPECT_EQ(r.view.fieldText(Field::cbbPortno), u"COM12");
  EXPECT_EQ(r.view.fieldText(Field::edtBaudrate), u"9600");
  EXPECT_EQ(r.view.fieldText(Field::edtInterval), u"30");
  // Empty fields of the record empty the window's fields.
  EXPECT_EQ(r.view.fieldText(Field::edtSaveFile1), u"");
  EXPECT_EQ(r.view.fieldText(Field::clbModemType), u"");
}

TEST_F(ShowDevice, ShowsEveryFieldOfAFullRecord) {
  record(9) = FullRecord().setup();
  show(9);
  EXPECT_EQ(r.view.fieldText(Field::lbeSelectedDeviceName), T(std::string(100, 'N')));
  EXPECT_EQ(r.view.fieldText(Field::clbLogID), u"15");
  EXPECT_EQ(r.view.fieldText(Field::cbbPortno), u"COM12");
  EXPECT_EQ(r.view.fieldText(Field::edtBaudrate), u"256000");
  EXPECT_EQ(r.view.fieldText(Field::edtParity), u"Even");
  EXPECT_EQ(r.view.fieldText(Field::edtStopbits), u"1.5");
  EXPECT_EQ(r.view.fieldText(Field::edtModemNo), u"0123456789");
  EXPECT_EQ(r.view.fieldText(Field::clbModemType), u"B/T(QM515)");
  EXPECT_EQ(r.view.fieldText(Field::edtCommand1), u"AT&F");
  EXPECT_EQ(r.view.fieldText(Field::edtCallCmd), u"ATDT");
  EXPECT_EQ(r.view.fieldText(Field::edtDisconnect), u"ATH");
  EXPECT_TRUE(r.view.isChecked(Check::ckbTidehaul));
  EXPECT_TRUE(r.view.isChecked(Check::ckbSensorNoCheck));  // byte 2 checks like 1
  EXPECT_FALSE(r.view.isChecked(Check::ckbDeleteData));
  EXPECT_TRUE(r.view.isChecked(Check::ckbAppendData));
  EXPECT_EQ(r.view.fieldText(Field::edtInterval), u"30");
  EXPECT_EQ(r.view.fieldText(Field::edtDelay), u"-1");
  EXPECT_EQ(r.view.fieldText(Field::edtSaveFolder), T(std::string(250, 'P')));
  EXPECT_EQ(r.view.fieldText(Field::edtSaveFile1), u"CR000");
  EXPECT_EQ(r.view.fieldText(Field::edtSaveFile2), u"CR001");
}

TEST_F(ShowDevice, PortZeroAndNegativeInterval) {
  record(0).ScheduleSet.intervalMin.set(-1);
  show(0);
  EXPECT_EQ(r.view.fieldText(Field::cbbPortno), u"COM0");
  EXPECT_EQ(r.view.fieldText(Field::edtInterval), u"-1");
}

TEST_F(ShowDevice, CommunicationTypeComesFromTheNameExactly) {
  const struct {
    const char* name;
    LineType type;
  } cases[] = {
      {"Direct", LineType::Direct},    {"H316k", LineType::Modem},      {"JX070", LineType::Modem},
      {"N-Tarsel", LineType::Modem},   {"B/T(QM515)", LineType::Modem}, {"etc", LineType::Modem},
      {"TWX-314", LineType::LteModem}, {"TCP/IP", LineType::Unknown},   {"", LineType::Unknown},
      {"direct", LineType::Unknown},   {"Direct ", LineType::Unknown},  {"ETC", LineType::Unknown},
  };
  for (const auto& c : cases) {
    record(4).ModemSet.ModemType.setBytes(c.name);
    record(4).DeviceSet.Communication.set(0);  // the number field is not consulted
    EXPECT_EQ(r.tool.settings.job(4).link.type, c.type) << c.name;
  }
}

}  // namespace
}  // namespace th::test
