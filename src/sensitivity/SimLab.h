#pragma once
// The exchange files between the sensitivity window and tuloSimLab, and the tool's two modes: draw the
// sample a configuration asks for, and compute the indices of the sample's outputs. The window, the
// command line and the tool all go through these functions.

#include "sensitivity/Methods.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo::sensitivity {

// "SIMLABconfig.txt": the number of factors; one line per factor "name distribution a b [q1 q2]"; the
// method keyword; the method line; the path of the sample file to write (relative paths are taken from
// the configuration's folder by the mode functions).
struct Configuration {
    std::vector<Factor> factors;
    Method method;
    std::string samplePath;
};
Outcome ParseConfiguration(std::string_view text, Configuration& config);

// A drawn sample: its method, its design and the factor values, rows by factors, row-major.
struct Sample {
    Method method;
    std::vector<std::string> names;
    Design design;
    std::vector<double> values;
};
Outcome DrawSample(const Configuration& config, Sample& sample);

// The sample file: item 1 "tuloSimLab <method text> factors <names>", item 2 the number of rows, item 3
// the number of factors, item 4 the seed, then one line per row with the values separated by tabs.
std::string FormatSampleFile(const Sample& sample);
// A sample file's rows. `method` is set only when item 1 is a tuloSimLab header; `names` then too.
struct SampleFile {
    std::optional<Method> method;
    std::vector<std::string> names;
    int rows = 0;
    int factors = 0;
    std::vector<double> values;
};
Outcome ParseSampleFile(std::string_view text, SampleFile& file);

// "tuloSAout.txt": 1, the output's name, "Time = 0", the number of runs, then one output per line.
std::string FormatOutputFile(std::string_view name, const std::vector<double>& outputs);
Outcome ParseOutputFile(std::string_view text, std::string& name, std::vector<double>& outputs);

// "tuloSA_2.txt": the sample file's path, the method line, the configuration's sample line, the number
// of factors and 1, the output file's path, the index file's path.
struct IndexRequest {
    std::string samplePath;
    std::string methodLine;
    std::string sampleLine;
    int factors = 0;
    std::string outputPath;
    std::string indexPath;
};
Outcome ParseIndexRequest(std::string_view text, IndexRequest& request);

// The indices of a sample's outputs. A sample file without a tuloSimLab header is analysed as a random
// sample (regression indices), the one design every estimator-free sample is.
struct IndexResult {
    Method method;
    bool knownDesign = true;
    std::vector<std::string> names;
    std::vector<FactorIndices> indices;
    std::vector<Interaction> interactions; // Sobol' "custom" of order 2 or 3
    int runs = 0;
};
Outcome ComputeSampleIndices(const SampleFile& sample, const std::vector<double>& outputs,
                             IndexResult& result);

// "tuloSAindex.txt": five header lines (title, method, 1, the number of factors, the output), notes,
// "indexes = yes", then per factor its name on one line and on the next the tab-separated fields: name,
// first index name, first index, second index name, second index, then the 95 % intervals of both (empty
// fields when the method gives none). A factor whose sampled values were all the same has kNotVaried in
// place of both indices and no intervals.
// Interactions follow the factors, after "interactions = yes", one line each: the factors' names joined
// by "*", the index name ("S13": the factors' columns, 1-based, separated by dots beyond 9), the index and
// its 95 % interval, tab-separated.
inline constexpr std::string_view kNotVaried = "did not vary";
std::string FormatIndexFile(const IndexResult& result, std::string_view outputName);
// An index or an interval's bound as the index file gives it: six significant digits, and 0 without a
// sign.
inline constexpr int kIndexFileDigits = 6;
double IndexAsWritten(double value);

// Mode 1: reads the configuration, draws its sample and writes the sample file.
Outcome RunSamplingMode(const std::filesystem::path& configuration);
// Mode 2: reads the request, its sample and output files, and writes the index file.
Outcome RunIndicesMode(const std::filesystem::path& request);

} // namespace tulo::sensitivity
