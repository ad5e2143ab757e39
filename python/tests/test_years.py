"""Growing seasons year after year from Python, as tulo-cli years grows them, and over a Dask cluster's
workers site by site."""
import io

import distributed
import pandas as pd
import pytest

import tulo
import tulo.dask

from conftest import EXAMPLES

STATION = EXAMPLES / "calendar" / "tropical-station.tsv"
SOUTHERN = EXAMPLES / "calendar" / "southern.WTH"


@pytest.fixture(scope="module")
def boro(tmp_path_factory):
    return tulo.Season.new(weather=STATION, lat=23.8, sowing="2016-12-05", transplanting="2017-01-10",
                           start="2016-12-01", end="2017-05-31", flooded=5)


def test_years_are_the_command_lines_table_typed(boro, cli, tmp_path):
    frame = tulo.years(boro, STATION, 2014, 2020, krs=0.19)
    sim = tmp_path / "boro.sim"
    sim.write_text(boro._season.config_text(), encoding="utf-8", newline="")
    printed = cli("years", sim, "--weather", STATION, "--from", 2014, "--to", 2020, "--krs", 0.19).stdout
    expected = pd.read_csv(io.StringIO(printed), index_col="season", parse_dates=["sowing", "flowering", "maturity"],
                           dtype={"sterility_percent": "float64", "water_used_mm": "float64"})
    pd.testing.assert_frame_equal(frame, expected, check_exact=True)
    assert list(frame.index[:2]) == ["2014/15", "2015/16"]
    assert frame["matured"].all() and frame["sowing"].dt.month.eq(12).all()
    assert any("Hargreaves" in note for note in frame.attrs["notes"])

    # Another sowing day, given as a date's month and day, on a single thread: the same as on every core.
    later = tulo.years(boro, STATION, 2014, 2015, sowing=pd.Timestamp("2001-12-20"), threads=1)
    assert list(later["sowing"].dt.day) == [20, 20]
    pd.testing.assert_frame_equal(later, tulo.years(boro, STATION, 2014, 2015, sowing="12-20"))


def test_years_refuse_in_the_command_lines_words(boro):
    with pytest.raises(tulo.InputError) as refused:
        tulo.years(boro, STATION, 2014, 2021)
    assert refused.value.problems == [
        f"Growing season sown in 2021: {STATION}: the season's last day, 2022-05-31, is beyond the file's "
        "last, 2021-12-31."]
    with pytest.raises(tulo.InputError, match="sowing: \"15/12\" is not a month and day"):
        tulo.years(boro, STATION, 2014, 2015, sowing="15/12")
    with pytest.raises(tulo.InputError, match="last: 2013 is before first, 2014"):
        tulo.years(boro, STATION, 2014, 2013)


def test_sites_by_years_on_dask_workers_equal_the_sites_run_here(boro):
    south = tulo.Season.new(weather=SOUTHERN, sowing="2016-11-10", start="2016-11-01", end="2017-05-15",
                            flooded=8)
    sites = {"boro": boro, "south": south}
    weather = {"boro": STATION, "south": SOUTHERN}
    local = pd.concat([tulo.years(sites[name], weather[name], 2014, 2016) for name in sites], keys=list(sites),
                      names=["site", "season"])
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        spread = tulo.dask.years(client, sites, weather, 2014, 2016)
    pd.testing.assert_frame_equal(spread, local, check_exact=True)
    assert list(spread.loc["south"]["maturity"].dt.month) == [3, 3, 2]
