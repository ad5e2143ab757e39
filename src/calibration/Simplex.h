#pragma once
// The searches of the automatic calibration: the downhill simplex, the single search from the user's
// initial values, repeated searches from many starting simplexes (in parallel, each search on a run state
// of its own) and the genetic simplex that breeds the starting simplexes of each generation from the
// final vertices of the last.

#include "calibration/Objective.h"
#include "calibration/Random.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

using Point = std::vector<double>;

// ndim + 1 vertices and their objective values.
struct Simplex {
    std::vector<Point> p;
    std::vector<double> y;
};

// Receives the trace lines of a search ("hyperspace.dat"), each without its line break.
using TraceSink = std::function<void(std::string_view line)>;

// The objective of a trial point.
using TrialFunction = std::function<TrialResult(std::span<const double> x)>;
// The objectives of independent points at once (a starting simplex, the vertices of a shrink), in their
// order; a caller may evaluate them on several workers.
using BatchFunction = std::function<void(std::span<const Point> points, std::span<double> objectives)>;

struct DownhillSimplexOptions {
    double ftol = 0.0001;
    int itmax = 0;                              // 0: 500
    bool withLai = false;                       // the trace adds the LAI index
    const TraceSink* trace = nullptr;           // a line after every contraction trial
    const std::atomic<bool>* stop = nullptr;    // polled before every pass
    const BatchFunction* batch = nullptr;       // the shrink's vertices at once; otherwise one by one
    const CalibrationProblem* report = nullptr; // told of every contraction trial (ReportContraction)
    bool* converged = nullptr;                  // set: whether the search met its tolerance
};

// Minimises in place from a simplex whose vertices are all evaluated; returns the passes made.
int DownhillSimplex(Simplex& simplex, const TrialFunction& evaluate, const DownhillSimplexOptions& options);

// The trace line of a contraction point: its coordinates and the index, each followed by a comma but the
// last ("2.7,9.1,12.5").
std::string TraceLine(std::span<const double> point, double index);

// The starting simplex around the initial values. Two and three keep the windows' own shapes; any other
// number of parameters starts from the initial point and one vertex beside it along each parameter, as
// far as the two-parameter simplex reaches (sqrt(3)/8 of the value, or of the range when the value is 0).
std::vector<Point> StartingSimplex(std::span<const double> initial,
                                   std::span<const CalibratedParameter> ranges = {});

struct CalibrationOutcome {
    Problems problems;    // the search was refused; nothing else is set
    bool failed = false;  // no point inside the ranges was ever evaluated: nothing to write
    bool stopped = false; // stopped by the caller; the values are the best point found so far
    // The search met its tolerance (and so did every nested search of a data set's own values at the
    // result) before its budget of passes ran out; otherwise it stopped short of the minimum.
    bool converged = false;
    std::vector<double> values;         // as found
    std::vector<double> rounded;        // as written back (RoundCalibrated)
    double objective = kOutsidePenalty; // of the point found
    std::int64_t runs = 0;              // model runs
    std::int64_t seed = -1;             // of the random numbers, when the search drew any
};

// One search from the starting simplex around the initial values (500 passes at most); the result is
// the mean of the final vertices. A data set's own parameters (those with a data set) are searched
// nested, for each data set alone at every trial point of the shared ones, so the search of the shared
// ones keeps its dimensions whatever the number of data sets; the genetic search does the same.
CalibrationOutcome SearchFromInitialValues(const CalibrationProblem& problem, std::span<const double> initial,
                                           const TraceSink& trace = {});

// The table of repeated searches, one row per vertex: column 0 the search (1-based), columns 1..ndim the
// vertex, column ndim + 1 its objective, column ndim + 2 the passes of the search.
using Population = std::vector<std::vector<double>>;

struct BestPoint {
    double y = kOutsidePenalty;
    Point p;
    bool converged = false; // the search that found it met its tolerance
};

inline constexpr int kMaxSimplexes = 1000;

// `runs` searches; with `givenStarts` search s starts from rows (s - 1)(ndim + 1) .. s(ndim + 1) - 1 of
// the table, otherwise from vertices drawn in the ranges, all drawn before any search starts so that the
// searches may run in any order on any number of workers. The final vertices are written over the rows
// of their search; the best is the first row with the smallest objective. Trace lines reach the sink in
// the order of the searches, a search's as soon as every earlier search is done (from any worker, one
// call at a time). More than 1000 searches are refused.
struct MultipleStartResult {
    Problems problems;
    BestPoint best;
};
MultipleStartResult MultipleStart(const CalibrationProblem& problem, int runs, Population& population,
                                  bool givenStarts, ShuffledCongruentialRandom& random, int itmax,
                                  const TraceSink& trace = {});

// Sorts rows first .. last (0-based, inclusive) by one column, ascending or descending (Shell's sort).
void ShellSortRows(Population& table, int first, int last, int keyColumn, bool ascending);

// The sizes of the next generation: its rows (a multiple of ndim + 1), its simplexes (at least one) and
// its iteration budget (1 .. 1,000,000).
struct GenerationSize {
    int rows = 0;
    int simplexes = 0;
    int iterations = 0;
};
GenerationSize NextGenerationSize(int ndim, int simplexes, int iterations, double reduction, double increase);

// Breeds the next table of starting vertices from the first `previousRows` rows of the last population
// (sorted here, best first): `size.rows` rows, of which the first size.simplexes x (ndim + 1) start
// searches.
Population GenerationStep(const CalibrationProblem& problem, Population& previous, int previousRows,
                          const GenerationSize& size, double randomShare, ShuffledCongruentialRandom& random);

struct GeneticSettings {
    int simplexes = 10;     // in the first generation, 1 .. 1000
    int iterations = 100;   // the passes of each search in the first generation
    int generations = 3;    // after the first
    double reduction = 0.5; // share of the rows kept for the next generation, (0, 1]
    double increase = 1.5;  // factor on the iteration budget after each generation
    double randomShare = 0; // share of the next generation's starting vertices drawn at random, [0, 1]
};

Problems CheckGeneticSettings(const GeneticSettings& settings);

// The genetic simplex; reports the best point of all generations.
CalibrationOutcome GeneticSearch(const CalibrationProblem& problem, std::span<const double> initial,
                                 const GeneticSettings& settings, std::int64_t seed,
                                 const TraceSink& trace = {});

} // namespace tulo
