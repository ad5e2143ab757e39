#include "app/DiseasesWindow.h"

#include "app/PageTools.h"
#include "disease/Varieties.h"
#include "forms/FormModel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string>

namespace tulo::app {

DiseasesWindow::DiseasesWindow(FormModel& form, QWidget* parent) : QDialog(parent), form_(form) {
    setObjectName(QStringLiteral("frmDiseases"));
    setWindowTitle(QStringLiteral("TULO - Diseases"));

    auto* frame = new QGroupBox(QStringLiteral("Blast (Pyricularia grisea (Cooke) Sacc.)"));
    frame->setObjectName(QStringLiteral("fraBlast"));
    choices_ = new QButtonGroup(this);
    auto* frameLayout = new QVBoxLayout(frame);
    for (const BlastChoice choice :
         {BlastChoice::MediumResistant, BlastChoice::MediumSusceptible, BlastChoice::Susceptible}) {
        const int index = static_cast<int>(choice);
        auto* button = new QRadioButton(Qs(BlastChoiceCaption(choice)));
        button->setObjectName(QStringLiteral("optBlast%1").arg(index));
        button->setToolTip(
            QStringLiteral("Stores the blast susceptibility class %1: infection starts only on "
                           "days whose risk level is above it")
                .arg(BlastChoiceClass(choice)));
        choices_->addButton(button, index);
        frameLayout->addWidget(button);
    }

    variety_ = new QComboBox;
    variety_->setObjectName(QStringLiteral("cmbRiceVariety"));
    for (const std::string_view name : BlastVarietyDisplayList()) variety_->addItem(Qs(name));
    variety_->setMaxVisibleItems(20);
    variety_->setPlaceholderText(QStringLiteral("Choose a variety"));
    variety_->setToolTip(QStringLiteral("A named variety chooses its susceptibility; \"other\" keeps the "
                                        "choice above"));
    connect(variety_, &QComboBox::textActivated, this, &DiseasesWindow::varietyChosen);
    frameLayout->addSpacing(6);
    frameLayout->addWidget(FieldLabel(QStringLiteral("Rice variety"), variety_));
    frameLayout->addWidget(variety_);

    saved_ = new QLabel;
    saved_->setObjectName(QStringLiteral("lblSavedClass"));
    saved_->setWordWrap(true);

    auto* saveButton = new QPushButton(QStringLiteral("Save"));
    saveButton->setObjectName(QStringLiteral("cmdSaveDeseases"));
    saveButton->setToolTip(QStringLiteral("Store the chosen class for the next runs"));
    connect(saveButton, &QPushButton::clicked, this, &DiseasesWindow::save);
    auto* exitButton = new QPushButton(QStringLiteral("Exit"));
    exitButton->setObjectName(QStringLiteral("cmdExit"));
    connect(exitButton, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(exitButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(saved_);
    layout->addLayout(buttons);
    reopen();
}

void DiseasesWindow::reopen() {
    choices_->button(static_cast<int>(BlastChoice::MediumResistant))->setChecked(true);
    variety_->setCurrentIndex(-1);
    saved_->clear();
}

int DiseasesWindow::choice() const {
    return choices_->checkedId();
}

void DiseasesWindow::varietyChosen(const QString& name) {
    if (const auto choice = BlastChoiceOfVariety(name.toStdString()))
        choices_->button(static_cast<int>(*choice))->setChecked(true);
}

void DiseasesWindow::save() {
    const auto choice = static_cast<BlastChoice>(choices_->checkedId());
    const std::int32_t blastClass = BlastChoiceClass(choice);
    form_.setText(ctl::txtBlastClass, std::to_string(blastClass));
    saved_->setText(QStringLiteral("Class %1 (%2) is stored for the next runs.")
                        .arg(blastClass)
                        .arg(Qs(BlastChoiceCaption(choice))));
}

} // namespace tulo::app
