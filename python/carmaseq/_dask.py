"""Mining and scoring Dask DataFrames: one task per partition on the current Dask scheduler.

Mining runs the two passes of :mod:`carmaseq._partitioned`, each one task per partition of whole
customers; the client unites the candidates and merges the counts into the model that mining the
whole frame at once gives.
"""

import pandas as pd

from . import _partitioned


def is_dask_frame(data):
    """True iff data is a Dask DataFrame (checked without importing Dask)."""
    return type(data).__module__.split(".")[0].startswith("dask") and hasattr(data, "to_delayed")


def _partition_summary(frame, customer, item):
    return frame[customer].unique(), frame[item].unique()


def _deal_customers(ddf, customer, customers):
    """ddf shuffled into partitions of whole customers dealt out longest first.

    As the ``carmaseq partition`` command splits: the customers sorted by their number of rows
    (items), ties in order of first appearance (`customers`), the r-th goes to partition
    r mod P. No partition so gathers several of the longest histories, whose shared sequences
    would be locally frequent at a small partition's low threshold.
    """
    parts = ddf.npartitions
    sizes = ddf.groupby(customer).size().compute()
    ranked = sorted(customers, key=lambda c: -sizes[c])
    deal = pd.Series({c: rank % parts for rank, c in enumerate(ranked)}, dtype="int64")
    column = "_carmaseq_part"
    while column in ddf.columns:
        column += "_"
    dealt = ddf.assign(**{column: ddf[customer].map(deal, meta=(column, "int64"))})
    # Division k is part k, the last one holding the last part only.
    dealt = dealt.set_index(column, divisions=list(range(parts)) + [parts - 1])
    return dealt.reset_index(drop=True)


def _split_by_customer(ddf, customer, customers_per_partition):
    """ddf itself when no customer has rows in two partitions, else ddf with its customers dealt
    out anew (see _deal_customers)."""
    seen = set()
    order = []
    spans = False
    for customers in customers_per_partition:
        values = customers.tolist()
        spans = spans or not seen.isdisjoint(values)
        seen.update(values)
        order.extend(values)
    if not spans:
        return ddf
    return _deal_customers(ddf, customer, list(dict.fromkeys(order)))


def mine_dask(ddf, options, *, customer, time, item, time_format):
    """Mines a Dask DataFrame; see :func:`carmaseq.mine`. Returns the Model."""
    import dask

    parts = ddf.to_delayed()
    summaries = dask.compute(*[dask.delayed(_partition_summary)(p, customer, item)
                               for p in parts])
    # Items numbered in order of first appearance over the partitions, as in the whole frame.
    items = None
    if not pd.api.types.is_integer_dtype(ddf[item].dtype):
        items = list(dict.fromkeys(v for _, values in summaries for v in values))
    parts = _split_by_customer(ddf, customer, (c for c, _ in summaries)).to_delayed()
    step = dict(options, customer=customer, time=time, item=item, items=items)
    files = dask.compute(*[dask.delayed(_partitioned.candidates)(p, time_format=time_format,
                                                                 **step) for p in parts])
    union = _partitioned.unite(files)
    counts = dask.compute(*[dask.delayed(_partitioned.count)(p, union, time_format=time_format,
                                                             **step) for p in parts])
    return _partitioned.merge(union, counts, **step)


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
