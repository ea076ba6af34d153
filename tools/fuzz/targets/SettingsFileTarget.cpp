// Setting.dat of any length read through the platform seam, then every record
// shown as a job shows it and typed as a job types it. The oracle reads the fields at
// their byte offsets in the file itself, not through the record type.
#include <array>
#include <cstring>

#include "app/Setup.h"
#include "platform/Errors.h"
#include "tools/fuzz/support/Check.h"
#include "tools/fuzz/support/FuzzRig.h"
#include "tools/fuzz/support/Input.h"
#include "tools/fuzz/targets/Targets.h"

namespace th::fuzz {

namespace {

using Rig = FuzzRig<test::NullPort>;

struct TextField {
  Field field;
  std::size_t offset;    // of the length byte, within the record
  std::size_t capacity;  // character bytes after it
};

constexpr std::array<TextField, 13> kTexts = {{
    {Field::lbeSelectedDeviceName, 12, 100},
    {Field::clbLogID, 113, 2},
    {Field::edtBaudrate, 124, 10},
    {Field::edtParity, 135, 5},
    {Field::edtStopbits, 141, 3},
    {Field::edtModemNo, 148, 50},
    {Field::clbModemType, 199, 50},
    {Field::edtCommand1, 250, 50},
    {Field::edtCallCmd, 301, 50},
    {Field::edtDisconnect, 352, 50},
    {Field::edtSaveFolder, 444, 250},
    {Field::edtSaveFile1, 695, 250},
    {Field::edtSaveFile2, 946, 250},
}};

struct CheckField {
  Check box;
  std::size_t offset;
};

constexpr std::array<CheckField, 4> kChecks = {{
    {Check::ckbTidehaul, 424},
    {Check::ckbSensorNoCheck, 425},
    {Check::ckbDeleteData, 427},
    {Check::ckbAppendData, 428},
}};

constexpr std::array<std::string_view, 7> kTypeNames = {"Direct",     "H316k", "JX070",  "N-Tarsel",
                                                        "B/T(QM515)", "etc",   "TWX-314"};

// UTF-8 as RFC 3629 has it; a byte that does not start a valid sequence
// stands for the character of the same number.
Text Decode(std::string_view bytes) {
  Text out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 1;
    char32_t cp = b;
    char32_t least = 0;
    if (b >= 0xF0 && b <= 0xF4) {
      length = 4, cp = b & 0x07U, least = 0x10000;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3, cp = b & 0x0FU, least = 0x800;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2, cp = b & 0x1FU, least = 0x80;
    }
    bool valid = length == 1 ? b < 0x80 : i + length <= bytes.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto c = static_cast<unsigned char>(bytes[i + k]);
      valid = (c & 0xC0U) == 0x80;
      cp = (cp << 6) | (c & 0x3FU);
    }
    valid = valid && cp >= least && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (!valid) {
      out.push_back(b);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += length;
  }
  return out;
}

std::int32_t IntAt(std::string_view record, std::size_t offset) {
  std::uint32_t v = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(record[offset + k])) << (8 * k);
  }
  return static_cast<std::int32_t>(v);
}

std::string_view ShortStringAt(std::string_view record, std::size_t offset, std::size_t capacity) {
  const auto length = static_cast<unsigned char>(record[offset]);
  return record.substr(offset + 1, std::min<std::size_t>(length, capacity));
}

void CheckRecord(Rig& rig, std::int32_t n, std::string_view record) {
  rig.view.showDevice(rig.tool.settings.display(n));
  for (const TextField& t : kTexts) {
    Expect(rig.view.fieldText(t.field) == Decode(ShortStringAt(record, t.offset, t.capacity)),
           "the window shows a text field other than the file holds");
  }
  Expect(rig.view.fieldText(Field::cbbPortno) == u"COM" + IntToText(IntAt(record, 120)),
         "the window shows another port number");
  Expect(rig.view.fieldText(Field::edtInterval) == IntToText(IntAt(record, 432)),
         "the window shows another interval");
  Expect(rig.view.fieldText(Field::edtDelay) == IntToText(IntAt(record, 436)),
         "the window shows another delay");
  for (const CheckField& c : kChecks) {
    Expect(rig.view.isChecked(c.box) == (record[c.offset] != 0),
           "the window sets a check box wrongly");
  }
  const std::string_view type = ShortStringAt(record, 199, 50);
  LineType expected = LineType::Unknown;
  for (std::size_t k = 0; k < kTypeNames.size(); ++k) {
    if (type == kTypeNames[k]) {
      expected = k == 0 ? LineType::Direct : k == 6 ? LineType::LteModem : LineType::Modem;
    }
  }
  Expect(rig.tool.settings.job(n).link.type == expected, "a record is typed another way");
}

}  // namespace

int SettingsFileTarget(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  Rig rig;
  rig.sys.putFile("/exe/Setting.dat", std::string(file));

  bool readBeyondEnd = false;
  try {
    rig.tool.settings.load();
  } catch (const EInOutError& e) {
    readBeyondEnd = std::string(e.what()).rfind("Read beyond end of file", 0) == 0;
    Expect(readBeyondEnd, "reading the settings raises another error than a short read");
  }
  Expect(readBeyondEnd == (size < kSettingsFileSize),
         "a short file is not reported, or a whole one is");

  // The table holds the file's first bytes, zeros after a short one.
  std::string table(kSettingsFileSize, '\0');
  std::memcpy(table.data(), file.data(), std::min(size, kSettingsFileSize));
  Expect(std::memcmp(&rig.tool.settings.record(0), table.data(), kSettingsFileSize) == 0,
         "the table is not the file's bytes");

  // Every record the file reaches into, and the first and last all-zero ones.
  const auto reached =
      static_cast<std::int32_t>((std::min(size, kSettingsFileSize) + kSetupSize - 1) / kSetupSize);
  for (std::int32_t n = 0; n < kDeviceCount; ++n) {
    if (n <= reached || n == kDeviceCount - 1) {
      CheckRecord(
          rig, n,
          std::string_view(table).substr(static_cast<std::size_t>(n) * kSetupSize, kSetupSize));
    }
  }
  return 0;
}

}  // namespace th::fuzz
