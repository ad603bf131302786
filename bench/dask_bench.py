"""Times carmaseq.mine on a Dask DataFrame against mining the whole pandas frame.

Runs a LocalCluster of two worker processes (one thread each) and mines each data set with 1, 2
and 4 partitions, checking every time that the model equals the whole frame's (same sequences,
byte-identical lattice document). Prints one line per run, with its wall time and its CPU time
(user + sys of this process, which holds the scheduler, and of the workers), which other work on
a shared machine disturbs less:

    PYTHONPATH=build/release/python /usr/bin/python3 bench/dask_bench.py [SHARED_DATA_DIR]
"""

import os
import sys
import tempfile
import time

import dask.dataframe as dd
import pandas as pd
from dask.distributed import Client, LocalCluster

import carmaseq


def quest(path):
    """The quest10k customers as rows of (customer, time, item)."""
    rows = []
    with open(path) as lines:
        for customer, line in enumerate(lines):
            t = 0
            for token in line.split():
                value = int(token)
                if value == -1:
                    t += 1
                elif value >= 0:
                    rows.append((customer, t, value))
    return pd.DataFrame(rows, columns=["customer", "time", "item"])


def _process_cpu():
    times = os.times()
    return times.user + times.system


def cpu_seconds(client):
    """CPU seconds used so far by this process and every worker process of client."""
    return _process_cpu() + sum(client.run(_process_cpu).values())


def lattice_bytes(model):
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "lattice.xml")
        model.to_lattice(path)
        with open(path, "rb") as f:
            return f.read()


def run(client, name, frame, columns, support, time_format=None):
    start, cpu = time.perf_counter(), _process_cpu()
    whole = carmaseq.mine(frame, min_support=support, time_format=time_format, progress=False,
                          **columns)
    base, base_cpu = time.perf_counter() - start, _process_cpu() - cpu
    expected = lattice_bytes(whole)
    print(f"{name:10} support {support:<6} pandas frame: {base:6.2f} s (CPU {base_cpu:.2f} s), "
          f"{whole.stats()['sequences']} sequences", flush=True)
    for partitions in (1, 2, 4):
        ddf = dd.from_pandas(frame, npartitions=partitions, sort=False)
        start, cpu = time.perf_counter(), cpu_seconds(client)
        model = carmaseq.mine(ddf, min_support=support, time_format=time_format, **columns)
        seconds, used = time.perf_counter() - start, cpu_seconds(client) - cpu
        same = lattice_bytes(model) == expected
        print(f"{name:10} support {support:<6} Dask, {partitions} partitions: {seconds:6.2f} s "
              f"(CPU {used:.2f} s), {'identical' if same else 'DIFFERENT'}", flush=True)


def main():
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "../../shared/data")
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as client:
        groceries = pd.read_csv(os.path.join(data, "groceries/Groceries_dataset.csv"))
        run(client, "groceries", groceries,
            {"customer": "Member_number", "time": "Date", "item": "itemDescription"}, 0.005,
            time_format="%d-%m-%Y")
        run(client, "quest10k", quest(os.path.join(data, "quest10k/quest_C10_T2.5_S4_I1.25_D10K.spmf.txt")),
            {}, 0.02)


if __name__ == "__main__":
    main()
