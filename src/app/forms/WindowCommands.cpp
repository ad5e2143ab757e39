#include "forms/WindowCommands.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "engine/InputItems.h"
#include "forms/SimConfig.h"
#include "io/WeatherFiles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <system_error>
#include <utility>

namespace tulo {

namespace fs = std::filesystem;

namespace {

constexpr double kDayWidth = 8;
constexpr double kValueWidth = 12;

constexpr std::string_view kSimPattern = "*.sim";

int FilledRows(const Grid& grid) {
    int filled = 0;
    for (int r = 1; r <= grid.rows(); ++r)
        for (int c = 1; c <= grid.cols(); ++c)
            if (!grid.text(r, c).empty()) {
                ++filled;
                break;
            }
    return filled;
}

// Imports into a copy of the grid, so that the dialogs and questions of an import come before the form
// changes, then puts the table and its layout into the form as one batch. `import` returns the outcome
// and leaves the copy as it was unless it imported. A cancelled or failed import changes nothing, so it
// leaves no step to undo. `what` names the table in the step's label ("Import weather (366 rows)").
template <class Import, class Layout>
Outcome ImportIntoForm(FormModel& form, std::string_view gridId, std::string_view what, Import&& import,
                       Layout&& layout) {
    Grid grid = form.grid(gridId);
    const Outcome outcome = std::forward<Import>(import)(grid);
    if (!outcome) return outcome;
    FormModel::Batch batch(form, "Import " + std::string(what) + " (" + std::to_string(FilledRows(grid)) +
                                     " rows)");
    form.editGrid(gridId, [&](Grid& g) { g = std::move(grid); });
    std::forward<Layout>(layout)(form);
    return outcome;
}

// The soil table's captions and widths are the program's own: a workbook brings layers, not layout.
template <class Import> auto KeepingSoilLayout(Import&& import) {
    return [import = std::forward<Import>(import)](Grid& grid) {
        const Grid before = grid;
        const Outcome outcome = import(grid);
        for (int c = 0; c <= std::min(before.cols(), grid.cols()); ++c) {
            grid.setText(0, c, before.text(0, c));
            grid.setColumnWidth(c, before.columnWidth(c));
        }
        return outcome;
    };
}

// Years as a person reads them: runs of consecutive years as a range ("1990 to 2019, 2021").
std::string YearsText(const std::vector<int>& years) {
    std::string text;
    for (std::size_t i = 0; i < years.size();) {
        std::size_t last = i;
        while (last + 1 < years.size() && years[last + 1] == years[last] + 1) ++last;
        text += (text.empty() ? "" : ", ") + std::to_string(years[i]);
        if (last > i) text += (last == i + 1 ? ", " : " to ") + std::to_string(years[last]);
        i = last + 1;
    }
    return text;
}

// The season's year in a file of several: the last one is proposed, the most recent season being the
// one most often wanted. Cancelled when the user cancels, failed when the answer is no year of the file.
Outcome AskWeatherYear(UserInterface& ui, const fs::path& file, const std::vector<int>& years, int& year) {
    const std::string held = YearsText(years);
    const auto answer = ui.input(file.filename().string() + " holds the weather of the years " + held +
                                     ".\r\rplease, type the year of the season",
                                 "selection of year", std::to_string(years.back()));
    if (!answer || Trim(*answer).empty()) return Outcome::Cancelled;
    const auto chosen = ParseInt32(Trim(*answer));
    if (!chosen || std::find(years.begin(), years.end(), *chosen) == years.end()) {
        ui.message(QuoteValue(Trim(*answer)) + " is not a year of " + file.string() + ", which holds " +
                       held + ": the weather table was not changed.",
                   {}, Icon::Exclamation);
        return Outcome::Failed;
    }
    year = *chosen;
    return Outcome::Done;
}

// A weather file's days from 1 January of the season's year into the grid (through the file's end, for a
// season that crosses 31 December), with its notes (days it lacks, radiation estimated) and a warning
// when the file's latitude is not the configuration's: the day length and the radiation's geometry
// follow the latter, and so does a radiation estimate.
Outcome FillFromWeatherFile(Grid& grid, const fs::path& file, std::string_view configuredLatitude,
                            UserInterface& ui, int& seasonYear) {
    const std::string name = file.string();
    try {
        WeatherFileSeries series;
        {
            BusyPointer busy(ui);
            series = ReadWeatherFile(file);
        }
        const std::vector<int> years = series.years();
        int year = 0;
        if (years.size() > 1) {
            if (const auto asked = AskWeatherYear(ui, file, years, year); !asked) return asked;
        } else {
            year = ChooseWeatherYear(series, std::nullopt);
        }
        std::vector<std::string> notes;
        const auto configured = ParseNumber(configuredLatitude);
        std::optional<RadiationEstimate> estimate;
        if (const auto latitude = configured ? configured : series.latitude)
            estimate = RadiationEstimate{*latitude, kInlandKrs};
        FillWeatherTable(series, year, grid, notes, estimate);
        seasonYear = year;
        for (const std::string& note : notes) ui.message(name + ": " + note, {}, Icon::Information);
        if (series.latitude && configured && std::fabs(*series.latitude - *configured) > 0.1)
            ui.message("Warning: the configuration's latitude " + ShortestText(*configured) +
                           "° differs from " + name + "'s " + ShortestText(*series.latitude) +
                           "° by more than 0.1°; the season keeps the configuration's.",
                       {}, Icon::Exclamation);
        return Outcome::Done;
    } catch (const WeatherFileError& e) {
        const std::string text = e.what();
        ui.message(text.starts_with(name) ? text : name + ": " + text, {}, Icon::Exclamation);
        return Outcome::Failed;
    }
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

} // namespace

void LayOutWeatherGrid(FormModel& form) {
    form.editGrid(ctl::sprWeather, [](Grid& grid) {
        if (grid.cols() < kWeatherCols) grid.resize(grid.rows(), kWeatherCols);
        for (int c = 1; c <= kWeatherCols; ++c) {
            grid.setText(0, c, std::string(kWeatherCaptions[static_cast<std::size_t>(c - 1)]));
            grid.setColumnWidth(c, c == 1 ? kDayWidth : kValueWidth);
        }
    });
}

Outcome OpenWeather(FormModel& form, UserInterface& ui) {
    const auto chosen =
        ui.openFile({"TULO - Open a Weather file", "*.xlsx", std::string(kWeatherFileFilter)});
    if (!chosen || chosen->empty()) return Outcome::Cancelled;
    std::error_code ec;
    if (!fs::exists(*chosen, ec)) {
        ui.message("File not exit");
        return Outcome::Failed;
    }
    return ImportWeatherFile(form, *chosen, ui);
}

Outcome ImportWeatherFile(FormModel& form, const fs::path& file, UserInterface& ui,
                          std::optional<int> sheet) {
    // The season's year is the weather's: a weather file tells it, a workbook's table does not.
    int year = 0;
    const auto layOut = [&](FormModel& f) {
        LayOutWeatherGrid(f);
        f.setText(ctl::txtSeasonYear, year > 0 ? std::to_string(year) : std::string());
    };
    if (RecogniseWeatherFile(file))
        return ImportIntoForm(
            form, ctl::sprWeather, "weather",
            [&](Grid& grid) {
                return FillFromWeatherFile(grid, file, form.text(ctl::txtLatitude), ui, year);
            },
            layOut);
    return ImportIntoForm(
        form, ctl::sprWeather, "weather",
        [&](Grid& grid) {
            return ImportWorkbookFile(grid, file, ui, sheet, ImportRowLimit(ctl::sprWeather));
        },
        layOut);
}

void NewWeather(FormModel& form) {
    const FormModel::Batch batch(form, "New weather");
    form.editGrid(ctl::sprWeather, [](Grid& grid) { grid.clearData(); });
    form.setText(ctl::txtSeasonYear, std::string());
}

bool SoilColumnMandatory(int col) {
    return (col >= 1 && col <= 5) || col == kSoilCols;
}

void LayOutSoilGrid(FormModel& form) {
    form.editGrid(ctl::sprSoilPhysics, [](Grid& grid) {
        for (int r = 1; r <= grid.rows(); ++r)
            for (int c = 1; c <= grid.cols(); ++c)
                grid.setBackground(r, c,
                                   r <= kSoilRows && SoilColumnMandatory(c) ? std::optional(kLightCyan)
                                                                            : std::nullopt);
    });
}

Outcome OpenSoilPhysicsData(FormModel& form, UserInterface& ui) {
    return ImportIntoForm(form, ctl::sprSoilPhysics, "soil", KeepingSoilLayout([&](Grid& grid) {
                              std::string chosen;
                              return OpenWorkbookIntoGrid(grid, ui, "Soil physics", chosen,
                                                          ImportRowLimit(ctl::sprSoilPhysics));
                          }),
                          LayOutSoilGrid);
}

Outcome ImportSoilFile(FormModel& form, const fs::path& file, UserInterface& ui, std::optional<int> sheet) {
    return ImportIntoForm(form, ctl::sprSoilPhysics, "soil", KeepingSoilLayout([&](Grid& grid) {
                              return ImportWorkbookFile(grid, file, ui, sheet,
                                                        ImportRowLimit(ctl::sprSoilPhysics));
                          }),
                          LayOutSoilGrid);
}

fs::path SimConfigSaveName(const fs::path& chosen) {
    const std::string name = chosen.string();
    return EndsWith(name, ".sim") ? chosen : fs::path(name + ".sim");
}

std::optional<fs::path> SaveSimConfig(const FormModel& form, UserInterface& ui, const fs::path& suggested) {
    const FileDialog dialog{"Save the simulation configuration",
                            suggested.empty() ? std::string(kSimPattern) : suggested.string(),
                            "sim file (*.sim)|*.sim"};
    const auto chosen = ui.saveFile(dialog);
    if (!chosen || chosen->empty() || *chosen == kSimPattern) return std::nullopt;
    // The extension is added before the question, so that an existing configuration is never replaced
    // unasked.
    const fs::path file = SimConfigSaveName(*chosen);
    std::error_code ec;
    if (fs::exists(file, ec) &&
        ui.ask("FIle Already exist  \r\r" + file.string() + "\r\r\rConfirm, please (Y/N)", Buttons::YesNo) !=
            Answer::Yes)
        return std::nullopt;
    BusyPointer busy(ui);
    if (const Outcome written = WriteSimConfig(form, file); !written) {
        ui.message(written.message, {}, Icon::Critical);
        return std::nullopt;
    }
    return file;
}

Outcome OpenSimFileAt(FormModel& form, const fs::path& file) {
    FormModel::Batch batch(form);
    if (Outcome read = ReadSimConfig(file, form); !read) return read;
    LayOutWeatherGrid(form);
    // Backgrounds are not stored: the soil marks are laid again, so that a load gives the same form
    // whatever the grid showed before.
    LayOutSoilGrid(form);
    return Outcome::Success();
}

std::optional<fs::path> OpenSimFile(FormModel& form, UserInterface& ui) {
    const FileDialog dialog{"Open a configuration file", std::string(kSimPattern),
                            "Dictionary (*.sim)|*.sim"};
    const auto chosen = ui.openFile(dialog);
    if (!chosen || chosen->empty() || *chosen == kSimPattern) return std::nullopt;
    const fs::path file(*chosen);
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        ui.message("File not opened");
        return std::nullopt;
    }
    BusyPointer busy(ui);
    if (const Outcome opened = OpenSimFileAt(form, file); !opened) {
        ui.message(opened.message, {}, Icon::Exclamation);
        return std::nullopt;
    }
    return file;
}

} // namespace tulo
