#include "engine/RunState.h"

#include "base/Calendar.h"
#include "weather/Evapotranspiration.h"

#include <algorithm>

namespace tulo {

namespace {

// Zeroes days [first, final) of a series.
template <class Series> void ClearDays(Series& series, std::int32_t first, std::int32_t final) {
    std::fill(series.begin() + first, series.begin() + final, typename Series::value_type{});
}

} // namespace

SiteDays ComputeSiteDays(const WeatherSeries& weather, float latitude, int year, int firstDay, int lastDay,
                         std::uint64_t serial) {
    SiteDays site;
    site.sun = SolarCalendar(latitude, year, firstDay, lastDay);
    site.serial = serial;
    EvapotranspirationInput day;
    day.Lat = latitude;
    for (std::int32_t d = std::max(firstDay, 1); d <= std::min(lastDay, kDaySlots - 1); ++d) {
        day.DOY = static_cast<std::int16_t>(DayOfYearOfSeasonDay(d, year));
        day.Tmax = weather.TmaxAir[static_cast<std::size_t>(d)];
        day.Tmin = weather.TminAir[static_cast<std::size_t>(d)];
        day.Rad = weather.Rad[static_cast<std::size_t>(d)];
        site.referenceEt[static_cast<std::size_t>(d)] =
            ReferenceEvapotranspiration(day, site.sun.ExtraterrestrialRadiation(d));
    }
    return site;
}

void RunState::PrepareFreshRun() {
    const std::int32_t first = control.InitialDate, final = control.FinalDate;
    // A run that stops on a missing soil table leaves its later days unwritten, and so does a resumable
    // loop left before its last day: after either, and for other days, everything is zeroed.
    const bool mayStopEarly =
        manag.Flooded == 1 && manag.DynamicLevel && control.SoilSimulation && !control.SoilCorrectlyOpen;
    const bool rewritesAll = first >= 1 && final <= kLastSeasonDay + 1 && first < final &&
                             first == preparedFirst_ && final == preparedFinal_ && loop.DOY == final &&
                             !mayStopEarly;
    if (rewritesAll) {
        ClearDays(out.GDDcum, first, final);
        ClearDays(out.LAI, first, final);
        ClearDays(out.LAIday, first, final);
        if (preparedBlast_ && !control.BLASTsimulation)
            for (DailySeriesD* series :
                 {&out.RiskLevel, &out.BlastDVStoday, &out.MF1, &out.MF2, &out.MF3, &out.MF4, &out.MF12,
                  &out.DTempRisk, &out.MaxRhRisk, &out.DltRhRisk, &out.MxTempRisk, &out.RainRisk})
                ClearDays(*series, first, final);
        // Only the floodwater model overwrites the working temperatures, and only on simulated days.
        std::copy(weather.TmaxAir.begin() + first, weather.TmaxAir.begin() + final,
                  weather.Tmax.begin() + first);
        std::copy(weather.TminAir.begin() + first, weather.TminAir.begin() + final,
                  weather.Tmin.begin() + first);
    } else {
        out = DailyOutputs{};
        weather.Tmax = weather.TmaxAir;
        weather.Tmin = weather.TminAir;
    }
    preparedFirst_ = first;
    preparedFinal_ = final;
    preparedBlast_ = control.BLASTsimulation;
    loop = LoopState{};
    SetInitialState();
}

void RunState::SetInitialState() {
    const std::int32_t first = control.InitialDate;
    loop.DOY = first;
    loop.Sown = false;
    loop.CropFinished = false;
    out.GDDcum[first - 1] = 0;
    out.GDDcum[first] = 0;
    out.LAI[first - 1] = crop.LAIemerg;
    out.SterilityDay[first] = 0;
    out.SterilityCum[first] = 0;
    loop.NoBlast = 0;
    loop.Infection = 0;
    loop.Sporulating = 0;
    loop.Latency = 0;
    const std::int32_t end = ScanEnd(control);
    for (int d = 1; d <= end; ++d) out.RiskLevel[d] = 0;
}

} // namespace tulo
