#include "data/InstrumentData.h"

#include <memory>
#include <optional>

#include "data/RecordTally.h"
#include "data/XmlStreamBuilder.h"
#include "definitions/FormatDefinition.h"
#include "engine/MessageText.h"
#include "host/AtomicFile.h"
#include "host/CodePage.h"
#include "host/HostError.h"
#include "resources/StringTable.h"

namespace compoundparser {
namespace {

constexpr char kDataElement[] = "data";
constexpr char kLineEnd[] = "\r\n";

}  // namespace

InstrumentData::InstrumentData(const FormatDefinition& definition, TParserCallBack* callBackOfHost)
    : TParserParam(nullptr), hostCallBack(callBackOfHost) {
  vars = definition.Description().vars;
}

InstrumentData::~InstrumentData() { document = XmlDocument(); }

TParserCallBack* InstrumentData::RunCallBack() const {
  static SilentCallBack silent;
  return hostCallBack != nullptr ? hostCallBack : &silent;
}

bool InstrumentData::LoadXml(const std::string& fileName) {
  document = XmlDocument();
  try {
    document = XmlDocument::Create();
    return document.Load(fileName, XmlLoadMode::kKeepValues);
  } catch (const XmlError&) {
    return false;
  }
}

bool InstrumentData::SaveXml(const std::string& fileName) {
  if (document.IsNull()) {
    error = kXmlErrorPointer;
    return false;
  }
  if (fileName.empty()) {
    error = kXmlErrorInvalidArg;
    return false;
  }
  try {
    document.SaveReplacing(fileName);
    return true;
  } catch (const XmlError& e) {
    error = e.Code();
    return false;
  } catch (const std::exception&) {
    error = kXmlErrorFail;
    return false;
  }
}

XmlNode InstrumentData::BuildSkeleton(const std::string& fileName,
                                      const FormatDefinition& definition) {
  XmlNode top = document.AsNode();
  top.AppendProcessingInstruction("xml", "version=\"1.0\"");
  top.AppendComment("OXEL Instrument Data");
  XmlNode data = top.AppendElement(kDataElement);
  data.AppendText(kLineEnd);

  XmlNode info = data.AppendElement("info");
  XmlNode format = info.AppendElement("format");
  format.SetAttribute("name", definition.Name());
  format.SetAttribute("type", definition.Type());
  try {
    info.AppendElement("Source_File").SetAttribute("name", fileName);
  } catch (const XmlError& e) {
    throw XmlError(
        e.Code(),
        std::string("The name of the data file cannot be recorded in the document: ") + e.what());
  }
  XmlNode fields = info.AppendElement("AvailableFields");
  // The set is ordered byte by byte; an empty id names no element and is skipped.
  for (const std::string& id : definition.ElementIds()) {
    if (id.empty()) continue;
    fields.AppendElement(id);
    fields.AppendText(kLineEnd);
  }
  return data;
}

bool InstrumentData::Watched(FormatDefinition& definition, bool exporting,
                             const std::function<bool()>& run) {
  diagnosis.reset();
  // A host's own observer takes the place of the object's.
  ParseObserver* watching = observer != nullptr ? observer : diagnosisOn ? &watcher : nullptr;
  const CompoundParser* root = definition.RootParser();
  if (root == nullptr) watching = nullptr;
  const ObserverScope scope(*this, watching);
  if (watching != nullptr) {
    if (exporting) {
      watching->BeginExport(*root);
    } else {
      watching->Begin(*root);
    }
  }
  const uint64_t errorsBefore = errorCount;
  const bool ok = run();
  // An export that reported an error (a value too wide for its field) may
  // still end well, with the records after it not written.
  const bool failed = !ok || (exporting && (!dataFits || errorCount != errorsBefore));
  if (failed && watching != nullptr && watching->HasFailure()) {
    std::string_view data;
    if (!exporting && file.IsOpen() && file.Data() != nullptr) {
      data = std::string_view(file.Data(), file.Length());
    }
    diagnosis = watching->Diagnose(data, definition.FileName());
  }
  return ok;
}

bool InstrumentData::ParseRead(const std::string& fileName, FormatDefinition& definition) {
  return Watched(definition, false, [&] { return Import(fileName, definition); });
}

bool InstrumentData::Import(const std::string& fileName, FormatDefinition& definition) {
  document = XmlDocument();
  try {
    document = XmlDocument::Create();
    currentNode = BuildSkeleton(fileName, definition);
    callBack = RunCallBack();
    if (domImport) return definition.ParseFile(fileName, *this);
    // The records are written as XML text behind the head of the document and
    // parsed in place at the end: the same document as adding node by node,
    // built in a fraction of the time.
    const std::string whole = document.SaveToString();
    const size_t tail = whole.rfind("</data>");
    XmlStreamBuilder builder(nullptr);
    builder.AppendRaw(std::string_view(whole).substr(0, tail));
    const bool ok = RunWithBuilder(builder, fileName, definition);
    builder.CloseAll();
    builder.AppendRaw(std::string_view(whole).substr(tail));
    size_t size = 0;
    char* text = builder.ReleaseText(size);
    document.AdoptGeneratedText(text, size, builder.HasEmptyTexts());
    currentNode = document.DocumentElement();
    return ok;
  } catch (const XmlError& e) {
    ReportDocumentError(e);
    return false;
  } catch (const FileError&) {
    return false;
  }
}

void InstrumentData::ReportDocumentError(const XmlError& failure) {
  SetHostError(failure.what(), true);
}

bool InstrumentData::RunWithBuilder(XmlStreamBuilder& builder, const std::string& fileName,
                                    FormatDefinition& definition) {
  const TScopedValue<XmlStreamBuilder*> head(headBuilder, &builder);
  std::unique_ptr<TallyingBuilder> tallying;
  if (tally != nullptr) {
    tally->Clear();
    tallying = std::make_unique<TallyingBuilder>(*this, builder, *tally);
  }
  const BuilderScope scope(*this,
                           tallying ? static_cast<DocumentBuilder*>(tallying.get()) : &builder);
  return definition.ParseFile(fileName, *this);
}

void InstrumentData::SetDataCodePage(const std::string& name) {
  TParserParam::SetDataCodePage(name);
  if (name.empty() || document.IsNull()) return;
  XmlNode root = document.DocumentElement();
  XmlNode info = root ? root.FirstChildElement("info") : XmlNode();
  XmlNode source = info ? info.FirstChildElement("Source_File") : XmlNode();
  if (!source) return;
  source.SetAttribute("encoding", name);
  if (headBuilder != nullptr) {
    const std::string whole = document.SaveToString();
    headBuilder->ReplaceRaw(std::string_view(whole).substr(0, whole.rfind("</data>")));
  }
}

bool InstrumentData::ParseReadToFile(const std::string& fileName, FormatDefinition& definition,
                                     const std::string& xmlFile) {
  AtomicFile output;
  int systemCode = 0;
  if (xmlFile.empty() || !output.Open(xmlFile, systemCode)) {
    document = XmlDocument();
    error = kXmlErrorAccess;
    RunCallBack()->OnMessage(kKindError, "Could not create output file: " + xmlFile + ": " +
                                             SystemErrorText(systemCode));
    return false;
  }
  if (!ParseReadToFile(fileName, definition, output)) return false;
  try {
    output.Commit();
    return true;
  } catch (const FileError& e) {
    SetHostError(e.what(), true);
    RunCallBack()->OnMessage(kKindFileError, SystemErrorText(e.SystemCode()));
    return false;
  }
}

bool InstrumentData::ParseReadToFile(const std::string& fileName, FormatDefinition& definition,
                                     AtomicFile& output) {
  return Watched(definition, false, [&] { return StreamImport(fileName, definition, output); });
}

bool InstrumentData::StreamImport(const std::string& fileName, FormatDefinition& definition,
                                  AtomicFile& output) {
  document = XmlDocument();
  try {
    document = XmlDocument::Create();
    currentNode = BuildSkeleton(fileName, definition);
    callBack = RunCallBack();
    // The records go between the head that the document saves as and "</data>".
    const std::string whole = document.SaveToString();
    const size_t tail = whole.rfind("</data>");
    output.Truncate(0);
    XmlStreamBuilder builder(&output);
    builder.AppendRaw(std::string_view(whole).substr(0, tail));
    if (!RunWithBuilder(builder, fileName, definition)) return false;
    builder.AppendRaw(std::string_view(whole).substr(tail));
    builder.Flush();
    return true;
  } catch (const XmlError& e) {
    ReportDocumentError(e);
    return false;
  } catch (const FileError& e) {
    SetHostError(e.what(), true);
    RunCallBack()->OnMessage(kKindFileError, SystemErrorText(e.SystemCode()));
    return false;
  }
}

void InstrumentData::ReportNothingToExport() {
  RunCallBack()->OnMessage(kKindWarning, LoadMessageText(kMsgNoDataForExport));
  empty = true;
}

bool InstrumentData::ParseWrite(const std::string& fileName, FormatDefinition& definition) {
  return RunExport(definition, [&] { return definition.ParseXml(fileName, *this); });
}

bool InstrumentData::ParseWrite(AtomicFile& output, FormatDefinition& definition) {
  return RunExport(definition, [&] { return definition.ParseXml(output, *this); });
}

bool InstrumentData::ParseWriteCopy(const std::string& fileName, FormatDefinition& definition) {
  return WithCopy([&] { return ParseWrite(fileName, definition); });
}

bool InstrumentData::ParseWriteCopy(AtomicFile& output, FormatDefinition& definition) {
  return WithCopy([&] { return ParseWrite(output, definition); });
}

bool InstrumentData::WithCopy(const std::function<bool()>& run) {
  if (document.IsNull()) return run();
  const XmlDocument kept = document;
  // Restores the caller's document whichever way the run ends.
  struct Restore {
    InstrumentData& data;
    const XmlDocument& kept;
    ~Restore() {
      data.document = kept;
      data.currentNode = XmlNode();
    }
  } restore{*this, kept};
  try {
    const std::string text = kept.SaveToString();
    XmlDocument copy = XmlDocument::Create();
    if (!copy.LoadBuffer(text.data(), text.size(), std::string(), XmlLoadMode::kKeepValues)) {
      return false;
    }
    document = copy;
  } catch (const XmlError& e) {
    ReportDocumentError(e);
    return false;
  }
  return run();
}

bool InstrumentData::RunExport(FormatDefinition& definition, const std::function<bool()>& driver) {
  return Watched(definition, true, [&] { return Export(definition, driver); });
}

bool InstrumentData::Export(FormatDefinition& definition, const std::function<bool()>& driver) {
  if (document.IsNull()) return false;
  try {
    XmlNode root = document.DocumentElement();
    if (root.IsNull() || root.Name() != kDataElement) return false;
    // The data file is written in the code page it was read in, unless the
    // host named one.
    std::optional<RunCodePage> runCodePage;
    if (!CodePageIsExplicit()) {
      const XmlNode info = root.FirstChildElement("info");
      const XmlNode source = info ? info.FirstChildElement("Source_File") : XmlNode();
      const std::optional<std::string> encoding =
          source ? source.GetAttribute("encoding") : std::nullopt;
      if (encoding && CodePageIsKnown(*encoding)) runCodePage.emplace(*encoding);
    }
    currentNode = root;
    callBack = RunCallBack();
    writtenCount = 0;
    totalCount = definition.CountRepeatedGroup(root, *callBack);
    if (totalCount <= 0) {
      ReportNothingToExport();
      return false;
    }
    // The driver leaves the output whole on disk, although the file stays
    // open in the context until the object is destroyed.
    if (!driver()) return false;
  } catch (const XmlError&) {
    return false;
  } catch (const FileError& e) {
    SetHostError(e.what(), true);
    RunCallBack()->OnMessage(kKindFileError, SystemErrorText(e.SystemCode()));
    return false;
  }
  if (writtenCount != 0 && file.Length() != 0) return true;
  ReportNothingToExport();
  return false;
}

}  // namespace compoundparser
