#include "survey/Conversion.h"

#include "survey/Coordinates.h"
#include "survey/RawRewrite.h"
#include "survey/Survey.h"

namespace compoundparser {
namespace survey {
namespace {

std::string Counted(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

ConversionReport PrepareExport(const XmlDocument& document, const FormatDefinition& source,
                               const FormatDefinition& target, const ConversionOptions& options) {
  ConversionReport report;
  if (!document || !document.DocumentElement()) return report;
  const XmlNode data = document.DocumentElement();
  const ReadOptions units = DefaultUnits(source.Description());
  const RawLayout layout = RawLayoutOf(target.Name());
  if (target.Type() == "Points") {
    if (!options.computePoints) return report;
    const Survey survey = ReadSurvey(data, units);
    if (survey.Count(EntryKind::kShot) == 0) return report;
    const PointsResult points = ComputePoints(survey);
    WritePoints(points, data);
    report.step = ConversionReport::Step::kPoints;
    report.summary = PointsSummary(points);
    report.warnings = survey.notes;
    report.warnings.insert(report.warnings.end(), points.warnings.begin(), points.warnings.end());
    if (points.withoutDistance > 0) {
      report.warnings.push_back(Counted(points.withoutDistance, "observation", "observations") +
                                " without a distance (angles only) gave no point");
    }
    if (points.withoutZenith > 0) {
      report.warnings.push_back(Counted(points.withoutZenith, "observation", "observations") +
                                " with a slope distance but no zenith angle gave no point");
    }
    if (points.withoutDirection > 0) {
      report.warnings.push_back(
          Counted(points.withoutDirection, "observation", "observations") +
          " without a horizontal direction that can be oriented gave no point");
    }
    if (survey.deleted > 0) {
      report.warnings.push_back(Counted(survey.deleted, "record", "records") +
                                " marked deleted passed over");
    }
    return report;
  }
  if (layout != RawLayout::kNone && source.Name() != target.Name()) {
    const RewriteReport rewrite = RewriteForLayout(data, layout, units);
    report.step = ConversionReport::Step::kRewrite;
    report.summary = "wrote " + Counted(rewrite.shots, "observation", "observations") + " in " +
                     Counted(rewrite.records, "record", "records") + " for \"" + target.Name() +
                     "\"";
    report.warnings = rewrite.warnings;
  }
  return report;
}

}  // namespace survey
}  // namespace compoundparser
