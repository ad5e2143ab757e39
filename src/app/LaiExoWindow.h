#pragma once
// The exogenous leaf area index window (frmLAIexo): a table of day of year and LAI, typed by hand or
// opened from a workbook, which the periodic and the daily forcing read.

#include "base/Problems.h"
#include "engine/Grid.h"
#include "engine/LaiForcing.h"
#include "forms/UserInterface.h"

#include <QWidget>

#include <string>
#include <string_view>
#include <vector>

class QTableView;

namespace tulo::app {

class LaiTableModel;

class LaiExoWindow : public QWidget {
    Q_OBJECT
public:
    LaiExoWindow(UserInterface& ui, QWidget* parent = nullptr);

    // Asks for a workbook and imports it into the table; `kind` ("Daily LAI", "Periodic LAI data") names
    // it in the dialog and is kept for the window's own Open button. True when imported.
    bool importWorkbook(std::string_view kind);
    // Asks for a file name and saves the table there as a workbook that importWorkbook reads back; true
    // when saved.
    bool saveWorkbook();
    // Empties the table for typing; `kind` as for importWorkbook.
    void clear(std::string_view kind);

    // The table as typed or imported (row 1 the first row shown, column 1 the day, column 2 the LAI).
    const Grid& table() const { return grid_; }
    // Its (DOY, LAI) pairs in row order; a row that is not a point is a problem naming it.
    std::vector<LaiPoint> points(Problems& problems) const;
    QTableView* view() const { return view_; }

private:
    UserInterface& ui_;
    Grid grid_;
    std::string kind_ = "Periodic LAI data";
    LaiTableModel* model_ = nullptr;
    QTableView* view_ = nullptr;
};

} // namespace tulo::app
