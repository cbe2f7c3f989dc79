// ASCII point clouds (X Y Z with intensity and colour, plain and in the PTS layout with count
// lines) through their bundled definitions.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const FormatCase kFiles[] = {
    // Every shape of line: X Y Z, X Y Z I, X Y Z R G B, X Y Z I R G B; numbers kept as written.
    {"PointCloudXYZ.xml", "xyz_shapes.xyz", nullptr, "",
     "Point#5|Point[1]/Easting=512345.123|Point[1]/Northing=5401234.456|"
     "Point[1]/OrthoHeight=312.5|Point[1]/Intensity#0|Point[2]/Intensity=87|Point[2]/Red#0|"
     "Point[3]/Intensity#0|Point[3]/Red=255|Point[3]/Green=128|Point[3]/Blue=0|"
     "Point[4]/Intensity=-1024|Point[4]/Red=12|Point[4]/Blue=56|Point[5]/Northing=1e3|"
     "Point[5]/OrthoHeight=+7|Header#0|DataFile/LineEnd=LF"},
    // A byte order mark, a header line, CR LF, an empty line and a line of blanks, no final
    // line end; the blank lines move after the last point.
    {"PointCloudXYZ.xml", "xyz_header_crlf.xyz", "xyz_header_crlf.expected", kMismatchTwice,
     "ByteOrderMark=UTF-8|Header/HeaderText=//X Y Z R G B|Point#3|Point[2]/Red=201|"
     "Point[3]/NoLineEnd=true|Record[Blank]#2|Record[2]/Blanks=3|DataFile/LineEnd=CRLF"},
    {"PointCloudXYZ.xml", "xyz_sub.xyz", nullptr, "", "Point#2|EndOfFile=SUB"},
    // Two scans, each with its count line.
    {"PointCloudPTS.xml", "pts_two_scans.pts", nullptr, "",
     "Record#5|Record[1]/Scan/PointCount=2|Record[2]/Point/Intensity=-1917|"
     "Record[3]/Point/Blue=85|Record[4]/Scan/PointCount=1|Record[5]/Point/Intensity=12|"
     "Record[5]/Point/Red#0|Point#0|DataFile/LineEnd=CRLF"},
    // A byte order mark, LF, an empty line, mixed shapes, no line end before 0x1A CR LF.
    {"PointCloudPTS.xml", "pts_untidy.pts", nullptr, kMismatchTwice,
     "ByteOrderMark=UTF-8|Record#5|Record[2]/Point/OrthoHeight=3|Record[3]/Blank=true|"
     "Record[4]/Point/Red=1|Record[5]/Point/Intensity#0|EndOfFile=SUB CR LF"},
};

TEST(PointCloudFormat, FilesReadAndExportBack) {
  for (const FormatCase& c : kFiles) ImportAndExport(c);
}

// Lines that are not points fail at their line, naming what was expected there; a PTS file
// must start with a count, which tells it from a plain list of points.
TEST(PointCloudFormat, FilesThatDoNotMatchFailAtTheirPlace) {
  const struct {
    const char* definition;
    const char* file;
    const char* diagnosis;
  } cases[] = {
      {"PointCloudXYZ.xml", "xyz_five_fields.xyz",
       "2:9: expected \" \" within 1 bytes, found \"8\""},
      {"PointCloudXYZ.xml", "xyz_decimal_comma.xyz", "2:1: expected \".\", found \"4\""},
      {"PointCloudPTS.xml", "pts_no_count.pts", "1:1: "},
      {"PointCloudPTS.xml", "xyz_shapes.xyz", "1:1: "},
      {"PointCloudXYZ.xml", "gsi8_points.gsi", "2:1: "},
      {"PointCloudPTS.xml", "gsi8_points.gsi", "1:1: "},
  };
  for (const auto& c : cases) {
    const std::string failure = ImportFailure(c.definition, kOwnFormatsDir + c.file);
    EXPECT_EQ(failure.compare(0, std::string(c.diagnosis).size(), c.diagnosis), 0)
        << c.definition << " " << c.file << ": " << failure;
    // The node that fails on purpose in look-aheads is never what a user is shown.
    EXPECT_EQ(failure.find("2147483647"), std::string::npos) << c.file << ": " << failure;
  }
}

// Documents from elsewhere: a point list becomes one scan with its count line, the points of a
// raw file too; count lines are passed over on the way to a plain list.
TEST(PointCloudFormat, ConvertsFromAndToOtherFormats) {
  const struct {
    const char* from;
    const char* file;
    const char* to;
    const char* lines;  // PlainLines() of the output, or its first lines
  } cases[] = {
      {"PointCloudXYZ.xml", "xyz_shapes.xyz", "PointCloudPTS.xml",
       "5\n512345.123 5401234.456 312.5\n512345.223 5401234.556 312.6 87\n"
       "512345.323 5401234.656 312.7 255 128 0\n512345.423 5401234.756 312.8 -1024 12 34 56\n"
       "-0.5 1e3 +7\n"},
      {"PointCloudPTS.xml", "pts_two_scans.pts", "PointCloudXYZ.xml",
       "1.001 2.002 3.003 -1917 94 101 83\n1.004 2.005 3.006 -1901 96 103 85\n7.5 8.5 9.5 12\n"},
      {"PNEZDComma.xml", "pnezd_comma.csv", "PointCloudPTS.xml",
       "3\n3000.000 5000.000 100.000\n3020.250 5010.500 101.125\n"},
      {"PointCloudPTS.xml", "pts_two_scans.pts", "PENZDSpace.xml",
       " 1.001 2.002 3.003\n 1.004 2.005 3.006\n 7.5 8.5 9.5\n"},
  };
  for (const auto& c : cases) {
    const std::string out = PlainLines(Converted(c.from, kOwnFormatsDir + c.file, c.to));
    EXPECT_EQ(out.substr(0, std::string(c.lines).size()), c.lines) << c.from << " to " << c.to;
  }
}

// Lines of every shape in a random order and with numbers of every form a scanner writes: each
// point keeps its own fields (the count of each element gives the shapes away), and export gives
// the file back.
TEST(PointCloudFormat, RandomShapesKeepTheirFields) {
  std::mt19937 random(20261206);
  const char* const numbers[] = {"0",          "-1.5",   "+2.25", "1e3",
                                 "512345.123", "-0.001", "255",   "7E-2"};
  auto number = [&] { return std::string(numbers[random() % 8]); };
  std::string text;
  int counts[4] = {0, 0, 0, 0};  // X Y Z, X Y Z I, X Y Z R G B, X Y Z I R G B
  for (int line = 0; line < 2000; ++line) {
    const int shape = static_cast<int>(random() % 4);
    ++counts[shape];
    text += number() + " " + number() + " " + number();
    if (shape == 1 || shape == 3) text += " " + number();
    if (shape >= 2) text += " " + number() + " " + number() + " " + number();
    text += "\r\n";
  }
  RecordingCallBack recorder;
  auto definition = Bundled("PointCloudXYZ.xml", recorder);
  TempFolder folder;
  InstrumentData data(*definition, &recorder);
  ASSERT_TRUE(data.ParseRead(folder.Write("random.xyz", text), *definition))
      << recorder.Lines(kKindError);
  const XmlNode root = data.GetDocument().AsNode();
  EXPECT_EQ(root.SelectNodes("/data/Point").size(), 2000u);
  EXPECT_EQ(root.SelectNodes("/data/Point/Intensity").size(), size_t(counts[1] + counts[3]));
  EXPECT_EQ(root.SelectNodes("/data/Point/Red").size(), size_t(counts[2] + counts[3]));
  EXPECT_EQ(root.SelectNodes("/data/Point[Blue][not(Green) or not(Red)]").size(), 0u);
  ASSERT_TRUE(data.ParseWrite(folder.Path("random.out"), *definition));
  data.file.Close();
  EXPECT_EQ(ReadFile(folder.Path("random.out")), text);
}

}  // namespace
}  // namespace compoundparser::testing
