#include "base/Numbers.h"
#include "io/TextFiles.h"
#include "io/Utf8.h"
#include "io/Workbook.h"

#include <xlsxwriter.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <memory>
#include <optional>
#include <random>
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

// The number a cell is stored as, for texts the program itself writes for numbers; any other text
// ("0012", "1,5", "1e3", " 3") stays a text so that it reads back exactly as it was.
std::optional<double> StoredNumber(const std::string& text) {
    const auto value = ParseNumber(text);
    if (!value || ShortestText(*value) != text) return std::nullopt;
    // The library prints 16 significant digits, which loses a value that needs 17; and "-0" would come
    // back as "0".
    if (RoundToSignificant(*value, 16) != *value || (*value == 0.0 && std::signbit(*value)))
        return std::nullopt;
    return value;
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
        std::random_device entropy;
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = target;
            path_ += ".tmp" + std::to_string(entropy() % 1000000);
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
    fs::path resolved;
    if (const auto error = ResolveWriteTarget(file, resolved)) throw WorkbookError(*error);
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
    for (int r = 1; r <= block.rows; ++r)
        for (int c = 1; c <= block.cols; ++c) {
            const std::string& text = grid.text(r, c);
            if (text.empty()) continue;
            const auto row = static_cast<lxw_row_t>(r - 1);
            const auto col = static_cast<lxw_col_t>(c - 1);
            lxw_error error = LXW_NO_ERROR;
            if (const auto number = StoredNumber(text)) {
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
    if (const auto error = WriteFileAtomically(file, GridToCsv(grid))) throw WorkbookError(*error);
}

} // namespace tulo
