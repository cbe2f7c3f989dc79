// Field formatting in both directions: widths and budgets, padding, sign,
// factor/offset/precision, type checks, struck bytes, and every failure row.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <locale>
#include <sstream>
#include <stdexcept>

#include "engine/NumberText.h"
#include "host/HostError.h"
#include "tests/EngineTestSupport.h"

namespace compoundparser::testing {
namespace {

// Returns a field "V" with the settings of `spec`, separated by blanks:
// width=N, right, fill=C, sign, fbs (fill before sign), offset=X, factor=X,
// precision=N, double, degree, max=N (MaxWidth), exclude=TEXT.
std::unique_ptr<ElementParser> MakeField(const std::string& spec) {
  auto field = std::make_unique<ElementParser>("V", "", 0);
  std::istringstream words(spec);
  for (std::string word; words >> word;) {
    const size_t equals = std::min(word.find('='), word.size());
    const std::string key = word.substr(0, equals);
    std::istringstream value(word.substr(std::min(equals + 1, word.size())));
    value.imbue(std::locale::classic());
    double number = 0;
    if (key == "fill" || key == "exclude") {
      key == "fill" ? field->SetFill(value.str()[0]) : field->SetExcludeLiteralHex(value.str());
      continue;
    }
    value >> number;
    const int whole = static_cast<int>(number);
    if (key == "width")
      field->SetWidth(whole);
    else if (key == "right")
      field->SetAlign(true);
    else if (key == "sign")
      field->SetSign(true);
    else if (key == "fbs")
      field->SetFillBeforeSign(true);
    else if (key == "offset")
      field->SetOffset(number);
    else if (key == "factor")
      field->SetFactor(number);
    else if (key == "precision")
      field->SetPrecision(whole);
    else if (key == "double")
      field->SetType(FormatParser::kTypeDouble);
    else if (key == "degree")
      field->SetType(FormatParser::kTypeDegree);
    else if (key == "max")
      field->SetMaxWidth(whole);
    else
      throw std::invalid_argument("unknown field setting " + word);
  }
  return field;
}

// Imports `input` through one field; returns the stored text or "<fail>".
std::string ReadField(const std::string& s, const std::string& input, Harness& h) {
  auto field = MakeField(s);
  if (!h.Import(*field, input)) return "<fail>";
  XmlNode v = h.data.FirstChildElement("V");
  return v ? v.FirstChild().Value().value_or("") : "<none>";
}

std::string WriteField(const std::string& s, const std::string& value, Harness& h) {
  h.SetDocument("<data><V>" + value + "</V></data>");
  auto field = MakeField(s);
  return h.Exported(*field);
}

TEST(FormatParserRead, StripsPaddingAndConverts) {
  const struct {
    const char* spec;
    const char* input;
    const char* stored;
  } cases[] = {
      {"width=5", "AB   X", "AB"},
      {"width=6 right fill=0", "-00012", "-12"},
      {"width=6 right fill=0", "000000", "0"},
      {"width=6 right fill=0", "+00000", "+0"},
      {"width=4 right", "  ab", "ab"},
      {"width=5 fill=0", "12000", "12"},
      {"width=8 right sign", "+   12.5", "12.5"},
      {"width=8 right sign", "-   12.5", "-12.5"},
      {"factor=1000 double", "12345", "12.345"},
      {"factor=0.001", "5", "5000.000000"},  // log10(0.001) + 0.5 truncates to -2: six decimals
      {"offset=100 precision=2", "105.00", "5.00"},
      {"", "", "<fail>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    Harness h;
    EXPECT_EQ(ReadField(c.spec, c.input, h), c.stored);
  }
}

TEST(FormatParserRead, BudgetAndWidth) {
  const struct {
    const char* spec;
    uint32_t budget;
    const char* stored;
    uint32_t end;
  } cases[] = {
      {"", 7, "0123456", 7},     {"max=10", 50, "0123456789", 10},
      {"width=3", 50, "012", 3}, {"width=8", 7, "<fail>", 0},  // wider than the budget: no message
      {"", 0, "<fail>", 0},
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
  const struct {
    const char* spec;
    const char* input;
    unsigned long budget;
    bool ok;
    const char* messages;
  } cases[] = {
      {"width=6", "AB", 6, false, "4:FormatParser: Unexpected end of file"},
      {"width=6", "AB\r\nCD", 6, false, "6:FormatParser: Unexpected end of line"},
      {"width=3 sign", "   ", 3, false, "4:FormatParser: Unexpected end of file"},
      {"double", "12-", 3, false, "4:FormatParser: Type of element mismatch"},
      {"degree", "10.6000", 7, false, "4:FormatParser: Type of element mismatch"},
      {"precision=2", "105.0", 5, true, "3:Precision of date is incorrect"},
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
  const struct {
    const char* spec;
    const char* value;
    const char* written;
  } cases[] = {
      {"width=8 right sign", "12.5", "+   12.5"},
      {"width=8 right sign fbs", "12.5", "   +12.5"},
      {"width=8 right fill=0 sign", "12.5", "+00012.5"},
      {"width=8 right fill=0 sign fbs", "12.5", "000+12.5"},
      {"width=8 right fill=0 sign", "-1", "-0000001"},
      {"width=4 sign", "1234", "1234"},
      {"factor=1000", "12.345", "12345.000"},
      {"offset=100 precision=2", "5", "105.00"},
      {"exclude=.", "12.34", "1234"},
      {"exclude=ab", "aabbx", "x"},  // a deletion that forms a new occurrence is struck too
      {"width=5", "ab", "ab   "},
      {"width=5 right fill=*", "ab", "***ab"},
      {"width=6 right fill=0 fbs", "-12", "000-12"},
      {"width=3", "1234", "<fail>"},
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
    WriteField("", "", h);
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
  Harness reader;
  const std::string stored = ReadField("factor=1000 double", "12345", reader);
  Harness writer;
  const std::string written = WriteField("offset=100 precision=2", "5.5", writer);
  const double parsed = CAtof("1.25");
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(stored, "12.345");
  EXPECT_EQ(written, "105.50");
  EXPECT_EQ(parsed, 1.25);
}

}  // namespace
}  // namespace compoundparser::testing
