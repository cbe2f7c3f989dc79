// Counting the records of an export: ids that are element names are counted
// in one walk of the document, any other id as the query "//" + id; both must
// give what the query gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "host/HostError.h"
#include "host/Xml.h"
#include "tests/EngineTestSupport.h"
#include "tests/TestFiles.h"

namespace compoundparser::testing {
namespace {

// Returns what the query "//" + id counts (0 for an id that makes no query).
int QueryCount(const XmlNode& node, const std::string& id) {
  try {
    return static_cast<int>(XmlQuery("//" + id).Count(node));
  } catch (const XmlError&) {
    return 0;
  }
}

TEST(RecordCount, EveryKindOfIdCountsWhatItsQuerySelects) {
  XmlDocument document = XmlDocument::Create();
  const std::string xml =
      "<data><info><Point/></info><Point><Vector/></Point><Job><Point/><Point.2/><p:Point/>"
      "<Pointer/></Job><Point-x/><_u/><\xC3\xA9t\xC3\xA9/><Point/></data>";
  ASSERT_TRUE(document.LoadBuffer(xml.data(), xml.size())) << document.ParseError().reason;
  const XmlNode data = document.DocumentElement();
  // The walk must agree with the query on these, or the table checks nothing.
  ASSERT_EQ(QueryCount(data, "Point"), 4);
  ASSERT_EQ(QueryCount(data, "*"), 14);
  const std::vector<std::vector<std::string>> idSets = {
      {"Point"},                    // at every depth, info included, not Pointer
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
  RecordingCallBack callBack;
  for (const auto& ids : idSets) {
    std::string groups;
    int expected = 0;
    for (const std::string& id : ids) {
      groups += "<group id=\"" + id + "\" RepeatedNode=\"true\"><element id=\"Name\"/></group>";
      expected += QueryCount(data, id);
    }
    SCOPED_TRACE(groups);
    FormatDefinition definition(
        folder.Write("ids.xml", DefinitionText("<repeat><radio>" + groups + "</radio></repeat>")),
        &callBack);
    ASSERT_TRUE(definition.Load());
    EXPECT_EQ(definition.CountRepeatedGroup(data, callBack), expected);
  }
}

}  // namespace
}  // namespace compoundparser::testing
