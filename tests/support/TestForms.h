#pragma once
// Forms for tests: the window defaults made runnable, with weather the test chooses.

#include "base/Numbers.h"
#include "engine/RunState.h"
#include "forms/FormModel.h"
#include "forms/SimConfig.h"
#include "support/TypedSeasons.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tulo::test {

// Writes the weather of days 1 .. 365 into the form's weather grid, with titles and no humidity.
inline void SetWeather(FormModel& form, const std::function<DayWeather(int)>& weather) {
    form.editGrid(ctl::sprWeather, [&](Grid& grid) {
        grid.clearData();
        const char* titles[] = {"DOY", "Rain", "Tmax", "Tmin", "Rad"};
        for (int c = 1; c <= 5; ++c) grid.setText(1, c, titles[c - 1]);
        for (int d = 1; d <= 365; ++d) {
            const DayWeather w = weather(d);
            grid.setText(d + 1, 1, std::to_string(d));
            grid.setText(d + 1, 2, ShortestText(w.rain));
            grid.setText(d + 1, 3, ShortestText(w.tmax));
            grid.setText(d + 1, 4, ShortestText(w.tmin));
            grid.setText(d + 1, 5, ShortestText(w.rad));
        }
    });
}

// The window defaults with dates, sowing and latitude filled, unflooded, and a warm constant summer.
inline FormModel RunnableForm(int initial = 100, int final = 250, int sowing = 100) {
    FormModel form;
    form.setText(ctl::txtInitialDate, std::to_string(initial));
    form.setText(ctl::txtFinalDate, std::to_string(final));
    form.setText(ctl::txtSowingDate, std::to_string(sowing));
    form.setText(ctl::txtLatitude, "45");
    SetWeather(form, [](int) { return DayWeather{}; });
    return form;
}

// A shipped example configuration ("demo.sim", "flooded.sim").
inline FormModel ExampleForm(const std::string& name) {
    FormModel form;
    const tulo::Outcome read = ReadSimConfig(std::string(TULO_SOURCE_DIR "/examples/") + name, form);
    EXPECT_TRUE(read) << read.message;
    return form;
}

inline FormModel DemoForm() {
    return ExampleForm("demo.sim");
}

} // namespace tulo::test
