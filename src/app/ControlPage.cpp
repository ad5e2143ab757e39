#include "app/ControlPage.h"

#include "app/FormBinder.h"
#include "app/PageTools.h"
#include "base/Calendar.h"
#include "base/Numbers.h"
#include "engine/Outputs.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tulo::app {

namespace {

QLineEdit* DayBox(FormBinder& binder, std::string_view control) {
    auto* box = new QLineEdit;
    box->setObjectName(Qs(control));
    box->setMaximumWidth(120);
    box->setToolTip(
        QStringLiteral("Day of the season's year (1 to 366); a season across 31 December counts on "
                       "into the next year (366 or 367 is its 1 January)"));
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
    // The days' dates in the season's calendar, which only a known year fixes (day 60 is 29 February
    // of a leap year).
    seasonDates_ = new QLabel;
    seasonDates_->setObjectName(QStringLiteral("lblSeasonDates"));
    periodForm->addRow(seasonDates_);

    auto* lai = new QGroupBox(QStringLiteral("LAI options"));
    auto* laiLayout = new QGridLayout(lai);
    laiLayout->setColumnStretch(0, 1);
    const auto option = [&](int k, std::string_view control, const QString& caption) {
        auto* button = Bound<QRadioButton>(binder, control, caption);
        // The user's click, not a load or an undo, is what asks the option's questions.
        connect(button, &QRadioButton::clicked, this, [this, k] { emit laiOptionClicked(k); });
        auto* help = new QToolButton;
        help->setText(QStringLiteral("?"));
        help->setObjectName(QStringLiteral("cmdLAIoptHelp%1").arg(k));
        help->setToolTip(QStringLiteral("What this option does"));
        connect(help, &QToolButton::clicked, this, [this, k] { emit laiHelpRequested(k); });
        const int row = laiLayout->rowCount();
        laiLayout->addWidget(button, row, 0);
        laiLayout->addWidget(help, row, 1, Qt::AlignRight);
        return button;
    };
    const auto command = [this](const char* name, const QString& caption, void (ControlPage::*signal)()) {
        auto* button = new QPushButton(caption);
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this, signal);
        return button;
    };
    // Commands and boxes sit indented under the option that enables them.
    const auto indented = [&](QLayout* content) {
        auto* holder = new QWidget;
        holder->setLayout(content);
        content->setContentsMargins(24, 0, 0, 4);
        laiLayout->addWidget(holder, laiLayout->rowCount(), 0, 1, 2);
        return holder;
    };

    option(1, ctl::OptionLAItulo, QStringLiteral("LAI calculated by TULO"));
    option(2, ctl::OptionLAIndvi, QStringLiteral("Forcing LAI with NDVI-derived data"));
    auto* ndviForm = new QFormLayout;
    AddRow(ndviForm, QStringLiteral("DOY"), DayBox(binder, ctl::txtDOYforcingLAI));
    auto* forcedLai = new QLineEdit;
    forcedLai->setObjectName(Qs(ctl::txtforcingLAI));
    forcedLai->setMaximumWidth(120);
    forcedLai->setToolTip(QStringLiteral("Green area index derived from NDVI on that day"));
    binder.bind(forcedLai, ctl::txtforcingLAI);
    AddRow(ndviForm, QStringLiteral("LAI (m2/m2)"), forcedLai);
    ndviFields_ = indented(ndviForm);
    forceLai_ = command("cmdForceLAI", QStringLiteral("Force LAI"), &ControlPage::forceLaiClicked);
    forceLai_->setToolTip(QStringLiteral("Correct the latest run with this LAI on this day"));
    performanceIndex_ = command("cmdLAIperformanceIndex", QStringLiteral("LAI simulation performance Index"),
                                &ControlPage::laiPerformanceIndexClicked);
    performanceIndex_->setToolTip(
        QStringLiteral("Agreement of the simulated LAI with the exogenous LAI table"));
    auto* ndviCommands = new QHBoxLayout;
    ndviCommands->addWidget(forceLai_);
    ndviCommands->addWidget(performanceIndex_);
    ndviCommands->addStretch();
    indented(ndviCommands);

    auto* recalibrate =
        option(3, ctl::OptionLAIRecalReinit,
               QStringLiteral("Recalibrate and Reinitialize TULO using remotely sensed LAI data"));
    recalibrate->setToolTip(QStringLiteral(
        "Estimate the sowing day and crop parameters from the exogenous LAI table; a run is unchanged"));
    reinit_ = command("cmdReinitLAI", QStringLiteral("Recalibrate and reinitialize..."),
                      &ControlPage::reinitClicked);
    reinit_->setToolTip(QStringLiteral(
        "Search the sowing day, TSUM1 and RUE whose LAI agrees best with the exogenous LAI table"));
    auto* reinitCommands = new QHBoxLayout;
    reinitCommands->addWidget(reinit_);
    reinitCommands->addStretch();
    indented(reinitCommands);
    option(4, ctl::OptionLAIexoDaily, QStringLiteral("Exogenous LAI data for each simulation day"));
    dailyExoLai_ =
        command("cmdDailyExoLAI", QStringLiteral("Daily exogenous LAI"), &ControlPage::dailyExoLaiClicked);
    dailyExoLai_->setToolTip(
        QStringLiteral("Force the latest run with every day of the exogenous LAI table"));
    auto* daily = new QHBoxLayout;
    daily->addWidget(dailyExoLai_);
    daily->addStretch();
    indented(daily);
    option(5, ctl::OptionLAIexoPeriodic, QStringLiteral("Exogenous LAI data periodically available"));
    periodicForcing_ = command("cmdPeriodicForcing", QStringLiteral("Multiple LAI forcing"),
                               &ControlPage::periodicForcingClicked);
    periodicForcing_->setToolTip(
        QStringLiteral("Force the latest run with every row of the exogenous LAI table"));
    auto* periodic = new QHBoxLayout;
    periodic->addWidget(periodicForcing_);
    periodic->addStretch();
    indented(periodic);

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
        FormModel::Batch batch(form_, "Select all the variables"); // one step to undo
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
    const bool ndvi = form_.option(ctl::OptionLAIndvi);
    const bool daily = form_.option(ctl::OptionLAIexoDaily);
    const bool periodic = form_.option(ctl::OptionLAIexoPeriodic);
    ndviFields_->setEnabled(ndvi);
    forceLai_->setEnabled(ndvi);
    // The index compares the run with the exogenous table, which the daily and periodic options fill.
    performanceIndex_->setEnabled(ndvi || daily || periodic);
    dailyExoLai_->setEnabled(daily);
    periodicForcing_->setEnabled(periodic);
    reinit_->setEnabled(form_.option(ctl::OptionLAIRecalReinit));

    // The simulated days: from the initial date to the day before the final one, which the loop stops
    // at; a season across 31 December shows its later days in the next year.
    const auto year = ParseSeasonYear(form_.text(ctl::txtSeasonYear));
    const auto date = [&](std::string_view control, int offset) {
        const auto day = ParseInt32(form_.text(control));
        const auto civil = day && year ? DateOfSeasonDay(*day + offset, *year) : std::nullopt;
        return civil ? Qs(DayMonthText(*day + offset, *year)) + QStringLiteral(" ") +
                           QString::number(civil->year)
                     : QStringLiteral("?");
    };
    seasonDates_->setText(year ? QStringLiteral("Season of %1: %2 to %3")
                                     .arg(*year)
                                     .arg(date(ctl::txtInitialDate, 0), date(ctl::txtFinalDate, -1))
                               : QString());
    seasonDates_->setVisible(year.has_value());
}

} // namespace tulo::app
