// What an import counts while it adds records (kinds, catch-all records and
// where the first one starts, a point list's header line), the same for the
// three ways to import and for a document counted after the fact; and an
// export of a copy that leaves the caller's document whole.
#include <gtest/gtest.h>

#include <string>

#include "data/InstrumentData.h"
#include "data/RecordTally.h"
#include "definitions/FormatDefinition.h"
#include "host/AtomicFile.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

std::string Kinds(const RecordTally& tally) {
  std::string out;
  for (const auto& [kind, count] : tally.kinds) {
    out += (out.empty() ? "" : ", ") + kind + " " + std::to_string(count);
  }
  return out;
}

struct TallyCase {
  const char* definition;  // below Formats/
  std::string data;
  std::string kinds;
  long catchAll;
  uint64_t firstCatchAll;  // byte where the first catch-all record starts
  std::string header;      // "-": none
};

TEST(RecordTally, ImportsCountKindsCatchAllsAndTheHeader) {
  const TallyCase kCases[] = {
      {"PNEZDComma.xml", "1,5000.000,1000.000,100.000,CP\r\n2,5001.000,1001.000,101.000,CP\r\n",
       "Point 2", 0, 0, "-"},
      {"PNEZDCommaHeader.xml", "P,N,E,Z,D\r\n1,5000.000,1000.000,100.000,CP\r\n",
       "Header 1, Point 1", 0, 0, "P,N,E,Z,D"},
      {"CarlsonRW5.xml",
       "JB,NMtest,DT01-01-2020,TM10:00:00\r\nXX,unknown stuff\r\n"
       "SP,PN1,N 100.0,E 200.0,EL10.0,--st\r\nYY,more\r\n",
       "Record/Job 1, Record/Other 2, Record/Point 1", 2, 35, "-"},
      {"CarlsonRW5.xml", "JB,NMtest,DT01-01-2020,TM10:00:00\r\n\r\n",
       "Record/Job 1, Record/Blank 1", 0, 0, "-"},
  };
  for (const TallyCase& c : kCases) {
    SCOPED_TRACE(std::string(c.definition) + ": " + c.data);
    TempFolder folder;
    const std::string input = folder.Write("in.txt", c.data);
    FormatDefinition format(std::string(CP_SOURCE_DIR) + "/Formats/" + c.definition, nullptr);
    ASSERT_TRUE(format.Load());
    for (const int way : {0, 1, 2}) {  // in memory, node by node, streamed to a file
      SCOPED_TRACE(way);
      InstrumentData data(format, nullptr);
      RecordTally tally;
      data.tally = &tally;
      data.SetDomImport(way == 1);
      bool read = false;
      if (way == 2) {
        read = data.ParseReadToFile(input, format, folder.Path("out.xml"));
      } else {
        read = data.ParseRead(input, format);
      }
      ASSERT_TRUE(read);
      if (way == 1) {
        // The node-by-node import counts nothing; the document tells the same.
        EXPECT_EQ(tally.records, 0);
        tally = TallyDocument(data.GetDocument().DocumentElement());
        EXPECT_FALSE(tally.catchAllPlaceKnown);
      } else {
        EXPECT_EQ(tally.catchAllPlaceKnown, c.catchAll > 0);
        if (c.catchAll > 0) {
          EXPECT_EQ(tally.firstCatchAllByte, c.firstCatchAll);
        }
      }
      EXPECT_EQ(Kinds(tally), c.kinds);
      EXPECT_EQ(tally.catchAll, c.catchAll);
      EXPECT_EQ(tally.hasHeader, std::string(c.header) != "-");
      if (tally.hasHeader) {
        EXPECT_EQ(tally.headerText, c.header);
      }
    }
  }
}

TEST(RecordTally, ExportOfACopyLeavesTheDocumentWhole) {
  TempFolder folder;
  const std::string points = "1,5000.000,1000.000,100.000,CP\r\n2,5001.000,1001.000,101.000,CP\r\n";
  const std::string input = folder.Write("in.csv", points);
  FormatDefinition format(std::string(CP_SOURCE_DIR) + "/Formats/PNEZDComma.xml", nullptr);
  ASSERT_TRUE(format.Load());
  InstrumentData data(format, nullptr);
  ASSERT_TRUE(data.ParseRead(input, format));
  const std::string before = data.GetDocument().SaveToString();
  // Twice from the same document, once into a named file, once into an atomic one.
  ASSERT_TRUE(data.ParseWriteCopy(folder.Path("a.csv"), format));
  AtomicFile output;
  int code = 0;
  ASSERT_TRUE(output.Open(folder.Path("b.csv"), code));
  ASSERT_TRUE(data.ParseWriteCopy(output, format));
  output.Commit();
  EXPECT_EQ(ReadFile(folder.Path("a.csv")), points);
  EXPECT_EQ(ReadFile(folder.Path("b.csv")), points);
  EXPECT_EQ(data.GetDocument().SaveToString(), before);
  EXPECT_EQ(TallyDocument(data.GetDocument().DocumentElement()).records, 2);
  // The plain export consumes the records it writes.
  ASSERT_TRUE(data.ParseWrite(folder.Path("c.csv"), format));
  EXPECT_EQ(ReadFile(folder.Path("c.csv")), points);
  EXPECT_EQ(TallyDocument(data.GetDocument().DocumentElement()).records, 0);
}

}  // namespace
}  // namespace compoundparser::testing
