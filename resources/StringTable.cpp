#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>

namespace compoundparser {
namespace {

struct Entry {
  unsigned id;
  const char* text;
};

// Sorted by id.
constexpr Entry kTable[] = {
    {2200, "Element with ID='%s' not found"},
    {2201, "TerminatedParser: Reach end"},
    {2202, "TerminatedParser: Number of parsers != 2"},
    {2203, "In %d pos. literal '%s' not found"},
    {2205, "Substitute with id='%s' already exists"},
    {2206, "Could not open input file: "},
    {2207, "File not parsed completely. Parsed only %ld bytes of %ld"},
    {2208, "Substitute with id='%s' not found"},
    {2209, "No nodes matched query (CountParser)"},
    {2210, "FormatParser: Unexpected end of file"},
    {2211, "Error on line %d, position %d in '%S'."},
    {2212, "RadioParser: No radio elements found in pos %xh"},
    {2213, "SubstituteParser: NULL"},
    {2214, "TerminatedParser: Not all data parsed"},
    {2215, "Input file has null legnth"},
    {2216, "Formats/*.xml"},
    {2217, "Could not load format definition from: "},
    {2218, "FormatParser: Unexpected end of line"},
    {2219, "FormatParser: Type of element mismatch"},
    {2220, "There are not data for exporting"},
    {2221, "Data does not fit in element"},
    {2222, "Precision of date is incorrect"},
    {2223, "Infinity looping"},
    {4000, "format"},
    {4001, "type"},
    {4002, "name"},
    {4003, "FileMask"},
    {4004, "id"},
    {4005, "hex"},
    {4006, "default"},
    {4007, "width"},
    {4008, "value"},
    {4009, "readonly"},
    {4010, "writecount"},
    {4011, "simple"},
    {4012, "RepeatedNode"},
    {4013, "align"},
    {4014, "sign"},
    {4015, "factor"},
    {4016, "precision"},
    {4017, "fill"},
    {4018, "offset"},
    {4019, "true"},
    {4020, "false"},
    {4021, "right"},
    {4022, "left"},
    {4023, "parser"},
    {4024, "subst"},
    {4025, "substitute"},
    {4026, "group"},
    {4027, "repeat"},
    {4028, "radio"},
    {4029, "optional"},
    {4030, "terminated"},
    {4031, "element"},
    {4032, "literal"},
    {4033, "count"},
    {4034, "description"},
    {4035, "units"},
    {4036, "metric"},
    {4037, "angular"},
    {4038, "temperature"},
    {4039, "pressure"},
    {4040, "VARS"},
    {4041, "variable"},
    {4042, "if"},
    {4043, "compare"},
    {4044, "assign"},
    {4045, "double"},
    {4046, "degree"},
    {4047, "SkipWrong"},
    {4048, "MaxWidth"},
    {4049, "ExcludeLiteralHex"},
    {4050, "FillBeforeSign"},
};

}  // namespace

const char* StringTableText(unsigned id) {
  auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                             [](const Entry& e, unsigned key) { return e.id < key; });
  if (it == std::end(kTable) || it->id != id) return nullptr;
  return it->text;
}

const char* Keyword(unsigned id) {
  const char* text = StringTableText(id);
  return text ? text : "";
}

}  // namespace compoundparser
