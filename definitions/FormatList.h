// The catalogue of format definitions found in the Formats folders of the
// application and of the user. It holds the definitions through shared
// ownership: copies of a catalogue share the definition objects, and a
// definition lives until the last catalogue that holds it drops it. The
// callback is borrowed from the host.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "definitions/FormatDefinition.h"
#include "engine/TParserCallBack.h"

namespace compoundparser {

class FormatList {
 public:
  explicit FormatList(TParserCallBack* parserCallBack = nullptr);
  FormatList(const FormatList& other) = default;
  FormatList& operator=(const FormatList& other) = default;
  ~FormatList();

  // Replaces the callback given to definitions created from now on.
  void SetParserCallBack(TParserCallBack* parserCallBack) { callBack = parserCallBack; }
  // Names the code page in which the definitions of the catalogue read a data
  // file that is not valid UTF-8, unless a definition names its own ("" for
  // the default, CP1252); applies to the definitions held and loaded later.
  void SetCodePage(const std::string& name);
  // Empties the catalogue and loads every definition of both Formats folders
  // (the application's first). Warns through the callback, once each, of a
  // definition that does not load (after the load's own errors), of two
  // definitions with the same display name or id (naming both files and the
  // one that FindFormat gives), and of a catalogue that found no definition
  // (naming the folders it looked in).
  void LoadFormats();
  // Loads one definition file and appends it; nullptr when it does not load.
  FormatDefinition* AddFormat(const std::string& fileName);
  // Returns the first definition whose display name equals `name`, or nullptr.
  FormatDefinition* FindFormat(const std::string& name) const;
  // Returns the definition that a user means by `name`: the first whose
  // display name equals it, else the first whose display name or id (see
  // IdOf) equals it without regard to case; nullptr when none does.
  FormatDefinition* FindFormatByNameOrId(const std::string& name) const;
  // Returns up to `count` display names of the catalogue closest to `name`
  // (in spelling, compared without regard to case, names and ids alike),
  // closest first; only names near enough to be a likely typing mistake.
  std::vector<std::string> ClosestNames(const std::string& name, size_t count = 3) const;
  // Returns the short id of a definition file: its file name without folder
  // and extension, in lower case, with a hyphen where a word starts inside it
  // ("LeicaGSI16.xml" gives "leica-gsi16", "PNEZDCommaHeader.xml"
  // "pnezd-comma-header") and for blanks and underscores.
  static std::string IdOf(const std::string& fileName);
  // Returns the definition at `position`, or nullptr outside 0 .. count - 1.
  FormatDefinition* GetFormat(int position) const;
  int NumFormats() const { return static_cast<int>(definitions.size()); }
  // Drops `definition` from the catalogue; does nothing when it is not held.
  void RemoveFormat(const FormatDefinition* definition);

 private:
  // Loads every definition file that matches `mask` (a folder and a pattern).
  void ScanDir(const std::string& mask);
  // Drops every definition, from the last to the first.
  void RemoveFormats();

  std::vector<std::shared_ptr<FormatDefinition>> definitions;
  TParserCallBack* callBack = nullptr;
  std::string codePage;
};

}  // namespace compoundparser
