"""Holograms of any kind of the engine's kinds table: its entries, and one
call that makes a hologram of a kind by its name, the kind's own options
read by its entry. Part of the package marbleck, which exports them."""

from __future__ import annotations

import numbers
import operator
import os
from typing import Any, Dict, Optional, Tuple

import numpy as np
import numpy.typing as npt

from . import _engine
from ._arguments import _brightness, _reps, _sources, _threads, _time_limit
from ._records import Kind, KindHologram, KindOption, _figures


def _label(menu: str) -> str:
    """A menu's label without its mnemonic ("&&" is an "&" of its own)."""
    return "&".join(part.replace("&", "") for part in menu.split("&&"))


def kinds() -> Tuple[Kind, ...]:
    """The kinds table's entries, the first kind (make()'s default) first:
    each kind's name, label, caption and the options make() takes for it,
    each by its keyword ("-" in marbleck-cli's name as "_")."""
    return tuple(
        Kind(
            name,
            _label(label),
            caption,
            tuple(KindOption(option.replace("-", "_"), value_name, help, file)
                  for option, value_name, help, file in options),
        )
        for name, label, caption, options in _engine.kinds()
    )


def _text(keyword: str, option: KindOption, value: Any) -> Optional[str]:
    """An option's value as the kind reads it, the text marbleck-cli's word
    would be; None where the option is not given."""
    if value is None:
        return None
    if option.value_name == "":
        if isinstance(value, (bool, np.bool_)):
            return "" if value else None
        raise ValueError(f"{keyword} is a switch: True or False, not {value!r}")
    if isinstance(value, (bool, np.bool_)):
        raise ValueError(f"{keyword} takes {option.value_name}, not {value!r}")
    if isinstance(value, str):
        return value
    if option.file and isinstance(value, os.PathLike):
        return os.fsdecode(value)
    if isinstance(value, numbers.Integral):
        return str(operator.index(value))
    if isinstance(value, numbers.Real):
        return repr(float(value))
    raise ValueError(f"{keyword} takes {option.value_name} as a number or text, not {value!r}")


def _options(entry: Kind, given: Dict[str, Any]) -> Dict[str, str]:
    """The options given to make() by the table's names, as text."""
    known = {option.name: option for option in entry.options}
    texts = {}
    for keyword, value in given.items():
        option = known.get(keyword)
        if option is None:
            names = ", ".join(known) or "none"
            raise ValueError(f"unknown option {keyword!r} for the {entry.name} kind (its options: {names})")
        text = _text(keyword, option, value)
        if text is not None:
            texts[keyword.replace("_", "-")] = text
    return texts


def make(
    obj: npt.ArrayLike,
    reps: float = 1,
    *,
    kind: str = "amplitude",
    random_phase: bool = False,
    seed: Optional[int] = None,
    engine: str = "exact",
    size: Optional[Tuple[float, float]] = None,
    figures: bool = True,
    wavelength: Optional[float] = None,
    time_limit: Optional[float] = None,
    nthreads: int = 0,
    **options: Any,
) -> KindHologram:
    """The hologram of an object of any kind of the kinds table (kinds()),
    made as marbleck-cli makes it, with what its files would hold.

    obj, reps, random_phase, seed, engine, size: as for hologram(); a lit
        point's value is its brightness for a kind that weighs points (as
        for kinoform()).
    kind: the kind's name: "amplitude" (the default) or "phase", or any
        other entry of kinds().
    figures: measure the five figures (the default); False leaves them out.
    wavelength: the laser's wavelength in nm for a kind's option that takes
        one (a phase hologram's lens; default 633), as marbleck-cli's
        --wavelength.
    time_limit: stop after this many seconds with TimeoutError. Without it
        the "exact" and "reference" engines refuse more than 2**38 points x
        values with ValueError, as hologram() does.
    nthreads: the threads it may use; 0 (the default) for every core.
    options: the kind's options by their keywords (kinds() lists them;
        marbleck-cli's --refine-method is refine_method), each value as the
        command line's word: text, or a number written as text; a switch
        True (False or None leaves an option out). An option the kind does
        not have, or a value it cannot take, raises ValueError with its
        reason; a file an option names that cannot be read (a lookup table)
        raises OSError.

    Returns a KindHologram: the kind, values and levels (what a file of
    numbers and a picture file hold, rows x columns), figures, record and
    details. Runs without the interpreter's lock; Ctrl+C stops it with
    KeyboardInterrupt.
    """
    entries = {entry.name: entry for entry in kinds()}
    entry = entries.get(kind) if isinstance(kind, str) else None
    if entry is None:
        raise ValueError(f"unknown kind {kind!r} (the kinds: {', '.join(entries)})")
    texts = _options(entry, options)
    common: Dict[str, str] = {}
    if wavelength is not None:
        if isinstance(wavelength, (bool, np.bool_)) or not isinstance(wavelength, numbers.Real):
            raise ValueError(f"wavelength must be a number of nm, not {wavelength!r}")
        common["wavelength"] = repr(float(wavelength))
    mask, width, height, seed_value = _sources(obj, size, engine, random_phase, seed)
    reps_value = _reps(reps)
    limit = _time_limit(time_limit)
    threads = _threads(nthreads)
    brightness = _brightness(obj, mask)
    name, values, levels, measured, record, details = _engine.make(
        mask, brightness, width, height, reps_value, kind=kind, options=texts, common=common,
        random_phase=bool(random_phase), seed=seed_value, engine=engine, figures=bool(figures), time_limit=limit,
        nthreads=threads,
    )
    return KindHologram(
        name, values, levels, None if measured is None else _figures(measured), record, details,
        seed_value if random_phase else None,
    )
