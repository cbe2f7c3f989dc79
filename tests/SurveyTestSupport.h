// Small instrument data documents written as text for the survey tests, and
// the points they give, written as text to compare with a table.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/Xml.h"
#include "survey/Coordinates.h"
#include "survey/Survey.h"

namespace compoundparser::testing {

// Splits `text` at every `separator`.
inline std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (true) {
    const size_t end = text.find(separator, at);
    parts.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) return parts;
    at = end + 1;
  }
}

// Returns a document of records written "Group:Name=value,Name=value" and
// separated by ';'; "*Group:..." marks the record deleted, a group named
// "data.Point" stands right below data (as point lists have it).
inline XmlDocument RecordsDocument(const std::string& records) {
  std::string xml = "<data><info/>";
  for (const std::string& record : SplitAt(records, ';')) {
    if (record.empty()) continue;
    const size_t colon = record.find(':');
    std::string group = record.substr(0, colon);
    const bool deleted = !group.empty() && group[0] == '*';
    if (deleted) group.erase(0, 1);
    const bool bare = group.compare(0, 5, "data.") == 0;
    if (bare) group.erase(0, 5);
    std::string body;
    if (colon != std::string::npos) {
      for (const std::string& field : SplitAt(record.substr(colon + 1), ',')) {
        const size_t equals = field.find('=');
        const std::string name = field.substr(0, equals);
        body += "<" + name + ">" + field.substr(equals + 1) + "</" + name + ">";
      }
    }
    const std::string element = "<" + group + ">" + body + "</" + group + ">";
    xml += bare ? element
                : "<Record>" + std::string(deleted ? "<Deleted>true</Deleted>" : "") + element +
                      "</Record>";
  }
  xml += "</data>";
  XmlDocument document = XmlDocument::Create();
  EXPECT_TRUE(document.LoadBuffer(xml.data(), xml.size())) << xml;
  return document;
}

// Returns the points as "name=N,E,H" joined by ';', each value in metres (H
// empty when the point has none).
inline std::vector<std::string> PointTexts(const survey::PointsResult& result) {
  std::vector<std::string> texts;
  for (const survey::SurveyPoint& point : result.points) {
    std::string text = point.name + "=" + survey::PointValue(result, point.northing) + "," +
                       survey::PointValue(result, point.easting) + ",";
    if (point.height) text += survey::PointValue(result, *point.height);
    texts.push_back(text);
  }
  return texts;
}

// Checks computed points against "name=N,E,H;..." to `tolerance` (in the
// result's unit); H may be empty for a point without height.
inline void ExpectPoints(const survey::PointsResult& result, const std::string& expected,
                         double tolerance) {
  const std::vector<std::string> wanted = SplitAt(expected, ';');
  const std::vector<std::string> got = PointTexts(result);
  ASSERT_EQ(got.size(), wanted.size()) << ::testing::PrintToString(got);
  for (size_t i = 0; i < wanted.size(); ++i) {
    SCOPED_TRACE(wanted[i] + " / " + got[i]);
    const size_t equals = wanted[i].find('=');
    EXPECT_EQ(got[i].substr(0, got[i].find('=')), wanted[i].substr(0, equals));
    const std::vector<std::string> want = SplitAt(wanted[i].substr(equals + 1), ',');
    const std::vector<std::string> have = SplitAt(got[i].substr(got[i].find('=') + 1), ',');
    ASSERT_EQ(want.size(), 3u);
    ASSERT_EQ(have.size(), 3u);
    for (size_t v = 0; v < 3; ++v) {
      if (want[v].empty() || have[v].empty()) {
        EXPECT_EQ(have[v], want[v]);
      } else {
        EXPECT_NEAR(std::atof(have[v].c_str()), std::atof(want[v].c_str()), tolerance);
      }
    }
  }
}

}  // namespace compoundparser::testing
