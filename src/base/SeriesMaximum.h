#pragma once
// The maximum of a daily series over its days (slots 1 .. lastDay), kept up to date as the series is written,
// so that a model reading it every day does not rescan the year every day.
//
// It reports exactly what Utilities::ArrayMax over the series would report at that moment: the days
// ahead of the one being simulated count too (a continued season still holds values there), of two equal
// values the earlier day's is the one reported (0 and -0 differ in sign), and a missing value (NaN) on
// day 1 makes the maximum missing while one on a later day is passed over.

#include "base/DailySeries.h"

#include <cmath>

namespace tulo {

class SeriesMaximum {
public:
    // From here on every write to the series must go through Set. The year is first scanned when the
    // maximum is first asked for, so that a run that never asks pays nothing.
    explicit SeriesMaximum(DailySeries& series, int lastDay = kLastDay)
        : series_(series), lastDay_(lastDay) {}

    double Value() {
        if (!known_) Rescan();
        return value_;
    }

    // Writes slot `slot` (0 .. lastDay) of the series. Only a decrease of the day holding the maximum needs
    // the year scanned again; slot 0 is no day and never counts.
    void Set(int slot, float value) {
        series_[slot] = value;
        if (slot == 0 || !known_) return;
        if (slot == slot_) {
            if (value >= value_) {
                value_ = value;
            } else {
                Rescan(); // a decrease, or a missing value
            }
        } else if (value > value_ || (value == value_ && slot < slot_) || (slot == 1 && std::isnan(value))) {
            value_ = value;
            slot_ = slot;
        }
    }

private:
    void Rescan() {
        known_ = true;
        slot_ = 1;
        value_ = series_[1];
        for (int i = 2; i <= lastDay_; ++i)
            if (series_[i] > value_) {
                value_ = series_[i];
                slot_ = i;
            }
    }

    DailySeries& series_;
    int lastDay_;
    bool known_ = false;
    float value_ = 0.0f;
    int slot_ = 1; // the first day holding the maximum
};

} // namespace tulo
