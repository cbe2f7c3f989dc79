// Errors raised by the host layers. The XML document services raise XmlError
// with a result code, the file layer raises FileError with the system's error
// number. Parser nodes never catch either: the parse drivers and the public
// operations of definitions, the catalogue and instrument data catch them and
// turn them into a false result or a message.
#pragma once

#include <cstddef>
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

// What XmlError::Offset is about.
enum class XmlTextFault {
  kNone,          // the error names no byte of a text
  kInvalidByte,   // a byte that is not valid in the code page (or not UTF-8)
  kBadCharacter,  // a character that XML cannot hold
};

class XmlError : public std::runtime_error {
 public:
  XmlError(uint32_t code, const std::string& what) : std::runtime_error(what), code_(code) {}
  // An error about byte `offset` of the narrow text that was handed to the
  // XML layer (a value or a name).
  XmlError(uint32_t code, const std::string& what, XmlTextFault fault, size_t offset)
      : std::runtime_error(what), code_(code), fault_(fault), offset_(offset) {}
  uint32_t Code() const { return code_; }
  XmlTextFault Fault() const { return fault_; }
  // Returns the byte of the text that the error is about (see the
  // constructor); meaningless when Fault() is kNone.
  size_t Offset() const { return offset_; }

 private:
  uint32_t code_;
  XmlTextFault fault_ = XmlTextFault::kNone;
  size_t offset_ = 0;
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
