#pragma once
// Undo and redo over the form: every notification of the form model (one edit, or a batch such as an
// import or a configuration load) becomes one command on the stack; undoing applies the changes'
// old texts back, redoing their new texts. Runs and results are derived data and never on the stack.

#include "engine/FormModel.h"

#include <QObject>

class QUndoStack;

namespace tulo::app {

class FormUndo : public QObject {
    Q_OBJECT
public:
    FormUndo(FormModel& form, QUndoStack& stack, QObject* parent = nullptr);
    ~FormUndo() override;

private:
    FormModel& form_;
    QUndoStack& stack_;
    int subscription_ = 0;
    bool applying_ = false; // the stack itself is changing the form
    friend class FormChangeCommand;
};

} // namespace tulo::app
