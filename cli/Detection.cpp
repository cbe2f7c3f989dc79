#include "cli/Detection.h"

#include <algorithm>
#include <memory>

#include "cli/Diagnosis.h"
#include "data/InstrumentData.h"
#include "data/RecordTally.h"
#include "engine/TParserCallBack.h"

namespace compoundparser {
namespace cli {
namespace {

// Counts the elements below `data` (its info element left out) that have no
// child elements and hold some text.
int CountValues(const XmlNode& data) {
  int values = 0;
  std::vector<XmlNode> pending;
  for (XmlNode child = data.FirstChild(); child; child = child.NextSibling()) {
    if (child.Type() == kXmlElement && child.Name() != "info") pending.push_back(child);
  }
  while (!pending.empty()) {
    const XmlNode node = pending.back();
    pending.pop_back();
    bool leaf = true;
    for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
      if (child.Type() == kXmlElement) {
        leaf = false;
        pending.push_back(child);
      }
    }
    if (leaf && !node.Text().empty()) ++values;
  }
  return values;
}

std::string Describe(const TDetectResult& result) {
  if (!result.complete) {
    return "\"" + result.definition->Name() + "\" stops at line " +
           std::to_string(result.stop.line) + ":" + std::to_string(result.stop.column);
  }
  return "\"" + result.definition->Name() + "\" reads all of it (" +
         std::to_string(result.records) + " records, " + std::to_string(result.values) + " values" +
         (result.catchAll > 0 ? ", " + std::to_string(result.catchAll) + " not recognised"
                              : std::string()) +
         ")";
}

}  // namespace

const TDetectResult* BestCompleteMatch(const std::vector<TDetectResult>& ranked) {
  if (ranked.empty() || !ranked[0].complete) return nullptr;
  if (ranked.size() > 1 && ranked[1].complete && ranked[1].values == ranked[0].values &&
      ranked[1].catchAll == ranked[0].catchAll) {
    return nullptr;
  }
  return &ranked[0];
}

std::vector<TDetectResult> DetectFormats(const FormatList& catalogue, const std::string& input,
                                         const std::vector<std::string>& sets) {
  std::vector<TDetectResult> results;
  const uint64_t size = FileSize(input);
  SilentCallBack silent;
  for (int i = 0; i < catalogue.NumFormats(); ++i) {
    FormatDefinition* definition = catalogue.GetFormat(i);
    if (definition == nullptr || !definition->IsImport() || definition->RootParser() == nullptr) {
      continue;
    }
    TDetectResult result;
    result.definition = definition;
    ParseObserver observer;
    observer.Begin(*definition->RootParser());
    InstrumentData trial(*definition, &silent);
    for (const std::string& assignment : sets) {
      const size_t equals = assignment.find('=');
      if (equals != std::string::npos && equals > 0) {
        trial.vars.Assign(assignment.substr(0, equals), assignment.substr(equals + 1));
      }
    }
    RecordTally tally;
    trial.observer = &observer;
    trial.tally = &tally;
    result.complete = trial.ParseRead(input, *definition);
    trial.observer = nullptr;
    trial.tally = nullptr;
    const XmlDocument document = trial.GetDocument();
    if (result.complete && document && document.DocumentElement()) {
      result.records = definition->CountRepeatedGroup(document.DocumentElement(), silent);
      result.values = CountValues(document.DocumentElement());
      result.catchAll = tally.catchAll;
      result.parsed = static_cast<uint32_t>(size);
    } else {
      result.parsed = observer.HasFailure() ? observer.FurthestPosition() : 0;
      result.stop = LocateInFile(input, result.parsed);
    }
    results.push_back(result);
  }
  std::stable_sort(results.begin(), results.end(),
                   [](const TDetectResult& a, const TDetectResult& b) {
                     if (a.complete != b.complete) return a.complete;
                     if (!a.complete) return a.parsed > b.parsed;
                     if ((a.catchAll == 0) != (b.catchAll == 0)) return a.catchAll == 0;
                     if (a.catchAll != b.catchAll) return a.catchAll < b.catchAll;
                     if (a.values != b.values) return a.values > b.values;
                     return a.records > b.records;
                   });
  return results;
}

ChosenFormat ChooseDetectedFormat(const std::string& input, const GlobalOptions& options,
                                  ConsoleCallBack& callBack) {
  ChosenFormat chosen;
  chosen.catalogue = LoadCatalogue(callBack);
  const std::vector<TDetectResult> results = DetectFormats(*chosen.catalogue, input, options.sets);
  std::string candidates;
  std::string others;
  int complete = 0;
  for (const TDetectResult& result : results) {
    if (result.complete) ++complete;
    if (candidates.size() < 2000 && (result.complete || complete == 0)) {
      candidates += "\n  " + Describe(result);
      if (result.complete && &result != &results.front()) others += "\n  " + Describe(result);
    }
  }
  if (const TDetectResult* best = BestCompleteMatch(results)) {
    chosen.definition = best->definition;
    if (complete > 1 && !options.quiet) {
      callBack.Print("compoundparser: " + input + ": read with \"" + best->definition->Name() +
                     "\", the format that reads it best (" + std::to_string(best->values) +
                     " values" +
                     (best->catchAll == 0
                          ? std::string(", every record recognised")
                          : ", " + std::to_string(best->catchAll) + " records not recognised") +
                     "); these read it too:" + others);
    }
    return chosen;
  }
  throw UsageError(
      std::string(complete == 0 ? "no format reads all of " : "several formats read all of ") +
      input + (complete == 0 ? "" : " into as many values") +
      "; name one with -f. Candidates:" + candidates);
}

}  // namespace cli
}  // namespace compoundparser
