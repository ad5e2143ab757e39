#!/usr/bin/env python3
"""Writes the demo configuration examples/demo.sim with a synthetic year of weather.

The weather is made up, not measured: smooth seasonal curves for a site at 45.3 N (the rice district of
the western Po valley), day-to-day noise from a fixed seed, showers, and a cool spell in late July so that
the demo shows some cold-induced sterility. It brings no humidity columns, so TULO estimates them.

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


def integer_item(value):
    return (" " if value >= 0 else "-") + str(abs(value)) + " "


def main():
    items = [
        "100", "300", integer_item(0),                 # dates, soil switch
        "12", "42", "80", "", "", "Temperature based",  # development before emergence
        "12", "42", "900", "500", "2.0",                # development after emergence
        "2.3", "0.5", "12", "28", "35",                 # growth
        "0.02", "27", "18", "0.8", "950", "100", "1.05",
        integer_item(1), "1", "13", "High sensitivity for many days",  # sterility on
        "120", str(LATITUDE), "Unflooded",
        "False", "", "False", "",                       # water-level options
        integer_item(0), integer_item(0),               # no water inflow or outflow rows
    ]
    # Weather table: row 1 the titles (no humidity titles: TULO estimates it), then days 1 .. 365.
    weather = [["DOY", "Rain(mm)", "Tmax(C)", "Tmin(C)", "Rad(MJ/m2)", "", ""]]
    for doy, rain, tmax, tmin, rad in weather_rows():
        weather.append([str(doy), f"{rain:g}", f"{tmax:g}", f"{tmin:g}", f"{rad:g}", "", ""])
    for row in weather:
        items.extend(row)
    items.append(integer_item(0))                       # no soil layers
    items += [integer_item(0), "1", "No treatment applied", integer_item(0)]  # diseases off, no treatments
    items += [integer_item(0), integer_item(0), "15"]   # report never; cold-shock prevention off
    target = pathlib.Path(__file__).resolve().parent / "demo.sim"
    target.write_bytes(("\r\n".join(items) + "\r\n").encode("utf-8"))
    print(f"wrote {target} ({len(items)} items)")


if __name__ == "__main__":
    main()
