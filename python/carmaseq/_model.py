"""Mining customers' histories into a model, and the model's queries."""

import numbers
import os

import numpy as np
import pandas as pd

from . import _carmaseq
from ._dask import is_dask_frame, mine_dask
from ._input import Database, database
from ._items import Items
from ._progress import Progress

_SORTS = ("support", "confidence", "cause")


def _fraction(name, value):
    if isinstance(value, bool) or not isinstance(value, numbers.Real) or not 0 <= value <= 1:
        raise ValueError(f"{name} must be a number from 0 to 1, not {value!r}")
    return float(value)


def _non_negative(name, value):
    if (isinstance(value, bool) or not isinstance(value, numbers.Real)
            or not 0 <= value < float("inf")):
        raise ValueError(f"{name} must be a finite number of at least 0, not {value!r}")
    return float(value)


def _count(name, value, minimum=0):
    if isinstance(value, bool) or not isinstance(value, numbers.Integral) or value < minimum:
        raise ValueError(f"{name} must be a whole number of at least {minimum}, not {value!r}")
    return int(value)


def _mining_options(min_support, max_items, min_gap, max_gap, window):
    """The options the miner takes, checked, by the names the extension knows."""
    if not isinstance(max_items, numbers.Integral) or not 1 <= max_items <= 31:
        raise ValueError(f"max_items must be a whole number from 1 to 31, not {max_items!r}")
    return {
        "min_support": _fraction("min_support", min_support),
        "max_items": int(max_items),
        "min_gap": _non_negative("min_gap", min_gap),
        "max_gap": _non_negative("max_gap", max_gap),
        "window": _non_negative("window", window),
    }


def mine(data, *, min_support, customer="customer", time="time", item="item", max_items=9,
         min_gap=0, max_gap=0, window=0, time_format=None, progress=None):
    """Finds every sequence of item sets that at least `min_support` of the customers share.

    Parameters
    ----------
    data : pandas.DataFrame, dask.dataframe.DataFrame, list, or Database
        A DataFrame with one row per purchased item (the rows of one customer and time form an
        item set); a list of customers, each a list of item sets (lists of ints or strings, the
        k-th set at time k); or a Database from :func:`read_spmf` / :func:`read_csv`. A Dask
        DataFrame is mined in two passes, one task per partition of whole customers (the frame
        is shuffled on `customer` unless no customer spans two partitions), on the current Dask
        scheduler; the model is the one mining the whole frame at once gives.
    min_support : float
        The least share of customers, 0 to 1, a sequence must reach.
    customer, time, item : str
        The DataFrame's columns. Times are numbers, datetimes (counted in days), or texts:
        numbers, ISO 8601 dates, or a common date layout such as ``21-07-2015``.
    max_items : int
        The longest sequence, in items over all its item sets (1 to 31).
    min_gap, max_gap, window : float
        Time constraints on a match (0 turns one off): consecutive matched item sets at least
        `min_gap` and at most `max_gap` apart, a whole match within `window`.
    time_format : str, optional
        The layout of text times, as ``carmaseq mine --time-format`` takes it (``%d-%m-%Y``).
    progress : bool or callable, optional
        None shows a tqdm bar (when tqdm is installed) once mining has lasted a second; True
        shows it at once; False shows nothing; a callable is called with (first items done,
        first items in all, sequences found).

    Returns
    -------
    Model

    Raises
    ------
    ValueError
        A bad argument (an option out of range, a missing column).
    carmaseq.InputError
        A bad cell of the DataFrame (its row and column are named).
    MemoryError
    KeyboardInterrupt
        Ctrl-C stops the miner; nothing is kept.

    Notes
    -----
    The miner runs without the GIL on a thread of its own.

    Examples
    --------
    >>> import carmaseq
    >>> model = carmaseq.mine([[["bread", "milk"], ["butter"]],
    ...                        [["bread"], ["butter", "jam"]],
    ...                        [["milk"], ["jam"]]], min_support=0.6)
    >>> model.rules()[["antecedent", "consequent", "support", "confidence"]]
        antecedent    consequent   support  confidence
    0  ((bread,),)  ((butter,),)  0.666667         1.0
    """
    options = _mining_options(min_support, max_items, min_gap, max_gap, window)
    if is_dask_frame(data):
        return mine_dask(data, options, customer=customer, time=time, item=item,
                         time_format=time_format)
    db = database(data, customer=customer, time=time, item=item, time_format=time_format)
    reporter = Progress(progress)
    try:
        raw = _carmaseq.mine(db._raw, options, db._source, reporter.callback)
    finally:
        reporter.close()
    columns = {"customer": customer, "time": time, "item": item}
    return Model(raw, db._items, columns)


def load(path):
    """Loads a model saved by :meth:`Model.save` or by ``carmaseq mine --save``.

    Parameters
    ----------
    path : str or os.PathLike

    Returns
    -------
    Model

    Raises
    ------
    FileNotFoundError
    carmaseq.InputError
        The file is not a model, or is damaged (its ``source`` is the path).
    """
    raw = _carmaseq.load(os.fspath(path))
    names = raw.item_names()
    source = raw.source()
    columns = None
    if source["format"] in ("csv", "dataframe"):
        columns = {k: source[k] for k in ("customer", "time", "item")}
    return Model(raw, Items(names) if names else Items(), columns)


class Model:
    """Frequent sequences of customers' histories, with their rules, predictions and documents.

    Made by :func:`carmaseq.mine` or :func:`carmaseq.load`. Items keep the type they were given
    in (strings, ints); sequences are tuples of item sets, each a tuple of items.
    """

    def __init__(self, raw, items, columns):
        self._raw = raw
        self._items = items
        self._columns = columns or {"customer": "customer", "time": "time", "item": "item"}

    def __repr__(self):
        s = self.stats()
        return (f"<carmaseq.Model: {s['sequences']} sequences of {s['customers']} customers, "
                f"min_support={s['min_support']:g}>")

    def _rule_query(self, min_support, max_support, min_confidence, max_confidence, min_cause,
                    max_cause, sort, maximal):
        if sort not in _SORTS:
            raise ValueError(f"sort must be one of {_SORTS}, not {sort!r}")
        q = _carmaseq.RuleQuery()
        q.min_support = _fraction("min_support", min_support)
        q.max_support = _fraction("max_support", max_support)
        q.min_confidence = _fraction("min_confidence", min_confidence)
        q.max_confidence = _fraction("max_confidence", max_confidence)
        q.min_cause = _fraction("min_cause", min_cause)
        q.max_cause = _fraction("max_cause", max_cause)
        q.sort = sort
        q.maximal = bool(maximal)
        return q

    def rules(self, *, min_support=0, max_support=1, min_confidence=0, max_confidence=1,
              min_cause=0, max_cause=1, sort="confidence", maximal=False, top=None):
        """The rules "antecedent => consequent" of the held sequences, as ``carmaseq rules``.

        Every held sequence of two or more item sets gives the rule whose consequent is its last
        item set. Bands are inclusive.

        Parameters
        ----------
        min_support, max_support : float
            Band of the rule's support (share of all customers).
        min_confidence, max_confidence : float
            Band of the confidence (support over the antecedent's support).
        min_cause, max_cause : float
            Band of the cause (share of the consequent's customers the rule covers).
        sort : {"confidence", "support", "cause"}
            The order, highest first.
        maximal : bool
            Only rules of sequences that no held sequence extends.
        top : int, optional
            Keep the first `top` rules.

        Returns
        -------
        pandas.DataFrame
            One row per rule: antecedent, consequent, support, confidence, cause, lift (the
            confidence over the support of the consequent alone).

        Raises
        ------
        ValueError
        """
        q = self._rule_query(min_support, max_support, min_confidence, max_confidence,
                             min_cause, max_cause, sort, maximal)
        columns = self._raw.rules(q)
        decode = self._items.decode_sequence
        frame = pd.DataFrame({
            "antecedent": [decode(s) for s in columns["antecedent"]],
            "consequent": [decode(s) for s in columns["consequent"]],
            "support": columns["support"],
            "confidence": columns["confidence"],
            "cause": columns["cause"],
            "lift": columns["lift"],
        })
        return frame if top is None else frame.head(_count("top", top))

    def _predict(self, histories, top, current, shortened):
        encoded = [self._items.history(h) for h in histories]
        return self._raw.predict(encoded, _count("top", top), bool(current), not shortened)

    def _prediction_frame(self, columns):
        decode = self._items.decode
        return pd.DataFrame({
            "item": [decode(int(i)) for i in columns["item"]],
            "confidence": columns["confidence"],
            "support": columns["support"],
            "cause": columns["cause"],
        })

    def predict(self, history, *, top=5, current=False, shortened=False):
        """The items a customer with this history goes on to take, best first.

        Parameters
        ----------
        history : list, str or item
            A list of items is one item set; a list of lists is a sequence of item sets, oldest
            first; a string starting with "(" is the command's text syntax, such as
            ``"(whole milk, yogurt)(soda)"``; any other string or object is one item. An empty
            list asks for the most frequent items.
        top : int
            At most this many items.
        current : bool
            Predict items joining the newest item set instead of items of a later one.
        shortened : bool
            Also predict from the history without its newest item sets.

        Returns
        -------
        pandas.DataFrame
            item, confidence, support, cause; one row per item.

        Raises
        ------
        ValueError
            An unknown item or a malformed history.

        Examples
        --------
        >>> import carmaseq
        >>> model = carmaseq.mine([[["bread", "milk"], ["butter"]],
        ...                        [["bread"], ["butter", "jam"]],
        ...                        [["milk"], ["jam"]]], min_support=0.6)
        >>> model.predict(["bread"])
             item  confidence   support  cause
        0  butter         1.0  0.666667    1.0
        """
        return self._prediction_frame(self._predict([history], top, current, shortened))

    def predict_many(self, histories, *, id="id", history="history", customer=None, time=None,
                     item=None, top=5, current=False, shortened=False):
        """Predictions for many customers in one call.

        Parameters
        ----------
        histories : pandas.DataFrame, dict or list
            A DataFrame with a `history` column (one history per row, as :meth:`predict` takes
            it) and an `id` column (else its index gives the ids); or a DataFrame of
            transactions like the one mined (one row per item, with the customer, time and item
            columns; the customer is the id); or a dict {id: history}; or a list of histories
            (ids 0, 1, ...).
        id, history : str
            Columns of a DataFrame of histories.
        customer, time, item : str, optional
            Columns of a DataFrame of transactions; by default those the model was mined with.
        top, current, shortened
            As for :meth:`predict`.

        Returns
        -------
        pandas.DataFrame
            id, item, confidence, support, cause; each id's items best first.
        """
        ids, values = self._histories(histories, id, history, customer, time, item)
        columns = self._predict(values, top, current, shortened)
        frame = self._prediction_frame(columns)
        frame.insert(0, "id", [ids[int(h)] for h in columns["history"]])
        return frame

    def _histories(self, histories, id_column, history_column, customer, time, item):
        if isinstance(histories, dict):
            return list(histories.keys()), list(histories.values())
        if isinstance(histories, pd.DataFrame):
            if history_column in histories.columns:
                ids = (histories[id_column] if id_column in histories.columns
                       else histories.index).tolist()
                return ids, histories[history_column].tolist()
            return self._transactions(histories, customer or self._columns["customer"],
                                      time or self._columns["time"],
                                      item or self._columns["item"])
        values = list(histories)
        return list(range(len(values))), values

    @staticmethod
    def _transactions(frame, customer, time, item):
        for column in (customer, time, item):
            if column not in frame.columns:
                raise ValueError(f"the DataFrame has neither a history column nor the "
                                 f"transaction column {column!r}")
        from ._input import _times
        ordered = frame.assign(_time=_times(frame, time, None))
        ids, values = [], []
        for key, rows in ordered.groupby(customer, sort=False):
            sets = rows.groupby("_time", sort=True)[item].agg(list)
            ids.append(key)
            values.append([list(s) for s in sets])
        return ids, values

    def _sequence_frame(self, columns, order):
        total = self.stats()["customers"]
        sequences = columns["sequence"]
        counts = columns["count"]
        texts = [self._items.text(s) for s in sequences]
        keys = [((sum(len(x) for x in s) if order == "size" else 0), -int(c), t)
                for s, c, t in zip(sequences, counts, texts)]
        rank = sorted(range(len(keys)), key=keys.__getitem__)
        decode = self._items.decode_sequence
        return pd.DataFrame({
            "sequence": [decode(sequences[i]) for i in rank],
            "items": np.array([sum(len(x) for x in sequences[i]) for i in rank], dtype=np.int64),
            "count": np.array([counts[i] for i in rank], dtype=np.int64),
            "support": np.array([counts[i] / total if total else 0.0 for i in rank]),
        })

    def search(self, *, contains=None, begins=None, ends=None, min_count=1, max_count=None,
               top=None):
        """The held sequences that contain, begin or end with a sequence, as ``carmaseq search``.

        Give exactly one of `contains`, `begins` and `ends`, a history as :meth:`predict` takes
        it. A held sequence contains the query when each item set of the query lies inside one
        of its item sets, in order.

        Parameters
        ----------
        contains, begins, ends : list or str
        min_count, max_count : int, optional
            Band of the number of customers.
        top : int, optional
            Keep the first `top` results.

        Returns
        -------
        pandas.DataFrame
            sequence, items, count, support; most frequent first, then by the sequence's text.

        Raises
        ------
        ValueError

        Examples
        --------
        >>> import carmaseq
        >>> model = carmaseq.mine([[["bread", "milk"], ["butter"]],
        ...                        [["bread"], ["butter", "jam"]],
        ...                        [["milk"], ["jam"]]], min_support=0.6)
        >>> model.search(contains="bread")
                        sequence  items  count   support
        0            ((bread,),)      1      2  0.666667
        1  ((bread,), (butter,))      2      2  0.666667
        """
        given = {k: v for k, v in (("contains", contains), ("begins", begins), ("ends", ends))
                 if v is not None}
        if len(given) != 1:
            raise ValueError("give exactly one of contains, begins and ends")
        (mode, query), = given.items()
        max_count = 2**31 - 1 if max_count is None else _count("max_count", max_count)
        columns = self._raw.search(mode, self._items.history(query),
                                   _count("min_count", min_count), max_count)
        frame = self._sequence_frame(columns, "count")
        return frame if top is None else frame.head(_count("top", top))

    def sequences(self, *, maximal=False):
        """Every held sequence (the empty one aside) with its count.

        Parameters
        ----------
        maximal : bool
            Only sequences that no held sequence extends.

        Returns
        -------
        pandas.DataFrame
            sequence, items, count, support; by number of items, then most frequent first.
        """
        return self._sequence_frame(self._raw.sequences(bool(maximal)), "size")

    def stats(self):
        """What ``carmaseq stats`` shows, as a dict.

        Returns
        -------
        dict
            customers, min_support, min_gap, max_gap, window (0 = off), levels, lattice_built,
            sequences, largest_sequence and sequences_per_items {items: sequences}.
        """
        return self._raw.stats()

    def _export_support(self, min_support):
        if min_support is None:
            return self._raw.mined_min_support
        return _fraction("min_support", min_support)

    def to_pmml(self, path, *, min_support=None, max_support=1, min_confidence=0,
                max_confidence=1, min_cause=0, max_cause=1, sort="confidence", maximal=False):
        """Writes the rules as a PMML 3.2 SequenceModel, as ``carmaseq mine --pmml`` does.

        Parameters
        ----------
        path : str or os.PathLike
        min_support : float, optional
            By default the support the model was mined with.
        max_support, min_confidence, max_confidence, min_cause, max_cause, sort, maximal
            As for :meth:`rules`.

        Raises
        ------
        OSError
        ValueError
        """
        q = self._rule_query(self._export_support(min_support), max_support, min_confidence,
                             max_confidence, min_cause, max_cause, sort, maximal)
        self._raw.write_pmml(os.fspath(path), q)

    def to_lattice(self, path, *, min_support=None):
        """Writes the lattice document the scoring plug-in loads (``carmaseq mine --lattice``).

        Parameters
        ----------
        path : str or os.PathLike
        min_support : float, optional
            By default the support the model was mined with.

        Raises
        ------
        OSError
        """
        self._raw.write_lattice(os.fspath(path), self._export_support(min_support))

    def report(self, path, *, min_confidence=0.0, top=2000, lattice=30):
        """Writes the HTML report ``carmaseq report`` writes: one self-contained page.

        Parameters
        ----------
        path : str or os.PathLike
        min_confidence : float
            Rules below it are neither counted nor shown.
        top : int
            Rules shown, the best by confidence (0 = all); the page says how many it left out.
        lattice : int
            Sequences in the lattice drawing, the strongest by support.

        Raises
        ------
        ValueError
            An argument out of range.
        OSError
        """
        if not 0 <= min_confidence <= 1:
            raise ValueError(f"min_confidence must lie in 0..1, not {min_confidence!r}")
        if not isinstance(top, numbers.Integral) or top < 0:
            raise ValueError(f"top must be a whole number of at least 0, not {top!r}")
        if not isinstance(lattice, numbers.Integral) or not 1 <= lattice <= 500:
            raise ValueError(f"lattice must be a whole number from 1 to 500, not {lattice!r}")
        self._raw.write_report(os.fspath(path), float(min_confidence), int(top), int(lattice))

    def save(self, path, *, format=None):
        """Saves the model with its item names: the file ``carmaseq`` query commands read.

        Parameters
        ----------
        path : str or os.PathLike
        format : {"binary", "xml"}, optional
            By default object XML for a name ending in ".xml", binary otherwise.

        Notes
        -----
        Named items are saved as their text: a loaded model shows them as strings (int items
        mined as ids stay ints).

        Raises
        ------
        OSError
        ValueError
        """
        if format not in (None, "binary", "xml"):
            raise ValueError(f"format must be 'binary' or 'xml', not {format!r}")
        self._raw.save(os.fspath(path), format or "")

    def plot_rules(self, *, ax=None, min_confidence=0, min_support=0, cmap="viridis", **kwargs):
        """Draws the rules with matplotlib: support × confidence, coloured by cause.

        Parameters
        ----------
        ax : matplotlib.axes.Axes, optional
            Where to draw; a new figure by default.
        min_confidence, min_support : float
            Only rules reaching these.
        cmap : str
            The colour map of the cause.
        **kwargs
            Passed to ``Axes.scatter``.

        Returns
        -------
        matplotlib.axes.Axes
        """
        import matplotlib.pyplot as plt
        rules = self.rules(min_confidence=min_confidence, min_support=min_support)
        if ax is None:
            _, ax = plt.subplots()
        points = ax.scatter(rules["support"], rules["confidence"], c=rules["cause"], cmap=cmap,
                            vmin=0, vmax=1, **kwargs)
        ax.figure.colorbar(points, ax=ax, label="cause")
        ax.set_xlabel("support")
        ax.set_ylabel("confidence")
        ax.set_title(f"{len(rules)} rules")
        return ax


__all__ = ["Database", "Model", "load", "mine"]
