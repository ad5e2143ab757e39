#include "forms/SimConfig.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "base/Problems.h"
#include "engine/Parameters.h"
#include "engine/RunState.h"
#include "forms/InputControls.h"
#include "forms/InputWeather.h"
#include "io/TextFiles.h"
#include "io/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

namespace tulo {

namespace {

namespace fs = std::filesystem;

// How a single control is stored: its text, its check state as an integer, or an option as a truth.
enum class Form { Text, Check, Truth };

struct Scalar {
    int item;
    std::string_view control;
    Form form;
    std::string_view what;
};

// Items 1 to 3 and 31 to 37; the crop parameters between them, items 4 to 30, are the registry's.
constexpr Scalar kControlItems[] = {
    {1, ctl::txtInitialDate, Form::Text, "initial date"},
    {2, ctl::txtFinalDate, Form::Text, "final date"},
    {3, ctl::chkSoil, Form::Check, "soil simulation switch"},
};
constexpr Scalar kManagementItems[] = {
    {31, ctl::txtSowingDate, Form::Text, "sowing date"},
    {32, ctl::txtLatitude, Form::Text, "latitude"},
    {33, ctl::cmbFlooded, Form::Text, "flooding choice"},
    {34, ctl::OptionFixWlevel, Form::Truth, "fixed water level selected"},
    {35, ctl::txtWaterLevel, Form::Text, "water level"},
    {36, ctl::OptionDynamicWlevel, Form::Truth, "dynamic water level selected"},
    {37, ctl::txtInitialWaterLevel, Form::Text, "initial water level"},
};

// Items 53 and 54; the transplanting's crop parameters follow them from item 55, in the registry.
constexpr Scalar kTransplantingItems[] = {
    {53, ctl::chkTransplanted, Form::Check, "transplanting switch"},
    {54, ctl::txtTransplantingDate, Form::Text, "transplanting date"},
};
constexpr int kFirstTransplantingItem = 53;

// The registry's items from `first` to `last`, in file order.
std::vector<Scalar> CropItems(int first, int last) {
    std::vector<Scalar> crop;
    for (const ParameterInfo& p : CropParameterRegistry())
        if (p.configItem >= first && p.configItem <= last)
            crop.push_back({p.configItem, ControlOf(p),
                            p.kind == ParameterKind::Switch ? Form::Check : Form::Text, p.configName});
    std::sort(crop.begin(), crop.end(), [](const Scalar& a, const Scalar& b) { return a.item < b.item; });
    return crop;
}

// Items 1 to 37 in file order.
std::vector<Scalar> HeadItems() {
    const std::vector<Scalar> crop = CropItems(1, kFirstTransplantingItem - 1);
    std::vector<Scalar> items(std::begin(kControlItems), std::end(kControlItems));
    items.insert(items.end(), crop.begin(), crop.end());
    items.insert(items.end(), std::begin(kManagementItems), std::end(kManagementItems));
    return items;
}

// Items 53 to 58 in file order.
std::vector<Scalar> TransplantingItems() {
    std::vector<Scalar> items(std::begin(kTransplantingItems), std::end(kTransplantingItems));
    const std::vector<Scalar> crop = CropItems(kFirstTransplantingItem, std::numeric_limits<int>::max());
    items.insert(items.end(), crop.begin(), crop.end());
    return items;
}

// The registry is a constant, so it is complete before these are built.
const std::vector<Scalar> kHeadItems = HeadItems();
const std::vector<Scalar> kTransplantItems = TransplantingItems();

// Items 45 to 47 and 51 to 52; 48 to 50 between them are the treatment days and the report option.
constexpr Scalar kDiseaseItems[] = {
    {45, ctl::chkDiseases, Form::Check, "disease simulation switch"},
    {46, ctl::txtBlastClass, Form::Text, "blast susceptibility class"},
    {47, ctl::cmbBlastProduct, Form::Text, "blast treatment product"},
};
constexpr Scalar kColdShockItems[] = {
    {51, ctl::optWlevelIncrease, Form::Check, "switch for raising the water level against cold shocks"},
    {52, ctl::txtPreFlowWaterLevel, Form::Text, "pre-flowering water level"},
};
constexpr int kTreatmentCountItem = 48;
constexpr int kReportItem = 50;
constexpr int kYearItem = 59;
constexpr std::string_view kYearWhat = "season's year";

// A table stored as its row count followed by the cells of those rows. The inflow table's limit is the
// grid's full height: a run reads all its rows, so a lower limit here would silently drop some.
struct Table {
    int countItem;
    std::string_view grid;
    int limit;
    int cols;
    std::string_view countWhat;
    std::string_view cellsWhat;
};
constexpr Table kInflow{38,
                        ctl::sprDynWaterInput,
                        kWaterInputRows,
                        kWaterInputCols,
                        "number of rows of the water-inflow table",
                        "water-inflow table"};
constexpr Table kOutflow{40,
                         ctl::sprDynWaterOutput,
                         kWaterOutputRows,
                         kWaterOutputCols,
                         "number of rows of the water-outflow table",
                         "water-outflow table"};
constexpr Table kSoil{
    43, ctl::sprSoilPhysics, kSoilRows, kSoilCols, "number of rows of the soil table", "soil table"};
constexpr int kWeatherItem = 42;

constexpr std::string_view kCompleteMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// ---------------------------------------------------------------------------------------------------
// Writing

// One item per line. A line break inside a cell would shift every later item, so it becomes a blank;
// a text that starts or ends with a blank or a double quote is enclosed in quotes, because the reader
// trims blanks and removes one pair of enclosing quotes.
std::string EncodeText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
    }
    if (!out.empty() &&
        (IsBlank(out.front()) || IsBlank(out.back()) || out.front() == '"' || out.back() == '"'))
        out = '"' + out + '"';
    return out;
}

// The print form of an integer: a blank or a minus sign, the digits, a trailing blank.
std::string IntegerItem(int value) {
    const long long wide = value;
    std::string item(wide < 0 ? "-" : " ");
    item += std::to_string(wide < 0 ? -wide : wide);
    item += ' ';
    return item;
}

class Writer {
public:
    void text(std::string_view value) { line(EncodeText(value)); }
    void integer(int value) { line(IntegerItem(value)); }
    void truth(bool value) { line(value ? "True" : "False"); }
    void raw(std::string_view text) { out_ += text; }
    std::string take() { return std::move(out_); }

private:
    void line(std::string_view value) {
        out_ += value;
        out_ += "\r\n";
    }
    std::string out_;
};

void WriteScalar(Writer& w, const FormModel& form, const Scalar& s) {
    switch (s.form) {
    case Form::Text:
        w.text(form.text(s.control));
        break;
    case Form::Check:
        w.integer(form.check(s.control));
        break;
    case Form::Truth:
        w.truth(form.option(s.control));
        break;
    }
}

void WriteTable(Writer& w, const FormModel& form, const Table& t) {
    const Grid& grid = form.grid(t.grid);
    const int rows = grid.countFilledRows(1, t.limit);
    w.integer(rows);
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= t.cols; ++c) w.text(grid.text(r, c));
}

int ReportOption(const FormModel& form) {
    if (form.option(ctl::optReportAlways)) return 2;
    if (form.option(ctl::optReportAsk)) return 1;
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Reading

struct ItemError {
    std::string message;
};

// The offending text as shown in a message: trimmed, quoted and shortened when long.
std::string Quoted(std::string_view text) {
    return QuoteValue(Trim(text));
}

// Hands out the file's lines one at a time, as views of its text: a file of millions of lines costs no
// more memory than its bytes.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // The next line, which holds item `item`; row and column (when not 0) name a table cell.
    std::string_view take(int item, std::string_view what, int row = 0, int col = 0) {
        item_ = item;
        what_ = what;
        row_ = row;
        col_ = col;
        lineNumber_ = linesRead_ + 1;
        if (atEnd()) fail("the file ends before this item.");
        return next();
    }

    // Refuses the item last taken.
    [[noreturn]] void fail(std::string_view why) const {
        std::string message =
            "Line " + std::to_string(lineNumber_) + " (item " + std::to_string(item_) + ", ";
        message += what_;
        if (row_ > 0) message += ", row " + std::to_string(row_);
        if (col_ > 0) message += ", column " + std::to_string(col_);
        message += "): ";
        message += why;
        throw ItemError{std::move(message)};
    }

    bool restIsBlank() const { return text_.find_first_not_of(" \t\r\n", next_) == std::string_view::npos; }

    // Whether the file ends here as a configuration of the layout that ends with the item last taken.
    // A file this version writes ends with an empty line after its last item (see FormatSimConfig):
    // when the file is marked as one (`complete`), a cut at a line boundary, which leaves nothing at all
    // after its last line, is not taken for an older layout but refused at the next item.
    bool endsOlderLayout(bool complete) const {
        if (!restIsBlank()) return false;
        return !complete || text_.find_first_of("\r\n", next_) != std::string_view::npos;
    }

    // Refuses anything but blanks after the item last taken, the last a configuration holds: a file that
    // goes on is another kind of file, or two files run together.
    void expectEnd() {
        while (!atEnd()) {
            const std::size_t number = linesRead_ + 1;
            const std::string_view line = next();
            if (!Trim(line).empty())
                throw ItemError{"Line " + std::to_string(number) + ": " + QuoteValue(Trim(line)) +
                                " follows item " + std::to_string(item_) + " (" + std::string(what_) +
                                "), the last item of a configuration."};
        }
    }

private:
    bool atEnd() const { return next_ >= text_.size(); }

    // A line ends with CR LF, LF or CR alone: files pass through editors and old Macintosh programs that
    // end lines with a lone CR.
    std::string_view next() {
        std::size_t end = text_.find_first_of("\r\n", next_);
        if (end == std::string_view::npos) end = text_.size();
        const std::string_view line = text_.substr(next_, end - next_);
        next_ = end + (text_.substr(end, 2) == "\r\n" ? 2 : 1);
        ++linesRead_;
        return line;
    }

    std::string_view text_;
    std::size_t next_ = 0; // where the next line starts
    std::size_t linesRead_ = 0;
    std::size_t lineNumber_ = 0;
    int item_ = 0;
    std::string_view what_; // always one of the item descriptions above
    int row_ = 0;
    int col_ = 0;
};

// A text item is the whole line, blanks around it trimmed and one pair of enclosing quotes removed, so
// that commas (decimal commas included) and quotes inside a text come back unchanged.
std::string DecodeText(std::string_view line) {
    line = Trim(line);
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
    return std::string(line);
}

// A switch: 0 to `max` (check boxes 0 or 1). "1.0" is read as 1, as a number typed into the window is.
int ParseSwitch(LineReader& reader, std::string_view line, int max) {
    const auto value = ParseInt32(line);
    if (!value) reader.fail(Quoted(line) + " is not a whole number.");
    if (*value < 0 || *value > max)
        reader.fail(Quoted(line) + (max == 1 ? " is not 0 or 1." : " is not 0, 1 or 2."));
    return *value;
}

// A row count: a plain whole number from 0 to `limit`. The rows themselves must follow in the file,
// so even an unlimited count cannot make the reader allocate more than the file holds.
int ParseCount(LineReader& reader, std::string_view line, int limit) {
    const std::string_view text = Trim(line);
    long long value = -1;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool tooLarge = ec == std::errc::result_out_of_range && !text.starts_with('-');
    if (text.empty() || (ec != std::errc() && !tooLarge) || ptr != text.data() + text.size())
        reader.fail(Quoted(line) + " is not a whole number.");
    if (value < 0 && !tooLarge) reader.fail(Quoted(line) + " is a negative number of rows.");
    if (tooLarge || value > limit)
        reader.fail(Quoted(line) + " is more rows than the table holds (" + std::to_string(limit) + ").");
    return static_cast<int>(value);
}

bool ParseTruth(LineReader& reader, std::string_view line) {
    std::string lower(Trim(line));
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower == "true") return true;
    if (lower == "false") return false;
    reader.fail(Quoted(line) + " is not True or False.");
}

struct Cells {
    int rows = 0;
    std::vector<std::string> texts; // row by row
};

// Everything a file holds, gathered before the form is touched.
struct Parsed {
    std::vector<std::pair<std::string_view, std::string>> texts;
    std::vector<std::pair<std::string_view, int>> checks;
    std::vector<std::pair<std::string_view, bool>> options;
    Cells inflow, outflow, weather, soil, treatments;
    int report = 0;
};

void ParseScalar(LineReader& reader, const Scalar& s, Parsed& p) {
    const std::string_view line = reader.take(s.item, s.what);
    switch (s.form) {
    case Form::Text:
        p.texts.emplace_back(s.control, DecodeText(line));
        break;
    case Form::Check:
        p.checks.emplace_back(s.control, ParseSwitch(reader, line, 1));
        break;
    case Form::Truth:
        p.options.emplace_back(s.control, ParseTruth(reader, line));
        break;
    }
}

Cells ParseCells(LineReader& reader, int item, std::string_view what, int rows, int cols) {
    // No reserve from the count: a damaged count must fail at the end of the file, not in the allocator.
    Cells cells;
    cells.rows = rows;
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c)
            cells.texts.push_back(DecodeText(reader.take(item, what, r, cols > 1 ? c : 0)));
    return cells;
}

// The weather table; a cell of its day column must be blank or its row's day, so a line lost or added
// in the table, which moves every later cell, is refused where it shows first.
Cells ParseWeather(LineReader& reader) {
    Cells cells;
    cells.rows = kWeatherRows;
    for (int r = 1; r <= kWeatherRows; ++r)
        for (int c = 1; c <= kWeatherCols; ++c) {
            std::string text = DecodeText(reader.take(kWeatherItem, "weather table", r, c));
            if (c == 1 && r >= 2)
                if (const auto problem = WeatherDayCellProblem(text, r - 1)) reader.fail(*problem);
            cells.texts.push_back(std::move(text));
        }
    return cells;
}

Cells ParseTable(LineReader& reader, const Table& t) {
    const int rows = ParseCount(reader, reader.take(t.countItem, t.countWhat), t.limit);
    return ParseCells(reader, t.countItem + 1, t.cellsWhat, rows, t.cols);
}

void UseOpeningValues(std::span<const Scalar> items, const FormModel& opening, Parsed& p) {
    for (const Scalar& s : items) {
        if (s.form == Form::Check)
            p.checks.emplace_back(s.control, opening.check(s.control));
        else
            p.texts.emplace_back(s.control, opening.text(s.control));
    }
}

void ParseTreatments(LineReader& reader, Parsed& p) {
    // The count is not refused by itself: a damaged one is told by where the days run out.
    const int count = ParseCount(reader, reader.take(kTreatmentCountItem, "number of blast treatments"),
                                 std::numeric_limits<int>::max());
    constexpr std::string_view kDays = "blast treatment days";
    p.treatments = ParseCells(reader, kTreatmentCountItem + 1, kDays, std::min(count, kMaxTreatments), 1);
    if (count > kMaxTreatments) {
        reader.take(kTreatmentCountItem + 1, kDays, kMaxTreatments + 1);
        reader.fail("item 48 gives " + std::to_string(count) + " treatments, but a season has at most " +
                    std::to_string(kMaxTreatments) + ".");
    }
}

// The items after the soil table: diseases, blast treatments, report, cold shock, transplanting and the
// season's year. `complete`: the file says it ends with an end mark (see FormatSimConfig).
void ParseLaterItems(LineReader& reader, Parsed& p, bool complete) {
    // A file of an older layout ends before the later controls, which then take their opening values.
    const FormModel opening;
    // A season whose year nothing told ends before its year; its dates are then shown on a year of 365
    // days, whatever year the configuration open before had.
    p.texts.emplace_back(ctl::txtSeasonYear, std::string());
    const std::size_t yearText = p.texts.size() - 1;
    if (reader.endsOlderLayout(complete)) {
        UseOpeningValues(kDiseaseItems, opening, p);
        UseOpeningValues(kColdShockItems, opening, p);
        UseOpeningValues(kTransplantItems, opening, p);
        return;
    }
    for (const Scalar& s : kDiseaseItems) ParseScalar(reader, s, p);
    ParseTreatments(reader, p);
    const std::string_view line = reader.take(kReportItem, "report option");
    p.report = ParseSwitch(reader, line, 2);
    for (const Scalar& s : kColdShockItems) ParseScalar(reader, s, p);
    if (reader.endsOlderLayout(complete)) {
        UseOpeningValues(kTransplantItems, opening, p);
        return;
    }
    for (const Scalar& s : kTransplantItems) ParseScalar(reader, s, p);
    // The year is the one item a complete file may leave out, so its absence is no cut.
    if (reader.restIsBlank()) return;
    // An empty line is no year, as an empty text is no text.
    const std::string_view year = reader.take(kYearItem, kYearWhat);
    if (!Trim(year).empty()) {
        const auto value = ParseSeasonYear(year);
        if (!value) reader.fail(Quoted(year) + " is not a year (a whole number from 1 to 9999).");
        p.texts[yearText].second = std::to_string(*value);
    }
    reader.expectEnd();
}

// The rows of a table the file holds; the rows after them take the window's opening contents, since
// whatever they held before describes another configuration.
void ApplyTable(Grid& grid, const Grid& opening, const Cells& cells, int cols) {
    if (grid.rows() < cells.rows || grid.cols() < cols)
        grid.resize(std::max(grid.rows(), cells.rows), std::max(grid.cols(), cols));
    for (int r = 1; r <= grid.rows(); ++r)
        for (int c = 1; c <= grid.cols(); ++c) {
            const bool stored = r <= cells.rows && c <= cols;
            grid.setText(r, c,
                         stored ? cells.texts[static_cast<std::size_t>((r - 1) * cols + (c - 1))]
                                : opening.text(r, c));
        }
}

void Apply(const Parsed& p, FormModel& form) {
    // One notification, so that a load is one step to undo.
    FormModel::Batch batch(form);
    for (const auto& [control, text] : p.texts) form.setText(control, text);
    for (const auto& [control, value] : p.checks) form.setCheck(control, value);
    // In file order, so that when both water-level options say True the later one is selected, and
    // when both say False neither is.
    for (const auto& [control, selected] : p.options) form.setOption(control, selected);
    const std::string_view report[] = {ctl::optReportNever, ctl::optReportAsk, ctl::optReportAlways};
    form.setOption(report[p.report], true);

    const FormModel opening;
    const auto applyTable = [&](const Table& t, const Cells& cells) {
        form.editGrid(t.grid, [&](Grid& grid) { ApplyTable(grid, opening.grid(t.grid), cells, t.cols); });
    };
    applyTable(kInflow, p.inflow);
    applyTable(kOutflow, p.outflow);
    applyTable(kSoil, p.soil);

    // The estimated-humidity markers belong to the weather that was there before.
    form.editGrid(ctl::sprWeather, [&](Grid& weather) {
        weather.clearData();
        if (weather.rows() < kWeatherRows || weather.cols() < kWeatherCols)
            weather.resize(std::max(weather.rows(), kWeatherRows), std::max(weather.cols(), kWeatherCols));
        for (int r = 1; r <= kWeatherRows; ++r)
            for (int c = 1; c <= kWeatherCols; ++c)
                weather.setText(r, c,
                                p.weather.texts[static_cast<std::size_t>((r - 1) * kWeatherCols + (c - 1))]);
    });

    form.editGrid(ctl::sprBlastTreatment, [&](Grid& treatments) {
        treatments.resize(p.treatments.rows, 1);
        treatments.clearData();
        for (int r = 1; r <= p.treatments.rows; ++r)
            treatments.setText(r, 1, p.treatments.texts[static_cast<std::size_t>(r - 1)]);
    });
}

// A file name for messages; u8string, because string() may throw for names outside the local code page.
std::string DisplayName(const fs::path& file) {
    const std::u8string name = file.u8string();
    return std::string(name.begin(), name.end());
}

} // namespace

std::string FormatSimConfig(const FormModel& form) {
    Writer w;
    // The byte-order mark says that the file ends with an empty line after its last item, so that a
    // reader tells a file cut at a line boundary from one of an older layout, which ends without the
    // later items. Every reader skips the mark and the empty line.
    w.raw(kCompleteMark);
    for (const Scalar& s : kHeadItems) WriteScalar(w, form, s);
    WriteTable(w, form, kInflow);
    WriteTable(w, form, kOutflow);
    const Grid& weather = form.grid(ctl::sprWeather);
    for (int r = 1; r <= kWeatherRows; ++r)
        for (int c = 1; c <= kWeatherCols; ++c) w.text(weather.text(r, c));
    WriteTable(w, form, kSoil);

    for (const Scalar& s : kDiseaseItems) WriteScalar(w, form, s);
    const Grid& treatments = form.grid(ctl::sprBlastTreatment);
    w.integer(treatments.rows());
    for (int r = 1; r <= treatments.rows(); ++r) w.text(treatments.text(r, 1));
    w.integer(ReportOption(form));
    for (const Scalar& s : kColdShockItems) WriteScalar(w, form, s);
    for (const Scalar& s : kTransplantItems) WriteScalar(w, form, s);
    // Only a known year is written, so that a season without one holds the items it always did.
    if (const auto year = ParseSeasonYear(form.text(ctl::txtSeasonYear))) w.integer(*year);
    w.raw("\r\n");
    return w.take();
}

std::optional<std::string> ParseSimConfig(std::string_view text, FormModel& form) {
    const bool complete = text.starts_with(kCompleteMark);
    if (complete) text.remove_prefix(kCompleteMark.size());
    std::string converted;
    // Files from older versions were written in the Windows Western code page (a "°C" in a weather
    // title, say); they are converted so that such texts stay readable.
    if (!Utf8Length(text)) {
        converted = FromWindows1252(text);
        text = converted;
    }

    LineReader reader(text);
    Parsed p;
    try {
        for (const Scalar& s : kHeadItems) ParseScalar(reader, s, p);
        p.inflow = ParseTable(reader, kInflow);
        p.outflow = ParseTable(reader, kOutflow);
        p.weather = ParseWeather(reader);
        p.soil = ParseTable(reader, kSoil);

        ParseLaterItems(reader, p, complete);
    } catch (const ItemError& e) {
        return e.message;
    }
    Apply(p, form);
    return std::nullopt;
}

std::optional<std::string> WriteSimConfig(const FormModel& form, const fs::path& file) {
    return WriteFileAtomically(file, FormatSimConfig(form));
}

std::optional<std::string> ReadSimConfig(const fs::path& file, FormModel& form) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (!fs::exists(status)) return std::string("File not opened: it does not exist.");
    std::string text;
    if (const auto why = ReadWholeFile(file, kMaxTextFileBytes, text))
        return "Cannot read the configuration \"" + DisplayName(file) + "\": " + *why + ".";
    return ParseSimConfig(text, form);
}

} // namespace tulo
