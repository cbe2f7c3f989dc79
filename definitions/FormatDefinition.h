// One format definition held in memory: its header values, its XML document,
// the parser tree built from the parser section with its substitutes, its
// description and, for simple definitions, the editable groups. Runs the tree
// over a data file (ParseFile, import) or into one (ParseXml, export).
//
// Copies share the document, the parser tree with its substitutes and the
// group objects (shared ownership), so a copy stays usable after the original is
// destroyed and nothing is destroyed twice.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "definitions/TFormatDescription.h"
#include "engine/CompoundParser.h"
#include "engine/SubstParser.h"
#include "engine/TParserCallBack.h"
#include "engine/TParserParam.h"
#include "host/Xml.h"

namespace compoundparser {

class GroupDefinition;
class FormatParser;
class ElementParser;
class CountParser;
class LiteralParser;
class AtomicFile;

class FormatDefinition {
 public:
  FormatDefinition(const std::string& fileName, TParserCallBack* callBack);
  FormatDefinition(const FormatDefinition& other);
  FormatDefinition& operator=(const FormatDefinition& other);
  ~FormatDefinition();

  // Loads the definition from its file and builds its tree; true on success.
  bool Load();

  // Import: runs the tree over a data file. Export: runs it into a file, which
  // takes its name when the run ends (also after a failure, with what the tree
  // wrote; a symbolic link of that name is replaced).
  bool ParseFile(const std::string& fileName, TParserParam& param);
  bool ParseXml(const std::string& fileName, TParserParam& param);
  // Export into `output`, whose holder decides whether it takes its name.
  bool ParseXml(AtomicFile& output, TParserParam& param);
  // Returns the number of repeated-group elements in the document of `node`.
  int CountRepeatedGroup(const XmlNode& node, TParserCallBack& callBack);

  const std::string& FileName() const { return fileName; }
  void SetFileName(const std::string& value) { fileName = value; }
  const std::string& Type() const { return type; }
  const std::string& Name() const { return name; }
  const std::string& FileMask() const { return fileMask; }
  // The single-byte code page in which import reads a data file that is not
  // valid UTF-8 when the host set no code page: the header attribute
  // `CodePage`, else the catalogue's (SetCatalogueCodePage), else "CP1252".
  std::string FallbackCodePage() const;
  // Sets the code page that the catalogue gives its definitions without one
  // of their own ("" for the default).
  void SetCatalogueCodePage(const std::string& value) { catalogueCodePage = value; }
  bool IsSimple() const { return simple; }
  bool IsExport() const { return exportAllowed; }
  bool IsImport() const { return importAllowed; }
  bool IsTotalStationImport() const { return totalStationImport; }
  bool IsTotalStationExport() const { return totalStationExport; }

  // The description section as read at load.
  const TFormatDescription& Description() const { return description; }
  // The ids of the element nodes (empty id included) and of repeated groups.
  const std::set<std::string>& ElementIds() const { return elementIds; }
  const std::set<std::string>& RepeatedGroupIds() const { return repeatedGroupIds; }
  // The root of the parser tree (nullptr before a load built one).
  const CompoundParser* RootParser() const { return rootParser.get(); }
  // The substitutes, by id.
  const std::map<std::string, std::shared_ptr<TSubstitute>>& Substitutes() const {
    return substitutes;
  }
  XmlDocument Document() const { return document; }

  // The group editing model of a simple definition.
  int NumGroups() const;
  GroupDefinition& GetGroup(int position);
  GroupDefinition* AddGroup();
  void RemoveGroup(GroupDefinition& group);
  bool IsModified() const;

  // Saving: writes modified groups back and saves the document to FileName()
  // (through an unnamed temporary file in the same folder that takes the name
  // once complete; a symbolic link of that name is replaced, never written
  // through).
  bool Save();
  void SetType(const std::string& value);
  void SetName(const std::string& value);
  void SetFileMask(const std::string& value);

 private:
  void CopyFrom(const FormatDefinition& other);

  // Tree builder.
  bool BuildSubstitutes();
  bool BuildTree(const XmlNode& element, CompoundParser& parent, int depth);
  std::unique_ptr<LiteralParser> CreateLiteral(const XmlNode& element);
  std::unique_ptr<ElementParser> CreateElement(const XmlNode& element, int depth);
  std::unique_ptr<CountParser> CreateCount(const XmlNode& element);
  std::unique_ptr<Parser> CreateSubst(const XmlNode& element);
  std::unique_ptr<Parser> CreateAssign(const XmlNode& element);
  std::unique_ptr<CompoundParser> CreateGroup(const XmlNode& element, int depth);
  std::unique_ptr<CompoundParser> CreateRepeat(const XmlNode& element);
  std::unique_ptr<CompoundParser> CreateTerminated(const XmlNode& element);
  std::unique_ptr<CompoundParser> CreateIf(const XmlNode& element);
  static void SetFormatAttribs(const XmlNode& element, FormatParser& field);
  // Runs the tree into the export file open in the context.
  bool WriteTree(TParserParam& param);
  // Returns where `element` stands in the definition file, below `parent`.
  std::unique_ptr<TNodeSource> SourceOf(const XmlNode& element, const TNodeSource* parent) const;
  bool ReadDescription(const XmlNode& root);

  // Group model.
  void BuildGroups();
  void RemoveGroups();

  TFormatDescription description;
  std::string fileName;
  std::string type;
  std::string name;
  std::string fileMask;
  std::string codePage;           // the header attribute CodePage
  std::string catalogueCodePage;  // the catalogue's setting
  XmlDocument document;
  XmlNode groupContainer;
  // One list for a definition and its copies, as they share the document the
  // groups edit; a new load or the destructor lets go of it.
  using GroupList = std::vector<std::shared_ptr<GroupDefinition>>;
  std::shared_ptr<GroupList> groups = std::make_shared<GroupList>();
  std::map<std::string, std::shared_ptr<TSubstitute>> substitutes;
  std::set<std::string> repeatedGroupIds;
  std::set<std::string> elementIds;
  std::shared_ptr<CompoundParser> rootParser;
  bool simple = true;
  bool modified = true;
  bool exportAllowed = true;
  bool importAllowed = true;
  bool totalStationImport = false;
  bool totalStationExport = false;
  TParserCallBack* callBack = nullptr;
};

}  // namespace compoundparser
