#pragma once
// RelativeHumidity — humidity estimated from the temperatures, for weather files that bring none.
//
// | input      | unit | meaning                    |
// |------------|------|----------------------------|
// | Tmin, Tmax | °C   | the day's air temperatures |
//
// | output | unit | meaning                                     |
// |--------|------|---------------------------------------------|
// | RHmax  | %    | 100                                         |
// | RHmin  | %    | 100 · e(Tmin) / e(Tmax), not limited to 100 |

namespace tulo {

class RelativeHumidity {
public:
    void EstimateFromTemperatures(float Tmin, float Tmax);
    float GetRHmax() const { return RHmax_; }
    float GetRHmin() const { return RHmin_; }

private:
    static float MinimumFromTemperatures(float Tmax, float Tmin);
    // Saturation vapour pressure (hPa) at the minimum and at the maximum temperature (°C).
    static double VapourPressureAtTmin(double T);
    static double VapourPressureAtTmax(double T);

    float RHmax_ = 0.0f;
    float RHmin_ = 0.0f;
};

} // namespace tulo
