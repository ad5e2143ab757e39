#include "app/FormUndo.h"

#include <QUndoCommand>
#include <QUndoStack>

#include <chrono>
#include <utility>
#include <vector>

namespace tulo::app {

namespace {

// Keystrokes in one text box closer together than this are one edit to undo.
constexpr auto kTypingPause = std::chrono::milliseconds(1500);
constexpr int kTypingCommand = 1;

} // namespace

class FormChangeCommand : public QUndoCommand {
public:
    FormChangeCommand(FormUndo& owner, std::span<const FormChange> changes)
        : owner_(owner), changes_(changes.begin(), changes.end()), when_(std::chrono::steady_clock::now()),
          typed_(changes_.size() == 1 && changes_[0].row < 0 &&
                 owner.form_.kind(changes_[0].id) == ControlKind::Text) {
        setText(changes_.size() == 1 ? QStringLiteral("Edit %1").arg(QString::fromStdString(changes_[0].id))
                                     : QStringLiteral("Change %1 values").arg(changes_.size()));
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
        if (applying_ || changes.empty()) return;
        stack_.push(new FormChangeCommand(*this, changes));
    });
}

FormUndo::~FormUndo() {
    form_.unsubscribe(subscription_);
}

} // namespace tulo::app
