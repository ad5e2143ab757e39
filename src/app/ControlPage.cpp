#include "app/ControlPage.h"

#include "app/FormBinder.h"
#include "app/PageTools.h"
#include "engine/Outputs.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tulo::app {

namespace {

QLineEdit* DayBox(FormBinder& binder, std::string_view control) {
    auto* box = new QLineEdit;
    box->setObjectName(Qs(control));
    box->setMaximumWidth(120);
    box->setToolTip(QStringLiteral("Day of year, 1 to 365"));
    binder.bind(box, control);
    return box;
}

template <class Button> Button* Bound(FormBinder& binder, std::string_view control, const QString& caption) {
    auto* button = new Button(caption);
    button->setObjectName(Qs(control));
    binder.bind(button, control);
    return button;
}

} // namespace

ControlPage::ControlPage(FormModel& form, FormBinder& binder, QWidget* parent)
    : QWidget(parent), form_(form) {
    auto* period = new QGroupBox(QStringLiteral("Simulation period"));
    auto* periodForm = new QFormLayout(period);
    AddRow(periodForm, QStringLiteral("Initial date (DOY)"), DayBox(binder, ctl::txtInitialDate));
    AddRow(periodForm, QStringLiteral("Final date (DOY)"), DayBox(binder, ctl::txtFinalDate));

    auto* lai = new QGroupBox(QStringLiteral("LAI options"));
    auto* laiLayout = new QVBoxLayout(lai);
    laiLayout->addWidget(
        Bound<QRadioButton>(binder, ctl::OptionLAItulo, QStringLiteral("LAI calculated by TULO")));
    laiLayout->addWidget(Bound<QRadioButton>(binder, ctl::OptionLAIndvi,
                                             QStringLiteral("Forcing LAI with NDVI-derived data")));
    ndviFields_ = new QWidget;
    auto* ndviForm = new QFormLayout(ndviFields_);
    ndviForm->setContentsMargins(24, 0, 0, 0);
    AddRow(ndviForm, QStringLiteral("DOY"), DayBox(binder, ctl::txtDOYforcingLAI));
    auto* forcedLai = new QLineEdit;
    forcedLai->setObjectName(Qs(ctl::txtforcingLAI));
    forcedLai->setMaximumWidth(120);
    forcedLai->setToolTip(QStringLiteral("Green area index derived from NDVI on that day"));
    binder.bind(forcedLai, ctl::txtforcingLAI);
    AddRow(ndviForm, QStringLiteral("LAI (m2/m2)"), forcedLai);
    laiLayout->addWidget(ndviFields_);

    auto* switches = new QGroupBox(QStringLiteral("Simulation options"));
    auto* switchLayout = new QVBoxLayout(switches);
    switchLayout->addWidget(
        Bound<QCheckBox>(binder, ctl::chkSoil, QStringLiteral("Simulation of soil dynamics")));
    switchLayout->addWidget(
        Bound<QCheckBox>(binder, ctl::chkDiseases, QStringLiteral("Simulation of diseases")));

    auto* report = new QGroupBox(QStringLiteral("Report"));
    auto* reportLayout = new QVBoxLayout(report);
    reportLayout->addWidget(Bound<QRadioButton>(binder, ctl::optReportAlways,
                                                QStringLiteral("Always generate an Excel report file")));
    reportLayout->addWidget(
        Bound<QRadioButton>(binder, ctl::optReportAsk,
                            QStringLiteral("Always ask me if I want to generate an Excel report file")));
    reportLayout->addWidget(
        Bound<QRadioButton>(binder, ctl::optReportNever,
                            QStringLiteral("Do not ask me if I want to generate an Excel report file")));

    auto* variables = new QGroupBox(QStringLiteral("Available output variables"));
    variables->setObjectName(QStringLiteral("fraOutputVariables"));
    auto* variableLayout = new QVBoxLayout(variables);
    const auto& reportVariables = ReportVariables();
    for (int i = 1; i <= kReportVariables; ++i) {
        const ReportVariable& v = reportVariables[static_cast<std::size_t>(i - 1)];
        auto* box = Bound<QCheckBox>(binder, ctl::chkReport(i), Qs(v.caption));
        box->setToolTip(QStringLiteral("Report column \"") + Qs(v.header) + QLatin1Char('"'));
        variableLayout->addWidget(box);
    }
    auto* selectAll = new QPushButton(QStringLiteral("Select all the variables"));
    selectAll->setObjectName(QStringLiteral("cmdSelectAllVar"));
    connect(selectAll, &QPushButton::clicked, this, [this] {
        FormModel::Batch batch(form_); // one step to undo
        for (int i = 1; i <= kReportVariables; ++i) form_.setCheck(ctl::chkReport(i), 1);
    });
    variableLayout->addSpacing(6);
    variableLayout->addWidget(selectAll, 0, Qt::AlignLeft);
    variableLayout->addStretch();

    auto* left = new QVBoxLayout;
    left->addWidget(period);
    left->addWidget(lai);
    left->addWidget(switches);
    left->addWidget(report);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(variables);
    right->addStretch();
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    connect(&binder, &FormBinder::formChanged, this, &ControlPage::refresh);
    refresh();
}

void ControlPage::refresh() {
    ndviFields_->setEnabled(form_.option(ctl::OptionLAIndvi));
}

} // namespace tulo::app
