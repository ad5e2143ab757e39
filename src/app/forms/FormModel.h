#pragma once
// The main window's inputs as plain data: the texts of its boxes and lists, the states of its check boxes
// and option buttons, and its grids. Input records read it, the configuration file writes and reads it,
// and the desktop window binds its widgets to it, so every command runs without a display.
//
// Controls are known by the names the window gives them (txtInitialDate, cmbFlooded, chkSoil, ...).
// Asking for a control that does not exist, or for a control of another kind, is a programming error
// and throws std::logic_error, so a misspelt name fails loudly in the tests.

#include "engine/Grid.h"
#include "forms/InputFields.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tulo {

enum class ControlKind { Text, List, Check, Option };

// One change of the form's data, enough both to show it and to take it back.
//
// `id` names the control, or the grid when a cell changed. `row` and `column` locate the cell as Grid
// does (row 0 the captions, column 0 the row headers, data from 1); both are -1 for a control. The texts
// are what the control holds: a text box's or list's text, a check box's "0" or "1", a cell's text. An
// option group changes in one change: `id` is the option now selected (or the one cleared when the group
// is left without a selection) and the texts are the names of the group's selected option before and
// after, "" for none. A cell that a resize removes has the new text "", one that it adds the old text "".
// `derived` marks a value the program worked out itself and shows in the form (the humidities a run
// estimated): views follow it, but it is no edit of the user's, so nothing undoes it or calls it unsaved.
struct FormChange {
    std::string id;
    int row = -1;
    int column = -1;
    std::string oldText;
    std::string newText;
    bool derived = false;
    friend bool operator==(const FormChange&, const FormChange&) = default;
};

class FormModel {
public:
    // Receives the changes of one user edit, or of one batch, in the order they were made.
    using Subscriber = std::function<void(std::span<const FormChange>)>;

    // A form with the window's defaults, as it opens.
    FormModel();
    // Copies take the data only: subscribers watch the form they subscribed to. An assignment keeps this
    // form's subscribers and does not tell them; whoever assigns refreshes its views itself.
    FormModel(const FormModel& other);
    FormModel& operator=(const FormModel& other);

    // Text boxes and lists.
    const std::string& text(std::string_view control) const;
    void setText(std::string_view control, std::string value);
    // The choices a list offers (empty for text boxes).
    const std::vector<std::string>& listItems(std::string_view control) const;

    // Check boxes: 0 clear, 1 ticked.
    int check(std::string_view control) const;
    void setCheck(std::string_view control, int value);

    // Option buttons; selecting one clears the others of its group.
    bool option(std::string_view control) const;
    void setOption(std::string_view control, bool selected);

    const Grid& grid(std::string_view name) const;
    // Writing outside the grid is a programming error (std::out_of_range), as it is for Grid.
    void setCell(std::string_view grid, int row, int col, std::string text);
    // Runs edit(Grid&) on the grid and announces, as one batch, every cell whose text differs afterwards,
    // including the cells a resize added or removed; returns what edit returns. Backgrounds and
    // whole-number marks are presentation: they change without a change of their own, and only here.
    template <class F> std::invoke_result_t<F, Grid&> editGrid(std::string_view grid, F&& edit) {
        GridEdit scope(*this, grid);
        return std::forward<F>(edit)(scope.grid());
    }

    ControlKind kind(std::string_view control) const;
    bool hasControl(std::string_view control) const;

    // Gives the changed control or cell the change's new text, or its old text when `undo`; for an option
    // change that is the group's selection. It is announced as any edit, so that views follow: an undo
    // stack ignores what it hears while it applies. A grid too small for a text that is not empty grows to
    // take it; rows that a redo or an undo would remove stay, empty.
    void apply(const FormChange& change, bool undo);
    // A whole notification: in order, or in reverse order when `undo`, announced as one batch.
    void apply(std::span<const FormChange> changes, bool undo);

    // Subscribers hear every change made through the functions above, one call per user edit or batch,
    // and must not throw (a batch may end in a destructor). They may change the form and subscribe or
    // unsubscribe while they are called. Changes made while nobody listens are not kept for later.
    int subscribe(Subscriber subscriber);
    void unsubscribe(int subscription);

    // Collects the changes made during its life and announces them, if any, as one notification at the
    // end of the outermost batch: an import or a configuration load is one notification, and so an import
    // is one step to undo. `label` says in the user's words what the batch does
    // ("Import weather (366 rows)"); the first label given in a notification is its label.
    class Batch {
    public:
        explicit Batch(FormModel& form, std::string label = {});
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        FormModel& form_;
    };

    // The label of the notification being delivered; empty outside a delivery and for an unlabelled one.
    const std::string& notificationLabel() const { return delivering_; }

    // Marks every change made during its life as derived (see FormChange).
    class Derived {
    public:
        explicit Derived(FormModel& form);
        ~Derived();
        Derived(const Derived&) = delete;
        Derived& operator=(const Derived&) = delete;

    private:
        FormModel& form_;
    };

    // Silences the subscribers during its life, for the changes the window makes itself (while it
    // refreshes its widgets from the form); those changes are never announced.
    class Blocker {
    public:
        explicit Blocker(FormModel& form);
        ~Blocker();
        Blocker(const Blocker&) = delete;
        Blocker& operator=(const Blocker&) = delete;

    private:
        FormModel& form_;
    };

    friend bool operator==(const FormModel& a, const FormModel& b) {
        return a.controls_ == b.controls_ && a.grids_ == b.grids_;
    }

private:
    struct Control {
        ControlKind kind = ControlKind::Text;
        std::string text;               // text boxes and lists
        int value = 0;                  // check state, or 1 when an option is selected
        std::string group;              // option group
        std::vector<std::string> items; // list choices
        friend bool operator==(const Control& a, const Control& b) {
            return a.kind == b.kind && a.text == b.text && a.value == b.value;
        }
    };

    // The scope of editGrid: compares the grid's texts before and after, when somebody listens.
    class GridEdit {
    public:
        GridEdit(FormModel& form, std::string_view name);
        ~GridEdit();
        GridEdit(const GridEdit&) = delete;
        GridEdit& operator=(const GridEdit&) = delete;
        Grid& grid() { return grid_; }

    private:
        Batch batch_; // ends after the destructor's body has recorded the cells
        FormModel& form_;
        const std::string& name_;
        Grid& grid_;
        std::optional<Grid> before_;
    };

    Control& control(std::string_view name, ControlKind kind);
    const Control& control(std::string_view name, ControlKind kind) const;
    std::map<std::string, Grid, std::less<>>::iterator gridEntry(std::string_view name);
    const std::string* selectedOption(const std::string& group) const;
    void addText(std::string name, std::string value);
    void addList(std::string name, std::string value, std::vector<std::string> items);
    void addCheck(std::string name, int value);
    void addOption(std::string name, std::string group, bool selected);

    bool listening() const { return blocked_ == 0 && !subscribers_.empty(); }
    bool underEdit(const Grid& grid) const;
    void record(std::string_view id, int row, int column, std::string oldText, std::string newText);
    void deliver();

    std::map<std::string, Control, std::less<>> controls_;
    std::map<std::string, Grid, std::less<>> grids_;

    // Notification state: never copied.
    std::vector<std::pair<int, std::shared_ptr<const Subscriber>>> subscribers_;
    int nextSubscription_ = 1;
    int batchDepth_ = 0;
    int blocked_ = 0;
    int derived_ = 0;
    std::vector<FormChange> pending_;
    std::string pendingLabel_;
    std::string delivering_;
    std::vector<const Grid*> editing_; // grids whose edit will announce their cells itself
};

} // namespace tulo
