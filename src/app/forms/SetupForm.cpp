#include "forms/SetupForm.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "forms/SpreadsheetCommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tulo::sensitivity {

namespace {

constexpr std::string_view kDistributions[] = {"normal", "uniform", "constant"};
constexpr std::string_view kFastComputations[] = {"Classic", "Extended"};
constexpr std::string_view kSobolComputations[] = {"total", "custom"};
constexpr std::string_view kSobolOrders[] = {"first", "second", "third"};

bool Numeric(std::string_view text) {
    return ParseNumber(text).has_value();
}

bool Listed(std::span<const std::string_view> list, std::string_view text) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

std::string Joined(std::initializer_list<std::string_view> pieces) {
    std::string line;
    for (const std::string_view piece : pieces) {
        if (!line.empty()) line += ' ';
        line += Trim(piece);
    }
    return line;
}

// The Sobol' m: the base rows are 2^(m + 5) and a "total" design runs them k + 1 times, a "custom" one k
// times. Left as a real number: executions that are no such product give a fractional m, which the tool
// refuses in its own words.
std::string SobolExponent(double executions, int ticked, bool custom) {
    const double m = std::log2(executions / (custom ? ticked : ticked + 1)) - 5;
    return FormatSignificant(m == 0 ? 0.0 : m, 15);
}

Message Refuse(std::string text, std::string_view title = kCheckTitle, Icon icon = Icon::None) {
    return {std::move(text), std::string(title), icon};
}

} // namespace

std::span<const std::string_view> DistributionNames() {
    return kDistributions;
}
std::span<const std::string_view> FastComputations() {
    return kFastComputations;
}
std::span<const std::string_view> SobolComputations() {
    return kSobolComputations;
}
std::span<const std::string_view> SobolOrders() {
    return kSobolOrders;
}

std::vector<std::string> MorrisTrajectories() {
    std::vector<std::string> list;
    for (int t = 4; t <= 10; ++t) list.push_back(std::to_string(t));
    return list;
}

std::vector<std::string> MorrisLevels() {
    return {"4", "6", "8"};
}

std::vector<std::string> LpTauExecutions() {
    std::vector<std::string> list;
    for (int i = 0; i <= 16; ++i) list.push_back(std::to_string(16L << i));
    return list;
}

std::vector<std::string> SobolExecutions(int ticked, std::string_view computation) {
    const int blocks = computation == "total" ? ticked + 1 : computation == "custom" ? ticked : -1;
    std::vector<std::string> list;
    if (blocks < 0) return list;
    for (int i = 0; i < 8; ++i) list.push_back(std::to_string((32L << i) * blocks));
    return list;
}

SetupForm::SetupForm() {
    for (const ParameterFactor& factor : GrowthFactors()) {
        GrowthRow& row = rows.at(static_cast<std::size_t>(factor.row));
        row.mean = factor.mean;
        row.sd = factor.sd;
    }
    sobolExecutions = SobolExecutions(ticked(), sobolComputation).front();
}

int SetupForm::ticked() const {
    return static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [](const GrowthRow& r) { return r.used; }));
}

void SetupForm::selectAll() {
    for (GrowthRow& row : rows) row.used = true;
}

namespace {

// The rows' checks: every count over the whole page must be positive, then every ticked row complete.
// `otherDistribution` tells of a ticked row of another listed distribution than the normal.
bool RowsComplete(const SetupForm& form, bool& otherDistribution) {
    int ticked = 0, distributions = 0, means = 0, sds = 0, errors = 0;
    otherDistribution = false;
    for (const GrowthRow& row : form.rows) {
        ticked += row.used;
        distributions += Listed(kDistributions, row.distribution);
        means += Numeric(row.mean);
        sds += Numeric(row.sd);
        if (!row.used) continue;
        errors += row.distribution != "normal" || !Numeric(row.mean) || !Numeric(row.sd);
        otherDistribution =
            otherDistribution || row.distribution == "constant" || row.distribution == "uniform";
    }
    return ticked > 0 && distributions > 0 && means > 0 && sds > 0 && errors == 0;
}

// The settings of the chosen method must be numbers (a list text typed over included).
bool SettingsComplete(const SetupForm& form) {
    const std::string& method = form.method;
    if (method == "Morris method")
        return Numeric(form.morrisSeed) && Numeric(form.morrisTrajectories) && Numeric(form.morrisLevels);
    if (method == "Sobol method" && (form.sobolComputation == "total" || form.sobolComputation == "custom"))
        return Numeric(form.sobolExecutions) &&
               (form.sobolComputation == "total" || !Trim(form.sobolOrder).empty());
    if (method == "FAST")
        return Listed(kFastComputations, form.fastComputation) && Numeric(form.fastSeed) &&
               Numeric(form.fastExecutions);
    if (method == "Latin hypercube sampling") return Numeric(form.lhsSeed) && Numeric(form.lhsExecutions);
    if (method == "Random") return Numeric(form.randomSeed) && Numeric(form.randomExecutions);
    if (method == "Quasi-Random LpTau") return Numeric(form.lptauExecutions);
    return true;
}

// The Sobol' method line ("1 3", "3 3 2"), or the refusal of a list text typed over.
std::variant<Message, std::string> SobolMethodLine(const SetupForm& form, int ticked) {
    const bool custom = form.sobolComputation == "custom";
    if (!custom && form.sobolComputation != "total")
        return Refuse("You have specified an invalid string in the <Method computation> combo box", "TULO",
                      Icon::Critical);
    const std::string m = SobolExponent(*ParseNumber(form.sobolExecutions), ticked, custom);
    if (!custom) return Joined({"1", m});
    const auto order = std::find(std::begin(kSobolOrders), std::end(kSobolOrders), form.sobolOrder);
    if (order == std::end(kSobolOrders))
        return Refuse("You have specified an invalid stringa in the <Order of infices calc.> combo box",
                      "TULO", Icon::Critical);
    return Joined({"3", m, std::to_string(order - std::begin(kSobolOrders) + 1)});
}

// The method line of the form's method, which the checks found complete.
std::variant<Message, std::string> FormMethodLine(const SetupForm& form, int ticked) {
    const std::string& method = form.method;
    if (method == "FAST")
        return Joined({form.fastComputation == "Classic" ? "1" : "2", form.fastSeed, form.fastExecutions});
    if (method == "Latin hypercube sampling") return Joined({form.lhsSeed, form.lhsExecutions});
    if (method == "Random") return Joined({form.randomSeed, form.randomExecutions});
    if (method == "Morris method")
        return Joined({form.morrisSeed, form.morrisTrajectories, form.morrisLevels});
    if (method == "Quasi-Random LpTau") return Joined({form.lptauExecutions});
    return SobolMethodLine(form, ticked);
}

} // namespace

std::variant<Message, AnalysisRequest> CheckSetup(const SetupForm& form) {
    bool otherDistribution = false;
    const bool rowsComplete = RowsComplete(form, otherDistribution);
    if (otherDistribution)
        return Refuse("Only normal distributions are allowed in this version of TULO", kCheckTitle,
                      Icon::Information);
    const auto& methods = MethodNames();
    if (std::none_of(methods.begin(), methods.end(),
                     [&](const MethodName& m) { return m.text == form.method; }))
        return Refuse("Only Morris, Sobol, FAST, Latin hypercube, Quasi-Random LpTau, and Random methods are "
                      "allowed in this version of TULO",
                      {});
    const auto output = FindOutput(form.output);
    if (!rowsComplete || !SettingsComplete(form) || !output)
        return Refuse("There is something wrong with your inputs");

    AnalysisRequest request;
    request.output = *output;
    for (int r = 0; r < kGrowthFactors; ++r) {
        const GrowthRow& row = form.rows.at(static_cast<std::size_t>(r));
        if (row.used)
            request.factors.push_back({r, std::string(Trim(row.distribution)), std::string(Trim(row.mean)),
                                       std::string(Trim(row.sd))});
    }
    request.keyword = *MethodKeyword(form.method);
    auto line = FormMethodLine(form, form.ticked());
    if (auto* refusal = std::get_if<Message>(&line)) return std::move(*refusal);
    request.methodLine = std::get<std::string>(std::move(line));

    // An opened sample replaces the drawing, whatever page is in front.
    if (!form.samplePath.empty()) {
        request.openedSample = std::filesystem::path(form.samplePath);
        return request;
    }
    if (form.page == SetupPage::Development)
        return Refuse("Sensitivity analysis for development parameters to be implemented", {});
    if (form.page == SetupPage::Sterility)
        return Refuse("Sensitivity analysis for sterility parameters to be implemented", {});
    return request;
}

std::string FormatIndex(double value) {
    if (!std::isfinite(value)) return "n/a";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.5f", value);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    if (text == "-0") return "0";
    const std::size_t zero = text.front() == '-' ? 1 : 0;
    if (text.size() > zero + 1 && text.compare(zero, 2, "0.") == 0) text.erase(zero, 1);
    return text;
}

Grid IndexGrid(const IndexResults& results) {
    const std::string& i1 = results.index1Name;
    const std::string& i2 = results.index2Name;
    const std::vector<std::string> captions = {
        "Factor",         "Parameter",       i1, i2, i1 + " 95% low", i1 + " 95% high", i2 + " 95% low",
        i2 + " 95% high", "Truncated values"};
    Grid grid(static_cast<int>(results.factors.size()), static_cast<int>(captions.size()));
    for (int c = 1; c <= grid.cols(); ++c) grid.setText(0, c, captions[static_cast<std::size_t>(c - 1)]);
    const auto bound = [](const std::optional<double>& value) { return value ? FormatIndex(*value) : ""; };
    int r = 0;
    for (const FactorResult& factor : results.factors) {
        ++r;
        grid.setText(r, 1, factor.name);
        grid.setText(r, 2, factor.label);
        grid.setText(r, 3, factor.varied ? FormatIndex(factor.index1) : std::string(kNotVaried));
        grid.setText(r, 4, factor.varied ? FormatIndex(factor.index2) : std::string(kNotVaried));
        grid.setText(r, 5, bound(factor.low1));
        grid.setText(r, 6, bound(factor.high1));
        grid.setText(r, 7, bound(factor.low2));
        grid.setText(r, 8, bound(factor.high2));
        grid.setText(r, 9, std::to_string(factor.truncated));
    }
    grid.setColumnWidth(2, 36);
    return grid;
}

Grid InteractionGrid(const IndexResults& results) {
    const std::vector<InteractionResult>& interactions = results.interactions;
    Grid grid(static_cast<int>(interactions.size()), 5);
    int c = 0;
    for (const char* caption : {"Index", "Factors", "Value", "95% low", "95% high"})
        grid.setText(0, ++c, caption);
    const auto bound = [](const std::optional<double>& v) { return v ? FormatIndex(*v) : ""; };
    for (int r = 1; r <= static_cast<int>(interactions.size()); ++r) {
        const InteractionResult& i = interactions[static_cast<std::size_t>(r - 1)];
        grid.setText(r, 1, i.indexName);
        grid.setText(r, 2, i.label);
        grid.setText(r, 3, FormatIndex(i.index));
        grid.setText(r, 4, bound(i.low));
        grid.setText(r, 5, bound(i.high));
    }
    return grid;
}

Grid ExportedResults(const Grid& indices, const Grid& interactions) {
    if (interactions.rows() == 0) return indices;
    // The captions of the interactions take a data row of their own below a blank one.
    Grid both(indices.rows() + 2 + interactions.rows(), std::max(indices.cols(), interactions.cols()));
    for (int r = 0; r <= indices.rows(); ++r)
        for (int c = 1; c <= indices.cols(); ++c) both.setText(r, c, indices.text(r, c));
    for (int c = 1; c <= indices.cols(); ++c) both.setColumnWidth(c, indices.columnWidth(c));
    const int below = indices.rows() + 2;
    for (int r = 0; r <= interactions.rows(); ++r)
        for (int c = 1; c <= interactions.cols(); ++c) both.setText(below + r, c, interactions.text(r, c));
    return both;
}

std::optional<std::filesystem::path> ExportIndexGrid(const Grid& indices, const Grid& interactions,
                                                     UserInterface& ui) {
    return SaveGridAsWorkbookTitled(ExportedResults(indices, interactions), ui, kExportTitle);
}

namespace {

std::span<const std::string_view> OutputCaptions() {
    static const std::vector<std::string_view> captions = [] {
        std::vector<std::string_view> list;
        for (const OutputChoice& choice : OutputChoices()) list.push_back(choice.caption);
        return list;
    }();
    return captions;
}

// Every setting of the form with its key, in file order.
template <class Form, class Visit> void EachSetting(Form& form, Visit&& visit) {
    for (const ParameterFactor& factor : GrowthFactors()) {
        auto& row = form.rows.at(static_cast<std::size_t>(factor.row));
        visit(factor.name + " distribution", row.distribution, DistributionNames());
        visit(factor.name + " mean", row.mean, std::span<const std::string_view>{});
        visit(factor.name + " sd", row.sd, std::span<const std::string_view>{});
    }
    const std::span<const std::string_view> any;
    visit("fast computation", form.fastComputation, FastComputations());
    visit("fast executions", form.fastExecutions, any);
    visit("fast seed", form.fastSeed, any);
    visit("lhs seed", form.lhsSeed, any);
    visit("lhs executions", form.lhsExecutions, any);
    visit("morris seed", form.morrisSeed, any);
    visit("morris trajectories", form.morrisTrajectories, any);
    visit("morris levels", form.morrisLevels, any);
    visit("lptau executions", form.lptauExecutions, any);
    visit("random executions", form.randomExecutions, any);
    visit("random seed", form.randomSeed, any);
    visit("sobol computation", form.sobolComputation, SobolComputations());
    visit("sobol order", form.sobolOrder, SobolOrders());
    visit("sobol executions", form.sobolExecutions, any);
    visit("output", form.output, OutputCaptions());
}

constexpr std::string_view kPages[] = {"Development", "Growth", "Sterility"};

// One line of a text typed in a box: line breaks would start a line of their own.
std::string OneLine(std::string_view text) {
    std::string line(Trim(text));
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

} // namespace

std::string FormatSettingsFile(const SetupForm& form) {
    std::string text = std::string(kSettingsHeader) + "\n";
    text += "page = " + std::string(kPages[static_cast<int>(form.page)]) + "\n";
    for (const ParameterFactor& factor : GrowthFactors())
        text += factor.name +
                " used = " + (form.rows.at(static_cast<std::size_t>(factor.row)).used ? "yes" : "no") + "\n";
    text += "method = " + OneLine(form.method) + "\n";
    EachSetting(form, [&](const std::string& key, const std::string& value, auto) {
        text += key + " = " + OneLine(value) + "\n";
    });
    return text;
}

namespace {

// "<where>: "<key>" must be one of <list>, not "<value>"."
std::string NotListed(const std::string& where, const std::string& key, const std::string& value,
                      std::span<const std::string_view> list) {
    std::string choices;
    for (const std::string_view item : list) choices += (choices.empty() ? "" : ", ") + std::string(item);
    return where + ": " + QuoteValue(key) + " must be one of " + choices + ", not " + QuoteValue(value) + ".";
}

// The setting `key` of line `where` set to `value` in `read`; why not for an unknown key or a value its
// list does not hold.
Outcome ReadSetting(const std::string& where, const std::string& key, const std::string& value,
                    SetupForm& read) {
    bool known = false;
    if (key == "page") {
        known = true;
        const auto page = std::find(std::begin(kPages), std::end(kPages), value);
        if (page == std::end(kPages)) return Outcome::Failure(NotListed(where, key, value, kPages));
        read.page = static_cast<SetupPage>(page - std::begin(kPages));
    } else if (key == "method") {
        known = true;
        const auto methods = MethodNames();
        if (std::none_of(methods.begin(), methods.end(),
                         [&](const MethodName& m) { return m.text == value; })) {
            std::vector<std::string_view> texts;
            for (const MethodName& m : methods) texts.push_back(m.text);
            return Outcome::Failure(NotListed(where, key, value, texts));
        }
        read.method = value;
    }
    for (const ParameterFactor& factor : GrowthFactors())
        if (key == factor.name + " used") {
            known = true;
            if (value != "yes" && value != "no")
                return Outcome::Failure(where + ": " + QuoteValue(key) + " must be yes or no.");
            read.rows.at(static_cast<std::size_t>(factor.row)).used = value == "yes";
        }
    Outcome wrong;
    EachSetting(read,
                [&](const std::string& name, std::string& setting, std::span<const std::string_view> list) {
                    if (name != key) return;
                    known = true;
                    if (!list.empty() && std::find(list.begin(), list.end(), value) == list.end())
                        wrong = Outcome::Failure(NotListed(where, key, value, list));
                    else
                        setting = value;
                });
    if (!wrong) return wrong;
    if (!known) return Outcome::Failure(where + " has an unknown setting, " + QuoteValue(key) + ".");
    return Outcome::Success();
}

} // namespace

Outcome ParseSettingsFile(std::string_view text, SetupForm& form) {
    SetupForm read;
    std::vector<std::string> seen;
    std::size_t start = 0;
    int number = 0;
    bool header = false;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        ++number;
        const std::string where = "Line " + std::to_string(number) + " of the settings file";
        if (!header) {
            if (line != kSettingsHeader)
                return Outcome::Failure("This is not a sensitivity settings file: its first line must be \"" +
                                        std::string(kSettingsHeader) + "\".");
            header = true;
            continue;
        }
        if (line.empty()) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return Outcome::Failure(where + ", " + QuoteValue(line) + ", is not \"key = value\".");
        const std::string key(Trim(line.substr(0, equals)));
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            return Outcome::Failure(where + " gives " + QuoteValue(key) + " a second time.");
        seen.push_back(key);
        if (auto why = ReadSetting(where, key, std::string(Trim(line.substr(equals + 1))), read); !why)
            return why;
    }
    if (!header) return Outcome::Failure("The settings file is empty.");
    form = std::move(read);
    return Outcome::Success();
}

} // namespace tulo::sensitivity
