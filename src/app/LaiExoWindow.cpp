#include "app/LaiExoWindow.h"

#include "app/PageTools.h"
#include "base/Calendar.h"
#include "base/Numbers.h"
#include "forms/SpreadsheetCommands.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace tulo::app {

namespace {

// Empty rows kept below the last one filled, so that typing never runs out of rows.
constexpr int kSpareRows = 20;

void Caption(Grid& grid) {
    grid.setText(0, 1, "DOY");
    grid.setText(0, 2, "LAI (m2/m2)");
}

int LastFilledRow(const Grid& grid) {
    for (int r = grid.rows(); r >= 1; --r)
        for (int c = 1; c <= grid.cols(); ++c)
            if (!grid.text(r, c).empty()) return r;
    return 0;
}

} // namespace

// An editable model over the window's own grid, which belongs to no configuration.
class LaiTableModel : public QAbstractTableModel {
public:
    LaiTableModel(Grid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {}

    // The grid was replaced or cleared: give it its spare rows again and redraw.
    void reload() {
        beginResetModel();
        grid_.resize(LastFilledRow(grid_) + kSpareRows, std::max(grid_.cols(), 2));
        Caption(grid_);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : grid_.rows();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : grid_.cols();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const std::string& text = grid_.text(index.row() + 1, index.column() + 1);
        if (role == Qt::DisplayRole || role == Qt::EditRole) return QString::fromStdString(text);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(ParseNumber(text) ? Qt::AlignRight | Qt::AlignVCenter
                                                         : Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
        const std::string& text =
            orientation == Qt::Horizontal ? grid_.text(0, section + 1) : grid_.text(section + 1, 0);
        return text.empty() ? QString::number(section + 1) : QString::fromStdString(text);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::EditRole) return false;
        grid_.setText(index.row() + 1, index.column() + 1, value.toString().trimmed().toStdString());
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole, Qt::TextAlignmentRole});
        if (const int wanted = LastFilledRow(grid_) + kSpareRows; wanted > grid_.rows()) {
            beginInsertRows({}, grid_.rows(), wanted - 1);
            grid_.resize(wanted, grid_.cols());
            endInsertRows();
        }
        return true;
    }

private:
    Grid& grid_;
};

LaiExoWindow::LaiExoWindow(UserInterface& ui, QWidget* parent)
    : QWidget(parent, Qt::Window), ui_(ui), grid_(kSpareRows, 2) {
    setObjectName(QStringLiteral("frmLAIexo"));
    setWindowTitle(QStringLiteral("TULO - Exogenous LAI data"));
    Caption(grid_);

    auto* hint = new QLabel(QStringLiteral(
        "One row a day: day of the year (1 - 365) and leaf area index (m2/m2). Type the values "
        "or open a workbook of two columns; a first row of titles is skipped."));
    hint->setWordWrap(true);

    model_ = new LaiTableModel(grid_, this);
    view_ = new QTableView;
    view_->setObjectName(QStringLiteral("sprLAIexo"));
    view_->setModel(model_);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().lineSpacing() + 6);
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    auto* open = new QPushButton(QStringLiteral("Open workbook..."));
    open->setObjectName(QStringLiteral("cmdOpenLAIexo"));
    connect(open, &QPushButton::clicked, this, [this] { importWorkbook(kind_); });
    auto* save = new QPushButton(QStringLiteral("Save workbook..."));
    save->setObjectName(QStringLiteral("cmdSaveLAIexo"));
    save->setToolTip(QStringLiteral("Save the table as a workbook, which Open reads back"));
    connect(save, &QPushButton::clicked, this, [this] { saveWorkbook(); });
    auto* empty = new QPushButton(QStringLiteral("Clear"));
    empty->setObjectName(QStringLiteral("cmdClearLAIexo"));
    connect(empty, &QPushButton::clicked, this, [this] { clear(kind_); });
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("cmdCloseLAIexo"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addWidget(save);
    buttons->addWidget(empty);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
    resize(360, 480);
}

bool LaiExoWindow::importWorkbook(std::string_view kind) {
    kind_ = kind;
    std::string file;
    if (!OpenWorkbookIntoGrid(grid_, ui_, kind, file)) return false;
    model_->reload();
    return true;
}

bool LaiExoWindow::saveWorkbook() {
    // A table typed by hand goes out under its captions, so that the workbook reads on its own; one opened
    // with a row of titles keeps it. Open skips such a first row either way.
    const std::string& day = grid_.text(1, 1);
    const std::string& lai = grid_.text(1, 2);
    const bool titled =
        !(day.empty() && lai.empty()) && !ParseNumber(day) && !ParseDateText(day) && !ParseNumber(lai);
    const int shift = titled ? 0 : 1;
    Grid sheet(LastFilledRow(grid_) + shift, 2);
    for (int c = 1; c <= 2; ++c) {
        if (!titled) sheet.setText(1, c, grid_.text(0, c));
        for (int r = 1; r + shift <= sheet.rows(); ++r) sheet.setText(r + shift, c, grid_.text(r, c));
    }
    return SaveGridAsWorkbook(sheet, ui_, kind_).has_value();
}

void LaiExoWindow::clear(std::string_view kind) {
    kind_ = kind;
    grid_ = Grid(0, 2);
    model_->reload();
}

std::vector<LaiPoint> LaiExoWindow::points(Problems& problems) const {
    return ReadLaiPoints(grid_, problems);
}

} // namespace tulo::app
