#include "calibration/Simplex.h"

#include "base/Numbers.h"
#include "engine/ParallelSeasons.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

namespace tulo {

namespace {

constexpr double ALPHA = 1.0, BETA = 0.5, GAMMA = 2.0;
constexpr int kDefaultPasses = 500;
constexpr int kMaxIterations = 1'000'000;

// A number of the trace: the general form with 15 significant digits (printf's %.15g), as the trace
// always had.
char* WriteTraceNumber(char* out, double value) {
    return WriteSignificant(out, value, 15);
}

int Rounded(double value) {
    return static_cast<int>(std::nearbyint(value)); // halves to even
}

// Evaluates independent points on up to the problem's number of workers, each with a run state of its own
// kept from one call to the next. Every trial starts from a cleared state, so the objectives are those of
// one worker evaluating the points in order.
class ParallelTrials {
public:
    explicit ParallelTrials(const CalibrationProblem& problem)
        : problem_(problem), workers_(problem.control().threads) {}

    void operator()(std::span<const Point> points, std::span<double> y) {
        workers_.Run(points.size(), [&](std::size_t i, RunState& run) {
            y[i] = EvaluateTrial(problem_, points[i], run).objective;
        });
    }

private:
    const CalibrationProblem& problem_;
    ParallelSeasons workers_;
};

CalibrationOutcome Finish(const CalibrationProblem& problem, Point values, double bestY,
                          std::int64_t runsBefore, bool converged, RunState& run) {
    CalibrationOutcome outcome;
    outcome.stopped = problem.StopRequested();
    outcome.converged = converged && !outcome.stopped;
    outcome.failed = !(bestY < kOutsidePenalty);
    if (!outcome.failed) {
        outcome.values = std::move(values);
        for (const double v : outcome.values) outcome.rounded.push_back(RoundCalibrated(v));
        // The objective of the values written back, unless rounding put them on a range's edge.
        const TrialResult written = EvaluateTrial(problem, outcome.rounded, run);
        outcome.objective = written.evaluated ? written.objective : bestY;
    }
    outcome.runs = problem.runs() - runsBefore;
    return outcome;
}

} // namespace

std::string TraceLine(std::span<const double> point, double index) {
    std::string line;
    line.reserve((point.size() + 1) * (kNumberTextChars + 1));
    char text[kNumberTextChars];
    for (const double x : point) {
        line.append(text, WriteTraceNumber(text, x));
        line += ',';
    }
    line.append(text, WriteTraceNumber(text, index));
    return line;
}

namespace {

// The vertices a pass works on: the lowest (best), the highest (worst) and the next-highest.
struct Ranking {
    std::size_t lo = 0, hi = 0, nextHi = 0;
};

Ranking RankVertices(const std::vector<double>& y) {
    Ranking r;
    if (y[0] > y[1])
        r.hi = 0, r.nextHi = 1;
    else
        r.hi = 1, r.nextHi = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        if (y[i] < y[r.lo]) r.lo = i;
        if (y[i] > y[r.hi]) {
            r.nextHi = r.hi;
            r.hi = i;
        } else if (y[i] > y[r.nextHi] && i != r.hi) {
            r.nextHi = i;
        }
    }
    return r;
}

// One search: the simplex, how its points are evaluated, and the points a pass tries.
struct DownhillPass {
    Simplex& s;
    const TrialFunction& evaluate;
    const DownhillSimplexOptions& options;
    Point pbar, pr, prr; // the centroid of all vertices but the highest, the reflected and a second trial

    void Replace(std::size_t vertex, const Point& point, double y) {
        s.p[vertex] = point;
        s.y[vertex] = y;
    }

    // The centroid of every vertex but the highest, and the highest reflected through it.
    double Reflect(const Ranking& r) {
        const std::size_t ndim = pbar.size();
        for (std::size_t j = 0; j < ndim; ++j) {
            double sum = 0;
            for (std::size_t i = 0; i < s.p.size(); ++i)
                if (i != r.hi) sum += s.p[i][j];
            pbar[j] = sum / static_cast<double>(ndim);
        }
        for (std::size_t j = 0; j < ndim; ++j) pr[j] = (1.0 + ALPHA) * pbar[j] - ALPHA * s.p[r.hi][j];
        return evaluate(pr).objective;
    }

    // The reflection beat the best vertex: try twice as far.
    void Expand(const Ranking& r, double ypr) {
        for (std::size_t j = 0; j < pbar.size(); ++j) prr[j] = GAMMA * pr[j] + (1.0 - GAMMA) * pbar[j];
        const double yprr = evaluate(prr).objective;
        if (yprr < s.y[r.lo])
            Replace(r.hi, prr, yprr);
        else
            Replace(r.hi, pr, ypr);
    }

    // The reflection is still the worst but one at best: try halfway towards the centroid, and shrink
    // every vertex towards the best when that fails too.
    void Contract(const Ranking& r, double ypr) {
        if (ypr < s.y[r.hi]) Replace(r.hi, pr, ypr);
        for (std::size_t j = 0; j < pbar.size(); ++j) prr[j] = BETA * s.p[r.hi][j] + (1.0 - BETA) * pbar[j];
        const TrialResult contracted = evaluate(prr);
        if (options.trace && *options.trace)
            (*options.trace)(TraceLine(prr, options.withLai ? contracted.agbIndex + contracted.laiIndex
                                                            : contracted.agbIndex));
        if (options.report) options.report->ReportContraction(contracted);
        if (contracted.objective < s.y[r.hi])
            Replace(r.hi, prr, contracted.objective);
        else
            Shrink(r.lo);
    }

    void Shrink(std::size_t lo) {
        const std::size_t mpts = s.p.size();
        for (std::size_t i = 0; i < mpts; ++i) {
            if (i == lo) continue;
            for (std::size_t j = 0; j < pbar.size(); ++j) s.p[i][j] = 0.5 * (s.p[i][j] + s.p[lo][j]);
            if (!options.batch) s.y[i] = evaluate(s.p[i]).objective;
        }
        if (!options.batch) return;
        // Every vertex but the lowest moves, each independent of the others.
        std::vector<Point> moved;
        for (std::size_t i = 0; i < mpts; ++i)
            if (i != lo) moved.push_back(s.p[i]);
        std::vector<double> y(moved.size());
        (*options.batch)(moved, y);
        for (std::size_t i = 0, k = 0; i < mpts; ++i)
            if (i != lo) s.y[i] = y[k++];
    }

    void Step(const Ranking& r) {
        const double ypr = Reflect(r);
        if (ypr <= s.y[r.lo])
            Expand(r, ypr);
        else if (ypr >= s.y[r.nextHi])
            Contract(r, ypr);
        else
            Replace(r.hi, pr, ypr);
    }
};

} // namespace

int DownhillSimplex(Simplex& s, const TrialFunction& evaluate, const DownhillSimplexOptions& options) {
    const std::size_t ndim = s.p.size() - 1;
    const int itmax = options.itmax == 0 ? kDefaultPasses : options.itmax;
    DownhillPass pass{s, evaluate, options, Point(ndim), Point(ndim), Point(ndim)};
    for (int iterations = 0;; ++iterations) {
        const Ranking r = RankVertices(s.y);
        // Relative, but absolute near zero thanks to the 1 in the denominator.
        const double rtol =
            2.0 * std::fabs(s.y[r.hi] - s.y[r.lo]) / (std::fabs(s.y[r.hi]) + std::fabs(s.y[r.lo]) + 1.0);
        if (options.converged) *options.converged = rtol < options.ftol;
        if (rtol < options.ftol || iterations >= itmax) return iterations;
        if (options.stop && options.stop->load(std::memory_order_relaxed)) return iterations;
        pass.Step(r);
    }
}

std::vector<Point> StartingSimplex(std::span<const double> x, std::span<const CalibratedParameter> ranges) {
    if (x.empty()) return {};
    if (x.size() != 2 && x.size() != 3) {
        std::vector<Point> simplex(x.size() + 1, Point(x.begin(), x.end()));
        for (std::size_t j = 0; j < x.size(); ++j) {
            // A zero value would give a flat simplex, which never leaves its hyperplane.
            const double scale = x[j] != 0 || j >= ranges.size() ? x[j] : ranges[j].max - ranges[j].min;
            simplex[j + 1][j] += (scale != 0 ? scale : 1.0) * std::sqrt(3.0) / 8.0;
        }
        return simplex;
    }
    const double e1 = x[0] * std::sqrt(3.0) / 8.0, e2 = x[1] * std::sqrt(3.0) / 8.0;
    if (x.size() == 2) return {{x[0], x[1]}, {x[0], x[1] - e2}, {x[0] + e1, x[1] + e2}};
    const double d3 = x[2] * std::sqrt(6.0) / 48.0;
    return {{x[0], x[1], x[2] + d3},
            {x[0], x[1] - e2, x[2] - d3},
            {x[0] + e1, x[1] + e2, x[2] - d3},
            {x[0] - e1, x[1] + e2, x[2] - d3}};
}

namespace {

CalibrationOutcome FlatSearch(const CalibrationProblem& problem, std::span<const double> initial,
                              const TraceSink& trace) {
    CalibrationOutcome outcome;
    outcome.problems = CheckCalibration(problem, initial);
    if (!outcome.problems.empty()) return outcome;
    const std::int64_t runsBefore = problem.runs();
    auto run = std::make_unique<RunState>();
    const TrialFunction evaluate = [&](std::span<const double> x) { return EvaluateTrial(problem, x, *run); };
    ParallelTrials trials(problem);
    const BatchFunction batch = [&](std::span<const Point> points, std::span<double> y) {
        trials(points, y);
    };
    Simplex simplex{StartingSimplex(initial, problem.settings().parameters), {}};
    simplex.y.resize(simplex.p.size());
    batch(simplex.p, simplex.y);
    bool converged = false;
    DownhillSimplex(simplex, evaluate,
                    {0.0001, 0, problem.settings().withLai, &trace, problem.control().stop, &batch, &problem,
                     &converged});

    const auto best =
        static_cast<std::size_t>(std::min_element(simplex.y.begin(), simplex.y.end()) - simplex.y.begin());
    Point values(initial.size(), 0.0);
    if (problem.StopRequested()) {
        // A stopped search may have shrunk vertices it never evaluated: keep the best one it did.
        values = simplex.p[best];
    } else {
        for (const Point& vertex : simplex.p)
            for (std::size_t j = 0; j < values.size(); ++j)
                values[j] += vertex[j] / static_cast<double>(simplex.p.size());
    }
    return Finish(problem, std::move(values), simplex.y[best], runsBefore, converged, *run);
}

} // namespace

namespace {

// Hands each search's trace lines to the sink in the order of the searches, as soon as every earlier
// search is done, so that a generation holds only the lines of the searches that finished out of turn.
class OrderedTraces {
public:
    OrderedTraces(std::size_t searches, const TraceSink& sink)
        : sink_(sink), lines_(searches), finished_(searches, false) {}

    // The sink of search `s`'s own lines, for its worker alone.
    TraceSink For(std::size_t s) {
        return [this, s](std::string_view line) { lines_[s].emplace_back(line); };
    }

    void Finished(std::size_t s) {
        const std::lock_guard lock(order_);
        finished_[s] = true;
        for (; handedOver_ < lines_.size() && finished_[handedOver_]; ++handedOver_) {
            for (const std::string& line : lines_[handedOver_]) sink_(line);
            std::vector<std::string>().swap(lines_[handedOver_]);
        }
    }

private:
    const TraceSink& sink_;
    std::vector<std::vector<std::string>> lines_;
    std::vector<bool> finished_;
    std::size_t handedOver_ = 0;
    std::mutex order_;
};

// Search `s` of the table: from its rows' vertices to its final ones, written over the same rows with the
// search's number and passes.
bool SearchFromRows(const CalibrationProblem& problem, Population& population, std::size_t s, int itmax,
                    const TraceSink* trace, RunState& run) {
    const int ndim = problem.ndim();
    const auto d = static_cast<std::size_t>(ndim + 1);
    const TrialFunction evaluate = [&](std::span<const double> x) { return EvaluateTrial(problem, x, run); };
    Simplex simplex;
    for (std::size_t i = 0; i < d; ++i) {
        const auto& row = population[s * d + i];
        simplex.p.emplace_back(row.begin() + 1, row.begin() + 1 + ndim);
        simplex.y.push_back(evaluate(simplex.p.back()).objective);
    }
    bool converged = false;
    const int iterations = DownhillSimplex(simplex, evaluate,
                                           {0.0001, itmax, problem.settings().withLai, trace,
                                            problem.control().stop, nullptr, &problem, &converged});
    for (std::size_t i = 0; i < d; ++i) {
        auto& row = population[s * d + i];
        row[0] = static_cast<double>(s + 1);
        std::copy(simplex.p[i].begin(), simplex.p[i].end(), row.begin() + 1);
        row[d] = simplex.y[i];
        row[d + 1] = iterations;
    }
    return converged;
}

} // namespace

MultipleStartResult MultipleStart(const CalibrationProblem& problem, int runs, Population& population,
                                  bool givenStarts, ShuffledCongruentialRandom& random, int itmax,
                                  const TraceSink& trace) {
    MultipleStartResult result;
    if (runs > kMaxSimplexes) {
        result.problems.push_back({"simplexes", 0, 0, "too many simplex, 1000 is the maximum"});
        return result;
    }
    if (runs < 1) return result;
    const int ndim = problem.ndim();
    const auto d = static_cast<std::size_t>(ndim + 1);
    const auto count = static_cast<std::size_t>(runs);
    const auto& ranges = problem.settings().parameters;
    if (population.size() < count * d) population.resize(count * d);
    for (auto& row : population) row.resize(d + 2, 0.0);
    // Every random start is drawn here, in the order of the searches, so that the searches may then run
    // in any order and the table is the same on any number of workers.
    if (!givenStarts)
        for (std::size_t r = 0; r < count * d; ++r)
            for (std::size_t j = 0; j < static_cast<std::size_t>(ndim); ++j)
                population[r][1 + j] = RandomInRange(random, ranges[j].min, ranges[j].max);

    OrderedTraces traces(count, trace);
    std::vector<char> converged(count, 0);
    ForEachSeason(count, problem.control().threads, [&](std::size_t s, RunState& run) {
        const TraceSink sink = traces.For(s);
        converged[s] = SearchFromRows(problem, population, s, itmax, trace ? &sink : nullptr, run) ? 1 : 0;
        if (trace) traces.Finished(s);
    });
    for (std::size_t r = 0; r < count * d; ++r)
        if (population[r][d] < result.best.y)
            result.best = {population[r][d],
                           Point(population[r].begin() + 1, population[r].begin() + 1 + ndim),
                           converged[r / d] != 0};
    return result;
}

void ShellSortRows(Population& table, int first, int last, int keyColumn, bool ascending) {
    const int n = last - first + 1;
    if (n < 2) return;
    const auto key = static_cast<std::size_t>(keyColumn);
    const auto before = [&](const std::vector<double>& a, const std::vector<double>& b) {
        return ascending ? a[key] > b[key] : a[key] < b[key];
    };
    int h = 1;
    do h = 3 * h + 1;
    while (h <= n);
    do {
        h /= 3;
        for (int i = h; i < n; ++i) {
            std::vector<double> v = std::move(table[static_cast<std::size_t>(first + i)]);
            int j = i;
            while (j >= h && before(table[static_cast<std::size_t>(first + j - h)], v)) {
                table[static_cast<std::size_t>(first + j)] =
                    std::move(table[static_cast<std::size_t>(first + j - h)]);
                j -= h;
            }
            table[static_cast<std::size_t>(first + j)] = std::move(v);
        }
    } while (h > 1);
}

GenerationSize NextGenerationSize(int ndim, int simplexes, int iterations, double reduction,
                                  double increase) {
    const int d = ndim + 1;
    GenerationSize next;
    next.rows = Rounded(d * simplexes * reduction);
    // A generation of no simplex would end the search with nothing to breed from.
    next.simplexes = std::max(1, Rounded(static_cast<double>(next.rows) / d));
    next.iterations =
        static_cast<int>(std::clamp(std::nearbyint(iterations * increase), 1.0, double{kMaxIterations}));
    while (next.rows % d != 0) ++next.rows;
    next.rows = std::max(next.rows, next.simplexes * d);
    return next;
}

// Where "% of random choices" enters: after selection and filling, that share of the rows that start
// the next generation's searches (the last ones, copies of the weaker rows) is replaced by vertices drawn
// uniformly in the ranges, before the mixing spreads them over the simplexes. The selection and the
// mixing keep their own rules, so a share of 0 breeds exactly as before.
Population GenerationStep(const CalibrationProblem& problem, Population& previous, int previousRows,
                          const GenerationSize& size, double randomShare,
                          ShuffledCongruentialRandom& random) {
    const int ndim = problem.ndim();
    const auto& ranges = problem.settings().parameters;
    const int M = std::min(previousRows, static_cast<int>(previous.size()));
    const auto wanted = static_cast<std::size_t>(size.rows);
    ShellSortRows(previous, 0, M - 1, ndim + 1, true);

    Population next;
    std::vector<std::size_t> rejected;
    for (int i = 1; i <= M && next.size() < wanted; ++i) {
        const double r = random();
        // The better a row, the likelier it is kept: row i with probability 1 - (i + 0.5) / M.
        if ((i + 0.5) / M < r)
            next.push_back(previous[static_cast<std::size_t>(i - 1)]);
        else
            rejected.push_back(static_cast<std::size_t>(i - 1));
    }
    while (next.size() < wanted) {
        if (rejected.empty()) {
            next.push_back(previous.front());
            continue;
        }
        // 1 + the integer part of R x a number below 1: every rejected row, the last included.
        const auto j = static_cast<std::size_t>(static_cast<double>(rejected.size()) * random());
        next.push_back(previous[rejected[std::min(j, rejected.size() - 1)]]);
    }
    const auto used =
        std::min(wanted, static_cast<std::size_t>(size.simplexes) * static_cast<std::size_t>(ndim + 1));
    const auto drawn = static_cast<std::size_t>(
        std::clamp(Rounded(randomShare * static_cast<double>(used)), 0, static_cast<int>(used)));
    for (std::size_t r = used - drawn; r < used; ++r) {
        for (std::size_t j = 0; j < static_cast<std::size_t>(ndim); ++j)
            next[r][1 + j] = RandomInRange(random, ranges[j].min, ranges[j].max);
        next[r][static_cast<std::size_t>(ndim) + 1] = kOutsidePenalty;
        next[r][static_cast<std::size_t>(ndim) + 2] = 0;
    }
    // Swapping rows exchanges vertices between the simplexes that consecutive groups of rows form.
    for (int k = 0; k < size.rows / 5; ++k) {
        const int a = Rounded(RandomInRange(random, 1, size.rows));
        const int b = Rounded(RandomInRange(random, 1, size.rows));
        std::swap(next[static_cast<std::size_t>(a - 1)], next[static_cast<std::size_t>(b - 1)]);
    }
    return next;
}

Problems CheckGeneticSettings(const GeneticSettings& g) {
    Problems problems;
    const auto add = [&](std::string text) { problems.push_back({"genetic", 0, 0, std::move(text)}); };
    if (g.simplexes > kMaxSimplexes) add("Too many simplexes, 1000 is the maximum");
    if (g.simplexes < 1) add("Initial number of simplexes: at least 1.");
    if (g.iterations < 1 || g.iterations > kMaxIterations) add("Number of iterations: 1 to 1000000.");
    if (g.generations < 0) add("Number of generations: at least 0.");
    if (!(g.reduction > 0 && g.reduction <= 1)) add("Reduction factor: above 0 and at most 1.");
    if (!(g.increase > 0) || !std::isfinite(g.increase)) add("Iteration increase: a factor above 0.");
    if (!(g.randomShare >= 0 && g.randomShare <= 1)) add("Random choices: a share from 0 to 1.");
    return problems;
}

namespace {

CalibrationOutcome FlatGenetic(const CalibrationProblem& problem, std::span<const double> initial,
                               const GeneticSettings& settings, std::int64_t seed, const TraceSink& trace) {
    CalibrationOutcome outcome;
    outcome.problems = CheckCalibration(problem, initial);
    for (InputProblem& p : CheckGeneticSettings(settings)) outcome.problems.push_back(std::move(p));
    if (!outcome.problems.empty()) return outcome;
    const std::int64_t runsBefore = problem.runs();
    ShuffledCongruentialRandom random(seed);
    const int d = problem.ndim() + 1;
    int simplexes = settings.simplexes, iterations = settings.iterations;
    Population population;
    MultipleStartResult generation =
        MultipleStart(problem, simplexes, population, false, random, iterations, trace);
    // The best of every generation: the selection may drop the best row, and each search's best restarts.
    BestPoint best = generation.best;
    for (int g = 1; g <= settings.generations && !problem.StopRequested(); ++g) {
        const GenerationSize size =
            NextGenerationSize(problem.ndim(), simplexes, iterations, settings.reduction, settings.increase);
        Population next =
            GenerationStep(problem, population, simplexes * d, size, settings.randomShare, random);
        simplexes = size.simplexes;
        iterations = size.iterations;
        generation = MultipleStart(problem, simplexes, next, true, random, iterations, trace);
        if (generation.best.y < best.y) best = generation.best;
        population = std::move(next);
    }
    auto run = std::make_unique<RunState>();
    outcome = Finish(problem, best.p, best.y, runsBefore, best.converged, *run);
    outcome.seed = random.seed();
    return outcome;
}

bool HasOwnParameters(const CalibrationProblem& problem) {
    const auto& parameters = problem.settings().parameters;
    return std::any_of(parameters.begin(), parameters.end(),
                       [](const CalibratedParameter& p) { return p.dataSet >= 0; });
}

// The search of the shared parameters alone, each data set's own values searched nested at every trial
// (see CalibrationSettings::nested); the outcome holds every value in the order of the problem's
// parameters, and the objective of the values written back as the problem evaluates them.
using OuterSearch =
    std::function<CalibrationOutcome(const CalibrationProblem& outer, std::span<const double> initial)>;

CalibrationOutcome NestedSearch(const CalibrationProblem& problem, std::span<const double> initial,
                                const OuterSearch& search) {
    CalibrationOutcome outcome;
    outcome.problems = CheckCalibration(problem, initial);
    if (!outcome.problems.empty()) return outcome;
    const std::int64_t runsBefore = problem.runs();
    CalibrationSettings settings = problem.settings();
    settings.parameters.clear();
    std::vector<double> sharedInitial;
    std::vector<std::size_t> sharedAt, nestedAt; // where each lies among the problem's parameters
    for (std::size_t k = 0; k < problem.settings().parameters.size(); ++k) {
        const CalibratedParameter& p = problem.settings().parameters[k];
        if (p.dataSet < 0) {
            settings.parameters.push_back(p);
            sharedInitial.push_back(initial[k]);
            sharedAt.push_back(k);
        } else {
            settings.nested.push_back(p);
            settings.nestedInitial.push_back(initial[k]);
            nestedAt.push_back(k);
        }
    }
    std::vector<CalibrationDataSet> dataSets(problem.dataSets().begin(), problem.dataSets().end());
    const CalibrationProblem outer(std::move(settings), std::move(dataSets), problem.control());
    auto run = std::make_unique<RunState>();
    CalibrationOutcome found;
    if (sharedAt.empty()) {
        // Nothing shared: each data set's own search is the whole search.
        found.converged = true;
        found.objective = kOutsidePenalty;
    } else {
        found = search(outer, sharedInitial);
        if (!found.problems.empty() || found.failed) {
            found.runs = outer.runs();
            return found;
        }
    }
    // Each data set's own values given the shared ones written back, also after a stop.
    SearchControl unstoppable = problem.control();
    unstoppable.stop = nullptr;
    const CalibrationProblem last(
        outer.settings(), std::vector<CalibrationDataSet>(outer.dataSets().begin(), outer.dataSets().end()),
        std::move(unstoppable));
    const TrialResult nested = EvaluateTrial(last, found.rounded, *run);
    if (!nested.evaluated) {
        found.failed = true;
        found.runs = outer.runs();
        found.stopped = problem.StopRequested();
        return found;
    }
    Point values(initial.size(), 0.0);
    for (std::size_t j = 0; j < sharedAt.size(); ++j) values[sharedAt[j]] = found.values[j];
    for (std::size_t j = 0; j < nestedAt.size(); ++j) values[nestedAt[j]] = nested.nestedValues[j];
    const bool converged = found.converged && nested.nestedConverged;
    outcome = Finish(problem, std::move(values), nested.objective, runsBefore, converged, *run);
    outcome.runs += outer.runs() + last.runs();
    outcome.stopped = outcome.stopped || found.stopped;
    outcome.converged = outcome.converged && !outcome.stopped;
    outcome.seed = found.seed;
    return outcome;
}

} // namespace

CalibrationOutcome SearchFromInitialValues(const CalibrationProblem& problem, std::span<const double> initial,
                                           const TraceSink& trace) {
    if (!HasOwnParameters(problem)) return FlatSearch(problem, initial, trace);
    return NestedSearch(problem, initial, [&](const CalibrationProblem& outer, std::span<const double> x) {
        return FlatSearch(outer, x, trace);
    });
}

CalibrationOutcome GeneticSearch(const CalibrationProblem& problem, std::span<const double> initial,
                                 const GeneticSettings& settings, std::int64_t seed, const TraceSink& trace) {
    if (!HasOwnParameters(problem)) return FlatGenetic(problem, initial, settings, seed, trace);
    Problems refused = CheckGeneticSettings(settings);
    if (!refused.empty()) {
        CalibrationOutcome outcome;
        outcome.problems = CheckCalibration(problem, initial);
        for (InputProblem& p : refused) outcome.problems.push_back(std::move(p));
        return outcome;
    }
    return NestedSearch(problem, initial, [&](const CalibrationProblem& outer, std::span<const double> x) {
        return FlatGenetic(outer, x, settings, seed, trace);
    });
}

} // namespace tulo
