#include "app/QtUserInterface.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QObject>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>

namespace tulo::app {

namespace {

const QString kLastFolder = QStringLiteral("lastFolder");

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The program's texts break lines with a carriage return.
QString Lines(std::string_view text) {
    return FromUtf8(text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QString Title(std::string_view title) {
    return title.empty() ? kApplicationTitle : FromUtf8(title);
}

QMessageBox::Icon BoxIcon(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// "description (*.a *.b)|*.a;*.b|..." as Qt's "description (*.a *.b);;...". Qt's "*.*" only matches
// names with a dot, so "all files" becomes "*".
QString QtFilter(std::string_view filter) {
    const QStringList parts = FromUtf8(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.isEmpty()) continue;
        if (!description.contains(QLatin1Char('(')) && i + 1 < parts.size())
            description += QStringLiteral(" (") +
                           parts[i + 1].split(QLatin1Char(';')).join(QLatin1Char(' ')) + QLatin1Char(')');
        filters << description.replace(QStringLiteral("*.*"), QStringLiteral("*"));
    }
    return filters.join(QStringLiteral(";;"));
}

// The folder the dialog opens in and the name it proposes: a bare pattern such as "*.xlsx" is the
// filter's business, not a name.
QString StartPath(const FileDialog& dialog) {
    const QString folder = QSettings().value(kLastFolder, QDir::homePath()).toString();
    const QString name = FromUtf8(dialog.fileName);
    if (name.isEmpty() || name.contains(QLatin1Char('*'))) return folder;
    const QFileInfo info(name);
    return info.isAbsolute() ? name : QDir(folder).filePath(name);
}

std::optional<std::string> Chosen(const QString& file) {
    if (file.isEmpty()) return std::nullopt;
    QSettings().setValue(kLastFolder, QFileInfo(file).absolutePath());
    return QDir::toNativeSeparators(file).toStdString();
}

// Owned by its window as a child object, so that it goes with it.
class ToolWindowUi : public QObject, public UserInterface {
public:
    ToolWindowUi(UserInterface& main, QWidget* window)
        : QObject(window), own_(ShowsDialogs(main) ? std::optional<QtUserInterface>(window) : std::nullopt),
          target_(own_ ? *own_ : main) {}

    // A window opened by a tool window (the sensitivity results) is handed that window's interface.
    static bool ShowsDialogs(UserInterface& ui) {
        if (dynamic_cast<QtUserInterface*>(&ui)) return true;
        const auto* tool = dynamic_cast<ToolWindowUi*>(&ui);
        return tool && tool->own_;
    }

    void message(std::string_view text, std::string_view title, Icon icon) override {
        target_.message(text, title, icon);
    }
    void problem(const InputProblem& problem) override { target_.problem(problem); }
    Answer ask(std::string_view text, Buttons buttons, std::string_view title, Icon icon) override {
        return target_.ask(text, buttons, title, icon);
    }
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view defaultAnswer) override {
        return target_.input(prompt, title, defaultAnswer);
    }
    std::optional<std::string> openFile(const FileDialog& dialog) override {
        return target_.openFile(dialog);
    }
    std::optional<std::string> saveFile(const FileDialog& dialog) override {
        return target_.saveFile(dialog);
    }
    void setBusy(bool busy) override { target_.setBusy(busy); }

private:
    std::optional<QtUserInterface> own_;
    UserInterface& target_;
};

} // namespace

UserInterface& ToolWindowInterface(UserInterface& main, QWidget* window) {
    return *new ToolWindowUi(main, window);
}

QtUserInterface::QtUserInterface(QWidget* parent) : parent_(parent) {}

void QtUserInterface::message(std::string_view text, std::string_view title, Icon icon) {
    QMessageBox box(BoxIcon(icon), Title(title), {}, QMessageBox::Ok, parent_);
    // A single line break separates the message from its cause (a reader's reason, a file name): the
    // cause goes to the details, where a long path does not widen the box.
    const auto split = text.find('\r');
    if (split != std::string_view::npos && text.substr(split + 1, 1) != "\r") {
        box.setText(Lines(text.substr(0, split)));
        box.setDetailedText(Lines(text.substr(split + 1)));
    } else {
        box.setText(Lines(text));
    }
    box.exec();
}

Answer QtUserInterface::ask(std::string_view text, Buttons buttons, std::string_view title, Icon icon) {
    QMessageBox::StandardButtons offered;
    switch (buttons) {
    case Buttons::Ok:
        offered = QMessageBox::Ok;
        break;
    case Buttons::OkCancel:
        offered = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Buttons::YesNo:
        offered = QMessageBox::Yes | QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
        offered = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    QMessageBox box(BoxIcon(icon), Title(title), Lines(text), offered, parent_);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Closing the box is the safe answer: Cancel where it is offered, otherwise No or Ok.
        if (buttons == Buttons::YesNo) return Answer::No;
        if (buttons == Buttons::Ok) return Answer::Ok;
        return Answer::Cancel;
    }
}

std::optional<std::string> QtUserInterface::input(std::string_view prompt, std::string_view title,
                                                  std::string_view defaultAnswer) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent_, Title(title), Lines(prompt), QLineEdit::Normal,
                                                 FromUtf8(defaultAnswer), &ok);
    if (!ok) return std::nullopt;
    return answer.toStdString();
}

std::optional<std::string> QtUserInterface::openFile(const FileDialog& dialog) {
    return Chosen(QFileDialog::getOpenFileName(parent_, Title(dialog.title), StartPath(dialog),
                                               QtFilter(dialog.filter)));
}

std::optional<std::string> QtUserInterface::saveFile(const FileDialog& dialog) {
    QString selected;
    // The core asks before it overwrites a file, in its own words.
    QString file =
        QFileDialog::getSaveFileName(parent_, Title(dialog.title), StartPath(dialog), QtFilter(dialog.filter),
                                     &selected, QFileDialog::DontConfirmOverwrite);
    // A name typed without an extension takes the kind chosen in the dialog ("CSV file (*.csv)").
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    if (const auto match = pattern.match(selected);
        !file.isEmpty() && QFileInfo(file).suffix().isEmpty() && match.hasMatch())
        file += QLatin1Char('.') + match.captured(1);
    return Chosen(file);
}

void QtUserInterface::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace tulo::app
