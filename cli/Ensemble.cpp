#include "Ensemble.h"

#include "CommandLine.h"
#include "Commands.h"
#include "base/CellName.h"
#include "base/Numbers.h"
#include "engine/Ensemble.h"
#include "engine/Outputs.h"
#include "engine/Parameters.h"
#include "engine/SeasonSummary.h"
#include "io/SheetImport.h"
#include "io/TextFiles.h"
#include "io/Workbook.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace tulo::cli {

namespace {

struct SeriesColumn {
    const OutputVariable* variable = nullptr;
    int day = 0;
    std::string title; // "NAME@DOY"
};

// "LAI@200,AGB@250": each name one of the daily series, each day one the season simulates.
std::optional<std::vector<SeriesColumn>> ParseSeries(const std::string& text, const SeasonInputs& inputs,
                                                     const Console& console) {
    std::vector<SeriesColumn> columns;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string item(Trim(std::string_view(text).substr(start, end - start)));
        start = end + 1;
        const DailyValueName read =
            ParseDailyValueName(item, inputs.control.InitialDate, inputs.control.FinalDate);
        if (read.problem == DailyValueName::Problem::NotNameAtDay) {
            console.print(
                "--series: " + QuoteValue(item) +
                " is not NAME@DOY with NAME a numeric column of the --daily output (LAI, AGB, ...).");
            return std::nullopt;
        }
        if (read.problem == DailyValueName::Problem::NotSimulatedDay) {
            console.print("--series: DOY " + std::to_string(read.day) + " of " + QuoteValue(item) +
                          " is not a simulated day (" + std::to_string(inputs.control.InitialDate) + " to " +
                          std::to_string(inputs.control.FinalDate - 1) + ").");
            return std::nullopt;
        }
        columns.push_back(
            {read.variable, read.day, std::string(read.variable->name) + "@" + std::to_string(read.day)});
        if (end == text.size()) break;
    }
    return columns;
}

// A row of the sets table: its number in the sheet and its cells' texts.
struct TableRow {
    std::int64_t number = 0;
    std::vector<std::string> cells;
};

// The rows of the sets table, a block at a time: a CSV file streamed from the disk, so that a table of
// any length takes memory for one block; a workbook's sheet, which its format stores whole, from memory.
class SetRows {
public:
    // Opens the table; false after a message when it cannot be read.
    bool open(const EnsembleOptions& options, const Console& console) {
        bool csv = false;
        try {
            csv = IsCsvFile(options.sets) && options.sheet.value_or(1) == 1;
            if (csv) stream_.emplace(options.sets);
        } catch (const WorkbookError&) {
            csv = false; // the import below names the reason as it does for every table
        }
        if (csv) {
            source_ = options.sets;
            return true;
        }
        if (!console.printing([&](Messages& messages) {
                return ImportWorkbookSheet(
                    grid_, options.sets, {options.sheet, "--sheet", std::nullopt, false}, messages, &source_);
            }))
            return false;
        block_ = FindUsedBlock(grid_);
        return true;
    }

    // Up to `count` further rows; false after the last. Throws WorkbookError when the file fails.
    bool next(std::size_t count, std::vector<TableRow>& rows) {
        rows.clear();
        if (stream_) {
            if (!stream_->next(count, cells_)) return false;
            for (std::vector<std::string>& row : cells_) rows.push_back({++read_, std::move(row)});
            return true;
        }
        for (; read_ < block_.rows && rows.size() < count; ++read_) {
            TableRow row{read_ + 1, {}};
            for (int c = 1; c <= block_.cols; ++c)
                row.cells.push_back(grid_.text(static_cast<int>(read_ + 1), c));
            rows.push_back(std::move(row));
        }
        return !rows.empty();
    }

    double progress() const {
        return stream_            ? stream_->progress()
               : block_.rows == 0 ? 1.0
                                  : static_cast<double>(read_) / block_.rows;
    }

    const std::string& source() const { return source_; }

    // Back to row 1, for a second pass. Throws WorkbookError when the file cannot be opened again.
    void rewind() {
        read_ = 0;
        if (stream_) stream_.emplace(source_);
    }

private:
    std::optional<CsvRowStream> stream_;
    std::vector<std::vector<std::string>> cells_;
    Grid grid_;
    UsedBlock block_;
    std::int64_t read_ = 0;
    std::string source_;
};

// Whether a row holds a set: any text at all. A row without any is no set and has no line in the output.
bool HoldsText(const TableRow& row) {
    return std::any_of(row.cells.begin(), row.cells.end(),
                       [](const std::string& cell) { return !Trim(cell).empty(); });
}

// Row 1 names registry ids, one column each: the registry index of every column of the titles.
std::optional<std::vector<int>> ReadTitles(const std::vector<TableRow>& first, const std::string& source,
                                           const Console& console) {
    const std::vector<std::string>& titles = first.front().cells;
    std::size_t width = titles.size();
    while (width > 0 && Trim(titles[width - 1]).empty()) --width;
    if (width == 0) {
        console.print(source + ": row 1 names no parameter; it must name parameters by their ids (tulo-cli "
                               "parameters lists them).");
        return std::nullopt;
    }
    std::vector<int> index(width, -1);
    for (std::size_t c = 0; c < width; ++c) {
        const std::string_view id = Trim(titles[c]);
        const int column = static_cast<int>(c) + 1;
        index[c] = ParameterIndex(id);
        if (index[c] < 0) {
            // Only a first column that names no parameter can be an index; a parameter's own 0, 1, 2
            // beside another's 1, 2, 3 are a design.
            if (c == 0) {
                Grid grid(static_cast<int>(first.size()), 2);
                for (std::size_t r = 0; r < first.size(); ++r)
                    for (std::size_t k = 0; k < 2 && k < first[r].cells.size(); ++k)
                        grid.setText(static_cast<int>(r) + 1, static_cast<int>(k) + 1, first[r].cells[k]);
                if (const auto extra = ExtraIndexColumn(grid)) {
                    console.print(source + " has " + *extra + ".");
                    return std::nullopt;
                }
            }
            console.print(source + ", cell " + CellName(1, column) + ": " + QuoteValue(id) +
                          " is not a crop parameter; row 1 must name parameters by their ids "
                          "(tulo-cli parameters lists them).");
            return std::nullopt;
        }
        // Two columns of one parameter would leave one of them unread without a word.
        for (std::size_t k = 0; k < c; ++k)
            if (index[k] == index[c]) {
                console.print(source + ": cells " + CellName(1, static_cast<int>(k) + 1) + " and " +
                              CellName(1, column) + " both name " + std::string(id) +
                              "; a parameter takes one column.");
                return std::nullopt;
            }
    }
    return index;
}

// A row's set, or the problem of its own values; nothing for a row without any text. An empty cell
// keeps the configuration's value.
struct RowSet {
    ParameterSet set;
    std::string problem;
};
std::optional<RowSet> ReadSet(const TableRow& row, const std::vector<std::string>& titles,
                              const std::vector<int>& index) {
    RowSet read;
    bool any = false;
    const int number = static_cast<int>(std::min<std::int64_t>(row.number, 1 << 30));
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
        const std::string& text = row.cells[c];
        if (Trim(text).empty()) continue;
        any = true;
        if (!read.problem.empty()) continue;
        const auto cell = [&] { return CellName(number, static_cast<int>(c) + 1); };
        if (c >= index.size()) {
            read.problem = "cell " + cell() + ": " + QuoteValue(text) + " stands under no parameter of row 1";
            continue;
        }
        const auto value = ParseNumber(text);
        if (!value) {
            read.problem = std::string(Trim(titles[c])) + " (cell " + cell() + "): " + QuoteValue(text) +
                           " is not a number";
            continue;
        }
        read.set.push_back({index[c], *value});
    }
    if (!any) return std::nullopt;
    // A CSV row that ends before the titles do was cut: its missing cells are not empty ones, which would
    // keep the configuration's values.
    if (read.problem.empty() && row.cells.size() < index.size())
        read.problem =
            "row " + std::to_string(number) + " ends after " + std::to_string(row.cells.size()) +
            (row.cells.size() == 1 ? " cell" : " cells") + ", but row 1 names parameters in " +
            std::to_string(index.size()) +
            " columns; a cell left empty keeps the configuration's value, a row cut short is not run";
    return read;
}

// A progress line on a terminal, at most five times a second.
class ProgressLine {
public:
    explicit ProgressLine(bool shown) : enabled_(shown) {}
    void operator()(std::int64_t sets, double share) {
        if (!enabled_) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        std::fprintf(stderr, "\r%lld sets run (%d%% of the table read)   ", static_cast<long long>(sets),
                     static_cast<int>(share * 100));
        std::fflush(stderr);
        shown_ = true;
    }
    ~ProgressLine() {
        if (shown_) std::fprintf(stderr, "\n");
    }

private:
    bool enabled_;
    std::chrono::steady_clock::time_point last_{};
    bool shown_ = false;
};

std::atomic<bool> interrupted{false};

extern "C" void OnEnsembleInterrupt(int) {
    interrupted.store(true);
    std::signal(SIGINT, SIG_DFL); // a second Ctrl-C ends the program at once
}

// Ctrl-C stops the ensemble after the block that runs, keeping the rows done; a second one ends it.
class InterruptStops {
public:
    InterruptStops() {
        interrupted.store(false);
        previous_ = std::signal(SIGINT, OnEnsembleInterrupt);
    }
    ~InterruptStops() { std::signal(SIGINT, previous_); }
    InterruptStops(const InterruptStops&) = delete;
    InterruptStops& operator=(const InterruptStops&) = delete;

private:
    void (*previous_)(int) = SIG_DFL;
};

// Sets run together: enough to keep every core busy, few enough that memory does not grow with the table.
constexpr std::size_t kSetsPerBlock = 4096;

// Refuses, before anything is read, an --out file (or a shard's record beside it) that would replace one
// of the inputs.
bool OutputSparesInputs(const EnsembleOptions& options, const Console& console) {
    if (!options.out) return true;
    std::vector<NamedPath> inputs = SeasonInputPaths(options.config, options.season);
    inputs.push_back({"the --sets table", options.sets});
    std::vector<NamedPath> outputs = {{"--out", *options.out}};
    if (options.shard) outputs.push_back({"--out", ShardRecordPath(*options.out)});
    for (const NamedPath& output : outputs)
        if (const auto refusal = OutputRefusal(output, inputs)) {
            console.print(*refusal);
            return false;
        }
    return true;
}

// The sets of one slice of the table, in a shard; the rows around them are passed over.
class SliceRows {
public:
    explicit SliceRows(SetRange range) : range_(range) {}

    void keep(std::vector<TableRow>& rows) {
        std::erase_if(rows, [this](const TableRow& row) {
            if (!HoldsText(row)) return true;
            ++seen_;
            return seen_ < range_.first || seen_ >= range_.first + range_.count;
        });
    }
    // Whether the slice's last set has been read: the rest of the table is not needed.
    bool finished() const { return seen_ >= range_.first + range_.count - 1; }

private:
    SetRange range_;
    std::int64_t seen_ = 0;
};

// The sets table as the seasons read it: the block of rows read last, row 1's titles and the parameter of
// each column, and a shard's slice.
struct SetTable {
    SetRows file;
    std::vector<TableRow> rows;
    std::vector<std::string> titles;
    std::vector<int> index;
    std::optional<SliceRows> slice;
};

// Reads the first block of the table and its title row, which leaves `rows`; kSuccess, or the status the
// command ends with after the message.
int ReadTitleRow(SetTable& table, const Console& console) {
    try {
        if (!table.file.next(kSetsPerBlock, table.rows)) {
            console.print(table.file.source() + " is empty: row 1 must name parameters by their ids.");
            return kInvalidInputs;
        }
    } catch (const WorkbookError& e) {
        console.print(table.file.source() + ": " + e.what());
        return kInvalidInputs;
    }
    auto read = ReadTitles(table.rows, table.file.source(), console);
    if (!read) return kInvalidInputs;
    table.index = std::move(*read);
    table.titles = table.rows.front().cells;
    table.rows.erase(table.rows.begin());
    return kSuccess;
}

// A file's bytes, in a digest of inputs. One that cannot be read adds nothing: the season read it already.
void AddFileBytes(const std::filesystem::path& path, Digest& digest) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        digest.add(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())));
    }
    digest.add("\x1e");
}

// What makes the seasons of one ensemble: the configuration's and weather's bytes wherever the files lie
// (each node of a cluster may see them at another path), and the season's other options as typed.
void AddSeason(const EnsembleOptions& options, Digest& digest) {
    for (const NamedPath& input : SeasonInputPaths(options.config, options.season))
        AddFileBytes(input.path, digest);
    const SeasonOptions& season = options.season;
    for (const std::optional<int>& number : {season.weatherSheet, season.year})
        digest.addField(number ? std::to_string(*number) : "-");
    for (const auto* text :
         {&season.latitude, &season.sowing, &season.transplanting, &season.start, &season.end})
        digest.addField(*text ? "=" + **text : "-");
    for (const std::string& setting : season.settings) digest.addField(setting);
}

// Reads the whole table ahead of a shard's seasons, for the sets the slices divide and a digest of every
// cell; then rewinds it to the first block of sets, as ReadTitleRow leaves it. kSuccess, or the status
// the command ends with after the message.
int CountSets(SetTable& table, std::int64_t& sets, Digest& digest, const Console& console) {
    try {
        do {
            for (const TableRow& row : table.rows) {
                for (const std::string& cell : row.cells) digest.addField(cell);
                digest.add("\n");
                sets += HoldsText(row) ? 1 : 0;
            }
        } while (table.file.next(kSetsPerBlock, table.rows));
        table.file.rewind();
        table.file.next(kSetsPerBlock, table.rows);
        table.rows.erase(table.rows.begin());
    } catch (const WorkbookError& e) {
        console.print(table.file.source() + ": " + e.what());
        return kInvalidInputs;
    }
    return kSuccess;
}

// The files a shard's part is made from, absolute, for the merge to spare them.
std::vector<std::string> SourcePaths(const EnsembleOptions& options) {
    std::vector<NamedPath> inputs = SeasonInputPaths(options.config, options.season);
    inputs.push_back({"the --sets table", options.sets});
    std::vector<std::string> paths;
    for (const NamedPath& input : inputs) {
        std::error_code error;
        const std::filesystem::path path = std::filesystem::canonical(input.path, error);
        if (!error) paths.push_back(path.string());
    }
    return paths;
}

// A shard's slice of the table, and the record of its inputs that the merge compares; kSuccess, or the
// status the command ends with after the message.
int SliceTable(const EnsembleOptions& options, const std::string& header, SetTable& table,
               ShardRecord& record, const Console& console) {
    Digest inputs;
    AddSeason(options, inputs);
    inputs.addField(header);
    for (const std::string& title : table.titles) inputs.addField(title);
    inputs.add("\n");
    std::int64_t sets = 0;
    if (const int counted = CountSets(table, sets, inputs, console); counted != kSuccess) return counted;
    record.shard = *options.shard;
    record.sets = sets;
    record.range = SliceOfSets(record.shard, sets);
    record.inputs = inputs.hex();
    record.sources = SourcePaths(options);
    table.slice.emplace(record.range);
    return kSuccess;
}

// The sets of a block of rows: those whose own values are unreadable are not run, the others are, in one
// ensemble.
struct SetBlock {
    std::vector<std::int64_t> numbers; // the row of each set
    std::vector<ParameterSet> sets;
    std::vector<std::string> problems;
    std::vector<std::size_t> ran; // the position in `sets` of each row's season, if it runs

    void read(const std::vector<TableRow>& rows, const std::vector<std::string>& titles,
              const std::vector<int>& index) {
        numbers.clear();
        sets.clear();
        problems.clear();
        ran.clear();
        for (const TableRow& row : rows)
            if (auto set = ReadSet(row, titles, index)) {
                numbers.push_back(row.number);
                ran.push_back(set->problem.empty() ? sets.size() : SIZE_MAX);
                if (set->problem.empty()) sets.push_back(std::move(set->set));
                problems.push_back(std::move(set->problem));
            }
    }
};

// The CSV lines of the seasons: each set's cells as the text of its row after the row number, written by
// the worker that ran it into the set's own slot of a buffer that every block reuses, so that no string
// is made per cell or set.
class EnsembleLines {
public:
    explicit EnsembleLines(std::vector<SeriesColumn> series)
        : series_(std::move(series)),
          stride_(series_.empty() ? kSummaryRowChars : series_.size() * (kNumberTextChars + 1)),
          width_(series_.empty() ? SummaryColumns().size() : series_.size()) {}

    std::string header() const {
        std::string header = "row";
        if (series_.empty())
            for (const std::string_view column : SummaryColumns()) header += "," + std::string(column);
        else
            for (const SeriesColumn& column : series_) header += "," + column.title;
        return header + ",problem\n";
    }

    // Runs the block's sets and puts its lines in `lines`; whether any row failed.
    bool run(const SeasonInputs& inputs, const SetBlock& block, const tulo::EnsembleOptions& options,
             std::string& lines) {
        texts_.resize(block.sets.size() * stride_);
        lengths_.assign(block.sets.size(), 0);
        const SeasonSink sink = [this](std::size_t i, const RunState& run) { write(i, run); };
        const std::vector<std::string> outcomes = RunEnsembleInto(inputs, block.sets, sink, options);
        bool anyFailed = false;
        lines.clear();
        lines.reserve(texts_.size() + block.numbers.size() * (kNumberTextChars + width_ + 2));
        for (std::size_t i = 0; i < block.numbers.size(); ++i) {
            const std::size_t set = block.ran[i];
            const std::string& problem = set == SIZE_MAX ? block.problems[i] : outcomes[set];
            anyFailed |= !problem.empty();
            char number[kNumberTextChars];
            lines.append(number, WriteWholeNumber(number, block.numbers[i]));
            if (problem.empty()) {
                lines.append(texts_.data() + set * stride_, lengths_[set]);
                lines += ",\n";
            } else {
                lines.append(width_ + 1, ',');
                lines += CsvField(problem);
                lines += '\n';
            }
        }
        return anyFailed;
    }

private:
    void write(std::size_t i, const RunState& run) {
        char* const begin = texts_.data() + i * stride_;
        char* end = begin;
        if (series_.empty())
            end = WriteSummaryRow(Summarize(run), end);
        else
            for (const SeriesColumn& column : series_) {
                *end++ = ',';
                end = WriteOutputNumber(*column.variable, run, column.day, end);
            }
        lengths_[i] = static_cast<std::size_t>(end - begin);
    }

    std::vector<SeriesColumn> series_;
    std::size_t stride_;
    std::size_t width_;
    std::vector<char> texts_;
    std::vector<std::size_t> lengths_;
};

// Where the lines go: the --out file, written whole or not at all, or standard output.
class EnsembleOutput {
public:
    EnsembleOutput(const std::optional<std::string>& path, std::ostream& out) : path_(path), out_(out) {}

    // False after a message when the file cannot be made.
    bool open(const Console& console) {
        if (!path_) return true;
        if (const Outcome opened = file_.open(*path_); !opened) {
            console.print(opened.message);
            return false;
        }
        return true;
    }
    // A shard's part: the digest of what it writes, for its record.
    void digestInto(Digest& content) { content_ = &content; }
    bool write(const std::string& text) {
        if (content_) content_->add(text);
        if (!path_) {
            out_ << text;
            return true;
        }
        return file_.write(text);
    }
    const std::string& path() const { return *path_; }
    // After Ctrl-C: the rows done are kept, in a file of their own.
    void stopped(std::int64_t done, const std::vector<TableRow>& rows, const Console& console) {
        const std::string last = rows.empty() ? "1" : std::to_string(rows.back().number);
        const std::string note =
            "Stopped after " + std::to_string(done) + " sets (the table's rows up to " + last + ")";
        out_.flush();
        console.print(path_ ? note + "; their results are kept in " + file_.abandon().string() + "."
                            : note + ".");
    }
    bool commit(const Console& console) {
        if (!path_) return true;
        if (const Outcome committed = file_.commit(true); !committed) {
            console.print(committed.message);
            return false;
        }
        return true;
    }

private:
    const std::optional<std::string>& path_;
    std::ostream& out_;
    AtomicFile file_;
    Digest* content_ = nullptr;
};

// Runs the table block by block, writing each block's lines as it ends; the command's exit status.
// Ctrl-C stops it after the block that runs.
int RunBlocks(const SeasonInputs& inputs, SetTable& table, EnsembleLines& lines, EnsembleOutput& output,
              int threads, ProgressLine& progress, const Console& console) {
    tulo::EnsembleOptions run;
    run.threads = threads;
    bool anyFailed = false;
    std::int64_t done = 0;
    SetBlock block;
    std::string text;
    try {
        do {
            if (table.slice) table.slice->keep(table.rows);
            block.read(table.rows, table.titles, table.index);
            // A shard runs no season for the blocks before its slice.
            if (!table.slice || !block.numbers.empty()) {
                anyFailed |= lines.run(inputs, block, run, text);
                if (!output.write(text)) {
                    // The disk is full or gone: the rest would be lost as well.
                    console.print("Cannot write " + output.path() +
                                  ": the disk refused the data; the ensemble stopped.");
                    return kFailure;
                }
            }
            done += static_cast<std::int64_t>(block.numbers.size());
            progress(done, table.file.progress());
            if (interrupted.load()) {
                output.stopped(done, table.rows, console);
                return kFailure;
            }
            if (table.slice && table.slice->finished()) break;
        } while (table.file.next(kSetsPerBlock, table.rows));
    } catch (const WorkbookError& e) {
        console.print(table.file.source() + ": " + e.what());
        return kFailure;
    }
    if (table.slice && !table.slice->finished()) {
        // Rewritten between the count and the seasons: the part would lack sets its record promises.
        console.print(table.file.source() +
                      " changed while the shard read it: it holds fewer sets than it did.");
        return kFailure;
    }
    return anyFailed ? kInvalidInputs : kSuccess;
}

} // namespace

int Ensemble(const EnsembleOptions& options, std::ostream& out, const Console& console) {
    if (!OutputSparesInputs(options, console)) return kInvalidInputs;
    const auto season = CompileSeasonConfiguration(options.config, options.season, console);
    if (!season) return kInvalidInputs;
    const auto& compiled = season->inputs;

    SetTable table;
    if (!table.file.open(options, console)) return kInvalidInputs;
    if (const int read = ReadTitleRow(table, console); read != kSuccess) return read;

    std::vector<SeriesColumn> series;
    if (options.series) {
        auto parsed = ParseSeries(*options.series, *compiled, console);
        if (!parsed) return kInvalidInputs;
        series = std::move(*parsed);
    }
    EnsembleLines lines(std::move(series));
    ShardRecord record;
    if (options.shard)
        if (const int sliced = SliceTable(options, lines.header(), table, record, console);
            sliced != kSuccess)
            return sliced;
    EnsembleOutput output(options.out, out);
    if (!output.open(console)) return kFailure;
    Digest content;
    if (options.shard) output.digestInto(content);
    output.write(lines.header());
    const InterruptStops interrupts;
    ProgressLine progress(isatty(fileno(stderr)) != 0);
    const int status = RunBlocks(*compiled, table, lines, output, options.threads, progress, console);
    if (status == kFailure || !output.commit(console)) return kFailure;
    if (!options.shard) return status;
    // The record goes last: a part without one is not complete, whatever the part's file holds.
    record.content = content.hex();
    if (const Outcome written = WriteFileAtomically(ShardRecordPath(*options.out), FormatShardRecord(record));
        !written) {
        console.print(written.message);
        return kFailure;
    }
    return status;
}

void RegisterEnsembleCommand(CommandLine& line) {
    auto options = std::make_shared<EnsembleOptions>();
    CLI::App* command = line.app().add_subcommand(
        "ensemble", "Run one season per parameter set of a table, in parallel on every core");
    AddConfigArgument(command, options->config)->required();
    AddSeasonOptions(command, options->season);
    command
        ->add_option("--sets", options->sets,
                     "Parameter sets: CSV or workbook, row 1 parameter ids, then one set per row")
        ->required();
    AddWholeOption(command, "--sheet", options->sheet, 1, "Sheet of the sets workbook (1-based)");
    AddThreadsOption(command, options->threads);
    CLI::Option* output =
        command->add_option("--out", options->out, "Write the CSV here instead of standard output");
    command->add_option("--series", options->series,
                        "Daily values instead of the season summary: NAME@DOY,... (e.g. LAI@200)");
    command
        ->add_option_function<std::string>(
            "--shard",
            [options](const std::string& text) {
                options->shard = ParseShard(text);
                if (!options->shard)
                    throw OptionError("--shard must be I/N, the I-th of N slices with I from 1 to N (as "
                                      "SLURM_ARRAY_TASK_ID counts with --array=1-N), not " +
                                      QuoteValue(text) + ".");
            },
            "Run only the I-th of N contiguous slices of the sets, I counted from 1 as an array job's "
            "task (SLURM_ARRAY_TASK_ID with --array=1-N); writes OUT and OUT.shard for ensemble-merge")
        ->needs(output);
    line.add(command, [options](std::ostream& out, const Console& console) {
        return Ensemble(*options, out, console);
    });
    RegisterEnsembleMergeCommand(line); // beside ensemble in --help
}

} // namespace tulo::cli
