#include "survey/RawRewrite.h"

#include <cmath>
#include <map>
#include <memory>
#include <unordered_set>

#include "survey/Coordinates.h"

namespace compoundparser {
namespace survey {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);
constexpr double kPi = 3.14159265358979323846;

struct LayoutName {
  const char* name;
  RawLayout layout;
};

const LayoutName kLayouts[] = {
    {"Leica GSI-16", RawLayout::kGsi16}, {"Leica GSI-8", RawLayout::kGsi8},
    {"Sokkia SDR33", RawLayout::kSdr33}, {"Nikon RAW V2.00", RawLayout::kNikon},
    {"Carlson RW5", RawLayout::kRw5},    {"Topcon GTS-7", RawLayout::kGts7},
};

const char* LayoutFormatName(RawLayout layout) {
  for (const LayoutName& entry : kLayouts) {
    if (entry.layout == layout) return entry.name;
  }
  return "";
}

// Decimals of values that have no unit of their own (computed ones).
int DefaultDecimals(Unit unit) {
  switch (unit) {
    case Unit::kDms:
      return 5;
    case Unit::kDegrees:
      return 6;
    case Unit::kGons:
      return 5;
    case Unit::kMils:
      return 4;
    default:
      return 4;
  }
}

// Returns `what` (" values ...", " records ...") with its first word in the
// singular for a count of one.
std::string Number(const std::string& what, size_t count) {
  if (count != 1) return what;
  const size_t end = what.find(' ', 1);
  const size_t word = end == std::string::npos ? what.size() : end;
  if (word > 1 && what[word - 1] == 's') return what.substr(0, word - 1) + what.substr(word);
  return what;
}

// What every layout shares: the new records, the values in the target's units,
// and the account of what could not be written.
class LayoutWriter {
 public:
  LayoutWriter(const XmlNode& data, const Survey& survey, const PointsResult& frames,
               RewriteReport& report, RawLayout layout)
      : data_(data), survey_(survey), frames_(frames), report_(report), layout_(layout) {}
  virtual ~LayoutWriter() = default;

  void Run() {
    ChooseUnits();
    Begin();
    for (size_t i = 0; i < survey_.entries.size(); ++i) {
      const Entry& entry = survey_.entries[i];
      index_ = i;
      extras_ = entry.extras;
      extraUsed_.assign(extras_.size(), false);
      switch (entry.kind) {
        case EntryKind::kUnits:
          break;
        case EntryKind::kSetup:
          setupIndex_ = i;
          WriteSetup(entry, entry.setup);
          written_.instrument = entry.setup.instrumentHeight;
          break;
        case EntryKind::kShot:
          WriteShotEntry(entry);
          break;
        case EntryKind::kPoint:
          WritePoint(entry);
          break;
        case EntryKind::kGnss:
          WriteGnss(entry);
          break;
        case EntryKind::kJob:
          WriteJob(entry);
          break;
        case EntryKind::kComment:
          WriteComment(entry);
          break;
        case EntryKind::kOther:
          if (entry.group == "TargetHeight") break;
          Drop(entry.group == "Other" ? std::string("Other") : entry.group,
               " records (kept as text by the source format)");
          extraUsed_.assign(extras_.size(), true);
          break;
      }
      for (size_t e = 0; e < extras_.size(); ++e) {
        if (!extraUsed_[e]) Drop(extras_[e].first, " values");
      }
    }
    End();
    for (const auto& [what, count] : dropped_) {
      report_.warnings.push_back(what.first + ": " + std::to_string(count) +
                                 Number(what.second, count) + " not written (" +
                                 LayoutFormatName(layout_) + " has no place for " +
                                 (count == 1 ? "it)" : "them)"));
    }
    for (const std::string& note : notes_) report_.warnings.push_back(note);
  }

 protected:
  // The units the target can write that come nearest to the source's.
  virtual Unit AngularFor(Unit source) const = 0;
  virtual Unit LinearFor(Unit source) const = 0;
  virtual void Begin() {}
  virtual void WriteSetup(const Entry& entry, const Setup& setup) = 0;
  virtual void WriteShot(const Entry& entry, const Shot& shot) = 0;
  virtual void WritePoint(const Entry& entry) = 0;
  virtual void WriteGnss(const Entry&) { Drop("GnssPoint", " records"); }
  virtual void WriteJob(const Entry& entry) = 0;
  virtual void WriteComment(const Entry& entry) = 0;
  virtual void End() {}

  void ChooseUnits() {
    const ReadOptions defaults = defaults_;
    angular_ = AngularFor(survey_.angularUnit != Unit::kUnknown ? survey_.angularUnit
                                                                : defaults.angularUnit);
    linear_ =
        LinearFor(survey_.linearUnit != Unit::kUnknown ? survey_.linearUnit : defaults.linearUnit);
    if (survey_.angularUnit != Unit::kUnknown && angular_ != survey_.angularUnit) {
      notes_.push_back(std::string("angles converted from ") + UnitName(survey_.angularUnit) +
                       " to " + UnitName(angular_));
    }
    if (survey_.linearUnit != Unit::kUnknown && linear_ != survey_.linearUnit) {
      notes_.push_back(std::string("lengths converted from ") + UnitName(survey_.linearUnit) +
                       " to " + UnitName(linear_));
    }
  }

  // Shots are written with the heights in force; a change of the instrument
  // height writes the setup again where the target has no record for it.
  void WriteShotEntry(const Entry& entry) {
    Shot shot = entry.shot;
    shotSetup_ = entry.setupEntry;
    const SetupFrame* frame = FrameOf(entry.setupEntry);
    // Directions the target cannot hold as such become circle readings or
    // azimuths through the setup's orientation.
    if (shot.direction == Direction::kDeflection) {
      if (frame != nullptr && frame->backBearing) {
        shot.horizontal->value = NormalizeAngle(*frame->backBearing + kPi + shot.horizontal->value);
        shot.horizontal->unit = Unit::kUnknown;
        shot.direction = Direction::kAzimuth;
        if (!HoldsDeflections()) ++deflectionsTurned_;
      } else if (!HoldsDeflections()) {
        Drop("DeflectionRight", " values without a known backsight bearing");
        shot.horizontal.reset();
        shot.direction = Direction::kNone;
      }
    }
    if (shot.direction == Direction::kAzimuth && !HoldsAzimuths()) {
      const double orientation = frame != nullptr ? frame->orientation : 0.0;
      shot.horizontal->value = NormalizeAngle(shot.horizontal->value - orientation);
      shot.direction = Direction::kCircle;
      ++azimuthsTurned_;
    }
    WriteShot(entry, shot);
    ++report_.shots;
  }

  // Returns the setup a shot was measured from: its setup's, or for shots
  // before any station record one at an unnamed station, so that a target
  // that holds the instrument height in station records only can write it.
  Setup SetupOf(const Shot& shot) const {
    if (shotSetup_ != kNone) return survey_.entries[shotSetup_].setup;
    Setup implicit;
    implicit.station = shot.station;
    return implicit;
  }

  // Returns the setup of a shot to write again (for a new instrument height):
  // its orientation as the bearing and circle that give it, without the
  // backsight point, so that no later shot on that point reads as the
  // backsight shot of the new setup record and turns its circle otherwise.
  Setup Reoriented(const Shot& shot) const {
    Setup setup = SetupOf(shot);
    setup.backsightPoint.clear();
    setup.backsightBearing.reset();
    setup.backsightCircle.reset();
    setup.southAzimuths = false;
    const SetupFrame* frame = FrameOf(shotSetup_);
    if (frame != nullptr && frame->oriented && frame->backBearing) {
      setup.backsightBearing = Computed(*frame->backBearing);
      setup.backsightCircle = Computed(NormalizeAngle(*frame->backBearing - frame->orientation));
    }
    return setup;
  }

  virtual bool HoldsAzimuths() const { return false; }
  virtual bool HoldsDeflections() const { return false; }

  const SetupFrame* FrameOf(size_t setup) const {
    const auto found = frames_.frames.find(setup);
    return found != frames_.frames.end() ? &found->second : nullptr;
  }

  XmlNode NewRecord(const char* group) {
    XmlNode record = data_.AppendElement("Record");
    ++report_.records;
    return record.AppendElement(group);
  }

  // Appends an element with its text; an empty value is an empty text, as an
  // import leaves it.
  static void Put(XmlNode& group, const char* name, const std::string& text) {
    XmlNode element = group.AppendElement(name);
    element.AppendText(text);
  }
  // Writes a name that goes into a delimited field, the delimiter replaced.
  void PutName(XmlNode& group, const char* name, std::string text, char delimiter) {
    bool changed = false;
    for (char& c : text) {
      if (c == delimiter) {
        c = delimiter == ';' ? ',' : ';';
        changed = true;
      }
    }
    if (changed)
      Note(name, std::string(" values held a '") + delimiter + "', written as '" +
                     (delimiter == ';' ? ',' : ';') + "'");
    Put(group, name, text);
  }

  // The text of a value in the target's unit.
  std::string AngleText(const Measure& measure) const { return Text(measure, angular_); }
  std::string LengthText(const Measure& measure) const { return Text(measure, linear_); }
  static std::string Text(const Measure& measure, Unit unit) {
    if (measure.unit == unit) return FormatMeasure(measure.value, unit, measure.decimals);
    const int decimals = measure.unit == Unit::kUnknown
                             ? DefaultDecimals(unit)
                             : DecimalsFor(unit, measure.unit, measure.decimals);
    return FormatMeasure(measure.value, unit, decimals);
  }
  void PutAngle(XmlNode& group, const char* name, const std::optional<Measure>& value) {
    if (value) Put(group, name, AngleText(*value));
  }
  // Adds a Point record of a delimited raw format: its record code, the point's number (left
  // out when empty unless `emptyName`), its coordinates, and its code as `codeElement`.
  void PutCoordinates(const std::string& recordType, const std::string& name, bool emptyName,
                      const std::optional<Measure>& northing, const std::optional<Measure>& easting,
                      const std::optional<Measure>& height, const std::string& code,
                      const char* codeElement) {
    XmlNode group = NewRecord("Point");
    Put(group, "RecordType", recordType);
    if (emptyName || !name.empty()) PutName(group, "PointNumber", name, ',');
    PutLength(group, "Northing", northing);
    PutLength(group, "Easting", easting);
    PutLength(group, "OrthoHeight", height);
    if (!code.empty()) Put(group, codeElement, code);
  }
  void PutLength(XmlNode& group, const char* name, const std::optional<Measure>& value) {
    if (value) Put(group, name, LengthText(*value));
  }

  // Counts something the target cannot hold; one warning per name at the end.
  void Drop(const std::string& name, const std::string& what, size_t count = 1) {
    dropped_[{name, what}] += count;
  }
  // Counts a change the writer made; one warning per name and kind at the end.
  void Note(const std::string& name, const std::string& what) { changed_[{name, what}] += 1; }
  // Returns the text of an extra of the entry being written and marks it written.
  const std::string* Extra(const char* name) {
    for (size_t e = 0; e < extras_.size(); ++e) {
      if (extras_[e].first == name) {
        extraUsed_[e] = true;
        return &extras_[e].second;
      }
    }
    return nullptr;
  }

  // Returns a measure of a value computed in base units.
  static Measure Computed(double value) {
    Measure measure;
    measure.value = value;
    return measure;
  }

  // Says what was converted, once each.
  void ReportChanges() {
    if (azimuthsTurned_ > 0) {
      notes_.push_back(std::to_string(azimuthsTurned_) +
                       " azimuths written as horizontal circle readings (the setup's orientation "
                       "taken off)");
    }
    if (deflectionsTurned_ > 0) {
      notes_.push_back(std::to_string(deflectionsTurned_) +
                       " deflection angles written as directions from the backsight bearing");
    }
    for (const auto& [what, count] : changed_) {
      notes_.push_back(what.first + ": " + std::to_string(count) + Number(what.second, count));
    }
  }

  XmlNode data_;
  const Survey& survey_;
  const PointsResult& frames_;
  RewriteReport& report_;
  const RawLayout layout_;
  ReadOptions defaults_;
  Unit angular_ = Unit::kGons;
  Unit linear_ = Unit::kMeters;
  size_t index_ = 0;
  size_t setupIndex_ = kNone;
  size_t shotSetup_ = kNone;
  std::vector<std::pair<std::string, std::string>> extras_;
  std::vector<bool> extraUsed_;
  std::map<std::pair<std::string, std::string>, size_t> dropped_;
  std::map<std::pair<std::string, std::string>, size_t> changed_;
  std::vector<std::string> notes_;
  size_t azimuthsTurned_ = 0;
  size_t deflectionsTurned_ = 0;
  // What the records written so far put in force.
  struct InForce {
    std::optional<Measure> instrument;
    std::optional<Measure> prism;
  } written_;

 public:
  void SetDefaults(const ReadOptions& defaults) { defaults_ = defaults; }
};

bool SameLength(const std::optional<Measure>& a, const std::optional<Measure>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || std::fabs(a->value - b->value) < 1e-9;
}

// ---------------------------------------------------------------------------
// Leica GSI-16 and GSI-8: one block per record; every value carries its unit.

class GsiWriter : public LayoutWriter {
 public:
  GsiWriter(const XmlNode& data, const Survey& survey, const PointsResult& frames,
            RewriteReport& report, RawLayout layout)
      : LayoutWriter(data, survey, frames, report, layout),
        width_(layout == RawLayout::kGsi8 ? 8 : 16) {}

 protected:
  Unit AngularFor(Unit source) const override {
    return source == Unit::kRadians || !IsAngular(source) ? Unit::kGons : source;
  }
  Unit LinearFor(Unit source) const override {
    return source == Unit::kFeet || source == Unit::kUsFeet ? Unit::kFeet : Unit::kMeters;
  }
  bool HoldsAzimuths() const override { return true; }

  void WriteSetup(const Entry&, const Setup& setup) override {
    // A GSI block is a station block by its coordinates: those of the point
    // the station stands on where the record gives none.
    std::optional<Measure> northing = setup.northing;
    std::optional<Measure> easting = setup.easting;
    std::optional<Measure> height = setup.height;
    const SetupFrame* frame = FrameOf(setupIndex_);
    if (!(northing && easting) && frame != nullptr && frame->placed) {
      northing = Computed(frame->northing);
      easting = Computed(frame->easting);
      height.reset();
      if (frame->height) height = Computed(*frame->height);
    }
    if (!(northing && easting)) {
      Drop("StationPoint", " names of stations without coordinates");
    }
    XmlNode group = Block("Station");
    PutText(group, "PointNumber", setup.station);
    PutGsiLength(group, "StationEasting", easting);
    PutGsiLength(group, "StationNorthing", northing);
    PutGsiLength(group, "StationHeight", height);
    PutGsiLength(group, "InstrumentHeight", setup.instrumentHeight);
    if (setup.horizontalOrientation) {
      PutGsiAngle(group, "HorizontalOrientation", *setup.horizontalOrientation);
    }
    if (!setup.backsightPoint.empty()) Drop("BacksightPoint", " values");
    if (setup.backsightBearing) Drop("BacksightBearing", " values (the angles are oriented)");
    if (setup.backsightCircle) Drop("BacksightCircle", " values (the angles are oriented)");
  }

  void WriteShot(const Entry&, const Shot& shot) override {
    const bool placed = shot.northing && shot.easting;
    XmlNode group = Block(placed ? "Point" : "Observation");
    std::string name = shot.point;
    if (name.empty() && shot.backsight && shotSetup_ != kNone) {
      name = survey_.entries[shotSetup_].setup.backsightPoint;
    }
    PutText(group, "PointNumber", name);
    if (shot.horizontal) {
      // A GSI file holds no backsight: its horizontal angles are oriented.
      Measure direction = *shot.horizontal;
      const SetupFrame* frame = FrameOf(shotSetup_);
      if (shot.direction == Direction::kCircle && frame != nullptr && frame->oriented &&
          std::fabs(frame->orientation) > 1e-12) {
        direction.value = NormalizeAngle(direction.value + frame->orientation);
        direction.unit = Unit::kUnknown;
        ++orientedShots_;
      }
      PutGsiAngle(group, "HorizontalAngle", direction);
    }
    if (shot.zenith) PutGsiAngle(group, "ZenithAngle", *shot.zenith);
    PutGsiLength(group, "SlopeDistance", shot.slopeDistance);
    PutGsiLength(group, "HorizontalDistance", shot.horizontalDistance);
    PutGsiLength(group, "VerticalDistance", shot.verticalDistance);
    PutGsiLength(group, "PrismHeight", shot.prismHeight);
    if (!SameLength(shot.instrumentHeight, written_.instrument)) {
      PutGsiLength(group, "InstrumentHeight", shot.instrumentHeight);
    }
    if (placed) {
      PutGsiLength(group, "Easting", shot.easting);
      PutGsiLength(group, "Northing", shot.northing);
      PutGsiLength(group, "OrthoHeight", shot.height);
    }
    PutText(group, "Code", shot.code);
    PutWordExtras(group);
  }

  void WritePoint(const Entry& entry) override {
    const KnownPoint& point = entry.point;
    XmlNode group = Block("Point");
    PutText(group, "PointNumber", point.name);
    PutGsiLength(group, "Easting", point.easting);
    PutGsiLength(group, "Northing", point.northing);
    PutGsiLength(group, "OrthoHeight", point.height);
    PutText(group, "Code", point.code);
    PutWordExtras(group);
  }

  void WriteJob(const Entry& entry) override {
    const Job& job = entry.job;
    for (const auto& [name, text] :
         {std::pair<const char*, const std::string*>{"JobName", &job.name},
          {"JobDescription", &job.description},
          {"Date", &job.date},
          {"Time", &job.time},
          {"InstrumentText", &job.instrument}}) {
      if (!text->empty()) Drop(name, " values");
    }
  }

  void WriteComment(const Entry& entry) override {
    if (blocks_ == 0) {
      // A GSI file starts with a block; comments wait for the first one.
      waiting_.push_back(entry.text);
      return;
    }
    XmlNode group = NewRecord("Comment");
    Put(group, "Text", CommentLine(entry.text));
  }

  void End() override {
    if (!waiting_.empty()) {
      Drop("Comment", " records of a file without blocks (a GSI file starts with a block)",
           waiting_.size());
    }
    if (orientedShots_ > 0) {
      notes_.push_back(std::to_string(orientedShots_) +
                       " horizontal angles written oriented (the backsight's orientation added), "
                       "as a GSI file has no backsight record");
    }
    ReportChanges();
  }

 private:
  XmlNode Block(const char* kind) {
    XmlNode group = NewRecord(kind);
    Put(group, "WordLength", std::to_string(width_));
    if (++blocks_ == 1 && !waiting_.empty()) {
      for (const std::string& text : waiting_) {
        XmlNode comment = NewRecord("Comment");
        Put(comment, "Text", CommentLine(text));
      }
      notes_.push_back(std::to_string(waiting_.size()) +
                       " comments that came before the first block written after it (a GSI "
                       "file starts with a block)");
      waiting_.clear();
    }
    return group;
  }

  // The GSI words of another GSI file that no other format holds: word 51
  // (ppm and prism constant) and the remarks 72 to 79.
  void PutWordExtras(XmlNode& group) {
    static const char* const kWords[] = {"PpmConstant", "PrismConstant", "Remark2", "Remark3",
                                         "Remark4",     "Remark5",       "Remark6", "Remark7",
                                         "Remark8",     "Remark9"};
    for (const char* name : kWords) {
      if (const std::string* text = Extra(name)) Put(group, name, *text);
    }
  }

  // A comment line of a GSI file starts with "!" (kept in its text).
  static std::string CommentLine(const std::string& text) {
    return !text.empty() && text[0] == '!' ? text : "!" + text;
  }

  void PutText(XmlNode& group, const char* name, std::string text) {
    if (text.empty()) return;
    // A word ends at a blank.
    bool blanks = false;
    for (char& c : text) {
      if (c == ' ' || c == '\t') {
        c = '_';
        blanks = true;
      }
    }
    if (blanks) Note(name, " values with blanks written with '_' instead");
    if (static_cast<int>(text.size()) > width_) {
      Note(name, " values longer than " + std::to_string(width_) + " characters cut to their end");
      Put(group, name, text.substr(text.size() - width_));
      return;
    }
    Put(group, name, text);
  }

  // GSI words hold digits without a point: the unit digit says where it goes.
  void PutGsiAngle(XmlNode& group, const char* name, const Measure& value) {
    const std::string unit = UnitName(angular_);
    const int decimals = angular_ == Unit::kMils ? 4 : 5;
    const std::string text = FormatMeasure(value.value, angular_, decimals);
    Put(group, name, text);
    Put(group, (std::string(name) + "Unit").c_str(), unit);
  }

  void PutGsiLength(XmlNode& group, const char* name, const std::optional<Measure>& value) {
    if (!value) return;
    int decimals = value->unit == Unit::kUnknown ? 4
                   : value->unit == linear_      ? value->decimals
                                            : DecimalsFor(linear_, value->unit, value->decimals);
    if (decimals < 3) decimals = 3;
    if (decimals > (linear_ == Unit::kFeet ? 4 : 5)) decimals = linear_ == Unit::kFeet ? 4 : 5;
    for (; decimals >= 3; --decimals) {
      const double scaled = std::fabs(FromBase(value->value, linear_)) * std::pow(10.0, decimals);
      if (scaled < std::pow(10.0, width_) - 0.5) break;
    }
    if (decimals < 3) {
      Drop(name, " values too large for " + std::to_string(width_) + "-digit GSI words");
      return;
    }
    std::string unit = UnitName(linear_);
    if (decimals == 4) unit += linear_ == Unit::kFeet ? "0.0001" : "0.1mm";
    if (decimals == 5) unit += "0.01mm";
    Put(group, name, FormatMeasure(value->value, linear_, decimals));
    Put(group, (std::string(name) + "Unit").c_str(), unit);
  }

  const int width_;
  size_t blocks_ = 0;
  size_t orientedShots_ = 0;
  std::vector<std::string> waiting_;
};

// ---------------------------------------------------------------------------
// Sokkia SDR33: fixed columns, the units in the header record.

class SdrWriter : public LayoutWriter {
 public:
  using LayoutWriter::LayoutWriter;

 protected:
  Unit AngularFor(Unit source) const override {
    if (source == Unit::kGons || source == Unit::kMils) return source;
    return source == Unit::kRadians ? Unit::kGons : Unit::kDegrees;
  }
  Unit LinearFor(Unit source) const override { return IsLinear(source) ? source : Unit::kMeters; }
  bool HoldsAzimuths() const override { return true; }

  void Begin() override {
    XmlNode header = NewRecord("Units");
    Put(header, "RecordType", "00");
    Put(header, "DerivationCode", "NM");
    Put(header, "Layout", "SDR33");
    Put(header, "Version", "SDR33 V04-04.02");
    Put(header, "SerialNumber", "0000");
    std::string stamp;
    for (const Entry& entry : survey_.entries) {
      if (entry.kind == EntryKind::kJob && !entry.job.date.empty()) {
        stamp = entry.job.date + (entry.job.time.empty() ? "" : " " + entry.job.time);
        break;
      }
    }
    Put(header, "DateTime", Fit(stamp, 16, "DateTime"));
    Put(header, "AngularUnit", UnitName(angular_));
    Put(header, "LinearUnit", linear_ == Unit::kUsFeet ? "Feet" : UnitName(linear_));
    Put(header, "PressureUnit", "Millibars");
    Put(header, "TemperatureUnit", "Celsius");
    Put(header, "CoordinateOrder", "NEZ");
    Put(header, "AngleDirection", "Right");
    if (linear_ == Unit::kUsFeet) {
      XmlNode note = NewRecord("Units");
      Put(note, "RecordType", "13");
      Put(note, "DerivationCode", "DU");
      Put(note, "LinearUnit", "USFeet");
      Put(note, "Text", "US Feet:");
    }
  }

  void WriteSetup(const Entry&, const Setup& setup) override {
    WriteStation(setup, setup.instrumentHeight);
    WriteBacksight(setup);
  }

  void WriteShot(const Entry&, const Shot& shot) override {
    if (!SameLength(shot.instrumentHeight, written_.instrument)) {
      // A new instrument height is a new setup record, with its backsight again.
      const Setup setup = Reoriented(shot);
      WriteStation(setup, shot.instrumentHeight);
      WriteBacksight(setup);
    }
    if (shot.prismHeight && !SameLength(shot.prismHeight, written_.prism)) {
      XmlNode target = NewRecord("TargetHeight");
      Put(target, "RecordType", "03");
      Put(target, "DerivationCode", "NM");
      Put(target, "PrismHeight", Real(LengthText(*shot.prismHeight), "PrismHeight"));
      written_.prism = shot.prismHeight;
    }
    std::string name = shot.point;
    if (name.empty() && shot.backsight && shotSetup_ != kNone) {
      name = survey_.entries[shotSetup_].setup.backsightPoint;
    }
    const bool reduced = !shot.slopeDistance && shot.horizontalDistance;
    if (!reduced) {
      XmlNode group = NewRecord("Observation");
      Put(group, "RecordType", "09");
      const bool azimuth = shot.direction == Direction::kAzimuth;
      Put(group, "DerivationCode", azimuth ? "MC" : "F1");
      Put(group, "StationPoint", Fit(shot.station, 16, "StationPoint"));
      Put(group, "PointNumber", Fit(name, 16, "PointNumber"));
      Put(group, "SlopeDistance", LengthField(shot.slopeDistance, "SlopeDistance"));
      Put(group, "ZenithAngle", AngleField(shot.zenith, "ZenithAngle"));
      Put(group, azimuth ? "Azimuth" : "HorizontalAngle",
          AngleField(shot.horizontal, "HorizontalAngle"));
      Put(group, "Code", Fit(shot.code, 16, "Code"));
      if (shot.horizontalDistance) Drop("HorizontalDistance", " values beside a slope distance");
      if (shot.verticalDistance) Drop("VerticalDistance", " values beside a slope distance");
    } else {
      // A reduced observation: azimuth, horizontal distance, height difference.
      XmlNode group = NewRecord("Observation");
      Put(group, "RecordType", "11");
      Put(group, "DerivationCode", "KI");
      Put(group, "StationPoint", Fit(shot.station, 16, "StationPoint"));
      Put(group, "PointNumber", Fit(name, 16, "PointNumber"));
      std::optional<Measure> azimuth = shot.horizontal;
      if (azimuth && shot.direction == Direction::kCircle) {
        const SetupFrame* frame = FrameOf(shotSetup_);
        if (frame != nullptr && std::fabs(frame->orientation) > 1e-12) {
          azimuth->value = NormalizeAngle(azimuth->value + frame->orientation);
          azimuth->unit = Unit::kUnknown;
          Note("HorizontalAngle", " values of reduced observations written as azimuths");
        }
      }
      Put(group, "Azimuth", AngleField(azimuth, "Azimuth"));
      Put(group, "HorizontalDistance",
          Real(LengthText(*shot.horizontalDistance), "HorizontalDistance"));
      std::optional<Measure> rise = shot.verticalDistance;
      if (!rise && shot.zenith && std::fabs(std::sin(shot.zenith->value)) > 1e-12) {
        rise = Computed(shot.horizontalDistance->value * std::cos(shot.zenith->value) /
                        std::sin(shot.zenith->value));
        Note("ZenithAngle", " values of reduced observations written as height differences");
      } else if (shot.zenith) {
        Drop("ZenithAngle", " values beside a height difference");
      }
      Put(group, "VerticalDistance", LengthField(rise, "VerticalDistance"));
      Put(group, "Code", Fit(shot.code, 16, "Code"));
    }
    if (shot.northing && shot.easting) {
      XmlNode point = NewRecord("Point");
      Put(point, "RecordType", "08");
      Put(point, "DerivationCode", "TP");
      Put(point, "PointNumber", Fit(name, 16, "PointNumber"));
      Put(point, "Northing", LengthField(shot.northing, "Northing"));
      Put(point, "Easting", LengthField(shot.easting, "Easting"));
      Put(point, "OrthoHeight", LengthField(shot.height, "OrthoHeight"));
      Put(point, "Code", Fit(shot.code, 16, "Code"));
    }
  }

  void WritePoint(const Entry& entry) override {
    const KnownPoint& point = entry.point;
    XmlNode group = NewRecord("Point");
    Put(group, "RecordType", "08");
    Put(group, "DerivationCode", "KI");
    Put(group, "PointNumber", Fit(point.name, 16, "PointNumber"));
    Put(group, "Northing", LengthField(point.northing, "Northing"));
    Put(group, "Easting", LengthField(point.easting, "Easting"));
    Put(group, "OrthoHeight", LengthField(point.height, "OrthoHeight"));
    Put(group, "Code", Fit(point.code, 16, "Code"));
  }

  void WriteJob(const Entry& entry) override {
    const Job& job = entry.job;
    if (!job.name.empty()) {
      XmlNode group = NewRecord("Job");
      Put(group, "RecordType", "10");
      Put(group, "DerivationCode", "NM");
      Put(group, "JobName", Fit(job.name, 16, "JobName"));
      Put(group, "PointIdentity", "1");
      Put(group, "RecordElevations", "2");
      Put(group, "AtmosphericCorrection", "1");
      Put(group, "CurvatureCorrection", "1");
      Put(group, "RefractionConstant", "1");
      Put(group, "SeaLevelCorrection", "1");
    }
    if (!job.description.empty()) Drop("JobDescription", " values");
    if (!job.instrument.empty()) Drop("InstrumentText", " values");
    // The date and time go into the header.
  }

  void WriteComment(const Entry& entry) override {
    std::string text = entry.text;
    if (text.size() > 60) Note("Comment", " texts longer than 60 characters split over notes");
    do {
      XmlNode group = NewRecord("Comment");
      Put(group, "RecordType", "13");
      Put(group, "DerivationCode", "NM");
      Put(group, "Text", text.substr(0, 60));
      text = text.size() > 60 ? text.substr(60) : std::string();
    } while (!text.empty());
  }

  void End() override { ReportChanges(); }

 private:
  void WriteStation(const Setup& setup, const std::optional<Measure>& instrument) {
    XmlNode group = NewRecord("Station");
    Put(group, "RecordType", "02");
    Put(group, "DerivationCode", "TP");
    Put(group, "StationPoint", Fit(setup.station, 16, "StationPoint"));
    Put(group, "StationNorthing", LengthField(setup.northing, "StationNorthing"));
    Put(group, "StationEasting", LengthField(setup.easting, "StationEasting"));
    Put(group, "StationHeight", LengthField(setup.height, "StationHeight"));
    Put(group, "InstrumentHeight", LengthField(instrument, "InstrumentHeight"));
    Put(group, "Code", Fit(setup.code, 16, "Code"));
    written_.instrument = instrument;
  }

  void WriteBacksight(const Setup& setup) {
    if (setup.backsightPoint.empty() && !setup.backsightBearing && !setup.backsightCircle) return;
    XmlNode group = NewRecord("Backsight");
    Put(group, "RecordType", "07");
    Put(group, "DerivationCode", "TP");
    Put(group, "StationPoint", Fit(setup.station, 16, "StationPoint"));
    Put(group, "BacksightPoint", Fit(setup.backsightPoint, 16, "BacksightPoint"));
    std::optional<Measure> bearing = setup.backsightBearing;
    if (bearing && setup.southAzimuths) {
      bearing->value = NormalizeAngle(bearing->value + kPi);
      bearing->unit = Unit::kUnknown;
    }
    Put(group, "BacksightBearing", AngleField(bearing, "BacksightBearing"));
    Put(group, "BacksightCircle", AngleField(setup.backsightCircle, "BacksightCircle"));
  }

  // A number field: blank when the value is absent (a fixed-column record
  // writes every field up to its last).
  std::string LengthField(const std::optional<Measure>& value, const char* name) {
    return value ? Real(LengthText(*value), name) : std::string();
  }
  std::string AngleField(const std::optional<Measure>& value, const char* name) {
    return value ? Real(AngleText(*value), name) : std::string();
  }

  // A text field of `width` columns.
  std::string Fit(const std::string& text, size_t width, const char* name) {
    if (text.size() <= width) return text;
    Note(name, " values longer than " + std::to_string(width) + " characters cut");
    return text.substr(0, width);
  }
  // A number in a 16-column field: fewer decimals where it is too wide.
  std::string Real(std::string text, const char* name) {
    if (text.size() <= 16) return text;
    const size_t point = text.find('.');
    if (point != std::string::npos && point <= 16) {
      Note(name, " values rounded to fit 16 columns");
      text = text.substr(0, point == 15 ? 15 : 16);
      return text;
    }
    Note(name, " values wider than 16 columns cut");
    return text.substr(0, 16);
  }
};

// ---------------------------------------------------------------------------
// Nikon RAW V2.00: comma-delimited records, the units in CO lines.

class NikonWriter : public LayoutWriter {
 public:
  using LayoutWriter::LayoutWriter;

 protected:
  Unit AngularFor(Unit source) const override {
    return source == Unit::kRadians || !IsAngular(source) ? Unit::kGons : source;
  }
  Unit LinearFor(Unit source) const override { return IsLinear(source) ? source : Unit::kMeters; }

  void Begin() override {
    XmlNode title = NewRecord("Comment");
    Put(title, "Text", "Nikon RAW data format V2.00");
    XmlNode linear = NewRecord("Units");
    Put(linear, "LinearUnit", UnitName(linear_));
    XmlNode angular = NewRecord("Units");
    Put(angular, "AngularUnit", UnitName(angular_));
  }

  void WriteSetup(const Entry&, const Setup& setup) override {
    WriteStation(setup, setup.instrumentHeight);
  }

  void WriteShot(const Entry&, const Shot& input) override {
    Shot shot = input;
    if (!SameLength(shot.instrumentHeight, written_.instrument)) {
      WriteStation(Reoriented(shot), shot.instrumentHeight);
    }
    // A Nikon shot holds a slope distance and a zenith angle only.
    if (!shot.slopeDistance && shot.horizontalDistance) {
      if (shot.zenith && std::fabs(std::sin(shot.zenith->value)) > 1e-12) {
        shot.slopeDistance =
            Computed(shot.horizontalDistance->value / std::sin(shot.zenith->value));
        Note("HorizontalDistance", " values written as slope distances (with the zenith angle)");
      } else if (shot.verticalDistance) {
        shot.slopeDistance =
            Computed(std::hypot(shot.horizontalDistance->value, shot.verticalDistance->value));
        shot.zenith =
            Computed(std::atan2(shot.horizontalDistance->value, shot.verticalDistance->value));
        Note("HorizontalDistance",
             " values written as slope distances and zenith angles (with the height difference)");
        shot.verticalDistance.reset();
      } else {
        Drop("HorizontalDistance", " values without a zenith angle or height difference");
      }
      shot.horizontalDistance.reset();
    }
    if (shot.horizontalDistance) Drop("HorizontalDistance", " values beside a slope distance");
    if (shot.verticalDistance) Drop("VerticalDistance", " values");
    XmlNode group = NewRecord("Observation");
    Put(group, "RecordType", shot.backsight ? "F1" : "SS");
    std::string name = shot.point;
    PutName(group, "PointNumber", name, ',');
    PutLength(group, "PrismHeight", shot.prismHeight);
    PutLength(group, "SlopeDistance", shot.slopeDistance);
    PutAngle(group, "HorizontalAngle", shot.horizontal);
    PutAngle(group, "ZenithAngle", shot.zenith);
    if (const std::string* time = Extra("Time")) Put(group, "Time", *time);
    if (!shot.code.empty()) Put(group, "Code", shot.code);
    written_.prism = shot.prismHeight;
    if (shot.northing && shot.easting) {
      PutCoordinates("CC", name, true, shot.northing, shot.easting, shot.height, shot.code, "Code");
    }
  }

  void WritePoint(const Entry& entry) override {
    const KnownPoint& point = entry.point;
    const std::string& type = point.recordType;
    const bool own = type == "UP" || type == "MP" || type == "CC" || type == "RE" || type == "MC";
    PutCoordinates(own ? type : "UP", point.name, true, point.northing, point.easting, point.height,
                   point.code, "Code");
    placed_.insert(point.name);
  }

  void WriteJob(const Entry& entry) override {
    const Job& job = entry.job;
    std::string text = job.name;
    if (!job.description.empty()) text += (text.empty() ? "" : " ") + job.description;
    if (!job.date.empty() || !job.time.empty()) {
      text += (text.empty() ? std::string() : std::string(" ")) + "Created " + job.date +
              (job.time.empty() ? "" : " " + job.time);
    }
    if (!text.empty()) Comment(text);
    if (!job.instrument.empty()) Comment("Instrument: " + job.instrument);
  }

  void WriteComment(const Entry& entry) override { Comment(entry.text); }

  void End() override {
    if (settings_ > 0) {
      notes_.push_back(std::to_string(settings_) +
                       " comments that Nikon RAW V2.00 would read as settings (units, coordinate "
                       "order, vertical zero) written with a leading blank");
    }
    ReportChanges();
  }

 private:
  void Comment(std::string text) {
    static const char* const kSettings[] = {
        "Coord Order:", "Zero VA:", "VA:", "Dist Units:", "Angle Units:"};
    for (const char* setting : kSettings) {
      if (text.compare(0, std::char_traits<char>::length(setting), setting) == 0) {
        text = " " + text;
        ++settings_;
        break;
      }
    }
    XmlNode group = NewRecord("Comment");
    Put(group, "Text", text);
  }

  void WriteStation(const Setup& setup, const std::optional<Measure>& instrument) {
    if (setup.northing && setup.easting && placed_.count(setup.station) == 0) {
      // A Nikon station record holds no coordinates: they go in a point
      // record before it.
      XmlNode point = NewRecord("Point");
      Put(point, "RecordType", "UP");
      PutName(point, "PointNumber", setup.station, ',');
      PutLength(point, "Northing", setup.northing);
      PutLength(point, "Easting", setup.easting);
      PutLength(point, "OrthoHeight", setup.height);
      if (!setup.code.empty()) Put(point, "Code", setup.code);
      placed_.insert(setup.station);
    } else if (!setup.code.empty()) {
      Drop("Code", " values of stations");
    }
    XmlNode group = NewRecord("Station");
    PutName(group, "StationPoint", setup.station, ',');
    if (!setup.backsightPoint.empty()) PutName(group, "BacksightPoint", setup.backsightPoint, ',');
    PutLength(group, "InstrumentHeight", instrument);
    if (setup.backsightBearing) {
      Measure bearing = *setup.backsightBearing;
      if (setup.southAzimuths) {
        bearing.value = NormalizeAngle(bearing.value + kPi);
        bearing.unit = Unit::kUnknown;
      }
      Put(group, "BacksightBearing", AngleText(bearing));
    }
    PutAngle(group, "BacksightCircle", setup.backsightCircle);
    written_.instrument = instrument;
  }

  std::unordered_set<std::string> placed_;
  size_t settings_ = 0;
};

// ---------------------------------------------------------------------------
// Carlson RW5: records of headed fields, the units in the MO record.

class Rw5Writer : public LayoutWriter {
 public:
  using LayoutWriter::LayoutWriter;

 protected:
  Unit AngularFor(Unit source) const override {
    if (source == Unit::kGons || source == Unit::kMils || source == Unit::kRadians) {
      return Unit::kGons;
    }
    return Unit::kDms;
  }
  Unit LinearFor(Unit source) const override { return IsLinear(source) ? source : Unit::kMeters; }
  bool HoldsAzimuths() const override { return true; }
  bool HoldsDeflections() const override { return true; }

  void Begin() override {
    XmlNode group = NewRecord("Units");
    Put(group, "AzimuthDirection", "0");
    Put(group, "LinearUnit", UnitName(linear_));
    Put(group, "ScaleFactor", "1.00000000");
    Put(group, "EarthCurvature", "0");
    Put(group, "EdmOffset", "0.0");
    Put(group, "AngularUnit", UnitName(angular_));
  }

  void WriteSetup(const Entry&, const Setup& setup) override {
    XmlNode station = NewRecord("Station");
    PutField(station, "StationPoint", setup.station, ',');
    PutLength(station, "StationNorthing", setup.northing);
    PutLength(station, "StationEasting", setup.easting);
    PutLength(station, "StationHeight", setup.height);
    if (!setup.code.empty()) Put(station, "Note", setup.code);
    if (setup.instrumentHeight) WriteHeights(setup.instrumentHeight, written_.prism);
    if (!setup.backsightPoint.empty() || setup.backsightBearing || setup.backsightCircle) {
      XmlNode group = NewRecord("Backsight");
      PutField(group, "StationPoint", setup.station, ',');
      if (!setup.backsightPoint.empty()) {
        PutField(group, "BacksightPoint", setup.backsightPoint, ',');
      }
      if (setup.backsightBearing) {
        Measure bearing = *setup.backsightBearing;
        if (setup.southAzimuths) {
          bearing.value = NormalizeAngle(bearing.value + kPi);
          bearing.unit = Unit::kUnknown;
        }
        Put(group, "BacksightBearing", AngleText(bearing));
      }
      PutAngle(group, "BacksightCircle", setup.backsightCircle);
    }
  }

  void WriteShot(const Entry&, const Shot& shot) override {
    if (!SameLength(shot.instrumentHeight, written_.instrument) ||
        (shot.prismHeight && !SameLength(shot.prismHeight, written_.prism))) {
      WriteHeights(shot.instrumentHeight, shot.prismHeight);
    }
    XmlNode group = NewRecord("Observation");
    const std::string& type = shot.recordType;
    const bool own = type == "SS" || type == "TR" || type == "BD" || type == "BR" || type == "FD" ||
                     type == "FR";
    Put(group, "RecordType", own ? type : shot.backsight ? "BD" : "SS");
    PutField(group, "StationPoint", shot.station, ',');
    std::string name = shot.point;
    if (name.empty() && shot.backsight && shotSetup_ != kNone) {
      name = survey_.entries[shotSetup_].setup.backsightPoint;
    }
    PutField(group, "PointNumber", name, ',');
    if (shot.horizontal) {
      const char* element = shot.direction == Direction::kAzimuth      ? "Azimuth"
                            : shot.direction == Direction::kDeflection ? "DeflectionRight"
                                                                       : "HorizontalAngle";
      Put(group, element, AngleText(*shot.horizontal));
    }
    if (shot.zenith) {
      PutAngle(group, "ZenithAngle", shot.zenith);
    } else if (shot.verticalDistance && !shot.slopeDistance) {
      PutLength(group, "VerticalDistance", shot.verticalDistance);
    }
    if (shot.verticalDistance && (shot.zenith || shot.slopeDistance)) {
      Drop("VerticalDistance", " values beside a zenith angle");
    }
    if (shot.slopeDistance) {
      PutLength(group, "SlopeDistance", shot.slopeDistance);
      if (shot.horizontalDistance) Drop("HorizontalDistance", " values beside a slope distance");
    } else {
      PutLength(group, "HorizontalDistance", shot.horizontalDistance);
    }
    if (!shot.code.empty()) Put(group, "Note", shot.code);
    if (shot.northing && shot.easting) {
      PutCoordinates("SP", name, false, shot.northing, shot.easting, shot.height, shot.code,
                     "Note");
    }
  }

  void WritePoint(const Entry& entry) override {
    const KnownPoint& point = entry.point;
    const std::string& type = point.recordType;
    const bool own = type == "SP" || type == "DE" || type == "--SP" || type == "--GS";
    PutCoordinates(own            ? type
                   : point.design ? "DE"
                                  : "SP",
                   point.name, false, point.northing, point.easting, point.height, point.code,
                   "Note");
  }

  void WriteGnss(const Entry& entry) override {
    const GnssPosition& gnss = entry.gnss;
    XmlNode group = NewRecord("GnssPoint");
    PutField(group, "PointNumber", gnss.name, ',');
    if (gnss.latitude) Put(group, "Latitude", Text(*gnss.latitude, Unit::kDms));
    if (gnss.longitude) Put(group, "Longitude", Text(*gnss.longitude, Unit::kDms));
    if (gnss.ellipsoidHeight) {
      Put(group, "EllipsoidHeight", Text(*gnss.ellipsoidHeight, Unit::kMeters));
    }
    if (!gnss.code.empty()) Put(group, "Note", gnss.code);
  }

  void WriteJob(const Entry& entry) override {
    const Job& job = entry.job;
    if (job.name.empty() && job.date.empty() && job.time.empty()) {
      if (!job.instrument.empty()) Comment("Instrument: " + job.instrument);
      if (!job.description.empty()) Comment(job.description);
      return;
    }
    XmlNode group = NewRecord("Job");
    PutField(group, "JobName", job.name, ',');
    if (!job.date.empty()) PutField(group, "Date", job.date, ',');
    if (!job.time.empty()) PutField(group, "Time", job.time, ',');
    if (!job.description.empty()) Comment(job.description);
    if (!job.instrument.empty()) Comment("Instrument: " + job.instrument);
  }

  void WriteComment(const Entry& entry) override { Comment(entry.text); }

  void End() override { ReportChanges(); }

 private:
  void Comment(std::string text) {
    // "--SP," and "--GS," lines are points to an RW5 reader.
    if (text.compare(0, 3, "SP,") == 0 || text.compare(0, 3, "GS,") == 0) {
      text = " " + text;
      Note("Comment", " texts that an RW5 reader takes for points written with a leading blank");
    }
    XmlNode group = NewRecord("Comment");
    Put(group, "Text", text);
  }

  // An RW5 field is written only with a value: "OP," alone would run on.
  void PutField(XmlNode& group, const char* name, const std::string& text, char delimiter) {
    if (!text.empty()) PutName(group, name, text, delimiter);
  }

  void WriteHeights(const std::optional<Measure>& instrument, const std::optional<Measure>& prism) {
    XmlNode group = NewRecord("TargetHeight");
    PutLength(group, "InstrumentHeight", instrument);
    PutLength(group, "PrismHeight", prism);
    written_.instrument = instrument;
    written_.prism = prism;
  }
};

// ---------------------------------------------------------------------------
// Topcon GTS-7: keyword lines; a shot is a header line and a measurement line.

class Gts7Writer : public LayoutWriter {
 public:
  using LayoutWriter::LayoutWriter;

 protected:
  Unit AngularFor(Unit source) const override {
    if (source == Unit::kGons || source == Unit::kMils || source == Unit::kRadians) {
      return Unit::kGons;
    }
    return Unit::kDms;
  }
  Unit LinearFor(Unit source) const override {
    return source == Unit::kFeet || source == Unit::kUsFeet ? Unit::kFeet : Unit::kMeters;
  }

  void Begin() override {
    XmlNode group = NewRecord("Units");
    Put(group, "RecordType", "UNITS");
    Put(group, "LinearUnit", UnitName(linear_));
    Put(group, "AngularUnit", UnitName(angular_));
  }

  void WriteSetup(const Entry&, const Setup& setup) override {
    WriteStation(setup, setup.instrumentHeight);
  }

  void WriteShot(const Entry&, const Shot& shot) override {
    if (!SameLength(shot.instrumentHeight, written_.instrument)) {
      WriteStation(Reoriented(shot), shot.instrumentHeight);
    }
    std::string name = shot.point;
    if (name.empty() && shot.backsight) name = backsight_;
    // A BS header makes the shot the backsight shot of the setup written last.
    if (shot.backsight && name == backsight_) {
      XmlNode header = NewRecord("Backsight");
      Put(header, "RecordType", "BS");
      PutName(header, "BacksightPoint", name, ',');
      Put(header, "PrismHeight", shot.prismHeight ? LengthText(*shot.prismHeight) : "");
      if (!shot.code.empty()) PutName(header, "Code", shot.code, ',');
    } else {
      XmlNode header = NewRecord("Observation");
      Put(header, "RecordType", "SS");
      PutName(header, "PointNumber", name, ',');
      Put(header, "PrismHeight", shot.prismHeight ? LengthText(*shot.prismHeight) : "");
      PutName(header, "Code", shot.code, ',');
    }
    XmlNode group = NewRecord("Observation");
    if (shot.slopeDistance) {
      Put(group, "RecordType", "SD");
      Put(group, "HorizontalAngle", shot.horizontal ? AngleText(*shot.horizontal) : "");
      Put(group, "ZenithAngle", shot.zenith ? AngleText(*shot.zenith) : "");
      Put(group, "SlopeDistance", LengthText(*shot.slopeDistance));
      if (shot.horizontalDistance) Drop("HorizontalDistance", " values beside a slope distance");
      if (shot.verticalDistance) Drop("VerticalDistance", " values beside a slope distance");
    } else if (shot.horizontalDistance) {
      Put(group, "RecordType", "HD");
      Put(group, "HorizontalAngle", shot.horizontal ? AngleText(*shot.horizontal) : "");
      Put(group, "HorizontalDistance", LengthText(*shot.horizontalDistance));
      std::optional<Measure> rise = shot.verticalDistance;
      if (!rise && shot.zenith && std::fabs(std::sin(shot.zenith->value)) > 1e-12) {
        rise = Computed(shot.horizontalDistance->value * std::cos(shot.zenith->value) /
                        std::sin(shot.zenith->value));
        Note("ZenithAngle", " values of reduced observations written as height differences");
      } else if (shot.zenith) {
        Drop("ZenithAngle", " values beside a height difference");
      }
      Put(group, "VerticalDistance", rise ? LengthText(*rise) : "");
    } else {
      Put(group, "RecordType", "HV");
      Put(group, "HorizontalAngle", shot.horizontal ? AngleText(*shot.horizontal) : "");
      Put(group, "ZenithAngle", shot.zenith ? AngleText(*shot.zenith) : "");
      if (shot.verticalDistance) Drop("VerticalDistance", " values without a distance");
    }
    if (shot.northing && shot.easting) Drop("Northing", " values of observed points");
  }

  void WritePoint(const Entry&) override {
    Drop("Point", " records (Topcon GTS-7 holds coordinates for stations and backsights only)");
  }

  void WriteJob(const Entry& entry) override {
    const Job& job = entry.job;
    if (!job.name.empty() || !job.description.empty()) {
      XmlNode group = NewRecord("Job");
      Put(group, "RecordType", "JOB");
      PutName(group, "JobName", job.name, ',');
      PutName(group, "JobDescription", job.description, ',');
    }
    if (!job.date.empty() || !job.time.empty()) {
      XmlNode group = NewRecord("Job");
      Put(group, "RecordType", "DATE");
      PutName(group, "Date", job.date, ',');
      PutName(group, "Time", job.time, ',');
    }
    if (!job.instrument.empty()) {
      XmlNode group = NewRecord("Instrument");
      Put(group, "RecordType", "INST");
      Put(group, "InstrumentText", job.instrument);
    }
  }

  void WriteComment(const Entry& entry) override {
    XmlNode group = NewRecord("Comment");
    Put(group, "RecordType", "NOTE");
    Put(group, "Text", entry.text);
  }

  void End() override { ReportChanges(); }

 private:
  void WriteStation(const Setup& setup, const std::optional<Measure>& instrument) {
    XmlNode group = NewRecord("Station");
    Put(group, "RecordType", "STN");
    PutName(group, "StationPoint", setup.station, ',');
    Put(group, "InstrumentHeight", instrument ? LengthText(*instrument) : "");
    PutName(group, "Code", setup.code, ',');
    // The station's place: its own coordinates, or those of the point it
    // stands on (a GTS-7 file holds no other points).
    std::optional<Measure> northing = setup.northing;
    std::optional<Measure> easting = setup.easting;
    std::optional<Measure> height = setup.height;
    const SetupFrame* frame = FrameOf(setupIndex_);
    if (!(northing && easting) && frame != nullptr && frame->placed) {
      northing = Computed(frame->northing);
      easting = Computed(frame->easting);
      height.reset();
      if (frame->height) height = Computed(*frame->height);
    }
    if (northing && easting) {
      XmlNode point = NewRecord("Point");
      Put(point, "RecordType", "XYZ");
      Put(point, "Easting", LengthText(*easting));
      Put(point, "Northing", LengthText(*northing));
      Put(point, "OrthoHeight", height ? LengthText(*height) : "");
    }
    written_.instrument = instrument;
    backsight_ = setup.backsightPoint;
    if (setup.backsightPoint.empty() && !setup.backsightBearing && !setup.backsightCircle) return;
    XmlNode back = NewRecord("Backsight");
    Put(back, "RecordType", "BKB");
    PutName(back, "BacksightPoint", setup.backsightPoint, ',');
    Measure bearing;
    bool hasBearing = false;
    if (setup.backsightBearing) {
      bearing = *setup.backsightBearing;
      if (setup.southAzimuths) {
        bearing.value = NormalizeAngle(bearing.value + kPi);
        bearing.unit = Unit::kUnknown;
      }
      hasBearing = true;
    }
    Put(back, "BacksightBearing", hasBearing ? AngleText(bearing) : "");
    Put(back, "BacksightCircle", setup.backsightCircle ? AngleText(*setup.backsightCircle) : "");
  }

  std::string backsight_;  // the backsight point of the setup written last
};

}  // namespace

RawLayout RawLayoutOf(const std::string& formatName) {
  for (const LayoutName& entry : kLayouts) {
    if (formatName == entry.name) return entry.layout;
  }
  return RawLayout::kNone;
}

RewriteReport RewriteForLayout(const XmlNode& data, RawLayout layout, const ReadOptions& units) {
  RewriteReport report;
  if (!data || layout == RawLayout::kNone) return report;
  const Survey survey = ReadSurvey(data, units);
  const PointsResult frames = ComputePoints(survey);
  // The new records replace everything below data but its info.
  XmlNode keep = data;
  for (XmlNode child = keep.FirstChild(); child;) {
    XmlNode next = child.NextSibling();
    if (!(child.Type() == kXmlElement && child.Name() == "info")) keep.RemoveChild(child);
    child = next;
  }
  std::unique_ptr<LayoutWriter> writer;
  switch (layout) {
    case RawLayout::kGsi16:
    case RawLayout::kGsi8:
      writer = std::make_unique<GsiWriter>(data, survey, frames, report, layout);
      break;
    case RawLayout::kSdr33:
      writer = std::make_unique<SdrWriter>(data, survey, frames, report, layout);
      break;
    case RawLayout::kNikon:
      writer = std::make_unique<NikonWriter>(data, survey, frames, report, layout);
      break;
    case RawLayout::kRw5:
      writer = std::make_unique<Rw5Writer>(data, survey, frames, report, layout);
      break;
    case RawLayout::kGts7:
      writer = std::make_unique<Gts7Writer>(data, survey, frames, report, layout);
      break;
    case RawLayout::kNone:
      return report;
  }
  writer->SetDefaults(units);
  writer->Run();
  for (const std::string& note : survey.notes) report.warnings.push_back(note);
  const bool gsi = layout == RawLayout::kGsi16 || layout == RawLayout::kGsi8;
  if (gsi && survey.wordInfos > 0) {
    report.warnings.push_back(std::to_string(survey.wordInfos) +
                              " GSI information characters (input mode, index and correction "
                              "flags) not written; the words get the target's defaults");
  }
  if (survey.deleted > 0) {
    report.warnings.push_back(std::to_string(survey.deleted) +
                              " records marked deleted not written");
  }
  return report;
}

}  // namespace survey
}  // namespace compoundparser
