#pragma once
// Undo and redo over the form: every notification of the form model (one edit, or a batch such as an
// import or a calibration result) becomes one command on the stack; undoing applies the changes' old
// texts back, redoing their new texts. Runs, results and the values a run derives are never on the stack.
// A command's text says in words what it does, naming each field by its caption ("Change RUE").

#include "forms/FormModel.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>

class QUndoStack;
class QWidget;

namespace tulo::app {

// The captions of the form's fields as the user reads them: the short name of a calibratable crop
// parameter ("RUE", "Tb for growth"), else the label beside the field, its unit left out, or a check
// box's or option's own text. Found among `root`'s widgets, with the grids' names added.
std::map<std::string, QString, std::less<>> FieldCaptions(const QWidget& root, const FormModel& form);

// What a command of these changes says ("Change RUE", "Change 3 cells of the weather table"), for
// changes that came without a label; `caption` names a field or grid.
QString DescribeChanges(std::span<const FormChange> changes, const FormModel& form,
                        const std::function<QString(std::string_view)>& caption);

class FormUndo : public QObject {
    Q_OBJECT
public:
    FormUndo(FormModel& form, QUndoStack& stack, QObject* parent = nullptr);
    ~FormUndo() override;

    // Names the fields and grids in the commands' texts; a field without a caption goes by its name.
    void setCaptions(std::map<std::string, QString, std::less<>> captions);

private:
    QString caption(std::string_view id) const;

    FormModel& form_;
    QUndoStack& stack_;
    std::map<std::string, QString, std::less<>> captions_;
    int subscription_ = 0;
    bool applying_ = false; // the stack itself is changing the form
    friend class FormChangeCommand;
};

} // namespace tulo::app
