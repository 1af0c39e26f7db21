#!/usr/bin/python3
"""Decompose many series on a Dask cluster and write vantrel-batch's --long table.

    dask_many_series.py --generate 1000 --output long.csv            # a local cluster
    dask_many_series.py --input series.csv --output long.csv --workers 4
    dask_many_series.py --input series.csv --output long.csv --scheduler tcp://host:8786

--input reads a long CSV with the columns series,value (one row a point, in order; further columns
such as point are ignored). Without --scheduler a LocalCluster of --workers worker processes runs
here; with it the same script runs on that cluster, whose workers must be able to import vantrel.
Series go to the workers in batches of --batch; a refused series is reported on standard error and
left out of the table. Prints the throughput in series per second.
"""

import argparse
import csv
import math
import sys
import time
from collections import OrderedDict


def generated(count, points):
    """count series of wavy data, each a little different."""
    for n in range(count):
        values = [
            100 + 0.05 * n + 0.2 * p + 8 * math.sin(p * (0.2 + n % 7 * 0.01)) + 3 * math.sin(p * 0.031 * (1 + n % 3))
            for p in range(1, points + 1)
        ]
        yield f"series_{n + 1}", values


def read_long(path):
    series = OrderedDict()
    with open(path, newline="") as file:
        for row in csv.DictReader(file):
            series.setdefault(row["series"], []).append(float(row["value"]))
    return list(series.items())


def decompose_batch(batch, options):
    """Runs on a worker: the --long rows of each series of the batch, or the reason it failed."""
    import vantrel

    out = []
    for name, values in batch:
        try:
            out.append((name, vantrel.decompose(values, **options).long_rows(name), None))
        except (vantrel.RefusedError, vantrel.AnalysisError) as error:
            out.append((name, None, str(error).replace("\r\n", " ").strip()))
    return out


def run(series, options, client, batch_size):
    batches = [series[k : k + batch_size] for k in range(0, len(series), batch_size)]
    futures = client.map(decompose_batch, batches, options=options, pure=False)
    return [result for batch in client.gather(futures) for result in batch]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--input", help="a long CSV with the columns series,value")
    source.add_argument("--generate", type=int, metavar="N", help="make N series instead")
    parser.add_argument("--points", type=int, default=1500, help="points of a generated series (default 1500)")
    parser.add_argument("--output", required=True, help="where the --long table goes")
    parser.add_argument("--scheduler", help="the address of a running Dask scheduler")
    parser.add_argument("--workers", type=int, default=2, help="worker processes of the local cluster")
    parser.add_argument("--batch", type=int, default=50, help="series per task (default 50)")
    parser.add_argument("--model", default="linear")
    args = parser.parse_args(argv)

    from dask.distributed import Client, LocalCluster
    import vantrel

    series = read_long(args.input) if args.input else list(generated(args.generate, args.points))
    options = {"model": args.model}
    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True, dashboard_address=None)
        client = Client(cluster)
    with client:
        client.wait_for_workers(1)
        started = time.perf_counter()
        results = run(series, options, client, args.batch)
        seconds = time.perf_counter() - started
    failed = 0
    with open(args.output, "w", newline="") as out:
        out.write(vantrel.LONG_HEADER)
        for name, rows, reason in results:
            if reason is None:
                out.write(rows)
            else:
                failed += 1
                print(f"{name}: {reason}", file=sys.stderr)
    print(f"{len(series)} series in {seconds:.2f} s: {len(series) / seconds:.1f} series/s", file=sys.stderr)
    return 3 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
