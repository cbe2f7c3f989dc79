// Field formatting in both directions: widths and budgets, padding, sign,
// factor/offset/precision, type checks, struck bytes, and every failure row;
// fields bound to data elements, and count fields.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "engine/NumberText.h"
#include "host/HostError.h"
#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

// Returns `f` with the settings of `settings`, separated by blanks:
// width=N, right, fill=C, sign, fbs (fill before sign), offset=X, factor=X,
// precision=N, double, degree, max=N (MaxWidth), exclude=TEXT.
template <class Field>
std::unique_ptr<Field> Configure(std::unique_ptr<Field> f, const std::string& settings) {
  std::istringstream words(settings);
  for (std::string word; words >> word;) {
    const std::string key = word.substr(0, word.find('='));
    const std::string text = key.size() < word.size() ? word.substr(key.size() + 1) : "";
    std::istringstream value(text);
    value.imbue(std::locale::classic());
    double number = 0;
    value >> number;
    const int whole = static_cast<int>(number);
    if (std::string(" width right fill sign fbs offset factor precision double degree max exclude ")
            .find(" " + key + " ") == std::string::npos) {
      throw std::invalid_argument("unknown field setting " + word);
    }
    if (key == "fill") f->SetFill(text[0]);
    if (key == "exclude") f->SetExcludeLiteralHex(text);
    if (key == "width") f->SetWidth(whole);
    if (key == "right") f->SetAlign(true);
    if (key == "sign") f->SetSign(true);
    if (key == "fbs") f->SetFillBeforeSign(true);
    if (key == "offset") f->SetOffset(number);
    if (key == "factor") f->SetFactor(number);
    if (key == "precision") f->SetPrecision(whole);
    if (key == "double") f->SetType(FormatParser::kTypeDouble);
    if (key == "degree") f->SetType(FormatParser::kTypeDegree);
    if (key == "max") f->SetMaxWidth(whole);
  }
  return f;
}
std::unique_ptr<ElementParser> MakeField(const std::string& settings) {
  return Configure(std::make_unique<ElementParser>("V", "", 0), settings);
}

// Reads `input` through a field made from `settings` with `budget` bytes (all when
// -1); returns "ok" or "fail", the end position, the stored value and "|messages".
std::string ReadField(const std::string& settings, const std::string& input, long budget = -1) {
  Harness h;
  auto field = MakeField(settings);
  h.param.file.OpenBuffer(input);
  const bool ok = field->Read(h.param, budget < 0 ? input.size() : budget);
  XmlNode v = h.data.FirstChildElement("V");
  return (ok ? "ok " : "fail ") + std::to_string(h.Position()) + " " +
         (v ? v.FirstChild().Value().value_or("") : "") + "|" + h.callBack.Joined();
}

// Writes `value` through a field made from `settings`; returns the bytes, or
// "<fail>" and the messages; checks that dataFits tells the same.
std::string WriteField(const std::string& settings, const std::string& value) {
  Harness h;
  auto field = MakeField(settings);
  const std::string written = h.WriteRun(*field, "<data><V>" + value + "</V></data>");
  EXPECT_EQ(h.param.dataFits, written.back() == '|');
  return written;
}

TEST(FormatParserRead, Table) {
  const std::string digits = "0123456789abcdefghij0123456789abcdefghij0123456789";
  const std::string eof = "|4:FormatParser: Unexpected end of file";
  const std::string mismatch = "|4:FormatParser: Type of element mismatch";
  // settings, input, budget, result
  const std::tuple<const char*, std::string, long, std::string> cases[] = {
      {"width=5", "AB   X", -1, "ok 5 AB|"},
      {"width=4", "    X", -1, "ok 4 |"},  // padding only: an empty value
      {"width=4 fill=0", "0000", -1, "ok 4 |"},
      {"width=6 right fill=0", "-00012", -1, "ok 6 -12|"},
      {"width=6 right fill=0", "000000", -1, "ok 6 0|"},
      {"width=6 right fill=0", "+00000", -1, "ok 6 +0|"},
      {"width=4 right", "  ab", -1, "ok 4 ab|"},
      {"width=5 fill=0", "12000", -1, "ok 5 12|"},
      {"width=8 right sign", "+   12.5", -1, "ok 8 12.5|"},
      {"width=8 right sign", "-   12.5", -1, "ok 8 -12.5|"},
      {"factor=1000 double", "12345", -1, "ok 5 12.345|"},
      {"factor=0.001", "5", -1, "ok 1 5000.000000|"},  // log10(0.001) + 0.5 truncates to -2
      {"offset=100 precision=2", "105.00", -1, "ok 6 5.00|"},
      {"", "", -1, "fail 0 |"},
      {"", digits, 7, "ok 7 0123456|"},
      {"max=10", digits, 50, "ok 10 0123456789|"},
      {"width=3", digits, 50, "ok 3 012|"},
      {"width=8", digits, 7, "fail 0 |"},  // wider than the budget: no message
      {"", digits, 0, "fail 0 |"},
      {"width=6", "AB", 6, "fail 0 " + eof},
      {"width=6", "AB\r\nCD", 6, "fail 0 |6:FormatParser: Unexpected end of line"},
      {"width=3 sign", "   ", 3, "fail 0 " + eof},
      {"double", "12-", 3, "fail 0 " + mismatch},
      {"degree", "10.6000", 7, "fail 0 " + mismatch},
      {"precision=2", "105.0", 5, "ok 5 105.0|3:Precision of date is incorrect"},
  };
  for (const auto& [settings, input, budget, result] : cases) {
    SCOPED_TRACE(input);
    EXPECT_EQ(ReadField(settings, input, budget), result);
  }
}

// A field whose document side refuses the value.
class RefusingField : public FormatParser {
 public:
  bool StoreValue(TParserParam&) override { return false; }
  bool FetchValue(TParserParam&) override { return false; }
  void DumpTo(std::string& out) const override { out += "refusing"; }
  TNodeKind Kind() const override { return TNodeKind::kElement; }
};

TEST(FormatParserRead, RefusedValueRestoresPosition) {
  RefusingField field;
  EXPECT_EQ(Harness().ReadRun(field, "abc"), "fail 0 |4:FormatParser: Unexpected end of file");
  EXPECT_EQ(Harness().Exported(field), "<fail>");
}

TEST(FormatParserWrite, PadsSignsAndConverts) {
  // settings, value, written
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"width=8 right sign", "12.5", "+   12.5|"},
      {"width=8 right sign fbs", "12.5", "   +12.5|"},
      {"width=8 right fill=0 sign", "12.5", "+00012.5|"},
      {"width=8 right fill=0 sign fbs", "12.5", "000+12.5|"},
      {"width=8 right fill=0 sign", "-1", "-0000001|"},
      {"width=4 sign", "1234", "1234|"},
      {"factor=1000", "12.345", "12345.000|"},
      {"offset=100 precision=2", "5", "105.00|"},
      {"exclude=.", "12.34", "1234|"},
      {"exclude=ab", "aabbx", "x|"},  // a deletion that forms a new occurrence is struck too
      {"width=5", "ab", "ab   |"},
      {"width=5 right fill=*", "ab", "***ab|"},
      {"width=6 right fill=0 fbs", "-12", "000-12|"},
      {"width=3", "1234", "<fail>|4:Data does not fit in element"},
  };
  for (const auto& [settings, value, written] : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(WriteField(settings, value), written);
  }
}

TEST(FormatParserCheck, Numbers) {
  // text, minusAllowed, number
  const std::tuple<const char*, bool, bool> cases[] = {
      {"1.5E-3", true, true},
      {" -12", true, true},
      {"1 000,5", true, true},
      {"+7", true, true},
      {"1e+5", false, true},
      {"\t3", true, true},
      {"-1", false, false},
      {"1.2.3", true, false},
      {"12-", true, false},
      {"--1", true, false},
      {"abc", true, false},
      {"", true, false},
      {"   ", true, false},
      {"1E5E3", true, false},
      {"1E5.3", true, false},
      {"+-1", true, false},
      {".", true, false},
      {"1,5.0", true, false},
      // The usual forms: sign, digits, at most one point.
      {"63942.680", true, true},
      {"-0.5", true, true},
      {".5", false, true},
      {"5.", false, true},
      {"+", true, false},
      {"-", true, false},
      {"-.", true, false},
      {"1.2.", true, false},
      {"+1.5", false, true},
  };
  for (const auto& [text, minusAllowed, number] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(FormatParser::IsNumber(text, minusAllowed), number);
  }
}

TEST(FormatParserCheck, Angles) {
  // text, angle, value
  const std::tuple<const char*, bool, double> cases[] = {
      {"123.4530", true, 123 + 45 / 60.0 + 30 / 3600.0},
      {"123 45 30.5", true, 123 + 45 / 60.0 + 30.5 / 3600.0},
      {"123.453012", true, 123 + 45 / 60.0 + 30.12 / 3600.0},
      {"-0.3000", true, -0.5},
      {"359.5959", true, 359 + 59 / 60.0 + 59 / 3600.0},
      {"N12", true, 12},
      {"12d30m", true, 12},  // a letter ends the reading
      {"10.6000", false, -999},
      {"10.0060", false, -999},
      {"", false, -999},
      {"abc", false, -999},
  };
  for (const auto& [text, angle, expected] : cases) {
    SCOPED_TRACE(text);
    double value = -999;
    EXPECT_EQ(FormatParser::IsAngle(text, &value), angle);
    if (angle) {
      EXPECT_NEAR(value, expected, 1e-9);
    }
  }
}

// Numbers in files never follow the process locale.
TEST(FormatParserLocale, GermanNumericLocaleChangesNothing) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (make test generates it)";
  }
  const std::string stored = ReadField("factor=1000 double", "12345");
  const std::string written = WriteField("offset=100 precision=2", "5.5");
  const double parsed = CAtof("1.25");
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(stored, "ok 5 12.345|");
  EXPECT_EQ(written, "105.50|");
  EXPECT_EQ(parsed, 1.25);
}

TEST(FieldNodeWrite, ValueDefaultMissingAndCount) {
  const std::string notFound = "<fail>|3:Element with ID='Name' not found";
  auto element = [](const char* id, const char* defaultText) {
    return std::make_unique<ElementParser>(id, defaultText, 0);
  };
  auto count = [](const char* id, const char* settings) {
    return Configure(std::make_unique<CountParser>(id), settings);
  };
  const char* points =
      "<data><Point/><Point/><Group><Point/></Group><Group><Point/><Line/></Group><Point/></data>";
  const char* sub = "<data><Name><Sub>x</Sub></Name></data>";
  // tree, document, written
  const std::tuple<ParserPtr, const char*, std::string> cases[] = {
      {element("Name", ""), "<data><Name>A</Name><Name>B</Name></data>", "A|"},
      {element("Name", "0.000"), "<data><Other>A</Other></data>", "0.000|"},
      {element("Name", ""), "<data><Other>A</Other></data>", notFound},
      {element("Name", "dflt"), sub, "dflt|"},
      {element("Name", ""), sub, notFound},
      {element("Name", ""), "<data><Name><!--note--></Name></data>", "note|"},  // a comment's value
      {element("", "default"), "<data><A>1</A></data>", "<fail>|"},  // an empty id fails silently
      // An id that is a path selects the first node that "./" + id selects.
      {element("Pos/N", ""), "<data><N>1</N><Pos><E>4</E><N>5</N></Pos></data>", "5|"},
      {element("V[2]", ""), "<data><V>1</V><W>0</W><V>2</V><V>3</V></data>", "2|"},
      {element("Pos/N[2]", ""), "<data><Pos><N>5</N></Pos><Pos><N>6</N><N>7</N></Pos></data>",
       "7|"},
      {element("V[4]", ""), "<data><V>1</V></data>", "<fail>|3:Element with ID='V[4]' not found"},
      {element("Pos/N", "dflt"), "<data><N>1</N></data>", "dflt|"},
      {element("V[", ""), "<data><V>1</V></data>", "<fail>|3:Element with ID='V[' not found"},
      {element("Pos/@N", ""), "<data><Pos N=\"1\"/></data>",
       "<fail>|3:Element with ID='Pos/@N' not found"},
      {count("Point", "width=5 right fill=0"), points, "00003|"},
      {count("Missing", "width=3 right fill=0"), points, "000|"},
      {count("Group/Point", ""), points, "2|"},
      {count("Point", ""), points, "3|"},
      {count("Group", "width=6 right fill=0 precision=2"), points, "002.00|"},
      {count("Group", "width=6 precision=2 sign"), points, "+2.00 |"},
  };
  for (const auto& [tree, document, written] : cases) {
    SCOPED_TRACE(written);
    EXPECT_EQ(Harness().WriteRun(*tree, document), written);
  }
}

TEST(ElementParserWrite, NoCurrentNodeOrEmptyElementRaises) {
  Harness h;
  h.param.currentNode = XmlNode();
  ElementParser field("Name", "", 0);
  EXPECT_THROW(h.Exported(field), XmlError);
  EXPECT_THROW(h.ReadRun(field, "x"), XmlError);
  try {
    Harness().WriteRun(field, "<data><Name></Name></data>");
    FAIL() << "no error raised";
  } catch (const XmlError& e) {
    EXPECT_EQ(e.Code(), kXmlErrorPointer);
  }
}

TEST(CountParserRead, ChecksAndDropsValue) {
  auto count = Configure(std::make_unique<CountParser>("P"), "width=2 double");
  EXPECT_EQ(Harness().ReadRun(*count, "12"), "ok 2 |");
  EXPECT_EQ(Harness().ReadRun(*count, "x2"), "fail 0 |4:FormatParser: Type of element mismatch");
}

}  // namespace
}  // namespace compoundparser::testing
