#pragma once
// Seasons for tests of the engine, built as typed inputs: the defaults of a new season, the days, sowing
// and weather a test chooses, runs of them on fresh run states, and the comparisons of whole runs the
// season tests share. No form is involved; that the form
// compiles to the same inputs is the forms' tests' to show.

#include "base/Numbers.h"
#include "engine/DailyLoop.h"
#include "engine/Outputs.h"
#include "engine/Parameters.h"
#include "engine/Season.h"
#include "engine/SeasonInputs.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tulo::test {

struct DayWeather {
    float rain = 0, tmax = 28, tmin = 18, rad = 22;
};

// The days 1 .. 365 of `weather`, humidities estimated from the temperatures as for a sheet without them.
inline void SetWeather(SeasonInputs& inputs, const std::function<DayWeather(int)>& weather) {
    WeatherSeries& w = inputs.weather;
    for (int d = 1; d <= 365; ++d) {
        const DayWeather day = weather(d);
        w.Rain[d] = day.rain;
        w.Tmax[d] = w.TmaxAir[d] = day.tmax;
        w.Tmin[d] = w.TminAir[d] = day.tmin;
        w.Rad[d] = day.rad;
    }
    EstimateHumidities(w);
    inputs.humidityEstimated = true;
}

// A new season's defaults with dates and sowing filled, at 45° N, unflooded, in a warm constant summer.
inline SeasonInputs TypedSeason(int initial = 100, int final = 250, int sowing = 100) {
    SeasonInputs inputs = DefaultSeasonInputs();
    inputs.control.InitialDate = initial;
    inputs.control.FinalDate = final;
    inputs.manag.SowingDate = sowing;
    inputs.manag.Lat = 45;
    SetWeather(inputs, [](int) { return DayWeather{}; });
    return inputs;
}

// Writes a crop parameter by registry id; a list parameter takes its item's text.
inline void SetCrop(SeasonInputs& inputs, std::string_view id, double value) {
    const ParameterInfo* info = FindParameter(id);
    ASSERT_NE(info, nullptr) << id;
    SetParameter(inputs.crop, *info, value);
}
inline void SetCropChoice(SeasonInputs& inputs, std::string_view id, std::string_view item) {
    const ParameterInfo* info = FindParameter(id);
    ASSERT_NE(info, nullptr) << id;
    for (std::size_t k = 0; k < info->choices.size(); ++k)
        if (info->choices[k] == item) return SetParameter(inputs.crop, *info, static_cast<double>(k));
    ADD_FAILURE() << item << " is no item of " << id;
}

// The inputs sealed and loaded into a fresh run state, ready for its first day.
inline std::unique_ptr<RunState> PreparedSeason(SeasonInputs inputs) {
    SealSeasonInputs(inputs);
    auto run = std::make_unique<RunState>();
    LoadInputs(inputs, *run);
    run->crop = inputs.crop;
    run->PrepareFreshRun();
    return run;
}

// The inputs' whole season.
inline std::unique_ptr<RunState> SimulatedSeason(SeasonInputs inputs) {
    auto run = PreparedSeason(std::move(inputs));
    SimulateDays(*run);
    return run;
}

// The first day, from `from` on, whose stage reaches `dvs`; 0 when none before `final` does.
inline int FirstDayAtStage(const DailyOutputs& o, float dvs, int from, int final) {
    for (int d = from; d < final; ++d)
        if (o.DVS[d] >= dvs) return d;
    return 0;
}

// Folds every daily output of the simulated days, bit for bit, into one number: two seasons with the same
// digest wrote the same daily files.
inline std::uint64_t DailyDigest(const RunState& run, std::uint64_t digest) {
    for (int d = run.control.InitialDate; d < run.control.FinalDate; ++d)
        for (const OutputVariable& v : DailyOutputVariables()) {
            const std::uint64_t bits =
                v.value ? std::bit_cast<std::uint64_t>(v.value(run, d)) : v.text(run, d).size();
            digest = (digest ^ bits) * 0x100000001b3ull; // FNV-1a, a word at a time
        }
    return digest;
}

// The first series and day of from .. to on which two runs differ; empty when none does.
inline std::string FirstDifference(const RunState& a, const RunState& b, int from, int to) {
    for (int d = from; d <= to; ++d)
        for (const OutputVariable& v : DailyOutputVariables())
            if (v.value && v.value(a, d) != v.value(b, d))
                return std::string(v.name) + " on DOY " + std::to_string(d);
    return {};
}

} // namespace tulo::test
