// Imports a data file through a format of the installed catalogue and prints
// its points, computed from the observations of a raw file: embed FORMAT FILE,
// for example
//   embed "Comma Delimited Points" examples/points-comma.csv
//   embed "Carlson RW5" examples/survey-job.rw5
#include <compoundparser/compoundparser.h>

#include <cstdio>
#include <optional>
#include <string>

namespace {

// The library reports every message and its progress through a callback that
// the program owns.
class Messages : public compoundparser::TParserCallBack {
 public:
  void OnMessage(int kind, std::string text) override {
    if (kind != compoundparser::kKindDetail) std::fprintf(stderr, "embed: %s\n", text.c_str());
  }
  void OnProgress(unsigned long, unsigned long) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: embed FORMAT FILE\n");
    return 2;
  }
  Messages messages;

  // The catalogue: the bundled formats and the user's own.
  compoundparser::FormatList catalogue(&messages);
  catalogue.LoadFormats();
  compoundparser::FormatDefinition* format = catalogue.FindFormat(argv[1]);
  if (format == nullptr) {
    std::fprintf(stderr, "embed: no format is named \"%s\"\n", argv[1]);
    return 1;
  }

  // Import: the file becomes an instrument data document. The messages have
  // said why when it fails.
  compoundparser::InstrumentData data(*format, &messages);
  if (!data.ParseRead(argv[2], *format)) return 1;

  // A raw file holds observations (Record/Station, Record/Observation...):
  // its points are computed and take the place of its records.
  const compoundparser::XmlNode root = data.GetDocument().DocumentElement();
  if (format->Type() == "Measure") {
    namespace survey = compoundparser::survey;
    const survey::Survey observations =
        survey::ReadSurvey(root, survey::DefaultUnits(format->Description()));
    survey::WritePoints(survey::ComputePoints(observations), root);
  }

  // The records of the document in file order: the Point groups are the points.
  int points = 0;
  double northMost = 0;
  for (const compoundparser::TRecord& record : compoundparser::RecordReader(root)) {
    if (record.Group() != "Point") continue;
    const std::optional<double> northing = record.GetNumber("Northing");
    const std::optional<double> easting = record.GetNumber("Easting");
    if (!northing || !easting) {
      std::fprintf(stderr, "embed: point %zu has no coordinates\n", record.Number());
      continue;
    }
    std::printf("%-8s N %12.3f  E %12.3f  %s\n", record.GetValue("PointNumber").c_str(), *northing,
                *easting, record.GetValue("Code").c_str());
    if (points == 0 || *northing > northMost) northMost = *northing;
    ++points;
  }
  std::printf("%d points, the northernmost at N %.3f\n", points, northMost);
  return 0;
}
