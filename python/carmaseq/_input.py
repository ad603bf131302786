"""Customers' histories from DataFrames, lists and files, turned into the engine's database."""

import os

import numpy as np
import pandas as pd

from . import _carmaseq
from ._errors import InputError
from ._items import Items, _ID_MAX

# Date formats tried, in this order, on a text time column that is neither numbers nor ISO 8601.
_DATE_FORMATS = ("%d-%m-%Y", "%m-%d-%Y", "%d/%m/%Y", "%m/%d/%Y", "%d.%m.%Y", "%Y/%m/%d",
                 "%d-%m-%Y %H:%M", "%d/%m/%Y %H:%M", "%m/%d/%Y %H:%M", "%d-%m-%Y %H:%M:%S",
                 "%d/%m/%Y %H:%M:%S", "%m/%d/%Y %H:%M:%S")


class Database:
    """Customers' histories ready to mine, with their items.

    Made by :func:`carmaseq.read_spmf`, :func:`carmaseq.read_csv` or :func:`carmaseq.database`;
    :func:`carmaseq.mine` takes it as its data.
    """

    def __init__(self, raw, items, source):
        self._raw = raw
        self._items = items
        self._source = source  # what a saved model records about its input

    @property
    def num_customers(self):
        """The number of customers, those without any item included."""
        return self._raw.num_customers

    def stats(self):
        """Summary figures: customers, item sets, items, distinct items and set sizes (a dict)."""
        return self._raw.stats()

    def __repr__(self):
        s = self.stats()
        return (f"<carmaseq.Database: {s['customers']} customers, {s['item_sets']} item sets, "
                f"{s['distinct_items']} distinct items>")


def database(data, *, customer="customer", time="time", item="item", time_format=None):
    """Turns customers' histories into a :class:`Database` without mining it.

    Parameters
    ----------
    data : pandas.DataFrame, list, or Database
        A DataFrame with one row per purchased item (the rows of one customer and time form an
        item set), or a list of customers, each a list of item sets (lists of ints or strings;
        the k-th set gets time k).
    customer, time, item : str
        The DataFrame's columns. Times are numbers, datetimes, or texts: numbers, ISO 8601
        dates, or dates of a common day-first or month-first layout such as ``21-07-2015``
        (the one layout that reads every text), unless `time_format` is given.
    time_format : str, optional
        The format of text times, as the command's ``--time-format`` takes it (``%d-%m-%Y``).

    Returns
    -------
    Database

    Raises
    ------
    ValueError
        A missing column or a malformed list.
    carmaseq.InputError
        A bad cell (an empty customer or item, a time that does not parse), naming its row and
        column.
    """
    if isinstance(data, Database):
        return data
    if isinstance(data, pd.DataFrame):
        return _from_frame(data, customer, time, item, time_format)
    if isinstance(data, (list, tuple)):
        return _from_lists(data)
    raise ValueError(f"data must be a DataFrame, a list of customers or a Database, "
                     f"not {type(data).__name__}")


def _first_row(frame, mask):
    return frame.index[int(np.argmax(mask))]


def _from_frame(frame, customer, time, item, time_format):
    for column in (customer, time, item):
        if column not in frame.columns:
            raise ValueError(f"the DataFrame has no column {column!r}; "
                             f"its columns are {list(frame.columns)}")
    customers, _ = pd.factorize(frame[customer], sort=False)
    if (customers < 0).any():
        raise InputError.in_frame(_first_row(frame, customers < 0), customer, "empty customer")
    times = _times(frame, time, time_format)
    ids, items, names = _item_ids(frame, item)
    raw = _carmaseq.from_codes(customers.astype(np.int64, copy=False), times, ids,
                               int(customers.max()) + 1 if len(customers) else 0)
    if names is not None:
        raw.set_names(names)
    return Database(raw, items, {"input": "DataFrame", "format": "dataframe", "customer": customer,
                                 "time": time, "item": item, "time_format": time_format or ""})


def _item_ids(frame, column):
    values = frame[column]
    if pd.api.types.is_integer_dtype(values.dtype) and not pd.api.types.is_bool_dtype(values):
        array = values.to_numpy()
        bad = (array < 0) | (array > _ID_MAX)
        if bad.any():
            raise InputError.in_frame(_first_row(frame, bad), column,
                                      f"item id {array[bad][0]} outside 0..{_ID_MAX}")
        return array.astype(np.int32), Items(), None
    codes, uniques = pd.factorize(values, sort=False)
    bad = codes < 0
    if not bad.any():
        empty = [i for i, u in enumerate(uniques) if isinstance(u, str) and not u.strip()]
        bad = np.isin(codes, empty) if empty else bad
    if bad.any():
        raise InputError.in_frame(_first_row(frame, bad), column, "empty item")
    labels = list(uniques)
    names = [str(u) for u in labels]
    if len(set(names)) != len(names):
        raise ValueError(f"column {column!r} holds different items with the same text")
    ids = (codes + 1).astype(np.int32)
    return ids, Items({i + 1: label for i, label in enumerate(labels)}), names


def _times(frame, column, time_format):
    values = frame[column]
    if pd.api.types.is_datetime64_any_dtype(values.dtype):
        if getattr(values.dt, "tz", None) is not None:
            values = values.dt.tz_convert("UTC").dt.tz_localize(None)
        bad = values.isna().to_numpy()
        if bad.any():
            raise InputError.in_frame(_first_row(frame, bad), column, "missing time")
        ns = values.to_numpy().astype("datetime64[ns]").astype(np.int64)
        return ns / 86400e9
    if pd.api.types.is_numeric_dtype(values.dtype) and not pd.api.types.is_bool_dtype(values):
        times = values.to_numpy(dtype=np.float64)
        bad = ~np.isfinite(times)
        if bad.any():
            raise InputError.in_frame(_first_row(frame, bad), column, "time is not a number")
        return times
    codes, uniques = pd.factorize(values, sort=False)
    if (codes < 0).any():
        raise InputError.in_frame(_first_row(frame, codes < 0), column, "missing time")
    texts = [str(u) for u in uniques]
    parsed, bad = _parse_texts(texts, time_format)
    if bad >= 0:
        raise InputError.in_frame(_first_row(frame, codes == bad), column,
                                  f"time '{texts[bad]}' does not parse")
    return parsed[codes]


def _parse_texts(texts, time_format):
    """Parses distinct time texts; returns (times, index of the first bad text or -1)."""
    parsed, bad = _carmaseq.parse_times(texts, time_format or "")
    if bad < 0 or time_format:
        return parsed, bad
    fits = []
    for fmt in _DATE_FORMATS:
        times, fmt_bad = _carmaseq.parse_times(texts, fmt)
        if fmt_bad < 0:
            fits.append((fmt, times))
    if len(fits) == 1:
        return fits[0][1], -1
    if len(fits) > 1 and not all(np.array_equal(fits[0][1], t) for _, t in fits[1:]):
        raise ValueError("the time texts fit several date layouts ("
                         + ", ".join(f for f, _ in fits) + "); give time_format")
    return (fits[0][1], -1) if fits else (parsed, bad)


def _from_lists(customers):
    customer_codes, times, items = [], [], []
    for c, history in enumerate(customers):
        if isinstance(history, (str, bytes)) or not hasattr(history, "__iter__"):
            raise ValueError(f"customer {c}: a history is a list of item sets, "
                             f"not {type(history).__name__}")
        for t, item_set in enumerate(history):
            if isinstance(item_set, (str, bytes)) or not hasattr(item_set, "__iter__"):
                raise ValueError(f"customer {c}, item set {t}: an item set is a list of items, "
                                 f"not {type(item_set).__name__}")
            for entry in item_set:
                customer_codes.append(c)
                times.append(t)
                items.append(entry)
    plain_ints = all(isinstance(i, (int, np.integer)) and not isinstance(i, bool) for i in items)
    if plain_ints and all(0 <= i <= _ID_MAX for i in items):
        ids, labels, names = np.asarray(items, dtype=np.int32), None, None
    else:
        codes, uniques = pd.factorize(pd.Series(items, dtype=object), sort=False)
        labels = {i + 1: u for i, u in enumerate(uniques)}
        names = [str(u) for u in uniques]
        if len(set(names)) != len(names):
            raise ValueError("different items with the same text")
        ids = (codes + 1).astype(np.int32)
    raw = _carmaseq.from_codes(np.asarray(customer_codes, dtype=np.int64),
                               np.asarray(times, dtype=np.float64), ids, len(customers))
    if names is not None:
        raw.set_names(names)
    return Database(raw, Items(labels), {"input": "list", "format": "list"})


def read_spmf(path):
    """Reads the integer sequence format the ``carmaseq`` command reads.

    One customer per line, item ids separated by blanks, ``-1`` ending an item set and ``-2``
    the sequence; ``<t>`` before a set gives its time.

    Parameters
    ----------
    path : str or os.PathLike

    Returns
    -------
    Database
        Its items are the integer ids.

    Raises
    ------
    FileNotFoundError
    carmaseq.InputError
        A malformed line, with ``source`` and ``line``.
    """
    path = os.fspath(path)
    return Database(_carmaseq.read_spmf(path), Items(), {"input": path, "format": "spmf"})


def read_csv(path, *, customer="customer", time="time", item="item", delimiter=None,
             time_format=None):
    """Reads a CSV or TSV transaction log as ``carmaseq mine --format csv`` does.

    Parameters
    ----------
    path : str or os.PathLike
    customer, time, item : str
        Header names of the columns (matched ignoring case and surrounding blanks).
    delimiter : str, optional
        The field separator; by default a tab when the header holds one, else a comma.
    time_format : str, optional
        Format of the times, such as ``%d-%m-%Y``; by default numbers and ISO 8601 dates.

    Returns
    -------
    Database
        Its items are the item texts of the file.

    Raises
    ------
    FileNotFoundError
    ValueError
        A bad `delimiter` or `time_format`.
    carmaseq.InputError
        A malformed line, with ``source`` and ``line``.

    Examples
    --------
    >>> db = carmaseq.read_csv("Groceries_dataset.csv", customer="Member_number",
    ...                        time="Date", item="itemDescription",
    ...                        time_format="%d-%m-%Y")  # doctest: +SKIP
    >>> db.num_customers  # doctest: +SKIP
    3898
    """
    path = os.fspath(path)
    raw = _carmaseq.read_csv(path, customer, time, item, delimiter or "", time_format or "")
    source = {"input": path, "format": "csv", "customer": customer, "time": time, "item": item,
              "delimiter": delimiter or "", "time_format": time_format or ""}
    return Database(raw, Items(raw.item_names()), source)
