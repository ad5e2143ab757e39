#pragma once
// The main window's file commands on the weather table, the soil table and the whole configuration, as
// plain functions over the form: the window only calls them, and the command line and the tests run them
// without a display. Each command that changes the form does so in one batch, so that the window's undo
// takes an import back in one step (a configuration load starts the window's history afresh).

#include "forms/FormModel.h"
#include "forms/SpreadsheetCommands.h"
#include "forms/UserInterface.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

// ---------------------------------------------------------------------------------------------------
// Weather

// Lays out the weather grid: the seven captions of row 0 and the column widths (day 8, values 12 grid
// units). A caption that differs is announced as any cell; widths are presentation.
void LayOutWeatherGrid(FormModel& form);

// What the weather's file dialogs offer: the weather files of other crop models beside the workbooks.
inline constexpr std::string_view kWeatherFileFilter =
    "Weather files and workbooks (*.WTH *.wth *.met *.csv *.xlsx *.xls *.ods)"
    "|*.WTH;*.wth;*.met;*.csv;*.xlsx;*.xls;*.ods"
    "|Weather files (*.WTH *.wth *.met *.csv)|*.WTH;*.wth;*.met;*.csv"
    "|Workbooks (*.xlsx *.xls *.ods *.csv)|*.xlsx;*.xls;*.ods;*.csv|All files (*.*)|*.*";

// Asks for a weather file or a workbook (kind "Weather") and imports it into the weather grid, then lays
// the grid out. A weather file (see WeatherFiles.h) gives one year: of a file of several years the user
// is asked which, the last one proposed. A workbook gives a sheet of at most 366 rows, row 1 the titles.
// A cancelled or failed import leaves the table as it was.
Outcome OpenWeather(FormModel& form, UserInterface& ui);

// The same import for a file already chosen (dropped on the weather page); `sheet` answers a workbook's
// sheet question.
Outcome ImportWeatherFile(FormModel& form, const std::filesystem::path& file, UserInterface& ui,
                          std::optional<int> sheet = std::nullopt);

// Blanks every data cell of the weather grid and its estimated-humidity marks; the captions stay.
void NewWeather(FormModel& form);

// ---------------------------------------------------------------------------------------------------
// Soil

// What the soil page says about the light-cyan cells.
inline constexpr std::string_view kSoilMandatoryLabel = " Blu cells are mandatory!";

// Whether column `col` of the soil table must be filled in every layer: thickness, bulk density,
// carbon, clay and sand (1 to 5), which nothing estimates, and the starting water (13), whose empty cell
// would start the layer with minus one field capacity of water. The other columns are estimated from
// these when empty.
bool SoilColumnMandatory(int col);

// Gives the mandatory cells of every layer row the light-cyan background, and the other cells none.
void LayOutSoilGrid(FormModel& form);

// Asks for a workbook (kind "Soil physics") and imports a sheet of at most 15 rows, one layer a row from
// row 1, into the soil grid. The built-in captions of row 0 and the column widths stay whatever the
// workbook brings; then the grid is laid out. A cancelled or failed import leaves the table as it was.
Outcome OpenSoilPhysicsData(FormModel& form, UserInterface& ui);

// The same import for a file already chosen (dropped on the soil page).
Outcome ImportSoilFile(FormModel& form, const std::filesystem::path& file, UserInterface& ui,
                       std::optional<int> sheet = std::nullopt);

// ---------------------------------------------------------------------------------------------------
// Configuration

// The name a configuration is saved under: ".sim" appended unless the name ends exactly, in lower case,
// with it ("a.SIM" becomes "a.SIM.sim").
std::filesystem::path SimConfigSaveName(const std::filesystem::path& chosen);

// Asks for a file name (the dialog shows `suggested`, or "*.sim" when it is empty), asks before
// replacing an existing file, and writes the configuration atomically. Returns the file written;
// nothing when the user cancelled or the write failed (a message says why).
std::optional<std::filesystem::path> SaveSimConfig(const FormModel& form, UserInterface& ui,
                                                   const std::filesystem::path& suggested = {});

// Asks for a configuration and loads it, with the busy pointer, as one batch: a file that is missing
// ("File not opened") or malformed is reported and leaves the form exactly as it was. Returns the file
// opened; nothing when cancelled or refused.
std::optional<std::filesystem::path> OpenSimFile(FormModel& form, UserInterface& ui);

// Loads a configuration without a dialog (the command line's `tulo FILE.sim`, the recent files, a file
// dropped on the window) and lays out the grids, as one batch. A refusal says why, the form then
// untouched.
Outcome OpenSimFileAt(FormModel& form, const std::filesystem::path& file);

} // namespace tulo
