"""A DSSAT experiment from Python: the seasons, sites and measurements tulo-cli import-dssat writes."""
import pandas as pd
import pytest

import tulo

from conftest import EXAMPLES

EXPERIMENT = EXAMPLES / "dssat" / "TUPD1901.RIX"


def test_the_import_is_the_command_lines_files(cli, tmp_path):
    imported = tulo.import_dssat(EXPERIMENT, treatments=[1, 3], RUE=2.6, out=tmp_path / "py")
    cli("import-dssat", EXPERIMENT, "--treatments", "1,3", "--set", "RUE=2.6", "--out", tmp_path / "cli")
    written = sorted(p.name for p in (tmp_path / "cli").iterdir())
    assert written == sorted(p.name for p in (tmp_path / "py").iterdir())
    for name in written:
        assert (tmp_path / "py" / name).read_bytes() == (tmp_path / "cli" / name).read_bytes(), name

    sites = imported.sites
    assert list(sites.index) == ["T01-Early-25-hills", "T03-Early-direct"]
    assert sites.loc["T01-Early-25-hills", "NH"] == 25 and pd.isna(sites.loc["T03-Early-direct", "NH"])
    assert sites["maturity"].dt.year.eq(2019).all()
    season = imported.seasons["T01-Early-25-hills"]
    assert season.summary()["flowering"] is not None
    assert season.summary() == tulo.Season.from_file(tmp_path / "cli" / "T01-Early-25-hills.sim").summary()
    agb = imported.measured.query("name == 'T03-Early-direct' and variable == 'AGB'")
    on_disk = pd.read_csv(tmp_path / "cli" / "T03-Early-direct-agb.csv", parse_dates=["Date"])
    assert list(agb["value"]) == list(on_disk["AGB (t/ha)"]) and list(agb["date"]) == list(on_disk["Date"])
    assert any("nitrogen" in note for note in imported.notes)


def test_refusals_in_the_command_lines_words(tmp_path):
    with pytest.raises(tulo.InputError) as refused:
        tulo.import_dssat(EXPERIMENT, treatments=[9])
    assert refused.value.problems == ["Treatment 9 is not in TUPD1901.RIX, whose treatments are 1, 2, 3, 4, 5, 6."]
    # A sites table that is a link to the experiment would be written over it: refused, nothing written.
    (tmp_path / "sites.csv").symlink_to(EXPERIMENT)
    with pytest.raises(tulo.InputError, match="is the input TUPD1901.RIX"):
        tulo.import_dssat(EXPERIMENT, out=tmp_path)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["sites.csv"]
