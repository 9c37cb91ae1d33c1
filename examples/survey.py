"""A survey season of microlensing events, fitted on a Dask cluster.

Simulates N events (finite sources crossed or nearly crossed by the lens, with
t_E, rho and u0 / rho drawn per event from a fixed seed) and fits each with
examples/events.py's limb-darkened fit, one Dask task per event. By default on
a LocalCluster of one worker process per core (one thread each); with
--scheduler on a running cluster. Writes a CSV of true and fitted parameters,
errors, chi^2 and fit times, and a one-page summary plot, to --output.

    python3 examples/survey.py [--events N] [--scheduler ADDRESS] [--output DIR]

Workers are started by spawning fresh interpreters (never forked from a
process whose caustix worker pool may have started), and every task runs
with CAUSTIX_NUM_THREADS=1: the tasks already keep every core busy. On a
running cluster start the workers with CAUSTIX_NUM_THREADS=1 in their
environment (events.py sets it too, if caustix has not started its pool).
"""

import argparse
import csv
import os
import pathlib
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import events  # noqa: E402


def parse(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--events", type=int, default=64, help="number of events (default 64)")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler (default: a LocalCluster)")
    parser.add_argument("--workers", type=int, default=os.cpu_count(),
                        help="LocalCluster worker processes (default: one per core)")
    parser.add_argument("--output", default="build/survey", help="directory for the CSV and PNG")
    parser.add_argument("--timeout", type=float, default=10.0,
                        help="seconds to wait for the scheduler (default 10)")
    return parser.parse_args(argv)


def connect(args):
    import dask
    from dask.distributed import Client, LocalCluster

    # Fresh interpreters, never forks: caustix's pool is not fork-safe.
    dask.config.set({"distributed.worker.multiprocessing-method": "spawn"})
    if args.scheduler:
        return Client(args.scheduler, timeout=args.timeout), None
    cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                           dashboard_address=None, env={"CAUSTIX_NUM_THREADS": "1",
                                                         "PYTHONPATH": os.pathsep.join(sys.path)})
    return Client(cluster), cluster


def fit_on_cluster(client, count, show_progress=True):
    """Fits events 0..count-1 as one task each; rows in event order."""
    from dask.distributed import progress

    futures = client.map(events.fit_survey_event, range(count), pure=False)
    if show_progress:
        progress(futures)
        print()
    return client.gather(futures)


def write_csv(rows, path):
    with open(path, "w", newline="") as f:
        out = csv.DictWriter(f, fieldnames=list(rows[0]), lineterminator="\n")
        out.writeheader()
        out.writerows(rows)


def plot(rows, path):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import numpy as np

    fig, axes = plt.subplots(2, 3, figsize=(12, 7))
    for ax, p in zip(axes[0, :2], ["rho", "u0"]):
        true = np.array([r[f"true_{p}"] for r in rows])
        fit = np.array([r[f"fit_{p}"] for r in rows])
        err = np.array([r[f"error_{p}"] for r in rows])
        ax.errorbar(true, fit, err, fmt=".", ms=4)
        lim = [0.0, max(true.max(), fit.max()) * 1.05]
        ax.plot(lim, lim, color="0.5", lw=0.8)
        ax.set_xlim(lim)
        ax.set_ylim(lim)
        ax.set_xlabel(f"true {p}")
        ax.set_ylabel(f"fitted {p}")
    chi = np.array([r["chi2"] / r["dof"] for r in rows])
    axes[0, 2].hist(chi, bins=20)
    axes[0, 2].set_xlabel("chi^2 / dof")
    grid = np.linspace(-4, 4, 200)
    for ax, p in zip(axes[1], ["t_e", "rho", "u0"]):
        pulls = np.array([(r[f"fit_{p}"] - r[f"true_{p}"]) / r[f"error_{p}"] for r in rows])
        ax.hist(pulls, bins=np.linspace(-4, 4, 17), density=True, alpha=0.7)
        ax.plot(grid, np.exp(-0.5 * grid**2) / np.sqrt(2 * np.pi), color="C3")
        ax.set_xlabel(f"pull of {p}: (fit - true) / error")
        ax.set_title(f"mean {pulls.mean():+.2f}, sd {pulls.std():.2f}", fontsize=9)
    fig.suptitle(f"{len(rows)} simulated events fitted with caustix on Dask")
    fig.tight_layout()
    fig.savefig(path, dpi=100)


def main(argv=None):
    args = parse(argv)
    output = pathlib.Path(args.output)
    output.mkdir(parents=True, exist_ok=True)
    try:
        client, cluster = connect(args)
    except OSError as error:
        print(f"survey: cannot reach the Dask scheduler at {args.scheduler}: {error}", file=sys.stderr)
        return 2
    with client:
        workers = len(client.scheduler_info()["workers"])
        print(f"fitting {args.events} events on {workers} Dask workers ({client.scheduler.address})")
        began = time.perf_counter()
        rows = fit_on_cluster(client, args.events)
        elapsed = time.perf_counter() - began
    if cluster is not None:
        cluster.close()
    write_csv(rows, output / "survey.csv")
    plot(rows, output / "survey.png")
    fit_time = sum(r["seconds"] for r in rows) / len(rows)
    print(f"{len(rows)} events in {elapsed:.1f} s: {60 * len(rows) / elapsed:.0f} events per minute, "
          f"{fit_time:.2f} s per fit on a worker")
    print(f"wrote {output / 'survey.csv'} and {output / 'survey.png'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
