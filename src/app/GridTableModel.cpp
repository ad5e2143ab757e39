#include "app/GridTableModel.h"

#include "base/Numbers.h"

#include <QBrush>
#include <QColor>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tulo::app {

namespace {

const Grid kNoGrid;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

GridTableModel::GridTableModel(FormModel& form, std::string gridName, QObject* parent)
    : QAbstractTableModel(parent), form_(&form), gridName_(std::move(gridName)) {
    rows_ = grid().rows();
    cols_ = grid().cols();
    subscription_ = form_->subscribe([this](std::span<const FormChange> changes) {
        int top = -1, bottom = -1, left = -1, right = -1, cells = 0;
        for (const FormChange& change : changes) {
            if (change.row < 0 || change.id != gridName_) continue;
            ++cells;
            if (change.row == 0 && change.column >= 1 && change.column <= cols_)
                emit headerDataChanged(Qt::Horizontal, change.column - 1, change.column - 1);
            if (change.column == 0 && change.row >= 1 && change.row <= rows_)
                emit headerDataChanged(Qt::Vertical, change.row - 1, change.row - 1);
            if (change.row < 1 || change.column < 1) continue;
            top = top < 0 ? change.row : std::min(top, change.row);
            bottom = std::max(bottom, change.row);
            left = left < 0 ? change.column : std::min(left, change.column);
            right = std::max(right, change.column);
        }
        if (cells == 0) return;
        if (grid().rows() != rows_ || grid().cols() != cols_) {
            reset();
            return;
        }
        // A batch (an import, estimated humidities) may also have changed backgrounds that no change names.
        if (cells > 1) top = 1, left = 1, bottom = rows_, right = cols_;
        if (top < 0 || rows_ == 0 || cols_ == 0) return;
        emit dataChanged(index(top - 1, left - 1), index(bottom - 1, right - 1),
                         {Qt::DisplayRole, Qt::EditRole, Qt::BackgroundRole, Qt::TextAlignmentRole});
    });
}

GridTableModel::GridTableModel(const Grid* grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {
    rows_ = this->grid().rows();
    cols_ = this->grid().cols();
}

GridTableModel::~GridTableModel() {
    if (form_) form_->unsubscribe(subscription_);
}

const Grid& GridTableModel::grid() const {
    if (form_) return form_->grid(gridName_);
    return grid_ ? *grid_ : kNoGrid;
}

void GridTableModel::reset(const Grid* grid) {
    beginResetModel();
    if (grid && !form_) grid_ = grid;
    rows_ = this->grid().rows();
    cols_ = this->grid().cols();
    endResetModel();
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row() + 1, col = index.column() + 1;
    const Grid& cells = grid();
    switch (role) {
    case Qt::DisplayRole:
        // Whole numbers read from a workbook ("12.0") show as the integers they are.
        if (cells.wholeNumber(row, col))
            if (const auto value = ParseNumber(cells.text(row, col)))
                return QString::number(static_cast<long long>(*value));
        return Q(cells.text(row, col));
    case Qt::EditRole:
        return Q(cells.text(row, col));
    case Qt::BackgroundRole:
        if (const auto colour = cells.background(row, col))
            return QBrush(QColor(colour->red, colour->green, colour->blue));
        return {};
    case Qt::TextAlignmentRole:
        if (ParseNumber(cells.text(row, col))) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    const std::string& text =
        orientation == Qt::Horizontal ? grid().text(0, section + 1) : grid().text(section + 1, 0);
    return text.empty() ? QString::number(section + 1) : Q(text);
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (form_ && index.isValid()) result |= Qt::ItemIsEditable;
    return result;
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!form_ || !index.isValid() || role != Qt::EditRole) return false;
    // The form announces the edit, and this model follows the announcement like any other view.
    form_->setCell(gridName_, index.row() + 1, index.column() + 1, value.toString().toStdString());
    return true;
}

void GridTableModel::ApplyColumnWidths(QTableView* view, const Grid& grid) {
    const int character = QFontMetrics(view->font()).averageCharWidth();
    const auto pixels = [&](double width) { return static_cast<int>(std::lround(width * character)) + 8; };
    for (int c = 1; c <= grid.cols(); ++c)
        if (grid.columnWidth(c) > 0) view->setColumnWidth(c - 1, pixels(grid.columnWidth(c)));
    if (grid.columnWidth(0) > 0) view->verticalHeader()->setMinimumWidth(pixels(grid.columnWidth(0)));
}

} // namespace tulo::app
