#include "Commands.h"

#include "disease/Varieties.h"
#include "engine/DailyLoop.h"
#include "engine/Outputs.h"
#include "engine/RunCommand.h"
#include "engine/SeasonSummary.h"
#include "io/SimConfig.h"
#include "io/TextFiles.h"

#include <chrono>
#include <memory>

namespace tulo::cli {

std::string DailyCsvHeader() {
    std::string header = "DOY";
    for (const OutputVariable& v : DailyOutputVariables()) {
        header += ',';
        header += v.name;
    }
    return header;
}

namespace {

std::string DailyCsv(const RunState& run) {
    std::string csv = DailyCsvHeader() + "\n";
    for (int d = run.control.InitialDate; d < run.control.FinalDate; ++d) {
        csv += std::to_string(d);
        for (const OutputVariable& v : DailyOutputVariables()) {
            csv += ',';
            csv += CsvField(FormatOutput(v, run, d));
        }
        csv += '\n';
    }
    return csv;
}

} // namespace

int Run(const RunOptions& options, std::ostream& out, UserInterface& ui) {
    FormModel form;
    if (const auto error = ReadSimConfig(options.config, form)) {
        ui.message(options.config + ": " + *error);
        return kFailure;
    }

    // The run state is large; keep it off the stack.
    auto run = std::make_unique<RunState>();
    RunResults results;
    bool reportWritten = false;
    std::optional<std::string> writeError;
    auto exportReport = [&](const Grid& report, std::string_view) {
        if (!options.report) {
            ui.message("The report was not saved: give --report FILE to save it.");
            return;
        }
        writeError = WriteFileAtomically(*options.report, GridToCsv(report));
        reportWritten = !writeError;
    };
    if (!RunSimulation(form, ui, *run, results, exportReport)) return kInvalidInputs;
    if (writeError) {
        ui.message(*writeError);
        return kFailure;
    }

    out << "TULO season summary for " << options.config << "\n" << FormatSummary(Summarize(*run));

    if (options.daily) {
        if (const auto error = WriteFileAtomically(*options.daily, DailyCsv(*run))) {
            ui.message(*error);
            return kFailure;
        }
    }
    if (options.report && !reportWritten) {
        if (const auto error = WriteFileAtomically(*options.report, GridToCsv(results.report))) {
            ui.message(*error);
            return kFailure;
        }
    }

    if (options.repeat > 0) {
        // Each season starts from a fresh run state, as every calibration evaluation does.
        auto timed = std::make_unique<RunState>(*run);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < options.repeat; ++i) {
            timed->PrepareFreshRun();
            SimulateDays(*timed);
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        const double perSecond = elapsed.count() > 0 ? options.repeat / elapsed.count() : 0.0;
        out << "Repeated runs:        " << options.repeat << " seasons in " << elapsed.count() << " s ("
            << static_cast<long long>(perSecond) << " seasons per second)\n";
    }
    return kSuccess;
}

int Varieties(std::ostream& out) {
    out << "Variety,Susceptibility,Class\n";
    for (const std::string_view name : BlastVarietyDisplayList()) {
        out << CsvField(name) << ',';
        if (const auto choice = BlastChoiceOfVariety(name))
            out << BlastChoiceCaption(*choice) << ',' << BlastChoiceClass(*choice);
        else
            out << ',';
        out << '\n';
    }
    return kSuccess;
}

} // namespace tulo::cli
