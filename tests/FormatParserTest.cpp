// Field formatting in both directions: widths and budgets, padding, sign,
// factor/offset/precision, type checks, struck bytes, and every failure row.
#include <gtest/gtest.h>

#include <clocale>

#include "engine/NumberText.h"
#include "host/HostError.h"
#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

struct Spec {
  int width = 0;
  bool right = false;
  char fill = ' ';
  bool sign = false;
  bool fillBeforeSign = false;
  double offset = 0;
  double factor = 0;
  int precision = -1;
  char type = FormatParser::kTypeNone;
  int maxWidth = 0;
  std::string exclude;
};

std::unique_ptr<ElementParser> MakeField(const Spec& s, const std::string& id = "V") {
  auto field = std::make_unique<ElementParser>(id, "", 0);
  field->SetWidth(s.width);
  field->SetAlign(s.right);
  field->SetFill(s.fill);
  field->SetSign(s.sign);
  field->SetFillBeforeSign(s.fillBeforeSign);
  field->SetOffset(s.offset);
  field->SetFactor(s.factor);
  field->SetPrecision(s.precision);
  field->SetType(s.type);
  field->SetMaxWidth(s.maxWidth);
  field->SetExcludeLiteralHex(s.exclude);
  return field;
}

Spec Width(int w) { Spec s; s.width = w; return s; }
Spec RightFill(int w, char fill) { Spec s; s.width = w; s.right = true; s.fill = fill; return s; }

// Imports `input` through one field; returns the stored text or "<fail>".
std::string ReadField(const Spec& s, const std::string& input, Harness& h) {
  auto field = MakeField(s);
  if (!h.Import(*field, input)) return "<fail>";
  XmlNode v = h.data.FirstChildElement("V");
  return v ? v.FirstChild().Value().value_or("") : "<none>";
}

std::string WriteField(const Spec& s, const std::string& value, Harness& h) {
  h.SetDocument("<data><V>" + value + "</V></data>");
  auto field = MakeField(s);
  return h.Exported(*field);
}

TEST(FormatParserRead, StripsPaddingAndConverts) {
  Spec signed8 = RightFill(8, ' ');
  signed8.sign = true;
  Spec factor1000;
  factor1000.factor = 1000;
  factor1000.type = FormatParser::kTypeDouble;
  Spec factorMilli;
  factorMilli.factor = 0.001;
  Spec offsetPrec;
  offsetPrec.offset = 100;
  offsetPrec.precision = 2;
  Spec leftZero = Width(5);
  leftZero.fill = '0';
  struct Case {
    Spec spec;
    const char* input;
    const char* stored;
  };
  const Case cases[] = {
      {Width(5), "AB   X", "AB"},
      {RightFill(6, '0'), "-00012", "-12"},
      {RightFill(6, '0'), "000000", "0"},
      {RightFill(6, '0'), "+00000", "+0"},
      {RightFill(4, ' '), "  ab", "ab"},
      {leftZero, "12000", "12"},
      {signed8, "+   12.5", "12.5"},
      {signed8, "-   12.5", "-12.5"},
      {factor1000, "12345", "12.345"},
      {factorMilli, "5", "5000.000000"},  // log10(0.001) + 0.5 truncates to -2: six decimals
      {offsetPrec, "105.00", "5.00"},
      {Spec(), "", "<fail>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    Harness h;
    EXPECT_EQ(ReadField(c.spec, c.input, h), c.stored);
  }
}

TEST(FormatParserRead, BudgetAndWidth) {
  struct Case {
    Spec spec;
    uint32_t budget;
    const char* stored;
    uint32_t end;
  };
  Spec max10;
  max10.maxWidth = 10;
  const Case cases[] = {
      {Spec(), 7, "0123456", 7},
      {max10, 50, "0123456789", 10},
      {Width(3), 50, "012", 3},
      {Width(8), 7, "<fail>", 0},  // wider than the budget: no message
      {Spec(), 0, "<fail>", 0},
  };
  const std::string input = "0123456789abcdefghij0123456789abcdefghij0123456789";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.budget);
    Harness h;
    auto field = MakeField(c.spec);
    h.param.file.OpenBuffer(input);
    const bool ok = field->Read(h.param, c.budget);
    XmlNode v = h.data.FirstChildElement("V");
    EXPECT_EQ(ok ? v.FirstChild().Value().value_or("") : "<fail>", c.stored);
    EXPECT_EQ(h.Position(), c.end);
    EXPECT_TRUE(h.callBack.messages.empty());
  }
}

TEST(FormatParserRead, FailureTable) {
  Spec signedField = Width(3);
  signedField.sign = true;
  Spec doubleField;
  doubleField.type = FormatParser::kTypeDouble;
  Spec degreeField;
  degreeField.type = FormatParser::kTypeDegree;
  Spec precise;
  precise.precision = 2;
  struct Case {
    Spec spec;
    const char* input;
    unsigned long budget;
    bool ok;
    const char* messages;
  };
  const Case cases[] = {
      {Width(6), "AB", 6, false, "4:FormatParser: Unexpected end of file"},
      {Width(6), "AB\r\nCD", 6, false, "6:FormatParser: Unexpected end of line"},
      {signedField, "   ", 3, false, "4:FormatParser: Unexpected end of file"},
      {doubleField, "12-", 3, false, "4:FormatParser: Type of element mismatch"},
      {degreeField, "10.6000", 7, false, "4:FormatParser: Type of element mismatch"},
      {precise, "105.0", 5, true, "3:Precision of date is incorrect"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    Harness h;
    auto field = MakeField(c.spec);
    h.param.file.OpenBuffer(c.input);
    EXPECT_EQ(field->Read(h.param, c.budget), c.ok);
    EXPECT_EQ(h.callBack.Joined(), c.messages);
    EXPECT_EQ(h.Position(), c.ok ? c.budget : 0u);
    EXPECT_EQ(h.Content().empty(), !c.ok);
  }
}

// A field whose document side refuses the value.
class RefusingField : public FormatParser {
 public:
  bool StoreValue(TParserParam&) override { return false; }
  bool FetchValue(TParserParam&) override { return false; }
  void DumpTo(std::string& out) const override { out += "refusing"; }
};

TEST(FormatParserRead, RefusedValueRestoresPosition) {
  Harness h;
  RefusingField field;
  EXPECT_FALSE(h.Import(field, "abc"));
  EXPECT_EQ(h.Position(), 0u);
  EXPECT_EQ(h.callBack.Joined(), "4:FormatParser: Unexpected end of file");
  EXPECT_EQ(h.Exported(field), "<fail>");
}

TEST(FormatParserWrite, PadsSignsAndConverts) {
  auto signedSpec = [](char fill, bool before) {
    Spec s = RightFill(8, fill);
    s.sign = true;
    s.fillBeforeSign = before;
    return s;
  };
  Spec noRoom = Width(4);
  noRoom.sign = true;
  Spec factor1000;
  factor1000.factor = 1000;
  Spec offsetPrec;
  offsetPrec.offset = 100;
  offsetPrec.precision = 2;
  Spec exclude;
  exclude.exclude = ".";
  Spec excludeAb;
  excludeAb.exclude = "ab";
  Spec negativeFbs = RightFill(6, '0');
  negativeFbs.fillBeforeSign = true;
  struct Case {
    Spec spec;
    const char* value;
    const char* written;
  };
  const Case cases[] = {
      {signedSpec(' ', false), "12.5", "+   12.5"},
      {signedSpec(' ', true), "12.5", "   +12.5"},
      {signedSpec('0', false), "12.5", "+00012.5"},
      {signedSpec('0', true), "12.5", "000+12.5"},
      {signedSpec('0', false), "-1", "-0000001"},
      {noRoom, "1234", "1234"},
      {factor1000, "12.345", "12345.000"},
      {offsetPrec, "5", "105.00"},
      {exclude, "12.34", "1234"},
      {excludeAb, "aabbx", "x"},  // a deletion that forms a new occurrence is struck too
      {Width(5), "ab", "ab   "},
      {RightFill(5, '*'), "ab", "***ab"},
      {negativeFbs, "-12", "000-12"},
      {Width(3), "1234", "<fail>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    Harness h;
    EXPECT_EQ(WriteField(c.spec, c.value, h), c.written);
    const bool fits = std::string(c.written) != "<fail>";
    EXPECT_EQ(h.param.dataFits, fits);
    EXPECT_EQ(h.callBack.Joined(), fits ? "" : "4:Data does not fit in element");
  }
}

TEST(ElementParserWrite, EmptyElementRaisesMissingObject) {
  Harness h;
  try {
    WriteField(Spec(), "", h);
    FAIL() << "no error raised";
  } catch (const XmlError& e) {
    EXPECT_EQ(e.Code(), kXmlErrorPointer);
  }
}

TEST(FormatParserCheck, Numbers) {
  struct Case {
    const char* text;
    bool minusAllowed;
    bool number;
  };
  const Case cases[] = {
      {"1.5E-3", true, true}, {" -12", true, true},  {"1 000,5", true, true},
      {"+7", true, true},     {"1e+5", false, true}, {"\t3", true, true},
      {"-1", false, false},   {"1.2.3", true, false}, {"12-", true, false},
      {"--1", true, false},   {"abc", true, false},  {"", true, false},
      {"   ", true, false},   {"1E5E3", true, false}, {"1E5.3", true, false},
      {"+-1", true, false},   {".", true, false},    {"1,5.0", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatParser::IsNumber(c.text, c.minusAllowed), c.number);
  }
}

TEST(FormatParserCheck, Angles) {
  struct Case {
    const char* text;
    bool angle;
    double value;
  };
  const Case cases[] = {
      {"123.4530", true, 123 + 45 / 60.0 + 30 / 3600.0},
      {"123 45 30.5", true, 123 + 45 / 60.0 + 30.5 / 3600.0},
      {"123.453012", true, 123 + 45 / 60.0 + 30.12 / 3600.0},
      {"-0.3000", true, -0.5},
      {"359.5959", true, 359 + 59 / 60.0 + 59 / 3600.0},
      {"N12", true, 12},
      {"12d30m", true, 12},  // a letter ends the reading
      {"10.6000", false, 0},
      {"10.0060", false, 0},
      {"", false, 0},
      {"abc", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double value = -999;
    EXPECT_EQ(FormatParser::IsAngle(c.text, &value), c.angle);
    if (c.angle) {
      EXPECT_NEAR(value, c.value, 1e-9);
    }
  }
}

// Numbers in files never follow the process locale.
TEST(FormatParserLocale, GermanNumericLocaleChangesNothing) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (make test generates it)";
  }
  Spec factor1000;
  factor1000.factor = 1000;
  factor1000.type = FormatParser::kTypeDouble;
  Spec offsetPrec;
  offsetPrec.offset = 100;
  offsetPrec.precision = 2;
  Harness reader;
  const std::string stored = ReadField(factor1000, "12345", reader);
  Harness writer;
  const std::string written = WriteField(offsetPrec, "5.5", writer);
  const double parsed = CAtof("1.25");
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(stored, "12.345");
  EXPECT_EQ(written, "105.50");
  EXPECT_EQ(parsed, 1.25);
}

}  // namespace
}  // namespace compoundparser::testing
