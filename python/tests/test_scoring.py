"""Scoring through the plug-in module, and the rule plot."""

import os

import pandas as pd
import pytest

import carmaseq
from conftest import SCORE_PROGRAM, run

# Builds without the plug-in have no Scorer.
needs_plugin = pytest.mark.skipif(not hasattr(carmaseq, "Scorer"), reason="built without plug-in")

RECORDS = pd.DataFrame({
    "id": ["a", "b", "c", "d"],
    "sequence": ["(1 2)(3)", "(4)", "()", "(2)(5 6)(7)"],
    "returnType": ["futureItems", "currentItems", "futureItems", "futureItems"],
    "maxReturn": ["5", "3", "4", None],
    "fromCurrent": [None, None, None, "yes"],
})


@needs_plugin
def test_scores_equal_the_score_programs(shop, tmp_path):
    RECORDS.to_csv(tmp_path / "records.csv", index=False)
    run("--output", tmp_path / "scores.csv", shop / "lattice.xml", tmp_path / "records.csv",
        program=SCORE_PROGRAM)
    expected = pd.read_csv(tmp_path / "scores.csv", keep_default_na=False)
    got = carmaseq.Scorer(shop / "lattice.xml").score(RECORDS)
    assert got["id"].tolist() == expected["id"].tolist()
    assert got["target"].tolist() == expected["target"].tolist()
    for predictions, shown in zip(got["predictions"], expected["predictions"]):
        assert [item for item, *_ in predictions] == [int(p.split(":")[0]) for p in shown.split()]
        assert [c for _, c, _, _ in predictions] == [float(p.split(":")[1]) for p in shown.split()]
    assert sum(len(p) for p in got["predictions"]) > 5


@needs_plugin
def test_scorer_takes_id_lists_and_dicts(shop):
    scorer = carmaseq.Scorer(shop / "lattice.xml")
    as_text = scorer.score([{"sequence": "(1 2)(3)", "returnType": "futureItems"}])
    as_lists = scorer.score([{"sequence": [[2, 1], [3]], "returnType": "futureItems"}])
    assert as_lists["predictions"][0] == as_text["predictions"][0]
    assert as_text["id"][0] is None


@needs_plugin
@pytest.mark.parametrize("make, error", [
    (lambda d: carmaseq.Scorer(d / "missing.xml"), FileNotFoundError),
    (lambda d: carmaseq.Scorer(d / "rules.pmml"), ValueError),
    (lambda d: carmaseq.Scorer(d / "lattice.xml", plugin=str(d / "items.tsv")), OSError),
])
def test_scorer_errors(shop, make, error):
    with pytest.raises(error):
        make(shop)


def test_plot_renders_every_rule(model, tmp_path):
    import matplotlib
    matplotlib.use("Agg")
    ax = model.plot_rules(min_confidence=0.2)
    ax.figure.savefig(tmp_path / "rules.png")
    assert len(ax.collections[0].get_offsets()) == len(model.rules(min_confidence=0.2)) > 0
    assert (tmp_path / "rules.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    assert os.path.getsize(tmp_path / "rules.png") > 5000


def test_report_shows_the_best_rules_and_counts_the_rest(model, tmp_path):
    model.report(tmp_path / "report.html", min_confidence=0.2, top=5)
    page = (tmp_path / "report.html").read_text()
    found = len(model.rules(min_confidence=0.2))
    assert f"5 shown, {found - 5} left out" in page
    assert "<script src" not in page and "<link" not in page
    with pytest.raises(ValueError):
        model.report(tmp_path / "bad.html", top=-1)
