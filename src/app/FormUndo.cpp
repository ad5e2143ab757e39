#include "app/FormUndo.h"

#include "calibration/CalibrationParameters.h"
#include "engine/Parameters.h"
#include "forms/InputControls.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <utility>
#include <vector>

namespace tulo::app {

namespace {

// Keystrokes in one text box closer together than this are one edit to undo.
constexpr auto kTypingPause = std::chrono::milliseconds(1500);
constexpr int kTypingCommand = 1;
// A command names at most this many fields; more are counted instead.
constexpr std::size_t kNamedFields = 3;

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "Sowing date (DOY):" reads "Sowing date" in a sentence; "&&" is a literal ampersand.
QString Caption(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    text = text.simplified();
    if (text.endsWith(QLatin1Char(':'))) text.chop(1);
    if (const qsizetype unit = text.lastIndexOf(QStringLiteral(" ("));
        unit > 0 && text.endsWith(QLatin1Char(')')))
        text.truncate(unit);
    return text.trimmed();
}

QString Enumerate(const QStringList& names) {
    if (names.size() < 2) return names.join(QString());
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + names.back();
}

QString DescribeCell(const FormChange& change, const FormModel& form,
                     const std::function<QString(std::string_view)>& caption) {
    const std::string& column = form.grid(change.id).text(0, change.column);
    return QStringLiteral("Change %1 cell (row %2, %3)")
        .arg(caption(change.id))
        .arg(change.row)
        .arg(column.empty() ? QStringLiteral("column %1").arg(change.column) : Q(column));
}

QString DescribeControl(const FormChange& change, const FormModel& form,
                        const std::function<QString(std::string_view)>& caption) {
    switch (form.kind(change.id)) {
    case ControlKind::Text:
    case ControlKind::List:
        break;
    case ControlKind::Check:
        return (change.newText == "0" ? QStringLiteral("Untick ") : QStringLiteral("Tick ")) +
               caption(change.id);
    case ControlKind::Option:
        return change.newText.empty() ? QStringLiteral("Clear ") + caption(change.id)
                                      : QStringLiteral("Select ") + caption(change.newText);
    }
    return QStringLiteral("Change ") + caption(change.id);
}

} // namespace

std::map<std::string, QString, std::less<>> FieldCaptions(const QWidget& root, const FormModel& form) {
    std::map<std::string, QString, std::less<>> captions = {
        // Fields whose labels only make sense beside them.
        {std::string(ctl::txtCropDescription), QStringLiteral("crop description")},
        {std::string(ctl::txtManagDescription), QStringLiteral("management description")},
        {std::string(ctl::txtDOYforcingLAI), QStringLiteral("NDVI day")},
        {std::string(ctl::txtforcingLAI), QStringLiteral("NDVI LAI")},
        {std::string(ctl::optWlevelIncrease), QStringLiteral("Prevent sterility due to cold shocks")},
        {std::string(ctl::cmbBlastProduct), QStringLiteral("treatment product")},
        // Shown by the diseases window only.
        {std::string(ctl::txtBlastClass), QStringLiteral("blast susceptibility class")},
        // Set by the weather it came with.
        {std::string(ctl::txtSeasonYear), QStringLiteral("season's year")},
        {std::string(ctl::sprWeather), QStringLiteral("weather table")},
        {std::string(ctl::sprSoilPhysics), QStringLiteral("soil table")},
        {std::string(ctl::sprDynWaterInput), QStringLiteral("daily water input table")},
        {std::string(ctl::sprDynWaterOutput), QStringLiteral("daily water output table")},
        {std::string(ctl::sprBlastTreatment), QStringLiteral("blast treatment table")},
    };
    for (const CalibrationParameter& p : CalibrationParameters())
        if (const std::string_view control = ControlOf(*FindParameter(p.id)); !control.empty())
            captions.emplace(std::string(control), Q(p.caption));
    const auto known = [&](const QObject* widget) {
        return widget != nullptr && form.hasControl(widget->objectName().toStdString());
    };
    for (const QLabel* label : root.findChildren<QLabel*>())
        if (known(label->buddy()))
            captions.emplace(label->buddy()->objectName().toStdString(), Caption(label->text()));
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>())
        if ((qobject_cast<const QCheckBox*>(button) || qobject_cast<const QRadioButton*>(button)) &&
            known(button))
            captions.emplace(button->objectName().toStdString(), Caption(button->text()));
    for (const CropControl& shown : CropControls())
        if (const ParameterInfo& p = *FindParameter(shown.id); !p.label.empty())
            captions.emplace(std::string(shown.control), Caption(Q(p.label)));
    return captions;
}

QString DescribeChanges(std::span<const FormChange> changes, const FormModel& form,
                        const std::function<QString(std::string_view)>& caption) {
    if (changes.empty()) return {};
    if (changes.size() == 1)
        return changes[0].row >= 0 ? DescribeCell(changes[0], form, caption)
                                   : DescribeControl(changes[0], form, caption);
    const bool oneGrid = std::all_of(changes.begin(), changes.end(), [&](const FormChange& c) {
        return c.row >= 0 && c.id == changes[0].id;
    });
    if (oneGrid)
        return QStringLiteral("Change %1 cells of the %2").arg(changes.size()).arg(caption(changes[0].id));
    QStringList names;
    for (const FormChange& change : changes) {
        const QString name = caption(change.id);
        if (!names.contains(name)) names << name;
    }
    if (names.size() > static_cast<qsizetype>(kNamedFields))
        return QStringLiteral("Change %1 values").arg(changes.size());
    return QStringLiteral("Change ") + Enumerate(names);
}

class FormChangeCommand : public QUndoCommand {
public:
    FormChangeCommand(FormUndo& owner, std::vector<FormChange> changes, const QString& label)
        : owner_(owner), changes_(std::move(changes)), when_(std::chrono::steady_clock::now()),
          typed_(label.isEmpty() && changes_.size() == 1 && changes_[0].row < 0 &&
                 owner.form_.kind(changes_[0].id) == ControlKind::Text) {
        setText(!label.isEmpty() ? label
                                 : DescribeChanges(changes_, owner.form_, [&owner](std::string_view id) {
                                       return owner.caption(id);
                                   }));
    }

    void undo() override { apply(true); }
    void redo() override {
        // The first redo comes from QUndoStack::push, after the form has already changed.
        if (std::exchange(pushed_, false)) return;
        apply(false);
    }

    int id() const override { return typed_ ? kTypingCommand : -1; }

    bool mergeWith(const QUndoCommand* other) override {
        const auto& next = static_cast<const FormChangeCommand&>(*other);
        if (next.changes_[0].id != changes_[0].id || next.when_ - when_ > kTypingPause) return false;
        changes_[0].newText = next.changes_[0].newText;
        when_ = next.when_;
        setObsolete(changes_[0].newText == changes_[0].oldText);
        return true;
    }

private:
    void apply(bool undo) {
        const bool before = std::exchange(owner_.applying_, true);
        owner_.form_.apply(changes_, undo);
        owner_.applying_ = before;
    }

    FormUndo& owner_;
    std::vector<FormChange> changes_;
    std::chrono::steady_clock::time_point when_;
    bool typed_; // one value of a text box, which typing changes keystroke by keystroke
    bool pushed_ = true;
};

FormUndo::FormUndo(FormModel& form, QUndoStack& stack, QObject* parent)
    : QObject(parent), form_(form), stack_(stack) {
    subscription_ = form_.subscribe([this](std::span<const FormChange> changes) {
        if (applying_) return;
        std::vector<FormChange> edits;
        std::copy_if(changes.begin(), changes.end(), std::back_inserter(edits),
                     [](const FormChange& c) { return !c.derived; });
        if (edits.empty()) return;
        stack_.push(new FormChangeCommand(*this, std::move(edits), Q(form_.notificationLabel())));
    });
}

FormUndo::~FormUndo() {
    form_.unsubscribe(subscription_);
}

void FormUndo::setCaptions(std::map<std::string, QString, std::less<>> captions) {
    captions_ = std::move(captions);
}

QString FormUndo::caption(std::string_view id) const {
    const auto found = captions_.find(id);
    return found != captions_.end() ? found->second : Q(id);
}

} // namespace tulo::app
