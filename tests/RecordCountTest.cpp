// Counting the records of an export: ids that are element names are counted
// in one walk of the document, any other id as the query "//" + id; both must
// give what the query gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "host/HostError.h"
#include "host/Xml.h"
#include "tests/TestFiles.h"

namespace compoundparser {
namespace {

using testing::TempFolder;
using testing::WriteFile;

class QuietCallBack : public TParserCallBack {
 public:
  void OnMessage(int, std::string) override {}
  void OnProgress(unsigned long, unsigned long) override {}
};

// Returns what the query "//" + id counts in the document of `node` (0 for an
// id that makes no query).
size_t QueryCount(const XmlNode& node, const std::string& id) {
  try {
    return XmlQuery("//" + id).Count(node);
  } catch (const XmlError&) {
    return 0;
  }
}

TEST(RecordCount, EveryKindOfIdCountsWhatItsQuerySelects) {
  const std::string xml =
      "<data><info><Point/></info>"
      "<Point><Vector/></Point><Job><Point/><Point.2/><p:Point/><Pointer/></Job>"
      "<Point-x/><_u/><\xC3\xA9t\xC3\xA9/><Point/></data>";
  XmlDocument document = XmlDocument::Create();
  ASSERT_TRUE(document.LoadBuffer(xml.data(), xml.size(), "records.xml"))
      << document.ParseError().reason;
  const XmlNode data = document.DocumentElement();
  const XmlNode deep = data.FirstChildElement("Job").FirstChildElement("Point");

  const std::vector<std::vector<std::string>> idSets = {
      {"Point"},                    // at every depth, info included, not Pointer
      {"Point", "Vector"},          // several names in one walk
      {"Point.2", "Point-x"},       // '.' and '-' inside a name
      {"_u", "\xC3\xA9t\xC3\xA9"},  // '_' and non-ASCII names
      {"p:Point"},                  // a prefixed name goes to the query
      {"*"},                        // every element
      {"Job/Point", "Point"},       // a path beside a name
      {"Point[2]"},                 // a predicate
      {"1Point", "-x", "Po int"},   // no valid query: nothing
      {"Missing"},
  };
  TempFolder folder;
  QuietCallBack callBack;
  for (const auto& ids : idSets) {
    std::string groups;
    size_t expected = 0;
    for (const std::string& id : ids) {
      groups += "<group id=\"" + id + "\" RepeatedNode=\"true\"><element id=\"Name\"/></group>";
      expected += QueryCount(data, id);
    }
    SCOPED_TRACE(groups);
    const std::string file = folder.Path("ids.xml");
    WriteFile(file, "<format type=\"Points\" name=\"Ids\"><parser><repeat><radio>" + groups +
                        "</radio></repeat></parser></format>");
    FormatDefinition definition(file, &callBack);
    ASSERT_TRUE(definition.Load());
    EXPECT_EQ(definition.CountRepeatedGroup(data, callBack), static_cast<int>(expected));
    // Any node of the document counts the whole document.
    EXPECT_EQ(definition.CountRepeatedGroup(deep, callBack), static_cast<int>(expected));
  }
  // The walk must agree with the query on these, or the table checks nothing.
  EXPECT_EQ(QueryCount(data, "Point"), 4u);
  EXPECT_EQ(QueryCount(data, "*"), 14u);
}

}  // namespace
}  // namespace compoundparser
