#include "app/NewSeasonDialog.h"

#include "app/PageTools.h"
#include "base/Numbers.h"
#include "forms/UserInterface.h"
#include "io/WeatherFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace tulo::app {

namespace {

constexpr double kDefaultLevelCm = 5;

std::filesystem::path Path(const QString& file) {
    return std::filesystem::path(file.toStdString());
}

std::optional<std::string> Typed(const QLineEdit* box) {
    const QString text = box->text().trimmed();
    return text.isEmpty() ? std::nullopt : std::optional(text.toStdString());
}

QLineEdit* DayBox(const char* name, const QString& placeholder) {
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setPlaceholderText(placeholder);
    return box;
}

} // namespace

NewSeasonDialog::NewSeasonDialog(UserInterface& ui, MakeSeason make, QWidget* parent)
    : QDialog(parent), ui_(ui), make_(std::move(make)) {
    setObjectName(QStringLiteral("frmNewSeason"));
    setWindowTitle(QStringLiteral("New season from a weather file"));

    weather_ = new QLineEdit;
    weather_->setObjectName(QStringLiteral("txtSeasonWeather"));
    weather_->setPlaceholderText(QStringLiteral("DSSAT .WTH, NASA POWER CSV, APSIM .met or dated CSV"));
    weather_->setMinimumWidth(360);
    connect(weather_, &QLineEdit::editingFinished, this, [this] {
        const QString typed = weather_->text().trimmed();
        if (typed != read_ && !typed.isEmpty()) chooseWeather(typed);
    });
    auto* browse = new QPushButton(QStringLiteral("&Browse..."));
    browse->setObjectName(QStringLiteral("cmdSeasonBrowse"));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &NewSeasonDialog::browse);
    auto* file = new QHBoxLayout;
    file->addWidget(weather_, 1);
    file->addWidget(browse);

    about_ = new QLabel;
    about_->setObjectName(QStringLiteral("lblSeasonWeather"));
    about_->setWordWrap(true);

    year_ = new QComboBox;
    year_->setObjectName(QStringLiteral("cmbSeasonYear"));
    year_->setEnabled(false);
    year_->setToolTip(QStringLiteral("The season's first year, when the file holds several"));

    latitude_ = new QLineEdit;
    latitude_->setObjectName(QStringLiteral("txtSeasonLatitude"));
    latitude_->setToolTip(
        QStringLiteral("Degrees north, south negative: the weather file's, unless you type another"));
    sowing_ = DayBox("txtSeasonSowing", QStringLiteral("date (2019-11-15) or day of year (130)"));
    transplanting_ =
        DayBox("txtSeasonTransplanting", QStringLiteral("optional: sown in a seedbed, moved to the field"));
    start_ = DayBox("txtSeasonStart", QStringLiteral("optional: 1 January of the season's year"));
    end_ = DayBox("txtSeasonEnd", QStringLiteral("optional: 31 December, or a date of the next year"));

    flooded_ = new QCheckBox(QStringLiteral("Flooded"));
    flooded_->setObjectName(QStringLiteral("chkSeasonFlooded"));
    level_ = new QDoubleSpinBox;
    level_->setObjectName(QStringLiteral("txtSeasonWaterLevel"));
    level_->setRange(0, 100);
    level_->setDecimals(1);
    level_->setValue(kDefaultLevelCm);
    level_->setSuffix(QStringLiteral(" cm"));
    level_->setEnabled(false);
    connect(flooded_, &QCheckBox::toggled, level_, &QWidget::setEnabled);
    auto* water = new QHBoxLayout;
    water->addWidget(flooded_);
    water->addWidget(FieldLabel(QStringLiteral("Water level"), level_));
    water->addWidget(level_);
    water->addStretch(1);

    auto* form = new QFormLayout;
    form->addRow(FieldLabel(QStringLiteral("Weather file"), weather_), file);
    form->addRow(QString(), about_);
    AddRow(form, QStringLiteral("Year"), year_);
    AddRow(form, QStringLiteral("Latitude (degrees north)"), latitude_);
    AddRow(form, QStringLiteral("Sowing day"), sowing_);
    AddRow(form, QStringLiteral("Transplanting day"), transplanting_);
    AddRow(form, QStringLiteral("First simulated day"), start_);
    AddRow(form, QStringLiteral("Last simulated day"), end_);
    form->addRow(QString(), water);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Make the season"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdSeasonMake"));
    connect(buttons, &QDialogButtonBox::accepted, this, &NewSeasonDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

bool NewSeasonDialog::chooseWeather(const QString& file) {
    weather_->setText(file);
    read_ = file;
    year_->clear();
    year_->setEnabled(false);
    about_->clear();
    if (fileLatitude_ && ParseNumber(latitude_->text().toStdString()) == fileLatitude_) latitude_->clear();
    fileLatitude_.reset();
    WeatherFileSeries series;
    try {
        BusyPointer busy(ui_);
        series = ReadWeatherFile(Path(file));
    } catch (const WeatherFileError& e) {
        ui_.message(e.what(), {}, Icon::Exclamation);
        return false;
    }
    const std::vector<int> years = series.years();
    if (years.empty()) {
        ui_.message(file.toStdString() + ": the file holds no day of weather.", {}, Icon::Exclamation);
        return false;
    }
    for (const int year : years) year_->addItem(QString::number(year), year);
    // The most recent season is the one most often wanted.
    year_->setCurrentIndex(year_->count() - 1);
    year_->setEnabled(years.size() > 1);
    fileLatitude_ = series.latitude;
    if (fileLatitude_) latitude_->setText(Qs(ShortestText(*fileLatitude_)));
    QString about = Qs(DescribeWeatherFormat(series.format));
    about[0] = about[0].toUpper();
    about += years.size() > 1 ? QStringLiteral(" of %1 to %2").arg(years.front()).arg(years.back())
                              : QStringLiteral(" of %1").arg(years.front());
    about += fileLatitude_ ? QStringLiteral(", at latitude %1°.").arg(Qs(ShortestText(*fileLatitude_)))
                           : QStringLiteral(", without a latitude: type the site's.");
    about_->setText(about);
    return true;
}

SeasonOptions NewSeasonDialog::options() const {
    SeasonOptions options;
    options.optionPrefix.clear();
    options.weather = Typed(weather_);
    // The season's first year: its later dates may fall in the next years.
    if (year_->count() > 0) options.year = year_->currentData().toInt();
    // The file's own latitude is given by the file, to the last digit it holds.
    options.latitude = Typed(latitude_);
    if (options.latitude && fileLatitude_ && ParseNumber(*options.latitude) == fileLatitude_)
        options.latitude.reset();
    options.sowing = Typed(sowing_);
    options.transplanting = Typed(transplanting_);
    options.start = Typed(start_);
    options.end = Typed(end_);
    return options;
}

std::optional<double> NewSeasonDialog::floodedLevel() const {
    return flooded_->isChecked() ? std::optional(level_->value()) : std::nullopt;
}

void NewSeasonDialog::accept() {
    const QString typed = weather_->text().trimmed();
    if (typed.isEmpty()) {
        ui_.message("Choose the season's weather file.", {}, Icon::Exclamation);
        return;
    }
    if (typed != read_ && !chooseWeather(typed)) return;
    if (!fileLatitude_ && !Typed(latitude_)) {
        ui_.message(typed.toStdString() + " gives no latitude: type the site's, in degrees north.", {},
                    Icon::Exclamation);
        latitude_->setFocus();
        return;
    }
    if (!Typed(sowing_)) {
        ui_.message("Type the sowing day: a day of year (130) or a date (2019-05-10).", {},
                    Icon::Exclamation);
        sowing_->setFocus();
        return;
    }
    if (make_(options(), floodedLevel())) QDialog::accept();
}

void NewSeasonDialog::browse() {
    const FileDialog dialog{
        "TULO - Choose the season's weather file",
        {},
        "Weather files (*.WTH *.wth *.met *.csv)|*.WTH;*.wth;*.met;*.csv|All files (*.*)|*.*"};
    if (const auto chosen = ui_.openFile(dialog); chosen && !chosen->empty()) chooseWeather(Qs(*chosen));
}

} // namespace tulo::app
