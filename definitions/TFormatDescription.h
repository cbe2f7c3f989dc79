// The description section of a format definition: four unit lists, the kinds of
// included data and the variables with their initial values. TFormatItem is a
// plain record of four strings offered to hosts.
#pragma once

#include <string>
#include <vector>

#include "engine/TVars.h"

namespace compoundparser {

struct TFormatDescription {
  std::vector<std::string> metricUnits;
  std::vector<std::string> angularUnits;
  std::vector<std::string> temperatureUnits;
  std::vector<std::string> pressureUnits;
  std::vector<std::string> includeData;
  TVars vars;
};

// Four strings whose meaning is the host's (for example: name, description,
// file mask, file name of a format shown in a list).
struct TFormatItem {
  std::string first;
  std::string second;
  std::string third;
  std::string fourth;
};

}  // namespace compoundparser
