#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

using Strings = std::vector<std::string>;

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
  // Held text after the last line is kept as a line of its own.
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(), l1100 + l1030 + l200 + "\r\ne\r\n" + l1024 + "\r\n");
}

TEST_F(Writer, ALineLongerThanAPaneHandsOverIsLeftOutNotCut) {
  Fill(down1, {std::string(5000, 'x'), "24-1", std::string(4096, 'y'), "24-2"});
  EXPECT_TRUE(Save());
  // 4096 characters are still handed over whole, and held as before.
  EXPECT_EQ(A(), "24-1\r\n" + std::string(4096, 'y') + "24-2\r\n");
}

TEST_F(Writer, ListLinesOf4096OrMoreAreHeldWhenWriting) {
  const std::string big(4096, 'x');
  Fill(down1, {big, "s", "t", std::string(3000, 'u'), "v"});
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(), big + "st\r\n" + std::string(3000, 'u') + "v\r\n");
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
  Fill(down1, {"24-1"});
  EXPECT_FALSE(r.tool.writer.save(down1, down2, true, "", "B.TXT", folder));
  EXPECT_TRUE(r.tool.writer.save(down1, down2, true, "C.TXT", "", folder + "/"));
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

TEST_F(Join, StampsThatRepeatOrComeOutOfOrderAreNotJoinedByGuess) {
  struct Case {
    const char* what;
    Strings first, second;
    std::string data, unpaired;
  };
  const std::string y2 = "24-05-06 14:";
  const std::string y4 = "2024-05-06 14:";
  const std::vector<Case> cases = {
      {"a stamp twice in buffer 1, the first one's partner missing",
       {y2 + "10:00,1", y2 + "10:00,2", y2 + "20:00,3"},
       {y2 + "10:00,b", y2 + "20:00,c"},
       y2 + "10:00,1\r\n" + y2 + "10:00,2\r\n" + y2 + "20:00,3,c\r\n",
       y2 + "10:00,b\r\n"},
      {"a stamp twice in buffer 2",
       {y2 + "10:00,1", y2 + "20:00,3"},
       {y2 + "10:00,a", y2 + "10:00,b", y2 + "20:00,c"},
       y2 + "10:00,1\r\n" + y2 + "20:00,3,c\r\n",
       y2 + "10:00,a\r\n" + y2 + "10:00,b\r\n"},
      {"out of order: a partner before the one taken last",
       {y2 + "10:00,1", y2 + "00:00,2"},
       {y2 + "00:00,a", y2 + "10:00,b"},
       y2 + "10:00,1,b\r\n" + y2 + "00:00,2\r\n",
       y2 + "00:00,a\r\n"},
      {"four-digit years, a partner missing",
       {y4 + "00:10,5.1", y4 + "00:20,5.1", y4 + "00:30,6"},
       {y4 + "00:20,B1002", y4 + "00:30,B1003"},
       y4 + "00:10,5.1\r\n" + y4 + "00:20,5.1,B1002\r\n" + y4 + "00:30,6,B1003\r\n",
       ""},
      {"lines without a field separator have no stamp",
       {"24-05-06 14:00:00 x", y2 + "10:00,1"},
       {"24-05-06 14:00:00 x", y2 + "10:00,b"},
       "24-05-06 14:00:00 x\r\n" + y2 + "10:00,1,b\r\n",
       "24-05-06 14:00:00 x\r\n"},
  };
  for (const Case& c : cases) {
    fs::remove_all(folder);
    down1.clear();
    down2.clear();
    Fill(down1, c.first);
    Fill(down2, c.second);
    EXPECT_TRUE(Save()) << c.what;
    EXPECT_EQ(A(), c.data) << c.what;
    EXPECT_EQ(ReadWholeFile(fs::path(folder) / "A_unpaired.TXT"), c.unpaired) << c.what;
  }
}

TEST_F(Join, FilterAndHoldsAreDecidedOnTheBufferOneLine) {
  auto at = [](int m) { return "24-05-06 14:" + std::to_string(10 + m) + ":00,"; };
  const std::string wide1(700, 'a');
  const std::string wide2(700, 'b');
  Fill(down1, {at(0) + "1", at(1) + wide1, at(2) + wide1, at(3) + "SD"});
  Fill(down2, {at(0) + "SD", at(1) + wide2, at(2) + wide2, at(3) + "4"});
  DataFileWriter::SaveReport report;
  EXPECT_TRUE(Save(&report));
  // "SD" only in the buffer-2 part keeps the record; records over 1024 only
  // once joined stay records of their own; a dropped record takes its partner.
  EXPECT_EQ(A(), at(0) + "1,SD\r\n" + at(1) + wide1 + "," + wide2 + "\r\n" + at(2) + wide1 + "," +
                     wide2 + "\r\n");
  EXPECT_EQ(report.unpaired, 0u);
  // A held buffer-1 line carries its own partner's channels along.
  fs::remove_all(folder);
  down1.clear();
  down2.clear();
  const std::string long1(1030, 'c');
  Fill(down1, {at(4) + long1, at(5) + "5"});
  Fill(down2, {at(4) + "x", at(5) + "y"});
  EXPECT_TRUE(Save());
  EXPECT_EQ(A(), at(4) + long1 + ",x" + at(5) + "5,y\r\n");
}

TEST_F(Writer, ADataFileThatDoesNotEndWithALineEndGetsOneFirst) {
  struct Case {
    std::string before, after;
    bool added;
  };
  for (const Case& c : {Case{"", "", false}, Case{"1\r\n", "1\r\n", false},
                        Case{"1", "1\r\n", true}, Case{"1\r", "1\r\n", true},
                        Case{"1\n", "1\n\r\n", true}, Case{"1\x1a\x1a", "1\r\n", true}}) {
    fs::remove_all(folder);
    fs::create_directory(folder);
    WriteWholeFile(fs::path(folder) / "A.TXT", c.before);
    down1.clear();
    Fill(down1, {"24-2"});
    const auto lines = DataFileWriter::Lines::all(down1, down2);
    DataFileWriter::Plan plan =
        r.tool.writer.prepare(lines, true, "A.TXT", "B.TXT", folder, "A_unpaired.TXT");
    EXPECT_EQ(plan.first.lineEndAdded, c.added) << c.before;
    EXPECT_EQ(plan.first.before, static_cast<std::int64_t>(c.after.size())) << c.before;
    EXPECT_EQ(plan.first.after(), static_cast<std::int64_t>(c.after.size() + 6)) << c.before;
    EXPECT_TRUE(r.tool.writer.write(plan, lines)) << c.before;
    EXPECT_EQ(A(), c.after + "24-2\r\n") << c.before;
  }
}

TEST_F(Writer, OnlyTheSpansAreSavedAndTheSizesAreKnownBeforehand) {
  Fill(down1, {"24-05-06 14:00:00,1", "24-05-06 14:10:00,2", "24-05-06 14:20:00,3"});
  Fill(down2, {"24-05-06 14:00:00,a", "24-05-06 14:10:00,b", "24-05-06 14:15:00,x"});
  // The first line of each was saved by an earlier job; the last of buffer 1 is not taken.
  const DataFileWriter::Lines lines{{down1, 1, 2}, {down2, 1, 3}};
  DataFileWriter::Plan plan =
      r.tool.writer.prepare(lines, true, "A.TXT", "B.TXT", folder, "A_unpaired.TXT");
  EXPECT_EQ(plan.first.before, 0);
  EXPECT_EQ(plan.first.after(), 23);
  EXPECT_EQ(plan.unpaired.after(), 21);
  EXPECT_EQ(plan.firstTaken, 1u);
  EXPECT_EQ(plan.secondTaken, 2u);
  EXPECT_TRUE(r.tool.writer.write(plan, lines));
  EXPECT_EQ(A(), "24-05-06 14:10:00,2,b\r\n");
  EXPECT_EQ(ReadWholeFile(fs::path(folder) / "A_unpaired.TXT"), "24-05-06 14:15:00,x\r\n");
}

TEST_F(Writer, TheUnpairedLinesGoFirstAndAFailedFirstFileTakesThemBack) {
  Fill(down1, {"24-05-06 14:00:00,1"});
  Fill(down2, {"24-05-06 14:10:00,x"});
  fs::create_directories(fs::path(folder) / "A_unpaired.TXT");
  DataFileWriter::SaveReport report;
  EXPECT_FALSE(Save(&report));
  EXPECT_FALSE(fs::exists(fs::path(folder) / "A.TXT"));
  EXPECT_FALSE(fs::exists(fs::path(folder) / "B.TXT"));

  fs::remove_all(folder);
  fs::create_directories(fs::path(folder) / "A.TXT");
  WriteWholeFile(fs::path(folder) / "A_unpaired.TXT", "old\r\n");
  EXPECT_FALSE(Save(&report));
  EXPECT_EQ(ReadWholeFile(fs::path(folder) / "A_unpaired.TXT"), "old\r\n");
}

}  // namespace
}  // namespace th::test
