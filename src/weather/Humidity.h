#pragma once
// RelativeHumidity — humidity estimated from the temperatures, for weather files that bring none.
// Inputs: Tmin, Tmax (°C). Outputs: RHmax = 100 %, RHmin = 100 · e(Tmin) / e(Tmax) (%), not limited
// to 100.

namespace tulo {

class RelativeHumidity {
public:
    void STIMAUR2(float Tmin, float Tmax);
    float GetRHmax() const { return RHmax_; }
    float GetRHmin() const { return RHmin_; }

private:
    static float StimaURmin(float Tmax, float Tmin);
    static double EsTmin(double T);
    static double EsTmax(double T);

    float RHmax_ = 0.0f;
    float RHmin_ = 0.0f;
};

} // namespace tulo
