#include "sensitivity/SimLab.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "io/TextFiles.h"
#include "sensitivity/DesignSize.h"

#include <algorithm>
#include <cmath>

namespace tulo::sensitivity {

namespace fs = std::filesystem;

namespace {

// A sample of a million rows of eleven factors is some 200 MiB of text.
constexpr std::uintmax_t kMaxSampleFileBytes = std::uintmax_t{1} << 30;
constexpr int kMaxFactors = 1000;
constexpr std::size_t kMaxNameLength = 60;
// The longest path the system opens.
constexpr std::size_t kMaxPathLength = 4096;

// The lines of a text, without their CR LF or LF ends and without the blank lines that end it.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
    return lines;
}

std::vector<std::string> Tokens(std::string_view line) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) tokens.emplace_back(line.substr(start, i - start));
    }
    return tokens;
}

std::optional<int> Whole(std::string_view text, int least, int most) {
    const auto value = ParseNumber(text);
    if (!value || *value != std::floor(*value) || *value < least || *value > most) return std::nullopt;
    return static_cast<int>(*value);
}

std::string Quoted(std::string_view text) {
    return QuoteValue(Trim(text));
}

// Whether two paths name one file: the same place once links are followed, or the same file by two
// names.
bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    const fs::path first = fs::weakly_canonical(a, error);
    if (error) return false;
    const fs::path second = fs::weakly_canonical(b, error);
    return !error && first == second;
}

std::string Number(double value) {
    return FormatSignificant(value == 0 ? 0.0 : value, kIndexFileDigits);
}

fs::path Beside(const fs::path& file, const std::string& named) {
    const fs::path path(named);
    return path.is_absolute() ? path : file.parent_path() / path;
}

Result<std::string> ReadFile(const fs::path& file, const std::string& what, std::uintmax_t limit) {
    auto text = ReadWholeFile(file, limit);
    if (!text)
        return Outcome::Failure("Cannot read the " + what + " \"" + file.string() + "\": " + text.message() +
                                ".");
    return text;
}

// Line i (0-based) of the configuration, a factor: name, distribution, two numbers and optionally the two
// truncation quantiles.
Outcome ParseFactorLine(int i, std::string_view line, Factor& f) {
    const std::vector<std::string> t = Tokens(line);
    const auto wrong = [&] {
        return "Line " + std::to_string(i + 1) + " of the configuration, " + Quoted(line) +
               ", must be a factor: name, distribution (normal, uniform or constant), two numbers and "
               "optionally the two truncation quantiles.";
    };
    if (t.size() != 4 && t.size() != 6) return Outcome::Failure(wrong());
    f.name = t[0];
    if (f.name.size() > kMaxNameLength)
        return Outcome::Failure("Line " + std::to_string(i + 1) + " of the configuration: the factor name " +
                                Quoted(f.name) + " is longer than " + std::to_string(kMaxNameLength) +
                                " characters.");
    std::string kind = t[1];
    std::transform(kind.begin(), kind.end(), kind.begin(), [](unsigned char c) { return std::tolower(c); });
    if (kind == "normal")
        f.distribution = Distribution::Normal;
    else if (kind == "uniform")
        f.distribution = Distribution::Uniform;
    else if (kind == "constant")
        f.distribution = Distribution::Constant;
    else
        return Outcome::Failure(wrong());
    std::vector<double> numbers;
    for (std::size_t j = 2; j < t.size(); ++j) {
        const auto value = ParseNumber(t[j]);
        if (!value) return Outcome::Failure(wrong());
        numbers.push_back(*value);
    }
    f.a = numbers[0];
    f.b = numbers[1];
    if (numbers.size() == 4) {
        f.lowQuantile = numbers[2];
        f.highQuantile = numbers[3];
    }
    if (const auto why = CheckFactor(f); !why)
        return Outcome::Failure("In the configuration, " + why.message);
    // The sample file's items end at commas: a name holding one would split its header.
    if (f.name.find(',') != std::string::npos)
        return Outcome::Failure("Line " + std::to_string(i + 1) + " of the configuration: the factor name " +
                                Quoted(f.name) + " must not hold a comma.");
    const double low = FactorValue(f, 0), high = FactorValue(f, 1);
    if (!std::isfinite(low) || !std::isfinite(high))
        return Outcome::Failure("Line " + std::to_string(i + 1) + " of the configuration: the values of " +
                                Quoted(f.name) + " would reach beyond the largest number a sample holds.");
    return Outcome::Success();
}

// The sample file's rows of tab-separated values, as many as `file` announces, into its values.
Outcome ReadSampleRows(std::span<const std::string_view> lines, SampleFile& file) {
    file.values.reserve(static_cast<std::size_t>(file.rows) * file.factors);
    for (int r = 0; r < file.rows; ++r) {
        std::string_view line = lines[r];
        int fields = 0;
        while (!Trim(line).empty()) {
            const std::size_t tab = std::min(line.find('\t'), line.size());
            const auto value = ParseNumber(line.substr(0, tab));
            if (!value || ++fields > file.factors)
                return Outcome::Failure("Row " + std::to_string(r + 1) + " of the sample file must hold " +
                                        std::to_string(file.factors) +
                                        " numbers separated by tabs: " + Quoted(lines[r]) + ".");
            file.values.push_back(*value);
            line = tab < line.size() ? line.substr(tab + 1) : std::string_view{};
        }
        if (fields != file.factors)
            return Outcome::Failure("Row " + std::to_string(r + 1) + " of the sample file holds " +
                                    std::to_string(fields) + " values instead of " +
                                    std::to_string(file.factors) + ".");
    }
    return Outcome::Success();
}

// Our own header says how the sample was drawn; another tool's sample is an unknown design. `items` are
// the file's four header items.
Outcome ReadSampleHeader(const std::string (&items)[4], SampleFile& file) {
    const std::vector<std::string> header = Tokens(items[0]);
    if (header.size() >= 2 && header[0] == "tuloSimLab") {
        const auto split = std::find(header.begin(), header.end(), "factors");
        std::string line;
        for (auto t = header.begin() + 2; t < split; ++t) line += *t + " ";
        Method method;
        if (const auto why = ParseMethod(header[1], line, method); !why)
            return Outcome::Failure("In the sample file's header: " + why.message);
        const auto seed = ParseNumber(items[3]);
        if (!seed || *seed < 0 || *seed != std::floor(*seed) || *seed > 2147483647.0)
            return Outcome::Failure("The sample file's fourth item must be its seed, not " +
                                    Quoted(items[3]) + ".");
        method.seed = static_cast<std::uint64_t>(*seed);
        if (split != header.end()) file.names.assign(split + 1, header.end());
        if (file.names.size() != static_cast<std::size_t>(file.factors))
            return Outcome::Failure("The sample file's header names " + std::to_string(file.names.size()) +
                                    " factors, not " + std::to_string(file.factors) + ".");
        file.method = method;
    }
    return Outcome::Success();
}

} // namespace

Outcome ParseConfiguration(std::string_view text, Configuration& config) {
    const std::vector<std::string_view> lines = Lines(text);
    config = Configuration{};
    const auto k = lines.empty() ? std::nullopt : Whole(lines[0], 1, kMaxFactors);
    if (!k)
        return Outcome::Failure("The configuration's first line must be the number of factors (1 to " +
                                std::to_string(kMaxFactors) + ").");
    if (lines.size() != static_cast<std::size_t>(*k) + 4)
        return Outcome::Failure("The configuration has " + std::to_string(lines.size()) + " lines; " +
                                std::to_string(*k) + " factors need " + std::to_string(*k + 4) +
                                ": the count, the factors, the method, its settings and the sample file.");
    for (int i = 1; i <= *k; ++i) {
        Factor f;
        if (auto why = ParseFactorLine(i, lines[i], f); !why) return why;
        config.factors.push_back(std::move(f));
    }
    if (const auto why = ParseMethod(lines[*k + 1], lines[*k + 2], config.method); !why) return why;
    config.samplePath = std::string(Trim(lines[*k + 3]));
    if (config.samplePath.empty())
        return Outcome::Failure("The configuration's last line must name the sample file.");
    if (config.samplePath.size() > kMaxPathLength)
        return Outcome::Failure(
            "The configuration's last line is longer than a path can be: " + Quoted(config.samplePath) + ".");
    return Outcome::Success();
}

Outcome DrawSample(const Configuration& config, Sample& sample) {
    sample = Sample{};
    sample.method = config.method;
    const int k = static_cast<int>(config.factors.size());
    if (const auto why = MakeDesign(config.method, k, sample.design); !why) return why;
    for (const Factor& f : config.factors) sample.names.push_back(f.name);
    sample.values.resize(sample.design.unit.size());
    for (std::size_t i = 0; i < sample.values.size(); ++i)
        sample.values[i] = FactorValue(config.factors[i % k], sample.design.unit[i]);
    return Outcome::Success();
}

std::string FormatSampleFile(const Sample& sample) {
    std::string text = "tuloSimLab " + MethodText(sample.method) + " factors";
    for (const auto& name : sample.names) text += " " + name;
    text += "\n" + std::to_string(sample.design.rows) + "\n" + std::to_string(sample.design.factors) + "\n" +
            std::to_string(sample.method.seed) + "\n";
    const int k = sample.design.factors;
    for (std::size_t i = 0; i < sample.values.size(); ++i) {
        text += ShortestText(sample.values[i]);
        text += (i + 1) % k == 0 ? '\n' : '\t';
    }
    return text;
}

Outcome ParseSampleFile(std::string_view text, SampleFile& file) {
    file = SampleFile{};
    // The four header items end at a line end or a comma.
    std::string items[4];
    std::size_t at = 0;
    for (auto& item : items) {
        const std::size_t end = std::min(text.find_first_of(",\n", at), text.size());
        if (at >= text.size()) return Outcome::Failure("The sample file ends before its four header items.");
        item = std::string(Trim(text.substr(at, end - at)));
        at = end + 1;
    }
    const auto rows = Whole(items[1], 1, static_cast<int>(kMaxDesignRows));
    const auto factors = Whole(items[2], 1, kMaxFactors);
    if (!rows || !factors)
        return Outcome::Failure(
            "The sample file's second and third items must be the numbers of samples and of factors, "
            "not " +
            Quoted(items[1]) + " and " + Quoted(items[2]) + ".");
    file.rows = *rows;
    file.factors = *factors;
    const std::vector<std::string_view> lines =
        Lines(at < text.size() ? text.substr(at) : std::string_view{});
    if (lines.size() != static_cast<std::size_t>(file.rows))
        return Outcome::Failure("The sample file announces " + std::to_string(file.rows) +
                                " samples but holds " + std::to_string(lines.size()) + " rows.");
    if (auto why = ReadSampleRows(lines, file); !why) return why;
    return ReadSampleHeader(items, file);
}

std::string FormatOutputFile(std::string_view name, const std::vector<double>& outputs) {
    std::string text = "1\n" + std::string(name) + "\nTime = 0\n" + std::to_string(outputs.size()) + "\n";
    for (const double y : outputs) text += ShortestText(y) + "\n";
    return text;
}

Outcome ParseOutputFile(std::string_view text, std::string& name, std::vector<double>& outputs) {
    const std::vector<std::string_view> lines = Lines(text);
    outputs.clear();
    if (lines.size() < 4 || !Whole(lines[0], 1, 1))
        return Outcome::Failure(
            std::string("The output file must start with 1 (one model output), its name, its time and the "
                        "number of runs."));
    name = std::string(Trim(lines[1]));
    const auto runs = Whole(lines[3], 1, static_cast<int>(kMaxDesignRows));
    if (!runs || lines.size() != static_cast<std::size_t>(*runs) + 4)
        return Outcome::Failure("The output file announces " + Quoted(lines[3]) + " runs but holds " +
                                std::to_string(lines.size() - 4) + " outputs.");
    for (int r = 0; r < *runs; ++r) {
        const auto value = ParseNumber(lines[4 + r]);
        if (!value)
            return Outcome::Failure("Output " + std::to_string(r + 1) +
                                    " of the output file is not a number: " + Quoted(lines[4 + r]) + ".");
        outputs.push_back(*value);
    }
    return Outcome::Success();
}

Outcome ParseIndexRequest(std::string_view text, IndexRequest& request) {
    const std::vector<std::string_view> lines = Lines(text);
    request = IndexRequest{};
    if (lines.size() < 5 || lines.size() > 6)
        return Outcome::Failure(
            "The index request has " + std::to_string(lines.size()) +
            " lines instead of 6: the sample file, the method, the sample line, the factors, the output "
            "file "
            "and the index file.");
    request.samplePath = std::string(Trim(lines[0]));
    request.methodLine = std::string(Trim(lines[1]));
    request.sampleLine = std::string(Trim(lines[2]));
    const std::vector<std::string> counts = Tokens(lines[3]);
    const auto factors = counts.size() == 2 ? Whole(counts[0], 1, kMaxFactors) : std::nullopt;
    if (!factors || !Whole(counts[1], 1, 1))
        return Outcome::Failure("Line 4 of the index request must be the number of factors and 1, not " +
                                Quoted(lines[3]) + ".");
    request.factors = *factors;
    request.outputPath = std::string(Trim(lines[4]));
    if (lines.size() == 6) request.indexPath = std::string(Trim(lines[5]));
    if (request.samplePath.empty() || request.outputPath.empty())
        return Outcome::Failure(
            "The index request must name the sample file (line 1) and the output file (line 5).");
    for (const std::string* path : {&request.samplePath, &request.outputPath, &request.indexPath})
        if (path->size() > kMaxPathLength)
            return Outcome::Failure(
                "The index request names a file longer than a path can be: " + Quoted(*path) + ".");
    return Outcome::Success();
}

Outcome ComputeSampleIndices(const SampleFile& sample, const std::vector<double>& outputs,
                             IndexResult& result) {
    result = IndexResult{};
    result.runs = sample.rows;
    result.knownDesign = sample.method.has_value();
    result.names = sample.names;
    for (int j = static_cast<int>(result.names.size()); j < sample.factors; ++j)
        result.names.push_back("par" + std::to_string(j + 1));
    if (outputs.size() != static_cast<std::size_t>(sample.rows))
        return Outcome::Failure("There are " + std::to_string(outputs.size()) + " outputs for " +
                                std::to_string(sample.rows) + " samples.");
    Design design;
    if (sample.method) {
        result.method = *sample.method;
        // A header announcing another size is refused before its design is drawn.
        const long rows = DesignRows(result.method, sample.factors);
        if (rows != sample.rows)
            return Outcome::Failure("The sample file holds " + std::to_string(sample.rows) +
                                    " samples but its method, " + MethodText(result.method) + ", draws " +
                                    std::to_string(rows) + ".");
        if (const auto why = MakeDesign(result.method, sample.factors, design); !why) return why;
        if (design.rows != sample.rows)
            return Outcome::Failure("The sample file holds " + std::to_string(sample.rows) +
                                    " samples but its method, " + MethodText(result.method) + ", draws " +
                                    std::to_string(design.rows) + ".");
    } else {
        result.method.kind = MethodKind::Random;
        design.rows = sample.rows;
        design.factors = sample.factors;
    }
    return ComputeIndices(result.method, design, sample.values, outputs, result.indices,
                          &result.interactions);
}

std::string FormatIndexFile(const IndexResult& result, std::string_view outputName) {
    const auto [name1, name2] = IndexNames(result.method.kind);
    std::string text = "tuloSimLab sensitivity indices\n";
    text +=
        "method = " + (result.knownDesign ? MethodText(result.method) : "unknown design: regression") + "\n";
    text += "1\n" + std::to_string(result.indices.size()) + "\n";
    text += "output = " + std::string(outputName) + "\n";
    text += "runs = " + std::to_string(result.runs) + "\n";
    const bool unresampled =
        std::any_of(result.indices.begin(), result.indices.end(),
                    [](const FactorIndices& f) { return f.varied && !f.first.hasInterval; });
    if (result.method.kind == MethodKind::Fast)
        text += "intervals = none: the error of classic FAST comes from its random phases\n";
    else if (unresampled)
        text += "intervals = none: too many runs to resample\n";
    else
        text += "intervals = bootstrap percentile 95 percent\n";
    text += "fields = factor\tindex 1 name\tindex 1\tindex 2 name\tindex 2\tlow 1\thigh 1\tlow 2\thigh 2\n";
    text += "indexes = yes\n";
    for (std::size_t j = 0; j < result.indices.size(); ++j) {
        const FactorIndices& f = result.indices[j];
        const auto value = [&](const Estimate& e) {
            return f.varied ? Number(e.value) : std::string(kNotVaried);
        };
        const auto interval = [](const Estimate& e) {
            return e.hasInterval ? Number(e.low) + "\t" + Number(e.high) : "\t";
        };
        text += result.names[j] + "\n";
        text += result.names[j] + "\t" + name1 + "\t" + value(f.first) + "\t" + name2 + "\t" +
                value(f.second) + "\t" + interval(f.first) + "\t" + interval(f.second) + "\n";
    }
    if (result.interactions.empty()) return text;
    text += "interactions = yes\n";
    for (const Interaction& interaction : result.interactions) {
        const bool dotted =
            std::any_of(interaction.factors.begin(), interaction.factors.end(), [](int j) { return j >= 9; });
        std::string names, index = "S";
        for (const int j : interaction.factors) {
            names += (names.empty() ? "" : "*") + result.names[static_cast<std::size_t>(j)];
            index += (dotted && index.size() > 1 ? "." : "") + std::to_string(j + 1);
        }
        const Estimate& e = interaction.index;
        text += names + "\t" + index + "\t" + Number(e.value) + "\t" +
                (e.hasInterval ? Number(e.low) + "\t" + Number(e.high) : "\t") + "\n";
    }
    return text;
}

double IndexAsWritten(double value) {
    return RoundToSignificant(value == 0 ? 0.0 : value, kIndexFileDigits);
}

Outcome RunSamplingMode(const fs::path& configuration) {
    const auto text = ReadFile(configuration, "configuration", kMaxTextFileBytes);
    if (!text) return text.outcome();
    Configuration config;
    if (const auto why = ParseConfiguration(*text, config); !why)
        return Outcome::Failure("In the configuration \"" + configuration.string() + "\": " + why.message);
    const fs::path samplePath = Beside(configuration, config.samplePath);
    if (SameFile(samplePath, configuration))
        return Outcome::Failure("The configuration \"" + configuration.string() +
                                "\" names itself as the sample file to write: it would be overwritten.");
    Sample sample;
    if (const auto why = DrawSample(config, sample); !why) return why;
    return WriteFileAtomically(samplePath, FormatSampleFile(sample));
}

Outcome RunIndicesMode(const fs::path& requestPath) {
    const auto requestText = ReadFile(requestPath, "index request", kMaxTextFileBytes);
    if (!requestText) return requestText.outcome();
    IndexRequest request;
    if (const auto why = ParseIndexRequest(*requestText, request); !why)
        return Outcome::Failure("In the index request \"" + requestPath.string() + "\": " + why.message);
    const fs::path samplePath = Beside(requestPath, request.samplePath);
    const auto sampleText = ReadFile(samplePath, "sample file", kMaxSampleFileBytes);
    if (!sampleText) return sampleText.outcome();
    SampleFile sample;
    if (const auto why = ParseSampleFile(*sampleText, sample); !why)
        return Outcome::Failure("In the sample file \"" + samplePath.string() + "\": " + why.message);
    if (sample.factors != request.factors)
        return Outcome::Failure("The index request names " + std::to_string(request.factors) +
                                " factors but the sample file " + std::to_string(sample.factors) + ".");
    const fs::path outputPath = Beside(requestPath, request.outputPath);
    const auto outputText = ReadFile(outputPath, "output file", kMaxSampleFileBytes);
    if (!outputText) return outputText.outcome();
    std::string outputName;
    std::vector<double> outputs;
    if (const auto why = ParseOutputFile(*outputText, outputName, outputs); !why)
        return Outcome::Failure("In the output file \"" + outputPath.string() + "\": " + why.message);
    IndexResult result;
    if (const auto why = ComputeSampleIndices(sample, outputs, result); !why) return why;
    const fs::path indexPath = request.indexPath.empty() ? requestPath.parent_path() / "tuloSAindex.txt"
                                                         : Beside(requestPath, request.indexPath);
    for (const fs::path& input : {requestPath, samplePath, outputPath})
        if (SameFile(indexPath, input))
            return Outcome::Failure(
                "The index request names \"" + input.string() +
                "\", one of the files it reads, as the index file to write: it would be overwritten.");
    return WriteFileAtomically(indexPath, FormatIndexFile(result, outputName));
}

} // namespace tulo::sensitivity
