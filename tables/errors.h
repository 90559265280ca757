// The program's error classes. Every failure the user can see is one of these,
// carrying the text that the error box or the batch command shows.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace orb {

// Base of every error the program raises; holds the message shown to the user.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  // The message as the user sees it (before the error box's final-period rule).
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// A check of the table layer failed: missing field, open dataset, ...
// When it concerns a table component the message starts with the component's name.
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
  // "%s: %s" with the component's name and the text.
  static EDatabaseError ForComponent(const std::string& component, const std::string& text);
};

// One entry of a table engine error: the engine's text for the entry's code
// (left empty when the entry carries a native code) and the context text.
struct DBIErrorEntry {
  std::string codeText;  // the engine's text for the entry's code; empty for a native code
  std::string context;   // where it happened: file, field, record
};

// An error reported by the table engine: a main text and its entries, composed
// into lines joined with CR LF.
class EDBEngineError : public EDatabaseError {
 public:
  EDBEngineError(uint16_t mainCode, const std::string& mainText,
                 const std::vector<DBIErrorEntry>& entries);
  uint16_t MainCode() const noexcept { return mainCode_; }

  // Composes the message: main text, then each entry's code text and its trimmed
  // context; empty lines dropped, a line equal to an earlier one (ignoring case)
  // not repeated, CR LF between lines. With no line left, "Database engine error $XXXX".
  static std::string Compose(uint16_t mainCode, const std::string& mainText,
                             const std::vector<DBIErrorEntry>& entries);

 private:
  uint16_t mainCode_;
};

// A text that should have been a number: "'%s' is not a valid integer value".
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A floating-point value with no whole-number reading: "Invalid floating point operation".
class EInvalidOp : public Exception {
 public:
  EInvalidOp() : Exception("Invalid floating point operation") {}
};

// The settings file could not be written: "Unable to write to %s".
class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

// Saving the exchange document, or building it, failed; the text names the file
// and the system's reason.
class EXmlError : public Exception {
 public:
  using Exception::Exception;
};

// The table engine's main error codes. The values follow the ranges dBase engines
// have used (category in the high byte) so that a code seen in a message means
// the same kind of trouble to anyone who knows them.
namespace dbi {
inline constexpr uint16_t kOsError = 0x2C00;          // the system refused a file operation
inline constexpr uint16_t kNoSuchTable = 0x2C04;      // the table file does not exist
inline constexpr uint16_t kNoSuchDirectory = 0x2C05;  // the table's directory does not exist
inline constexpr uint16_t kCorruptHeader = 0x2102;    // header or field descriptors damaged
inline constexpr uint16_t kCorruptRecord = 0x2104;    // a record could not be read
inline constexpr uint16_t kMemoCorrupt = 0x2106;      // memo file missing or damaged
inline constexpr uint16_t kInvalidValue = 0x2B26;     // a stored value is not of its column's type
inline constexpr uint16_t kReadOnly = 0x2A04;         // the table can only be read
inline constexpr uint16_t kNoCodePage = 0x3E06;       // the table's code page is not available
}  // namespace dbi

// The error box's final-period rule: adds "." when the message's last character
// sorts after "." (a letter or digit), nothing after ".", a blank or ")".
std::string WithFinalPeriod(const std::string& message);

}  // namespace orb
