#pragma once
// What the input pages share: the core's texts as Qt strings, tool tips that give a field's accepted
// range and the reason for each bound, form rows whose labels wrap rather than being cut, and table
// views over the form's grids.

#include "forms/FormModel.h"

#include <QString>

#include <string_view>

class QFormLayout;
class QLabel;
class QTableView;
class QWidget;

namespace tulo {
struct InputLimit;
struct ParameterInfo;
} // namespace tulo

namespace tulo::app {

class GridTableModel;

inline QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "Accepted: 0 to 25 °C" and the reasons for the bounds, or the choices of a list.
QString ParameterTip(const ParameterInfo& info);
QString LimitTip(const InputLimit& limit);
// The tool tip of a form control that has an input limit; empty when it has none.
QString ControlTip(std::string_view control);

// The label of `field`, its buddy, sharing its tool tip. A caption wider than `maxWidth` pixels wraps
// within that width, its height fixed to the lines it takes, so that no layout cuts it.
QLabel* FieldLabel(const QString& text, QWidget* field, int maxWidth = 360);
// Adds "label  field" to a form layout; returns the label.
QLabel* AddRow(QFormLayout* layout, const QString& text, QWidget* field, int maxWidth = 360);

// A table view over the form's grid `grid`, named after it: header tool tips from the input limits,
// column widths from the grid (in characters, as a spreadsheet counts them) and re-applied whenever
// the grid is replaced wholesale. `headerLines` makes room for captions that wrap.
QTableView* GridView(FormModel& form, std::string_view grid, QWidget* parent, int headerLines = 1);
// The editable model under a view made by GridView.
GridTableModel* GridModel(QTableView* view);

} // namespace tulo::app
