"""Data in: DataFrames, lists and files, and the exceptions bad data raises."""

import numpy as np
import pandas as pd
import pytest

import carmaseq

HISTORIES = [
    [["bread", "milk"], ["butter"], ["jam"]],
    [["bread"], ["butter", "milk"], ["jam"]],
    [["milk"], ["jam"]],
    [["bread", "milk"], ["butter", "jam"]],
]


def _frame(histories, day=pd.Timestamp("2024-03-13")):
    rows = [(f"c{c}", day + pd.Timedelta(days=3 * t), item)
            for c, h in enumerate(histories) for t, s in enumerate(h) for item in s]
    return pd.DataFrame(rows, columns=["who", "when", "what"])


def _mine(data, **kwargs):
    return carmaseq.mine(data, min_support=0.5, customer="who", time="when", item="what",
                         **kwargs)


def _canonical(rules):
    """Rules independent of the ids items got: sets as sorted tuples, rounded measures."""
    def key(sequence):
        return tuple(tuple(sorted(s)) for s in sequence)
    return sorted((key(r.antecedent), key(r.consequent), round(r.support, 12),
                   round(r.confidence, 12), round(r.cause, 12), round(r.lift, 12))
                  for r in rules.itertuples())


@pytest.mark.parametrize("times", [
    lambda t: t,                                  # datetime64
    lambda t: t.dt.strftime("%Y-%m-%d"),          # ISO text
    lambda t: t.dt.strftime("%d-%m-%Y"),          # day-first text, found without a format
    lambda t: (t - t.min()).dt.days.astype(float),  # numbers
])
def test_frames_mine_as_lists(times):
    frame = _frame(HISTORIES)
    frame["when"] = times(frame["when"])
    expected = carmaseq.mine(HISTORIES, min_support=0.5).rules()
    got = _mine(frame.sample(frac=1, random_state=1)).rules()  # row order does not matter
    assert _canonical(got) == _canonical(expected) and len(expected) > 3


def test_integer_and_string_items_keep_their_type():
    numbered = [[[int(i == "milk") + 10 * len(i) for i in s] for s in h] for h in HISTORIES]
    for histories, kind in ((HISTORIES, str), (numbered, int)):
        model = _mine(_frame(histories))
        items = {i for s in model.sequences()["sequence"] for x in s for i in x}
        assert items and all(type(i) is kind for i in items)
        predicted = model.predict([histories[0][0]], top=3)["item"].tolist()
        assert predicted and all(type(i) is kind for i in predicted)


@pytest.mark.parametrize("history, expected", [
    ("bread", ((1,),)),
    (["bread", "milk"], ((1, 2),)),
    ([["milk", "bread"], [], ["jam"]], ((1, 2), (4,))),
    ("(bread milk)(jam)", ((1, 2), (4,))),
    ("(milk, bread)()(3)", ((1, 2), (), (3,))),
    ('("milk", 1)', ((1, 2),)),
    ([], ()),
])
def test_histories_are_read_as_the_command_reads_them(history, expected):
    items = _mine(_frame(HISTORIES))._items
    assert items.history(history) == expected


@pytest.mark.parametrize("change, column, row", [
    (lambda f: f.assign(who=f["who"].where(f.index != 3)), "who", 3),
    (lambda f: f.assign(what=f["what"].where(f.index != 5, "  ")), "what", 5),
    (lambda f: f.assign(when=f["when"].dt.strftime("%Y-%m-%d").where(f.index != 2, "soon")),
     "when", 2),
    (lambda f: f.assign(when=np.where(f.index == 4, np.nan, 1.0)), "when", 4),
    (lambda f: f.assign(what=np.where(f.index == 1, -5, 7)), "what", 1),
])
def test_bad_cells_name_their_row_and_column(change, column, row):
    with pytest.raises(carmaseq.InputError) as raised:
        _mine(change(_frame(HISTORIES)))
    assert (raised.value.source, raised.value.row, raised.value.column) == (
        "DataFrame", row, column)


@pytest.mark.parametrize("call", [
    lambda f: carmaseq.mine(f, min_support=1.5, customer="who", time="when", item="what"),
    lambda f: _mine(f, max_items=0),
    lambda f: _mine(f, window=-1),
    lambda f: carmaseq.mine(f, min_support=0.5),  # no column "customer"
    lambda f: carmaseq.mine("not data", min_support=0.5),
    lambda f: carmaseq.mine([["bread"]], min_support=0.5),  # a set that is a string
    lambda f: _mine(f).rules(sort="lift"),
    lambda f: _mine(f).predict("cheese"),
    lambda f: _mine(f).search(contains="bread", ends="jam"),
])
def test_bad_arguments_raise_value_error(call):
    with pytest.raises(ValueError):
        call(_frame(HISTORIES))


@pytest.mark.parametrize("name, content, line", [
    ("bad.txt", "1 2 -1 -2\n1 x -1 -2\n", 2),
    ("bad.csv", "customer,time,item\n1,2,milk\n1,two,bread\n", 3),
    ("short.csv", "customer,time,item\n1,2\n", 2),
])
def test_bad_file_lines_raise_input_error(tmp_path, name, content, line):
    (tmp_path / name).write_text(content)
    read = carmaseq.read_csv if name.endswith(".csv") else carmaseq.read_spmf
    with pytest.raises(carmaseq.InputError) as raised:
        read(tmp_path / name)
    assert (raised.value.source, raised.value.line) == (str(tmp_path / name), line)
    with pytest.raises(FileNotFoundError):
        read(tmp_path / "missing" / name)
