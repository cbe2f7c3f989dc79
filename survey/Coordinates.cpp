#include "survey/Coordinates.h"

#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace compoundparser {
namespace survey {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);
constexpr double kPi = 3.14159265358979323846;

struct Position {
  double northing = 0;
  double easting = 0;
  std::optional<double> height;
};

Measure Computed(double value) {
  Measure measure;
  measure.value = value;
  return measure;
}

// A station in use: where it stands and how its circle is turned.
struct Standpoint {
  std::string name;
  Position position;
  bool placed = false;
  double instrumentHeight = 0;
  double orientation = 0;  // azimuth = circle reading + orientation
  bool oriented = false;
  std::optional<double> backBearing;  // bearing to the backsight, for deflections
};

class Computation {
 public:
  Computation(const Survey& survey, PointsResult& result) : survey_(survey), result_(result) {}

  void Run() {
    result_.unit = survey_.linearUnit != Unit::kUnknown ? survey_.linearUnit : Unit::kMeters;
    CollectFileNames();
    FindBacksightReadings();
    for (size_t i = 0; i < survey_.entries.size(); ++i) {
      const Entry& entry = survey_.entries[i];
      switch (entry.kind) {
        case EntryKind::kPoint:
          AddFilePoint(entry);
          break;
        case EntryKind::kSetup:
          // Resolved at its first shot, when the points before it are known.
          break;
        case EntryKind::kShot:
          AddShot(entry);
          break;
        default:
          break;
      }
    }
    result_.stations = usedSetups_.size();
    for (const auto& [key, standpoint] : standpoints_) {
      SetupFrame frame;
      frame.northing = standpoint.position.northing;
      frame.easting = standpoint.position.easting;
      frame.height = standpoint.position.height;
      frame.placed = standpoint.placed;
      frame.orientation = standpoint.orientation;
      frame.oriented = standpoint.oriented;
      frame.backBearing = standpoint.backBearing;
      result_.frames.emplace(key, frame);
    }
    int decimals = 3;
    for (const Entry& entry : survey_.entries) {
      if (entry.kind != EntryKind::kShot) continue;
      for (const std::optional<Measure>* value :
           {&entry.shot.slopeDistance, &entry.shot.horizontalDistance}) {
        if (*value && (*value)->unit == result_.unit && (*value)->decimals > decimals) {
          decimals = (*value)->decimals;
        }
      }
    }
    result_.decimals = decimals > 4 ? 4 : decimals;
  }

 private:
  static bool HasPlace(const std::optional<Measure>& northing,
                       const std::optional<Measure>& easting) {
    return northing.has_value() && easting.has_value();
  }

  // Names of the points whose coordinates the file holds: their computed
  // twins are not written.
  void CollectFileNames() {
    for (const Entry& entry : survey_.entries) {
      if (entry.kind == EntryKind::kPoint && !entry.point.design &&
          HasPlace(entry.point.northing, entry.point.easting)) {
        fileNames_.insert(entry.point.name);
      }
      if (entry.kind == EntryKind::kShot && HasPlace(entry.shot.northing, entry.shot.easting)) {
        fileNames_.insert(ShotName(entry));
      }
    }
  }

  // The circle reading of each setup's first backsight shot.
  void FindBacksightReadings() {
    for (const Entry& entry : survey_.entries) {
      if (entry.kind != EntryKind::kShot || !entry.shot.backsight ||
          entry.shot.direction != Direction::kCircle || !entry.shot.horizontal ||
          entry.setupEntry == kNone) {
        continue;
      }
      backsightReading_.emplace(entry.setupEntry, entry.shot.horizontal->value);
    }
  }

  std::string ShotName(const Entry& entry) const {
    if (!entry.shot.point.empty() || !entry.shot.backsight || entry.setupEntry == kNone) {
      return entry.shot.point;
    }
    return survey_.entries[entry.setupEntry].setup.backsightPoint;
  }

  void Remember(const std::string& name, const Position& position) {
    if (!name.empty()) known_[name] = position;
  }

  void AddFilePoint(const Entry& entry) {
    const KnownPoint& point = entry.point;
    if (point.design || !HasPlace(point.northing, point.easting)) return;
    SurveyPoint out;
    out.name = point.name;
    out.code = point.code;
    out.northing = *point.northing;
    out.easting = *point.easting;
    out.height = point.height;
    out.record = entry.record;
    Add(out);
    Position position{point.northing->value, point.easting->value, std::nullopt};
    if (point.height) position.height = point.height->value;
    Remember(point.name, position);
  }

  void Add(const SurveyPoint& point) {
    if (point.computed) {
      ++result_.computed;
    } else {
      ++result_.fromFile;
    }
    written_.insert(point.name);
    result_.points.push_back(point);
  }

  void Warn(const std::string& text) { result_.warnings.push_back(text); }

  static std::string StationLabel(const std::string& name, size_t setup, size_t record) {
    if (!name.empty()) return "station " + name;
    if (setup == kNone) {
      return "the observations before the first station record (from record " +
             std::to_string(record) + ")";
    }
    return "the station of record " + std::to_string(record) + " (no name)";
  }

  // Returns the standpoint of the setup in force for a shot.
  const Standpoint& StandpointFor(const Entry& shotEntry) {
    const size_t key = shotEntry.setupEntry;
    auto found = standpoints_.find(key);
    if (found != standpoints_.end()) return found->second;
    Standpoint standpoint;
    if (key == kNone) {
      // Shots before any station record (GSI jobs without one).
      standpoint.name = shotEntry.shot.station;
      const auto place = known_.find(standpoint.name);
      if (!standpoint.name.empty() && place != known_.end()) {
        standpoint.position = place->second;
        standpoint.placed = true;
      } else {
        standpoint.position.height = 0.0;
      }
      return standpoints_.emplace(key, standpoint).first->second;
    }
    const Entry& entry = survey_.entries[key];
    const Setup& setup = entry.setup;
    standpoint.name = setup.station;
    if (HasPlace(setup.northing, setup.easting)) {
      standpoint.placed = true;
      standpoint.position.northing = setup.northing->value;
      standpoint.position.easting = setup.easting->value;
      if (setup.height) standpoint.position.height = setup.height->value;
      if (!standpoint.name.empty() && fileNames_.count(standpoint.name) == 0 &&
          written_.count(standpoint.name) == 0) {
        // A station that the file places only in its station record.
        SurveyPoint out;
        out.name = standpoint.name;
        out.code = setup.code;
        out.northing = *setup.northing;
        out.easting = *setup.easting;
        out.height = setup.height;
        out.record = entry.record;
        Add(out);
      }
      Remember(standpoint.name, standpoint.position);
    } else {
      const auto place = known_.find(standpoint.name);
      if (!standpoint.name.empty() && place != known_.end()) {
        standpoint.position = place->second;
        standpoint.placed = true;
      } else {
        standpoint.position.height = 0.0;
      }
    }
    if (setup.instrumentHeight) standpoint.instrumentHeight = setup.instrumentHeight->value;
    Orient(key, setup, standpoint);
    return standpoints_.emplace(key, standpoint).first->second;
  }

  void Orient(size_t key, const Setup& setup, Standpoint& standpoint) {
    std::optional<double> bearing;
    if (setup.backsightBearing) {
      bearing = setup.backsightBearing->value + (setup.southAzimuths ? kPi : 0.0);
    } else if (!setup.backsightPoint.empty()) {
      const auto place = known_.find(setup.backsightPoint);
      if (place != known_.end()) {
        const double north = place->second.northing - standpoint.position.northing;
        const double east = place->second.easting - standpoint.position.easting;
        if (std::hypot(north, east) > 1e-9) bearing = std::atan2(east, north);
      }
    }
    if (!bearing) return;
    standpoint.backBearing = NormalizeAngle(*bearing);
    // The circle reading measured on the backsight says how the circle stood
    // during the shots better than the setting the station record gives (a
    // Ruide file sets 120.4716 and then reads 13.1726 on its backsight).
    std::optional<double> circle;
    const auto reading = backsightReading_.find(key);
    if (reading != backsightReading_.end()) {
      circle = reading->second;
    } else if (setup.backsightCircle) {
      circle = setup.backsightCircle->value;
    }
    // Without a circle reading on the backsight, the circle was set to the bearing.
    if (circle) standpoint.orientation = *bearing - *circle;
    standpoint.oriented = true;
  }

  void AddShot(const Entry& entry) {
    const Shot& shot = entry.shot;
    ++result_.shots;
    const std::string name = ShotName(entry);
    const Standpoint& from = StandpointFor(entry);
    if (HasPlace(shot.northing, shot.easting)) {
      // The record holds the target's coordinates itself: they win.
      SurveyPoint out;
      out.name = name;
      out.code = shot.code;
      out.northing = *shot.northing;
      out.easting = *shot.easting;
      out.height = shot.height;
      out.record = entry.record;
      Add(out);
      Position position{shot.northing->value, shot.easting->value, std::nullopt};
      if (shot.height) position.height = shot.height->value;
      Remember(name, position);
      ++result_.keptFromFile;
      return;
    }
    usedSetups_.insert(entry.setupEntry);
    std::optional<double> azimuth;
    if (shot.horizontal) {
      switch (shot.direction) {
        case Direction::kCircle:
          azimuth = shot.horizontal->value + from.orientation;
          break;
        case Direction::kAzimuth:
          azimuth = shot.horizontal->value;
          break;
        case Direction::kDeflection:
          if (from.backBearing) azimuth = *from.backBearing + kPi + shot.horizontal->value;
          break;
        case Direction::kNone:
          break;
      }
    }
    double horizontal = 0;
    std::optional<double> rise;
    if (shot.slopeDistance && shot.zenith) {
      horizontal = shot.slopeDistance->value * std::sin(shot.zenith->value);
      rise = shot.slopeDistance->value * std::cos(shot.zenith->value);
    } else if (shot.horizontalDistance) {
      horizontal = shot.horizontalDistance->value;
      if (shot.verticalDistance) {
        rise = shot.verticalDistance->value;
      } else if (shot.zenith && std::fabs(std::sin(shot.zenith->value)) > 1e-12) {
        rise = horizontal * std::cos(shot.zenith->value) / std::sin(shot.zenith->value);
      }
    } else if (shot.slopeDistance) {
      ++result_.withoutZenith;
      return;
    } else {
      ++result_.withoutDistance;
      return;
    }
    if (!azimuth) {
      ++result_.withoutDirection;
      return;
    }
    if (fileNames_.count(name) != 0) {
      ++result_.keptFromFile;
      return;
    }
    if (!from.placed && unplacedWarned_.insert(entry.setupEntry).second) {
      const size_t record =
          entry.setupEntry == kNone ? entry.record : survey_.entries[entry.setupEntry].record;
      Warn(StationLabel(from.name, entry.setupEntry, record) +
           ": no coordinates in the file; 0,0,0 used");
    }
    SurveyPoint out;
    out.name = name;
    out.code = shot.code;
    out.computed = true;
    out.station = from.name;
    out.record = entry.record;
    out.northing = Computed(from.position.northing + horizontal * std::cos(*azimuth));
    out.easting = Computed(from.position.easting + horizontal * std::sin(*azimuth));
    if (rise && from.position.height) {
      const double instrument =
          shot.instrumentHeight ? shot.instrumentHeight->value : from.instrumentHeight;
      const double prism = shot.prismHeight ? shot.prismHeight->value : 0.0;
      out.height = Computed(*from.position.height + instrument + *rise - prism);
    }
    Add(out);
    Position position{out.northing.value, out.easting.value, std::nullopt};
    if (out.height) position.height = out.height->value;
    Remember(name, position);
  }

  const Survey& survey_;
  PointsResult& result_;
  std::unordered_set<std::string> fileNames_;
  std::unordered_set<std::string> written_;
  std::unordered_map<std::string, Position> known_;
  std::unordered_map<size_t, double> backsightReading_;
  std::unordered_map<size_t, Standpoint> standpoints_;
  std::unordered_set<size_t> usedSetups_;
  std::unordered_set<size_t> unplacedWarned_;
};

void AppendValue(XmlNode& group, const char* name, const std::string& text) {
  XmlNode element = group.AppendElement(name);
  element.AppendText(text);
}

}  // namespace

PointsResult ComputePoints(const Survey& survey) {
  PointsResult result;
  Computation computation(survey, result);
  computation.Run();
  return result;
}

std::string PointsSummary(const PointsResult& result) {
  const auto counted = [](size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
  };
  std::string text = "computed " + counted(result.computed, "point", "points") + " from " +
                     counted(result.shots, "observation", "observations") + " at " +
                     counted(result.stations, "station", "stations");
  if (result.fromFile > 0) {
    text += "; " + counted(result.fromFile, "point as the file gives its coordinates",
                           "points as the file gives their coordinates");
  }
  return text;
}

std::string PointValue(const PointsResult& result, const Measure& value) {
  if (value.unit == result.unit) return FormatMeasure(value.value, value.unit, value.decimals);
  const int decimals = value.unit == Unit::kUnknown
                           ? result.decimals
                           : DecimalsFor(result.unit, value.unit, value.decimals);
  return FormatMeasure(value.value, result.unit, decimals);
}

void WritePoints(const PointsResult& result, const XmlNode& data) {
  XmlNode keep = data;
  for (XmlNode child = keep.FirstChild(); child;) {
    XmlNode next = child.NextSibling();
    if (!(child.Type() == kXmlElement && child.Name() == "info")) keep.RemoveChild(child);
    child = next;
  }
  // The unit of the points, for the formats that state it (LandXML).
  XmlNode units = keep.AppendElement("Units");
  AppendValue(units, "LinearUnit", UnitName(result.unit));
  for (const SurveyPoint& point : result.points) {
    XmlNode group = keep.AppendElement("Point");
    if (!point.name.empty()) AppendValue(group, "PointNumber", point.name);
    AppendValue(group, "Northing", PointValue(result, point.northing));
    AppendValue(group, "Easting", PointValue(result, point.easting));
    if (point.height) AppendValue(group, "OrthoHeight", PointValue(result, *point.height));
    // Every line of a point list gets the code's field, empty or not.
    if (point.code.empty()) {
      AppendValue(group, "EmptyCode", "true");
    } else {
      AppendValue(group, "Code", point.code);
    }
    if (point.computed) {
      AppendValue(group, "FromStation", point.station);
      AppendValue(group, "FromRecord", std::to_string(point.record));
    }
  }
}

}  // namespace survey
}  // namespace compoundparser
