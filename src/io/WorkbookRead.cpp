#include "base/Numbers.h"
#include "io/TextFiles.h"
#include "io/Workbook.h"
#include "io/WorkbookReadDetail.h"

#include <orcus/csv_parser.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <new>

namespace tulo {
namespace workbook {

namespace {

constexpr std::string_view kNotWorkbook =
    "The file is not a workbook TULO can read (.xlsx, .ods, .xls or .csv).";

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return lower;
}

} // namespace

void Refuse(const std::string& why) {
    throw WorkbookError(why);
}

std::string NumberText(double value) {
    return value == 0 ? "0" : ShortestText(value);
}

std::optional<double> ParseStoredNumber(std::string_view text) {
    text = Trim(text);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool IsBuiltInDateFormat(std::uint32_t id) {
    return (id >= 14 && id <= 17) || id == 22;
}

bool IsDateFormat(std::string_view code) {
    bool dayOrYear = false, month = false, hourOrSecond = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(code[i])));
        if (c == '"') {
            i = code.find('"', i + 1); // a literal text
        } else if (c == '[') {
            i = code.find(']', i + 1); // a colour, a locale, an elapsed [h], a condition
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i; // an escaped character, a space as wide as one, a fill character
        } else {
            dayOrYear = dayOrYear || c == 'd' || c == 'y';
            month = month || c == 'm';
            hourOrSecond = hourOrSecond || c == 'h' || c == 's';
        }
        if (i == std::string_view::npos) break;
    }
    return dayOrYear || (month && !hourOrSecond);
}

std::optional<CellDate> SerialDate(double serial, bool from1904) {
    using namespace std::chrono;
    constexpr double kLastSerial = 2958465; // 31 December 9999
    if (!std::isfinite(serial) || serial < 0 || serial >= kLastSerial + 1) return std::nullopt;
    double whole = std::floor(serial);
    int seconds = static_cast<int>(std::lround((serial - whole) * 86400));
    if (seconds == 86400) {
        whole += 1;
        seconds = 0;
    }
    const int count = static_cast<int>(whole);
    sys_days date;
    if (from1904) {
        date = sys_days{year{1904} / January / 1} + days{count};
    } else {
        if (count < 1 || count == 60) return std::nullopt;
        date = sys_days{year{1899} / December / (count < 60 ? 31 : 30)} + days{count};
    }
    const year_month_day ymd{date};
    if (ymd.year() > year{9999}) return std::nullopt;
    return CellDate{ymd, seconds};
}

SheetBuilder::SheetBuilder(std::string name, Budget& budget) : budget_(budget) {
    sheet_.name = std::move(name);
}

void SheetBuilder::set(std::uint64_t row, std::uint64_t col, std::string text) {
    if (row == 0 || col == 0) Refuse("The workbook is damaged: a cell reference is invalid.");
    if (text.empty() && (row > sheet_.cells.size() || col > sheet_.cells[row - 1].size())) return;
    reserve(row, col);
    budget_.textBytes += text.size();
    if (budget_.textBytes > kMaxTextBytes) Refuse("The workbook is too large to import (too much text).");
    if (row > sheet_.cells.size()) sheet_.cells.resize(row);
    auto& cells = sheet_.cells[row - 1];
    if (col > cells.size()) cells.resize(col);
    cells[col - 1] = std::move(text);
    if (!dates_.empty()) dates_.erase({row, col});
}

void SheetBuilder::setDate(std::uint64_t row, std::uint64_t col, const CellDate& value) {
    set(row, col, CellDateText(value));
    dates_.emplace(row, col);
}

void SheetBuilder::reserve(std::uint64_t row, std::uint64_t col) {
    if (row <= rows_ && col <= cols_) return;
    rows_ = std::max(rows_, row);
    cols_ = std::max(cols_, col);
    if (rows_ > kMaxRows || cols_ > kMaxCols)
        Refuse(
            "The workbook has cells beyond the largest sheet TULO reads (1,048,576 rows, 16,384 columns).");
    if (budget_.cells + rows_ * cols_ > kMaxCells)
        Refuse("The workbook is too large to import (more than 20 million cells).");
}

SheetData SheetBuilder::finish() {
    budget_.cells += rows_ * cols_;
    for (auto& row : sheet_.cells)
        while (!row.empty() && row.back().empty()) row.pop_back();
    while (!sheet_.cells.empty() && sheet_.cells.back().empty()) sheet_.cells.pop_back();
    sheet_.dates.assign(dates_.begin(), dates_.end());
    return std::move(sheet_);
}

std::vector<ZipMember> ListZip(std::string_view bytes) {
    // The end record is the last of its signature: the one unpackers find searching from the end.
    constexpr std::size_t kEndSize = 22;
    const std::size_t end = bytes.size() < kEndSize ? std::string_view::npos : bytes.rfind("PK\x05\x06");
    if (end == std::string_view::npos || end + kEndSize > bytes.size()) Refuse("The workbook is damaged.");
    const std::uint32_t count = Le16(bytes, end + 10);
    const std::uint32_t offset = Le32(bytes, end + 16);
    if (count == 0xFFFF || offset == 0xFFFFFFFF) Refuse("The workbook is too large to import.");
    std::vector<ZipMember> members;
    std::uint64_t total = 0;
    std::size_t at = offset;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at > bytes.size() || bytes.size() - at < 46 || bytes.substr(at, 4) != "PK\x01\x02")
            Refuse("The workbook is damaged.");
        // Stored members are unpacked into a buffer of their packed size, others of their unpacked size.
        const std::uint64_t packed = Le32(bytes, at + 20), size = Le32(bytes, at + 24);
        if (packed > bytes.size()) Refuse("The workbook is damaged.");
        const std::size_t nameLength = Le16(bytes, at + 28);
        const std::size_t skip = 46 + nameLength + Le16(bytes, at + 30) + Le16(bytes, at + 32);
        if (bytes.size() - at < skip) Refuse("The workbook is damaged.");
        total += size;
        if (size > kMaxMemberBytes || total > kMaxPackageBytes)
            Refuse("The workbook is too large to import.");
        members.push_back({std::string(bytes.substr(at + 46, nameLength)), size});
        at += skip;
    }
    return members;
}

struct ZipPackage::Impl {
    explicit Impl(std::string_view bytes)
        : stream(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), archive(&stream) {}
    orcus::zip_archive_stream_blob stream;
    orcus::zip_archive archive;
    std::map<std::string, std::string> byLowerName;
    std::map<std::string, std::uint64_t, std::less<>> sizes;
};

ZipPackage::ZipPackage(std::string_view bytes) : impl_(std::make_unique<Impl>(bytes)) {
    const std::vector<ZipMember> members = ListZip(bytes);
    impl_->archive.load();
    // Our size checks hold only if the unpacker sees the same directory.
    if (impl_->archive.get_file_entry_count() != members.size()) Refuse("The workbook is damaged.");
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (impl_->archive.get_file_entry_name(i) != members[i].name) Refuse("The workbook is damaged.");
        impl_->byLowerName.emplace(Lower(members[i].name), members[i].name);
        impl_->sizes.emplace(members[i].name, members[i].size);
    }
}

ZipPackage::~ZipPackage() = default;

std::string ZipPackage::find(std::string_view name) const {
    const auto found = impl_->byLowerName.find(Lower(name));
    return found == impl_->byLowerName.end() ? std::string() : found->second;
}

std::string ZipPackage::read(std::string_view storedName) const {
    std::vector<unsigned char> buffer;
    if (storedName.empty() || !impl_->archive.read_file_entry(storedName, buffer))
        Refuse("The workbook is damaged: a part is missing.");
    // The unpacker adds a terminating zero after the member's bytes.
    const auto size = impl_->sizes.find(storedName);
    if (size != impl_->sizes.end() && buffer.size() > size->second) buffer.resize(size->second);
    return std::string(buffer.begin(), buffer.end());
}

namespace {

// Comma, semicolon or tab: in the first line that holds any of them (outside quotes), a tab wins, then a
// semicolon. Decimal-comma locales separate with semicolons, so their lines hold commas as well.
char DetectSeparator(std::string_view text) {
    bool quoted = false, comma = false, semicolon = false;
    for (const char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\t') return '\t';
        comma = comma || c == ',';
        semicolon = semicolon || c == ';';
        if (c == '\n' && (comma || semicolon)) break;
    }
    return semicolon ? ';' : ',';
}

class CsvHandler : public orcus::csv_handler {
public:
    explicit CsvHandler(SheetBuilder& sheet) : sheet_(sheet) {}
    void begin_row() {
        if (++row_ > kMaxRows) Refuse("The file has more rows than TULO reads (1,048,576).");
        col_ = 0;
    }
    void cell(const char* p, std::size_t n, bool /*transient*/) {
        ++col_;
        if (n > 0) sheet_.set(row_, col_, std::string(p, n));
    }

private:
    SheetBuilder& sheet_;
    std::uint64_t row_ = 0, col_ = 0;
};

} // namespace

WorkbookData ReadCsv(std::string_view bytes, std::string sheetName) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    // The parser ends rows at LF only: CRLF and CR become LF.
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r')
            text += bytes[i];
        else if (i + 1 == bytes.size() || bytes[i + 1] != '\n')
            text += '\n';
    }
    orcus::csv::parser_config config;
    config.delimiters = std::string(1, DetectSeparator(text));
    config.text_qualifier = '"';
    config.trim_cell_value = false; // blanks belong to the text, as in a spreadsheet program
    Budget budget;
    SheetBuilder sheet(std::move(sheetName), budget);
    CsvHandler handler(sheet);
    orcus::csv_parser<CsvHandler> parser(text.data(), text.size(), handler, config);
    parser.parse();
    WorkbookData book;
    book.format = WorkbookFormat::Csv;
    book.sheets.push_back(sheet.finish());
    return book;
}

namespace {

constexpr std::string_view kOle2Signature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

WorkbookFormat DetectBytes(std::string_view bytes, std::string_view name) {
    if (bytes.empty()) Refuse("The file is empty.");
    if (bytes.substr(0, 4) == "PK\x03\x04") {
        const ZipPackage zip(bytes);
        if (!zip.find("xl/workbook.xml").empty()) return WorkbookFormat::Xlsx;
        const std::string mimetype = zip.find("mimetype");
        if (!zip.find("content.xml").empty() && !mimetype.empty() &&
            zip.read(mimetype).starts_with("application/vnd.oasis.opendocument.spreadsheet"))
            return WorkbookFormat::Ods;
        Refuse(std::string(kNotWorkbook));
    }
    if (bytes.starts_with(kOle2Signature)) return WorkbookFormat::Xls;
    const std::string lower = Lower(name);
    const bool textName = lower.ends_with(".csv") || lower.ends_with(".txt");
    const std::size_t nul = bytes.substr(0, 65536).find('\0');
    // Text holds no NUL byte and rarely another control character but blanks and line ends; a file that
    // is text by its content is told so, not taken for a broken workbook.
    const std::string_view head = bytes.substr(0, 4096);
    const bool text = std::none_of(head.begin(), head.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f' && u != 0;
    });
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        throw NoWorkbookFileError("The file is UTF-16 text; TULO reads text tables in UTF-8 (save it as "
                                  "\"CSV UTF-8\").");
    if (text && nul != std::string_view::npos)
        throw NoWorkbookFileError("The file holds a NUL byte (byte " + std::to_string(nul + 1) +
                                  "), which no text file holds: it is damaged.");
    if (text && !textName)
        throw NoWorkbookFileError("The file is text, which TULO reads as a table only under a .csv or .txt "
                                  "name.");
    if (textName && nul == std::string_view::npos) {
        if (bytes.size() > kMaxTextFileBytes)
            Refuse("The file holds " + std::to_string(bytes.size()) + " bytes, more than " +
                   std::to_string(kMaxTextFileBytes >> 20) + " MiB (" + std::to_string(kMaxTextFileBytes) +
                   " bytes), the most TULO reads of a text table.");
        return WorkbookFormat::Csv;
    }
    Refuse(std::string(kNotWorkbook));
}

std::string ReadFileBytes(const std::filesystem::path& file) {
    auto bytes = ReadWholeFile(file, kMaxFileBytes);
    if (!bytes) throw NoWorkbookFileError("The file cannot be read: " + bytes.message() + ".");
    return std::move(bytes).value();
}

// Every failure of the libraries underneath, whatever its type, becomes the user's message.
template <class Read> WorkbookData Guarded(Read read) {
    try {
        return read();
    } catch (const WorkbookError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw WorkbookError("The workbook is too large to import.");
    } catch (const std::exception& error) {
        throw WorkbookError(std::string("The workbook is damaged (") + error.what() + ").");
    } catch (...) {
        throw WorkbookError("The workbook is damaged.");
    }
}

WorkbookData ReadDetected(WorkbookFormat format, std::string_view bytes, const std::filesystem::path& name) {
    switch (format) {
    case WorkbookFormat::Xlsx:
        return ReadXlsx(bytes);
    case WorkbookFormat::Ods:
        return ReadOds(bytes);
    case WorkbookFormat::Xls:
        return ReadXls(bytes);
    case WorkbookFormat::Csv:
        break;
    }
    return ReadCsv(bytes, name.stem().string());
}

} // namespace
} // namespace workbook

using workbook::DetectSeparator;
using workbook::kOle2Signature;
using workbook::Lower;
using workbook::Refuse;

// Rows a block at a time: the text is cut after a line end outside quotes, so that the parser sees
// whole rows, and given to the same parser with the separator of the file's first block.
struct CsvRowStream::State {
    std::ifstream in;
    std::uintmax_t size = 0, read = 0;
    std::string text;            // line ends made LF; from `start` on not yet parsed
    std::size_t start = 0;       // the first byte of the next row
    bool carriageReturn = false; // the last block ended with CR: an LF starting the next is its pair
    bool atEnd = false;
    bool first = true;
    char separator = ',';
    std::uint64_t rowsRead = 0;

    // Appends the next block of the file, its line ends made LF; false at the end of the file.
    bool fill() {
        if (atEnd) return false;
        char buffer[1 << 16];
        in.read(buffer, sizeof buffer);
        const auto count = static_cast<std::size_t>(in.gcount());
        if (in.bad()) Refuse("The file cannot be read.");
        if (count == 0) {
            atEnd = true;
            return false;
        }
        read += count;
        std::string_view block(buffer, count);
        if (first && block.substr(0, 3) == "\xEF\xBB\xBF") block.remove_prefix(3);
        for (std::size_t i = 0; i < block.size(); ++i) {
            const char c = block[i];
            if (carriageReturn && c == '\n') {
                carriageReturn = false;
                continue;
            }
            carriageReturn = c == '\r';
            text += carriageReturn ? '\n' : c;
        }
        if (first) separator = DetectSeparator(text);
        first = false;
        return true;
    }
};

CsvRowStream::CsvRowStream(const std::filesystem::path& file) : state_(std::make_unique<State>()) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (!std::filesystem::is_regular_file(status))
        Refuse(std::filesystem::exists(status) ? "The file cannot be read: it is not a regular file."
                                               : "The file cannot be read: it does not exist.");
    state_->size = std::filesystem::file_size(file, ec);
    state_->in.open(file, std::ios::binary);
    if (!state_->in) Refuse("The file cannot be read: it cannot be opened.");
}

CsvRowStream::~CsvRowStream() = default;

namespace {

// Counts whole rows in CSV text. A quote opens a quoted cell only as a cell's first character, as the
// parser reads it; inside, two quotes stand for one and a line end belongs to the cell.
class RowEnds {
public:
    explicit RowEnds(std::size_t start) : cut(start), scanned(start) {}

    // Scans on through `text` until it ends or `maxRows` rows have.
    void scan(std::string_view text, char separator, std::size_t maxRows) {
        for (; scanned < text.size() && count < maxRows; ++scanned) {
            const char c = text[scanned];
            if (state_ == State::Quoted) {
                if (c == '"') state_ = State::QuoteInQuoted;
                continue;
            }
            if (state_ == State::QuoteInQuoted && c == '"') {
                state_ = State::Quoted;
                continue;
            }
            if (c == '\n') {
                ++count;
                cut = scanned + 1;
                state_ = State::CellStart;
            } else if (c == separator) {
                state_ = State::CellStart;
            } else if (state_ == State::CellStart && c == '"') {
                state_ = State::Quoted;
            } else {
                state_ = State::Plain;
            }
        }
    }

    std::size_t cut, scanned; // just after the last whole row; the first byte not yet scanned
    std::size_t count = 0;    // whole rows

private:
    enum class State { CellStart, Plain, Quoted, QuoteInQuoted };
    State state_ = State::CellStart;
};

// `before`: the rows of the file before the text, for messages.
void ParseCsvRows(std::string_view text, char separator, std::vector<std::vector<std::string>>& rows,
                  std::uint64_t before) {
    class Rows : public orcus::csv_handler {
    public:
        Rows(std::vector<std::vector<std::string>>& rows, std::uint64_t before)
            : rows_(rows), before_(before) {}
        void begin_row() { rows_.emplace_back(); }
        // A row of millions of cells (a file of separators) would take gigabytes as texts: a row is
        // refused past the widest sheet, as a workbook's are.
        void cell(const char* p, std::size_t n, bool /*transient*/) {
            if (rows_.back().size() >= workbook::kMaxCols)
                Refuse("Row " + std::to_string(before_ + rows_.size()) +
                       " has more cells than the widest sheet TULO reads (16,384 columns).");
            rows_.back().emplace_back(p, n);
        }

    private:
        std::vector<std::vector<std::string>>& rows_;
        std::uint64_t before_;
    } handler(rows, before);
    orcus::csv::parser_config config;
    config.delimiters = std::string(1, separator);
    config.text_qualifier = '"';
    config.trim_cell_value = false;
    try {
        orcus::csv_parser<Rows> parser(text.data(), text.size(), handler, config);
        parser.parse();
    } catch (const WorkbookError&) {
        throw;
    } catch (const std::exception& error) {
        Refuse(std::string("The file is damaged (") + error.what() + ").");
    }
}

} // namespace

bool CsvRowStream::next(std::size_t maxRows, std::vector<std::vector<std::string>>& rows) {
    State& s = *state_;
    rows.clear();
    // The end of the `maxRows`-th whole row after `start`, or of as many as the text holds.
    RowEnds ends(s.start);
    while (ends.count < maxRows) {
        ends.scan(s.text, s.separator, maxRows);
        if (ends.count == maxRows) break;
        // A block of long rows stops early, so that its text stays about a MiB whatever `maxRows` is:
        // its cells take many times their text's bytes.
        if (ends.cut - s.start >= (std::size_t{1} << 20)) break;
        if (s.text.size() - ends.cut > kMaxTextFileBytes)
            Refuse("A row of the file is larger than " + std::to_string(kMaxTextFileBytes >> 20) +
                   " MiB, the most TULO reads of a text table.");
        if (!s.fill()) {
            ends.cut = s.text.size(); // the last row needs no line end
            break;
        }
    }
    const std::size_t cut = ends.cut;
    if (cut == s.start) return false;
    ParseCsvRows(std::string_view(s.text).substr(s.start, cut - s.start), s.separator, rows, s.rowsRead);
    s.rowsRead += rows.size();
    s.start = cut;
    // The parsed text goes once it is most of the buffer, so that the buffer stays one block or so.
    if (s.start > s.text.size() / 2) {
        s.text.erase(0, s.start);
        s.start = 0;
    }
    return !rows.empty();
}

double CsvRowStream::progress() const {
    return state_->size == 0 ? 1.0 : std::min(1.0, static_cast<double>(state_->read) / state_->size);
}

bool IsCsvFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) Refuse("The file cannot be read: it cannot be opened.");
    std::string head(65536, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    const std::string lower = Lower(file.filename().string());
    return (lower.ends_with(".csv") || lower.ends_with(".txt")) && !head.starts_with("PK\x03\x04") &&
           !head.starts_with(kOle2Signature) && head.find('\0') == std::string::npos;
}

bool SheetData::date(std::size_t row, std::size_t col) const {
    return std::binary_search(dates.begin(), dates.end(), std::pair{row, col});
}

std::string CellDateText(const CellDate& value) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(value.date.year()),
                  static_cast<unsigned>(value.date.month()), static_cast<unsigned>(value.date.day()));
    std::string result = text;
    if (value.seconds > 0) {
        std::snprintf(text, sizeof text, " %02d:%02d:%02d", value.seconds / 3600, value.seconds / 60 % 60,
                      value.seconds % 60);
        result += text;
    }
    return result;
}

std::optional<CellDate> ParseCellDate(std::string_view text) {
    using namespace std::chrono;
    std::size_t at = 0;
    // Exactly `width` digits, without a sign.
    const auto digits = [&](std::size_t width, int& value) {
        if (text.size() - at < width) return false;
        const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + width, value);
        if (error != std::errc() || end != text.data() + at + width || text[at] == '-' || text[at] == '+')
            return false;
        at += width;
        return true;
    };
    const auto separator = [&](std::string_view any) {
        if (at == text.size() || any.find(text[at]) == std::string_view::npos) return false;
        ++at;
        return true;
    };
    int y = 0, m = 0, d = 0, hours = 0, minutes = 0, wholeSeconds = 0;
    if (!digits(4, y) || !separator("-") || !digits(2, m) || !separator("-") || !digits(2, d))
        return std::nullopt;
    const year_month_day date{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}};
    if (!date.ok() || y < 1) return std::nullopt;
    if (at == text.size()) return CellDate{date, 0};
    if (!separator("T ") || !digits(2, hours) || !separator(":") || !digits(2, minutes)) return std::nullopt;
    double seconds = 0;
    if (separator(":")) {
        if (!digits(2, wholeSeconds)) return std::nullopt;
        seconds = wholeSeconds;
        if (at < text.size() && text[at] == '.') {
            const std::size_t start = at;
            for (++at; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]));) ++at;
            double fraction = 0;
            std::from_chars(text.data() + start, text.data() + at, fraction);
            seconds += fraction;
        }
    }
    // A time zone is not read: a field's day is the day its book names.
    if (at < text.size() && text.substr(at) != "Z") {
        int zoneHours = 0, zoneMinutes = 0;
        if (!separator("+-") || !digits(2, zoneHours) || !separator(":") || !digits(2, zoneMinutes) ||
            at != text.size())
            return std::nullopt;
    }
    if (hours > 23 || minutes > 59 || seconds >= 61) return std::nullopt;
    const long total = std::lround(hours * 3600 + minutes * 60 + seconds);
    const year_month_day shown{sys_days{date} + days{total / 86400}};
    if (shown.year() > year{9999}) return std::nullopt;
    return CellDate{shown, static_cast<int>(total % 86400)};
}

WorkbookFormat DetectWorkbookFormat(const std::filesystem::path& file) {
    WorkbookFormat format = WorkbookFormat::Xlsx;
    workbook::Guarded([&] {
        format = workbook::DetectBytes(workbook::ReadFileBytes(file), file.filename().string());
        return WorkbookData{};
    });
    return format;
}

WorkbookData ReadWorkbook(const std::filesystem::path& file) {
    return workbook::Guarded([&] {
        const std::string bytes = workbook::ReadFileBytes(file);
        const WorkbookFormat format = workbook::DetectBytes(bytes, file.filename().string());
        return workbook::ReadDetected(format, bytes, file);
    });
}

WorkbookData ReadWorkbookBytes(std::string_view bytes, std::string_view name) {
    return workbook::Guarded([&] {
        if (bytes.size() > workbook::kMaxFileBytes) workbook::Refuse("The file is too large to import.");
        const WorkbookFormat format = workbook::DetectBytes(bytes, name);
        return workbook::ReadDetected(format, bytes, std::filesystem::path(name));
    });
}

} // namespace tulo
