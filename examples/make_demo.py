#!/usr/bin/env python3
"""Writes the demo configurations examples/demo.sim and examples/flooded.sim, with a synthetic year of weather.

The weather is made up, not measured: smooth seasonal curves for a site at 45.3 N (the rice district of
the western Po valley), day-to-day noise from a fixed seed, showers, and a cool spell in late July so that
the demo shows some cold-induced sterility. It brings no humidity columns, so TULO estimates them.

demo.sim is an unflooded field with the sterility model on. flooded.sim is the same season in a paddy
whose water level is simulated over three soil layers (the plough pan slows percolation), irrigated every
day, with rice blast on a susceptible cultivar and one fungicide treatment.

Run it with python3 from anywhere; it needs only the standard library.
"""
import math
import pathlib
import random

LATITUDE = 45.3
rng = random.Random(20261206)


def extraterrestrial_radiation(doy, lat):
    dr = 1 + 0.033 * math.cos(2 * math.pi * doy / 365)
    decl = 0.409 * math.sin(2 * math.pi * doy / 365 - 1.39)
    phi = math.radians(lat)
    ws = math.acos(max(-1.0, min(1.0, -math.tan(phi) * math.tan(decl))))
    return 24 * 60 / math.pi * 0.0820 * dr * (ws * math.sin(phi) * math.sin(decl)
                                              + math.cos(phi) * math.cos(decl) * math.sin(ws))


def weather_rows():
    rows = []
    for doy in range(1, 366):
        season = math.sin(2 * math.pi * (doy - 105) / 365)
        wet = rng.random() < (0.22 if 150 < doy < 250 else 0.30)
        rain = round(rng.expovariate(1 / 9.0), 1) if wet else 0.0
        cloud = 0.35 + 0.3 * rng.random() if wet else 0.62 + 0.14 * rng.random()
        tmax = 19.5 + 12.0 * season + rng.gauss(0, 1.6) - (2.5 if wet else 0.0)
        tmin = 9.5 + 9.0 * season + rng.gauss(0, 1.3)
        if 203 <= doy <= 207:  # a cool spell around panicle initiation
            tmax -= 4.0
            tmin = 11.8 + rng.gauss(0, 0.4)
        tmin = min(tmin, tmax - 3.0)
        rad = cloud * extraterrestrial_radiation(doy, LATITUDE)
        rows.append((doy, rain, round(tmax, 1), round(tmin, 1), round(rad, 2)))
    return rows


def humidity(rows):
    """Relative humidity for the paddy: humid nights, drier afternoons, a sultry spell in July."""
    wet_rng = random.Random(4512)
    values = []
    for doy, rain, tmax, tmin, rad in rows:
        rhmax = min(100.0, 90.0 + 6.0 * wet_rng.random() + (4.0 if rain > 0 else 0.0))
        rhmin = rhmax - 2.6 * (tmax - tmin) - 6.0 * wet_rng.random() + (14.0 if 185 <= doy <= 215 else 0.0)
        values.append((round(rhmax), round(max(25.0, min(rhmin, rhmax)))))
    return values


def integer_item(value):
    return (" " if value >= 0 else "-") + str(abs(value)) + " "


def configuration(flooded):
    items = [
        "100", "300", integer_item(1 if flooded else 0),  # dates, soil switch
        "12", "42", "80", "", "", "Temperature based",  # development before emergence
        "12", "42", "900", "500", "2.0",                # development after emergence
        "2.3", "0.5", "12", "28", "35",                 # growth
        "0.02", "27", "18", "0.8", "950", "100", "1.05",
        integer_item(1), "1", "13", "High sensitivity for many days",  # sterility on
        "120", str(LATITUDE), "Flooded" if flooded else "Unflooded",
        "False", "", "True" if flooded else "False", "10" if flooded else "",  # water-level options
    ]
    # Water inflow: DOY from, DOY to, mm a day, hours.
    inflow = [["110", "260", "4", "6"]] if flooded else []
    items.append(integer_item(len(inflow)))
    for row in inflow:
        items.extend(row)
    items.append(integer_item(0))                       # no water outflow rows
    # Weather table: row 1 the titles, then days 1 .. 365. The unflooded demo brings no humidity, so
    # TULO estimates it; the paddy's blast model gets measured-like humidity.
    items.extend(["DOY", "Rain(mm)", "Tmax(C)", "Tmin(C)", "Rad(MJ/m2)"])
    items.extend(["RHmax(%)", "RHmin(%)"] if flooded else ["", ""])
    for (doy, rain, tmax, tmin, rad), (rhmax, rhmin) in zip(WEATHER, humidity(WEATHER)):
        items.extend([str(doy), f"{rain:g}", f"{tmax:g}", f"{tmin:g}", f"{rad:g}"])
        items.extend([str(rhmax), str(rhmin)] if flooded else ["", ""])
    # Soil: thickness, bulk density, carbon, clay, sand, then alpha, n, residual, field capacity, wilting
    # point and saturated water content estimated (empty), saturated conductivity (mm/h), start at field
    # capacity.
    soil = [
        ["200", "1.35", "1.2", "30", "30", "", "", "", "", "", "", "2", "1"],
        ["150", "1.55", "0.6", "35", "25", "", "", "", "", "", "", "0.1", "1"],
        ["650", "1.45", "0.3", "40", "20", "", "", "", "", "", "", "1", "1"],
    ] if flooded else []
    items.append(integer_item(len(soil)))
    for row in soil:
        items.extend(row)
    if flooded:
        items += [integer_item(1), "1", "Tricyclazole", integer_item(1), "200"]  # blast on, one treatment
    else:
        items += [integer_item(0), "1", "No treatment applied", integer_item(0)]  # diseases off
    items += [integer_item(0), integer_item(0), "15"]   # report never; cold-shock prevention off
    return items


WEATHER = weather_rows()


def main():
    for name, flooded in (("demo.sim", False), ("flooded.sim", True)):
        items = configuration(flooded)
        target = pathlib.Path(__file__).resolve().parent / name
        target.write_bytes(("\r\n".join(items) + "\r\n").encode("utf-8"))
        print(f"wrote {target} ({len(items)} items)")


if __name__ == "__main__":
    main()
