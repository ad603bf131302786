"""The steps of exact mining in partitions, for any engine that runs one task per partition.

A partition is a pandas DataFrame holding whole customers (never part of one). Every step of one
run takes the same mining options and, for text items, the same list of every item of the whole
data (``items``: item k of the list gets id k + 1), so that all partitions number items alike::

    files = [carmaseq.candidates(part, min_support=0.01, items=items) for part in parts]  # pass 1
    union = carmaseq.unite(files)
    counts = [carmaseq.count(part, union, min_support=0.01, items=items) for part in parts]  # 2
    model = carmaseq.merge(union, counts, min_support=0.01, items=items)

Each step's result is bytes (the files ``carmaseq candidates`` and ``carmaseq count`` write), to
ship between processes as it is; the merge refuses files of mismatched runs.
"""

import numpy as np
import pandas as pd

from . import _carmaseq


def _options(min_support, max_items, min_gap, max_gap, window):
    from ._model import _mining_options
    return _mining_options(min_support, max_items, min_gap, max_gap, window)


def _database(frame, customer, time, item, time_format, items):
    from ._input import database
    if items is not None:
        frame = frame.copy()
        codes = pd.Categorical(frame[item], categories=list(items)).codes
        if (codes < 0).any():
            missing = frame[item][codes < 0].iloc[0]
            raise ValueError(f"item {missing!r} is not in the items given")
        frame[item] = codes.astype(np.int64) + 1
    return database(frame, customer=customer, time=time, item=item, time_format=time_format)


def candidates(frame, *, min_support, customer="customer", time="time", item="item",
               max_items=9, min_gap=0, max_gap=0, window=0, time_format=None, items=None):
    """Pass 1: the sequences frequent in one partition at `min_support` of its customers.

    Parameters are those of :func:`carmaseq.mine`, plus `items`, the list of every item of the
    whole data when items are texts (None for integer items).

    Returns
    -------
    bytes
        A candidate file.
    """
    options = _options(min_support, max_items, min_gap, max_gap, window)
    db = _database(frame, customer, time, item, time_format, items)
    return _carmaseq.mine_candidates(db._raw, options)


def unite(candidate_files):
    """The union of every partition's candidate files (bytes), as one candidate file (bytes).

    Raises
    ------
    ValueError
        The files were mined with different settings, or one is damaged.
    """
    return _carmaseq.unite_candidates(list(candidate_files))


def count(frame, union, *, min_support, customer="customer", time="time", item="item",
          max_items=9, min_gap=0, max_gap=0, window=0, time_format=None, items=None, threads=1):
    """Pass 2: the exact count, in one partition, of every sequence of `union` (bytes).

    Returns
    -------
    bytes
        A count file.
    """
    options = _options(min_support, max_items, min_gap, max_gap, window)
    db = _database(frame, customer, time, item, time_format, items)
    return _carmaseq.count_partition(db._raw, union, options, int(threads))


def merge(union, count_files, *, min_support, customer="customer", time="time", item="item",
          max_items=9, min_gap=0, max_gap=0, window=0, items=None):
    """The merge: the model mining all partitions' customers at once gives.

    Raises
    ------
    ValueError
        The count files belong to another run (other settings, other candidates).
    """
    from ._items import Items
    from ._model import Model
    options = _options(min_support, max_items, min_gap, max_gap, window)
    names = {} if items is None else {k + 1: str(v) for k, v in enumerate(items)}
    raw = _carmaseq.merge_counts(union, list(count_files), options, names)
    labels = {} if items is None else {k + 1: v for k, v in enumerate(items)}
    return Model(raw, Items(labels), {"customer": customer, "time": time, "item": item})
