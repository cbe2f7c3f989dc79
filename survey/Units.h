// Units of the values in instrument data documents: the unit names of the
// shared vocabulary, reading a value in its unit (packed ddd.mmss included)
// into radians or metres, and writing it back in any unit with a given
// number of decimals.
#pragma once

#include <string>
#include <string_view>

namespace compoundparser {
namespace survey {

enum class Unit {
  kUnknown,
  kGons,     // 400 to the circle
  kDegrees,  // 360 to the circle, decimal
  kDms,      // 360 to the circle, written ddd.mmss (seconds may carry decimals)
  kMils,     // 6400 to the circle
  kRadians,
  kMeters,
  kFeet,    // international foot, 0.3048 m
  kUsFeet,  // US survey foot, 1200/3937 m
};

bool IsAngular(Unit unit);
bool IsLinear(Unit unit);

// Returns the unit that a document names ("Gons", "Meters0.1mm", "USFeet"...),
// or kUnknown. GSI names with a resolution are the plain unit.
Unit UnitFromName(std::string_view name);
// Returns the vocabulary's name of a unit ("" for kUnknown).
const char* UnitName(Unit unit);

// A value read from a document: the number in radians or metres, the unit the
// document gave it in and the decimals it was written with, so that it can be
// written again as it was.
struct Measure {
  double value = 0;
  Unit unit = Unit::kUnknown;
  int decimals = 0;
};

// Reads a decimal number: optional blanks and sign, digits, an optional point
// and digits (at least one digit in all), optional blanks. `decimals` gets the
// number of digits after the point. False for any other text.
bool ParseNumber(std::string_view text, double& value, int* decimals = nullptr);
// Reads `text` as a value in `unit` into `measure` (radians or metres); a DMS
// value is packed ddd.mmss, its digits after the point read as minutes, seconds
// and tenths... ("20.32" is 20 deg 32'). False when the text is no number, the
// unit is unknown, or minutes or seconds reach 60.
bool ParseMeasure(std::string_view text, Unit unit, Measure& measure);

// Converts radians or metres to a number in `unit` (for DMS: decimal degrees).
double FromBase(double value, Unit unit);
// Converts a number in `unit` (for DMS: decimal degrees) to radians or metres.
double ToBase(double value, Unit unit);

// Writes radians or metres in `unit` with `decimals` digits after the point; a
// DMS angle as ddd.mmss followed by decimals of seconds when `decimals` > 4.
std::string FormatMeasure(double value, Unit unit, int decimals);
// Returns the size of one step of the last digit of a value written in `unit`
// with `decimals` decimals, in radians or metres (DMS: ddd.mmss counts
// minutes with the first two decimals and seconds with the next two).
double Resolution(Unit unit, int decimals);
// Returns the decimals a value converted to `unit` is written with, so that it
// keeps at least the resolution it had in `from` with `decimals` digits.
int DecimalsFor(Unit unit, Unit from, int decimals);

// Returns an angle in [0, 2 pi).
double NormalizeAngle(double radians);

}  // namespace survey
}  // namespace compoundparser
