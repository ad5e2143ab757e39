#pragma once
// A table model over a core Grid for QTableView: row 0 of the grid gives the horizontal captions, its
// data cells are rows and columns from 1. Bound to a grid of the form model it is editable (every edit
// goes through FormModel::setCell, so it is announced and undoable) and follows every change of the
// grid, background colours included (light-cyan estimates). Over any other grid (the report) it is
// read-only and is told when the grid was replaced.

#include "engine/Grid.h"
#include "forms/FormModel.h"

#include <QAbstractTableModel>

#include <string>

class QTableView;

namespace tulo::app {

class GridTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Editable, over the form's grid `gridName`.
    GridTableModel(FormModel& form, std::string gridName, QObject* parent = nullptr);
    // Read-only, over a grid that its owner may replace (then call reset()).
    explicit GridTableModel(const Grid* grid, QObject* parent = nullptr);
    ~GridTableModel() override;

    void reset(const Grid* grid = nullptr); // the grid changed wholesale (or is now another one)

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Gives the view's columns the grid's widths (in characters of the view's font); columns without a
    // width keep the view's own.
    static void ApplyColumnWidths(QTableView* view, const Grid& grid);

private:
    const Grid& grid() const;

    FormModel* form_ = nullptr;
    std::string gridName_;
    const Grid* grid_ = nullptr;
    int subscription_ = 0;
    int rows_ = 0, cols_ = 0; // the size the views were last told
};

} // namespace tulo::app
