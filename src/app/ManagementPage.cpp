#include "app/ManagementPage.h"

#include "app/FormBinder.h"
#include "app/GridTableModel.h"
#include "app/PageTools.h"
#include "engine/Parameters.h"
#include "forms/InputControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace tulo::app {

namespace {

QLineEdit* Box(FormBinder& binder, std::string_view control, const QString& tip = {}) {
    auto* box = new QLineEdit;
    box->setObjectName(Qs(control));
    box->setMaximumWidth(120);
    const QString limit = ControlTip(control);
    box->setToolTip(limit.isEmpty() ? tip : limit);
    binder.bind(box, control);
    return box;
}

// An indented form under an option, so that its boxes read as belonging to it.
QWidget* Indented(const QString& label, QWidget* field) {
    auto* holder = new QWidget;
    auto* form = new QFormLayout(holder);
    form->setContentsMargins(24, 0, 0, 0);
    AddRow(form, label, field);
    return holder;
}

} // namespace

ManagementPage::ManagementPage(FormModel& form, FormBinder& binder, QWidget* parent)
    : QWidget(parent), form_(form) {
    auto* description = new QLineEdit;
    description->setObjectName(Qs(ctl::txtManagDescription));
    description->setPlaceholderText(QStringLiteral("Field, season, practice"));
    binder.bind(description, ctl::txtManagDescription);

    auto* site = new QGroupBox(QStringLiteral("Sowing and site"));
    auto* siteForm = new QFormLayout(site);
    AddRow(siteForm, QStringLiteral("Description"), description);
    AddRow(
        siteForm, QStringLiteral("Sowing date (DOY)"),
        Box(binder, ctl::txtSowingDate,
            QStringLiteral("Day of the season's year; a day after 365 (366 after a leap year) falls in the "
                           "next year")));
    AddRow(siteForm, QStringLiteral("Latitude (degrees)"), Box(binder, ctl::txtLatitude));

    auto* transplanting = new QGroupBox(QStringLiteral("Transplanting"));
    auto* transplantingLayout = new QVBoxLayout(transplanting);
    auto* transplanted = new QCheckBox(QStringLiteral("Transplanted"));
    transplanted->setObjectName(Qs(ctl::chkTransplanted));
    transplanted->setToolTip(QStringLiteral(
        "Raised in a seedbed from the sowing date, moved to the field on the transplanting date"));
    binder.bind(transplanted, ctl::chkTransplanted);
    transplantingLayout->addWidget(transplanted);
    transplantingFields_ = new QWidget;
    auto* transplantingForm = new QFormLayout(transplantingFields_);
    transplantingForm->setContentsMargins(24, 0, 0, 0);
    AddRow(transplantingForm, QStringLiteral("Transplanting date (DOY)"),
           Box(binder, ctl::txtTransplantingDate, QStringLiteral("Day of year, after the sowing date")));
    for (const CropControl& shown : CropControls()) {
        if (shown.group != ParameterGroup::Transplanting) continue;
        const ParameterInfo& p = *FindParameter(shown.id);
        QLineEdit* box = Box(binder, shown.control);
        box->setToolTip(ParameterTip(p));
        AddRow(transplantingForm, Qs(p.label), box);
    }
    transplantingLayout->addWidget(transplantingFields_);

    auto* water = new QGroupBox(QStringLiteral("Water management"));
    auto* waterLayout = new QVBoxLayout(water);
    auto* strategy = new QComboBox;
    strategy->setObjectName(Qs(ctl::cmbFlooded));
    binder.bind(strategy, ctl::cmbFlooded);
    auto* strategyForm = new QFormLayout;
    AddRow(strategyForm, QStringLiteral("Irrigation strategy"), strategy);
    waterLayout->addLayout(strategyForm);
    levels_ = new QWidget;
    auto* levelLayout = new QVBoxLayout(levels_);
    levelLayout->setContentsMargins(0, 0, 0, 0);
    auto* fixed = new QRadioButton(QStringLiteral("Fixed water level"));
    fixed->setObjectName(Qs(ctl::OptionFixWlevel));
    binder.bind(fixed, ctl::OptionFixWlevel);
    auto* dynamic = new QRadioButton(QStringLiteral("Dynamic water level"));
    dynamic->setObjectName(Qs(ctl::OptionDynamicWlevel));
    dynamic->setToolTip(
        QStringLiteral("The level follows the daily water input and the soil's water balance"));
    binder.bind(dynamic, ctl::OptionDynamicWlevel);
    fixedLevel_ = Indented(QStringLiteral("Water level (cm)"), Box(binder, ctl::txtWaterLevel));
    initialLevel_ =
        Indented(QStringLiteral("Initial water level (cm)"), Box(binder, ctl::txtInitialWaterLevel));
    levelLayout->addWidget(fixed);
    levelLayout->addWidget(fixedLevel_);
    levelLayout->addWidget(dynamic);
    levelLayout->addWidget(initialLevel_);
    waterLayout->addWidget(levels_);

    auto* cold = new QGroupBox(QStringLiteral("Prevent sterility due to cold shocks"));
    auto* coldLayout = new QVBoxLayout(cold);
    auto* activate = new QCheckBox(QStringLiteral("Activate"));
    activate->setObjectName(Qs(ctl::optWlevelIncrease));
    activate->setToolTip(QStringLiteral("Raise the water level between DVS 0.6 and 0.9"));
    binder.bind(activate, ctl::optWlevelIncrease);
    coldLayout->addWidget(activate);
    preFlowering_ = Indented(QStringLiteral("Water level during pre-flowering (cm)"),
                             Box(binder, ctl::txtPreFlowWaterLevel));
    coldLayout->addWidget(preFlowering_);

    auto* blast = new QGroupBox(QStringLiteral("Blast treatments"));
    auto* blastLayout = new QVBoxLayout(blast);
    const QString treatmentTip = QStringLiteral(
        "A fungicide treatment protects the crop from new blast infections on its day and the 21 days after "
        "it; an infection already under way runs its course. Treatments count only when a product is chosen "
        "and \"Simulation of diseases\" is ticked on the Control page. Every product protects alike.");
    auto* product = new QComboBox;
    product->setObjectName(Qs(ctl::cmbBlastProduct));
    binder.bind(product, ctl::cmbBlastProduct, true); // any product name protects
    product->setToolTip(treatmentTip);
    auto* productForm = new QFormLayout;
    AddRow(productForm, QStringLiteral("Product:"), product);
    blastLayout->addLayout(productForm);
    treatments_ = GridView(form, ctl::sprBlastTreatment, blast);
    treatments_->setToolTip(QStringLiteral("Day of year of each fungicide treatment.\n") + treatmentTip);
    treatments_->setSelectionBehavior(QAbstractItemView::SelectRows);
    treatments_->horizontalHeader()->setStretchLastSection(true);
    treatments_->setMaximumHeight(150);
    blastLayout->addWidget(treatments_);
    noProduct_ = new QLabel(QStringLiteral("No product chosen: these treatments do not protect the crop."));
    noProduct_->setObjectName(QStringLiteral("lblNoProduct"));
    noProduct_->setStyleSheet(QStringLiteral("color: #a04000"));
    blastLayout->addWidget(noProduct_);
    auto* buttons = new QHBoxLayout;
    treatmentDay_ = new QSpinBox;
    treatmentDay_->setObjectName(QStringLiteral("spnTreatmentDay"));
    treatmentDay_->setRange(1, 365);
    treatmentDay_->setValue(180);
    treatmentDay_->setPrefix(QStringLiteral("DOY "));
    auto* add = new QPushButton(QStringLiteral("Add treatment"));
    add->setObjectName(QStringLiteral("cmdAddTreatment"));
    auto* remove = new QPushButton(QStringLiteral("Remove treatment"));
    remove->setObjectName(QStringLiteral("cmdRemoveTreatment"));
    remove->setToolTip(QStringLiteral("Removes the selected treatment, or the last one"));
    buttons->addWidget(treatmentDay_);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    blastLayout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, &ManagementPage::addTreatment);
    connect(remove, &QPushButton::clicked, this, &ManagementPage::removeTreatment);

    auto* inflow = new QGroupBox(QStringLiteral("Daily water input"));
    auto* inflowLayout = new QVBoxLayout(inflow);
    inflowLayout->addWidget(GridView(form, ctl::sprDynWaterInput, inflow));
    auto* outflow = new QGroupBox(QStringLiteral("Daily water output"));
    auto* outflowLayout = new QVBoxLayout(outflow);
    outflowLayout->addWidget(GridView(form, ctl::sprDynWaterOutput, outflow));

    auto* left = new QVBoxLayout;
    left->addWidget(site);
    left->addWidget(transplanting);
    left->addWidget(water);
    left->addWidget(cold);
    left->addWidget(blast);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(inflow, 3);
    right->addWidget(outflow, 2);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    connect(&binder, &FormBinder::formChanged, this, &ManagementPage::refresh);
    refresh();
}

void ManagementPage::refresh() {
    levels_->setEnabled(form_.text(ctl::cmbFlooded) == choice::Flooded);
    fixedLevel_->setEnabled(form_.option(ctl::OptionFixWlevel));
    initialLevel_->setEnabled(form_.option(ctl::OptionDynamicWlevel));
    preFlowering_->setEnabled(form_.check(ctl::optWlevelIncrease) != 0);
    transplantingFields_->setEnabled(form_.check(ctl::chkTransplanted) != 0);
    noProduct_->setVisible(form_.grid(ctl::sprBlastTreatment).rows() > 0 &&
                           form_.text(ctl::cmbBlastProduct) == choice::NoTreatment);
}

void ManagementPage::addTreatment() {
    const std::string day = std::to_string(treatmentDay_->value());
    {
        const FormModel::Batch batch(form_, "Add treatment (DOY " + day + ")");
        form_.editGrid(ctl::sprBlastTreatment, [&](Grid& grid) {
            grid.resize(grid.rows() + 1, std::max(grid.cols(), 1));
            grid.setText(grid.rows(), 1, day);
        });
    } // announced here, so that the view has the new row before it scrolls to it
    treatments_->scrollToBottom();
    refresh();
}

void ManagementPage::removeTreatment() {
    const int rows = form_.grid(ctl::sprBlastTreatment).rows();
    if (rows == 0) return;
    const QModelIndexList selected = treatments_->selectionModel()->selectedRows();
    const int row = selected.isEmpty() ? rows : selected.front().row() + 1;
    const std::string day = form_.grid(ctl::sprBlastTreatment).text(row, 1);
    {
        const FormModel::Batch batch(form_,
                                     day.empty() ? "Remove treatment" : "Remove treatment (DOY " + day + ")");
        form_.editGrid(ctl::sprBlastTreatment, [&](Grid& grid) {
            for (int r = row; r < grid.rows(); ++r)
                for (int c = 1; c <= grid.cols(); ++c) grid.setText(r, c, grid.text(r + 1, c));
            grid.resize(grid.rows() - 1, grid.cols());
        });
    }
    // A row that held no text leaves no change behind, so the view is told of the new size itself.
    GridModel(treatments_)->reset();
    refresh();
}

} // namespace tulo::app
