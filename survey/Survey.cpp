#include "survey/Survey.h"

#include <cmath>
#include <cstring>

#include "data/RecordReader.h"

namespace compoundparser {
namespace survey {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);
constexpr double kHalfPi = 1.57079632679489661923;
constexpr double kPi = 3.14159265358979323846;

// The elements that a group of a record holds (for Record/Observation those
// of Observation, not the marks of Record), by name: its values, and each
// group below it as one element whose text is that of its values.
class Fields {
 public:
  Fields() = default;
  Fields(const TRecord& record, std::string_view group) {
    for (const TRecordValue& value : record.Values()) {
      const std::string_view path = value.path;
      if (path.size() <= group.size() || path.compare(0, group.size(), group) != 0 ||
          path[group.size()] != '/') {
        continue;
      }
      const std::string_view rest = path.substr(group.size() + 1);
      const size_t slash = rest.find('/');
      if (slash == std::string_view::npos) {
        items_.push_back({value.name, &value.value, {}, {}, false});
        continue;
      }
      const std::string_view step = rest.substr(0, slash);
      if (items_.empty() || items_.back().step != step) {
        items_.push_back({step.substr(0, step.find('[')), nullptr, {}, step, false});
      }
      items_.back().ownText += value.value;
    }
  }

  // Returns the text of `name` and marks it used; nullptr when absent.
  const std::string* Take(std::string_view name) {
    for (Item& item : items_) {
      if (item.name == name) {
        item.used = true;
        return item.Text();
      }
    }
    return nullptr;
  }
  std::string TakeText(std::string_view name) {
    const std::string* text = Take(name);
    return text != nullptr ? *text : std::string();
  }
  // Returns a point name without the blanks that fixed columns pad it with.
  std::string TakeName(std::string_view name) {
    std::string text = TakeText(name);
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
  }
  size_t CountSuffix(const char* suffix) const {
    size_t count = 0;
    for (const Item& item : items_) {
      if (EndsWith(item.name, suffix)) ++count;
    }
    return count;
  }
  bool Has(std::string_view name) const {
    for (const Item& item : items_) {
      if (item.name == name) return true;
    }
    return false;
  }
  // Returns the unused elements that carry data, for Entry::extras.
  std::vector<std::pair<std::string, std::string>> Extras() const {
    std::vector<std::pair<std::string, std::string>> extras;
    for (const Item& item : items_) {
      if (!item.used && !IsLayout(item.name)) extras.emplace_back(item.name, *item.Text());
    }
    return extras;
  }

 private:
  struct Item {
    std::string_view name;
    const std::string* text;  // a value's; nullptr for a group, whose text is ownText
    std::string ownText;
    std::string_view step;  // a group's step in the paths
    bool used;
    const std::string* Text() const { return text != nullptr ? text : &ownText; }
  };

  static bool EndsWith(std::string_view text, const char* suffix) {
    const size_t size = std::strlen(suffix);
    return text.size() > size && text.compare(text.size() - size, size, suffix) == 0;
  }
  static bool NumberedName(std::string_view text, const char* stem) {
    const size_t size = std::strlen(stem);
    if (text.size() <= size || text.compare(0, size, stem) != 0) return false;
    return text.find_first_not_of("0123456789", size) == std::string::npos;
  }
  // Elements that say how a record was written, not what it holds.
  static bool IsLayout(std::string_view name) {
    static const char* const kLayout[] = {"RecordType",
                                          "DerivationCode",
                                          "WordLength",
                                          "BlockNumber",
                                          "Trimmed",
                                          "TrailingBlanks",
                                          "EmptyCode",
                                          "EmptyTime",
                                          "EmptyNote",
                                          "UnitWord",
                                          "NoFinalBlank",
                                          "FinalBlanks",
                                          "AngularUnitCode",
                                          "Layout",
                                          "NoLineEnd",
                                          "Blanks",
                                          "Blank",
                                          "Deleted",
                                          "CoordinateOrder",
                                          "AngleDirection",
                                          "AzimuthDirection",
                                          "VerticalAngleOrigin"};
    for (const char* layout : kLayout) {
      if (name == layout) return true;
    }
    return EndsWith(name, "Info") || EndsWith(name, "Unit") || NumberedName(name, "Word") ||
           NumberedName(name, "Gap");
  }

  std::vector<Item> items_;
};

const char* const kMeasurements[] = {
    "HorizontalAngle", "AngleLeft",          "Azimuth",         "Bearing",
    "DeflectionRight", "DeflectionLeft",     "ZenithAngle",     "VerticalAngle",
    "SlopeDistance",   "HorizontalDistance", "VerticalDistance"};

bool HasMeasurement(const Fields& fields) {
  for (const char* name : kMeasurements) {
    if (fields.Has(name)) return true;
  }
  return false;
}

class Reader {
 public:
  Reader(Survey& survey, const ReadOptions& options)
      : survey_(survey), defaultAngular_(options.angularUnit), defaultLinear_(options.linearUnit) {}

  void Read(const XmlNode& data) {
    RecordReader records(data);
    TRecord record;
    while (records.Next(record)) {
      const std::string& group = record.Group();
      const std::string_view top = std::string_view(group).substr(0, group.find('/'));
      if (top == "Record") {
        ++record_;
        ReadRecord(record);
      } else if (top == "Point") {
        // Point lists hold their points right under data.
        ++record_;
        Fields fields(record, "Point");
        ReadGroup(record.Node(), "Point", fields);
      }
    }
    survey_.records = record_;
  }

 private:
  // A Record holds the group that says what it is, beside the marks of its
  // line (Deleted, Blank, Blanks, NoLineEnd).
  void ReadRecord(const TRecord& record) {
    if (record.HasValue("Record/Deleted")) {
      ++survey_.deleted;
      return;
    }
    const std::string& group = record.Group();
    if (group.size() > 6) {
      Fields fields(record, group);
      ReadGroup(record.Node(), group.substr(group.rfind('/') + 1), fields);
      return;
    }
    // A line that the format keeps whole (RecordText) reads as a record of
    // that name holding nothing; an empty Record holds nothing at all.
    for (const TRecordValue& value : record.Values()) {
      if (value.path == group) return;
      if (value.name == "Blank" || value.name == "Blanks" || value.name == "NoLineEnd") continue;
      if (value.path.size() == 7 + value.name.size()) {
        Fields none;
        ReadGroup(record.Node(), value.name, none);
        return;
      }
      Note("holds more than one group; passed over");
      return;
    }
  }

  void ReadGroup(const XmlNode& group, const std::string& name, Fields& fields) {
    survey_.wordInfos += fields.CountSuffix("Info");
    if (name == "Units") {
      ReadUnits(group, fields);
    } else if (name == "Station") {
      ReadStation(group, fields);
    } else if (name == "Backsight") {
      ReadBacksight(group, fields);
    } else if (name == "Observation") {
      ReadObservation(group, name, fields);
    } else if (name == "Point") {
      if (HasMeasurement(fields)) {
        ReadObservation(group, name, fields);
      } else {
        ReadPoint(group, fields);
      }
    } else if (name == "TargetHeight") {
      ReadHeights(group, fields);
    } else if (name == "GnssPoint") {
      Entry& entry = Add(EntryKind::kGnss, group, name);
      entry.gnss.name = fields.TakeName("PointNumber");
      entry.gnss.code = TakeCode(fields);
      entry.gnss.latitude = Angle(fields, "Latitude");
      entry.gnss.longitude = Angle(fields, "Longitude");
      entry.gnss.ellipsoidHeight = Length(fields, "EllipsoidHeight");
      entry.extras = fields.Extras();
    } else if (name == "Job" || name == "Instrument") {
      ReadJob(group, name, fields);
    } else if (name == "Comment") {
      Entry& entry = Add(EntryKind::kComment, group, name);
      entry.text = fields.TakeText("Text");
      entry.extras = fields.Extras();
      last_ = Last::kOther;
    } else {
      Entry& entry = Add(EntryKind::kOther, group, name);
      entry.recordType = fields.TakeText("RecordType");
      entry.text = fields.TakeText("RecordText");
      entry.extras = fields.Extras();
      last_ = Last::kOther;
    }
  }

  Entry& Add(EntryKind kind, const XmlNode& group, const std::string& name) {
    survey_.entries.emplace_back();
    Entry& entry = survey_.entries.back();
    entry.kind = kind;
    entry.record = record_;
    entry.node = group;
    entry.group = name;
    return entry;
  }

  void Note(const std::string& text) {
    if (survey_.notes.size() < kMaxNotes) {
      survey_.notes.push_back("record " + std::to_string(record_) + ": " + text);
    } else if (survey_.notes.size() == kMaxNotes) {
      survey_.notes.push_back("... and more like these");
    }
  }

  // The unit of value `name`: its own <name>Unit, the group's unit, the unit
  // in force, the format's default.
  Unit UnitOf(Fields& fields, const char* name, bool angular) {
    const std::string* own = fields.Take(std::string(name) + "Unit");
    if (own != nullptr) {
      const Unit unit = UnitFromName(*own);
      if (unit != Unit::kUnknown) return unit;
      Note(std::string(name) + ": unknown unit \"" + *own + "\"");
    }
    const std::string* group = fields.Take(angular ? "AngularUnit" : "LinearUnit");
    if (group != nullptr && UnitFromName(*group) != Unit::kUnknown) return UnitFromName(*group);
    if (angular) return angular_ != Unit::kUnknown ? angular_ : defaultAngular_;
    return linear_ != Unit::kUnknown ? linear_ : defaultLinear_;
  }

  std::optional<Measure> Value(Fields& fields, const char* name, bool angular) {
    const std::string* text = fields.Take(name);
    if (text == nullptr) return std::nullopt;
    const Unit unit = UnitOf(fields, name, angular);
    if (text->find_first_not_of(" \t") == std::string::npos) return std::nullopt;
    Measure measure;
    if (!ParseMeasure(*text, unit, measure)) {
      Note(std::string(name) + " \"" + *text + "\" is not a number in " + UnitName(unit) +
           "; left out");
      return std::nullopt;
    }
    if (angular && survey_.angularUnit == Unit::kUnknown) survey_.angularUnit = unit;
    if (!angular && survey_.linearUnit == Unit::kUnknown) survey_.linearUnit = unit;
    return measure;
  }
  std::optional<Measure> Angle(Fields& fields, const char* name) {
    return Value(fields, name, true);
  }
  std::optional<Measure> Length(Fields& fields, const char* name) {
    return Value(fields, name, false);
  }

  std::string TakeCode(Fields& fields) {
    std::string code = fields.TakeText("Code");
    const std::string* note = fields.Take("Note");
    if (code.empty() && note != nullptr) code = *note;
    return code;
  }

  void ReadUnits(const XmlNode& group, Fields& fields) {
    const std::string* angular = fields.Take("AngularUnit");
    if (angular != nullptr) {
      angular_ = UnitFromName(*angular);
      if (angular_ == Unit::kUnknown) Note("unknown angular unit \"" + *angular + "\"");
      if (survey_.angularUnit == Unit::kUnknown) survey_.angularUnit = angular_;
    }
    const std::string* linear = fields.Take("LinearUnit");
    if (linear != nullptr) {
      linear_ = UnitFromName(*linear);
      if (linear_ == Unit::kUnknown) Note("unknown linear unit \"" + *linear + "\"");
      // A later, more precise statement (SDR's DU note: US feet) replaces the
      // file's first one when nothing was measured in between.
      if (survey_.linearUnit == Unit::kUnknown || !measuredSinceUnits_) {
        survey_.linearUnit = linear_;
      }
    }
    const std::string* azimuths = fields.Take("AzimuthDirection");
    if (azimuths != nullptr) southAzimuths_ = *azimuths == "1";
    const std::string* direction = fields.Take("AngleDirection");
    if (direction != nullptr) anglesLeft_ = *direction == "Left";
    measuredSinceUnits_ = false;
    Entry& entry = Add(EntryKind::kUnits, group, "Units");
    entry.extras = fields.Extras();
  }

  Setup& CurrentSetup() { return survey_.entries[setup_].setup; }

  void ReadStation(const XmlNode& group, Fields& fields) {
    Entry& entry = Add(EntryKind::kSetup, group, "Station");
    Setup& setup = entry.setup;
    setup.station = fields.TakeName("StationPoint");
    if (setup.station.empty()) setup.station = fields.TakeName("PointNumber");
    setup.code = TakeCode(fields);
    setup.northing = Length(fields, "StationNorthing");
    setup.easting = Length(fields, "StationEasting");
    setup.height = Length(fields, "StationHeight");
    setup.instrumentHeight = Length(fields, "InstrumentHeight");
    setup.backsightPoint = fields.TakeName("BacksightPoint");
    setup.backsightBearing = Angle(fields, "BacksightBearing");
    setup.backsightCircle = Angle(fields, "BacksightCircle");
    setup.southAzimuths = southAzimuths_;
    setup.horizontalOrientation = Angle(fields, "HorizontalOrientation");
    const std::optional<Measure> prism = Length(fields, "PrismHeight");
    if (prism) prism_ = prism;
    if (!setup.instrumentHeight && instrumentPending_) {
      // An instrument height given before the station record (RW5 LS first).
      setup.instrumentHeight = instrument_;
    }
    instrument_ = setup.instrumentHeight;
    instrumentPending_ = false;
    entry.extras = fields.Extras();
    setup_ = survey_.entries.size() - 1;
    shotsInSetup_ = 0;
    last_ = Last::kStation;
  }

  // Starts a setup for a backsight record that comes with no station record
  // before it, or after the shots of the one in force.
  void NewSetupFor(const XmlNode& group, const std::string& station) {
    Setup copy;
    if (setup_ != kNone) copy = CurrentSetup();
    if (!station.empty() && station != copy.station) {
      copy = Setup();
      copy.station = station;
      copy.instrumentHeight = instrument_;
    }
    copy.backsightPoint.clear();
    copy.backsightBearing.reset();
    copy.backsightCircle.reset();
    copy.southAzimuths = southAzimuths_;
    Entry& entry = Add(EntryKind::kSetup, group, "Backsight");
    entry.setup = copy;
    setup_ = survey_.entries.size() - 1;
    shotsInSetup_ = 0;
  }

  void ReadBacksight(const XmlNode& group, Fields& fields) {
    if (HasMeasurement(fields)) {
      ReadObservation(group, "Backsight", fields);
      return;
    }
    const std::string station = fields.TakeName("StationPoint");
    const std::string point = fields.TakeName("BacksightPoint");
    const std::optional<Measure> bearing = Angle(fields, "BacksightBearing");
    const std::optional<Measure> circle = Angle(fields, "BacksightCircle");
    if (!bearing && !circle && fields.Has("PrismHeight")) {
      // The header of a backsight shot (GTS-7 BS); its measurement follows.
      Entry& entry = AddShot(group, "Backsight", fields);
      entry.shot.point = point;
      entry.shot.backsight = true;
      header_ = survey_.entries.size() - 1;
      last_ = Last::kShotHeader;
      return;
    }
    if (setup_ == kNone || shotsInSetup_ > 0 ||
        (!station.empty() && station != CurrentSetup().station)) {
      NewSetupFor(group, station);
    }
    Setup& setup = CurrentSetup();
    if (!point.empty()) setup.backsightPoint = point;
    if (bearing) setup.backsightBearing = bearing;
    if (circle) setup.backsightCircle = circle;
    setup.southAzimuths = southAzimuths_;
    std::vector<std::pair<std::string, std::string>> extras = fields.Extras();
    std::vector<std::pair<std::string, std::string>>& kept = survey_.entries[setup_].extras;
    kept.insert(kept.end(), extras.begin(), extras.end());
    last_ = Last::kBacksight;
  }

  Entry& AddShot(const XmlNode& group, const std::string& name, Fields& fields) {
    Entry& entry = Add(EntryKind::kShot, group, name);
    Shot& shot = entry.shot;
    shot.recordType = fields.TakeText("RecordType");
    shot.station = fields.TakeName("StationPoint");
    shot.point = fields.TakeName("PointNumber");
    shot.code = TakeCode(fields);
    const std::optional<Measure> prism = Length(fields, "PrismHeight");
    if (prism) prism_ = prism;
    const std::optional<Measure> instrument = Length(fields, "InstrumentHeight");
    if (instrument) instrument_ = instrument;
    shot.prismHeight = prism_;
    shot.instrumentHeight = instrument_;
    entry.setupEntry = setup_;
    if (setup_ != kNone) {
      const Setup& setup = CurrentSetup();
      if (shot.station.empty()) shot.station = setup.station;
    }
    return entry;
  }

  // Reads the measurement of a shot into `shot`.
  void ReadMeasurement(Fields& fields, Shot& shot) {
    if (std::optional<Measure> angle = Angle(fields, "HorizontalAngle")) {
      shot.direction = Direction::kCircle;
      if (anglesLeft_) angle->value = NormalizeAngle(-angle->value);
      shot.horizontal = angle;
    } else if (std::optional<Measure> left = Angle(fields, "AngleLeft")) {
      shot.direction = Direction::kCircle;
      left->value = NormalizeAngle(-left->value);
      shot.horizontal = left;
    } else if (std::optional<Measure> azimuth = Angle(fields, "Azimuth")) {
      shot.direction = Direction::kAzimuth;
      if (southAzimuths_) azimuth->value = NormalizeAngle(azimuth->value + kPi);
      shot.horizontal = azimuth;
    } else if (const std::string* bearing = fields.Take("Bearing")) {
      std::optional<Measure> quadrant = QuadrantBearing(fields, *bearing);
      if (quadrant) {
        shot.direction = Direction::kAzimuth;
        shot.horizontal = quadrant;
      } else {
        Note("Bearing \"" + *bearing + "\" is not a quadrant bearing; left out");
      }
    } else if (std::optional<Measure> right = Angle(fields, "DeflectionRight")) {
      shot.direction = Direction::kDeflection;
      shot.horizontal = right;
    } else if (std::optional<Measure> deflection = Angle(fields, "DeflectionLeft")) {
      shot.direction = Direction::kDeflection;
      deflection->value = -deflection->value;
      shot.horizontal = deflection;
    }
    if (std::optional<Measure> zenith = Angle(fields, "ZenithAngle")) {
      shot.zenith = zenith;
    } else if (std::optional<Measure> vertical = Angle(fields, "VerticalAngle")) {
      vertical->value = kHalfPi - vertical->value;
      shot.zenith = vertical;
    }
    if (auto d = Length(fields, "SlopeDistance")) shot.slopeDistance = d;
    if (auto d = Length(fields, "HorizontalDistance")) shot.horizontalDistance = d;
    if (auto d = Length(fields, "VerticalDistance")) shot.verticalDistance = d;
    if (auto v = Length(fields, "Northing")) shot.northing = v;
    if (auto v = Length(fields, "Easting")) shot.easting = v;
    if (auto v = Length(fields, "OrthoHeight")) shot.height = v;
  }

  // Reads a quadrant bearing (N45.3000E) in the angular unit in force.
  std::optional<Measure> QuadrantBearing(Fields& fields, const std::string& text) {
    if (text.size() < 3) return std::nullopt;
    const char first = text.front();
    const char second = text.back();
    if ((first != 'N' && first != 'S') || (second != 'E' && second != 'W')) return std::nullopt;
    Measure angle;
    const Unit unit = UnitOf(fields, "Bearing", true);
    if (!ParseMeasure(text.substr(1, text.size() - 2), unit, angle)) return std::nullopt;
    double azimuth = angle.value;
    if (first == 'S' && second == 'E') azimuth = kPi - angle.value;
    if (first == 'S' && second == 'W') azimuth = kPi + angle.value;
    if (first == 'N' && second == 'W') azimuth = 2 * kPi - angle.value;
    angle.value = NormalizeAngle(azimuth);
    return angle;
  }

  void ReadObservation(const XmlNode& group, const std::string& name, Fields& fields) {
    const bool measured = HasMeasurement(fields);
    measuredSinceUnits_ = measuredSinceUnits_ || measured;
    // The measurement line of a shot whose header came just before (GTS-7).
    if (measured && header_ != kNone && !fields.Has("PointNumber") && !fields.Has("StationPoint")) {
      Entry& entry = survey_.entries[header_];
      entry.node = group;
      entry.shot.recordType += "+" + fields.TakeText("RecordType");
      ReadMeasurement(fields, entry.shot);
      std::vector<std::pair<std::string, std::string>> extras = fields.Extras();
      entry.extras.insert(entry.extras.end(), extras.begin(), extras.end());
      header_ = kNone;
      last_ = Last::kShot;
      return;
    }
    header_ = kNone;
    Entry& entry = AddShot(group, name, fields);
    Shot& shot = entry.shot;
    if (name == "Backsight") {
      shot.point = fields.TakeName("BacksightPoint");
      shot.backsight = true;
    }
    ReadMeasurement(fields, shot);
    if (setup_ != kNone) {
      const Setup& setup = CurrentSetup();
      if (!setup.backsightPoint.empty() && shot.point == setup.backsightPoint) {
        shot.backsight = true;
      }
      if (shot.recordType == "BD" || shot.recordType == "BR") shot.backsight = true;
      // A shot without a point name right after the setup is its backsight
      // shot (Nikon F1).
      if (shot.point.empty() && shotsInSetup_ == 0 && !setup.backsightPoint.empty()) {
        shot.backsight = true;
      }
    }
    entry.extras = fields.Extras();
    if (measured) {
      ++shotsInSetup_;
      last_ = Last::kShot;
    } else {
      header_ = survey_.entries.size() - 1;
      last_ = Last::kShotHeader;
    }
  }

  void ReadPoint(const XmlNode& group, Fields& fields) {
    std::string name = fields.TakeName("PointNumber");
    const std::optional<Measure> northing = Length(fields, "Northing");
    const std::optional<Measure> easting = Length(fields, "Easting");
    const std::optional<Measure> height = Length(fields, "OrthoHeight");
    if (name.empty() && !fields.Has("Code")) {
      // Coordinates without a name belong to the point that the record before
      // named (GTS-7 XYZ after STN, BKB or a shot header).
      if (last_ == Last::kStation && setup_ != kNone && shotsInSetup_ == 0) {
        Setup& setup = CurrentSetup();
        setup.northing = northing;
        setup.easting = easting;
        setup.height = height;
        std::vector<std::pair<std::string, std::string>> extras = fields.Extras();
        survey_.entries[setup_].extras.insert(survey_.entries[setup_].extras.end(), extras.begin(),
                                              extras.end());
        last_ = Last::kOther;
        return;
      }
      if (last_ == Last::kBacksight && setup_ != kNone) name = CurrentSetup().backsightPoint;
      if (last_ == Last::kShotHeader && header_ != kNone) {
        Shot& shot = survey_.entries[header_].shot;
        shot.northing = northing;
        shot.easting = easting;
        shot.height = height;
        return;
      }
    }
    Entry& entry = Add(EntryKind::kPoint, group, "Point");
    KnownPoint& point = entry.point;
    point.name = name;
    point.recordType = fields.TakeText("RecordType");
    point.code = TakeCode(fields);
    point.northing = northing;
    point.easting = easting;
    point.height = height;
    point.design = point.recordType == "DE";
    entry.extras = fields.Extras();
    last_ = Last::kOther;
  }

  void ReadHeights(const XmlNode& group, Fields& fields) {
    const std::optional<Measure> prism = Length(fields, "PrismHeight");
    if (prism) prism_ = prism;
    const std::optional<Measure> instrument = Length(fields, "InstrumentHeight");
    if (instrument) {
      instrument_ = instrument;
      if (setup_ != kNone && shotsInSetup_ == 0) {
        CurrentSetup().instrumentHeight = instrument;
      } else {
        instrumentPending_ = true;
      }
    }
    std::vector<std::pair<std::string, std::string>> extras = fields.Extras();
    if (!extras.empty()) {
      Entry& entry = Add(EntryKind::kOther, group, "TargetHeight");
      entry.extras = extras;
    }
  }

  void ReadJob(const XmlNode& group, const std::string& name, Fields& fields) {
    Job job;
    job.name = fields.TakeText("JobName");
    job.description = fields.TakeText("JobDescription");
    job.date = fields.TakeText("Date");
    job.time = fields.TakeText("Time");
    job.instrument = fields.TakeText("InstrumentText");
    std::vector<std::pair<std::string, std::string>> extras = fields.Extras();
    if (job.name.empty() && job.description.empty() && job.date.empty() && job.time.empty() &&
        job.instrument.empty() && extras.empty()) {
      return;
    }
    Entry& entry = Add(EntryKind::kJob, group, name);
    entry.job = job;
    entry.extras = extras;
    last_ = Last::kOther;
  }

  static constexpr size_t kMaxNotes = 100;
  enum class Last { kOther, kStation, kBacksight, kShotHeader, kShot };

  Survey& survey_;
  const Unit defaultAngular_;
  const Unit defaultLinear_;
  Unit angular_ = Unit::kUnknown;
  Unit linear_ = Unit::kUnknown;
  bool southAzimuths_ = false;
  bool anglesLeft_ = false;
  bool measuredSinceUnits_ = false;
  size_t record_ = 0;
  size_t setup_ = kNone;
  size_t shotsInSetup_ = 0;
  size_t header_ = kNone;
  Last last_ = Last::kOther;
  std::optional<Measure> prism_;
  std::optional<Measure> instrument_;
  bool instrumentPending_ = false;  // an instrument height for the next station
};

}  // namespace

size_t Survey::Count(EntryKind kind) const {
  size_t count = 0;
  for (const Entry& entry : entries) {
    if (entry.kind == kind) ++count;
  }
  return count;
}

ReadOptions DefaultUnits(const TFormatDescription& description) {
  ReadOptions options;
  for (const std::string& name : description.angularUnits) {
    if (UnitFromName(name) != Unit::kUnknown) {
      options.angularUnit = UnitFromName(name);
      break;
    }
  }
  for (const std::string& name : description.metricUnits) {
    if (UnitFromName(name) != Unit::kUnknown) {
      options.linearUnit = UnitFromName(name);
      break;
    }
  }
  return options;
}

Survey ReadSurvey(const XmlNode& data, const ReadOptions& options) {
  Survey survey;
  if (!data) return survey;
  Reader reader(survey, options);
  reader.Read(data);
  return survey;
}

}  // namespace survey
}  // namespace compoundparser
