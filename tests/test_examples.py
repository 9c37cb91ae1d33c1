"""The fitting examples: one event, and a survey on Dask."""

import os
import pathlib
import subprocess
import sys

import pytest

EXAMPLES = pathlib.Path(__file__).resolve().parent.parent / "examples"
sys.path.insert(0, str(EXAMPLES))
import events  # noqa: E402

pytestmark = pytest.mark.parallel_threads(1)


def test_fit_recovers_the_event_and_detects_limb_darkening():
    event = events.simulate(seed=7)
    limb_darkened, uniform = events.fit(event, "limb-darkened"), events.fit(event, "uniform")
    for p in events.PARAMETERS:
        pull = (limb_darkened.values[p] - event.truth[p]) / limb_darkened.errors[p]
        assert abs(pull) < 3.0, (p, pull)
    assert limb_darkened.chi2 / limb_darkened.dof < 1.2
    assert uniform.chi2 - limb_darkened.chi2 > 100.0


@pytest.fixture
def restored_environment():
    # Dask's LocalCluster sets variables in its own process's environment
    # (MALLOC_TRIM_THRESHOLD_, OMP_NUM_THREADS, ...), which later tests'
    # subprocesses would inherit.
    saved = dict(os.environ)
    yield
    os.environ.clear()
    os.environ.update(saved)


@pytest.mark.skipif(os.environ.get("CAUSTIX_SANITIZED") == "1", reason="worker processes under the sanitizers")
def test_survey_on_a_local_cluster_equals_serial_fits(restored_environment):
    import survey
    from dask.distributed import Client, LocalCluster

    os.environ["CAUSTIX_NUM_THREADS"] = "1"
    serial = [events.fit_survey_event(i) for i in range(4)]
    cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                           env={"PYTHONPATH": os.pathsep.join(sys.path)})
    with cluster, Client(cluster) as client:
        distributed = survey.fit_on_cluster(client, 4, show_progress=False)
    for a, b in zip(serial, distributed):
        a.pop("seconds"), b.pop("seconds")
        assert a == b


def test_unreachable_scheduler_is_a_clear_error(tmp_path):
    out = subprocess.run([sys.executable, str(EXAMPLES / "survey.py"), "--events", "2", "--timeout", "2",
                          "--scheduler", "tcp://127.0.0.1:1", "--output", str(tmp_path)],
                         capture_output=True, text=True, timeout=60)
    assert out.returncode == 2
    assert "cannot reach the Dask scheduler at tcp://127.0.0.1:1" in out.stderr
