// The .xlsx reader, on orcus's zip reader but not its spreadsheet import: that import finds no sheets in
// packages whose relationships name absolute targets ("/xl/worksheets/sheet1.xml") and drops inline-string
// cells, and openpyxl and pandas write both. Reading the cells ourselves also gives formula cells the value
// the writing program stored, which is what the user last saw.

#include "io/WorkbookReadDetail.h"

#include <charconv>
#include <map>

namespace tulo::workbook {
namespace {

struct Relationship {
    std::string type, target;
    bool external = false;
};

class RelationshipsHandler : public XmlHandler {
public:
    std::map<std::string, Relationship> byId;
    void start(std::string_view name, const XmlAttributes& attributes) override {
        if (name != "Relationship") return;
        const std::string* id = FindAttribute(attributes, "Id");
        const std::string* type = FindAttribute(attributes, "Type");
        const std::string* target = FindAttribute(attributes, "Target");
        const std::string* mode = FindAttribute(attributes, "TargetMode");
        if (id && type && target) byId[*id] = {*type, *target, mode && *mode == "External"};
    }
    void end(std::string_view) override {}
    void text(std::string_view) override {}
};

struct SheetEntry {
    std::string name, relationshipId;
};

class WorkbookHandler : public XmlHandler {
public:
    std::vector<SheetEntry> sheets;
    bool date1904 = false; // serial numbers count days from 1904 (old Mac Excel)
    void start(std::string_view name, const XmlAttributes& attributes) override {
        if (name == "workbookPr") {
            const std::string* flag = FindAttribute(attributes, "date1904");
            date1904 = flag && (*flag == "1" || *flag == "true");
        }
        if (name != "sheet") return;
        const std::string* sheetName = FindAttribute(attributes, "name");
        const std::string* id = FindAttribute(attributes, "id", true);
        if (sheetName && id && sheets.size() <= kMaxSheets) sheets.push_back({*sheetName, *id});
    }
    void end(std::string_view) override {}
    void text(std::string_view) override {}
};

// Excel escapes characters XML cannot hold as _xHHHH_ (a carriage return is _x000D_).
void DecodeEscapes(std::string& text) {
    if (text.find("_x") == std::string::npos) return;
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned code = 0;
        if (text.compare(i, 2, "_x") == 0 && i + 7 <= text.size() && text[i + 6] == '_' &&
            std::from_chars(text.data() + i + 2, text.data() + i + 6, code, 16).ptr == text.data() + i + 6 &&
            (code < 0xD800 || code > 0xDFFF)) {
            AppendUtf8(out, code);
            i += 7;
        } else {
            out += text[i++];
        }
    }
    text = std::move(out);
}

// Text of <t> elements of a string item, rich-text runs included; phonetic guides (<rPh>) left out.
class StringItemText {
public:
    void start(std::string_view name) {
        if (name == "rPh") ++phonetic_;
        if (name == "t" && phonetic_ == 0) inText_ = true;
    }
    void end(std::string_view name) {
        if (name == "rPh" && phonetic_ > 0) --phonetic_;
        if (name == "t") inText_ = false;
    }
    void characters(std::string_view text) {
        if (inText_) text_ += text;
    }
    std::string take() {
        DecodeEscapes(text_);
        phonetic_ = 0;
        inText_ = false;
        return std::move(text_);
    }
    void clear() { text_.clear(); }

private:
    std::string text_;
    int phonetic_ = 0;
    bool inText_ = false;
};

class SharedStringsHandler : public XmlHandler {
public:
    std::vector<std::string> strings;
    void start(std::string_view name, const XmlAttributes&) override {
        if (name == "si") item_.clear();
        item_.start(name);
    }
    void end(std::string_view name) override {
        item_.end(name);
        if (name == "si") strings.push_back(item_.take());
    }
    void text(std::string_view text) override { item_.characters(text); }

private:
    StringItemText item_;
};

// Which cell formats (the s attribute of a cell, an index into cellXfs) show a date.
class StylesHandler : public XmlHandler {
public:
    void start(std::string_view name, const XmlAttributes& attributes) override {
        if (name == "numFmts" || name == "cellXfs") {
            list_ = std::string(name);
        } else if (list_ == "numFmts" && name == "numFmt") {
            const std::string* id = FindAttribute(attributes, "numFmtId");
            const std::string* code = FindAttribute(attributes, "formatCode");
            if (id && code) custom_[*id] = IsDateFormat(*code);
        } else if (list_ == "cellXfs" && name == "xf" && formats_.size() < kMaxFormats) {
            const std::string* id = FindAttribute(attributes, "numFmtId");
            formats_.push_back(id ? *id : std::string("0"));
        }
    }
    void end(std::string_view name) override {
        if (name == list_) list_.clear();
    }
    void text(std::string_view) override {}

    std::vector<bool> dateStyles() const {
        std::vector<bool> dates;
        for (const std::string& id : formats_) {
            const auto custom = custom_.find(id);
            std::uint32_t number = 0;
            std::from_chars(id.data(), id.data() + id.size(), number);
            dates.push_back(custom != custom_.end() ? custom->second : IsBuiltInDateFormat(number));
        }
        return dates;
    }

private:
    static constexpr std::size_t kMaxFormats = 65536; // Excel keeps at most 64,000 cell formats
    std::string list_;                                // the list being read: numFmts, cellXfs or none
    std::map<std::string, bool> custom_;              // custom number format id: shows a date
    std::vector<std::string> formats_;                // number format id of each cell format
};

// "B12" -> row 12, column 2; nothing for a malformed reference.
bool ParseReference(std::string_view ref, std::uint64_t& row, std::uint64_t& col) {
    std::size_t i = 0;
    col = 0;
    for (; i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z')); ++i) {
        col = col * 26 + static_cast<std::uint64_t>((ref[i] & 0x1F));
        if (col > kMaxCols) return false;
    }
    const auto [end, error] = std::from_chars(ref.data() + i, ref.data() + ref.size(), row);
    return col > 0 && i > 0 && error == std::errc() && end == ref.data() + ref.size() && row >= 1 &&
           row <= kMaxRows;
}

[[noreturn]] void BadReference() {
    Refuse("The workbook is damaged: a cell reference is invalid.");
}

class SheetHandler : public XmlHandler {
public:
    SheetHandler(SheetBuilder& sheet, const std::vector<std::string>& strings,
                 const std::vector<bool>& dateStyles, bool date1904)
        : sheet_(sheet), strings_(strings), dateStyles_(dateStyles), date1904_(date1904) {}

    void start(std::string_view name, const XmlAttributes& attributes) override {
        if (inCell_) {
            if (name == "v") inValue_ = true;
            if (name == "f") formula_ = true;
            if (name == "is") inInline_ = true;
            if (inInline_) inline_.start(name);
        } else if (name == "row") {
            const std::string* r = FindAttribute(attributes, "r");
            std::uint64_t number = row_ + 1;
            if (r && (std::from_chars(r->data(), r->data() + r->size(), number).ptr != r->data() + r->size()))
                BadReference();
            if (number < 1 || number > kMaxRows) BadReference();
            row_ = number;
            col_ = 0;
        } else if (name == "c") {
            startCell(attributes);
        }
    }

    void end(std::string_view name) override {
        if (!inCell_) return;
        if (name == "c") return endCell();
        if (name == "v") inValue_ = false;
        if (inInline_) inline_.end(name);
        if (name == "is") inInline_ = false;
    }

    void text(std::string_view text) override {
        if (inValue_) value_ += text;
        if (inInline_) inline_.characters(text);
    }

private:
    void startCell(const XmlAttributes& attributes) {
        const std::string* r = FindAttribute(attributes, "r");
        if (r) {
            if (!ParseReference(*r, row_, col_)) BadReference();
        } else {
            row_ = std::max<std::uint64_t>(row_, 1);
            if (++col_ > kMaxCols) BadReference();
        }
        const std::string* t = FindAttribute(attributes, "t");
        type_ = t ? *t : std::string("n");
        std::size_t style = 0;
        const std::string* s = FindAttribute(attributes, "s");
        dateStyle_ = s && std::from_chars(s->data(), s->data() + s->size(), style).ec == std::errc() &&
                     style < dateStyles_.size() && dateStyles_[style];
        inCell_ = true;
        formula_ = inValue_ = inInline_ = false;
        value_.clear();
        inline_.clear();
    }

    void endCell() {
        inCell_ = inValue_ = inInline_ = false;
        std::string text;
        if (type_ == "inlineStr") {
            text = inline_.take();
            if (text.empty()) text = std::move(value_);
        } else if (formula_ && value_.empty()) {
            sheet_.markUnreadFormula(); // saved without its value (openpyxl writes formulas so)
            return;
        } else if (type_ == "s") {
            std::size_t index = 0;
            const auto [end, error] = std::from_chars(value_.data(), value_.data() + value_.size(), index);
            if (error == std::errc() && index < strings_.size()) text = strings_[index];
        } else if (type_ == "b") {
            text = value_.empty() ? "" : value_ == "0" ? "FALSE" : "TRUE";
        } else if (type_ == "n") {
            const std::optional<double> number = ParseStoredNumber(value_);
            if (const auto date = number && dateStyle_ ? SerialDate(*number, date1904_) : std::nullopt)
                return sheet_.setDate(row_, col_, *date);
            text = number ? NumberText(*number) : value_;
        } else if (const auto date = type_ == "d" ? ParseCellDate(value_) : std::nullopt) {
            return sheet_.setDate(row_, col_, *date);
        } else {
            text = std::move(value_); // str (a formula's text), e (an error such as #DIV/0!), d (ISO date)
            DecodeEscapes(text);
        }
        sheet_.set(row_, col_, std::move(text));
    }

    SheetBuilder& sheet_;
    const std::vector<std::string>& strings_;
    const std::vector<bool>& dateStyles_;
    bool date1904_;
    std::uint64_t row_ = 0, col_ = 0;
    std::string type_, value_;
    StringItemText inline_;
    bool inCell_ = false, inValue_ = false, inInline_ = false, formula_ = false, dateStyle_ = false;
};

// A relationship target as a part name: relative to the source part's folder, or absolute from the
// package root; "." and ".." resolved.
std::string ResolveTarget(std::string_view sourcePart, std::string_view target) {
    std::string path;
    if (target.starts_with('/')) {
        path = target.substr(1);
    } else {
        const std::size_t slash = sourcePart.rfind('/');
        path = std::string(slash == std::string_view::npos ? "" : sourcePart.substr(0, slash + 1));
        path += target;
    }
    std::vector<std::string_view> segments;
    const std::string_view whole = path;
    for (std::size_t start = 0; start <= whole.size();) {
        std::size_t end = whole.find('/', start);
        if (end == std::string_view::npos) end = whole.size();
        const std::string_view segment = whole.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string resolved;
    for (const std::string_view segment : segments)
        (resolved.empty() ? resolved : resolved += '/') += segment;
    return resolved;
}

std::string RelationshipsPart(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    const std::size_t cut = slash == std::string_view::npos ? 0 : slash + 1;
    return std::string(part.substr(0, cut)) + "_rels/" + std::string(part.substr(cut)) + ".rels";
}

std::map<std::string, Relationship> ReadRelationships(const ZipPackage& zip, std::string_view part) {
    const std::string stored = zip.find(RelationshipsPart(part));
    if (stored.empty()) return {};
    RelationshipsHandler handler;
    ParseXml(zip.read(stored), handler);
    return std::move(handler.byId);
}

bool HasType(const Relationship& rel, std::string_view kind) {
    return !rel.external && rel.type.ends_with(kind);
}

} // namespace

WorkbookData ReadXlsx(std::string_view bytes) {
    const ZipPackage zip(bytes);
    std::string workbookPart = "xl/workbook.xml";
    for (const auto& [id, rel] : ReadRelationships(zip, ""))
        if (HasType(rel, "/officeDocument")) workbookPart = ResolveTarget("", rel.target);
    const std::string storedWorkbook = zip.find(workbookPart);
    if (storedWorkbook.empty()) Refuse("The workbook is damaged: it has no workbook part.");
    WorkbookHandler workbook;
    ParseXml(zip.read(storedWorkbook), workbook);
    if (workbook.sheets.size() > kMaxSheets) Refuse("The workbook has too many sheets to import.");
    const auto relationships = ReadRelationships(zip, workbookPart);

    SharedStringsHandler shared;
    StylesHandler styles;
    for (const auto& [id, rel] : relationships)
        if (HasType(rel, "/sharedStrings") || HasType(rel, "/styles")) {
            const std::string stored = zip.find(ResolveTarget(workbookPart, rel.target));
            if (stored.empty()) continue;
            if (HasType(rel, "/styles"))
                ParseXml(zip.read(stored), styles);
            else
                ParseXml(zip.read(stored), shared);
        }
    const std::vector<bool> dateStyles = styles.dateStyles();

    WorkbookData book;
    book.format = WorkbookFormat::Xlsx;
    Budget budget;
    for (const SheetEntry& entry : workbook.sheets) {
        const auto rel = relationships.find(entry.relationshipId);
        if (rel == relationships.end()) Refuse("The workbook is damaged: a sheet has no part.");
        if (!HasType(rel->second, "/worksheet")) continue; // chart sheets and the like hold no cells
        const std::string stored = zip.find(ResolveTarget(workbookPart, rel->second.target));
        if (stored.empty()) Refuse("The workbook is damaged: a sheet part is missing.");
        SheetBuilder sheet(entry.name, budget);
        SheetHandler handler(sheet, shared.strings, dateStyles, workbook.date1904);
        ParseXml(zip.read(stored), handler);
        book.sheets.push_back(sheet.finish());
    }
    if (book.sheets.empty()) Refuse("The workbook has no worksheet.");
    return book;
}

} // namespace tulo::workbook
