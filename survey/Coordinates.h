// Coordinates from the observations of a survey: each station setup gets its
// coordinates and orientation, and each shot with a distance its point by the
// polar reduction. The points that the file holds as coordinates are kept
// beside the computed ones, in file order.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/Xml.h"
#include "survey/Survey.h"

namespace compoundparser {
namespace survey {

struct SurveyPoint {
  std::string name;
  std::string code;
  // Metres, with the unit and decimals the file wrote them in (kUnknown for
  // computed values).
  Measure northing, easting;
  std::optional<Measure> height;
  bool computed = false;  // from a shot; otherwise the file's own coordinates
  std::string station;    // computed: the station it was measured from
  size_t record = 0;      // the record it came from (for a shot: its measurement)
};

// Where a setup stood and how its circle was turned, as the computation
// resolved them.
struct SetupFrame {
  double northing = 0;
  double easting = 0;
  std::optional<double> height;
  bool placed = false;                // the coordinates came from the file
  double orientation = 0;             // azimuth = circle reading + orientation
  bool oriented = false;              // from a backsight; otherwise the circle as read
  std::optional<double> backBearing;  // the bearing to the backsight
};

struct PointsResult {
  std::vector<SurveyPoint> points;
  Unit unit = Unit::kMeters;  // the file's linear unit: the unit the points are written in
  int decimals = 3;           // decimals of computed values
  size_t computed = 0;        // points computed from shots
  size_t shots = 0;           // shots read
  size_t stations = 0;        // setups that shots were measured from
  size_t fromFile = 0;        // points the file holds as coordinates
  // Shots that gave no point: no distance (angles only), no zenith angle for
  // a slope distance, no horizontal direction.
  size_t withoutDistance = 0;
  size_t withoutZenith = 0;
  size_t withoutDirection = 0;
  // Shots of points whose coordinates the file holds: the file's kept.
  size_t keptFromFile = 0;
  std::vector<std::string> warnings;
  // The frame of each setup that shots were measured from, by the index of
  // its entry in the survey (kNoSetup: shots before any station record).
  std::unordered_map<size_t, SetupFrame> frames;
  static constexpr size_t kNoSetup = static_cast<size_t>(-1);
};

// Computes the points of `survey`. A station's coordinates come from its own
// records, else from a point given or computed earlier in the file, else they
// are 0,0,0 (with a warning naming the station). The orientation is the
// backsight bearing given by the file, else the bearing to a known backsight
// point, less the circle reading on the backsight (that of the setup's first
// backsight shot, else the setting the file gives); without a bearing the
// circle readings are taken as azimuths. Heights: station height + instrument height + height
// difference - target height.
PointsResult ComputePoints(const Survey& survey);

// Replaces the records of the document whose `data` element is given by a
// Units group (LinearUnit: the result's unit) and one Point group per point,
// directly below `data` (PointNumber, Northing, Easting,
// OrthoHeight, Code or EmptyCode, and for computed points FromStation and
// FromRecord), in
// the result's unit. `info` stays; everything else goes.
void WritePoints(const PointsResult& result, const XmlNode& data);

// Returns the one line that says what ComputePoints did: "computed 83 points
// from 84 observations at 1 station; 1 point as the file gives its
// coordinates".
std::string PointsSummary(const PointsResult& result);

// Returns the text of a point's coordinate as WritePoints writes it.
std::string PointValue(const PointsResult& result, const Measure& value);

}  // namespace survey
}  // namespace compoundparser
