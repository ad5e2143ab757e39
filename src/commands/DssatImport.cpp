#include "commands/DssatImport.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "commands/SeasonOptions.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/SeasonCompile.h"
#include "io/DssatExperiment.h"
#include "io/TextFiles.h"
#include "io/WeatherFiles.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <map>
#include <set>
#include <system_error>
#include <tuple>

namespace tulo {

namespace {

namespace chr = std::chrono;

// A month after the last observation the crop has surely been harvested.
constexpr int kDaysAfterObservations = 30;

chr::sys_days DaysOf(const CivilDate& date) {
    return chr::sys_days{chr::year{date.year} / chr::month{static_cast<unsigned>(date.month)} /
                         chr::day{static_cast<unsigned>(date.day)}};
}

CivilDate DateOf(chr::sys_days days) {
    const chr::year_month_day date{days};
    return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day()))};
}

CivilDate FirstOfYear(int year) {
    return {year, 1, 1};
}

CivilDate LastOfYear(int year) {
    return {year, 12, 31};
}

// "T01-early-25": the treatment's number, then its name in letters, digits, '-' and '_' only, so that it
// names files on every system.
std::string TreatmentStem(int number, std::string_view title) {
    std::string stem = "T" + std::string(number < 10 ? "0" : "") + std::to_string(number);
    std::string slug;
    for (const char c : title) {
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
        if (plain)
            slug += c;
        else if (!slug.empty() && slug.back() != '-')
            slug += '-';
        if (slug.size() >= 40) break;
    }
    while (!slug.empty() && slug.back() == '-') slug.pop_back();
    return slug.empty() ? stem : stem + "-" + slug;
}

// "a", "a and b", "a, b and c".
std::string ListText(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return text;
}

std::string JoinNumbers(const std::vector<int>& numbers) {
    std::string text;
    for (const int n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
}

// A weather file read once, however many treatments use it.
struct StationFile {
    std::filesystem::path path;
    WeatherFileSeries series;
    std::optional<chr::sys_days> first, last;
    std::string problem; // why it cannot be read
};

class WeatherFinder {
public:
    explicit WeatherFinder(std::vector<std::filesystem::path> folders) : folders_(std::move(folders)) {}

    // The file of `station` that holds `sowing`; a refusal names the station and where it looked.
    Result<const StationFile*> find(const std::string& station, const CivilDate& sowing) {
        const std::string code = UpperCase(station);
        const std::string yearly =
            code + (sowing.year % 100 < 10 ? "0" : "") + std::to_string(sowing.year % 100) + "01";
        std::vector<std::filesystem::path> candidates;
        for (const std::filesystem::path& folder : folders_) {
            std::vector<std::filesystem::path> named;
            std::error_code error;
            for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
                 it.increment(error)) {
                const std::string file = UpperCase(it->path().filename().string());
                if (file.starts_with(code) && file.ends_with(".WTH")) named.push_back(it->path());
            }
            // The names DSSAT gives a station's files first, then the others in order.
            std::sort(named.begin(), named.end(), [&](const auto& a, const auto& b) {
                const auto rank = [&](const std::filesystem::path& p) {
                    const std::string stem = UpperCase(p.stem().string());
                    return stem == code ? 0 : stem == yearly ? 1 : 2;
                };
                return std::pair(rank(a), a.filename()) < std::pair(rank(b), b.filename());
            });
            candidates.insert(candidates.end(), named.begin(), named.end());
        }
        std::string tried, unread;
        for (const std::filesystem::path& candidate : candidates) {
            const StationFile& file = read(candidate);
            // Another file of the station may hold the season: an unreadable one is told only if none does.
            if (!file.problem.empty()) {
                if (unread.empty()) unread = " " + file.problem;
                continue;
            }
            if (file.first && *file.first <= DaysOf(sowing) && DaysOf(sowing) <= *file.last) return &file;
            tried += (tried.empty() ? "" : ", ") + candidate.filename().string() +
                     (file.first ? " (" + IsoDateText(DateOf(*file.first)) + " to " +
                                       IsoDateText(DateOf(*file.last)) + ")"
                                 : " (no days)");
        }
        std::string folders;
        for (const auto& folder : folders_) folders += (folders.empty() ? "" : " and ") + folder.string();
        return Outcome::Failure("No weather file of station " + station + " holds the sowing day " +
                                    IsoDateText(sowing) + ": looked for " + code + "*.WTH in " + folders +
                                    (tried.empty() ? "" : ", and found only " + tried) + "." + unread,
                                Outcome::Reason::InvalidInputs);
    }

private:
    const StationFile& read(const std::filesystem::path& path) {
        const auto known = files_.find(path);
        if (known != files_.end()) return known->second;
        StationFile file;
        file.path = path;
        try {
            file.series = ReadWeatherFile(path);
            for (const WeatherFileDay& day : file.series.days) {
                const auto date = DateOfSeasonDay(day.doy, day.year);
                if (!date) continue;
                const chr::sys_days days = DaysOf(*date);
                if (!file.first || days < *file.first) file.first = days;
                if (!file.last || days > *file.last) file.last = days;
            }
        } catch (const WeatherFileError& error) {
            file.problem = error.what();
        }
        return files_.emplace(path, std::move(file)).first->second;
    }

    std::vector<std::filesystem::path> folders_;
    std::map<std::filesystem::path, StationFile> files_;
};

// The observations of the .RIT and .RIA, when they are beside the experiment.
struct ObservationFiles {
    DssatObservations timeCourse, summary;
};

std::optional<std::filesystem::path> Beside(const std::filesystem::path& experiment,
                                            std::string_view extension) {
    const std::filesystem::path folder = experiment.parent_path().empty() ? "." : experiment.parent_path();
    const std::string stem = experiment.stem().string();
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (EqualIgnoringCase(it->path().stem().string(), stem) &&
            EqualIgnoringCase(it->path().extension().string(), extension) && it->is_regular_file(error))
            return experiment.parent_path() / it->path().filename();
    return std::nullopt;
}

Result<std::string> ReadText(const std::filesystem::path& file) {
    auto text = ReadWholeFile(file, kMaxTextFileBytes);
    if (!text) return Outcome::Failure(file.string() + " cannot be read: " + text.message() + ".");
    return text;
}

// What a treatment's irrigation level says of the water: the flood depth (cm) and the water applied.
struct Irrigation {
    std::optional<double> floodCm;
    std::set<double> depthsCm;
    double appliedMm = 0;
    int applications = 0;
    std::set<std::string> otherOperations; // bund height, percolation, puddling, water table
};

Irrigation ReadIrrigation(const std::vector<DssatIrrigationEvent>& events) {
    static const std::map<std::string, std::string, std::less<>> kOther = {{"IR007", "water table depth"},
                                                                           {"IR008", "percolation rate"},
                                                                           {"IR009", "bund height"},
                                                                           {"IR010", "puddling"}};
    Irrigation irrigation;
    for (const DssatIrrigationEvent& event : events) {
        if (event.code == "IR006" || event.code == "IR011") {
            if (event.value <= 0) continue;
            if (!irrigation.floodCm) irrigation.floodCm = event.value / 10;
            irrigation.depthsCm.insert(event.value / 10);
        } else if (const auto other = kOther.find(event.code); other != kOther.end()) {
            irrigation.otherOperations.insert(other->second);
        } else {
            irrigation.appliedMm += event.value;
            ++irrigation.applications;
        }
    }
    return irrigation;
}

// Notes gathered per subject, each said once for the treatments it concerns: "Every treatment: ..." or
// "T03-Early-direct, T06-Late-direct: ...". A subject starts in lower case and ends without a full stop.
class Notes {
public:
    void add(const std::string& subject, std::string_view treatment) {
        std::vector<std::string>& treatments = subjects_[subject];
        if (std::find(treatments.begin(), treatments.end(), treatment) == treatments.end())
            treatments.emplace_back(treatment);
        if (std::find(order_.begin(), order_.end(), subject) == order_.end()) order_.push_back(subject);
    }
    // A sentence of the whole import, said once.
    void add(const std::string& sentence) {
        if (std::find(loose_.begin(), loose_.end(), sentence) == loose_.end()) loose_.push_back(sentence);
    }
    std::vector<std::string> sentences(std::size_t treatmentCount) const {
        std::vector<std::string> out = loose_;
        for (const std::string& subject : order_) {
            const std::vector<std::string>& treatments = subjects_.at(subject);
            std::string names;
            for (const std::string& t : treatments) names += (names.empty() ? "" : ", ") + t;
            out.push_back(
                (treatments.size() == treatmentCount && treatmentCount > 1 ? "Every treatment" : names) +
                ": " + subject + ".");
        }
        return out;
    }

private:
    std::vector<std::string> loose_, order_;
    std::map<std::string, std::vector<std::string>> subjects_;
};

std::string Amount(double value) {
    return ShortestText(RoundHalfEven(value * 10) / 10);
}

std::string Applications(int count) {
    return std::to_string(count) + (count == 1 ? " application" : " applications");
}

class Importer {
public:
    Importer(const DssatImportRequest& request, Messages& messages)
        : request_(request), messages_(messages) {}

    std::optional<DssatImport> run() {
        const std::string file = request_.experiment.filename().string();
        auto text = ReadText(request_.experiment);
        if (!text) return refuse(text.message());
        auto experiment = ReadDssatExperiment(*text, file);
        if (!experiment) return refuse(experiment.message());
        experiment_ = std::move(*experiment);
        import_.title = experiment_.title;
        import_.inputs.push_back(request_.experiment);
        if (!readObservations()) return std::nullopt;
        std::vector<std::filesystem::path> folders;
        if (request_.weatherFolder) folders.push_back(*request_.weatherFolder);
        folders.push_back(request_.experiment.parent_path().empty() ? "."
                                                                    : request_.experiment.parent_path());
        WeatherFinder weather(folders);
        if (!chosenExist()) return std::nullopt;
        bool whole = true;
        for (const DssatTreatment& treatment : experiment_.treatments) {
            if (!request_.treatments.empty() &&
                std::find(request_.treatments.begin(), request_.treatments.end(), treatment.number) ==
                    request_.treatments.end())
                continue;
            whole = importTreatment(treatment, weather) && whole;
        }
        if (!whole) return std::nullopt;
        noteOtherMeasurements();
        import_.notes = notes_.sentences(import_.treatments.size());
        return std::move(import_);
    }

private:
    std::nullopt_t refuse(std::string message) {
        messages_.push_back({std::move(message)});
        return std::nullopt;
    }

    bool chosenExist() {
        std::vector<int> numbers;
        for (const DssatTreatment& t : experiment_.treatments) numbers.push_back(t.number);
        for (const int chosen : request_.treatments)
            if (std::find(numbers.begin(), numbers.end(), chosen) == numbers.end()) {
                refuse("Treatment " + std::to_string(chosen) + " is not in " +
                       request_.experiment.filename().string() + ", whose treatments are " +
                       JoinNumbers(numbers) + ".");
                return false;
            }
        return true;
    }

    bool readObservations() {
        for (const auto& [extension, timeCourse] : {std::pair{".RIT", true}, std::pair{".RIA", false}}) {
            const auto path = Beside(request_.experiment, extension);
            if (!path) {
                notes_.add("No " + request_.experiment.stem().string() + extension +
                           " beside the experiment: " +
                           (timeCourse ? "no measured AGB and LAI tables." : "no observed stage dates."));
                continue;
            }
            auto text = ReadText(*path);
            if (!text) return refuse(text.message()), false;
            auto read = ReadDssatObservations(*text, path->filename().string(), timeCourse);
            if (!read) return refuse(read.message()), false;
            (timeCourse ? observations_.timeCourse : observations_.summary) = std::move(*read);
            import_.inputs.push_back(*path);
            (timeCourse ? timeCourseFile_ : summaryFile_) = path->filename().string();
        }
        return true;
    }

    // A level the treatment names must be in its section.
    template <class Levels>
    bool levelFound(const DssatTreatment& treatment, std::string_view factor, const Levels& levels,
                    std::string_view section) {
        const int level = treatment.level(factor);
        if (levels.contains(level)) return true;
        refuse(request_.experiment.filename().string() + ", line " + std::to_string(treatment.line) +
               ", column " + std::string(factor) + ": treatment " + std::to_string(treatment.number) +
               " names " + std::string(section) + " level " + std::to_string(level) +
               ", which the experiment does not give.");
        return false;
    }

    bool importTreatment(const DssatTreatment& treatment, WeatherFinder& weather) {
        if (!levelFound(treatment, "MP", experiment_.plantings, "planting") ||
            !levelFound(treatment, "FL", experiment_.fields, "field"))
            return false;
        ImportedTreatment imported;
        imported.number = treatment.number;
        imported.title = treatment.name;
        imported.name = TreatmentStem(treatment.number, treatment.name);
        const std::string& name = imported.name;
        const DssatPlanting& planting = experiment_.plantings.at(treatment.level("MP"));
        const DssatField& field = experiment_.fields.at(treatment.level("FL"));
        const std::string where =
            request_.experiment.filename().string() + ", line " + std::to_string(planting.line);

        SeasonOptions options;
        CivilDate sowing = planting.date;
        if (planting.method == 'T') {
            if (!planting.seedlingAge || *planting.seedlingAge < 1 || *planting.seedlingAge > 365)
                return refuse(where +
                              ", column PAGE: a transplanted crop (PLME T) needs its seedlings' age in "
                              "days, from 1 to 365."),
                       false;
            sowing = DateOf(DaysOf(planting.date) -
                            chr::days{static_cast<int>(RoundHalfEven(*planting.seedlingAge))});
            options.transplanting = IsoDateText(planting.date);
            if (planting.density && planting.plantsPerHill && *planting.plantsPerHill > 0) {
                imported.seedlingsPerHill = *planting.plantsPerHill;
                imported.hillsPerSquareMetre = *planting.density / *planting.plantsPerHill;
                options.settings.push_back("NH=" + ShortestText(*imported.hillsPerSquareMetre));
                options.settings.push_back("NPLH=" + ShortestText(*imported.seedlingsPerHill));
            } else {
                notes_.add("PPOP or PLPH is not given: TULO's default hills per m2 and seedlings per hill",
                           name);
            }
            if (planting.seedbedCelsius)
                notes_.add(
                    "the seedbed's temperature (PENV) is not used: TULO grows the seedbed on the site's "
                    "weather",
                    name);
        } else if (planting.method == 'S' || planting.method == 'P') {
            if (planting.density)
                notes_.add("the plant population of a crop sown directly (PPOP) is not modelled", name);
        } else {
            return refuse(where +
                          ", column PLME: TULO simulates a crop sown directly (S, P) or transplanted "
                          "(T), not planting method " +
                          QuoteValue(std::string(1, planting.method)) + "."),
                   false;
        }
        options.sowing = IsoDateText(sowing);

        if (field.station.empty())
            return refuse(request_.experiment.filename().string() + ", line " + std::to_string(field.line) +
                          ", column WSTA: the field names no weather station."),
                   false;
        auto station = weather.find(field.station, sowing);
        if (!station) return refuse(name + ": " + station.message()), false;
        const StationFile& stationFile = **station;
        imported.weather = stationFile.path;
        if (std::find(import_.inputs.begin(), import_.inputs.end(), stationFile.path) == import_.inputs.end())
            import_.inputs.push_back(stationFile.path);
        options.weather = stationFile.path.string();
        if (!stationFile.series.latitude) {
            if (!field.latitude)
                return refuse(name + ": neither " + stationFile.path.filename().string() +
                              " nor the field (YCRD) gives the site's latitude."),
                       false;
            options.latitude = ShortestText(*field.latitude);
        }

        if (!gatherObservations(imported)) return false;
        const auto span = seasonSpan(imported, sowing, stationFile);
        if (!span) return false;
        options.start = IsoDateText(span->first);
        options.end = IsoDateText(span->second);

        const Irrigation irrigation = ReadIrrigation(experiment_.irrigations[treatment.level("MI")]);
        const std::optional<double> flood = irrigation.floodCm ? irrigation.floodCm : request_.floodedLevelCm;
        noteWater(treatment, irrigation, name);
        noteNotModelled(treatment, name);
        for (const std::string& setting : request_.settings) options.settings.push_back(setting);

        Messages made;
        const auto changes = MakeNewSeason(imported.season, options, flood, made);
        for (Message& message : made) {
            // The weather's notes are the same for every treatment of a station: said once.
            if (changes && message.icon == Icon::Information)
                notes_.add(message.text);
            else if (changes)
                notes_.add(name + ": " + message.text);
            else
                refuse(name + ": " + message.text);
        }
        if (!changes) return false;
        const Compilation compiled = CompileSeason(imported.season);
        for (const InputProblem& problem : compiled.problems) refuse(name + ": " + problem.text);
        if (!compiled.inputs) return false;
        for (const InputProblem& warning : compiled.warnings) notes_.add(name + ": " + warning.text);
        import_.treatments.push_back(std::move(imported));
        return true;
    }

    // The treatment's measurements; false, having said why, when a date's value is given twice.
    bool gatherObservations(ImportedTreatment& imported) {
        std::map<std::pair<std::string, std::int64_t>, int> lines;
        for (const DssatObservation& row : observations_.timeCourse.rows) {
            if (row.treatment != imported.number) continue;
            for (const auto& [title, values, scale] :
                 {std::tuple{"CWAD", &imported.agb, 1e-3}, std::tuple{"LAID", &imported.lai, 1.0}}) {
                const auto at = row.numbers.find(title);
                if (at == row.numbers.end()) continue;
                const auto [seen, added] = lines.emplace(
                    std::pair{std::string(title), DaysOf(*row.date).time_since_epoch().count()}, row.line);
                if (!added)
                    return refuse(timeCourseFile_ + ", line " + std::to_string(row.line) + ", column " +
                                  title + ": treatment " + std::to_string(imported.number) + "'s value of " +
                                  IsoDateText(*row.date) + " is given twice (line " +
                                  std::to_string(seen->second) + " too)."),
                           false;
                values->push_back({*row.date, at->second * scale});
            }
        }
        for (auto* values : {&imported.agb, &imported.lai})
            std::stable_sort(values->begin(), values->end(),
                             [](const auto& a, const auto& b) { return DaysOf(a.date) < DaysOf(b.date); });
        for (const DssatObservation& row : observations_.summary.rows) {
            if (row.treatment != imported.number) continue;
            const auto date = [&](const char* title) -> std::optional<CivilDate> {
                const auto at = row.dates.find(title);
                return at == row.dates.end() ? std::nullopt : std::optional(at->second);
            };
            if (const auto d = date("EDAT")) imported.emergence = d;
            if (const auto d = date("ADAT")) imported.flowering = d;
            if (const auto d = date("MDAT")) imported.maturity = d;
        }
        return true;
    }

    // The first and last simulated days: from 1 January of the sowing year through 31 December, or to a
    // month after an observation of the next year, within the weather file's days.
    std::optional<std::pair<CivilDate, CivilDate>>
    seasonSpan(const ImportedTreatment& imported, const CivilDate& sowing, const StationFile& station) {
        std::optional<chr::sys_days> lastObserved;
        const auto observe = [&](const std::optional<CivilDate>& date) {
            if (date && (!lastObserved || DaysOf(*date) > *lastObserved)) lastObserved = DaysOf(*date);
        };
        for (const auto* values : {&imported.agb, &imported.lai})
            for (const MeasuredValue& value : *values) observe(value.date);
        observe(imported.emergence);
        observe(imported.flowering);
        observe(imported.maturity);
        const chr::sys_days first = std::max(DaysOf(FirstOfYear(sowing.year)), *station.first);
        chr::sys_days last = DaysOf(LastOfYear(sowing.year));
        if (lastObserved && *lastObserved + chr::days{kDaysAfterObservations} > last)
            last = std::min(*lastObserved + chr::days{kDaysAfterObservations},
                            DaysOf(LastOfYear(sowing.year + 1)));
        last = std::min(last, *station.last);
        if (lastObserved && *lastObserved > last) {
            refuse(imported.name + ": its observations run to " + IsoDateText(DateOf(*lastObserved)) +
                   ", beyond " +
                   (*lastObserved > DaysOf(LastOfYear(sowing.year + 1))
                        ? "the second year of its season (TULO simulates up to two years from 1 January of "
                          "the sowing year)"
                        : "the last day of " + station.path.filename().string() + " (" +
                              IsoDateText(DateOf(last)) + ")") +
                   ".");
            return std::nullopt;
        }
        return std::pair{DateOf(first), DateOf(last)};
    }

    void noteWater(const DssatTreatment& treatment, const Irrigation& irrigation, const std::string& name) {
        if (irrigation.depthsCm.size() > 1) {
            std::string depths;
            for (const double d : irrigation.depthsCm) depths += (depths.empty() ? "" : ", ") + Amount(d);
            notes_.add("the flood depth changes over the season (" + depths + " cm): TULO keeps the first, " +
                           Amount(*irrigation.floodCm) + " cm, all season",
                       name);
        }
        if (irrigation.applications > 0)
            notes_.add(
                "irrigation of " + Amount(irrigation.appliedMm) + " mm in " +
                    Applications(irrigation.applications) + " (irrigation level " +
                    std::to_string(treatment.level("MI")) +
                    ") is not modelled: TULO keeps a flooded field at its depth and leaves an unflooded one "
                    "to the rain",
                name);
        if (!irrigation.otherOperations.empty())
            notes_.add("the field's " +
                           ListText({irrigation.otherOperations.begin(), irrigation.otherOperations.end()}) +
                           (irrigation.otherOperations.size() == 1 ? " is" : " are") + " not modelled",
                       name);
    }

    void noteNotModelled(const DssatTreatment& treatment, const std::string& name) {
        if (const int level = treatment.level("MF"); level > 0) {
            double nitrogen = 0;
            const auto& events = experiment_.fertilisers[level];
            for (const DssatFertiliserEvent& event : events) nitrogen += event.nitrogen;
            notes_.add("fertiliser level " + std::to_string(level) + " (" + Amount(nitrogen) +
                           " kg N/ha in " + Applications(static_cast<int>(events.size())) +
                           ") is not modelled: TULO simulates a crop that nitrogen does not limit",
                       name);
        }
        static const std::map<std::string, std::string, std::less<>> kFactors = {
            {"SA", "soil analysis"},  {"IC", "initial conditions"},
            {"MR", "residues"},       {"MC", "chemicals"},
            {"MT", "tillage"},        {"ME", "environment modifications"},
            {"MH", "harvest details"}};
        for (const auto& [factor, what] : kFactors)
            if (treatment.level(factor) > 0)
                notes_.add("its " + what + " level (" + factor + ") is not modelled", name);
        if (const auto cultivar = experiment_.cultivars.find(treatment.level("CU"));
            cultivar != experiment_.cultivars.end())
            notes_.add("cultivar " +
                           (cultivar->second.name.empty() ? cultivar->second.code : cultivar->second.name) +
                           (cultivar->second.code.empty() ? "" : " (" + cultivar->second.code + ")") +
                           " starts from TULO's default crop parameters: fit them with phenology --sites and "
                           "calibrate-sites --sites",
                       name);
        if (const auto field = experiment_.fields.find(treatment.level("FL"));
            field != experiment_.fields.end() && !field->second.soil.empty())
            notes_.add("soil " + field->second.soil +
                           " is not read: the seasons keep TULO's default soil table",
                       name);
    }

    void noteOtherMeasurements() {
        static const std::set<std::string, std::less<>> kTimeCourse = {"TRNO", "DATE", "CWAD", "LAID"};
        static const std::set<std::string, std::less<>> kSummary = {"TRNO", "EDAT", "ADAT", "MDAT"};
        for (const auto& [observations, read, file] :
             {std::tuple{&observations_.timeCourse, &kTimeCourse, timeCourseFile_},
              std::tuple{&observations_.summary, &kSummary, summaryFile_}}) {
            std::string left;
            for (const std::string& title : observations->titles)
                if (!read->contains(title)) left += (left.empty() ? "" : ", ") + title;
            if (!left.empty())
                notes_.add("Not imported from " + file + ", having no TULO counterpart: " + left + ".");
            std::set<int> strangers;
            for (const DssatObservation& row : observations->rows)
                if (std::none_of(experiment_.treatments.begin(), experiment_.treatments.end(),
                                 [&](const DssatTreatment& t) { return t.number == row.treatment; }))
                    strangers.insert(row.treatment);
            if (!strangers.empty())
                notes_.add(file + " holds treatments the experiment lacks, left out: " +
                           JoinNumbers({strangers.begin(), strangers.end()}) + ".");
        }
    }

    const DssatImportRequest& request_;
    Messages& messages_;
    DssatExperiment experiment_;
    ObservationFiles observations_;
    std::string timeCourseFile_, summaryFile_;
    Notes notes_;
    DssatImport import_;
};

} // namespace

std::string MeasuredTableCsv(const std::vector<MeasuredValue>& values, std::string_view title) {
    std::string csv = "Date," + std::string(title) + "\n";
    for (const MeasuredValue& value : values)
        csv += IsoDateText(value.date) + "," + ShortestText(value.value) + "\n";
    return csv;
}

std::string DssatImport::sitesTable() const {
    const auto any = [&](auto has) { return std::any_of(treatments.begin(), treatments.end(), has); };
    const bool density = any([](const ImportedTreatment& t) { return t.hillsPerSquareMetre.has_value(); });
    const bool emergence = any([](const ImportedTreatment& t) { return t.emergence.has_value(); });
    const bool flowering = any([](const ImportedTreatment& t) { return t.flowering.has_value(); });
    const bool maturity = any([](const ImportedTreatment& t) { return t.maturity.has_value(); });
    const bool agb = any([](const ImportedTreatment& t) { return !t.agb.empty(); });
    const bool lai = any([](const ImportedTreatment& t) { return !t.lai.empty(); });
    std::string csv = "name,config";
    csv += density ? ",NH,NPLH" : "";
    csv += emergence ? ",emergence" : "";
    csv += flowering ? ",flowering" : "";
    csv += maturity ? ",maturity" : "";
    csv += agb ? ",agb" : "";
    csv += lai ? ",lai" : "";
    csv += "\n";
    const auto date = [](const std::optional<CivilDate>& d) {
        return d ? "," + IsoDateText(*d) : std::string(",");
    };
    const auto number = [](const std::optional<double>& v) {
        return v ? "," + ShortestText(*v) : std::string(",");
    };
    for (const ImportedTreatment& t : treatments) {
        csv += CsvField(t.name) + "," + CsvField(t.name + ".sim");
        if (density) csv += number(t.hillsPerSquareMetre) + number(t.seedlingsPerHill);
        if (emergence) csv += date(t.emergence);
        if (flowering) csv += date(t.flowering);
        if (maturity) csv += date(t.maturity);
        if (agb) csv += "," + (t.agb.empty() ? std::string() : CsvField(t.name + "-agb.csv"));
        if (lai) csv += "," + (t.lai.empty() ? std::string() : CsvField(t.name + "-lai.csv"));
        csv += "\n";
    }
    return csv;
}

std::vector<FileContent> DssatImport::files(const std::filesystem::path& folder) const {
    std::vector<FileContent> files;
    for (const ImportedTreatment& t : treatments) {
        files.push_back({folder / (t.name + ".sim"), FormatConfiguration(t.season)});
        if (!t.agb.empty())
            files.push_back({folder / (t.name + "-agb.csv"), MeasuredTableCsv(t.agb, "AGB (t/ha)")});
        if (!t.lai.empty())
            files.push_back({folder / (t.name + "-lai.csv"), MeasuredTableCsv(t.lai, "LAI (m2/m2)")});
    }
    files.push_back({folder / "sites.csv", sitesTable()});
    std::string notesText =
        "Imported from a DSSAT experiment" + (title.empty() ? std::string() : ": " + title) + "\n\n";
    for (const std::string& note : notes) notesText += "- " + note + "\n";
    files.push_back({folder / "import-notes.txt", notesText});
    return files;
}

Outcome WriteDssatImport(const DssatImport& imported, const std::filesystem::path& folder) {
    std::error_code error;
    const bool existed = std::filesystem::exists(folder, error);
    if (existed && !std::filesystem::is_directory(folder, error))
        return Outcome::Failure(folder.string() + " is a file: give a folder for the imported files.",
                                Outcome::Reason::InvalidInputs);
    if (!existed && !std::filesystem::create_directories(folder, error))
        return Outcome::Failure("Cannot make the folder " + folder.string() + ": " + error.message() + ".");
    // A folder made for the import goes again when nothing could be written into it.
    const auto failed = [&](Outcome outcome) {
        if (!existed) std::filesystem::remove(folder, error);
        return outcome;
    };
    std::vector<NamedPath> inputs;
    for (const auto& input : imported.inputs)
        inputs.push_back({"the input " + input.filename().string(), input});
    const std::vector<FileContent> files = imported.files(folder);
    for (const FileContent& file : files)
        if (const auto refusal = OutputRefusal({"The import's", file.path}, inputs))
            return failed(Outcome::Failure(*refusal, Outcome::Reason::InvalidInputs));
    if (Outcome written = WriteFilesTogether(files); !written) return failed(std::move(written));
    return Outcome::Success();
}

std::optional<DssatImport> ImportDssatExperiment(const DssatImportRequest& request, Messages& messages) {
    return Importer(request, messages).run();
}

} // namespace tulo
