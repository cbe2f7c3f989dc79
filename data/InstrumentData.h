// An instrument data document together with the parse context of the import
// and export runs over it. The object owns its document (shared with whoever
// holds a handle from GetDocument) and, through TParserParam, the file that its
// last run opened; the host callback is only borrowed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/ParseObserver.h"
#include "engine/TParserCallBack.h"
#include "engine/TParserParam.h"
#include "host/HostError.h"
#include "host/Xml.h"

namespace compoundparser {

class AtomicFile;
struct RecordTally;
class FormatDefinition;
class XmlStreamBuilder;

class InstrumentData : public TParserParam {
 public:
  // Starts with the definition's description variables and no document.
  InstrumentData(const FormatDefinition& definition, TParserCallBack* hostCallBack);
  ~InstrumentData() override;
  InstrumentData(const InstrumentData&) = delete;
  InstrumentData& operator=(const InstrumentData&) = delete;

  // Replaces the document by the content of an XML file; false when it cannot be
  // loaded. Values come back as SaveXml wrote them: an empty value and one of
  // blanks stay values (white space between elements is dropped).
  bool LoadXml(const std::string& fileName);
  // Saves the document as UTF-8 through an unnamed temporary file that takes the
  // target's name once complete; a symbolic link there is replaced, never
  // written through. A carriage return in a value is written "&#13;", so that
  // LoadXml gives it back.
  bool SaveXml(const std::string& fileName);

  // Returns the current document (an empty handle when there is none).
  XmlDocument GetDocument() const { return document; }
  // Returns true once an export found nothing to write.
  bool IsEmpty() const { return empty; }
  // Returns the failure code of the last failed SaveXml (0 if none failed).
  uint32_t GetError() const { return error; }

  // Imports a data file into a new document through `definition`.
  bool ParseRead(const std::string& fileName, FormatDefinition& definition);
  // Imports a data file through `definition` and writes the instrument data
  // document straight to `xmlFile`: the same bytes as ParseRead followed by
  // SaveXml, with the same messages and result, but without holding the records
  // in memory (the object's document keeps only its head: declaration, comment,
  // `data` and `info`). The file appears only when the import succeeds.
  bool ParseReadToFile(const std::string& fileName, FormatDefinition& definition,
                       const std::string& xmlFile);
  // Imports as ParseReadToFile does into `output`, which is left for its holder
  // to commit (or not).
  bool ParseReadToFile(const std::string& fileName, FormatDefinition& definition,
                       AtomicFile& output);
  // Makes ParseRead add the records to the document node by node through the
  // DOM (true) instead of writing them as XML text and parsing that at the end
  // (false, the default, several times faster). Both give the same document.
  void SetDomImport(bool on) { domImport = on; }
  // Notes the code page of the data file in the document being imported: the
  // attribute `encoding` of info/Source_File (see SetDataCodePage of the
  // context).
  void SetDataCodePage(const std::string& name) override;

  // Watches the next runs for the place where they fail (on by default): see
  // GetDiagnosis. Watching costs little; a host that never shows a diagnosis
  // may turn it off.
  void SetDiagnosis(bool on) { diagnosisOn = on; }
  // Returns why the last import or export failed: the place in the data file
  // (or the document and the output) that the run got furthest to, what the
  // definition expected there and what stood there, and the definition's node.
  // Also after an export that reported an error and stopped short (a value
  // too wide for its field: the records after it are not written). Returns
  // nullptr after a success, when no node failed (a missing file, nothing to
  // export) and when watching is off.
  const TDiagnosis* GetDiagnosis() const { return diagnosis ? &*diagnosis : nullptr; }

  // Counted into by ParseRead and ParseReadToFile when set (not owned): the
  // records the import added, by kind, and its catch-all records.
  RecordTally* tally = nullptr;

  // Exports the document into a data file through `definition`, consuming its
  // repeated groups: every record that the export writes or passes over is
  // removed from the document, so that after a complete export the document
  // holds no records (only what the format does not write). A caller that
  // keeps the document calls ParseWriteCopy instead. Without a code page set by the host, the data
  // file is written in the code page that the document's info/Source_File names in its attribute
  // `encoding`. The file takes its name when the run ends (with what was written, also after a
  // failure); a symbolic link of that name is replaced.
  bool ParseWrite(const std::string& fileName, FormatDefinition& definition);
  // Exports as ParseWrite does into `output`, which is left for its holder to
  // commit (or not), so that a caller who checks the outcome first never
  // leaves a partial file.
  bool ParseWrite(AtomicFile& output, FormatDefinition& definition);
  // Exports as ParseWrite does, from a copy of the document (as SaveXml and
  // LoadXml would give it back), so that the document keeps every record;
  // what a run with ParseWrite would leave is dropped with the copy. Costs a
  // second document for the length of the run.
  bool ParseWriteCopy(const std::string& fileName, FormatDefinition& definition);
  bool ParseWriteCopy(AtomicFile& output, FormatDefinition& definition);

 private:
  // Returns the host callback, or a silent one when the host gave none.
  TParserCallBack* RunCallBack() const;
  // Builds the declaration, the comment, `data` and `info`; returns `data`.
  XmlNode BuildSkeleton(const std::string& fileName, const FormatDefinition& definition);
  // Makes a document error outside the run (the data file's name that XML
  // cannot hold) the host error; it is about the file, not its data.
  void ReportDocumentError(const XmlError& failure);
  // Reports that there is nothing to export and marks the object empty.
  void ReportNothingToExport();
  // Runs `run` (an import or export through `definition`) watched for its
  // failures when watching is on or the host attached an observer, and keeps
  // the diagnosis of a failure.
  bool Watched(FormatDefinition& definition, bool exporting, const std::function<bool()>& run);
  bool Import(const std::string& fileName, FormatDefinition& definition);
  bool StreamImport(const std::string& fileName, FormatDefinition& definition, AtomicFile& output);
  // Runs `run` (an export) on a copy of the document, then restores it.
  bool WithCopy(const std::function<bool()>& run);
  // Runs an export through `driver` (ParseXml into a file or an AtomicFile).
  bool RunExport(FormatDefinition& definition, const std::function<bool()>& driver);
  bool Export(FormatDefinition& definition, const std::function<bool()>& driver);
  // Runs the import driver with `builder` as the document builder.
  bool RunWithBuilder(XmlStreamBuilder& builder, const std::string& fileName,
                      FormatDefinition& definition);

  XmlDocument document;
  TParserCallBack* hostCallBack = nullptr;
  bool empty = false;
  uint32_t error = 0;
  bool domImport = false;
  // The builder of a text or streaming import while it runs: its head is
  // written again when the data file's code page is noted.
  XmlStreamBuilder* headBuilder = nullptr;
  bool diagnosisOn = true;
  ParseObserver watcher;
  std::optional<TDiagnosis> diagnosis;
};

}  // namespace compoundparser
