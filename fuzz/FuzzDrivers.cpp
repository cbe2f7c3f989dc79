#include "fuzz/FuzzDrivers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "data/InstrumentData.h"
#include "definitions/FormatDefinition.h"
#include "definitions/GroupDefinition.h"
#include "engine/TParserCallBack.h"
#include "host/Xml.h"

#ifndef CP_SOURCE_DIR
#error "CP_SOURCE_DIR must name the repository root"
#endif

namespace compoundparser {
namespace fuzzing {
namespace {

namespace fs = std::filesystem;

// Takes the messages and progress reports of the runs and drops them.
SilentCallBack& CallBack() {
  static SilentCallBack callBack;
  return callBack;
}

// The private folder of this process for the files that the drivers write;
// removed when the process ends.
class WorkFolder {
 public:
  WorkFolder() {
    std::error_code error;
    fs::path base =
        fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path(error);
    std::string pattern = (base / "cp-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    path_ = pattern;
  }
  ~WorkFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

const WorkFolder& Work() {
  static WorkFolder folder;
  return folder;
}

void WriteFile(const std::string& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", name.c_str());
    std::abort();
  }
}

// Returns the bytes of a file ("" when it cannot be read).
std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& name) {
  struct stat info;
  return stat(name.c_str(), &info) == 0;
}

long long FileSize(const std::string& name) {
  struct stat info;
  return stat(name.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

void Remove(const std::string& name) { unlink(name.c_str()); }

// Returns the file name without its folder, for the texts of broken invariants.
std::string BaseName(const std::string& name) { return fs::path(name).filename().string(); }

// The bundled definitions, loaded once; those that do not load are left out.
struct LoadedDefinitions {
  std::vector<std::unique_ptr<FormatDefinition>> definitions;
  LoadedDefinitions() {
    for (const std::string& file : BundledDefinitionFiles()) {
      auto definition = std::make_unique<FormatDefinition>(file, &CallBack());
      if (definition->Load()) definitions.push_back(std::move(definition));
    }
  }
};

const LoadedDefinitions& Bundled() {
  static LoadedDefinitions loaded;
  return loaded;
}

// Saves the document of `data`, loads the saved file again and exports it
// through `definition`. Returns the broken invariant or "".
std::string SaveReloadExport(InstrumentData& data, FormatDefinition& definition,
                             const std::string& what) {
  const std::string saved = Work().File("saved.xml");
  const std::string exported = Work().File("export.dat");
  Remove(saved);
  Remove(exported);
  if (!data.SaveXml(saved)) return "";
  if (!Exists(saved)) return what + ": SaveXml reported success but wrote no file";
  InstrumentData reloaded(definition, &CallBack());
  if (!reloaded.LoadXml(saved)) {
    return what + ": the document that SaveXml wrote does not load again:\n" + ReadFile(saved);
  }
  if (reloaded.ParseWrite(exported, definition) && FileSize(exported) <= 0) {
    return what + ": the export reported success but wrote no file";
  }
  return "";
}

// The formats whose export of an imported file gives back the file's bytes:
// the round-trip target holds them to it. Add a format by its display name
// once its definition keeps every byte (line ends, blank lines, framing,
// trailing bytes); the bundled ones do not all yet.
const char* const kByteForByteFormats[] = {
    "Test points",
};

// Returns where two texts first differ, with a few bytes of each from there.
std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const auto excerpt = [&](const std::string& text) {
    std::string shown;
    for (char c : text.substr(at, 24)) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 && byte < 0x7F) {
        shown += c;
      } else {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", byte);
        shown += hex;
      }
    }
    return "\"" + shown + "\"";
  };
  return "at byte " + std::to_string(at) + ": " + excerpt(a) + " against " + excerpt(b);
}

// Exports the document of `data` through `definition` into `file`; returns
// whether it succeeded, and the bytes in `bytes`.
bool ExportInto(InstrumentData& data, FormatDefinition& definition, const std::string& file,
                std::string& bytes) {
  Remove(file);
  const bool ok = data.ParseWrite(file, definition);
  data.file.Close();
  bytes = ok ? ReadFile(file) : std::string();
  return ok;
}

// Returns a small reader of the input for the group edits.
class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
  bool AtEnd() const { return position_ >= bytes_.size(); }
  unsigned Byte() { return AtEnd() ? 0u : static_cast<unsigned char>(bytes_[position_++]); }
  // Makes Text and Char give printable ASCII only.
  void SetPrintable(bool value) { printable_ = value; }
  char Char() {
    const unsigned byte = Byte();
    return static_cast<char>(printable_ ? 0x20 + byte % 95 : byte);
  }
  // Returns a text of up to 15 characters whose length is the low bits of a byte.
  std::string Text() {
    std::string text(Byte() % 16, ' ');
    for (char& c : text) c = Char();
    return text;
  }

 private:
  std::string_view bytes_;
  size_t position_ = 0;
  bool printable_ = false;
};

// Test definitions run besides the repository's Formats.
const char* const kExtraDefinitions[] = {
    "/tests/data/instrument/points.xml", "/tests/data/definitions/all_nodes.xml",
    "/tests/data/custom/points_grid.xml", "/tests/data/custom/vector_plain.xml",
    "/tests/data/custom/tsraw_observations.xml"};

// The simple definitions that the group target starts from.
const char* const kGroupBases[] = {"groups/points.xml", "groups/mixed.xml"};

// Checks that a definition saved to `fileName` loads again; when
// `groupItems` (the number of items of each group) is given, also that it has
// the same groups with as many items.
std::string CheckSavedDefinition(const std::string& fileName, const std::vector<int>* groupItems) {
  XmlDocument document = XmlDocument::Create();
  if (!document.Load(fileName)) {
    return "the saved definition is not well-formed XML: " + document.ParseError().reason + "\n" +
           ReadFile(fileName);
  }
  FormatDefinition reloaded(fileName, &CallBack());
  if (!reloaded.Load() || !reloaded.IsSimple() || groupItems == nullptr) return "";
  if (reloaded.NumGroups() != static_cast<int>(groupItems->size())) {
    return "the saved definition has " + std::to_string(reloaded.NumGroups()) +
           " groups after reloading instead of " + std::to_string(groupItems->size()) + "\n" +
           ReadFile(fileName);
  }
  for (int i = 0; i < reloaded.NumGroups(); ++i) {
    const int expected = (*groupItems)[static_cast<size_t>(i)];
    if (reloaded.GetGroup(i).NumItems() != expected) {
      return "group " + std::to_string(i) + " of the saved definition has " +
             std::to_string(reloaded.GetGroup(i).NumItems()) +
             " items after reloading instead of " + std::to_string(expected) + "\n" +
             ReadFile(fileName);
    }
  }
  return "";
}

// Returns the number of items of each group of `definition`.
std::vector<int> ItemCounts(FormatDefinition& definition) {
  std::vector<int> counts;
  for (int i = 0; i < definition.NumGroups(); ++i)
    counts.push_back(definition.GetGroup(i).NumItems());
  return counts;
}

// Returns true when every plain literal of `definition` holds only printable
// ASCII, tab, CR and LF: a plain literal with other bytes (such as one turned
// from the hex form "04") cannot be written, and its group is then saved with
// the items written before it.
bool LiteralsWritable(FormatDefinition& definition) {
  for (int i = 0; i < definition.NumGroups(); ++i) {
    const GroupDefinition& group = definition.GetGroup(i);
    for (int k = 0; k < group.NumItems(); ++k) {
      const auto* literal = dynamic_cast<const LiteralDefinition*>(&group.GetItem(k));
      if (literal == nullptr || literal->IsHex()) continue;
      for (char c : literal->Text()) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte >= 0x7F) return false;
      }
    }
  }
  return true;
}

// Saves `definition` and checks the saved file; `exact` asks for the same
// groups and items when every text is one that XML can hold.
std::string SaveAndCheck(FormatDefinition& definition, bool exact) {
  exact = exact && LiteralsWritable(definition);
  if (!definition.Save()) return "";
  const std::vector<int> counts = ItemCounts(definition);
  return CheckSavedDefinition(definition.FileName(), exact ? &counts : nullptr);
}

// Applies one edit read from `reader` to `definition`; returns a broken
// invariant or "".
std::string ApplyEdit(FormatDefinition& definition, ByteReader& reader, bool exact) {
  const unsigned op = reader.Byte() % 11;
  const int groups = definition.NumGroups();
  GroupDefinition* group =
      groups > 0 ? &definition.GetGroup(static_cast<int>(reader.Byte()) % groups) : nullptr;
  switch (op) {
    case 0:
      definition.AddGroup();
      break;
    case 1:
      if (group) definition.RemoveGroup(*group);
      break;
    case 2:
      if (group) {
        auto element = std::make_unique<ElementDefinition>();
        element->SetId(reader.Text());
        element->SetWidth(static_cast<int>(reader.Byte()) - 8);
        element->SetFill(reader.Char());
        const unsigned flags = reader.Byte();
        element->SetAlignRight(flags & 1);
        element->SetSign(flags & 2);
        element->SetOffset((static_cast<int>(reader.Byte()) - 128) * 0.25);
        group->InsertItem(static_cast<int>(reader.Byte()) % (group->NumItems() + 2),
                          std::move(element));
      }
      break;
    case 3:
      if (group) {
        auto literal = std::make_unique<LiteralDefinition>();
        literal->SetHex(reader.Byte() & 1);
        literal->SetText(reader.Text());
        group->InsertItem(static_cast<int>(reader.Byte()) % (group->NumItems() + 2),
                          std::move(literal));
      }
      break;
    case 4:
      if (group) group->RemoveItem(static_cast<int>(reader.Byte()) % (group->NumItems() + 1));
      break;
    case 5:
      if (group) {
        const int from = static_cast<int>(reader.Byte()) % (group->NumItems() + 1);
        group->MoveItem(from, static_cast<int>(reader.Byte()) % (group->NumItems() + 1));
      }
      break;
    case 6:
    case 7:
      if (group && group->NumItems() > 0) {
        ItemDefinition& item = group->GetItem(static_cast<int>(reader.Byte()) % group->NumItems());
        if (auto* literal = dynamic_cast<LiteralDefinition*>(&item)) {
          if (op == 6) {
            literal->SetText(reader.Text());
          } else {
            literal->SetHex(!literal->IsHex());
          }
        } else if (auto* element = dynamic_cast<ElementDefinition*>(&item)) {
          element->SetId(reader.Text());
          element->SetModified();
        }
      }
      break;
    case 8: {
      const unsigned which = reader.Byte() % 3;
      const std::string text = reader.Text();
      if (which == 0) definition.SetType(text);
      if (which == 1) definition.SetName(text);
      if (which == 2) definition.SetFileMask(text);
      break;
    }
    case 9:
      return SaveAndCheck(definition, exact);
    default:
      break;
  }
  return "";
}

}  // namespace

std::vector<std::string> BundledDefinitionFiles() {
  std::vector<std::string> files;
  std::error_code error;
  for (fs::directory_iterator it(fs::path(CP_SOURCE_DIR) / "Formats", error), end;
       !error && it != end; it.increment(error)) {
    if (it->path().extension() == ".xml") files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  // While Formats holds few definitions, the generated ones of the tests stand
  // in for real formats.
  for (const char* extra : kExtraDefinitions) files.push_back(std::string(CP_SOURCE_DIR) + extra);
  return files;
}

std::string DefinitionTargetDataFile() {
  return std::string(CP_SOURCE_DIR) + "/fuzz/data/sample.txt";
}

std::string RunDefinitionInput(std::string_view input) {
  const std::string file = Work().File("definition.xml");
  WriteFile(file, input);
  FormatDefinition definition(file, &CallBack());
  if (!definition.Load()) return "";
  InstrumentData data(definition, &CallBack());
  data.ParseRead(DefinitionTargetDataFile(), definition);
  return SaveReloadExport(data, definition, "definition");
}

std::string RunImportInput(std::string_view input) {
  const std::string file = Work().File("import.dat");
  const std::string streamed = Work().File("streamed.xml");
  WriteFile(file, input);
  for (const auto& definition : Bundled().definitions) {
    const std::string name = BaseName(definition->FileName());
    InstrumentData data(*definition, &CallBack());
    const bool imported = data.ParseRead(file, *definition);
    std::string broken = SaveReloadExport(data, *definition, name);
    if (!broken.empty()) return broken;

    Remove(streamed);
    InstrumentData streaming(*definition, &CallBack());
    const bool streamedOk = streaming.ParseReadToFile(file, *definition, streamed);
    if (streamedOk != imported) {
      return name + ": the streaming import returned " + (streamedOk ? "true" : "false") +
             ", the import " + (imported ? "true" : "false");
    }
    if (!streamedOk && Exists(streamed)) return name + ": a failed streaming import left its file";
    if (streamedOk && ReadFile(streamed) != data.GetDocument().SaveToString()) {
      return name + ": the streaming import wrote other bytes than the saved document";
    }
  }
  return "";
}

bool PromisesByteForByte(const std::string& name) {
  return std::find(std::begin(kByteForByteFormats), std::end(kByteForByteFormats), name) !=
         std::end(kByteForByteFormats);
}

std::string RunRoundTripInput(std::string_view input) {
  const std::string file = Work().File("roundtrip.dat");
  const std::string saved = Work().File("roundtrip.xml");
  WriteFile(file, input);
  for (const auto& definition : Bundled().definitions) {
    if (!definition->IsImport() || !definition->IsExport()) continue;
    const std::string name = definition->Name();
    InstrumentData data(*definition, &CallBack());
    if (!data.ParseRead(file, *definition)) continue;
    Remove(saved);
    if (!data.SaveXml(saved)) return name + ": the imported document does not save";
    std::string inMemory;
    const bool memoryOk = ExportInto(data, *definition, Work().File("memory.out"), inMemory);
    InstrumentData reloaded(*definition, &CallBack());
    if (!reloaded.LoadXml(saved)) {
      return name + ": the saved document does not load again:\n" + ReadFile(saved);
    }
    std::string fromSaved;
    const bool savedOk = ExportInto(reloaded, *definition, Work().File("saved.out"), fromSaved);
    if (memoryOk != savedOk) {
      return name + ": the export of the document in memory " + (memoryOk ? "succeeds" : "fails") +
             ", of the saved and loaded one " + (savedOk ? "succeeds" : "fails");
    }
    if (inMemory != fromSaved) {
      return name +
             ": the export of the saved and loaded document differs from the export "
             "of the document in memory " +
             FirstDifference(fromSaved, inMemory);
    }
    if (PromisesByteForByte(name)) {
      if (!memoryOk) return name + ": the export of an imported file fails";
      if (inMemory != input) {
        return name + ": the export differs from the imported file " +
               FirstDifference(inMemory, std::string(input));
      }
    }
  }
  return "";
}

std::string RunExportInput(std::string_view input) {
  const std::string file = Work().File("document.xml");
  WriteFile(file, input);
  for (const auto& definition : Bundled().definitions) {
    InstrumentData data(*definition, &CallBack());
    if (!data.LoadXml(file)) return "";  // the same for every definition
    const std::string name = BaseName(definition->FileName());
    std::string broken = SaveReloadExport(data, *definition, name + " (before export)");
    if (!broken.empty()) return broken;
    const std::string exported = Work().File("export-direct.dat");
    Remove(exported);
    if (data.ParseWrite(exported, *definition) && FileSize(exported) <= 0) {
      return name + ": the export reported success but wrote no file";
    }
    // The export consumed the groups it wrote: what is left must save and load.
    broken = SaveReloadExport(data, *definition, name + " (after export)");
    if (!broken.empty()) return broken;
  }
  return "";
}

std::string RunGroupsInput(std::string_view input) {
  ByteReader reader(input);
  // The first byte picks the base and whether texts may hold any byte (else
  // they are printable ASCII).
  const unsigned mode = reader.Byte();
  const char* base = kGroupBases[mode % std::size(kGroupBases)];
  const bool exact = (mode & 2) == 0;
  reader.SetPrintable(exact);
  const std::string file = Work().File("groups.xml");
  WriteFile(file, ReadFile(std::string(CP_SOURCE_DIR) + "/tests/data/" + base));
  FormatDefinition definition(file, &CallBack());
  if (!definition.Load()) return std::string("the group base ") + base + " does not load";
  for (int edits = 0; !reader.AtEnd() && edits < 64; ++edits) {
    std::string broken = ApplyEdit(definition, reader, exact);
    if (!broken.empty()) return broken;
  }
  return SaveAndCheck(definition, exact);
}

}  // namespace fuzzing
}  // namespace compoundparser
