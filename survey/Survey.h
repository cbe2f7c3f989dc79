// The survey that a raw instrument data document holds, read into one form
// whatever format it came from: station setups, shots, points the file gives
// coordinates for, job data and comments, in file order, with every value in
// radians or metres beside the unit and decimals the file wrote it with.
// ReadSurvey reads any document that follows the shared vocabulary (the raw
// formats' Record groups, and the point lists' Point groups); the coordinate
// computation, the raw-to-raw rewrite and the exchange formats build on it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "definitions/TFormatDescription.h"
#include "host/Xml.h"
#include "survey/Units.h"

namespace compoundparser {
namespace survey {

// A station setup: a Station record, with the coordinates and backsight
// records that follow it before its first shot.
struct Setup {
  std::string station;  // the occupied point; "" when the file names none
  std::string code;
  std::optional<Measure> northing, easting, height;  // as the records give them
  std::optional<Measure> instrumentHeight;
  std::string backsightPoint;
  std::optional<Measure> backsightBearing;  // azimuth from the station to the backsight
  std::optional<Measure> backsightCircle;   // horizontal circle reading on the backsight
  bool southAzimuths = false;               // bearings count from south (RW5 AD1)
  // GSI word 25, kept for GSI files; the GSI shots are oriented already.
  std::optional<Measure> horizontalOrientation;
};

// How a shot gives its horizontal direction.
enum class Direction {
  kNone,
  kCircle,      // a clockwise horizontal circle reading (angles left are turned round)
  kAzimuth,     // an azimuth from north (quadrant bearings and south azimuths turned into it)
  kDeflection,  // clockwise deflection from the prolongation of the line from the backsight
};

// One measurement from a station; a header record and its measurement record
// (GTS-7) make one shot. Heights are the ones in force for the shot.
struct Shot {
  std::string station;
  std::string point;  // "" when the record names none (a backsight shot of Nikon)
  std::string code;
  std::string recordType;  // the file's record code: SS, F1, BD, 09, HV...
  bool backsight = false;  // a shot on the setup's backsight
  Direction direction = Direction::kNone;
  std::optional<Measure> horizontal;
  std::optional<Measure> zenith;  // from the zenith; vertical angles are turned into it
  std::optional<Measure> slopeDistance, horizontalDistance, verticalDistance;
  std::optional<Measure> prismHeight, instrumentHeight;
  // Coordinates of the target that the same record holds (GSI blocks with
  // words 81 to 83).
  std::optional<Measure> northing, easting, height;
};

// A point the file gives coordinates for.
struct KnownPoint {
  std::string name;
  std::string code;
  std::string recordType;
  std::optional<Measure> northing, easting, height;
  bool design = false;  // a stake-out design point (RW5 DE): not a surveyed point
};

// A position from a GNSS receiver (angles as the file writes them).
struct GnssPosition {
  std::string name;
  std::string code;
  std::optional<Measure> latitude, longitude, ellipsoidHeight;
};

struct Job {
  std::string name;
  std::string description;
  std::string date;
  std::string time;
  std::string instrument;
};

enum class EntryKind {
  kUnits,  // a units record: the units in force change (extras: its other settings)
  kSetup,
  kShot,
  kPoint,
  kGnss,
  kJob,
  kComment,
  kOther,  // a record with no counterpart in the shared vocabulary (kept as text)
};

struct Entry {
  EntryKind kind = EntryKind::kOther;
  size_t record = 0;  // 1-based number of the record in the document
  // The group it was read from (a shot's measurement record); valid while the
  // document is not changed.
  XmlNode node;
  std::string group;                            // the group's name
  Setup setup;                                  // kSetup
  Shot shot;                                    // kShot
  KnownPoint point;                             // kPoint
  GnssPosition gnss;                            // kGnss
  Job job;                                      // kJob
  std::string text;                             // kComment: the text; kOther: the record's own text
  std::string recordType;                       // kOther: the record's code, where the file has one
  size_t setupEntry = static_cast<size_t>(-1);  // kShot: the setup in force
  // The elements of the record that none of the members above holds (a shot's
  // time, a GSI word without a name, EDM constants...), name and text (a
  // group below counts as one element holding the texts of its values), so
  // that a rewrite can say which it could not write. Elements that only say how
  // the record was written (RecordType, Word1, HorizontalAngleInfo...) are not
  // listed.
  std::vector<std::pair<std::string, std::string>> extras;
};

struct Survey {
  std::vector<Entry> entries;
  // The units the file declares first (or its values use first); kUnknown
  // when it has none of that kind.
  Unit angularUnit = Unit::kUnknown;
  Unit linearUnit = Unit::kUnknown;
  size_t deleted = 0;    // records marked deleted, passed over
  size_t wordInfos = 0;  // GSI information characters (<name>Info) read, not carried
  size_t records = 0;    // records read
  // What the reading passed over or had to assume, one line each.
  std::vector<std::string> notes;

  size_t Count(EntryKind kind) const;
};

// The units of values for which the document names none (the format's
// defaults: the first units of its definition's description).
struct ReadOptions {
  Unit angularUnit = Unit::kGons;
  Unit linearUnit = Unit::kMeters;
};

// Returns the first units of a definition's description (gons and metres
// where it names none).
ReadOptions DefaultUnits(const TFormatDescription& description);

// Reads the `data` element of an instrument data document. Records marked
// Deleted, blank lines and the file-level elements are passed over; a value
// that is not a number is left out of its shot with a note.
Survey ReadSurvey(const XmlNode& data, const ReadOptions& options = ReadOptions());

}  // namespace survey
}  // namespace compoundparser
