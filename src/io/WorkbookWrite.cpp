#include "base/Numbers.h"
#include "io/FileSets.h"
#include "io/TextFiles.h"
#include "io/Utf8.h"
#include "io/Workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <memory>
#include <optional>
#include <system_error>

namespace tulo {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSheetNameLimit = 31;
constexpr int kRowLimit = 1048576;
constexpr int kColLimit = 16384;

// "A1", "AB12": how a spreadsheet user finds the cell a message is about.
std::string CellName(int row, int col) {
    std::string letters;
    for (int c = col; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(row);
}

// Spreadsheet programs refuse or "repair" workbooks with such names, so they are refused here instead.
void CheckSheetName(std::string_view name) {
    const std::string refused = "The sheet name \"" + std::string(name) + "\" cannot be used in a workbook: ";
    if (name.empty()) throw WorkbookError("A workbook sheet needs a name.");
    const auto length = Utf8Length(name);
    if (!length) throw WorkbookError(refused + "it is not UTF-8 text.");
    if (*length > kSheetNameLimit) throw WorkbookError(refused + "it is longer than 31 characters.");
    if (const auto bad = name.find_first_of("[]:*?/\\"); bad != std::string_view::npos)
        throw WorkbookError(refused + "it contains \"" + name[bad] + "\".");
    if (name.front() == '\'' || name.back() == '\'')
        throw WorkbookError(refused + "it begins or ends with an apostrophe.");
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "history") throw WorkbookError(refused + "spreadsheet programs reserve it.");
}

// Whether a text is written the way numbers are: an optional sign, digits with one decimal point or
// decimal comma, an optional exponent, blanks around. Digits after a leading zero ("0012", a code or a
// plot number) keep the text.
bool NumberLike(std::string_view text) {
    text = Trim(text);
    std::size_t at = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        return at - start;
    };
    const std::size_t whole = digits();
    if (whole > 1 && text[at - whole] == '0') return false;
    std::size_t fraction = 0;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        fraction = digits();
        if (fraction == 0) return false;
    }
    if (whole + fraction == 0) return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
        if (digits() == 0) return false;
    }
    return at == text.size();
}

// The number a cell is stored as: any text that holds a number as above ("7,9" from a decimal-comma
// table, a number kept as text), which reads back in the shortest form. Other texts stay texts.
std::optional<double> StoredNumber(const std::string& text) {
    if (!NumberLike(text)) return std::nullopt;
    const auto value = ParseNumber(text);
    // The library prints 16 significant digits, which loses a value that needs 17; and "-0" would come
    // back as "0". Such texts stay texts, to read back as they were.
    if (!value || RoundToSignificant(*value, 16) != *value || (*value == 0.0 && std::signbit(*value)))
        return std::nullopt;
    return value;
}

// A date cell's serial number, in the 1900 date system the library writes (Excel's 29 February 1900
// included); nothing before 1900, which a workbook cannot hold as a date.
std::optional<double> DateSerial(const CellDate& value) {
    using namespace std::chrono;
    if (value.date.year() < year{1900}) return std::nullopt;
    const sys_days day{value.date};
    const auto sinceMarch1900 = (day - sys_days{year{1900} / March / 1}).count();
    const double serial = static_cast<double>(sinceMarch1900 + (sinceMarch1900 >= 0 ? 61 : 60));
    return serial + value.seconds / 86400.0;
}

// The library prints numbers through the C library, which follows the thread's numeric locale: with a
// decimal comma (an Italian desktop) it would write "0,5", which no spreadsheet reads. The numeric part
// of the locale is "C" while a workbook is written.
class CNumericLocale {
public:
    CNumericLocale() {
        if (locale_t base = duplocale(uselocale(nullptr))) {
            locale_ = newlocale(LC_NUMERIC_MASK, "C", base);
            if (locale_ == nullptr) freelocale(base);
        }
        if (locale_ != nullptr) previous_ = uselocale(locale_);
    }
    ~CNumericLocale() {
        if (locale_ == nullptr) return;
        uselocale(previous_);
        freelocale(locale_);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t locale_ = nullptr;
    locale_t previous_ = nullptr;
};

// A new file beside the target, removed again unless it was renamed over the target. Creating it here
// finds a missing or read-only folder with the system's own reason, before the library is involved.
// Messages name the file as the user gave it (`shown`), which may be a link to the target.
class TemporaryFile {
public:
    TemporaryFile(const fs::path& target, const fs::path& shown) : shown_(shown) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = TemporaryNameBeside(target);
            if (std::FILE* file = std::fopen(path_.c_str(), "wbx")) {
                std::fclose(file);
                return;
            }
            if (errno != EEXIST) break;
        }
        throw WorkbookError("Cannot write " + shown.string() + ": " + std::strerror(errno) + ".");
    }
    ~TemporaryFile() {
        std::error_code ignored;
        if (!renamed_) fs::remove(path_, ignored);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const fs::path& path() const { return path_; }

    void renameTo(const fs::path& target) {
        // Only now: the library opens the file again to write it, which a read-only mode would refuse.
        KeepPermissions(path_, target);
        std::error_code ec;
        fs::rename(path_, target, ec);
        if (ec) throw WorkbookError("Cannot write " + shown_.string() + ": " + ec.message() + ".");
        renamed_ = true;
    }

private:
    fs::path shown_;
    fs::path path_;
    bool renamed_ = false;
};

struct WorkbookDeleter {
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};

} // namespace

void WriteXlsx(const Grid& grid, const fs::path& file, std::string_view sheetName) {
    CheckSheetName(sheetName);
    const UsedBlock block = FindUsedBlock(grid);
    if (block.rows > kRowLimit || block.cols > kColLimit)
        throw WorkbookError("The table reaches row " + std::to_string(block.rows) + " and column " +
                            std::to_string(block.cols) +
                            "; a workbook sheet holds at most 1048576 rows and 16384 columns.");
    const auto target = ResolveWriteTarget(file);
    if (!target) throw WorkbookError(target.message());
    const fs::path& resolved = *target;
    const auto fail = [&file](lxw_error error) {
        return WorkbookError("Cannot write " + file.string() + ": " + lxw_strerror(error));
    };

    const CNumericLocale numbersWithPoint;
    TemporaryFile temporary(resolved, file);
    std::unique_ptr<lxw_workbook, WorkbookDeleter> workbook(workbook_new(temporary.path().c_str()));
    if (!workbook) throw fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
    const std::string name(sheetName);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), name.c_str());
    if (sheet == nullptr) throw fail(LXW_ERROR_PARAMETER_VALIDATION);
    // Dates in ISO form, which every spreadsheet program shows as a date and which reads back as written.
    lxw_format* dateFormat = workbook_add_format(workbook.get());
    lxw_format* dateTimeFormat = workbook_add_format(workbook.get());
    if (dateFormat == nullptr || dateTimeFormat == nullptr) throw fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
    format_set_num_format(dateFormat, "yyyy-mm-dd");
    format_set_num_format(dateTimeFormat, "yyyy-mm-dd hh:mm:ss");
    for (int r = 1; r <= block.rows; ++r)
        for (int c = 1; c <= block.cols; ++c) {
            const std::string& text = grid.text(r, c);
            if (text.empty()) continue;
            const auto row = static_cast<lxw_row_t>(r - 1);
            const auto col = static_cast<lxw_col_t>(c - 1);
            lxw_error error = LXW_NO_ERROR;
            const auto date = grid.date(r, c) ? ParseCellDate(text) : std::nullopt;
            if (const auto serial = date ? DateSerial(*date) : std::nullopt) {
                error = worksheet_write_number(sheet, row, col, *serial,
                                               date->seconds > 0 ? dateTimeFormat : dateFormat);
            } else if (const auto number = StoredNumber(text)) {
                error = worksheet_write_number(sheet, row, col, *number, nullptr);
            } else {
                if (!Utf8Length(text))
                    throw WorkbookError("Cannot write " + file.string() + ": cell " + CellName(r, c) +
                                        " holds text that is not UTF-8.");
                error = worksheet_write_string(sheet, row, col, text.c_str(), nullptr);
            }
            if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
                throw WorkbookError("Cannot write " + file.string() + ": cell " + CellName(r, c) +
                                    " holds more than 32767 characters, the most a workbook cell holds.");
            if (error != LXW_NO_ERROR) throw fail(error);
        }
    // Closing writes the file and frees the workbook, whatever the outcome.
    const lxw_error closed = workbook_close(workbook.release());
    if (closed != LXW_NO_ERROR) throw fail(closed);
    temporary.renameTo(resolved);
}

void WriteCsv(const Grid& grid, const fs::path& file) {
    if (const Outcome written = WriteFileAtomically(file, GridToCsv(grid)); !written)
        throw WorkbookError(written.message);
}

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

} // namespace

fs::path WorkbookSaveName(const fs::path& chosen) {
    const std::string name = chosen.string();
    if (EndsWithNoCase(name, ".xlsx") || EndsWithNoCase(name, ".csv")) return chosen;
    // A legacy .xls name asks for a workbook, which is written in today's format under its own extension.
    if (EndsWithNoCase(name, ".xls")) return fs::path(name.substr(0, name.size() - 4) + ".xlsx");
    return fs::path(name + ".xlsx");
}

std::optional<std::string> TableFileNameProblem(const fs::path& file) {
    const std::string name = file.string();
    if (EndsWithNoCase(name, ".xlsx") || EndsWithNoCase(name, ".csv")) return std::nullopt;
    return "Cannot write " + name + ": TULO writes tables as .xlsx or .csv; end the name with one of them.";
}

void WriteGridFile(const Grid& grid, const fs::path& file) {
    if (const auto problem = TableFileNameProblem(file)) throw WorkbookError(*problem);
    if (EndsWithNoCase(file.string(), ".csv"))
        WriteCsv(grid, file);
    else
        WriteXlsx(grid, file, "TULO");
}

} // namespace tulo
