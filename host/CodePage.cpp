#include "host/CodePage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "host/HostError.h"
#include "host/Utf8.h"

namespace compoundparser {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Returns true for the names of UTF-8 and of plain ASCII (whose bytes we pass
// through unchanged so that nothing is lost).
bool IsUtf8Name(const std::string& name) {
  std::string key;
  for (char c : name) {
    if (c != '-' && c != '_') key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return key == "UTF8" || key == "ANSIX3.41968" || key == "ASCII" || key == "USASCII";
}

// Returns the codeset of the process locale, or of the environment's locale
// when the process never chose one.
std::string LocaleCodeset() {
  const char* current = setlocale(LC_CTYPE, nullptr);
  std::string name;
  if (current != nullptr && std::string(current) != "C" && std::string(current) != "POSIX") {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset != nullptr) name = codeset;
  } else {
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale != static_cast<locale_t>(0)) {
      const char* codeset = nl_langinfo_l(CODESET, locale);
      if (codeset != nullptr) name = codeset;
      freelocale(locale);
    }
  }
  if (name.empty() || IsUtf8Name(name)) return "UTF-8";
  return name;
}

// Whether the process-wide code page is UTF-8 (1) or not (0), or -1 before it
// is read: the answer of CodePageIsUtf8 in one load, without the guard of the
// state below.
std::atomic<int> processCodePageIsUtf8{-1};

// The process-wide code page; `generation` tells the per-thread converters
// when to reopen.
struct CodePageState {
  std::mutex mutex;
  std::string name;
  std::atomic<bool> utf8{true};
  std::atomic<bool> explicitlySet{false};
  std::atomic<unsigned> generation{1};

  CodePageState() { Set(LocaleCodeset()); }
  void Set(const std::string& newName) {
    const bool isUtf8 = IsUtf8Name(newName);
    {
      std::lock_guard<std::mutex> lock(mutex);
      name = isUtf8 ? std::string("UTF-8") : newName;
    }
    utf8 = isUtf8;
    processCodePageIsUtf8.store(isUtf8 ? 1 : 0, std::memory_order_relaxed);
    ++generation;
  }
  std::string Name() {
    std::lock_guard<std::mutex> lock(mutex);
    return name;
  }
};

CodePageState& State() {
  static CodePageState state;
  return state;
}

// The code page of the run on this thread (RunCodePage), or nullptr.
thread_local const std::string* runCodePage = nullptr;
thread_local bool runCodePageIsUtf8 = false;

// The iconv descriptors of one thread for the current code page.
struct Converters {
  unsigned generation = 0;  // of the process's code page they were opened for; 0: a run's
  std::string name;
  iconv_t toUtf8 = kNoConverter;
  iconv_t fromUtf8 = kNoConverter;

  ~Converters() { Close(); }
  void Close() {
    if (toUtf8 != kNoConverter) iconv_close(toUtf8);
    if (fromUtf8 != kNoConverter) iconv_close(fromUtf8);
    toUtf8 = fromUtf8 = kNoConverter;
  }
  void Open(const std::string& codePage) {
    Close();
    name = codePage;
    toUtf8 = iconv_open("UTF-8", name.c_str());
    fromUtf8 = iconv_open(name.c_str(), "UTF-8");
  }
  void Refresh() {
    if (runCodePage != nullptr) {
      if (generation != 0 || name != *runCodePage) Open(*runCodePage);
      generation = 0;
      return;
    }
    CodePageState& state = State();
    const unsigned current = state.generation;
    if (current == generation) return;
    Open(state.Name());
    generation = current;
  }
};

Converters& ThreadConverters() {
  thread_local Converters converters;
  converters.Refresh();
  return converters;
}

std::string HexByte(unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

// Converts `text` with `cd`; on invalid input raises XmlError naming the byte
// offset. `what` describes the direction for the message.
std::string Convert(iconv_t cd, std::string_view text, bool toUtf8, const std::string& codePage) {
  if (cd == kNoConverter) {
    throw XmlError(kXmlErrorInvalidArg, "No converter for code page " + codePage);
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.resize(text.size() * (toUtf8 ? 3 : 1) + 16);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  size_t done = 0;
  while (inLeft > 0) {
    char* outPtr = &out[done];
    size_t outLeft = out.size() - done;
    const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    done = out.size() - outLeft;
    if (result != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    const size_t offset = text.size() - inLeft;
    const unsigned char byte = static_cast<unsigned char>(text[offset]);
    if (toUtf8) {
      throw XmlError(kXmlErrorInvalidArg,
                     "Byte " + HexByte(byte) + " at offset " + std::to_string(offset) +
                         " is not valid in code page " + codePage,
                     XmlTextFault::kInvalidByte, offset);
    }
    throw XmlError(kXmlErrorInvalidArg,
                   "The character at byte offset " + std::to_string(offset) +
                       (errno == EINVAL ? " is incomplete UTF-8"
                                        : " cannot be written in code page " + codePage));
  }
  // Shift states (for example ISO-2022) end with a reset sequence.
  for (;;) {
    char* outPtr = &out[done];
    size_t outLeft = out.size() - done;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
      done = out.size() - outLeft;
      break;
    }
    if (errno != E2BIG) break;
    out.resize(out.size() * 2 + 16);
  }
  out.resize(done);
  return out;
}

}  // namespace

void CheckUtf8(std::string_view text) {
  const size_t bad = InvalidUtf8Offset(text);
  if (bad != std::string_view::npos) {
    throw XmlError(kXmlErrorInvalidArg,
                   "Byte " + HexByte(static_cast<unsigned char>(text[bad])) + " at offset " +
                       std::to_string(bad) + " is not valid UTF-8",
                   XmlTextFault::kInvalidByte, bad);
  }
}

std::string CodePageName() {
  if (runCodePage != nullptr) return runCodePageIsUtf8 ? std::string("UTF-8") : *runCodePage;
  return State().Name();
}

bool CodePageIsKnown(const std::string& name) {
  if (name.empty()) return false;
  if (IsUtf8Name(name)) return true;
  iconv_t to = iconv_open("UTF-8", name.c_str());
  if (to == kNoConverter) return false;
  iconv_close(to);
  iconv_t from = iconv_open(name.c_str(), "UTF-8");
  if (from == kNoConverter) return false;
  iconv_close(from);
  return true;
}

bool SetCodePage(const std::string& name) {
  if (name.empty()) {
    State().Set(LocaleCodeset());
    State().explicitlySet = false;
    return true;
  }
  if (!CodePageIsKnown(name)) return false;
  State().Set(name);
  State().explicitlySet = true;
  return true;
}

bool CodePageIsExplicit() { return State().explicitlySet.load(std::memory_order_relaxed); }

bool CodePageIsUtf8() {
  if (runCodePage != nullptr) return runCodePageIsUtf8;
  const int known = processCodePageIsUtf8.load(std::memory_order_relaxed);
  if (known >= 0) return known == 1;
  return State().utf8.load(std::memory_order_relaxed);
}

RunCodePage::RunCodePage(const std::string& name)
    : name_(name), previous_(runCodePage), previousUtf8_(runCodePageIsUtf8) {
  runCodePage = &name_;
  runCodePageIsUtf8 = IsUtf8Name(name);
}

RunCodePage::~RunCodePage() {
  runCodePage = previous_;
  runCodePageIsUtf8 = previousUtf8_;
}

std::string NarrowToUtf8(std::string_view text) {
  if (CodePageIsUtf8()) {
    CheckUtf8(text);
    return std::string(text);
  }
  Converters& converters = ThreadConverters();
  return Convert(converters.toUtf8, text, true, converters.name);
}

std::string Utf8ToNarrow(std::string_view text) {
  if (CodePageIsUtf8()) return std::string(text);
  Converters& converters = ThreadConverters();
  return Convert(converters.fromUtf8, text, false, converters.name);
}

}  // namespace compoundparser
