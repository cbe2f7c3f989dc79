// Errors raised by the host layers. The XML document services raise XmlError
// with a result code, the file layer raises FileError with the system's error
// number. Parser nodes never catch either: the parse drivers and the public
// operations of definitions, the catalogue and instrument data catch them and
// turn them into a false result or a message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace compoundparser {

// Result codes carried by XmlError.
constexpr uint32_t kXmlErrorPointer = 0x80004003u;     // missing object
constexpr uint32_t kXmlErrorFail = 0x80004005u;        // unspecified failure
constexpr uint32_t kXmlErrorInvalidArg = 0x80070057u;  // invalid name or query
constexpr uint32_t kXmlErrorAccess = 0x80070005u;      // file could not be written
constexpr uint32_t kXmlErrorParse = 0xC00CE500u;       // document is not well formed
constexpr uint32_t kXmlErrorNotFound = 0x800C0005u;    // file to load does not exist

class XmlError : public std::runtime_error {
 public:
  XmlError(uint32_t code, const std::string& what) : std::runtime_error(what), code_(code) {}
  uint32_t Code() const { return code_; }

 private:
  uint32_t code_;
};

class FileError : public std::runtime_error {
 public:
  FileError(int systemCode, const std::string& what)
      : std::runtime_error(what), systemCode_(systemCode) {}
  // The errno value of the failure, 0 when the system gave none.
  int SystemCode() const { return systemCode_; }

 private:
  int systemCode_;
};

// Returns the operating system's description of an errno value ("" for 0).
std::string SystemErrorText(int systemCode);

}  // namespace compoundparser
