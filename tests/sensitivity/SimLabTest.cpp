#include "sensitivity/SimLab.h"

#include "sensitivity/Analysis.h"
#include "sensitivity/methods/Statistics.h"

#include "base/Numbers.h"
#include "io/TextFiles.h"

#include "support/PrintOutcome.h"
#include "support/ReadText.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>
#include <tbb/global_control.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <numbers>
#include <numeric>
#include <random>

namespace tulo::sensitivity {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(at, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// A factor line's fields as the results window reads the index file: two items, a count, K, the
// items up to "indexes = yes", then per factor two items, the second split at tabs.
std::vector<std::vector<double>> ReadIndexFile(const std::string& text) {
    std::vector<std::string> items;
    for (const auto& line : Split(text, '\n'))
        for (const auto& item : Split(line, ',')) items.push_back(item);
    const int k = static_cast<int>(*ParseNumber(items.at(3)));
    std::size_t at = 4;
    while (items.at(at) != "indexes = yes") ++at;
    std::vector<std::vector<double>> factors;
    for (int j = 0; j < k; ++j) {
        const std::vector<std::string> fields = Split(items.at(at + 2), '\t');
        at += 2;
        std::vector<double> values;
        for (const std::size_t f : {2, 4, 5, 6, 7, 8})
            values.push_back(ParseNumber(fields.at(f)).value_or(std::nan("")));
        factors.push_back(values); // index 1, index 2, interval 1, interval 2; NaN for text or nothing
    }
    return factors;
}

class SimLabTest : public test::ScratchFolderTest {
protected:
    void Write(const std::string& name, const std::string& text) {
        ASSERT_TRUE(WriteFileAtomically(dir_ / name, text));
    }

    // The whole exchange: configuration, mode 1, the model on every sample row, outputs, mode 2.
    std::vector<std::vector<double>> Analyse(const std::string& factors, int count, const std::string& method,
                                             const std::function<double(const std::vector<double>&)>& model) {
        Write("SIMLABconfig.txt", std::to_string(count) + "\r\n" + factors + method + "\r\nSAsample.txt\r\n");
        EXPECT_EQ(RunSamplingMode(dir_ / "SIMLABconfig.txt"), Outcome::Done);
        SampleFile sample;
        EXPECT_EQ(ParseSampleFile(test::ReadExpectedFile(dir_ / "SAsample.txt"), sample), Outcome::Done);
        std::vector<double> outputs;
        for (int r = 0; r < sample.rows; ++r)
            outputs.push_back(
                model({sample.values.begin() + r * count, sample.values.begin() + (r + 1) * count}));
        Write("tuloSAout.txt", FormatOutputFile("total AGB", outputs));
        Write("tuloSA_2.txt",
              (dir_ / "SAsample.txt").string() + "\nX\nY\n" + std::to_string(count) + " 1\ntuloSAout.txt\n");
        EXPECT_EQ(RunIndicesMode(dir_ / "tuloSA_2.txt"), Outcome::Done);
        return ReadIndexFile(test::ReadExpectedFile(dir_ / "tuloSAindex.txt"));
    }
};

double Ishigami(const std::vector<double>& x) {
    return std::sin(x[0]) + 7 * std::pow(std::sin(x[1]), 2) + 0.1 * std::pow(x[2], 4) * std::sin(x[0]);
}
// Ishigami's three factors, uniform over [-pi, pi].
const std::string kIshigamiFactors = "x1 uniform -3.141592653589793 3.141592653589793\r\n"
                                     "x2 uniform -3.141592653589793 3.141592653589793\r\n"
                                     "x3 uniform -3.141592653589793 3.141592653589793\r\n";

TEST_F(SimLabTest, SobolAndExtendedFastMatchTheIshigamiIndices) {
    const double first[] = {0.3139, 0.4424, 0.0}, total[] = {0.5576, 0.4424, 0.2437}, none[] = {0, 0, 0};
    // Classic FAST gives first-order indices only, 0 in place of the total, and no interval: its error
    // lies in its random phases, which no resample of its one curve shows.
    for (const auto& [method, totals] :
         {std::pair{"sobol\r\n1 8", total}, std::pair{"fast\r\n2 5 3075", total},
          std::pair{"fast\r\n1 5 1025", none}}) {
        SCOPED_TRACE(method);
        const auto indices = Analyse(kIshigamiFactors, 3, method, Ishigami);
        ASSERT_EQ(indices.size(), 3u);
        for (int j = 0; j < 3; ++j) {
            const auto& f = indices[j];
            EXPECT_NEAR(f[0], first[j], 0.03);
            EXPECT_NEAR(f[1], totals[j], 0.03);
            if (totals == none) {
                for (int i = 2; i < 6; ++i) EXPECT_TRUE(std::isnan(f[i]));
                continue;
            }
            EXPECT_LE(f[2], first[j]);
            EXPECT_GE(f[3], first[j]);
            EXPECT_LE(f[4], totals[j]);
            EXPECT_GE(f[5], totals[j]);
        }
    }
    // A mean far from zero, as a biomass has, must not blur the first-order indices or their intervals.
    const auto shifted = Analyse(kIshigamiFactors, 3, "sobol\r\n1 8",
                                 [](const std::vector<double>& x) { return 1000 + Ishigami(x); });
    for (int j = 0; j < 3; ++j) {
        EXPECT_NEAR(shifted[j][0], first[j], 0.03);
        EXPECT_LT(shifted[j][3] - shifted[j][2], 0.2);
    }
}

// Ishigami's only interaction is x1 with x3, and it has none of the three factors together. The
// window reads the factor lines as before and the interaction lines after them.
TEST_F(SimLabTest, SobolCustomThirdOrderGivesTheIshigamiInteractions) {
    const auto indices = Analyse(kIshigamiFactors, 3, "sobol\r\n3 7 3", Ishigami);
    ASSERT_EQ(indices.size(), 3u);
    EXPECT_NEAR(indices[0][0], 0.3139, 0.03);
    IndexResults results;
    const int rows[] = {0, 1, 2};
    ASSERT_EQ(ParseIndexFile(test::ReadExpectedFile(dir_ / "tuloSAindex.txt"), rows, true, results),
              Outcome::Done);
    ASSERT_EQ(results.interactions.size(), 4u);
    const double expected[] = {0.0, 0.2437, 0.0, 0.0};
    const char* names[] = {"S12", "S13", "S23", "S123"};
    for (std::size_t s = 0; s < 4; ++s) {
        const InteractionResult& i = results.interactions[s];
        EXPECT_EQ(i.indexName, names[s]);
        EXPECT_NEAR(i.index, expected[s], 0.03) << names[s];
        EXPECT_LE(*i.low, expected[s]) << names[s];
        EXPECT_GE(*i.high, expected[s]) << names[s];
    }
    EXPECT_EQ(results.interactions[1].names, (std::vector<std::string>{"par1", "par3"}));
}

// Morris's mu* at four levels against the mean absolute elementary effect over the whole grid, every
// other factor at any of its levels. (The sampling methods' regression indices are checked exactly on a
// linear model below.)
TEST_F(SimLabTest, MorrisMeasuresTheIshigamiFunction) {
    const double pi = std::numbers::pi;
    const double levels[] = {0, 1.0 / 3, 2.0 / 3, 1}, delta = 2.0 / 3;
    const auto at = [&](double u) { return -pi + 2 * pi * u; };
    double grid[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i)
        for (const double a : levels)
            for (const double b : levels)
                for (const double from : {levels[0], levels[1]}) {
                    std::vector<double> x(3), moved(3);
                    for (int j = 0, o = 0; j < 3; ++j) x[j] = at(j == i ? from : o++ == 0 ? a : b);
                    moved = x;
                    moved[i] = at(from + delta);
                    grid[i] += std::abs(Ishigami(moved) - Ishigami(x)) / delta / 32;
                }
    const auto morris = Analyse(kIshigamiFactors, 3, "morris\r\n5 2000 4", Ishigami);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(morris[i][0], grid[i], 0.05 * grid[i]) << i;
        EXPECT_GT(morris[i][1], 0) << i;
    }
}

TEST_F(SimLabTest, RegressionCoefficientsOfALinearModel) {
    // SRC_j = b_j sd_j / sd_y; a constant factor did not vary and has no index.
    const std::string factors = "a uniform 0 1\nb normal 10 2 0.01 0.99\nc constant 4 0\nd uniform -3 3\n";
    const double b[] = {3, -1, 5, 0.2};
    const boost::math::normal_distribution<double> unit;
    const double z = boost::math::quantile(unit, 0.99);
    const double phi = boost::math::pdf(unit, z);
    // The truncated normal's standard deviation.
    const double sd[] = {std::sqrt(1.0 / 12), 2 * std::sqrt(1 - 2 * z * phi / 0.98), 0, std::sqrt(3.0)};
    double sy = 0;
    for (int j = 0; j < 4; ++j) sy += b[j] * b[j] * sd[j] * sd[j];
    sy = std::sqrt(sy);
    for (const char* method : {"lhs\n7 400", "random\n7 400", "lptau\n512"}) {
        SCOPED_TRACE(method);
        const auto indices = Analyse(factors, 4, method, [&](const std::vector<double>& x) {
            return b[0] * x[0] + b[1] * x[1] + b[2] * x[2] + b[3] * x[3];
        });
        for (int j : {0, 1, 3}) {
            const double src = b[j] * sd[j] / sy;
            EXPECT_NEAR(indices[j][0], src, 0.03) << j;
            EXPECT_LE(indices[j][2], src + 1e-9);
            EXPECT_GE(indices[j][3], src - 1e-9);
            EXPECT_EQ(std::signbit(indices[j][1]), std::signbit(src)) << j;
        }
        for (const double v : indices[2]) EXPECT_TRUE(std::isnan(v));
        EXPECT_NE(test::ReadExpectedFile(dir_ / "tuloSAindex.txt")
                      .find("c\tSRC\tdid not vary\tPRCC\tdid not vary\t\t\t\t\n"),
                  std::string::npos);
    }
}

// Percentile intervals hold only values the index can take: correlations within [-1, 1], mu* and sigma
// not below 0, even where the estimate sits at the edge.
TEST_F(SimLabTest, IntervalsStayWithinTheRangeOfTheirIndex) {
    const std::string two = "a uniform 0 1\nb uniform 0 1\n";
    const auto regression = Analyse(two, 2, "lhs\n3 60", [](const std::vector<double>& x) {
        return x[0] + 0.02 * x[1] + 0.001 * std::sin(40 * x[1]);
    });
    EXPECT_GT(regression[0][1], 0.99);
    for (const auto& f : regression)
        for (int i : {2, 3, 4, 5}) {
            EXPECT_GE(f[i], -1.0);
            EXPECT_LE(f[i], 1.0);
        }
    std::string five;
    for (int j = 1; j <= 5; ++j) five += "par" + std::to_string(j) + " uniform 0 1\n";
    // Effects that are mostly 0 and now and then large: a skewed spread that a basic interval reflects
    // below 0.
    const auto morris = Analyse(five, 5, "morris\n11 6 4", [](const std::vector<double>& x) {
        return x[0] + 30 * x[1] * x[2] * x[3] * x[4];
    });
    for (const auto& f : morris) {
        EXPECT_GE(f[2], 0.0);
        EXPECT_GE(f[4], 0.0);
    }
}

// The resamples are drawn in turn and estimated in parallel: the intervals are the same on one thread
// as on every core.
TEST_F(SimLabTest, IntervalsAreTheSameOnAnyNumberOfThreads) {
    Method lhs;
    ASSERT_EQ(ParseMethod("lhs", "9 4500", lhs), Outcome::Done);
    Design design;
    ASSERT_EQ(MakeDesign(lhs, 3, design), Outcome::Done);
    std::vector<double> outputs;
    for (int r = 0; r < design.rows; ++r)
        outputs.push_back(
            Ishigami({design.at(r, 0) * 6 - 3, design.at(r, 1) * 6 - 3, design.at(r, 2) * 6 - 3}));
    std::vector<FactorIndices> one, every;
    {
        tbb::global_control single(tbb::global_control::max_allowed_parallelism, 1);
        ASSERT_EQ(ComputeIndices(lhs, design, design.unit, outputs, one), Outcome::Done);
    }
    ASSERT_EQ(ComputeIndices(lhs, design, design.unit, outputs, every), Outcome::Done);
    for (std::size_t j = 0; j < 3; ++j) {
        EXPECT_EQ(one[j].first.low, every[j].first.low);
        EXPECT_EQ(one[j].second.high, every[j].second.high);
        EXPECT_LT(every[j].first.low, every[j].first.high);
    }
}

// A factor whose values were all the same has nothing to measure, whatever the design: the index file
// says so in place of both indices, and the window reads it.
TEST_F(SimLabTest, AFactorThatDidNotVaryHasNoIndex) {
    const std::string factors = "x1 uniform 0 1\nx2 constant 5 0\nx3 uniform 0 1\n";
    for (const char* method : {"sobol\n3 3 2", "morris\n2 4 4", "fast\n2 1 600", "random\n4 50"}) {
        SCOPED_TRACE(method);
        const auto indices =
            Analyse(factors, 3, method, [](const std::vector<double>& x) { return x[0] + x[1] * x[2]; });
        for (const double v : indices[1]) EXPECT_TRUE(std::isnan(v));
        EXPECT_FALSE(std::isnan(indices[0][0]));
        IndexResults results;
        const int rows[] = {0, 1, 2};
        ASSERT_EQ(ParseIndexFile(test::ReadExpectedFile(dir_ / "tuloSAindex.txt"), rows, true, results),
                  Outcome::Done);
        EXPECT_TRUE(results.factors[0].varied);
        EXPECT_FALSE(results.factors[1].varied);
        EXPECT_FALSE(results.factors[1].low1);
        for (const InteractionResult& i : results.interactions)
            EXPECT_EQ(std::count(i.names.begin(), i.names.end(), "par2"), 0) << i.indexName;
    }
}

// No size or spread of finite outputs or values makes an index overflow: the indices of outputs scaled
// and shifted far out are those of the outputs themselves (Morris's scaled with them), and what cannot be
// written is refused, not written as inf.
TEST_F(SimLabTest, HugeOutputsAndSpreadsGiveTheSameIndicesOrARefusal) {
    for (const char* method :
         {"sobol\n1 4", "fast\n1 5 1025", "fast\n2 5 1500", "lhs\n5 300", "morris\n5 8 4"}) {
        SCOPED_TRACE(method);
        const auto plain = Analyse(kIshigamiFactors, 3, method, Ishigami);
        const double scale = std::string(method).starts_with("morris") ? 1e300 : 1;
        const auto huge = Analyse(kIshigamiFactors, 3, method,
                                  [](const std::vector<double>& x) { return 1e300 * Ishigami(x) - 1.5e307; });
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 6; ++i) {
                if (std::isnan(plain[j][i])) continue;
                EXPECT_TRUE(std::isfinite(huge[j][i])) << j << " " << i;
                EXPECT_NEAR(huge[j][i] / scale, plain[j][i], 1e-4 * (1 + std::abs(plain[j][i])))
                    << j << " " << i;
            }
    }
    const auto spread = Analyse("w uniform -8e307 8e307\nv uniform 0 1\n", 2, "lhs\n2 200",
                                [](const std::vector<double>& x) { return x[0] + (x[1] * 1.6e308 - 8e307); });
    EXPECT_NEAR(spread[0][0], std::sqrt(0.5), 0.03);
    EXPECT_NEAR(spread[1][0], std::sqrt(0.5), 0.03);

    // Elementary effects of 3e308 per unit: mu* would be inf.
    Method morris;
    ASSERT_EQ(ParseMethod("morris", "1 4 4", morris), Outcome::Done);
    Design design;
    ASSERT_EQ(MakeDesign(morris, 1, design), Outcome::Done);
    std::vector<double> outputs;
    for (int r = 0; r < design.rows; ++r) outputs.push_back(design.at(r, 0) > 0.5 ? 1.7e308 : -1.7e308);
    std::vector<FactorIndices> indices;
    const auto why = ComputeIndices(morris, design, design.unit, outputs, indices);
    ASSERT_FALSE(why);
    EXPECT_NE(why.message.find("largest number"), std::string::npos) << why.message;
    outputs[1] = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(ComputeIndices(morris, design, design.unit, outputs, indices));
}

TEST_F(SimLabTest, MorrisRanksFactorsAndFlagsInteractions) {
    std::string factors;
    for (int j = 1; j <= 5; ++j) factors += "par" + std::to_string(j) + " uniform 0 1\n";
    const auto indices = Analyse(factors, 5, "morris\n3 10 4", [](const std::vector<double>& x) {
        return 8 * x[0] + 4 * x[1] + 2 * x[2] * x[3];
    });
    EXPECT_DOUBLE_EQ(indices[0][0], 8);
    EXPECT_DOUBLE_EQ(indices[1][0], 4);
    EXPECT_GT(indices[2][0], 0);
    EXPECT_LT(indices[2][0], 2);
    EXPECT_EQ(indices[4][0], 0);
    // Only the interacting factors' elementary effects vary.
    EXPECT_NEAR(indices[0][1], 0, 1e-9);
    EXPECT_GT(indices[2][1], 0.1);
    EXPECT_GT(indices[3][1], 0.1);
}

TEST_F(SimLabTest, OneFactorLatinHypercubeIsStratifiedAndReproducible) {
    const std::string config =
        "1\r\npar1 normal 3 0.5 0.01 0.99\r\nlhs\r\n1 100\r\n" + (dir_ / "SAsample.txt").string() + "\r\n";
    Write("SIMLABconfig.txt", config);
    ASSERT_EQ(RunSamplingMode(dir_ / "SIMLABconfig.txt"), Outcome::Done);
    const std::string first = test::ReadExpectedFile(dir_ / "SAsample.txt");
    SampleFile sample;
    ASSERT_EQ(ParseSampleFile(first, sample), Outcome::Done);
    EXPECT_EQ(sample.rows, 100);
    EXPECT_EQ(sample.factors, 1);
    EXPECT_EQ(sample.method->kind, MethodKind::Lhs);
    // One value in each of the 100 probability strata between the quantiles 0.01 and 0.99.
    const boost::math::normal_distribution<double> normal(3, 0.5);
    std::vector<int> strata(100, 0);
    for (const double v : sample.values) {
        const double u = (boost::math::cdf(normal, v) - 0.01) / 0.98;
        ++strata.at(static_cast<std::size_t>(std::clamp(u, 0.0, 0.999999) * 100));
    }
    EXPECT_EQ(std::count(strata.begin(), strata.end(), 1), 100);

    ASSERT_EQ(RunSamplingMode(dir_ / "SIMLABconfig.txt"), Outcome::Done);
    EXPECT_EQ(test::ReadExpectedFile(dir_ / "SAsample.txt"), first);
    Write("SIMLABconfig.txt", config.substr(0, config.find("1 100")) + "2 100\r\nSAsample.txt\r\n");
    ASSERT_EQ(RunSamplingMode(dir_ / "SIMLABconfig.txt"), Outcome::Done);
    EXPECT_NE(test::ReadExpectedFile(dir_ / "SAsample.txt"), first);
}

TEST_F(SimLabTest, MalformedFilesAreRefusedWithAMessage) {
    Configuration config;
    for (const char* text :
         {"", "2\npar1 normal 3 0.5\nlhs\n1 100\nS.txt\n", "1\npar1 normal 3 -1\nlhs\n1 100\nS\n",
          "1\npar1 weibull 3 1\nlhs\n1 100\nS\n", "1\npar1 normal 3 1\nsobol\n1 2.5\nS\n",
          "1\npar1 normal 3 1\nmorris\n1 4 5\nS\n", "1\npar1 normal 3 1 0 1\nlhs\n1 9\nS\n"}) {
        EXPECT_FALSE(ParseConfiguration(text, config)) << text;
    }
    SampleFile sample;
    for (const char* text : {"h\n3\n1\n0\n1\n2\n", "h\n2\n2\n0\n1\t2\n3\n", "h\n1\n1\n0\nx\n", "h\n2\n"})
        EXPECT_FALSE(ParseSampleFile(text, sample)) << text;
    std::string name;
    std::vector<double> outputs;
    EXPECT_FALSE(ParseOutputFile("1\nAGB\nTime = 0\n3\n1\n2\n", name, outputs));

    // The tool itself: a message on its error stream and a failed exit, for a request naming a short
    // sample file and for a missing configuration.
    Write("S.sam", "tuloSimLab lhs 1 3 factors p\n3\n1\n1\n0.5\n");
    Write("tuloSA_2.txt", "S.sam\n1 3\nS.sam\n1 1\nout.txt\n");
    for (const std::string& arguments :
         {"2 " + (dir_ / "tuloSA_2.txt").string(), "1 " + (dir_ / "no").string()}) {
        const std::string command =
            std::string(TULO_SIMLAB_PATH) + " " + arguments + " 2>" + (dir_ / "err").string();
        EXPECT_NE(std::system(command.c_str()), 0);
        EXPECT_NE(test::ReadExpectedFile(dir_ / "err").find("tuloSimLab: "), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir_ / "tuloSAindex.txt"));
}

// What mutated exchange files brought out: sizes the tool cannot draw or read back refused before any
// work, values a sample cannot hold, names it cannot carry, and files it would overwrite.
TEST_F(SimLabTest, SizesNamesValuesAndPathsTheToolCannotKeepAreRefusedUpFront) {
    const auto configuration = [](int factors, const std::string& factorLine, const std::string& method) {
        std::string text = std::to_string(factors) + "\n";
        for (int j = 1; j <= factors; ++j) text += "p" + std::to_string(j) + " " + factorLine + "\n";
        return text + method + "\nS.txt\n";
    };
    Configuration config;
    Sample sample;
    // Classic FAST's frequencies for 100 factors took 20 s to find; 64 factors by 2^21 rows took 6 GB.
    ASSERT_EQ(ParseConfiguration(configuration(100, "uniform 0 1", "fast\n1 1 2000000"), config),
              Outcome::Done);
    EXPECT_NE(DrawSample(config, sample).message.find("at most 30 factors"), std::string::npos);
    ASSERT_EQ(ParseConfiguration(configuration(64, "uniform 0 1", "lhs\n1 2097152"), config), Outcome::Done);
    EXPECT_NE(DrawSample(config, sample).message.find("values the tool draws"), std::string::npos);
    EXPECT_TRUE(sample.values.empty());
    // The same classic FAST reached through a one-row sample in mode 2.
    std::string header = "tuloSimLab fast 1 1 2000000 factors";
    std::string row;
    for (int j = 1; j <= 100; ++j) {
        header += " p" + std::to_string(j);
        row += j > 1 ? "\t0.5" : "0.5";
    }
    SampleFile file;
    ASSERT_EQ(ParseSampleFile(header + "\n1\n100\n1\n" + row + "\n", file), Outcome::Done);
    IndexResult result;
    EXPECT_NE(ComputeSampleIndices(file, {1.0}, result).message.find("draws 2000000"), std::string::npos);

    EXPECT_NE(ParseConfiguration(configuration(1, "uniform -1e308 1e308", "lhs\n1 10"), config)
                  .message.find("beyond the largest number"),
              std::string::npos);
    EXPECT_NE(ParseConfiguration("1\np,1 normal 3 1\nlhs\n1 10\nS\n", config).message.find("comma"),
              std::string::npos);
    // A megabyte of a bad value is quoted by its start only.
    const std::string huge(1 << 20, 'x');
    for (const std::string& text :
         {"1\np1 normal 3 " + huge + "\nlhs\n1 10\nS\n", "1\n" + huge + " normal 3 1\nlhs\n1 10\nS\n",
          "1\np1 normal 3 1\nlhs\n1 " + huge + "\nS\n", "1\np1 normal 3 1\nlhs\n1 10\n" + huge + "\n"}) {
        const auto why = ParseConfiguration(text, config);
        ASSERT_FALSE(why);
        EXPECT_LT(why.message.size(), 400u) << why.message.substr(0, 400);
    }
    EXPECT_LT(ParseSampleFile("h\n1\n1\n0\n" + huge + "\n", file).message.size(), 400u);

    // A sample path naming the configuration leaves it as it was.
    const std::string itself = "1\np1 normal 3 1\nlhs\n1 10\n./SIMLABconfig.txt\n";
    Write("SIMLABconfig.txt", itself);
    EXPECT_NE(RunSamplingMode(dir_ / "SIMLABconfig.txt").message.find("overwritten"), std::string::npos);
    EXPECT_EQ(test::ReadExpectedFile(dir_ / "SIMLABconfig.txt"), itself);
    // An index file naming one of the files the request reads.
    Write("SIMLABconfig.txt", "1\np1 normal 3 1\nlhs\n1 10\nS.txt\n");
    ASSERT_EQ(RunSamplingMode(dir_ / "SIMLABconfig.txt"), Outcome::Done);
    Write("out.txt", FormatOutputFile("AGB", std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    const std::string request = "S.txt\n1 10\nS.txt\n1 1\nout.txt\nS.txt\n";
    Write("tuloSA_2.txt", request);
    const std::string sampleText = test::ReadExpectedFile(dir_ / "S.txt");
    EXPECT_NE(RunIndicesMode(dir_ / "tuloSA_2.txt").message.find("overwritten"), std::string::npos);
    EXPECT_EQ(test::ReadExpectedFile(dir_ / "S.txt"), sampleText);
}

// A resample's ranks walked from the units sorted once are the ranks of its own sort: ties among the
// drawn units and among units it did not draw, copies, and values of either sign of zero.
TEST_F(SimLabTest, RanksFromTheSortedUnitsAreThoseOfEachResamplesSort) {
    std::mt19937 random(5);
    std::vector<double> values(600);
    for (double& v : values) v = static_cast<double>(static_cast<int>(random() % 90)) / 4 - 10;
    values[3] = -0.0;
    values[4] = 0.0;
    const std::vector<int> ascending = AscendingUnits(values);
    for (const std::size_t drawn : {600u, 300u, 20u}) {
        std::vector<int> units(drawn);
        for (int& u : units) u = static_cast<int>(random() % values.size());
        std::sort(units.begin(), units.end());
        const Distinct distinct = DistinctUnits(units);
        const std::vector<double> walked = Ranks(values, distinct, ascending);
        EXPECT_EQ(walked, Ranks(values, distinct)) << drawn;
        EXPECT_EQ(std::accumulate(walked.begin(), walked.end(), 0.0,
                                  [&, i = std::size_t{0}](double sum, double rank) mutable {
                                      return sum + rank * distinct.copies[i++];
                                  }),
                  static_cast<double>(drawn) * (static_cast<double>(drawn) + 1) / 2)
            << drawn;
    }
}

} // namespace
} // namespace tulo::sensitivity
