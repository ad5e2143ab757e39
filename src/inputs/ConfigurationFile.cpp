#include "inputs/ConfigurationFile.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "base/Problems.h"
#include "engine/RunState.h"
#include "inputs/WeatherDays.h"
#include "io/TextFiles.h"
#include "io/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>
#include <utility>
#include <vector>

namespace tulo {

namespace {

namespace fs = std::filesystem;

// The crop parameters' items; the transplanting's follow its switch and date (53, 54).
constexpr CropParameterItem kCropItems[] = {
    {4, "Tbase", "base temperature for development"},
    {5, "Tcutoff", "cut-off temperature for development"},
    {6, "TSUMEM", "thermal time to emergence"},
    {7, "DLC", "critical day length"},
    {8, "DLO", "optimum day length"},
    {9, "IDSL", "development method"},
    {10, "TbaseAfterEmerg", "base temperature after emergence"},
    {11, "TcutoffAfterEmerg", "cut-off temperature after emergence"},
    {12, "TSUM1", "thermal time emergence to flowering"},
    {13, "TSUM2", "thermal time flowering to maturity"},
    {14, "DVSEND", "development stage at harvest"},
    {15, "RUE", "radiation use efficiency"},
    {16, "K", "extinction coefficient"},
    {17, "Tb", "base temperature for growth"},
    {18, "Topt", "optimum temperature for growth"},
    {19, "TmaxG", "maximum temperature for growth"},
    {20, "LAIemerg", "LAI at emergence"},
    {21, "SLA0", "SLA at emergence"},
    {22, "SLA035", "SLA from stem elongation"},
    {23, "RipL0", "partitioning to leaves at emergence"},
    {24, "GDDLeafLife", "leaf duration"},
    {25, "PanicleHmax", "maximum panicle height"},
    {26, "KcFullCanopy", "crop coefficient at full canopy"},
    {27, "SterilityActive", "sterility switch"},
    {28, "StSen", "cultivar sensitivity"},
    {29, "TempStThreshold", "threshold temperature for sterility"},
    {30, "SenDuration", "sensitive-period duration"},
    {55, "NPLSB", "seedbed density"},
    {56, "NH", "hills per m2"},
    {57, "NPLH", "seedlings per hill"},
    {58, "SHCKD", "transplanting shock"},
};

// A crop item with its registry entry and the place of its value.
struct CropSlot {
    const CropParameterItem* item;
    const ParameterInfo* info;
    std::size_t index;
};

std::vector<CropSlot> CropSlots(bool transplanting) {
    std::vector<CropSlot> slots;
    for (const CropParameterItem& item : kCropItems)
        if ((item.item >= kFirstTransplantingItem) == transplanting) {
            const int index = ParameterIndex(item.id);
            if (index < 0) throw std::logic_error("configuration item of no crop parameter");
            slots.push_back({&item, FindParameter(item.id), static_cast<std::size_t>(index)});
        }
    return slots;
}

const std::vector<CropSlot>& HeadCropSlots() {
    static const std::vector<CropSlot> slots = CropSlots(false);
    return slots;
}
const std::vector<CropSlot>& TransplantingCropSlots() {
    static const std::vector<CropSlot> slots = CropSlots(true);
    return slots;
}

// A table stored as its row count followed by the cells of those rows. The inflow table's limit is the
// grid's full height: a run reads all its rows, so a lower limit here would silently drop some.
struct Table {
    int countItem;
    int limit;
    std::string_view countWhat;
    std::string_view cellsWhat;
};
constexpr Table kInflow{38, kWaterInputRows, "number of rows of the water-inflow table",
                        "water-inflow table"};
constexpr Table kOutflow{40, kWaterOutputRows, "number of rows of the water-outflow table",
                         "water-outflow table"};
constexpr Table kSoil{43, kSoilRows, "number of rows of the soil table", "soil table"};
constexpr int kWeatherItem = 42;
// A season that reaches beyond the weather table's 365 days: its first and last simulated days as dates,
// then the table's later days, as a table of their own so that older files keep their layout.
constexpr int kFirstDayItem = 60;
constexpr int kLastDayItem = 61;
constexpr Table kLaterWeather{62, kLongestSeason + 1, "number of the weather table's days after day 365",
                              "weather table's days after day 365"};
constexpr int kTreatmentCountItem = 48;

constexpr std::string_view kCompleteMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether a season reads beyond the 365 days older files hold (it is simulated through 31 December at
// least): only such a season holds items 60 to 63, and its weather table's later days with them.
bool ReachesBeyondYear(const SeasonConfiguration& c) {
    return c.finalDate.value.value_or(0) > kLastDay;
}

// A season day item as a date in the season's calendar (offset -1: the day before it, for the final date
// the loop stops at), or its own text when it is no day of a known year.
std::string SeasonDayText(const WholeItem& item, std::optional<int> year, int offset) {
    if (!item.value || !year) return ItemText(item);
    const auto date = DateOfSeasonDay(*item.value + offset, *year);
    return date ? IsoDateText(*date) : ItemText(item);
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
std::string IntegerItem(long long value) {
    std::string item(value < 0 ? "-" : " ");
    item += std::to_string(value < 0 ? -value : value);
    item += ' ';
    return item;
}

class Writer {
public:
    void text(std::string_view value) { line(EncodeText(value)); }
    template <class T> void number(const NumberItem<T>& item) { text(ItemText(item)); }
    void integer(long long value) { line(IntegerItem(value)); }
    void truth(bool value) { line(value ? "True" : "False"); }
    void table(const NumberTable& table) {
        integer(table.rows());
        for (int r = 0; r < table.rows(); ++r)
            for (int c = 0; c < table.cols(); ++c) text(table.text(r, c));
    }
    void crop(const SeasonConfiguration& configuration, const std::vector<CropSlot>& slots) {
        for (const CropSlot& slot : slots) {
            const CropItem& item = configuration.crop[slot.index];
            if (slot.info->kind == ParameterKind::Switch)
                integer(static_cast<long long>(item.value.value_or(0)));
            else
                text(CropItemText(*slot.info, item));
        }
    }
    void raw(std::string_view text) { out_ += text; }
    std::string take() { return std::move(out_); }

private:
    void line(std::string_view value) {
        out_ += value;
        out_ += "\r\n";
    }
    std::string out_;
};

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
    // A file this version writes ends with an empty line after its last item (see FormatConfiguration):
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
    std::string_view what_; // always one of the item descriptions of this file
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

class ItemReader {
public:
    explicit ItemReader(std::string_view text) : reader_(text) {}

    std::string text(int item, std::string_view what) { return DecodeText(reader_.take(item, what)); }
    WholeItem whole(int item, std::string_view what) { return ReadWholeItem(text(item, what)); }
    SingleItem single(int item, std::string_view what) { return ReadSingleItem(text(item, what)); }
    RealItem real(int item, std::string_view what) { return ReadRealItem(text(item, what)); }
    bool check(int item, std::string_view what) { return switchValue(item, what, 1) == 1; }
    int switchValue(int item, std::string_view what, int max) {
        return ParseSwitch(reader_, reader_.take(item, what), max);
    }
    bool truth(int item, std::string_view what) { return ParseTruth(reader_, reader_.take(item, what)); }

    void crop(const std::vector<CropSlot>& slots, SeasonConfiguration& c) {
        for (const CropSlot& slot : slots) {
            CropItem& item = c.crop[slot.index];
            if (slot.info->kind == ParameterKind::Switch)
                item = CropItem{check(slot.item->item, slot.item->name) ? 1.0 : 0.0, {}};
            else
                item = ReadCropItem(*slot.info, text(slot.item->item, slot.item->name));
        }
    }

    NumberTable table(const Table& t, int cols) {
        const int rows = ParseCount(reader_, reader_.take(t.countItem, t.countWhat), t.limit);
        // No reserve from the count: a damaged count must fail at the end of the file, not in the
        // allocator.
        NumberTable table(0, cols);
        for (int r = 1; r <= rows; ++r) {
            table.addRow();
            for (int c = 1; c <= cols; ++c)
                table.setText(r - 1, c - 1,
                              DecodeText(reader_.take(t.countItem + 1, t.cellsWhat, r, cols > 1 ? c : 0)));
        }
        return table;
    }

    // The weather table; a cell of its day column must be blank or its row's day, so a line lost or added
    // in the table, which moves every later cell, is refused where it shows first.
    void weather(SeasonConfiguration& c) {
        constexpr std::string_view kWhat = "weather table";
        for (int col = 1; col <= kWeatherCols; ++col)
            c.weatherTitles[static_cast<std::size_t>(col - 1)] =
                DecodeText(reader_.take(kWeatherItem, kWhat, 1, col));
        for (int r = 2; r <= kWeatherRows; ++r)
            for (int col = 1; col <= kWeatherCols; ++col) {
                std::string text = DecodeText(reader_.take(kWeatherItem, kWhat, r, col));
                if (col == 1)
                    if (const auto problem = WeatherDayCellProblem(text, r - 1)) reader_.fail(*problem);
                c.weather.setText(r - 2, col - 1, std::move(text));
            }
    }

    void treatments(SeasonConfiguration& c) {
        // The count is not refused by itself: a damaged one is told by where the days run out.
        const int count = ParseCount(reader_, reader_.take(kTreatmentCountItem, "number of blast treatments"),
                                     std::numeric_limits<int>::max());
        constexpr std::string_view kDays = "blast treatment days";
        for (int r = 1; r <= std::min(count, kMaxTreatments); ++r)
            c.treatmentDays.push_back(
                ReadWholeItem(DecodeText(reader_.take(kTreatmentCountItem + 1, kDays, r))));
        if (count > kMaxTreatments) {
            reader_.take(kTreatmentCountItem + 1, kDays, kMaxTreatments + 1);
            reader_.fail("item 48 gives " + std::to_string(count) + " treatments, but a season has at most " +
                         std::to_string(kMaxTreatments) + ".");
        }
    }

    // The items after the soil table: diseases, blast treatments, report, cold shock, transplanting and
    // the season's year. `complete`: the file says it ends with an end mark (see FormatConfiguration).
    void laterItems(SeasonConfiguration& c, bool complete) {
        if (reader_.endsOlderLayout(complete)) {
            c.layout = ConfigurationLayout::ThroughSoil;
            return;
        }
        c.diseaseSimulation = check(45, "disease simulation switch");
        c.blastClass = whole(46, "blast susceptibility class");
        c.blastProduct = text(47, "blast treatment product");
        treatments(c);
        c.reportOption = switchValue(50, "report option", 2);
        c.raiseWaterAgainstColdShock = check(51, "switch for raising the water level against cold shocks");
        c.preFloweringWaterLevel = single(52, "pre-flowering water level");
        if (reader_.endsOlderLayout(complete)) {
            c.layout = ConfigurationLayout::ThroughColdShock;
            return;
        }
        c.transplanted = check(53, "transplanting switch");
        c.transplantingDate = whole(54, "transplanting date");
        crop(TransplantingCropSlots(), c);
        // The year is the one item a complete file may leave out, so its absence is no cut.
        if (reader_.restIsBlank()) return;
        // An empty line is no year, as an empty text is no text.
        const std::string_view year = reader_.take(59, "season's year");
        if (!Trim(year).empty()) {
            c.year = ParseSeasonYear(year);
            if (!c.year) reader_.fail(Quoted(year) + " is not a year (a whole number from 1 to 9999).");
        }
        // Only a season that reads beyond day 365 has the later items; anything else after the year is
        // refused as what follows a configuration's last item.
        if (!reader_.restIsBlank() && c.finalDate.value.value_or(0) > kLastDay) laterDays(c);
        reader_.expectEnd();
    }

    // Items 60 to 63: a season beyond day 365. Its dates must be those items 1 and 2 give, so that a file
    // edited in one place only is refused rather than run on either.
    void laterDays(SeasonConfiguration& c) {
        const auto dayItem = [&](int item, std::string_view what, const WholeItem& held, int offset) {
            const std::string_view text = reader_.take(item, what);
            const std::string expected = SeasonDayText(held, c.year, offset);
            if (Trim(text) != expected)
                reader_.fail(Quoted(text) + " is not the season's " + std::string(what) + ", " + expected +
                             ", which items 1 and 2 give with the year.");
        };
        dayItem(kFirstDayItem, "first simulated day", c.initialDate, 0);
        dayItem(kLastDayItem, "last simulated day", c.finalDate, -1);
        const int rows = ParseCount(reader_, reader_.take(kLaterWeather.countItem, kLaterWeather.countWhat),
                                    kLaterWeather.limit);
        for (int r = 1; r <= rows; ++r) {
            c.weather.addRow();
            for (int col = 1; col <= kWeatherCols; ++col) {
                std::string text =
                    DecodeText(reader_.take(kLaterWeather.countItem + 1, kLaterWeather.cellsWhat, r, col));
                if (col == 1)
                    if (const auto problem = WeatherDayCellProblem(text, kLastDay + r, c.year.value_or(0)))
                        reader_.fail(*problem);
                c.weather.setText(kLastDay + r - 1, col - 1, std::move(text));
            }
        }
    }

private:
    LineReader reader_;
};

// A file name for messages; u8string, because string() may throw for names outside the local code page.
std::string DisplayName(const fs::path& file) {
    const std::u8string name = file.u8string();
    return std::string(name.begin(), name.end());
}

} // namespace

std::span<const CropParameterItem> CropParameterItems() {
    return kCropItems;
}

const CropParameterItem* FindCropParameterItem(std::string_view id) {
    for (const CropParameterItem& item : kCropItems)
        if (item.id == id) return &item;
    return nullptr;
}

std::string FormatConfiguration(const SeasonConfiguration& c) {
    Writer w;
    // The byte-order mark says that the file ends with an empty line after its last item, so that a
    // reader tells a file cut at a line boundary from one of an older layout, which ends without the
    // later items. Every reader skips the mark and the empty line.
    if (c.endMarked) w.raw(kCompleteMark);
    w.number(c.initialDate);
    w.number(c.finalDate);
    w.integer(c.soilSimulation);
    w.crop(c, HeadCropSlots());
    w.number(c.sowingDate);
    w.number(c.latitude);
    w.text(c.flooding);
    w.truth(c.fixedWaterLevel);
    w.number(c.waterLevel);
    w.truth(c.dynamicWaterLevel);
    w.number(c.initialWaterLevel);
    w.table(c.waterInflow);
    w.table(c.waterOutflow);
    for (const std::string& title : c.weatherTitles) w.text(title);
    // The first year's days; the later ones follow the year (items 62 and 63).
    for (int r = 0; r < kWeatherRows - 1; ++r)
        for (int col = 0; col < c.weather.cols(); ++col) w.text(c.weather.text(r, col));
    w.table(c.soil);

    if (c.layout != ConfigurationLayout::ThroughSoil) {
        w.integer(c.diseaseSimulation);
        w.number(c.blastClass);
        w.text(c.blastProduct);
        w.integer(static_cast<long long>(c.treatmentDays.size()));
        for (const WholeItem& day : c.treatmentDays) w.number(day);
        w.integer(c.reportOption);
        w.integer(c.raiseWaterAgainstColdShock);
        w.number(c.preFloweringWaterLevel);
    }
    if (c.layout == ConfigurationLayout::Complete) {
        w.integer(c.transplanted);
        w.number(c.transplantingDate);
        w.crop(c, TransplantingCropSlots());
        // Only a known year is written, so that a season without one holds the items it always did; a
        // season beyond day 365 holds an empty line for an unknown one, its later items following.
        const bool beyondYear = ReachesBeyondYear(c);
        if (c.year)
            w.integer(*c.year);
        else if (beyondYear)
            w.text("");
        if (beyondYear) {
            w.text(SeasonDayText(c.initialDate, c.year, 0));
            w.text(SeasonDayText(c.finalDate, c.year, -1));
            NumberTable later(0, kWeatherCols);
            for (int r = kLastDay; r < c.weather.rows(); ++r) {
                later.addRow();
                for (int col = 0; col < kWeatherCols; ++col)
                    later.setText(r - kLastDay, col, c.weather.text(r, col));
            }
            w.table(later);
        }
    }
    if (c.endMarked) w.raw("\r\n");
    return w.take();
}

ConfigurationReading ReadConfiguration(std::string_view text) {
    const bool complete = text.starts_with(kCompleteMark);
    if (complete) text.remove_prefix(kCompleteMark.size());
    std::string converted;
    // Files from older versions were written in the Windows Western code page (a "°C" in a weather
    // title, say); they are converted so that such texts stay readable.
    if (!Utf8Length(text)) {
        converted = FromWindows1252(text);
        text = converted;
    }

    ItemReader r(text);
    SeasonConfiguration c;
    c.endMarked = complete;
    try {
        c.initialDate = r.whole(1, "initial date");
        c.finalDate = r.whole(2, "final date");
        c.soilSimulation = r.check(3, "soil simulation switch");
        r.crop(HeadCropSlots(), c);
        c.sowingDate = r.whole(31, "sowing date");
        c.latitude = r.single(32, "latitude");
        c.flooding = r.text(33, "flooding choice");
        c.fixedWaterLevel = r.truth(34, "fixed water level selected");
        c.waterLevel = r.single(35, "water level");
        c.dynamicWaterLevel = r.truth(36, "dynamic water level selected");
        c.initialWaterLevel = r.real(37, "initial water level");
        c.waterInflow = r.table(kInflow, kWaterInputCols);
        c.waterOutflow = r.table(kOutflow, kWaterOutputCols);
        r.weather(c);
        c.soil = r.table(kSoil, kSoilCols);
        r.laterItems(c, complete);
    } catch (const ItemError& e) {
        return {std::nullopt, e.message};
    }
    return {std::move(c), {}};
}

Outcome WriteConfigurationFile(const SeasonConfiguration& configuration, const fs::path& file) {
    return WriteFileAtomically(file, FormatConfiguration(configuration));
}

ConfigurationReading ReadConfigurationFile(const fs::path& file) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (!fs::exists(status)) return {std::nullopt, "File not opened: it does not exist."};
    const auto text = ReadWholeFile(file, kMaxTextFileBytes);
    if (!text)
        return {std::nullopt,
                "Cannot read the configuration \"" + DisplayName(file) + "\": " + text.message() + "."};
    return ReadConfiguration(*text);
}

} // namespace tulo
