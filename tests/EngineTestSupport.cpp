#include "tests/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace compoundparser::testing {

bool Harness::Export(Parser& parser, std::string& out) {
  const std::string path = ::testing::TempDir() + "engine_export.out";
  int error = 0;
  if (!param.file.OpenForExport(path, error)) throw std::runtime_error("cannot create " + path);
  const bool ok = parser.Write(param);
  out.assign(param.file.Data(), param.file.Length());
  param.file.Close();
  return ok;
}

std::string Harness::Content() const {
  std::string text = doc.SaveToString();
  const std::string open = "<data>";
  const size_t begin = text.find(open);
  const size_t end = text.rfind("</data>");
  if (begin == std::string::npos || end == std::string::npos) return "";  // <data /> when empty
  return text.substr(begin + open.size(), end - begin - open.size());
}

}  // namespace compoundparser::testing
