"""The command line of marbleck.dataset: python3 -m marbleck.dataset OUT.zarr
--count N [options] builds a dataset store of N scene/hologram pairs on a
local Dask cluster or on one given by --scheduler, with marbleck-cli's units
(micrometres, nanometres, metres), one-line errors and exit statuses."""

from __future__ import annotations

import argparse
import decimal
import errno
import importlib
import math
import os
import re
import sys
import typing
from typing import Any, Dict, NoReturn, Optional

PROGRAM = "marbleck-dataset"

# marbleck-cli's exit statuses.
SUCCESS = 0
USAGE = 1  # a command line that cannot run, a bad value, a store made with other parameters
INPUT = 2  # a scene that cannot be read, or samples that cannot be computed
WRITE = 3  # a store that cannot be created or written

ENCODINGS = ("complex", "phase", "amplitude", "double-phase")
METHODS = ("layers", "points")
DEFAULT_LAYERS = 32

_WHOLE = re.compile(r"[0-9]+")
_NUMBER = re.compile(r"[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?")
_SIZE = re.compile(r"([0-9]+)(?:[xX]([0-9]+))?")

DESCRIPTION = """\
Builds a dataset of scene/hologram pairs into a Zarr store OUT.zarr (a
folder): N seeded synthetic colour-plus-depth scenes, or those of a folder,
and each one's hologram at every wavelength, on a local Dask cluster or on
the cluster of --scheduler. Every sample is a function of its index and the
seed alone, so the same command gives the same store, bit for bit. A store
already made with the same parameters is completed: only the samples still
missing are computed, so a stopped run goes on where it stopped; a store made
with other parameters is refused."""

EPILOG = """\
exit status: 0 when the store is complete; 1 for a command line that cannot
run (an unknown option, a bad value, a scheduler that does not answer, Dask
or Zarr missing) or a store made with other parameters; 2 for a scene that
cannot be read or a sample that cannot be computed; 3 for a store that
cannot be created or written. Each failure is one line on standard error,
"marbleck-dataset: FILE: reason". A cluster's workers must import marbleck
and reach OUT.zarr at the same path (a shared folder).

example: python3 -m marbleck.dataset set.zarr --count 100 --size 384 --layers 32"""


class UsageError(Exception):
    """A command line that cannot run."""


class _Parser(argparse.ArgumentParser):
    # argparse's own errors (a missing or unknown option, a bad choice) end
    # as every usage error does: one line and status 1.
    def error(self, message: str) -> NoReturn:
        raise UsageError(message)


def _parser() -> _Parser:
    parser = _Parser(prog="python3 -m marbleck.dataset", description=DESCRIPTION, epilog=EPILOG,
                     formatter_class=argparse.RawDescriptionHelpFormatter)
    add = parser.add_argument
    add("store", metavar="OUT.zarr", help="the store: a folder, made if missing")
    add("--count", metavar="N", required=True, help="the number of samples")
    add("--size", metavar="S|WxH", default="384", help="the hologram's and scenes' size in pixels (default 384)")
    add("--pitch", metavar="UM", default="8", help="the pixel pitch in micrometres (default 8)")
    add("--wavelengths", metavar="NM[,NM...]", default="638,520,450",
        help="the wavelengths in nanometres, one hologram each (default 638,520,450)")
    add("--near", metavar="M", default="0.05", help="the scenes' nearest depth in metres (default 0.05)")
    add("--far", metavar="M", default="0.1", help="the scenes' farthest depth in metres (default 0.1)")
    add("--method", choices=METHODS, default="layers",
        help="layers (default): the angular spectrum of depth layers; points: the exact sum of every point")
    add("--layers", metavar="N", help=f"with --method layers, the number of layers (default {DEFAULT_LAYERS})")
    add("--encode", choices=ENCODINGS, default="complex",
        help="what the store holds of each field: complex (default, complex64), phase or double-phase "
             "(radians), amplitude (0 .. 1)")
    add("--occlusion", action="store_true", help="with --method layers, near layers hide those behind them")
    add("--seed", metavar="S", default="0", help="the seed of the synthetic scenes (default 0)")
    add("--scenes", metavar="FOLDER", help="the colour/depth pairs of a folder instead of synthetic scenes")
    add("--scheduler", metavar="ADDR", help="the Dask scheduler to run on, as tcp://HOST:8786")
    add("--workers", metavar="N", help="the local cluster's worker processes (default: one a core)")
    add("--batch", metavar="N", help="samples a task (default: sized to Dask's guidance)")
    add("--quiet", action="store_true", help="no progress bar (shown only where standard error is a terminal)")
    add("--version", action="version", version=f"{PROGRAM} {_version()}")
    return parser


def _version() -> str:
    try:
        import marbleck
    except ImportError:
        return "(marbleck cannot be imported)"
    return str(marbleck.__version__)


def _whole(option: str, text: str, least: int = 1) -> int:
    if not _WHOLE.fullmatch(text) or int(text) < least:
        raise UsageError(f"{option} must be a whole number from {least}: {text}")
    return int(text)


def _positive(option: str, text: str, exponent: int = 0) -> float:
    """A number above 0 given in units of 10^exponent, in SI units: the
    decimal value scaled before it is rounded, so that "638" nanometres is
    Python's 638e-9 and a store made from Python takes the same command."""
    value = math.nan
    if _NUMBER.fullmatch(text):
        try:
            value = float(decimal.Decimal(text).scaleb(exponent))
        except decimal.DecimalException:  # beyond any float
            pass
    if not (math.isfinite(value) and value > 0):
        raise UsageError(f"{option} must be a number above 0: {text}")
    return value


def _size(text: str) -> Any:
    found = _SIZE.fullmatch(text)
    if found is None or int(found.group(1)) == 0 or (found.group(2) is not None and int(found.group(2)) == 0):
        raise UsageError(f"--size must be S or WxH, whole numbers from 1: {text}")
    if found.group(2) is None:
        return int(found.group(1))
    return (int(found.group(2)), int(found.group(1)))  # rows, columns


def build_arguments(args: argparse.Namespace) -> Dict[str, Any]:
    """build()'s keywords of a parsed command line, in SI units."""
    if args.method != "layers":
        for given, option in ((args.layers is not None, "--layers"), (args.occlusion, "--occlusion")):
            if given:
                raise UsageError(f"{option} is for --method layers")
    if args.scheduler is not None and args.workers is not None:
        raise UsageError("--workers is for the local cluster; the cluster of --scheduler has its own")
    if args.scheduler is not None and not args.scheduler.strip():
        raise UsageError("--scheduler needs an address, as tcp://HOST:8786")
    layers: Optional[int] = None
    if args.method == "layers":
        layers = DEFAULT_LAYERS if args.layers is None else _whole("--layers", args.layers)
    try:
        wavelengths = tuple(_positive("--wavelengths", item, -9) for item in args.wavelengths.split(","))
    except UsageError:
        raise UsageError(f"--wavelengths must be numbers above 0 with commas between: {args.wavelengths}") from None
    seed = _whole("--seed", args.seed, 0)
    if seed >= 2**64:
        raise UsageError(f"--seed must be a whole number from 0 to 2^64 - 1: {args.seed}")
    return {
        "count": _whole("--count", args.count),
        "size": _size(args.size),
        "pitch": _positive("--pitch", args.pitch, -6),
        "wavelengths": wavelengths,
        "near": _positive("--near", args.near),
        "far": _positive("--far", args.far),
        "method": args.method,
        "layers": layers,
        "encode": args.encode,
        "occlusion": bool(args.occlusion),
        "seed": seed,
        "scenes": args.scenes,
        "workers": None if args.workers is None else _whole("--workers", args.workers),
        "batch": None if args.batch is None else _whole("--batch", args.batch),
        "progress": False if args.quiet else None,
    }


def check_store_path(store: str) -> None:
    """Raises OSError, its filename the store, where the store's folder
    cannot be made or written: a file on its path, or a folder without
    write permission."""
    if os.path.lexists(store):
        if not os.path.isdir(store):
            raise NotADirectoryError(errno.ENOTDIR, "not a folder (a store is one)", store)
        if not os.access(store, os.W_OK | os.X_OK):
            raise PermissionError(errno.EACCES, "no permission to write in it", store)
        return
    above = os.path.dirname(os.path.abspath(store))
    while not os.path.lexists(above):
        above = os.path.dirname(above)
    if not os.path.isdir(above):
        raise NotADirectoryError(errno.ENOTDIR, f"cannot be made: {above} is not a folder", store)
    if not os.access(above, os.W_OK | os.X_OK):
        raise PermissionError(errno.EACCES, f"cannot be made: no permission to write in {above}", store)


def check_scene_folder(folder: Optional[str]) -> None:
    """Raises OSError, its filename the folder, where it is not one."""
    if folder is None:
        return
    if not os.path.exists(folder):
        raise FileNotFoundError(errno.ENOENT, "no such scene folder", folder)
    if not os.path.isdir(folder):
        raise NotADirectoryError(errno.ENOTDIR, "not a folder of scenes", folder)


def _inside(path: Any, folder: str) -> bool:
    path = os.path.abspath(os.fsdecode(path))
    folder = os.path.abspath(folder)
    return path == folder or path.startswith(folder.rstrip(os.sep) + os.sep)


def _reason(error: BaseException) -> str:
    if isinstance(error, OSError) and error.strerror:
        return error.strerror
    text = str(error) or type(error).__name__
    return " ".join(text.split())  # one line


def _fail(status: int, reason: str, file: Optional[str] = None) -> int:
    prefix = f"{PROGRAM}: " + (f"{file}: " if file else "")
    print(prefix + " ".join(reason.split()), file=sys.stderr)
    return status


def _summary(store: str, result: Any) -> str:
    return (f"{store}: {result.computed} samples computed, {result.skipped} already done, "
            f"{result.seconds:.1f} s, {result.samples_per_second:.2f} samples/s "
            f"on {result.workers} workers, {result.batch} a task")


def _connect(address: str) -> Any:
    from distributed import Client

    try:
        return Client(address)
    except (OSError, ValueError) as error:
        raise UsageError(f"{address}: the scheduler does not answer ({_reason(error)})") from None


def main(argv: Optional[typing.Sequence[str]] = None) -> int:
    """Runs the command line; returns its exit status."""
    try:
        args = _parser().parse_args(argv)
        keywords = build_arguments(args)
    except UsageError as error:
        return _fail(USAGE, str(error))
    store: str = args.store
    try:
        check_store_path(store)
        check_scene_folder(keywords["scenes"])
        try:
            build = importlib.import_module("marbleck.dataset._build").build
        except ImportError as error:
            return _fail(USAGE, f"cannot build datasets here: {_reason(error)} "
                                "(bash tools/deps.sh installs Dask, Distributed and Zarr)")
        client = None
        if args.scheduler is not None:
            try:
                client = _connect(args.scheduler.strip())
            except UsageError as error:
                return _fail(USAGE, str(error))
        try:
            result = build(store, client=client, **keywords)
        finally:
            if client is not None:
                client.close()
    except KeyboardInterrupt:
        return _fail(130, "stopped; the same command computes the samples still missing", store)
    except ValueError as error:
        return _fail(USAGE, _reason(error), store)
    except MemoryError as error:
        return _fail(INPUT, "out of memory" + (f": {error}" if str(error) else ""), store)
    except OSError as error:
        named = error.filename if error.filename is not None else store
        status = WRITE if _inside(named, store) and error.filename is not None else INPUT
        return _fail(status, _reason(error), os.fsdecode(named))
    except Exception as error:
        # A task whose workers died more often than the cluster allows
        # (distributed.KilledWorker): the samples done so far stay done.
        if type(error).__name__ != "KilledWorker":
            raise
        return _fail(INPUT, f"the workers died running the same samples again and again ({_reason(error)}); "
                            "the same command computes the samples still missing", store)
    print(_summary(store, result))
    return SUCCESS


if __name__ == "__main__":
    sys.exit(main())
