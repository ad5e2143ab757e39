#pragma once
// Internals of the workbook readers, shared by their source files.

#include "io/Utf8.h"
#include "io/Workbook.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tulo::workbook {

// What the readers accept. A file beyond these is refused rather than let it take the program's memory
// or time: a few hundred bytes of zip or XML can claim billions of cells.
inline constexpr std::uint64_t kMaxFileBytes = std::uint64_t{256} << 20;
inline constexpr std::uint64_t kMaxMemberBytes = std::uint64_t{256} << 20; // one unpacked zip member
inline constexpr std::uint64_t kMaxPackageBytes = std::uint64_t{1} << 30;  // all members together
inline constexpr std::uint64_t kMaxRows = 1'048'576;                       // Excel's sheet size
inline constexpr std::uint64_t kMaxCols = 16'384;
inline constexpr std::uint64_t kMaxCells = 20'000'000;                   // rows x columns, all sheets
inline constexpr std::uint64_t kMaxTextBytes = std::uint64_t{512} << 20; // all cell texts
inline constexpr std::size_t kMaxSheets = 1024;

[[noreturn]] void Refuse(const std::string& why);

// Little-endian integers of the binary formats; the caller has checked that the bytes are there.
inline std::uint32_t Le16(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}
inline std::uint32_t Le32(std::string_view bytes, std::size_t at) {
    return Le16(bytes, at) | Le16(bytes, at + 2) << 16;
}

// The text a user sees for a number: whole numbers without a fraction, others in shortest round-trip form.
std::string NumberText(double value);

// A number as a file stores it ("3", "2.5", "-1E+020"); nothing for any other text or a non-finite value.
std::optional<double> ParseStoredNumber(std::string_view text);

// Whether a cell under this number format shows a date: the built-in date formats (14-17 and 22; 18-21
// and 45-47 show a time of day or a duration, which stays a number), and any custom format that shows a
// day or a year, or a month without hours or seconds ("mm:ss" is minutes).
bool IsBuiltInDateFormat(std::uint32_t id);
bool IsDateFormat(std::string_view code);

// The date of a spreadsheet's serial number: days from 1900 (Excel counts a 29 February 1900 that never
// was, serial 60, which gives nothing) or, for workbooks kept in the 1904 date system, from 1 January
// 1904. Nothing for a serial before the first day or after 9999.
std::optional<CellDate> SerialDate(double serial, bool from1904);

// Limits shared by the sheets of one workbook.
struct Budget {
    std::uint64_t cells = 0; // rows x columns of the sheets finished so far
    std::uint64_t textBytes = 0;
};

// Collects the cells of one sheet in any order, within the budget.
class SheetBuilder {
public:
    SheetBuilder(std::string name, Budget& budget);

    // Row and column from 1. Refuses a position beyond the sheet size or the budget.
    void set(std::uint64_t row, std::uint64_t col, std::string text);
    // A date cell: its ISO text, marked as a date.
    void setDate(std::uint64_t row, std::uint64_t col, const CellDate& value);
    // Checks the budget for a sheet that reaches this row and column, before cells are set there.
    void reserve(std::uint64_t row, std::uint64_t col);
    void markUnreadFormula() { sheet_.unreadFormulas = true; }
    SheetData finish();

private:
    Budget& budget_;
    SheetData sheet_;
    std::uint64_t rows_ = 0, cols_ = 0;
    std::set<std::pair<std::size_t, std::size_t>> dates_;
};

// The members of a zip file and their unpacked sizes, from its central directory.
struct ZipMember {
    std::string name;
    std::uint64_t size = 0;
};
std::vector<ZipMember> ListZip(std::string_view bytes);

// A zip package in memory (the bytes must outlive it). Every member's declared size is checked against
// the limits before anything is unpacked: the unpacker sizes its buffer from that declaration.
class ZipPackage {
public:
    explicit ZipPackage(std::string_view bytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // The member's stored name, matched regardless of case as package part names are; empty when absent.
    std::string find(std::string_view name) const;
    // The unpacked member; refuses a member that is absent or cannot be unpacked.
    std::string read(std::string_view storedName) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A strict reader for the XML parts of packages: well-formed documents only, no DTD, no control
// characters, limited nesting; anything else is refused as a damaged workbook. Names come without their
// prefixes; texts and attribute values with their entities decoded.
struct XmlAttribute {
    std::string_view prefix, name;
    std::string value;
};
using XmlAttributes = std::vector<XmlAttribute>;
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void start(std::string_view name, const XmlAttributes& attributes) = 0;
    virtual void end(std::string_view name) = 0;
    virtual void text(std::string_view text) = 0;
};
void ParseXml(std::string_view xml, XmlHandler& handler);
// The value of the attribute of that local name; with `prefixed`, only one that has a prefix (r:id).
const std::string* FindAttribute(const XmlAttributes& attributes, std::string_view name,
                                 bool prefixed = false);

WorkbookData ReadXlsx(std::string_view bytes);
WorkbookData ReadOds(std::string_view bytes);
WorkbookData ReadXls(std::string_view bytes);
WorkbookData ReadCsv(std::string_view bytes, std::string sheetName);

} // namespace tulo::workbook
