// Text encodings at the edges of a run: the bytes of a data file in the code
// page that the host names arrive in the document as their characters and go
// back out as the same bytes; bytes that the code page does not allow and
// characters that XML cannot hold fail the import with their place in the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "definitions/FormatList.h"
#include "host/CodePage.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

std::string EncodingFile(const std::string& name) { return TestData("encoding/" + name); }

class Encoding : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(definition_.Load()); }
  // Puts back the code page of the locale.
  void TearDown() override { SetCodePage(""); }
  std::string Path(const std::string& name) const { return folder_.Path(name); }

  TempFolder folder_;
  RecordingCallBack callBack_;
  FormatDefinition definition_{EncodingFile("notes.xml"), &callBack_};
};

TEST_F(Encoding, BytesOfTheCodePageRoundTripByteForByte) {
  // note: the narrow text in the code page; saved: the same in the saved UTF-8 document.
  const std::tuple<const char*, std::string, const char*, const char*> cases[] = {
      {"CP1252", EncodingFile("cp1252.txt"), "20\xB0\x43", "<Note>20\xC2\xB0\x43</Note>"},
      // The character for "day".
      {"SHIFT_JIS", folder_.Write("sjis.txt", "P1,\x93\xfa\r\n"), "\x93\xfa",
       "<Note>\xe6\x97\xa5</Note>"},
  };
  for (const auto& [codePage, source, note, saved] : cases) {
    SCOPED_TRACE(codePage);
    ASSERT_TRUE(SetCodePage(codePage));
    InstrumentData data(definition_, &callBack_);
    ASSERT_TRUE(data.ParseRead(source, definition_)) << data.GetHostError();
    EXPECT_EQ(data.GetHostError(), "");
    EXPECT_EQ(data.GetDocument().DocumentElement().SelectSingleNode("Point/Note").Text(), note);
    ASSERT_TRUE(data.SaveXml(Path("saved.xml")));
    EXPECT_TRUE(Contains(ReadFile(Path("saved.xml")), saved));
    InstrumentData reloaded(definition_, &callBack_);
    ASSERT_TRUE(reloaded.LoadXml(Path("saved.xml")));
    ASSERT_TRUE(reloaded.ParseWrite(Path("exported.txt"), definition_));
    reloaded.file.Flush();
    EXPECT_EQ(ReadFile(Path("exported.txt")), ReadFile(source));
  }
}

TEST_F(Encoding, BytesThatCannotBeTextFailTheImportWithTheirPlace) {
  // reason: part of the host error; position: the place in the data file; hint: whether the host
  // error names --encoding.
  const std::tuple<const char*, const char*, const char*, const char*, bool> cases[] = {
      // 0xB0 is not UTF-8; it is byte 5 of the data file.
      {"UTF-8", "cp1252.txt", "Byte 0xB0", "(byte 5 of the data file)", true},
      // The end-of-file byte of old instruments is no XML character in any code page.
      {"UTF-8", "eof.txt", "Character 26", "(byte 11 of the data file)", false},
      {"CP1252", "eof.txt", "Character 26", "(in the field at bytes 10 to 11 of the data file)",
       false},
  };
  InstrumentData data(definition_, &callBack_);
  for (const auto& [codePage, file, reason, position, hint] : cases) {
    SCOPED_TRACE(std::string(codePage) + " " + file);
    ASSERT_TRUE(SetCodePage(codePage));
    const std::string source = EncodingFile(file);
    EXPECT_FALSE(data.ParseRead(source, definition_));
    const std::string error = data.GetHostError();
    EXPECT_TRUE(Contains(error, reason));
    EXPECT_TRUE(Contains(error, position));
    EXPECT_EQ(Contains(error, "use --encoding to name the file's code page"), hint);
    // The document left behind saves and loads again; streaming writes nothing.
    ASSERT_TRUE(data.SaveXml(Path("partial.xml")));
    EXPECT_TRUE(InstrumentData(definition_, &callBack_).LoadXml(Path("partial.xml")));
    InstrumentData streaming(definition_, &callBack_);
    EXPECT_FALSE(streaming.ParseReadToFile(source, definition_, Path("streamed.xml")));
    EXPECT_FALSE(std::filesystem::exists(Path("streamed.xml")));
  }
  // The next run that succeeds clears the host error.
  ASSERT_TRUE(SetCodePage("CP1252"));
  EXPECT_TRUE(data.ParseRead(EncodingFile("cp1252.txt"), definition_));
  EXPECT_EQ(data.GetHostError(), "");
}

// Without a code page named by the host, a data file that is not UTF-8 is read
// in the definition's code page, else the catalogue's, else Windows-1252; the
// document says so, and export writes the same bytes, also after SaveXml and
// LoadXml, along every import path.
TEST_F(Encoding, FilesThatAreNotUtf8AreReadInAFallbackCodePage) {
  const std::string notes = ReadFile(EncodingFile("notes.xml"));
  folder_.Write("own.xml", std::string(notes).replace(notes.find("name=\"Notes\""), 12,
                                                      "name=\"Notes\" CodePage=\"CP1251\""));
  const struct {
    const char* definition;  // below the test folder, else tests/data/encoding
    const char* catalogue;   // the catalogue's code page
    std::string bytes;
    const char* warning;   // "": none
    const char* encoding;  // of info/Source_File; "": none
    const char* note;      // the second point's note in the document (UTF-8)
  } cases[] = {
      {"notes.xml", "", "P1,ok\r\nP2,20\xB0\x43\r\n",
       "Byte 0xB0 on line 2 is not valid UTF-8: the data file is read in code page CP1252",
       "CP1252", "20\xC2\xB0\x43"},
      {"notes.xml", "", "P1,\xC3\xA9t\xC3\xA9\r\nP2,20\xC2\xB0\x43\r\n", "", "", "20\xC2\xB0\x43"},
      {"notes.xml", "CP1251", "P1,x\r\nP2,\xCC\xEE\xF1\xEA\xE2\xE0\r\n",
       "Byte 0xCC on line 2 is not valid UTF-8: the data file is read in code page CP1251",
       "CP1251", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"},
      {"own.xml", "", "P1,\xCC\xEE\r\nP2,\xE0\r\n",
       "Byte 0xCC on line 1 is not valid UTF-8: the data file is read in code page CP1251",
       "CP1251", "\xD0\xB0"},
      // The definition's own code page goes before the catalogue's.
      {"own.xml", "ISO-8859-1", "P1,x\r\nP2,\xE0\r\n",
       "Byte 0xE0 on line 2 is not valid UTF-8: the data file is read in code page CP1251",
       "CP1251", "\xD0\xB0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    const std::string source = folder_.Write("data.txt", c.bytes);
    FormatList catalogue(&callBack_);
    catalogue.SetCodePage(c.catalogue);
    const std::string definitionFile =
        std::string(c.definition) == "own.xml" ? Path("own.xml") : EncodingFile(c.definition);
    FormatDefinition* definition = catalogue.AddFormat(definitionFile);
    ASSERT_NE(definition, nullptr);
    for (const int path : {0, 1, 2}) {  // node by node, as text, streamed
      SCOPED_TRACE(path);
      RecordingCallBack messages;
      InstrumentData data(*definition, &messages);
      data.SetDomImport(path == 0);
      const std::string saved = Path("saved.xml");
      ASSERT_TRUE(path == 2 ? data.ParseReadToFile(source, *definition, saved)
                            : data.ParseRead(source, *definition) && data.SaveXml(saved))
          << messages.Joined();
      EXPECT_EQ(messages.Lines(), std::string(c.warning) + (*c.warning ? "\n" : ""));
      EXPECT_EQ(data.DataCodePage(), c.encoding);
      InstrumentData loaded(*definition, &messages);
      ASSERT_TRUE(loaded.LoadXml(saved));
      const XmlNode root = loaded.GetDocument().DocumentElement();
      EXPECT_EQ(root.SelectSingleNode("info/Source_File").GetAttribute("encoding").value_or(""),
                c.encoding);
      EXPECT_EQ(root.SelectSingleNode("Point[2]/Note").Text(), c.note);
      ASSERT_TRUE(loaded.ParseWrite(Path("out.txt"), *definition));
      loaded.file.Close();
      EXPECT_EQ(ReadFile(Path("out.txt")), c.bytes);
      if (path != 2) {
        ASSERT_TRUE(data.ParseWrite(Path("memory.txt"), *definition));
        data.file.Close();
        EXPECT_EQ(ReadFile(Path("memory.txt")), c.bytes);
      }
    }
  }
  // A code page that the host names goes before all: the file then fails.
  ASSERT_TRUE(SetCodePage("UTF-8"));
  InstrumentData data(definition_, &callBack_);
  EXPECT_FALSE(data.ParseRead(folder_.Write("data.txt", "P1,\xB0\r\n"), definition_));
  EXPECT_TRUE(Contains(data.GetHostError(), "Byte 0xB0"));
}

TEST_F(Encoding, CharacterOutsideTheCodePageFailsTheExport) {
  ASSERT_TRUE(SetCodePage("CP1252"));
  InstrumentData data(definition_, &callBack_);
  ASSERT_TRUE(data.LoadXml(EncodingFile("kanji.xml")));
  EXPECT_FALSE(data.ParseWrite(Path("exported.txt"), definition_));
  EXPECT_TRUE(Contains(data.GetHostError(), "cannot be written in code page CP1252"));
  EXPECT_TRUE(Contains(data.GetHostError(), "(at byte 3 of the output file)"));
}

}  // namespace
}  // namespace compoundparser::testing
