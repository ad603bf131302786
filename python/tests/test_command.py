"""The package answers as the carmaseq command does on the same data."""

import re

import numpy as np
import pandas as pd
import pytest

import carmaseq
from conftest import SUPPORT, run, text


@pytest.fixture(scope="session", params=["frame", "csv file"])
def any_model(request, shop, model):
    """The model mined from the DataFrame, and the one mined from the file read by the package."""
    if request.param == "frame":
        return model
    return carmaseq.mine(carmaseq.read_csv(shop / "shop.csv"), min_support=SUPPORT)


def test_rules_equal_the_commands(shop, any_model):
    expected = pd.read_csv(shop / "rules.csv")
    rules = any_model.rules()
    assert len(rules) == len(expected) > 20
    assert [text(a) for a in rules["antecedent"]] == expected["antecedent"].tolist()
    assert [text(c) for c in rules["consequent"]] == expected["consequent"].tolist()
    for measure in ("support", "confidence", "cause"):
        np.testing.assert_allclose(rules[measure], expected[measure], rtol=1e-13)


def test_documents_are_byte_identical(shop, any_model, tmp_path):
    any_model.to_pmml(tmp_path / "rules.pmml")
    any_model.to_lattice(tmp_path / "lattice.xml")
    for name in ("rules.pmml", "lattice.xml"):
        assert (tmp_path / name).read_bytes() == (shop / name).read_bytes(), name


def test_stats_equal_the_commands(shop, model):
    shown = run("stats", shop / "model.bin")
    per_items = {int(k): int(n) for k, n in re.findall(r"^ +(\d+) +(\d+)$", shown, re.M)}
    stats = model.stats()
    assert stats["sequences_per_items"] == per_items
    assert f"customers:          {stats['customers']}\n" in shown
    assert stats["sequences"] == len(model.sequences()) == sum(per_items.values())


def _predictions(shown):
    rows = re.findall(r"^ +([\d.]+) +([\d.]+) +([\d.]+)  (.+)$", shown, re.M)
    return [(item, float(c), float(s), float(a)) for c, s, a, item in rows]


@pytest.mark.parametrize("history, options", [
    ("()", []),
    ("(milk)", []),
    ("(bread, milk)(butter)", ["--top", "8"]),
    ("(bread)", ["--current"]),
    ("(milk)(eggs)(fish)", ["--shortened"]),
])
def test_predictions_equal_the_commands(shop, model, history, options):
    names = dict(pd.read_csv(shop / "items.tsv", sep="\t").values)
    # Histories of items the shop sells: the k-th word picks the k-th item by name.
    words = re.findall(r"\w+", history)
    pick = {w: names[1 + (3 * k) % len(names)] for k, w in enumerate(words)}
    history = re.sub(r"\w+", lambda m: pick[m.group(0)], history)
    shown = run("predict", shop / "model.bin", "--names", shop / "items.tsv", "--history",
                history, *options)
    top = int(options[1]) if options[:1] == ["--top"] else 5
    got = model.predict(history, top=top, current="--current" in options,
                        shortened="--shortened" in options)
    expected = _predictions(shown)
    assert len(got) == len(expected)
    for row, (item, confidence, support, cause) in zip(got.itertuples(), expected):
        assert row.item == item
        assert (round(row.confidence, 4), round(row.support, 4), round(row.cause, 4)) == (
            confidence, support, cause)


@pytest.mark.parametrize("mode", ["contains", "begins", "ends"])
def test_search_equals_the_commands(shop, model, mode):
    first = model.sequences().sequence.iloc[0][0][0]
    shown = run("search", shop / "model.bin", "--names", shop / "items.tsv", f"--{mode}",
                f"({first})", "--top", 0)
    expected = re.findall(r"^ +(\d+) +[\d.]+  (.+)$", shown, re.M)
    found = model.search(**{mode: [first]})
    assert [(str(c), text(s)) for c, s in zip(found["count"], found["sequence"])] == expected
    assert len(expected) > 1


def test_integer_items_match_the_integer_format(shop, tmp_path):
    run("generate", tmp_path / "shop.txt", "--customers", 200, "--seed", 3, "--quiet")
    run("mine", tmp_path / "shop.txt", "--min-support", SUPPORT, "--rules-csv",
        tmp_path / "rules.csv", "--quiet")
    expected = pd.read_csv(tmp_path / "rules.csv")
    from_file = carmaseq.mine(carmaseq.read_spmf(tmp_path / "shop.txt"), min_support=SUPPORT)
    # The same histories as a DataFrame of integer items, and as lists.
    lists = [[[int(i) for i in s.split()] for s in line.split("-1")[:-1]]
             for line in (tmp_path / "shop.txt").read_text().splitlines()]
    rows = [(c, t, i) for c, h in enumerate(lists) for t, s in enumerate(h) for i in s]
    frame = pd.DataFrame(rows, columns=["customer", "time", "item"])
    for model in (from_file, carmaseq.mine(frame, min_support=SUPPORT),
                  carmaseq.mine(lists, min_support=SUPPORT)):
        rules = model.rules()
        assert [text(a) for a in rules["antecedent"]] == expected["antecedent"].tolist()
        assert all(isinstance(i, int) for s in rules["consequent"] for x in s for i in x)


@pytest.mark.parametrize("name", ["saved.bin", "saved.xml"])
def test_saved_models_are_the_commands_files(shop, model, tmp_path, name):
    # A restored dictionary holds the same content, but rules that tie may come in another order.
    def same_rows(a, b):
        columns = list(a.columns)
        key = lambda frame: frame.astype(str).sort_values(columns).reset_index(drop=True)
        pd.testing.assert_frame_equal(key(a), key(b))

    model.save(tmp_path / name)
    shown = run("rules", tmp_path / name, "--csv")
    assert sorted(shown.splitlines()) == sorted((shop / "rules.csv").read_text().splitlines())
    for loaded in (carmaseq.load(tmp_path / name), carmaseq.load(shop / "model.bin")):
        same_rows(loaded.rules(), model.rules())
        assert loaded.stats() == model.stats()
        same_rows(loaded.predict("(1)(2)"), model.predict("(1)(2)"))


def test_damaged_models_raise_input_error(shop, tmp_path):
    data = bytearray((shop / "model.bin").read_bytes())
    data[len(data) // 2] ^= 0x20
    (tmp_path / "damaged.bin").write_bytes(bytes(data))
    for path in (tmp_path / "damaged.bin", shop / "lattice.xml"):
        with pytest.raises(carmaseq.InputError) as raised:
            carmaseq.load(path)
        assert raised.value.source == str(path)
    with pytest.raises(FileNotFoundError):
        carmaseq.load(tmp_path / "missing.bin")


def test_predict_many_equals_predict_per_customer(frame, model):
    some = frame[frame["customer"].isin(frame["customer"].unique()[:6])]
    histories = {c: [list(s) for _, s in rows.groupby("time")["item"]]
                 for c, rows in some.groupby("customer", sort=False)}
    from_rows = model.predict_many(some, top=3)
    from_dict = model.predict_many(histories, top=3)
    pd.testing.assert_frame_equal(from_rows, from_dict)
    for customer, history in histories.items():
        got = from_rows[from_rows["id"] == customer].drop(columns="id").reset_index(drop=True)
        pd.testing.assert_frame_equal(got, model.predict(history, top=3))
    assert from_rows["id"].nunique() > 3
