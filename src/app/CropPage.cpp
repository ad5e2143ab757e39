#include "app/CropPage.h"

#include "app/FormBinder.h"
#include "app/PageTools.h"
#include "engine/Parameters.h"
#include "forms/InputControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tulo::app {

namespace {

QWidget* Field(const ParameterInfo& p, const CropControl& shown, FormBinder& binder) {
    QWidget* field = nullptr;
    if (shown.kind == ControlKind::List) {
        auto* list = new QComboBox;
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        binder.bind(list, shown.control);
        field = list;
    } else {
        auto* box = new QLineEdit;
        box->setMaximumWidth(110);
        binder.bind(box, shown.control);
        field = box;
    }
    field->setObjectName(Qs(shown.control));
    field->setToolTip(ParameterTip(p));
    // A label that already names the unit in brackets is not repeated, and a pure number has none.
    const bool unitInLabel = p.label.find('(') != std::string_view::npos;
    const bool dimensionless = p.unit.empty() || p.unit == "-" || p.unit == "\u2013";
    if (unitInLabel || dimensionless || shown.kind != ControlKind::Text) return field;
    auto* withUnit = new QWidget;
    auto* row = new QHBoxLayout(withUnit);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(field);
    row->addWidget(new QLabel(Qs(p.unit)));
    row->addStretch();
    return withUnit;
}

QFormLayout* SectionForm(QWidget* parent) {
    auto* form = new QFormLayout(parent);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return form;
}

} // namespace

CropPage::CropPage(FormModel& form, FormBinder& binder, QWidget* parent) : QWidget(parent), form_(form) {
    auto* development = new QGroupBox(QStringLiteral("Development parameters"));
    auto* biomass = new QGroupBox(QStringLiteral("AGB accumulation parameters and partitioning"));
    auto* sterility = new QGroupBox(QStringLiteral("Sterility related parameters"));
    QFormLayout* developmentForm = SectionForm(development);
    QFormLayout* biomassForm = SectionForm(biomass);
    auto* sterilityLayout = new QVBoxLayout(sterility);
    sterilityFields_ = new QWidget;
    QFormLayout* sterilityForm = SectionForm(sterilityFields_);
    sterilityForm->setContentsMargins(0, 0, 0, 0);

    for (const CropControl& shown : CropControls()) {
        // The transplanting's parameters sit on the Management page, with the transplanting date.
        if (shown.group == ParameterGroup::Transplanting) continue;
        const ParameterInfo& p = *FindParameter(shown.id);
        if (shown.kind == ControlKind::Check) {
            auto* box = new QCheckBox(Qs(p.label));
            box->setObjectName(Qs(shown.control));
            box->setToolTip(ParameterTip(p));
            binder.bind(box, shown.control);
            sterilityLayout->insertWidget(0, box);
            continue;
        }
        QWidget* field = Field(p, shown, binder);
        switch (shown.group) {
        case ParameterGroup::Development:
            AddRow(developmentForm, Qs(p.label), field);
            break;
        case ParameterGroup::Biomass:
            AddRow(biomassForm, Qs(p.label), field);
            break;
        case ParameterGroup::Sterility:
        case ParameterGroup::Transplanting:
            AddRow(sterilityForm, Qs(p.label), field);
            break;
        }
    }
    sterilityLayout->addWidget(sterilityFields_);

    auto* description = new QLineEdit;
    description->setObjectName(Qs(ctl::txtCropDescription));
    description->setPlaceholderText(QStringLiteral("Cultivar, origin, source of the parameters"));
    binder.bind(description, ctl::txtCropDescription);
    auto* descriptionRow = new QFormLayout;
    AddRow(descriptionRow, QStringLiteral("Description"), description);

    auto* first = new QVBoxLayout;
    first->addWidget(development);
    first->addWidget(sterility);
    first->addStretch();
    auto* second = new QVBoxLayout;
    second->addWidget(biomass);
    second->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(first, 1);
    columns->addLayout(second, 1);

    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->addLayout(descriptionRow);
    contentLayout->addLayout(columns);
    contentLayout->addStretch();
    // On a small screen the page scrolls rather than squeezing its labels.
    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(scroll);

    connect(&binder, &FormBinder::formChanged, this, &CropPage::refresh);
    refresh();
}

void CropPage::refresh() {
    sterilityFields_->setEnabled(form_.check(ctl::chkSterilityActive) != 0);
}

} // namespace tulo::app
