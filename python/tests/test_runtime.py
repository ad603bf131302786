"""Long runs: Ctrl-C, other threads while mining, progress reports, and the docstrings."""

import _thread
import doctest
import threading
import time

import pytest

import carmaseq
from conftest import run


@pytest.fixture(scope="module")
def big(tmp_path_factory):
    """A database that takes the miner many seconds at a low support."""
    path = tmp_path_factory.mktemp("big") / "big.txt"
    run("generate", path, "--customers", 5000, "--sets", 12, "--seed", 5, "--quiet")
    return carmaseq.read_spmf(path)


def test_ctrl_c_stops_mining_and_the_package_still_works(big):
    for _ in range(2):
        reports = []
        timer = threading.Timer(0.5, _thread.interrupt_main)
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            carmaseq.mine(big, min_support=0.002, max_items=31,
                          progress=lambda *r: reports.append(r))
        timer.join()
        done, total, _ = reports[-1]
        assert not 0 < total == done  # stopped midway, not after the run
    assert carmaseq.mine(big, min_support=0.3).stats()["customers"] == 5000


def test_other_threads_run_while_mining(big):
    ticks = []
    stop = threading.Event()

    def tick():
        while not stop.is_set():
            ticks.append(time.monotonic())
            time.sleep(0.01)

    def progress(done, total, found):
        if time.monotonic() - ticks[0] > 1.5:
            raise StopIteration  # ends the run through the callback
    ticker = threading.Thread(target=tick)
    ticker.start()
    try:
        with pytest.raises(StopIteration):
            carmaseq.mine(big, min_support=0.002, max_items=31, progress=progress)
    finally:
        stop.set()
        ticker.join()
    assert len(ticks) > 50


def test_progress_reaches_every_first_item(shop):
    reports = []
    model = carmaseq.mine(carmaseq.read_csv(shop / "shop.csv"), min_support=0.12,
                          progress=lambda *r: reports.append(r))
    done, total, found = reports[-1]
    assert done == total > 0
    assert found == model.stats()["sequences"]


def test_docstring_examples_run():
    for module in (carmaseq._model, carmaseq._input):
        failed, attempted = doctest.testmod(module, raise_on_error=False)
        assert failed == 0
    assert "min_support" in carmaseq.mine.__doc__ and carmaseq.Model.rules.__doc__
