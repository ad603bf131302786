"""Mining and scoring Dask DataFrames on a local cluster of two worker processes."""

import dask.dataframe as dd
import pandas as pd
import pytest
from dask.distributed import Client, LocalCluster

import carmaseq
from conftest import SUPPORT


@pytest.fixture(scope="module")
def client():
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as c:
        yield c


def documents(model, directory, name):
    model.to_lattice(directory / f"{name}.xml")
    model.to_pmml(directory / f"{name}.pmml")
    return [(directory / f"{name}.{kind}").read_bytes() for kind in ("xml", "pmml")]


@pytest.mark.parametrize("split", ["rows", "customers"])
@pytest.mark.parametrize("partitions", [1, 3])
def test_mining_partitions_gives_the_whole_frames_model(client, frame, tmp_path, split,
                                                        partitions):
    # By rows, customers span partitions and the frame is shuffled first; by customers, not.
    data = frame if split == "rows" else frame.set_index("customer", drop=False).sort_index()
    ddf = dd.from_pandas(data, npartitions=partitions, sort=split == "customers")
    whole = carmaseq.mine(ddf.compute(), min_support=SUPPORT)
    parted = carmaseq.mine(ddf, min_support=SUPPORT)
    assert parted.stats() == whole.stats()
    assert documents(parted, tmp_path, "parted") == documents(whole, tmp_path, "whole")
    pd.testing.assert_frame_equal(parted.rules(), whole.rules())


def test_scoring_partitions_equals_scoring_the_frame(client, shop, frame):
    records = pd.DataFrame({"id": [1, 2, 3, 4],
                            "sequence": ["(1 2)", "(3)(4)", "(2)", "(5)(1 6)"],
                            "returnType": ["futureItems"] * 2 + ["currentItems"] * 2})
    scorer = carmaseq.Scorer(shop / "lattice.xml")
    parted = scorer.score(dd.from_pandas(records, npartitions=2)).compute()
    pd.testing.assert_frame_equal(parted.reset_index(drop=True), scorer.score(records))
