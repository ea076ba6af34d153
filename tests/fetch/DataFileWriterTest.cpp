#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

using Strings = std::vector<std::string>;

Strings LinesOf(const DataFileWriter::WriteList& list) {
  Strings lines;
  for (const auto& l : list.lines) {
    lines.emplace_back(l.text);
  }
  return lines;
}

DataFileWriter::WriteList ListOf(const Strings& lines) {
  DataFileWriter::WriteList list;
  for (const auto& l : lines) {
    list.addOwned(l);
  }
  return list;
}

class Writer : public ::testing::Test {
 protected:
  Writer() : folder((r.dir.path() / "data").string()) {}

  static void Fill(LineList& list, const std::vector<std::string>& lines) {
    for (const auto& l : lines) {
      list.append(l);
    }
  }
  bool Save(DataFileWriter::SaveReport* report = nullptr) {
    return r.tool.writer.save(down1, down2, true, "A.TXT", "B.TXT", folder, "A_unpaired.TXT",
                              report);
  }
  bool Save(bool* both) {
    DataFileWriter::SaveReport report;
    const bool first = Save(&report);
    *both = report.secondWritten;
    return first;
  }
  std::string A() const { return ReadWholeFile(fs::path(folder) / "A.TXT"); }
  std::string B() const { return ReadWholeFile(fs::path(folder) / "B.TXT"); }

  NullPort port;
  Rig r{port};
  LineList down1;
  LineList down2;
  std::string folder;
};

TEST_F(Writer, WritesIdenticalFilesWithCrLfAndCreatesTheFolder) {
  Fill(down1, {"24-05-06 14:00:00,1", "24-05-06 14:10:00,2"});
  bool both = false;
  EXPECT_TRUE(Save(&both));
  EXPECT_TRUE(both);
  EXPECT_EQ(A(), "24-05-06 14:00:00,1\r\n24-05-06 14:10:00,2\r\n");
  EXPECT_EQ(B(), A());
  // Appends on the next save.
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(),
            "24-05-06 14:00:00,1\r\n24-05-06 14:10:00,2\r\n24-05-06 14:00:00,1\r\n24-05-06 "
            "14:10:00,2\r\n");
  // The panes are read, not changed.
  EXPECT_EQ(down1.count(), 2u);
}

TEST_F(Writer, RewritesWhenNotAppending) {
  fs::create_directory(folder);
  WriteWholeFile(fs::path(folder) / "A.TXT", "old\r\n");
  Fill(down1, {"24-1"});
  EXPECT_TRUE(r.tool.writer.save(down1, down2, false, "A.TXT", "B.TXT", folder));
  EXPECT_EQ(A(), "24-1\r\n");
}

TEST_F(Writer, LeavesOutLinesWithCapitalSd) {
  Fill(down1, {"24-05-06 12:00:00 SD card", "24-05-06 12:10:00 sd card", "24-SDx", "24-Sd"});
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(), "24-05-06 12:10:00 sd card\r\n24-Sd\r\n");
  EXPECT_EQ(B(), A());
}

TEST_F(Writer, BytesAreWrittenBackUnchanged) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n') {
      all.push_back(static_cast<char>(b));
    }
  }
  Fill(down1, {"24-" + all, "24-\xc3\xa9\xff"});
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(), "24-" + all + "\r\n24-\xc3\xa9\xff\r\n");
}

TEST_F(Writer, LongLinesAreHeldForTheNextShortOneAndLeftoversKept) {
  const std::string l1100(1100, 'a');
  const std::string l1030(1030, 'b');
  const std::string l200(200, 'c');
  const std::string l1024(1024, 'd');
  Fill(down1, {l1100, l1030, l200, "24-SD held stays held", "e", l1024});
  DataFileWriter::WriteList list;
  r.tool.writer.buildList(down1, down2, list);
  // Held text after the last line is kept as a line of its own.
  EXPECT_EQ(LinesOf(list), (Strings{l1100 + l1030 + l200, "e", l1024}));
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(), l1100 + l1030 + l200 + "\r\ne\r\n" + l1024 + "\r\n");
}

TEST_F(Writer, ALineLongerThanAPaneHandsOverIsLeftOutNotCut) {
  Fill(down1, {std::string(5000, 'x'), "24-1", std::string(4096, 'y'), "24-2"});
  DataFileWriter::WriteList list;
  r.tool.writer.buildList(down1, down2, list);
  // 4096 characters are still handed over whole, and held as before.
  EXPECT_EQ(LinesOf(list), (Strings{"24-1", std::string(4096, 'y') + "24-2"}));
}

TEST_F(Writer, PlainLinesAreNotCopiedIntoTheList) {
  Fill(down1, {"24-1", "24-2", std::string(1100, 'h'), "24-3"});
  DataFileWriter::WriteList list;
  r.tool.writer.buildList(down1, down2, list);
  EXPECT_EQ(LinesOf(list), (Strings{"24-1", "24-2", std::string(1100, 'h') + "24-3"}));
  // Only the composed line is stored; the others point into the pane.
  EXPECT_EQ(list.owned.size(), 1u);
  EXPECT_EQ(list.lines[0].text.data(), down1.raw(0).data());
}

TEST_F(Writer, ListLinesOf4096OrMoreAreHeldWhenWriting) {
  const std::string big(4096, 'x');
  const std::string under(4095, 'y');
  fs::create_directory(folder);
  EXPECT_TRUE(r.tool.writer.writeFile(ListOf({big, big, "s", under, big}), "A.TXT", folder, true));
  EXPECT_EQ(A(), big + big + "s\r\n" + under + "\r\n" + big + "\r\n");
}

TEST_F(Writer, OnlyARunOfEndOfFileMarksThatEndsTheFileIsCut) {
  fs::create_directory(folder);
  const std::string body(300, 'k');
  WriteWholeFile(fs::path(folder) / "A.TXT", body + "\r\n\x1a\x1a\x1a");
  // A mark with data after it is data: the lines saved before it stay.
  const std::string saved = body + "\r\n24-0\x1a" + "5,1\r\n24-1,2\r\n";
  WriteWholeFile(fs::path(folder) / "B.TXT", saved);
  Fill(down1, {"24-new"});
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(), body + "\r\n" + "24-new\r\n");
  EXPECT_EQ(B(), saved + "24-new\r\n");
}

TEST_F(Writer, EmptyBufferCreatesEmptyFilesAndLeavesExistingOnes) {
  EXPECT_TRUE(Save());
  EXPECT_TRUE(fs::exists(fs::path(folder) / "A.TXT"));
  EXPECT_EQ(A(), "");
  EXPECT_EQ(B(), "");
  WriteWholeFile(fs::path(folder) / "A.TXT", "kept\r\n");
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(), "kept\r\n");
}

TEST_F(Writer, FailedFirstFileLeavesTheSecondUntouched) {
  fs::create_directories(fs::path(folder) / "A.TXT");  // a folder where the file should be
  WriteWholeFile(fs::path(folder) / "B.TXT", "before\r\n");
  Fill(down1, {"24-1"});
  bool both = true;
  EXPECT_FALSE(Save(&both));
  EXPECT_FALSE(both);
  EXPECT_EQ(B(), "before\r\n");
}

TEST_F(Writer, FailedSecondFileIsReportedButTheFirstStands) {
  fs::create_directories(fs::path(folder) / "B.TXT");
  Fill(down1, {"24-1"});
  bool both = true;
  EXPECT_TRUE(Save(&both));
  EXPECT_FALSE(both);
  EXPECT_EQ(A(), "24-1\r\n");
}

TEST_F(Writer, MissingParentFolderIsNotCreated) {
  folder = (r.dir.path() / "missing" / "data").string();
  Fill(down1, {"24-1"});
  EXPECT_FALSE(Save());
  EXPECT_FALSE(fs::exists(r.dir.path() / "missing"));
}

TEST_F(Writer, SavePathNamingAFileFails) {
  WriteWholeFile(folder, "a file");
  Fill(down1, {"24-1"});
  EXPECT_FALSE(Save());
  EXPECT_EQ(ReadWholeFile(folder), "a file");
}

TEST_F(Writer, EmptyNameAndTrailingSlash) {
  fs::create_directory(folder);
  EXPECT_FALSE(r.tool.writer.writeFile(ListOf({"24-1"}), "", folder, true));
  EXPECT_TRUE(r.tool.writer.writeFile(ListOf({"24-1"}), "C.TXT", folder + "/", true));
  EXPECT_EQ(ReadWholeFile(fs::path(folder) / "C.TXT"), "24-1\r\n");
}

TEST_F(Writer, LargeBufferIsWrittenWhole) {
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string line = "24-05-06 " + std::to_string(i) + ",1.25,-3.50,7.75";
    down1.append(line);
    expected += line + "\r\n";
  }
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(), expected);
  EXPECT_EQ(B(), expected);
}

class Join : public Writer {};

TEST_F(Join, LineIOfBufferTwoFollowsLineIWithoutItsTimeStamp) {
  Fill(down1, {"24-05-06 14:00:00,1,2", "24-05-06 14:10:00,3,4", "24-05-06 14:20:00,5,6"});
  Fill(down2, {"24-05-06 14:00:00,7,8", "24-05-06 14:10:00,9,10"});
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(),
            "24-05-06 14:00:00,1,2,7,8\r\n24-05-06 14:10:00,3,4,9,10\r\n24-05-06 14:20:00,5,6\r\n");
  EXPECT_EQ(B(), A());
}

TEST_F(Join, PartnersAreFoundByTimeStampSoAMissingRecordShiftsNothing) {
  Fill(down1, {"24-05-06 14:00:00,1", "24-05-06 14:10:00,2", "24-05-06 14:20:00,3",
               "24-05-06 14:30:00,4"});
  // 14:10 is missing from buffer 2, which has a record buffer 1 lacks (14:25).
  Fill(down2, {"24-05-06 14:00:00,a", "24-05-06 14:20:00,c", "24-05-06 14:25:00,x",
               "24-05-06 14:30:00,d", "24-short"});
  DataFileWriter::SaveReport report;
  EXPECT_TRUE(Save(&report));
  EXPECT_EQ(A(),
            "24-05-06 14:00:00,1,a\r\n24-05-06 14:10:00,2\r\n24-05-06 14:20:00,3,c\r\n"
            "24-05-06 14:30:00,4,d\r\n");
  EXPECT_EQ(B(), A());
  // Lines without a partner are kept whole in a file of their own.
  EXPECT_EQ(report.unpaired, 2u);
  EXPECT_TRUE(report.unpairedWritten);
  EXPECT_EQ(ReadWholeFile(fs::path(folder) / "A_unpaired.TXT"),
            "24-05-06 14:25:00,x\r\n24-short\r\n");
}

TEST_F(Join, PartnersAreSoughtInOrderAndRepeatedStampsPairInTurn) {
  Fill(down1, {"24-05-06 14:10:00,1", "24-05-06 14:00:00,2", "24-05-06 14:10:00,3"});
  Fill(down2, {"24-05-06 14:00:00,a", "24-05-06 14:10:00,b", "24-05-06 14:10:00,c"});
  DataFileWriter::SaveReport report;
  EXPECT_TRUE(Save(&report));
  // 14:00 of buffer 2 lies before the partner already taken, so it stays unpaired.
  EXPECT_EQ(A(), "24-05-06 14:10:00,1,b\r\n24-05-06 14:00:00,2\r\n24-05-06 14:10:00,3,c\r\n");
  EXPECT_EQ(ReadWholeFile(fs::path(folder) / "A_unpaired.TXT"), "24-05-06 14:00:00,a\r\n");
}

TEST_F(Join, FilterAndHoldsAreDecidedOnTheBufferOneLine) {
  auto at = [](int m) { return "24-05-06 14:" + std::to_string(10 + m) + ":00"; };
  const std::string wide1(700, 'a');
  const std::string wide2(700, 'b');
  Fill(down1, {at(0) + ",1", at(1) + wide1, at(2) + wide1, at(3) + ",SD"});
  Fill(down2, {at(0) + ",SD", at(1) + wide2, at(2) + wide2, at(3) + ",4"});
  DataFileWriter::SaveReport report;
  EXPECT_TRUE(Save(&report));
  // "SD" only in the buffer-2 part keeps the record; records over 1024 only
  // once joined stay records of their own; a dropped record takes its partner.
  EXPECT_EQ(A(),
            at(0) + ",1,SD\r\n" + at(1) + wide1 + wide2 + "\r\n" + at(2) + wide1 + wide2 + "\r\n");
  EXPECT_EQ(report.unpaired, 0u);
  // A held buffer-1 line carries its own partner's channels along.
  down1.clear();
  down2.clear();
  const std::string long1(1030, 'c');
  Fill(down1, {at(4) + long1, at(5) + ",5"});
  Fill(down2, {at(4) + ",x", at(5) + ",y"});
  DataFileWriter::WriteList list;
  r.tool.writer.buildList(down1, down2, list);
  EXPECT_EQ(LinesOf(list), (Strings{at(4) + long1 + ",x" + at(5) + ",5,y"}));
  ASSERT_EQ(list.lines.size(), 1u);
  EXPECT_EQ(list.lines[0].ownLength, at(4).size() + long1.size() + at(5).size() + 2);
}

}  // namespace
}  // namespace th::test
