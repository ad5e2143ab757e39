#include "forms/FormModel.h"

#include "engine/InputItems.h"
#include "engine/Parameters.h"
#include "forms/InputControls.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <stdexcept>
#include <string_view>

namespace tulo {

namespace {

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Text:
        return "text box";
    case ControlKind::List:
        return "list";
    case ControlKind::Check:
        return "check box";
    case ControlKind::Option:
        return "option button";
    }
    return "control";
}

Grid CaptionedGrid(int rows, int cols, std::span<const std::string_view> captions) {
    Grid grid(rows, cols);
    int col = 1;
    for (const std::string_view caption : captions) grid.setText(0, col++, std::string(caption));
    return grid;
}
Grid CaptionedGrid(int rows, int cols, std::initializer_list<std::string_view> captions) {
    return CaptionedGrid(rows, cols, std::span<const std::string_view>(captions.begin(), captions.size()));
}

} // namespace

FormModel::FormModel() {
    // Control.
    addText(std::string(ctl::txtInitialDate), "");
    addText(std::string(ctl::txtFinalDate), "");
    addText(std::string(ctl::txtSeasonYear), "");
    addOption(std::string(ctl::OptionLAItulo), "LAI", true);
    addOption(std::string(ctl::OptionLAIndvi), "LAI", false);
    addOption(std::string(ctl::OptionLAIRecalReinit), "LAI", false);
    addOption(std::string(ctl::OptionLAIexoDaily), "LAI", false);
    addOption(std::string(ctl::OptionLAIexoPeriodic), "LAI", false);
    addText(std::string(ctl::txtDOYforcingLAI), "");
    addText(std::string(ctl::txtforcingLAI), "");
    addCheck(std::string(ctl::chkSoil), 0);
    addCheck(std::string(ctl::chkDiseases), 0);
    addOption(std::string(ctl::optReportAlways), "report", false);
    addOption(std::string(ctl::optReportAsk), "report", false);
    addOption(std::string(ctl::optReportNever), "report", true);
    // Every report variable ticked, so that a report is useful without a visit to the list first.
    for (int i = 1; i <= kReportVariables; ++i) addCheck(ctl::chkReport(i), 1);

    // Crop parameters.
    addText(std::string(ctl::txtCropDescription), "");
    for (const CropControl& c : CropControls()) {
        const ParameterInfo& p = *FindParameter(c.id);
        std::string name(c.control);
        std::string value(p.defaultText);
        switch (c.kind) {
        case ControlKind::Text:
            addText(std::move(name), std::move(value));
            break;
        case ControlKind::List: {
            // The window lists the default choice first, the others in code order.
            std::vector<std::string> items{value};
            for (const std::string_view item : p.choices)
                if (item != value) items.emplace_back(item);
            addList(std::move(name), std::move(value), std::move(items));
            break;
        }
        case ControlKind::Check:
            addCheck(std::move(name), value == "1" ? 1 : 0);
            break;
        case ControlKind::Option:
            break;
        }
    }

    // Management.
    addText(std::string(ctl::txtManagDescription), "");
    addText(std::string(ctl::txtSowingDate), "");
    addCheck(std::string(ctl::chkTransplanted), 0);
    addText(std::string(ctl::txtTransplantingDate), "");
    addList(std::string(ctl::cmbFlooded), std::string(choice::Unflooded),
            {std::string(choice::Flooded), std::string(choice::Unflooded)});
    addText(std::string(ctl::txtWaterLevel), "");
    addText(std::string(ctl::txtLatitude), "");
    addCheck(std::string(ctl::optWlevelIncrease), 0);
    addText(std::string(ctl::txtPreFlowWaterLevel), "15");
    addOption(std::string(ctl::OptionFixWlevel), "water level", false);
    addOption(std::string(ctl::OptionDynamicWlevel), "water level", false);
    addText(std::string(ctl::txtInitialWaterLevel), "");
    // Every product protects alike; a configuration may name any other, which the list then shows too.
    addList(std::string(ctl::cmbBlastProduct), std::string(choice::NoTreatment),
            {std::string(choice::NoTreatment), "Tricyclazole", "Isoprothiolane", "Azoxystrobin"});
    addText(std::string(ctl::txtBlastClass), "1");

    // Grids.
    // The checks name the weather's and the soil's columns by these captions.
    grids_.emplace(ctl::sprWeather, CaptionedGrid(kWeatherGridRows, kWeatherCols, kWeatherCaptions));
    grids_.emplace(ctl::sprSoilPhysics, CaptionedGrid(kSoilRows, kSoilCols, kSoilCaptions));
    Grid input = CaptionedGrid(kWaterInputRows, kWaterInputCols,
                               {"Initial DOY", "Final DOY", "Daily input (mm)", "(h)"});
    for (int r = 1; r <= kWaterInputRows; ++r) input.setText(r, 4, "24");
    grids_.emplace(ctl::sprDynWaterInput, std::move(input));
    grids_.emplace(ctl::sprDynWaterOutput, CaptionedGrid(kWaterOutputRows, kWaterOutputCols,
                                                         {"Initial DOY", "Final DOY", "Daily output (mm)"}));
    // One row per treatment: the grid grows as treatments are added.
    grids_.emplace(ctl::sprBlastTreatment, CaptionedGrid(0, 1, {"DOY"}));
}

FormModel::FormModel(const FormModel& other) : controls_(other.controls_), grids_(other.grids_) {}

FormModel& FormModel::operator=(const FormModel& other) {
    controls_ = other.controls_;
    grids_ = other.grids_;
    return *this;
}

void FormModel::addText(std::string name, std::string value) {
    controls_.emplace(std::move(name), Control{ControlKind::Text, std::move(value), 0, {}, {}});
}

void FormModel::addList(std::string name, std::string value, std::vector<std::string> items) {
    controls_.emplace(std::move(name), Control{ControlKind::List, std::move(value), 0, {}, std::move(items)});
}

void FormModel::addCheck(std::string name, int value) {
    controls_.emplace(std::move(name), Control{ControlKind::Check, {}, value, {}, {}});
}

void FormModel::addOption(std::string name, std::string group, bool selected) {
    controls_.emplace(std::move(name),
                      Control{ControlKind::Option, {}, selected ? 1 : 0, std::move(group), {}});
}

FormModel::Control& FormModel::control(std::string_view name, ControlKind kind) {
    return const_cast<Control&>(static_cast<const FormModel&>(*this).control(name, kind));
}

const FormModel::Control& FormModel::control(std::string_view name, ControlKind kind) const {
    const auto it = controls_.find(name);
    if (it == controls_.end()) throw std::logic_error("no control named " + std::string(name));
    const bool textLike = kind == ControlKind::Text || kind == ControlKind::List;
    const bool matches = textLike
                             ? (it->second.kind == ControlKind::Text || it->second.kind == ControlKind::List)
                             : it->second.kind == kind;
    if (!matches)
        throw std::logic_error(std::string(name) + " is a " + KindName(it->second.kind) + ", not a " +
                               KindName(kind));
    return it->second;
}

const std::string& FormModel::text(std::string_view name) const {
    return control(name, ControlKind::Text).text;
}

void FormModel::setText(std::string_view name, std::string value) {
    Control& c = control(name, ControlKind::Text);
    if (c.text == value) return;
    std::string old = std::exchange(c.text, std::move(value));
    record(name, -1, -1, std::move(old), c.text);
}

const std::vector<std::string>& FormModel::listItems(std::string_view name) const {
    return control(name, ControlKind::Text).items;
}

int FormModel::check(std::string_view name) const {
    return control(name, ControlKind::Check).value;
}

void FormModel::setCheck(std::string_view name, int value) {
    Control& c = control(name, ControlKind::Check);
    if (c.value == value) return;
    const int old = std::exchange(c.value, value);
    record(name, -1, -1, std::to_string(old), std::to_string(value));
}

bool FormModel::option(std::string_view name) const {
    return control(name, ControlKind::Option).value != 0;
}

const std::string* FormModel::selectedOption(const std::string& group) const {
    for (const auto& [name, c] : controls_)
        if (c.kind == ControlKind::Option && c.group == group && c.value != 0) return &name;
    return nullptr;
}

void FormModel::setOption(std::string_view name, bool selected) {
    Control& c = control(name, ControlKind::Option);
    if ((c.value != 0) == selected) return;
    if (!selected) {
        c.value = 0;
        record(name, -1, -1, std::string(name), "");
        return;
    }
    const std::string* before = selectedOption(c.group);
    std::string old = before ? *before : std::string();
    for (auto& [otherName, other] : controls_)
        if (other.kind == ControlKind::Option && other.group == c.group) other.value = 0;
    c.value = 1;
    record(name, -1, -1, std::move(old), std::string(name));
}

std::map<std::string, Grid, std::less<>>::iterator FormModel::gridEntry(std::string_view name) {
    const auto it = grids_.find(name);
    if (it == grids_.end()) throw std::logic_error("no grid named " + std::string(name));
    return it;
}

const Grid& FormModel::grid(std::string_view name) const {
    return const_cast<FormModel&>(*this).gridEntry(name)->second;
}

void FormModel::setCell(std::string_view name, int row, int col, std::string text) {
    Grid& grid = gridEntry(name)->second;
    std::string old = grid.text(row, col);
    const bool changed = old != text;
    grid.setText(row, col, std::move(text));
    if (changed) {
        // What an import learnt of the old text (a whole number, a date) is not true of a typed one.
        grid.setWholeNumber(row, col, false);
        grid.setDate(row, col, false);
    }
    if (changed && !underEdit(grid)) record(name, row, col, std::move(old), grid.text(row, col));
}

FormModel::GridEdit::GridEdit(FormModel& form, std::string_view name)
    : batch_(form), form_(form), name_(form.gridEntry(name)->first), grid_(form.gridEntry(name)->second) {
    if (form_.listening() && !form_.underEdit(grid_)) {
        before_ = grid_;
        form_.editing_.push_back(&grid_);
    }
}

FormModel::GridEdit::~GridEdit() {
    if (!before_) return;
    form_.editing_.erase(std::find(form_.editing_.begin(), form_.editing_.end(), &grid_));
    const int rows = std::max(before_->rows(), grid_.rows());
    const int cols = std::max(before_->cols(), grid_.cols());
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c)
            if (before_->text(r, c) != grid_.text(r, c))
                form_.record(name_, r, c, before_->text(r, c), grid_.text(r, c));
}

bool FormModel::underEdit(const Grid& grid) const {
    return std::find(editing_.begin(), editing_.end(), &grid) != editing_.end();
}

void FormModel::apply(const FormChange& change, bool undo) {
    const std::string& text = undo ? change.oldText : change.newText;
    if (change.row >= 0) {
        const Grid& target = grid(change.id);
        if (change.row <= target.rows() && change.column <= target.cols()) {
            setCell(change.id, change.row, change.column, text);
        } else if (!text.empty()) {
            editGrid(change.id, [&](Grid& g) {
                g.resize(std::max(g.rows(), change.row), std::max(g.cols(), change.column));
                g.setText(change.row, change.column, text);
            });
        }
        return;
    }
    switch (kind(change.id)) {
    case ControlKind::Text:
    case ControlKind::List:
        setText(change.id, text);
        break;
    case ControlKind::Check: {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
            throw std::logic_error("check box " + change.id + " cannot take \"" + text + "\"");
        setCheck(change.id, value);
        break;
    }
    case ControlKind::Option:
        if (!text.empty()) {
            setOption(text, true);
        } else if (const std::string* selected =
                       selectedOption(control(change.id, ControlKind::Option).group)) {
            setOption(*selected, false);
        }
        break;
    }
}

void FormModel::apply(std::span<const FormChange> changes, bool undo) {
    Batch batch(*this);
    if (undo)
        for (auto it = changes.rbegin(); it != changes.rend(); ++it) apply(*it, true);
    else
        for (const FormChange& change : changes) apply(change, false);
}

int FormModel::subscribe(Subscriber subscriber) {
    const int subscription = nextSubscription_++;
    subscribers_.emplace_back(subscription, std::make_shared<const Subscriber>(std::move(subscriber)));
    return subscription;
}

void FormModel::unsubscribe(int subscription) {
    std::erase_if(subscribers_, [&](const auto& s) { return s.first == subscription; });
}

void FormModel::record(std::string_view id, int row, int column, std::string oldText, std::string newText) {
    if (!listening()) return;
    pending_.push_back({std::string(id), row, column, std::move(oldText), std::move(newText), derived_ > 0});
    if (batchDepth_ == 0) deliver();
}

void FormModel::deliver() {
    const std::vector<FormChange> changes = std::move(pending_);
    pending_.clear();
    // A subscriber that changes the form starts a notification of its own within this one.
    const std::string outer = std::exchange(delivering_, std::exchange(pendingLabel_, {}));
    // A subscriber may subscribe or unsubscribe others, or itself, while it is called.
    const auto subscribers = subscribers_;
    for (const auto& entry : subscribers) {
        const bool stillSubscribed = std::any_of(subscribers_.begin(), subscribers_.end(),
                                                 [&](const auto& s) { return s.first == entry.first; });
        if (stillSubscribed) (*entry.second)(changes);
    }
    delivering_ = outer;
}

FormModel::Batch::Batch(FormModel& form, std::string label) : form_(form) {
    if (form_.pendingLabel_.empty()) form_.pendingLabel_ = std::move(label);
    ++form_.batchDepth_;
}

FormModel::Batch::~Batch() {
    if (--form_.batchDepth_ != 0) return;
    if (form_.pending_.empty())
        form_.pendingLabel_.clear(); // a batch that changed nothing leaves its label to nobody
    else
        form_.deliver();
}

FormModel::Derived::Derived(FormModel& form) : form_(form) {
    ++form_.derived_;
}

FormModel::Derived::~Derived() {
    --form_.derived_;
}

FormModel::Blocker::Blocker(FormModel& form) : form_(form) {
    ++form_.blocked_;
}

FormModel::Blocker::~Blocker() {
    --form_.blocked_;
}

ControlKind FormModel::kind(std::string_view name) const {
    const auto it = controls_.find(name);
    if (it == controls_.end()) throw std::logic_error("no control named " + std::string(name));
    return it->second.kind;
}

bool FormModel::hasControl(std::string_view name) const {
    return controls_.find(name) != controls_.end();
}

} // namespace tulo
