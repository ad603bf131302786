"""Fixtures: the carmaseq programs of the build, and small generated shops mined by both sides."""

import os
import subprocess

import pandas as pd
import pytest

import carmaseq

PROGRAM = os.environ.get("CARMASEQ_PROGRAM", "carmaseq")
SCORE_PROGRAM = os.environ.get("CARMASEQ_SCORE_PROGRAM", "carmaseq-score")
SUPPORT = 0.12


def run(*args, program=PROGRAM):
    """Runs a program of the build; returns its standard output."""
    done = subprocess.run([program, *map(str, args)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return done.stdout


def text(sequence):
    """A sequence of items as the command writes it."""
    return "".join("(" + ", ".join(map(str, s)) + ")" for s in sequence) or "()"


@pytest.fixture(scope="session")
def shop(tmp_path_factory):
    """A generated shop (CSV with product names) and what the command mined from it."""
    d = tmp_path_factory.mktemp("shop")
    run("generate", d / "shop.csv", "--customers", 200, "--seed", 7, "--quiet")
    run("mine", d / "shop.csv", "--min-support", SUPPORT, "--save", d / "model.bin",
        "--pmml", d / "rules.pmml", "--lattice", d / "lattice.xml", "--rules-csv",
        d / "rules.csv", "--item-map", d / "items.tsv", "--quiet")
    return d


@pytest.fixture(scope="session")
def frame(shop):
    return pd.read_csv(shop / "shop.csv")


@pytest.fixture(scope="session")
def model(frame):
    return carmaseq.mine(frame, min_support=SUPPORT)
