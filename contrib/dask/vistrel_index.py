#!/usr/bin/python3
"""Index an archive of recordings on many machines: vistrel-cli index, spread by Dask.

    vistrel_index.py (--scheduler tcp://HOST:8786 | --local N) --db URL
                     [--cli PATH] [--batch N] [--jobs N] [--decode] [--batch-timeout S]
                     FOLDER|FILE...

The driver runs `vistrel-cli index --plan` once, here: it forgets the indexed recordings gone
from the folders named and lists those that need reading (new or changed). The list is cut
into batches (--batch recordings; by default about four per worker), in the order a run lists
them, and each batch becomes one Dask task that runs `vistrel-cli index --db URL -- FILE...` on
a worker. Every indexer claims a recording in the index before reading it, so a task that Dask
runs again after a worker was lost, or a second driver over the same folders, does not read
anything twice.

A cluster (Debian's python3-distributed provides the commands):

    scheduler$ dask-scheduler                                   # listens on tcp://scheduler:8786
    each worker$ dask-worker tcp://scheduler:8786 --nworkers 1 --nthreads 1
    anywhere$ vistrel_index.py --scheduler tcp://scheduler:8786 \\
                  --db postgresql://vistrel@dbhost:5432/archive /media/camera

Every worker must see the archive at the same path as the machine the driver runs on, have
vistrel-cli installed (at --cli, or on its PATH) and reach the PostgreSQL server of --db; a
password comes from ~/.pgpass or PGPASSWORD on each worker, never from the URL. With one
thread per worker, each vistrel-cli reads with every core of its machine (or --jobs).
--local N starts a cluster of N worker processes on this machine instead, each vistrel-cli
reading with its share of the cores. The scheduler and a first worker are awaited --timeout
seconds; Ctrl-C closes the client (and a local cluster with its indexers). A batch whose
vistrel-cli has not ended after --batch-timeout seconds (say, an index server that stopped
answering) is killed and its recordings counted as failed; what it stored stays, and the
claims of its unread recordings are taken over at once on that machine, elsewhere after 15
minutes.

Failure lines of the workers' vistrel-cli go to stderr as they come; then one line:
"N recordings to read: R read, U unchanged, F failed" (U: indexed meanwhile by another
indexer), with ", C left to other indexers" when other indexers held some. Exit status:
0 all went well, 1 a recording (or a batch, or the cluster) failed, 2 a usage error.
"""

import argparse
import logging
import os
import re
import shutil
import signal
import subprocess
import sys
import warnings

try:
    from dask.distributed import Client, LocalCluster, as_completed
except ImportError as missing:
    sys.exit(f"vistrel_index.py: {missing} (Debian's python3-distributed provides Dask's distributed scheduler)")

SUMMARY = re.compile(rb"^(\d+) recordings: (\d+) read, (\d+) unchanged, (\d+) dropped, (\d+) failed"
                     rb"(?:, (\d+) left to other indexers)?$", re.MULTILINE)
NAME = "vistrel_index.py"
PR_SET_PDEATHSIG = 1  # prctl(2): the signal a process gets when the thread that started it ends


def complain(text):
    print(f"{NAME}: {text}", file=sys.stderr, flush=True)


def index_batch(cli, db, options, paths, timeout=None):
    """On a worker: vistrel-cli index of one batch; (host, status, stdout, stderr), the status "timeout"
    when it was killed after timeout seconds."""
    import ctypes
    import socket

    libc = ctypes.CDLL(None, use_errno=True)

    def end_with_worker():  # an indexer whose worker died is ended too; its claims are then taken over
        libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)

    command = [cli, "index", "--db", db, *options, "--", *paths]
    try:
        done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, preexec_fn=end_with_worker,
                              timeout=timeout)
    except subprocess.TimeoutExpired as late:
        return socket.gethostname(), "timeout", late.stdout or b"", late.stderr or b""
    except OSError as error:
        return socket.gethostname(), None, b"", error.strerror.encode()
    return socket.gethostname(), done.returncode, done.stdout, done.stderr


def parse_arguments():
    parser = argparse.ArgumentParser(prog=NAME, description="vistrel-cli index spread over a Dask cluster")
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--scheduler", metavar="tcp://HOST:PORT", help="the Dask scheduler of a running cluster")
    where.add_argument("--local", metavar="N", type=int, help="a cluster of N worker processes on this machine")
    parser.add_argument("--db", default=os.environ.get("VISTREL_DB"),
                        help="the index, postgresql://USER@HOST:PORT/DB (default: $VISTREL_DB)")
    parser.add_argument("--cli", default="vistrel-cli", help="vistrel-cli, here and on the workers")
    parser.add_argument("--batch", type=int,
                        help="recordings a task indexes (default: about four tasks per worker, 8 to 256 recordings "
                        "each)")
    parser.add_argument("--jobs", type=int,
                        help="recordings each vistrel-cli reads at once (default: its machine's cores; with --local, "
                        "their share)")
    parser.add_argument("--decode", action="store_true", help="also decode every frame (vistrel-cli's --decode)")
    parser.add_argument("--timeout", type=float, default=10,
                        help="seconds to wait for the scheduler and a first worker (default 10)")
    parser.add_argument("--batch-timeout", type=float, metavar="S",
                        help="seconds a batch may take before its vistrel-cli is killed (default: no limit)")
    parser.add_argument("recordings", nargs="+", metavar="FOLDER|FILE")
    args = parser.parse_args()
    if not args.db:
        parser.error("--db is required (or VISTREL_DB)")
    for name in ("local", "batch", "jobs"):
        if getattr(args, name) is not None and getattr(args, name) < 1:
            parser.error(f"--{name} must be at least 1")
    if args.batch_timeout is not None and not args.batch_timeout > 0:
        parser.error("--batch-timeout must be more than 0")
    if args.local and args.jobs is None:  # the machine's cores shared among its workers
        args.jobs = max(1, (os.cpu_count() or 1) // args.local)
    return args


def plan(cli, db, recordings):
    """The recordings that need reading, as vistrel-cli index --plan lists them; its status."""
    done = subprocess.run([cli, "index", "--plan", "--db", db, "--", *map(os.fsencode, recordings)],
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
    return [path for path in done.stdout.split(b"\0")[:-1]], done.returncode


def local_cluster(workers):
    """N worker processes on this machine, one thread each."""
    # Its scheduler's HTTP server (bound to 127.0.0.1) takes another port when 8787 is taken: no need to say so.
    warnings.filterwarnings("ignore", message=r"Port \d+ is already in use")
    # Its processes ignore Ctrl-C: the driver closes them, and an indexer ends with its worker.
    interrupt = signal.signal(signal.SIGINT, signal.SIG_IGN)
    try:
        return LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None,
                            silence_logs=logging.ERROR)
    finally:
        signal.signal(signal.SIGINT, interrupt)


def connect(address, timeout):
    """A client of a running cluster with at least one worker; nothing, once said why, when there is none."""
    try:
        client = Client(address, timeout=timeout)
    except (OSError, TimeoutError) as error:
        complain(f"cannot reach the scheduler {address}: {error}")
        return None
    try:
        client.wait_for_workers(1, timeout=timeout)
    except (OSError, TimeoutError):
        client.close()
        complain(f"the scheduler {address} has no worker (waited {timeout:g} s)")
        return None
    return client


def run(client, args, cli, batches):
    """Submits the batches; answers the counts: read, unchanged, failed, left."""
    options = (["--decode"] if args.decode else []) + (["--jobs", str(args.jobs)] if args.jobs else [])
    futures = {client.submit(index_batch, cli, args.db, options, batch, args.batch_timeout, pure=False): batch
               for batch in batches}
    read = unchanged = failed = left = 0
    for future in as_completed(futures):
        batch = futures.pop(future)
        try:
            host, status, out, err = future.result()
        except Exception as error:  # the task itself was lost (its workers died)
            complain(f"a batch of {len(batch)} from {os.fsdecode(batch[0])} failed: {error}")
            failed += len(batch)
            continue
        first = os.fsdecode(batch[0])
        if status is None:
            complain(f"{host}: cannot run {cli}: {err.decode()} ({len(batch)} recordings from {first} not read)")
            failed += len(batch)
            continue
        sys.stderr.buffer.write(err)
        sys.stderr.flush()
        if status == "timeout":
            complain(f"{host}: vistrel-cli index of {len(batch)} recordings from {first} did not end within "
                     f"{args.batch_timeout:g} s; killed")
            failed += len(batch)
            continue
        summary = SUMMARY.search(out)
        if status not in (0, 1) or not summary:
            complain(f"{host}: vistrel-cli index of {len(batch)} recordings from {first} ended with status {status}")
            failed += len(batch)
            continue
        _, r, u, _, f, c = (int(n or 0) for n in summary.groups())
        read, unchanged, failed, left = read + r, unchanged + u, failed + f, left + c
    return read, unchanged, failed, left


def batch_size(recordings, workers):
    """About four tasks per worker: few enough that starting vistrel-cli for each costs little, enough
    that the workers end together and a lost worker's batch is a small part of the work."""
    return min(256, max(8, -(-recordings // (4 * max(1, workers)))))


def stop(signum, frame):
    raise KeyboardInterrupt


def main():
    signal.signal(signal.SIGTERM, stop)
    args = parse_arguments()
    # A path is the same on every machine; a bare name is looked up on each machine's PATH.
    cli = os.path.abspath(args.cli) if os.sep in args.cli else args.cli
    here = shutil.which(cli)
    if not here:
        complain(f"{args.cli}: vistrel-cli not found (give its path with --cli)")
        return 1
    client = cluster = None
    try:
        paths, status = plan(here, args.db, args.recordings)
        if status not in (0, 1) or (status and not paths):
            complain(f"vistrel-cli index --plan ended with status {status}")
            return 2 if status == 2 else 1
        read = unchanged = failed = left = 0
        if paths:
            if args.local:
                cluster = local_cluster(args.local)
            client = Client(cluster) if cluster else connect(args.scheduler, args.timeout)
            if not client:
                return 1
            size = args.batch or batch_size(len(paths), len(client.scheduler_info()["workers"]))
            batches = [paths[k:k + size] for k in range(0, len(paths), size)]
            read, unchanged, failed, left = run(client, args, cli, batches)
    except KeyboardInterrupt:  # Ctrl-C, or SIGTERM
        complain("stopped" if args.local else "stopped; the batches running on workers go on until they end")
        return 130
    finally:
        if client:
            client.close()
        if cluster:
            cluster.close()
    print(f"{len(paths)} recordings to read: {read} read, {unchanged} unchanged, {failed} failed"
          + (f", {left} left to other indexers" if left else ""), flush=True)
    if left:  # a lost worker's batch run again elsewhere finds its claims too
        complain(f"{left} recordings were being read by other indexers; run again to read any they did not "
                 "(a claim holds 15 minutes at most)")
    return 1 if failed or status else 0


if __name__ == "__main__":
    sys.exit(main())
