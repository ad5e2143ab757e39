// The legacy .xls reader (BIFF8, Excel 97-2003; BIFF5, Excel 5/95): the compound file's workbook stream
// and its cell records, read here with every length checked. freexl 1.0.6 overflows a stack buffer on a
// crafted string record, leaves formula cells empty and turns date cells into texts; the records hold the
// numbers and the values Excel last computed for formulas, which is what the other readers give.

#include "io/WorkbookReadDetail.h"

#include <bit>
#include <cmath>
#include <map>

namespace tulo::workbook {
namespace {

[[noreturn]] void Damaged() {
    Refuse("The workbook is damaged or is not an Excel workbook.");
}

// Windows-1252 for the bytes 0x80-0x9F, where it differs from Latin-1: the 8-bit texts of Excel 5/95
// files written on Western European systems.
constexpr std::uint16_t kCp1252[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                       0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                       0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};

// The bytes of a record and of the CONTINUE records after it, read as one sequence. A text's characters
// broken at a continuation start again with a flags byte that tells their width.
class Continued {
public:
    explicit Continued(std::vector<std::string_view> parts) : parts_(std::move(parts)) {}

    bool byte(std::uint32_t& value) {
        while (part_ < parts_.size() && pos_ == parts_[part_].size()) next();
        if (part_ == parts_.size()) return false;
        value = static_cast<unsigned char>(parts_[part_][pos_++]);
        return true;
    }
    bool number(std::uint32_t& value, int bytes) {
        value = 0;
        for (int i = 0; i < bytes; ++i) {
            std::uint32_t b = 0;
            if (!byte(b)) return false;
            value |= b << (8 * i);
        }
        return true;
    }
    bool skip(std::uint64_t count) {
        for (std::uint32_t ignored = 0; count > 0; --count)
            if (!byte(ignored)) return false;
        return true;
    }
    // `count` characters, 16-bit when `wide` (UTF-16), else 8-bit (`cp1252`, or the low bytes of UTF-16).
    bool chars(std::size_t count, bool wide, bool cp1252, std::string& out) {
        for (std::size_t i = 0; i < count; ++i) {
            if (part_ < parts_.size() && pos_ == parts_[part_].size() && part_ + 1 < parts_.size()) {
                next();
                std::uint32_t flags = 0;
                if (!byte(flags)) return false;
                wide = flags & 1;
            }
            std::uint32_t code = 0;
            if (!number(code, wide ? 2 : 1)) return false;
            if (wide && code >= 0xD800 && code < 0xDC00 && i + 1 < count) {
                std::uint32_t low = 0;
                if (!number(low, 2)) return false;
                ++i;
                if (low >= 0xDC00 && low < 0xE000) code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            } else if (!wide && cp1252 && code >= 0x80 && code < 0xA0) {
                code = kCp1252[code - 0x80];
            }
            AppendUtf8(out, code);
        }
        return true;
    }

private:
    void next() {
        ++part_;
        pos_ = 0;
    }
    std::vector<std::string_view> parts_;
    std::size_t part_ = 0, pos_ = 0;
};

// A BIFF8 string (count, flags, optional rich-text and extension sizes, characters, then those extras) or a
// BIFF5 one (count, 8-bit characters). `countBytes` is 1 for sheet names, 2 elsewhere.
std::optional<std::string> ReadString(Continued& in, bool biff8, int countBytes) {
    std::uint32_t count = 0, flags = 0, runs = 0, extension = 0;
    if (!in.number(count, countBytes)) return std::nullopt;
    std::string text;
    if (!biff8) return in.chars(count, false, true, text) ? std::optional(text) : std::nullopt;
    if (!in.byte(flags)) return std::nullopt;
    if ((flags & 0x08) && !in.number(runs, 2)) return std::nullopt;
    if ((flags & 0x04) && !in.number(extension, 4)) return std::nullopt;
    if (!in.chars(count, flags & 1, false, text) || !in.skip(std::uint64_t{runs} * 4 + extension))
        return std::nullopt;
    return text;
}

constexpr std::uint32_t kFirstMarker = 0xFFFFFFFA; // end of chain, free sector and the like

// Follows a chain of sectors through an allocation table, at most `limit` bytes. A sector met twice is a
// loop: it would repeat the same bytes without end.
template <typename Unit>
std::string Chain(std::uint32_t start, const std::vector<std::uint32_t>& table, Unit unit,
                  std::uint64_t limit) {
    std::string out;
    std::vector<bool> seen(table.size());
    for (std::uint32_t n = start; n < kFirstMarker && out.size() < limit; n = table[n]) {
        if (n >= table.size() || seen[n]) Damaged();
        seen[n] = true;
        const auto data = unit(n);
        if (!data) Damaged();
        out += *data;
    }
    if (out.size() > limit) out.resize(limit);
    return out;
}

// The sectors of an OLE2 compound file and the allocation table that chains them into streams.
class CompoundFile {
public:
    explicit CompoundFile(std::string_view file) : file_(file) {
        if (file.size() < 512) Damaged();
        shift_ = Le16(file, 0x1E);
        if ((shift_ != 9 && shift_ != 12) || Le16(file, 0x20) != 6) Damaged();
        sectorSize_ = std::size_t{1} << shift_;
        sectorCount_ = file.size() / sectorSize_; // an upper bound: the header takes one
        readAllocationTable();
    }

    std::optional<std::string_view> sector(std::uint32_t n) const {
        const std::uint64_t offset = (std::uint64_t{n} + 1) << shift_;
        if (offset + sectorSize_ > file_.size()) return std::nullopt;
        return file_.substr(offset, sectorSize_);
    }

    std::string stream(std::uint32_t start, std::uint64_t limit) const {
        return Chain(
            start, fat_, [this](std::uint32_t n) { return sector(n); }, limit);
    }

    std::string directory() const { return stream(Le32(file_, 0x30), file_.size()); }

    // Streams below this size live in the mini stream.
    std::uint32_t miniStreamCutoff() const { return Le32(file_, 0x38); }

    // A small stream, read from the mini stream (the root entry's) in 64-byte sectors.
    std::string smallStream(std::string_view root, std::uint32_t start, std::uint32_t size) const {
        const std::string miniStream = stream(Le32(root, 0x74), Le32(root, 0x78));
        const std::string miniFatBytes =
            stream(Le32(file_, 0x3C), std::uint64_t{Le32(file_, 0x40)} << shift_);
        std::vector<std::uint32_t> miniFat;
        for (std::size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4)
            miniFat.push_back(Le32(miniFatBytes, i));
        const auto miniSector = [&](std::uint32_t n) -> std::optional<std::string_view> {
            if ((std::uint64_t{n} + 1) * 64 > miniStream.size()) return std::nullopt;
            return std::string_view(miniStream).substr(std::size_t{n} * 64, 64);
        };
        return Chain(start, miniFat, miniSector, size);
    }

private:
    // The sectors of the allocation table: the first 109 are listed in the header, the rest in a chain of
    // further list sectors.
    std::vector<std::uint32_t> allocationSectors() const {
        const std::uint32_t fatSectors = Le32(file_, 0x2C);
        if (fatSectors > sectorCount_) Damaged();
        std::vector<std::uint32_t> fatList;
        for (std::uint32_t i = 0; i < std::min<std::uint32_t>(fatSectors, 109); ++i)
            fatList.push_back(Le32(file_, 0x4C + 4 * i));
        std::uint32_t difat = Le32(file_, 0x44);
        for (std::uint64_t steps = 0; fatList.size() < fatSectors && difat < kFirstMarker; ++steps) {
            const auto data = sector(difat);
            if (!data || steps > sectorCount_) Damaged();
            for (std::size_t i = 0; i + 4 < sectorSize_ && fatList.size() < fatSectors; i += 4)
                fatList.push_back(Le32(*data, i));
            difat = Le32(*data, sectorSize_ - 4);
        }
        return fatList;
    }

    void readAllocationTable() {
        for (const std::uint32_t n : allocationSectors()) {
            const auto data = sector(n);
            if (!data) Damaged();
            for (std::size_t i = 0; i < sectorSize_; i += 4) fat_.push_back(Le32(*data, i));
        }
    }

    std::string_view file_;
    std::uint32_t shift_ = 0;
    std::size_t sectorSize_ = 0;
    std::uint64_t sectorCount_ = 0;
    std::vector<std::uint32_t> fat_;
};

// The name of a directory entry.
std::string EntryName(std::string_view e) {
    std::string name;
    Continued nameChars({e.substr(0, std::min<std::size_t>(Le16(e, 0x40), 64))});
    nameChars.chars(Le16(e, 0x40) >= 2 ? std::min<std::size_t>(Le16(e, 0x40), 64) / 2 - 1 : 0, true, false,
                    name);
    return name;
}

// The "Workbook" (or, from Excel 5/95, "Book") stream of an OLE2 compound file. Refuses a malformed file,
// and an encrypted one (an encrypted .xlsx is a compound file holding an "EncryptedPackage").
std::string WorkbookStream(std::string_view file) {
    const CompoundFile compound(file);
    const std::string directory = compound.directory();
    if (directory.size() < 128) Damaged();
    for (std::size_t entry = 0; entry + 128 <= directory.size(); entry += 128) {
        const std::string_view e = std::string_view(directory).substr(entry, 128);
        const std::string name = EntryName(e);
        if (e[0x42] != 2) continue; // not a stream
        if (name == "EncryptedPackage") Refuse("The workbook is protected by a password.");
        if (name != "Workbook" && name != "Book") continue;
        const std::uint32_t start = Le32(e, 0x74), size = Le32(e, 0x78);
        if (size >= compound.miniStreamCutoff()) return compound.stream(start, size);
        return compound.smallStream(std::string_view(directory).substr(0, 128), start, size);
    }
    Damaged();
}

struct Record {
    std::uint32_t type = 0;
    std::string_view data;
};

// The records of the workbook stream from a position on.
class Records {
public:
    Records(std::string_view stream, std::size_t pos) : stream_(stream), pos_(pos) {}
    bool next(Record& record) {
        if (pos_ > stream_.size() || stream_.size() - pos_ < 4) return false;
        const std::uint32_t length = Le16(stream_, pos_ + 2);
        if (stream_.size() - pos_ - 4 < length) return false;
        record = {Le16(stream_, pos_), stream_.substr(pos_ + 4, length)};
        pos_ += 4 + length;
        return true;
    }
    std::uint32_t peekType() const { return stream_.size() - pos_ >= 4 ? Le16(stream_, pos_) : 0; }
    std::size_t position() const { return pos_; }

private:
    std::string_view stream_;
    std::size_t pos_;
};

enum : std::uint32_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

std::string ErrorText(unsigned code) {
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    default:
        return "#N/A";
    }
}

// A number packed in 30 bits: an integer or the top of a double, either possibly scaled by 100.
double RkValue(std::uint32_t rk) {
    double value = (rk & 2) ? static_cast<double>(static_cast<std::int32_t>(rk) >> 2)
                            : std::bit_cast<double>(std::uint64_t{rk & 0xFFFFFFFCu} << 32);
    return (rk & 1) ? value / 100 : value;
}

std::string NumberOrEmpty(double value) {
    return std::isfinite(value) ? NumberText(value) : std::string();
}

// What the workbook globals say about dates: which cell formats (XF records, by index) show one, and the
// date system.
struct DateFormats {
    std::vector<bool> byXf;
    bool from1904 = false;
};

struct SheetEntry {
    std::string name;
    std::uint32_t offset = 0;
};

class SheetReader {
public:
    SheetReader(std::string_view stream, bool biff8, const std::vector<std::string>& strings,
                const DateFormats& dates, SheetBuilder& sheet)
        : stream_(stream), biff8_(biff8), strings_(strings), dates_(dates), sheet_(sheet) {}

    // The sheet's records, from its BOF to the matching EOF (charts inside it have their own pair).
    // Returns the bytes walked.
    std::size_t read(std::uint32_t offset) {
        Records records(stream_, offset);
        Record record;
        if (!records.next(record) || record.type != kBof) Damaged();
        for (int depth = 1; depth > 0 && records.next(record);) {
            if (record.type == kBof)
                ++depth;
            else if (record.type == kEof)
                --depth;
            else if (depth == 1)
                cell(record);
        }
        return records.position() - offset;
    }

private:
    void set(std::string_view data, std::string text) {
        sheet_.set(Le16(data, 0) + 1, Le16(data, 2) + 1, std::move(text));
    }

    // A number cell, shown as a date when its cell format (XF index) says so.
    void number(std::uint32_t row, std::uint32_t col, std::uint32_t xf, double value) {
        const bool date = xf < dates_.byXf.size() && dates_.byXf[xf];
        if (const auto shown = date ? SerialDate(value, dates_.from1904) : std::nullopt)
            sheet_.setDate(row + 1, col + 1, *shown);
        else
            sheet_.set(row + 1, col + 1, NumberOrEmpty(value));
    }
    void number(std::string_view data, double value) {
        number(Le16(data, 0), Le16(data, 2), Le16(data, 4), value);
    }

    void cell(const Record& r) {
        const std::string_view d = r.data;
        switch (r.type) {
        case kNumber:
            if (d.size() >= 14)
                number(d, std::bit_cast<double>(std::uint64_t{Le32(d, 10)} << 32 | Le32(d, 6)));
            break;
        case kRk:
            if (d.size() >= 10) number(d, RkValue(Le32(d, 6)));
            break;
        case kMulRk:
            for (std::uint32_t at = 4, col = Le16(d, 2); d.size() >= 6 && at + 6 <= d.size() - 2;
                 at += 6, ++col)
                number(Le16(d, 0), col, Le16(d, at), RkValue(Le32(d, at + 2)));
            break;
        case kLabelSst:
            if (d.size() >= 10 && Le32(d, 6) < strings_.size()) set(d, strings_[Le32(d, 6)]);
            break;
        case kLabel:
        case kRString:
            if (d.size() >= 8) {
                Continued in({d.substr(6)});
                if (const auto text = ReadString(in, biff8_ && r.type == kLabel, 2)) set(d, *text);
            }
            break;
        case kBoolErr:
            if (d.size() >= 8)
                set(d, d[7] ? ErrorText(static_cast<unsigned char>(d[6])) : d[6] ? "TRUE" : "FALSE");
            break;
        case kFormula:
            formula(d);
            break;
        case kString:
            if (pending_) {
                Continued in({d});
                if (const auto text = ReadString(in, biff8_, 2))
                    set(*pending_, *text);
                else
                    sheet_.markUnreadFormula();
                pending_.reset();
            }
            break;
        default:
            break;
        }
    }

    // The value Excel stored with the formula; a text result follows in the next STRING record.
    void formula(std::string_view d) {
        if (pending_) sheet_.markUnreadFormula(); // its STRING record never came
        pending_.reset();
        if (d.size() < 14) return;
        if (Le16(d, 12) != 0xFFFF)
            return number(d, std::bit_cast<double>(std::uint64_t{Le32(d, 10)} << 32 | Le32(d, 6)));
        switch (d[6]) {
        case 0:
            pending_ = d;
            break;
        case 1:
            set(d, d[8] ? "TRUE" : "FALSE");
            break;
        case 2:
            set(d, ErrorText(static_cast<unsigned char>(d[8])));
            break;
        case 3:
            break; // an empty text
        default:
            sheet_.markUnreadFormula();
        }
    }

    std::string_view stream_;
    bool biff8_;
    const std::vector<std::string>& strings_;
    const DateFormats& dates_;
    SheetBuilder& sheet_;
    std::optional<std::string_view> pending_;
};

} // namespace

WorkbookData ReadXls(std::string_view bytes) {
    const std::string stream = WorkbookStream(bytes);
    Records records(stream, 0);
    Record record;
    if (!records.next(record) || record.type != kBof || record.data.size() < 4 ||
        Le16(record.data, 2) != 0x0005)
        Damaged(); // the workbook globals come first
    const std::uint32_t version = Le16(record.data, 0);
    if (version != 0x0600 && version != 0x0500)
        Refuse("The workbook is in an Excel format older than Excel 5.");
    const bool biff8 = version == 0x0600;

    std::vector<SheetEntry> entries;
    std::vector<std::string> strings;
    std::map<std::uint32_t, bool> customDates; // FORMAT records: format index, shows a date
    std::vector<std::uint32_t> xfFormats;      // XF records: format index
    DateFormats dates;
    while (records.next(record) && record.type != kEof) {
        if (record.type == kFilePass) Refuse("The workbook is protected by a password.");
        if (record.type == kDateMode && record.data.size() >= 2) dates.from1904 = Le16(record.data, 0) == 1;
        if (record.type == kXf && record.data.size() >= 4) xfFormats.push_back(Le16(record.data, 2));
        if (record.type == kFormat && record.data.size() >= 3) {
            Continued in({record.data.substr(2)});
            if (const auto code = ReadString(in, biff8, biff8 ? 2 : 1))
                customDates[Le16(record.data, 0)] = IsDateFormat(*code);
        }
        if (record.type == kBoundSheet && record.data.size() >= 7 && record.data[5] == 0) { // a worksheet
            Continued in({record.data.substr(6)});
            const auto name = ReadString(in, biff8, 1);
            if (!name) Damaged();
            if (entries.size() >= kMaxSheets) Refuse("The workbook has too many sheets to import.");
            entries.push_back({*name, Le32(record.data, 0)});
        } else if (record.type == kSst && record.data.size() >= 8) {
            std::vector<std::string_view> parts{record.data.substr(8)};
            while (records.peekType() == kContinue && records.next(record)) parts.push_back(record.data);
            Continued in(std::move(parts));
            while (const auto text = ReadString(in, true, 2)) strings.push_back(*text);
        }
    }
    if (entries.empty()) Refuse("The workbook has no worksheet.");
    for (const std::uint32_t format : xfFormats) {
        const auto custom = customDates.find(format);
        dates.byXf.push_back(custom != customDates.end() ? custom->second : IsBuiltInDateFormat(format));
    }

    WorkbookData book;
    book.format = WorkbookFormat::Xls;
    Budget budget;
    std::uint64_t walked = 0;
    for (const SheetEntry& entry : entries) {
        SheetBuilder sheet(entry.name, budget);
        SheetReader reader(stream, biff8, strings, dates, sheet);
        walked += reader.read(entry.offset);
        // Sheets do not share records; crafted offsets that make them would multiply the work.
        if (walked > stream.size()) Damaged();
        book.sheets.push_back(sheet.finish());
    }
    return book;
}

} // namespace tulo::workbook
