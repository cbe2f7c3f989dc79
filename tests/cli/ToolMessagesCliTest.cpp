// What the tool tells its user beside the library's own messages: which
// format it picked when none is named, which engine messages of an import are
// errors (the engine reports fields that an alternative could not read even
// when another alternative then reads them), where an import failed (file,
// line, column, the line with a caret, the definition node), repeated
// warnings, files it cannot read or write, why an export found nothing to
// write, wrong usage; and the explain, trace and detect commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/CliTestSupport.h"

namespace {

using cli_test::ExpectRuns;
using cli_test::RunTool;
using cli_test::ScratchFolder;

TEST(ToolMessagesCli, MessagesOfRunsAndExplainTraceDetect) {
  ScratchFolder folder;
  folder.Write("broken.xml", "<data>\n  <Point>&x;</Point></data>");
  folder.Write("latin1.csv", "1001,5000.000,1000.000,100.000,Stra\xDF\x65\r\n");
  std::string noCodes = "<?xml version=\"1.0\"?>\n<data>\n";
  for (int i = 1; i <= 6; ++i) {
    noCodes += "<Point><PointNumber>" + std::to_string(i) +
               "</PointNumber><Northing>1.0</Northing><Easting>2.0</Easting>"
               "<OrthoHeight>3.0</OrthoHeight></Point>\n";
  }
  folder.Write("nocodes.xml", noCodes + "</data>\n");
  folder.Write("bad.csv", "1001,5000.000,1000.000,100.000,CP\r\nnot a point line\r\n");
  folder.Write("empty.xml", "<?xml version=\"1.0\"?><data><info/></data>");
  folder.Write("nosubst.xml",
               "<?xml version=\"1.0\"?><format name=\"Broken\" type=\"Points\">"
               "<parser><subst id=\"Nowhere\"/></parser></format>");
  folder.Write("notxml.xml", "<format name=\"x\"");
  // Faults in lines that the diagnosis must show safely.
  folder.Write("c1.csv", "1001,5\x01x00\x7F,1,2,X\r\n");
  folder.Write("c2.csv", "1001\xC3\xA9,5x00,1,2,X\r\n");
  folder.Write("c3.csv", "1001\t,5x00,1,2,X\r\n");
  folder.Write("c4.csv", std::string(45, 'P') + ",5x00,1,2," + std::string(200, 'C') + "\r\n");
  const std::string code = "warning: Element with ID='Code' not found\n";
  const std::string comma = "import|-f|Comma Delimited Points|-o|-|$D/";
  ExpectRuns(
      {
          // Only the vector format reads the vector file; the point lists refuse its lines.
          {"import|$S/examples/gps-vectors.csv", 0, "<BaseID>BASE1</BaseID>", "", "error:"},
          // Formats that read as many values are a tie the user settles.
          {"import|$S/examples/points-comma.csv", 2, "",
           "several formats read all of $S/examples/points-comma.csv into as many values|"
           "\"PNEZD comma\" reads all of it (4 records, 21 values)|"
           "\"Comma Delimited Points\" reads all of it (4 records, 20 values)"},
          {"detect|$S/examples/gps-vectors.csv", 0,
           "^complete  GPS Vectors (CSV)                3 records, 30 values\n"},
          {"detect|$S/tests/data/diagnostics/letter-in-number.csv", 1,
           "^stopped   Comma Delimited Points           at line 2:6 (byte 40)\n",
           "letter-in-number.csv: no format reads all of it"},
          // A complete import keeps the mismatches of abandoned alternatives quiet, -v shows them.
          {"import|-f|PNEZD comma|$S/tests/data/formats/pnezd_comma.csv", 0,
           "<HeaderText>P,N,E,Z,D</HeaderText>", "", "error:|Type of element mismatch"},
          {"-v|import|-f|PNEZD comma|$S/tests/data/formats/pnezd_comma.csv", 0, "",
           "detail: FormatParser: Type of element mismatch", "error:"},
          // A failed import shows them as errors, the reason for the stop last,
          // then where it stopped.
          {"import|-f|Comma Delimited Points|$S/tests/data/diagnostics/letter-in-number.csv", 1, "",
           "error: FormatParser: Type of element mismatch\nerror: File not parsed completely. "
           "Parsed only 35 bytes (line 2:1) of 105\n"
           "$S/tests/data/diagnostics/letter-in-number.csv:2:6: expected a number for "
           "element[Northing], found \"51x0.000\"\n  1002,51x0.000,1100.000,101.000,CP\n       ^\n"
           "  definition: $S/Formats/points-comma.xml:55: "
           "substitute[Fields]/group[Point]/radio/terminated/element[Northing]\n"
           "compoundparser: $S/tests/data/diagnostics/letter-in-number.csv: import",
           "detail:"},
          {"import|-f|Leica GSI-8|$S/tests/data/diagnostics/wrong-record-marker.gsi", 1, "",
           "wrong-record-marker.gsi:2:33: expected a number for element[WordIndex], found \"8A\"\n"
           "  110002+00000102 81..00+00512000 8A..00+00623000 83..00-00000010 \n" +
               std::string(34, ' ') + "^\n  definition: |element[WordIndex]\n"},
          // Positions in messages get line and column; -v lists every failure
          // at the furthest place, the literal alternative too.
          {"-v|import|-f|Comma Delimited Points|$S/tests/data/diagnostics/letter-in-number.csv", 1,
           "",
           "No radio elements found in pos 28h (line 2:6)|"
           "every failure there (|expected \",\", found \"5\""},
          // The export stops at the value that does not fit: no partial output.
          {"export|-f|$S/tests/data/diagnostics/fixed-points.xml|-o|$D/wide.txt|"
           "$S/tests/data/diagnostics/too-wide.xml",
           1, "",
           "/data/Point[2]: expected at most 8 characters for /data/Point[2]/Northing, found "
           "\"123456.789\"|fixed-points.xml:7: parser/repeat/group[Point]/element[Northing]|"
           "export with \"Fixed Test Points\" stopped with 2 records not written; no output "
           "written"},
          {"--encoding|NO-SUCH-CODEPAGE|formats", 2, "", "unknown encoding \"NO-SUCH-CODEPAGE\""},
          // A Latin-1 byte is read as the character it stands for in that code page.
          {"--encoding|ISO-8859-1|import|-f|Comma Delimited Points|$D/latin1.csv", 0,
           "<Code>Stra\xC3\x9F\x65</Code>"},
          // Files that cannot be read or written are named with the reason.
          {"trace|-f|PNEZD comma|$D", 1, "", "$D: cannot read: it is a folder, not a file\n"},
          {"detect|$D", 1, "", "$D: cannot read: it is a folder, not a file\n"},
          {"detect|$D/no.xml", 1, "", "$D/no.xml: cannot read: No such file or directory"},
          {"export|-f|PNEZD comma|-o|$D/o.csv|$D/no.xml", 1, "",
           "$D/no.xml: Cannot read file '$D/no.xml': No such file or directory; no output written"},
          {"export|-f|PNEZD comma|-o|$D/o.csv|$D/broken.xml", 1, "",
           "$D/broken.xml: line 2:10: Reference to undefined entity 'x'; no output written"},
          // Outputs that cannot be written are found before anything is read.
          {"import|-f|PNEZD comma|-o|$D/no/o.xml|$S/examples/points-comma.csv", 1, "",
           "cannot write $D/no/o.xml: No such file or directory; nothing was read"},
          {"export|-f|PNEZD comma|-o|$D|$D/broken.xml", 1, "",
           "cannot write $D: it is a folder; nothing was read"},
          // An export names the records that the format writes and the document lacks.
          {"import|-f|PNEZD comma|-o|$D/p.xml|$S/examples/points-comma.csv", 0},
          {"export|-f|Leica GSI-16|-o|$D/o.gsi|$D/p.xml", 1, "",
           "$D/p.xml: the document holds records Point and DataFile; \"Leica GSI-16\" writes "
           "records Record and Word\n"},
          // Six points without a code: the warning twice per point (the code is
          // looked for once per alternative of the record), shown three times.
          {"export|-f|Comma Delimited Points|-o|-|$D/nocodes.xml", 0, "^1,1.0,2.0,3.0,\r\n",
           code + code + code + "warning: Element with ID='Code' not found (9 more times)\n"},
          // A failed run names its input last; -v adds details, -q hides warnings.
          {"import|-f|Comma Delimited Points|$D/bad.csv", 1, "",
           "error: |compoundparser: $D/bad.csv: import", "detail: "},
          {"-v|import|-f|Comma Delimited Points|$D/bad.csv", 1, "", "detail: "},
          {"export|-f|Comma Delimited Points|$D/empty.xml|-o|$D/o", 1, "",
           "^warning: There are not data for exporting\n"},
          {"-q|export|-f|Comma Delimited Points|$D/empty.xml|-o|$D/o", 1, "", "", "warning: "},
          {"check|$D/nosubst.xml|$S/Formats/points-comma.xml|$D/notxml.xml", 1,
           "$D/nosubst.xml: NOT loaded\n|$D/notxml.xml: NOT loaded\n|points-comma.xml: loaded\n",
           "error: |Nowhere"},
          // Wrong usage; every failing run says why.
          {"", 2},
          {"nosuchcommand", 2},
          {"import|-f|No Such Format|$S/examples/points-comma.csv", 2},
          {"import|-f|Comma Delimited Points|--set|NoEquals|$S/examples/points-comma.csv", 2},
          {"import|-f|Comma Delimited Points|--set|=value|$S/examples/points-comma.csv", 2},
          {"export|-f|Comma Delimited Points|$S/examples/points-comma.csv", 2},
          {"convert|--from|Comma Delimited Points|$S/examples/points-comma.csv|-o|x", 2},
          {"formats|--no-such-option", 2},
          {"check", 2},
          {"generate", 2},
          {"generate|points|-n|X|--fields|A,B|-d|xyz", 2},
          {"generate|points|-n|X|--fields|A,B|--latlon|degrees", 2},
          {"generate|vectors|-n|X", 2},
          // The failing line is shown safely, the caret under its column:
          // control bytes become '?', a UTF-8 character takes one column, a tab
          // stays a tab, a long line is cut to a window around the column.
          {comma + "c1.csv", 1, "", "  1001,5?x00?,1,2,X\n       ^\n"},
          {comma + "c2.csv", 1, "", "  1001\xC3\xA9,5x00,1,2,X\n        ^\n"},
          {comma + "c3.csv", 1, "", "  1001\t,5x00,1,2,X\n      \t ^\n"},
          {comma + "c4.csv", 1, "",
           "  ..." + std::string(39, 'P') + ",5x00,1,2," + std::string(51, 'C') + "...\n" +
               std::string(45, ' ') + "^\n"},
          {"explain|Comma Delimited Points", 0,
           "\n  repeat  (line 30)\n    radio  (line 31)\n"
           "      literal \"\\r\\n\" (CR LF) read-only  (line 32)\n|"
           "element Northing double  (line 55)|terminated max 20  (line 54)|"
           "subst IfFields  (line 39)  (see above)"},
          {"explain|--dot|Comma Delimited Points", 0,
           "^digraph \"Comma Delimited Points\" {|[style=dashed]|\n}\n"},
          // The line end between two records stands between them.
          {"trace|-f|Comma Delimited Points|$S/examples/points-comma.csv|--records|2", 0,
           "record 1: Point  bytes 0-33 (line 1:1)\n"
           "    PointNumber = \"1001\"  bytes 0-4 (line 1:1)\n"
           "    (between elements) \",\"  bytes 4-5 (line 1:5)\n"
           "    Northing = \"5000.000\"  bytes 5-13 (line 1:6)\n|"
           "    Code = \"CP\"  bytes 31-33 (line 1:32)\n"
           "(between elements) \"\\r\\n\"  bytes 33-35 (line 1:34)\n"
           "record 2: Point  bytes 35-70 (line 2:1)\n",
           "", "record 3"},
      },
      folder);
  // IfFields is used three times: spelled out once, then referred to.
  const std::string tree = RunTool({"explain", "Comma Delimited Points"}).out;
  ASSERT_NE(tree.find("group Point repeated"), std::string::npos);
  EXPECT_EQ(tree.find("group Point repeated", tree.find("group Point repeated") + 1),
            std::string::npos);
  // The failed runs wrote nothing.
  for (const char* output : {"o", "o.csv", "o.gsi", "no"}) {
    EXPECT_FALSE(std::filesystem::exists(folder.Path(output))) << output;
  }
}

TEST(ToolMessagesCli, ImportWithoutFormatTakesTheOneCompleteMatch) {
  ScratchFolder app;
  std::filesystem::create_directories(app.Path("Formats"));
  std::filesystem::create_directories(app.Path("user/Formats"));
  app.Copy(CP_SOURCE_DIR "/Formats/points-comma.xml", "Formats/points-comma.xml");
  app.Copy(CP_SOURCE_DIR "/Formats/LeicaGSI8.xml", "Formats/gsi8.xml");
  const std::string import = "--app-folder|$D|--user-folder|$D/user|import|$S/";
  ExpectRuns({{import + "examples/points-comma.csv", 0, "<PointNumber>1001</PointNumber>"},
              {import + "tests/data/diagnostics/letter-in-number.csv", 2, "",
               "no format reads all of|\"Comma Delimited Points\" stops at line 2:6"}},
             app);
}

}  // namespace
