#pragma once
// Two-way binding between widgets and the form model, the single truth: editing a widget changes the
// model; every change of the model (an edit, a configuration load, an import, an undo) updates the
// widgets bound to it. A guard keeps a widget's own edit from echoing back into it.

#include "forms/FormModel.h"

#include <QObject>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QWidget;

namespace tulo::app {

class FormBinder : public QObject {
    Q_OBJECT
public:
    explicit FormBinder(FormModel& form, QObject* parent = nullptr);
    ~FormBinder() override;

    // Text boxes and lists (a list's items are the form's listItems; its text is the control's text).
    void bind(QLineEdit* widget, std::string_view control);
    void bind(QPlainTextEdit* widget, std::string_view control);
    // A text the list does not offer (read from a configuration) is shown as an extra item; it goes when
    // the field takes another text, unless `keepOtherTexts`: a list that accepts any name (the treatment
    // product) keeps offering every name it has shown.
    void bind(QComboBox* widget, std::string_view control, bool keepOtherTexts = false);
    // Check boxes (0/1) and option buttons of a group.
    void bind(QCheckBox* widget, std::string_view control);
    void bind(QRadioButton* widget, std::string_view control);

    // Every bound widget shows its field's value again.
    void refreshAll();

signals:
    // A field changed (by any means); the window marks its results as stale, re-runs on change, etc.
    void formChanged();

private:
    void refresh(const std::string& control);

    FormModel& form_;
    int subscription_ = 0;
    bool updating_ = false; // set while the binder writes into widgets or the model
    std::unordered_map<std::string, std::vector<QWidget*>> widgets_;
    std::vector<const QComboBox*> keepingOtherTexts_;
};

} // namespace tulo::app
