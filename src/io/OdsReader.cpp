// The .ods reader: the cells of content.xml, read with our own XML reader. orcus's ODS import crashes on
// documents as plain as a row whose style has an unknown family, and it expands repeated cells one by one;
// reading the cells here also gives formula cells the value the writing program stored, as the .xlsx
// reader does.

#include "io/WorkbookReadDetail.h"

#include <algorithm>
#include <charconv>
#include <chrono>

namespace tulo::workbook {
namespace {

std::uint64_t Repeat(const XmlAttributes& attributes, std::string_view name) {
    std::uint64_t count = 1;
    if (const std::string* value = FindAttribute(attributes, name))
        std::from_chars(value->data(), value->data() + value->size(), count);
    return std::clamp<std::uint64_t>(count, 1, kMaxRows);
}

// "2026-05-01" or "2026-05-01T12:30:00" as days from `origin`.
std::optional<double> DateValue(std::string_view text, std::chrono::sys_days origin) {
    using namespace std::chrono;
    int y = 0;
    unsigned m = 0, d = 0;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    const auto read = [&](auto& value) {
        const auto result = std::from_chars(p, end, value);
        if (result.ec != std::errc()) return false;
        p = result.ptr;
        return true;
    };
    if (!read(y) || p == end || *p++ != '-' || !read(m) || p == end || *p++ != '-' || !read(d))
        return std::nullopt;
    const year_month_day date{year{y}, month{m}, day{d}};
    if (!date.ok()) return std::nullopt;
    double days = static_cast<double>((sys_days{date} - origin).count());
    int hours = 0, minutes = 0;
    double seconds = 0;
    if (p != end && *p == 'T') {
        ++p;
        if (!read(hours) || p == end || *p++ != ':' || !read(minutes) || p == end || *p++ != ':' ||
            !read(seconds))
            return std::nullopt;
        days += (hours * 3600.0 + minutes * 60.0 + seconds) / 86400.0;
    }
    return days;
}

// "PT12H30M00S" (a duration) as a fraction of a day.
std::optional<double> TimeValue(std::string_view text) {
    if (!text.starts_with("PT")) return std::nullopt;
    double total = 0;
    for (const char* p = text.data() + 2; p < text.data() + text.size();) {
        double value = 0;
        const auto [next, error] = std::from_chars(p, text.data() + text.size(), value);
        if (error != std::errc() || next == text.data() + text.size()) return std::nullopt;
        if (*next == 'H')
            total += value / 24;
        else if (*next == 'M')
            total += value / 1440;
        else if (*next == 'S')
            total += value / 86400;
        else
            return std::nullopt;
        p = next + 1;
    }
    return total;
}

class ContentReader : public XmlHandler {
public:
    ContentReader(WorkbookData& book, Budget& budget) : book_(book), budget_(budget) {}

    void start(std::string_view name, const XmlAttributes& attributes) override {
        if (cellDepth_ > 0) return cellChild(name, attributes);
        if (name == "null-date") {
            const std::string* value = FindAttribute(attributes, "date-value");
            if (const auto days = value ? DateValue(*value, std::chrono::sys_days{}) : std::nullopt)
                origin_ = std::chrono::sys_days{std::chrono::days{static_cast<int>(*days)}};
        } else if (name == "table") {
            if (tableDepth_++ > 0) return; // a table inside a cell is the cell's content, not a sheet
            if (book_.sheets.size() >= kMaxSheets) Refuse("The workbook has too many sheets to import.");
            const std::string* sheetName = FindAttribute(attributes, "name");
            sheet_.emplace(sheetName ? *sheetName : std::string(), budget_);
            row_ = 0;
        } else if (tableDepth_ == 1 && name == "table-row") {
            rowRepeat_ = Repeat(attributes, "number-rows-repeated");
            col_ = 0;
            rowCells_.clear();
        } else if (tableDepth_ == 1 && (name == "table-cell" || name == "covered-table-cell")) {
            startCell(attributes);
        }
    }

    void end(std::string_view name) override {
        if (cellDepth_ > 1) {
            --cellDepth_;
            if (name == "p" && paragraphDepth_ == cellDepth_ + 1) paragraphDepth_ = 0;
            if (name == "annotation" && annotationDepth_ == cellDepth_ + 1) annotationDepth_ = 0;
        } else if (cellDepth_ == 1) {
            cellDepth_ = 0;
            endCell();
        } else if (tableDepth_ == 1 && name == "table-row") {
            endRow();
        } else if (name == "table" && tableDepth_ > 0 && --tableDepth_ == 0 && sheet_) {
            book_.sheets.push_back(sheet_->finish());
            sheet_.reset();
        }
    }

    void text(std::string_view text) override {
        if (cellDepth_ > 0 && paragraphDepth_ > 0 && annotationDepth_ == 0) text_ += text;
    }

private:
    void startCell(const XmlAttributes& attributes) {
        cellDepth_ = 1;
        paragraphDepth_ = annotationDepth_ = 0;
        colRepeat_ = Repeat(attributes, "number-columns-repeated");
        text_.clear();
        paragraphs_ = 0;
        value_.reset();
        date_.reset();
        const std::string* type = FindAttribute(attributes, "value-type");
        const bool formula = FindAttribute(attributes, "formula") != nullptr;
        unread_ = formula && !type;
        // LibreOffice marks a formula's error (#DIV/0!) with a second value type and keeps it as text.
        const bool error = std::any_of(attributes.begin(), attributes.end(), [](const XmlAttribute& a) {
            return a.name == "value-type" && a.value == "error";
        });
        if (!type || *type == "string" || error) {
            if (const std::string* text = FindAttribute(attributes, "string-value")) value_ = *text;
            return; // else the cell's paragraphs
        }
        const auto attr = [&](std::string_view n) {
            const std::string* v = FindAttribute(attributes, n);
            return v ? std::string_view(*v) : std::string_view();
        };
        std::optional<double> number;
        if (*type == "date" && (date_ = ParseCellDate(attr("date-value"))))
            value_ = CellDateText(*date_);
        else if (*type == "date") // beyond the years a date cell holds
            number = DateValue(attr("date-value"), origin_);
        else if (*type == "time")
            number = TimeValue(attr("time-value"));
        else if (*type == "boolean")
            value_ = attr("boolean-value") == "true" ? "TRUE" : "FALSE";
        else
            number = ParseStoredNumber(attr("value")); // float, percentage, currency
        if (number)
            value_ = NumberText(*number);
        else if (!value_)
            value_ = std::string(); // a typed cell whose value is missing or malformed
    }

    void cellChild(std::string_view name, const XmlAttributes& attributes) {
        ++cellDepth_;
        if (name == "annotation" && annotationDepth_ == 0) annotationDepth_ = cellDepth_;
        if (annotationDepth_ > 0) return;
        if (name == "p" && paragraphDepth_ == 0) {
            if (paragraphs_++ > 0) text_ += '\n';
            paragraphDepth_ = cellDepth_;
        } else if (paragraphDepth_ > 0) {
            if (name == "s")
                text_.append(std::min<std::uint64_t>(Repeat(attributes, "c"), 1024), ' ');
            else if (name == "tab")
                text_ += '\t';
            else if (name == "line-break")
                text_ += '\n';
        }
    }

    void endCell() {
        std::string text = value_ ? std::move(*value_) : std::move(text_);
        if (unread_ && sheet_) sheet_->markUnreadFormula();
        if (!text.empty()) rowCells_.push_back({col_, std::move(text), date_, colRepeat_});
        col_ = std::min(col_ + colRepeat_, kMaxCols + 1);
    }

    // A row's cells, repeated as the row is; the sheet's budget is checked before the copies are made.
    void endRow() {
        if (!rowCells_.empty() && sheet_) {
            const RowCell& last = rowCells_.back();
            sheet_->reserve(row_ + rowRepeat_, last.col + last.repeat);
            for (std::uint64_t r = 0; r < rowRepeat_; ++r)
                for (const RowCell& cell : rowCells_)
                    for (std::uint64_t c = 0; c < cell.repeat; ++c)
                        if (cell.date)
                            sheet_->setDate(row_ + r + 1, cell.col + c + 1, *cell.date);
                        else
                            sheet_->set(row_ + r + 1, cell.col + c + 1, cell.text);
        }
        row_ = std::min(row_ + rowRepeat_, kMaxRows + 1);
    }

    struct RowCell {
        std::uint64_t col;
        std::string text;
        std::optional<CellDate> date;
        std::uint64_t repeat;
    };

    WorkbookData& book_;
    Budget& budget_;
    std::optional<SheetBuilder> sheet_;
    std::chrono::sys_days origin_ = std::chrono::sys_days{std::chrono::year{1899} / 12 / 30};
    std::uint64_t row_ = 0, col_ = 0, rowRepeat_ = 1, colRepeat_ = 1;
    int tableDepth_ = 0, cellDepth_ = 0, paragraphDepth_ = 0, annotationDepth_ = 0, paragraphs_ = 0;
    bool unread_ = false;
    std::string text_;
    std::optional<std::string> value_;
    std::optional<CellDate> date_;
    std::vector<RowCell> rowCells_;
};

} // namespace

WorkbookData ReadOds(std::string_view bytes) {
    const ZipPackage zip(bytes);
    WorkbookData book;
    book.format = WorkbookFormat::Ods;
    Budget budget;
    ContentReader reader(book, budget);
    ParseXml(zip.read(zip.find("content.xml")), reader);
    if (book.sheets.empty()) Refuse("The workbook has no sheet.");
    return book;
}

} // namespace tulo::workbook
