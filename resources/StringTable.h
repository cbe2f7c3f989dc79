// The library's own string table: the English messages (2200 to 2223), the
// catalogue's file mask (2216) and the vocabulary of format definitions
// (4000 to 4050). Compiled in; looked up by id.
#pragma once

namespace compoundparser {

// Ids of the message table.
enum MessageId : unsigned {
  kMsgElementNotFound = 2200,
  kMsgTerminatedReachEnd = 2201,
  kMsgTerminatedParserCount = 2202,
  kMsgLiteralNotFound = 2203,
  kMsgSubstituteExists = 2205,
  kMsgCannotOpenInput = 2206,
  kMsgNotParsedCompletely = 2207,
  kMsgSubstituteNotFound = 2208,
  kMsgCountNoNodes = 2209,
  kMsgUnexpectedEndOfFile = 2210,
  kMsgParseErrorLine = 2211,
  kMsgRadioNoElements = 2212,
  kMsgSubstituteNull = 2213,
  kMsgTerminatedNotAllData = 2214,
  kMsgInputNullLength = 2215,
  kStrCatalogueMask = 2216,
  kMsgCannotLoadDefinition = 2217,
  kMsgUnexpectedEndOfLine = 2218,
  kMsgTypeMismatch = 2219,
  kMsgNoDataForExport = 2220,
  kMsgDataDoesNotFit = 2221,
  kMsgPrecisionIncorrect = 2222,
  kMsgInfinityLooping = 2223,
};

// Ids of the keyword table.
enum KeywordId : unsigned {
  kKwFormat = 4000,
  kKwType = 4001,
  kKwName = 4002,
  kKwFileMask = 4003,
  kKwId = 4004,
  kKwHex = 4005,
  kKwDefault = 4006,
  kKwWidth = 4007,
  kKwValue = 4008,
  kKwReadonly = 4009,
  kKwWritecount = 4010,
  kKwSimple = 4011,
  kKwRepeatedNode = 4012,
  kKwAlign = 4013,
  kKwSign = 4014,
  kKwFactor = 4015,
  kKwPrecision = 4016,
  kKwFill = 4017,
  kKwOffset = 4018,
  kKwTrue = 4019,
  kKwFalse = 4020,
  kKwRight = 4021,
  kKwLeft = 4022,
  kKwParser = 4023,
  kKwSubst = 4024,
  kKwSubstitute = 4025,
  kKwGroup = 4026,
  kKwRepeat = 4027,
  kKwRadio = 4028,
  kKwOptional = 4029,
  kKwTerminated = 4030,
  kKwElement = 4031,
  kKwLiteral = 4032,
  kKwCount = 4033,
  kKwDescription = 4034,
  kKwUnits = 4035,
  kKwMetric = 4036,
  kKwAngular = 4037,
  kKwTemperature = 4038,
  kKwPressure = 4039,
  kKwVars = 4040,
  kKwVariable = 4041,
  kKwIf = 4042,
  kKwCompare = 4043,
  kKwAssign = 4044,
  kKwDouble = 4045,
  kKwDegree = 4046,
  kKwSkipWrong = 4047,
  kKwMaxWidth = 4048,
  kKwExcludeLiteralHex = 4049,
  kKwFillBeforeSign = 4050,
};

// Returns the English text stored under `id`, or nullptr when the table has no
// entry for it.
const char* StringTableText(unsigned id);

// Returns the keyword stored under `id` (neutral language), or "" when there is
// no entry.
const char* Keyword(unsigned id);

}  // namespace compoundparser
