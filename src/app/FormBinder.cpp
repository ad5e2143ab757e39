#include "app/FormBinder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <algorithm>
#include <utility>

namespace tulo::app {

namespace {

// Marks an item that a list holds only because the form's text is none of its choices (a value read
// from an older configuration): it goes as soon as the form holds another text.
constexpr int kForeignRole = Qt::UserRole + 1;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Sets the flag for the life of the scope and then restores what it was, so that guards nest.
class Guard {
public:
    explicit Guard(bool& flag) : flag_(flag), before_(std::exchange(flag, true)) {}
    ~Guard() { flag_ = before_; }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    bool& flag_;
    bool before_;
};

void ShowListText(QComboBox& box, const QString& text, bool keepOtherTexts) {
    if (!keepOtherTexts)
        for (int i = box.count() - 1; i >= 0; --i)
            if (box.itemData(i, kForeignRole).toBool() && box.itemText(i) != text) box.removeItem(i);
    int index = box.findText(text, Qt::MatchExactly);
    if (index < 0 && !text.isEmpty()) {
        box.addItem(text);
        index = box.count() - 1;
        box.setItemData(index, true, kForeignRole);
    }
    box.setCurrentIndex(index);
}

void ShowOption(QRadioButton& button, bool selected) {
    if (button.isChecked() == selected) return;
    // An exclusive button cannot be cleared by itself, yet the form may leave its group without a selection.
    const bool exclusive = button.autoExclusive();
    if (!selected) button.setAutoExclusive(false);
    button.setChecked(selected);
    button.setAutoExclusive(exclusive);
}

} // namespace

FormBinder::FormBinder(FormModel& form, QObject* parent) : QObject(parent), form_(form) {
    subscription_ = form_.subscribe([this](std::span<const FormChange> changes) {
        for (const FormChange& change : changes) {
            if (change.row >= 0) continue; // grids follow through their table models
            refresh(change.id);
            if (form_.kind(change.id) == ControlKind::Option) {
                // Selecting one option clears another of its group.
                if (!change.oldText.empty()) refresh(change.oldText);
                if (!change.newText.empty()) refresh(change.newText);
            }
        }
        emit formChanged();
    });
}

FormBinder::~FormBinder() {
    form_.unsubscribe(subscription_);
}

void FormBinder::bind(QLineEdit* widget, std::string_view control) {
    const std::string name(control);
    form_.text(name); // a misspelt name fails here rather than on the first edit
    widgets_[name].push_back(widget);
    connect(widget, &QLineEdit::textEdited, this, [this, name](const QString& text) {
        if (updating_) return;
        Guard guard(updating_);
        form_.setText(name, text.toStdString());
    });
    connect(widget, &QObject::destroyed, this, [this, name, widget] { std::erase(widgets_[name], widget); });
    refresh(name);
}

void FormBinder::bind(QPlainTextEdit* widget, std::string_view control) {
    const std::string name(control);
    form_.text(name);
    widgets_[name].push_back(widget);
    connect(widget, &QPlainTextEdit::textChanged, this, [this, name, widget] {
        if (updating_) return;
        Guard guard(updating_);
        form_.setText(name, widget->toPlainText().toStdString());
    });
    connect(widget, &QObject::destroyed, this, [this, name, widget] { std::erase(widgets_[name], widget); });
    refresh(name);
}

void FormBinder::bind(QComboBox* widget, std::string_view control, bool keepOtherTexts) {
    const std::string name(control);
    widget->setEditable(false);
    {
        Guard guard(updating_);
        widget->clear();
        for (const std::string& item : form_.listItems(name)) widget->addItem(Q(item));
    }
    widgets_[name].push_back(widget);
    if (keepOtherTexts) keepingOtherTexts_.push_back(widget);
    connect(widget, &QComboBox::currentTextChanged, this, [this, name](const QString& text) {
        if (updating_) return;
        Guard guard(updating_);
        form_.setText(name, text.toStdString());
    });
    connect(widget, &QObject::destroyed, this, [this, name, widget] {
        std::erase(widgets_[name], widget);
        std::erase(keepingOtherTexts_, widget);
    });
    refresh(name);
}

void FormBinder::bind(QCheckBox* widget, std::string_view control) {
    const std::string name(control);
    form_.check(name);
    widgets_[name].push_back(widget);
    connect(widget, &QCheckBox::toggled, this, [this, name](bool checked) {
        if (updating_) return;
        Guard guard(updating_);
        form_.setCheck(name, checked ? 1 : 0);
    });
    connect(widget, &QObject::destroyed, this, [this, name, widget] { std::erase(widgets_[name], widget); });
    refresh(name);
}

void FormBinder::bind(QRadioButton* widget, std::string_view control) {
    const std::string name(control);
    form_.option(name);
    widgets_[name].push_back(widget);
    connect(widget, &QRadioButton::toggled, this, [this, name](bool checked) {
        // The button that lost the selection follows the form's announcement of the one that took it.
        if (updating_ || !checked) return;
        Guard guard(updating_);
        form_.setOption(name, true);
    });
    connect(widget, &QObject::destroyed, this, [this, name, widget] { std::erase(widgets_[name], widget); });
    refresh(name);
}

void FormBinder::refreshAll() {
    for (const auto& entry : widgets_) refresh(entry.first);
}

void FormBinder::refresh(const std::string& control) {
    const auto found = widgets_.find(control);
    if (found == widgets_.end()) return;
    Guard guard(updating_);
    for (QWidget* widget : found->second) {
        // A widget that already shows the value is left alone, so that typing keeps its cursor.
        if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            const QString text = Q(form_.text(control));
            if (line->text() != text) line->setText(text);
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
            const QString text = Q(form_.text(control));
            if (plain->toPlainText() != text) plain->setPlainText(text);
        } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
            ShowListText(*box, Q(form_.text(control)),
                         std::find(keepingOtherTexts_.begin(), keepingOtherTexts_.end(), box) !=
                             keepingOtherTexts_.end());
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            check->setChecked(form_.check(control) != 0);
        } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            ShowOption(*radio, form_.option(control));
        }
    }
}

} // namespace tulo::app
