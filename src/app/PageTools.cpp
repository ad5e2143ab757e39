#include "app/PageTools.h"

#include "app/GridTableModel.h"
#include "base/Numbers.h"
#include "engine/InputLimits.h"
#include "engine/Parameters.h"
#include "forms/InputControls.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QTableView>

#include <algorithm>
#include <string>

namespace tulo::app {

namespace {

QString Number(double value) {
    return Qs(ShortestText(value));
}

QString Bounds(double min, double max, std::string_view unit, std::string_view minReason,
               std::string_view maxReason, bool minExclusive) {
    QString tip = QStringLiteral("Accepted: ") + (minExclusive ? QStringLiteral("above ") : QString()) +
                  Number(min) + QStringLiteral(" to ") + Number(max);
    if (!unit.empty() && unit != "-") tip += QLatin1Char(' ') + Qs(unit);
    if (!minReason.empty()) tip += QStringLiteral("\nLowest: ") + Qs(minReason);
    if (!maxReason.empty()) tip += QStringLiteral("\nHighest: ") + Qs(maxReason);
    return tip;
}

// The form's captions stay the model's; the proxy only adds what a header says on hover.
class LimitTipsProxy : public QIdentityProxyModel {
public:
    LimitTipsProxy(std::string grid, QObject* parent) : QIdentityProxyModel(parent), grid_(std::move(grid)) {}

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role == Qt::ToolTipRole && orientation == Qt::Horizontal) {
            if (const InputLimit* limit = FindFieldLimit(grid_, section + 1))
                return Qs(limit->label) + QLatin1Char('\n') + LimitTip(*limit);
        }
        return QIdentityProxyModel::headerData(section, orientation, role);
    }

private:
    std::string grid_;
};

void ApplyColumnWidths(QTableView* view, const Grid& grid, int headerLines) {
    const QFontMetrics metrics(view->font());
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const int padding = 2 * digit;
    for (int c = 1; c <= grid.cols(); ++c) {
        const double chars = grid.columnWidth(c);
        int width = 0;
        if (chars > 0) {
            width = static_cast<int>(chars * digit) + padding;
        } else {
            // Room for the caption over `headerLines` lines, never less than its longest word.
            const QString caption = Qs(grid.text(0, c));
            int longestWord = 0;
            for (const QString& word : caption.split(QLatin1Char(' ')))
                longestWord = std::max(longestWord, metrics.horizontalAdvance(word));
            // The narrowest width at which the caption wraps into `headerLines` lines.
            width = std::max(longestWord, 6 * digit);
            const auto lines = [&](int w) {
                return metrics.boundingRect(QRect(0, 0, w, 1000), Qt::TextWordWrap, caption).height() /
                       metrics.lineSpacing();
            };
            while (lines(width) > headerLines) width += digit;
            width += padding;
        }
        view->setColumnWidth(c - 1, width);
    }
}

} // namespace

QString ParameterTip(const ParameterInfo& info) {
    const CropControl* shown = FindCropControl(info);
    if (shown && shown->kind == ControlKind::List) {
        QStringList items;
        for (const std::string_view item : info.choices) items << Qs(item);
        return QStringLiteral("Choices: ") + items.join(QStringLiteral("; "));
    }
    if (shown && shown->kind == ControlKind::Check) return QStringLiteral("Ticked: 1; clear: 0");
    return Bounds(info.min, info.max, info.unit, info.minReason, info.maxReason, false);
}

QString LimitTip(const InputLimit& limit) {
    return Bounds(limit.min, limit.max, limit.unit, limit.minReason, limit.maxReason, limit.minExclusive);
}

QString ControlTip(std::string_view control) {
    const InputLimit* limit = FindFieldLimit(control);
    return limit ? LimitTip(*limit) : QString();
}

QLabel* FieldLabel(const QString& text, QWidget* field, int maxWidth) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    label->setToolTip(field->toolTip());
    if (label->sizeHint().width() > maxWidth) {
        // Layouts ask a wrapping label its height for a width they have not settled yet, and cut it:
        // a fixed width gives it a fixed height.
        label->setWordWrap(true);
        label->setFixedWidth(maxWidth);
        label->setMinimumHeight(label->heightForWidth(maxWidth));
    }
    return label;
}

QLabel* AddRow(QFormLayout* layout, const QString& text, QWidget* field, int maxWidth) {
    QLabel* label = FieldLabel(text, field, maxWidth);
    layout->addRow(label, field);
    return label;
}

QTableView* GridView(FormModel& form, std::string_view grid, QWidget* parent, int headerLines) {
    auto* view = new QTableView(parent);
    view->setObjectName(Qs(grid));
    auto* model = new GridTableModel(form, std::string(grid), view);
    auto* proxy = new LimitTipsProxy(std::string(grid), view);
    proxy->setSourceModel(model);
    view->setModel(proxy);

    const QFontMetrics metrics(view->font());
    view->verticalHeader()->setDefaultSectionSize(metrics.lineSpacing() + 6);
    view->verticalHeader()->setMinimumSectionSize(metrics.lineSpacing() + 2);
    QHeaderView* header = view->horizontalHeader();
    header->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter) | Qt::Alignment(Qt::TextWordWrap));
    if (headerLines > 1) header->setMinimumHeight(headerLines * metrics.lineSpacing() + 10);

    const std::string name(grid);
    const auto widths = [view, &form, name, headerLines] {
        ApplyColumnWidths(view, form.grid(name), headerLines);
    };
    widths();
    QObject::connect(model, &QAbstractItemModel::modelReset, view, widths);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, view, widths);
    QObject::connect(model, &QAbstractItemModel::columnsInserted, view, widths);
    return view;
}

GridTableModel* GridModel(QTableView* view) {
    auto* proxy = qobject_cast<QAbstractProxyModel*>(view->model());
    return static_cast<GridTableModel*>(proxy ? proxy->sourceModel() : view->model());
}

} // namespace tulo::app
