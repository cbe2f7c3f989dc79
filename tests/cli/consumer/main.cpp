// Loads the installed catalogue and imports a sample through it; prints the
// number of formats and of imported points.
#include <compoundparser/FormatList.h>
#include <compoundparser/HostLib.h>
#include <compoundparser/InstrumentData.h>

#include <cstdio>
#include <string>

namespace {
class Quiet : public compoundparser::TParserCallBack {
 public:
  void OnMessage(int kind, std::string text) override {
    std::fprintf(stderr, "%d %s\n", kind, text.c_str());
  }
  void OnProgress(unsigned long, unsigned long) override {}
};
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  compoundparser::SetAppFolder(argv[1]);
  compoundparser::SetUserFolder(std::string(argv[1]) + "/no-user");
  Quiet callBack;
  compoundparser::FormatList catalogue(&callBack);
  catalogue.LoadFormats();
  compoundparser::FormatDefinition* format = catalogue.FindFormat("Comma Delimited Points");
  if (format == nullptr) return 1;
  compoundparser::InstrumentData data(*format, &callBack);
  if (!data.ParseRead(argv[2], *format)) return 1;
  const std::string text = data.GetDocument().SaveToString();
  int points = 0;
  for (size_t at = text.find("<Point>"); at != std::string::npos; at = text.find("<Point>", at + 1))
    ++points;
  std::printf("formats=%d points=%d\n", catalogue.NumFormats(), points);
  return 0;
}
