// Our own XML reader for package parts. orcus's SAX parser reads past the end of a document that stops
// inside a tag (it compares its position with the end for equality only), so a truncated or crafted part
// would make it read memory that is not the document's. This reader checks every step against the end,
// and the .ods reader passes every XML part through it before orcus's import sees the package.

#include "io/WorkbookReadDetail.h"

#include <charconv>

namespace tulo::workbook {
namespace {

constexpr std::size_t kMaxDepth = 1000;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool EndsName(char c) {
    return IsSpace(c) || c == '/' || c == '>' || c == '=' || c == '<' || c == '"' || c == '\'';
}

[[noreturn]] void Malformed() {
    Refuse("The workbook is damaged: a part of it is not well-formed XML.");
}

// Text with its entities (&amp; &#233; &#xE9; ...) replaced.
void Decode(std::string_view raw, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const std::size_t semicolon = raw.find(';', i);
        if (semicolon == std::string_view::npos) Malformed();
        const std::string_view entity = raw.substr(i + 1, semicolon - i - 1);
        if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "amp")
            out += '&';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x';
            const std::string_view digits = entity.substr(hex ? 2 : 1);
            std::uint32_t code = 0;
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
            if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || code == 0 ||
                code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
                Malformed();
            AppendUtf8(out, code);
        } else {
            Malformed();
        }
        i = semicolon;
    }
}

class Parser {
public:
    Parser(std::string_view xml, XmlHandler& handler) : xml_(xml), handler_(handler) {}

    void run() {
        for (const char c : xml_)
            if (static_cast<unsigned char>(c) < 0x20 && !IsSpace(c)) Malformed();
        if (xml_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
        bool rootSeen = false;
        while (pos_ < xml_.size()) {
            if (xml_[pos_] != '<') {
                const std::size_t next = std::min(xml_.find('<', pos_), xml_.size());
                const std::string_view raw = xml_.substr(pos_, next - pos_);
                pos_ = next;
                if (open_.empty()) {
                    for (const char c : raw)
                        if (!IsSpace(c)) Malformed();
                } else {
                    text(raw);
                }
            } else if (at("<?")) {
                skipPast("?>");
            } else if (at("<!--")) {
                skipPast("-->");
            } else if (at("<![CDATA[")) {
                const std::size_t start = pos_ + 9;
                skipPast("]]>");
                if (open_.empty()) Malformed();
                handler_.text(xml_.substr(start, pos_ - 3 - start));
            } else if (at("<!")) {
                Malformed(); // a document type declaration: spreadsheet parts have none
            } else if (at("</")) {
                pos_ += 2;
                const std::string_view qname = name();
                spaces();
                expect('>');
                if (open_.empty() || open_.back() != qname) Malformed();
                open_.pop_back();
                handler_.end(Local(qname));
                if (open_.empty()) return; // the root element is closed: the document is complete
            } else {
                rootSeen = true;
                element();
                if (open_.empty()) return;
            }
        }
        if (!rootSeen || !open_.empty()) Malformed();
    }

private:
    static std::string_view Local(std::string_view qname) {
        const std::size_t colon = qname.find(':');
        return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
    }

    bool at(std::string_view s) const { return xml_.substr(pos_).starts_with(s); }

    void skipPast(std::string_view terminator) {
        const std::size_t end = xml_.find(terminator, pos_);
        if (end == std::string_view::npos) Malformed();
        pos_ = end + terminator.size();
    }

    void spaces() {
        while (pos_ < xml_.size() && IsSpace(xml_[pos_])) ++pos_;
    }

    void expect(char c) {
        if (pos_ >= xml_.size() || xml_[pos_] != c) Malformed();
        ++pos_;
    }

    std::string_view name() {
        const std::size_t start = pos_;
        while (pos_ < xml_.size() && !EndsName(xml_[pos_])) ++pos_;
        if (pos_ == start) Malformed();
        return xml_.substr(start, pos_ - start);
    }

    void element() {
        ++pos_; // '<'
        const std::string_view qname = name();
        attributes_.clear();
        while (true) {
            const std::size_t before = pos_;
            spaces();
            if (pos_ >= xml_.size()) Malformed();
            if (xml_[pos_] == '>' || xml_[pos_] == '/') break;
            if (pos_ == before) Malformed(); // attributes are separated by blanks
            const std::string_view attrName = name();
            spaces();
            expect('=');
            spaces();
            if (pos_ >= xml_.size() || (xml_[pos_] != '"' && xml_[pos_] != '\'')) Malformed();
            const char quote = xml_[pos_++];
            const std::size_t end = xml_.find(quote, pos_);
            if (end == std::string_view::npos) Malformed();
            const std::string_view raw = xml_.substr(pos_, end - pos_);
            if (raw.find('<') != std::string_view::npos) Malformed();
            pos_ = end + 1;
            const std::size_t colon = attrName.find(':');
            XmlAttribute& attribute = attributes_.emplace_back();
            attribute.prefix =
                colon == std::string_view::npos ? std::string_view() : attrName.substr(0, colon);
            attribute.name = Local(attrName);
            Decode(raw, attribute.value);
        }
        const bool empty = xml_[pos_] == '/';
        if (empty) ++pos_;
        expect('>');
        if (open_.size() >= kMaxDepth) Malformed();
        handler_.start(Local(qname), attributes_);
        if (empty)
            handler_.end(Local(qname));
        else
            open_.push_back(qname);
    }

    void text(std::string_view raw) {
        if (raw.find('&') == std::string_view::npos) return handler_.text(raw);
        Decode(raw, decoded_);
        handler_.text(decoded_);
    }

    std::string_view xml_;
    XmlHandler& handler_;
    std::size_t pos_ = 0;
    std::vector<std::string_view> open_;
    XmlAttributes attributes_;
    std::string decoded_;
};

} // namespace

void ParseXml(std::string_view xml, XmlHandler& handler) {
    Parser(xml, handler).run();
}

const std::string* FindAttribute(const XmlAttributes& attributes, std::string_view name, bool prefixed) {
    for (const XmlAttribute& attribute : attributes)
        if (attribute.name == name && (!prefixed || !attribute.prefix.empty())) return &attribute.value;
    return nullptr;
}

} // namespace tulo::workbook
