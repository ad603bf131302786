"""Mining and scoring Dask DataFrames: one task per partition on the current Dask scheduler.

Mining runs in two passes, each one task per partition of whole customers: pass 1 finds the
sequences frequent in the partition at the same relative support (a sequence frequent overall is
frequent in at least one partition), pass 2 counts every sequence of their union exactly. The
client sums the counts and builds the same model that mining the whole frame at once gives.
"""

import numpy as np
import pandas as pd

from . import _carmaseq


def is_dask_frame(data):
    """True iff data is a Dask DataFrame (checked without importing Dask)."""
    return type(data).__module__.split(".")[0].startswith("dask") and hasattr(data, "to_delayed")


def _uniques_in_order(frames_uniques):
    seen = {}
    for values in frames_uniques:
        for value in values:
            seen.setdefault(value, len(seen))
    return list(seen)


def _partition_summary(frame, customer, item):
    return frame[customer].unique(), frame[item].unique()


def _coded(frame, item, codes):
    """The partition with its items replaced by the frame-wide ids."""
    if codes is None:
        return frame
    out = frame.copy()
    ids = pd.Categorical(out[item], categories=codes).codes.astype(np.int64) + 1
    out[item] = ids
    return out


def _partition_database(frame, customer, time, item, time_format, codes):
    from ._input import database
    return database(_coded(frame, item, codes), customer=customer, time=time, item=item,
                    time_format=time_format)


def _pass1(frame, options, columns, codes):
    db = _partition_database(frame, *columns, codes)
    return _carmaseq.mine_candidates(db._raw, options)


def _pass2(frame, union, options, columns, codes):
    db = _partition_database(frame, *columns, codes)
    return _carmaseq.count_partition(db._raw, union, options, 1)


def _split_by_customer(ddf, customer, customers_per_partition):
    """ddf itself when no customer has rows in two partitions, else ddf shuffled on customer."""
    seen = set()
    for customers in customers_per_partition:
        values = set(customers.tolist())
        if seen & values:
            return ddf.shuffle(on=customer)
        seen |= values
    return ddf


def mine_dask(ddf, options, *, customer, time, item, time_format):
    """Mines a Dask DataFrame; see :func:`carmaseq.mine`. Returns (raw model, item labels)."""
    import dask

    parts = ddf.to_delayed()
    summaries = dask.compute(*[dask.delayed(_partition_summary)(p, customer, item)
                               for p in parts])
    item_values = _uniques_in_order(items for _, items in summaries)
    integer_items = pd.api.types.is_integer_dtype(ddf[item].dtype)
    codes = None if integer_items else item_values
    by_customer = _split_by_customer(ddf, customer, (c for c, _ in summaries))
    parts = by_customer.to_delayed()
    columns = (customer, time, item, time_format)

    candidates = dask.compute(*[dask.delayed(_pass1)(p, options, columns, codes) for p in parts])
    union = _carmaseq.unite_candidates(list(candidates))
    counts = dask.compute(*[dask.delayed(_pass2)(p, union, options, columns, codes)
                            for p in parts])
    names = {} if codes is None else {i + 1: str(v) for i, v in enumerate(codes)}
    raw = _carmaseq.merge_counts(union, list(counts), options, names)
    labels = None if codes is None else {i + 1: v for i, v in enumerate(codes)}
    return raw, labels


# One scorer per lattice document and worker process, made at its first partition.
_SCORERS = {}


def _score_partition(frame, lattice, plugin, encoding, id_field):
    from ._scorer import Scorer
    key = (lattice, plugin, encoding)
    if key not in _SCORERS:
        _SCORERS[key] = Scorer(lattice, plugin=plugin, encoding=encoding)
    return _SCORERS[key].score(frame, id_field=id_field)


def score_dask(ddf, lattice, plugin, encoding, id_field):
    """Scores a Dask DataFrame partition by partition; a lazy Dask DataFrame of results."""
    meta = pd.DataFrame({"id": pd.Series(dtype=object), "target": pd.Series(dtype=object),
                         "predictions": pd.Series(dtype=object)})
    return ddf.map_partitions(_score_partition, lattice, plugin, encoding, id_field, meta=meta)
