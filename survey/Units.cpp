#include "survey/Units.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace compoundparser {
namespace survey {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFoot = 0.3048;
constexpr double kUsFoot = 1200.0 / 3937.0;

struct UnitNameEntry {
  const char* name;
  Unit unit;
};

const UnitNameEntry kUnitNames[] = {
    {"Gons", Unit::kGons},
    {"Degrees", Unit::kDegrees},
    {"DMS", Unit::kDms},
    {"Mils", Unit::kMils},
    {"Radians", Unit::kRadians},
    {"Meters", Unit::kMeters},
    {"Feet", Unit::kFeet},
    {"USFeet", Unit::kUsFeet},
    // GSI units with a resolution: the same unit with more decimals.
    {"Meters0.1mm", Unit::kMeters},
    {"Meters0.01mm", Unit::kMeters},
    {"Feet0.0001", Unit::kFeet},
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

double Resolution(Unit unit, int decimals) {
  if (unit == Unit::kDms) {
    // ddd.mmss: the first two decimals count minutes, the next two seconds.
    if (decimals <= 0) return ToBase(1.0, Unit::kDegrees);
    if (decimals <= 2) return ToBase(std::pow(10.0, 2 - decimals) / 60.0, Unit::kDegrees);
    return ToBase(std::pow(10.0, 4 - decimals) / 3600.0, Unit::kDegrees);
  }
  return ToBase(std::pow(10.0, -decimals), unit);
}

bool IsAngular(Unit unit) {
  return unit == Unit::kGons || unit == Unit::kDegrees || unit == Unit::kDms ||
         unit == Unit::kMils || unit == Unit::kRadians;
}

bool IsLinear(Unit unit) {
  return unit == Unit::kMeters || unit == Unit::kFeet || unit == Unit::kUsFeet;
}

Unit UnitFromName(std::string_view name) {
  for (const UnitNameEntry& entry : kUnitNames) {
    if (name == entry.name) return entry.unit;
  }
  return Unit::kUnknown;
}

const char* UnitName(Unit unit) {
  for (const UnitNameEntry& entry : kUnitNames) {
    if (entry.unit == unit) return entry.name;
  }
  return "";
}

bool ParseNumber(std::string_view text, double& value, int* decimals) {
  text = Trim(text);
  std::string_view digits = text;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  size_t count = 0;
  size_t point = std::string_view::npos;
  for (size_t i = 0; i < digits.size(); ++i) {
    const char c = digits[i];
    if (c >= '0' && c <= '9') {
      ++count;
    } else if (c == '.' && point == std::string_view::npos) {
      point = i;
    } else {
      return false;
    }
  }
  if (count == 0) return false;
  // from_chars takes no leading '+'.
  const std::string_view number = text.front() == '+' ? text.substr(1) : text;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec != std::errc() || result.ptr != number.data() + number.size()) return false;
  if (decimals != nullptr) {
    *decimals = point == std::string_view::npos ? 0 : static_cast<int>(digits.size() - point - 1);
  }
  return true;
}

bool ParseMeasure(std::string_view text, Unit unit, Measure& measure) {
  if (unit == Unit::kUnknown) return false;
  double number = 0;
  int decimals = 0;
  if (!ParseNumber(text, number, &decimals)) return false;
  measure.unit = unit;
  measure.decimals = decimals;
  if (unit != Unit::kDms) {
    measure.value = ToBase(number, unit);
    return true;
  }
  // Packed sexagesimal, read from the digits so that 0.1 of a second is exact.
  text = Trim(text);
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  const size_t point = text.find('.');
  double degrees = 0;
  std::from_chars(text.data(),
                  text.data() + (point == std::string_view::npos ? text.size() : point), degrees);
  std::string fraction(point == std::string_view::npos ? std::string_view()
                                                       : text.substr(point + 1));
  while (fraction.size() < 4) fraction += '0';
  const int minutes = (fraction[0] - '0') * 10 + (fraction[1] - '0');
  const int seconds = (fraction[2] - '0') * 10 + (fraction[3] - '0');
  if (minutes >= 60 || seconds >= 60) return false;
  double tenths = 0;
  double scale = 0.1;
  for (size_t i = 4; i < fraction.size(); ++i, scale /= 10) tenths += (fraction[i] - '0') * scale;
  const double decimal = degrees + minutes / 60.0 + (seconds + tenths) / 3600.0;
  measure.value = ToBase(negative ? -decimal : decimal, Unit::kDegrees);
  return true;
}

double ToBase(double value, Unit unit) {
  switch (unit) {
    case Unit::kGons:
      return value * kPi / 200.0;
    case Unit::kDegrees:
    case Unit::kDms:
      return value * kPi / 180.0;
    case Unit::kMils:
      return value * kPi / 3200.0;
    case Unit::kFeet:
      return value * kFoot;
    case Unit::kUsFeet:
      return value * kUsFoot;
    default:
      return value;
  }
}

double FromBase(double value, Unit unit) {
  switch (unit) {
    case Unit::kGons:
      return value * 200.0 / kPi;
    case Unit::kDegrees:
    case Unit::kDms:
      return value * 180.0 / kPi;
    case Unit::kMils:
      return value * 3200.0 / kPi;
    case Unit::kFeet:
      return value / kFoot;
    case Unit::kUsFeet:
      return value / kUsFoot;
    default:
      return value;
  }
}

std::string FormatMeasure(double value, Unit unit, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 12) decimals = 12;
  char text[64];
  if (unit != Unit::kDms) {
    const double number = FromBase(value, unit);
    std::snprintf(text, sizeof text, "%.*f", decimals, number);
    // No "-0.000".
    std::string written(text);
    if (written.find_first_not_of("-0.") == std::string::npos && written[0] == '-') {
      written.erase(0, 1);
    }
    return written;
  }
  // Count in units of the last digit, so that rounding carries into the
  // seconds, minutes and degrees.
  const double degrees = FromBase(value, Unit::kDegrees);
  const bool negative = degrees < 0;
  const int secondDecimals = decimals > 4 ? decimals - 4 : 0;
  const double perSecond = std::pow(10.0, secondDecimals);
  double steps = std::round(std::fabs(degrees) * 3600.0 * perSecond);
  if (decimals < 4) {
    // Tens of seconds (3), whole minutes (2), tens of minutes (1) or degrees (0).
    static const double kSecondsPerStep[] = {3600.0, 600.0, 60.0, 10.0};
    const double per = kSecondsPerStep[decimals];
    steps = std::round(std::fabs(degrees) * 3600.0 / per) * per;
  }
  const double wholeSeconds = std::floor(steps / perSecond);
  const double secondPart = steps - wholeSeconds * perSecond;
  const long long total = static_cast<long long>(wholeSeconds);
  const long long deg = total / 3600;
  const int minutes = static_cast<int>(total / 60 % 60);
  const int seconds = static_cast<int>(total % 60);
  std::string written = negative && steps > 0 ? "-" : "";
  written += std::to_string(deg);
  if (decimals == 0) return written;
  char packed[16];
  std::snprintf(packed, sizeof packed, "%02d%02d", minutes, seconds);
  written += '.';
  written.append(packed, decimals < 4 ? static_cast<size_t>(decimals) : 4);
  if (secondDecimals > 0) {
    std::snprintf(text, sizeof text, "%0*lld", secondDecimals,
                  static_cast<long long>(std::llround(secondPart)));
    written += text;
  }
  return written;
}

int DecimalsFor(Unit unit, Unit from, int decimals) {
  if (unit == from) return decimals;
  const double wanted = Resolution(from, decimals) * (1 + 1e-9);
  for (int candidate = 0; candidate < 12; ++candidate) {
    if (Resolution(unit, candidate) <= wanted) return candidate;
  }
  return 12;
}

double NormalizeAngle(double radians) {
  double angle = std::fmod(radians, 2 * kPi);
  if (angle < 0) angle += 2 * kPi;
  if (angle >= 2 * kPi) angle = 0;
  return angle;
}

}  // namespace survey
}  // namespace compoundparser
