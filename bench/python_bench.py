#!/usr/bin/python3
"""Times carmaseq.mine on a DataFrame already in memory against `carmaseq mine` on the CSV file.

    /usr/bin/python3 bench/python_bench.py [--build build/release] [--data FILE]
                                           [--min-support 0.005] [--repeat 7]

Both sides run alternately, best of --repeat each; the figure is the ratio of the best times.
The DataFrame is read once before timing (pandas.read_csv is not part of the mine call); the
command's time includes its reading of the CSV file, as a user sees it.
"""

import argparse
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build", "release"))
    parser.add_argument("--data", default=os.path.join(
        HERE, "..", "..", "shared", "data", "groceries", "Groceries_dataset.csv"))
    parser.add_argument("--min-support", type=float, default=0.005)
    parser.add_argument("--repeat", type=int, default=7)
    args = parser.parse_args()

    sys.path.insert(0, os.path.join(args.build, "python"))
    import pandas as pd
    import carmaseq

    program = os.path.join(args.build, "tools", "carmaseq", "carmaseq")
    command = [program, "mine", args.data, "--min-support", str(args.min_support),
               "--customer-column", "Member_number", "--time-column", "Date",
               "--item-column", "itemDescription", "--time-format", "%d-%m-%Y", "--quiet"]
    frame = pd.read_csv(args.data)

    def run_command():
        subprocess.run(command, check=True)

    def run_python():
        return carmaseq.mine(frame, customer="Member_number", time="Date",
                             item="itemDescription", min_support=args.min_support,
                             progress=False)

    best = {"command": float("inf"), "python": float("inf")}
    model = run_python()  # warms the caches of both sides once
    run_command()
    for _ in range(args.repeat):
        for name, call in (("command", run_command), ("python", run_python)):
            start = time.perf_counter()
            call()
            best[name] = min(best[name], time.perf_counter() - start)

    print(f"data: {args.data} ({len(frame)} rows), min_support {args.min_support}")
    print(f"sequences: {model.stats()['sequences']}")
    print(f"carmaseq mine (CSV file):   {best['command']:.3f} s  (best of {args.repeat})")
    print(f"carmaseq.mine (DataFrame):  {best['python']:.3f} s  (best of {args.repeat})")
    print(f"ratio python/command:       {best['python'] / best['command']:.2f}")


if __name__ == "__main__":
    main()
