// File > Import a DSSAT experiment: the experiment made into TULO's files as `tulo-cli import-dssat`
// makes them, its first treatment opened, its treatments offered to the multi-site calibration.

#include "app/MainWindow.h"
#include "app/MultiPointAutoCalWindow.h"
#include "app/PageTools.h"
#include "app/PhenologyWindow.h"
#include "commands/DssatImport.h"
#include "forms/CalibrationForm.h"
#include "forms/UserInterface.h"

#include <QStatusBar>

namespace tulo::app {

void MainWindow::importDssatExperimentDialog() {
    if (!maybeSave()) return;
    const auto chosen =
        ui_->openFile({"Import a DSSAT experiment", "",
                       "DSSAT rice experiment (*.RIX *.rix)|*.RIX;*.rix|All files (*.*)|*.*"});
    if (!chosen || chosen->empty()) return;
    const std::filesystem::path experiment(*chosen);
    importDssatExperiment(experiment, experiment.parent_path() / experiment.stem());
}

bool MainWindow::importDssatExperiment(const std::filesystem::path& experiment,
                                       const std::filesystem::path& folder, bool offerCalibration) {
    if (!maybeSave()) return false;
    std::optional<DssatImport> imported;
    {
        BusyPointer busy(*ui_);
        Messages messages;
        DssatImportRequest request;
        request.experiment = experiment;
        imported = ImportDssatExperiment(request, messages);
        ShowMessages(*ui_, messages);
        if (imported)
            if (const Outcome written = WriteDssatImport(*imported, folder); !written) {
                ui_->message(written.message, {}, Icon::Exclamation);
                return false;
            }
    }
    if (!imported || imported->treatments.empty()) return false;

    std::string told = "Imported " + std::to_string(imported->treatments.size()) + " treatments of " +
                       experiment.filename().string() + " into " + folder.string() +
                       ": a configuration and measured tables each, and the sites table sites.csv.";
    if (!imported->notes.empty()) {
        told += "\n\nLeft out (import-notes.txt):";
        for (const std::string& note : imported->notes) told += "\n- " + note;
    }
    ui_->message(told, "Import a DSSAT experiment", Icon::Information);
    const ImportedTreatment& first = imported->treatments.front();
    if (!openConfiguration(Qs((folder / (first.name + ".sim")).string()))) return false;

    // Tools > Phenology then opens with the first treatment's observed stages.
    if (!phenology_) phenology_ = new PhenologyWindow(form_, this);
    const auto date = [](const std::optional<CivilDate>& d) { return d ? Qs(IsoDateText(*d)) : QString(); };
    phenology_->setObservedDays(date(first.emergence), date(first.flowering), date(first.maturity));

    // Each treatment keeps its own management in the calibration: the rows run their own configurations.
    const std::vector<OwnSeasonRow> rows = OwnSeasonRowsOf(*imported, folder);
    if (rows.empty() || !offerCalibration) return true;
    const std::string question =
        "Calibrate crop parameters on the measured treatments in the multi-site calibration window (" +
        (rows.size() < imported->treatments.size() ? "the first " + std::to_string(rows.size())
                                                   : "all " + std::to_string(rows.size())) +
        ", each on its own configuration)?";
    if (ui_->ask(question, Buttons::YesNo, "Import a DSSAT experiment") == Answer::Yes)
        openMultiPointCalibration()->useOwnSeasons(rows);
    return true;
}

} // namespace tulo::app
