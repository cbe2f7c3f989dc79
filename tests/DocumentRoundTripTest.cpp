// The saved document carries what an import read: the three ways of importing
// (node by node, as text, streamed to a file) build the same records, and an
// export of the document saved and loaded again writes the same bytes as an
// export of the document held in memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

enum class Path { kDom, kText, kStream };
const Path kPaths[] = {Path::kDom, Path::kText, Path::kStream};

const char* NameOf(Path path) {
  return path == Path::kDom ? "dom" : path == Path::kText ? "text" : "stream";
}

std::unique_ptr<FormatDefinition> Load(const std::string& path, RecordingCallBack& callBack) {
  auto definition = std::make_unique<FormatDefinition>(path, &callBack);
  EXPECT_TRUE(definition->Load()) << callBack.Lines();
  return definition;
}

// Returns the records of a document below `data` (without `info`) as an
// outline: a group as name{...}, a value as name=text.
std::string Outline(const XmlNode& node) {
  std::string out;
  for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() != kXmlElement || child.Name() == "info") continue;
    XmlNode inner = child.FirstChild();
    while (inner && inner.Type() != kXmlElement) inner = inner.NextSibling();
    if (!out.empty()) out += ' ';
    out += child.Name() + (inner ? "{" + Outline(child) + "}" : "=" + child.Text());
  }
  return out;
}

// Imports `data` through `definition` along `path` into a document saved as
// `saved` (streamed there, or saved after the import). Returns false when the
// import fails.
bool ImportAndSave(FormatDefinition& definition, const std::string& data, Path path,
                   const std::string& saved, RecordingCallBack& callBack) {
  InstrumentData document(definition, &callBack);
  document.SetDomImport(path == Path::kDom);
  if (path == Path::kStream) return document.ParseReadToFile(data, definition, saved);
  return document.ParseRead(data, definition) && document.SaveXml(saved);
}

// Loads the saved document `saved` and exports it through `definition` into
// `out`; returns the bytes, or "<fail>" with the error messages.
std::string ExportSaved(FormatDefinition& definition, const std::string& saved,
                        const std::string& out) {
  RecordingCallBack callBack;
  InstrumentData document(definition, &callBack);
  if (!document.LoadXml(saved)) return "<fail> cannot load " + saved;
  if (!document.ParseWrite(out, definition)) return "<fail> " + callBack.Lines();
  document.file.Close();
  return ReadFile(out);
}

// A group read inside a terminated part or an alternative that fails is gone
// from the document; a group that was read whole stays when a part around it
// fails later (it is not a group that failed), so a definition whose
// alternatives read the same bytes twice gets the record twice. The three
// import paths agree on every case.
TEST(ImportPaths, FailedGroupsLeaveNoTraceAndAllPathsAgree) {
  const char* const kValue = R"(<group id="P" RepeatedNode="true"><element id="V"/></group>)";
  const std::string byCr =
      std::string("<terminated>") + kValue + "<literal hex=\"true\">0D</literal></terminated>";
  const struct {
    std::string parser;
    std::string data;
    std::string records;  // Outline of the document; "<fail>" when the import fails
  } cases[] = {
      // Lines ending CR or LF, the CR alternative tried inside the LF one: "a" is read by the
      // CR alternative, whose terminated part then fails ("b" is left), and read again.
      {"<repeat><radio><terminated><radio>" + byCr + kValue +
           "</radio><literal hex=\"true\">0A</literal></terminated>" + byCr + "</radio></repeat>",
       "a\rb\n", "P{V=a} P{V=a} P{V=b}"},
      // The group fails on its own literal inside a terminated part: no trace of it.
      {R"(<repeat><radio><terminated><group id="P" RepeatedNode="true"><element id="V" width="1"/>
          <literal>!</literal></group><literal hex="true">0A</literal></terminated>
          <terminated><group id="Q" RepeatedNode="true"><element id="W"/></group>
          <literal hex="true">0A</literal></terminated></radio></repeat>)",
       "ab\nc!\n", "Q{W=ab} P{V=c}"},
      // A nested group read whole, then its enclosing group fails: both are gone.
      {R"(<repeat><radio><group id="P" RepeatedNode="true"><group id="Inner">
          <terminated><element id="V"/><literal>,</literal></terminated></group>
          <literal>!</literal></group>
          <group id="Q" RepeatedNode="true"><terminated><element id="W"/><literal>,</literal>
          </terminated></group></radio></repeat>)",
       "x,y,!", "Q{W=x} P{Inner{V=y}}"},
      // The terminated part's data does not fill the stretch: the group read whole inside it
      // stays, and the import fails with the records read so far.
      {R"(<repeat><terminated><group id="P" RepeatedNode="true"><element id="V" width="1"/>
          </group><literal>;</literal></terminated></repeat>)",
       "a;bc;", "<fail> P{V=a} P{V=b}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parser);
    TempFolder folder;
    RecordingCallBack callBack;
    auto definition = Load(folder.Write("def.xml", DefinitionText(c.parser)), callBack);
    const std::string data = folder.Write("data.txt", c.data);
    for (const Path path : kPaths) {
      SCOPED_TRACE(NameOf(path));
      std::string records;
      if (path == Path::kStream) {
        const bool ok = ImportAndSave(*definition, data, path, folder.Path("s.xml"), callBack);
        InstrumentData loaded(*definition, &callBack);
        records = ok && loaded.LoadXml(folder.Path("s.xml"))
                      ? Outline(loaded.GetDocument().DocumentElement())
                      : "<fail>";
        if (!ok && c.records.rfind("<fail>", 0) == 0) {
          EXPECT_FALSE(std::filesystem::exists(folder.Path("s.xml")));
          continue;
        }
      } else {
        InstrumentData document(*definition, &callBack);
        document.SetDomImport(path == Path::kDom);
        const bool ok = document.ParseRead(data, *definition);
        records =
            std::string(ok ? "" : "<fail> ") + Outline(document.GetDocument().DocumentElement());
      }
      EXPECT_EQ(records, c.records);
    }
  }
}

// A value keeps every byte through SaveXml and LoadXml: carriage returns (which
// XML reads as line feeds unless escaped), blanks only, and nothing at all (E,
// a blank that the field strips). A field never holds a line feed.
TEST(SavedDocument, ValuesComeBackByteForByte) {
  const struct {
    std::string value;
    std::string saved;  // how the value's element is saved
  } cases[] = {
      {"a\rb", "<V>a&#13;b</V>"},
      {"\r", "<V>&#13;</V>"},
      {"\r\r", "<V>&#13;&#13;</V>"},
      {" \r ", "<V> &#13; </V>"},
      {"  ", "<V>  </V>"},
      {"\t", "<V>\t</V>"},
      {"<&>\r", "<V>&lt;&amp;&gt;&#13;</V>"},
  };
  TempFolder folder;
  RecordingCallBack callBack;
  auto definition = Load(folder.Write("def.xml", DefinitionText(R"(<repeat>
      <group id="R" RepeatedNode="true"><terminated><element id="V" fill="&#127;"/>
      <literal>;</literal></terminated><element id="E" width="1"/></group></repeat>)")),
                         callBack);
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.value));
    const std::string input = c.value + "; " + c.value + "; ";
    const std::string data = folder.Write("data.txt", input);
    std::string streamed;
    for (const Path path : kPaths) {
      SCOPED_TRACE(NameOf(path));
      const std::string saved = folder.Path(std::string(NameOf(path)) + ".xml");
      ASSERT_TRUE(ImportAndSave(*definition, data, path, saved, callBack)) << callBack.Lines();
      const std::string text = ReadFile(saved);
      EXPECT_TRUE(Contains(text, " " + c.saved + "\r\n    <E></E>\r\n"));
      // The document streamed to its file is the one the other paths save.
      if (path == Path::kStream) {
        EXPECT_EQ(text, streamed);
      }
      streamed = text;
      EXPECT_EQ(ExportSaved(*definition, saved, folder.Path("out.txt")), input);
    }
  }
}

// The name of the data file is an attribute value: tab, line feed and carriage
// return are written as references, so that a load gives them back.
TEST(SavedDocument, SourceFileNameKeepsTabsAndLineEnds) {
  TempFolder folder;
  RecordingCallBack callBack;
  auto definition = Load(TestData("instrument/points.xml"), callBack);
  const std::string data = folder.Copy(TestData("instrument/points.txt"), "a\tb\nc\rd.txt");
  for (const Path path : kPaths) {
    SCOPED_TRACE(NameOf(path));
    ASSERT_TRUE(ImportAndSave(*definition, data, path, folder.Path("saved.xml"), callBack));
    EXPECT_TRUE(Contains(ReadFile(folder.Path("saved.xml")), "a&#9;b&#10;c&#13;d.txt\"/>"));
    InstrumentData loaded(*definition, &callBack);
    ASSERT_TRUE(loaded.LoadXml(folder.Path("saved.xml")));
    const XmlNode file =
        loaded.GetDocument().DocumentElement().SelectSingleNode("info/Source_File");
    EXPECT_EQ(file.GetAttribute("name"), data);
  }
}

// An element written with a start and an end tag is an empty value; one
// written without content has no value, which ends an export.
TEST(SavedDocument, StartAndEndTagMakeAnEmptyValue) {
  TempFolder folder;
  RecordingCallBack callBack;
  auto definition = Load(folder.Write("def.xml", DefinitionText(R"(<repeat>
      <group id="R" RepeatedNode="true"><terminated><element id="V"/><literal>;</literal>
      </terminated></group></repeat>)")),
                         callBack);
  const struct {
    const char* records;
    const char* exported;
  } cases[] = {
      {"<R><V></V></R><R><V>x</V></R>", ";x;"},
      {"<R>\r\n  <V></V>\r\n</R>", ";"},
      {"<R><V>  </V></R>", "  ;"},
      {"<R><V/></R>", "<fail> "},
      {"<R><V a=\">\"></V></R>", ";"},
      {"<R><V a=\"/\"/></R>", "<fail> "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.records);
    const std::string saved = folder.Write(
        "doc.xml", std::string("<?xml version=\"1.0\"?><data><info/>") + c.records + "</data>");
    EXPECT_EQ(ExportSaved(*definition, saved, folder.Path("out.txt")), c.exported);
  }
}

}  // namespace
}  // namespace compoundparser::testing
