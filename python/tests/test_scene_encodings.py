"""The amplitude encoding of a scene hologram with its reference wave's angle
in degrees, as the command line's --reference-angle takes it: the fringes at
the angle's frequency, and the angles the pitch cannot carry refused."""

import math

import numpy as np
import pytest

import marbleck

PITCH = 8e-6
WAVELENGTH = 633e-9
# A point so far away that its wave is plane over the hologram: the amplitude
# hologram is the reference's fringes alone.
FAR = np.array([[0.0, 0.0, 100.0]])
ROWS, COLUMNS = 48, 64


def degrees_for(bins, side):
    """The angle whose fringes make `bins` cycles over `side` pixels."""
    return math.degrees(math.asin(bins * WAVELENGTH / (side * PITCH)))


def spectrum_peak(values):
    """The strongest bin of the spectrum away from its centre, as signed
    (kx, ky) in bins."""
    spectrum = np.abs(np.fft.fft2(values - values.mean()))
    ky, kx = np.unravel_index(np.argmax(spectrum), spectrum.shape)
    signed = lambda k, n: k - n if k >= n // 2 else k
    return signed(kx, values.shape[1]), signed(ky, values.shape[0])


@pytest.mark.parametrize(
    "angle, bins",
    [
        (None, (16, 0)),
        (degrees_for(10, COLUMNS), (10, 0)),
        ((degrees_for(-7, COLUMNS), degrees_for(6, ROWS)), (-7, 6)),
    ],
    ids=["default", "along-x", "both-ways"],
)
def test_reference_angle_sets_the_fringes(angle, bins):
    hologram = marbleck.point_hologram(FAR, (ROWS, COLUMNS), PITCH, WAVELENGTH, encode="amplitude",
                                       reference_angle=angle, nthreads=1)
    assert hologram.dtype == np.float32 and hologram.shape == (ROWS, COLUMNS)
    assert hologram.min() == 0 and hologram.max() == 1
    peak = spectrum_peak(np.asarray(hologram, dtype=np.float64))
    # A real pattern's peak and its mirror are equal: either may win.
    assert peak in (bins, (-bins[0], -bins[1]))


@pytest.mark.parametrize(
    "keywords, message",
    [
        ({"encode": "amplitude", "reference_angle": 2.5},
         "reference_angle 2.5 gives fringes finer than a pitch of 8 um carries at 633 nm"),
        # Each field is encoded at its own wavelength: the shortest bounds it.
        ({"encode": "amplitude", "reference_angle": (1.7, 0), "wavelength": [633e-9, 450e-9]},
         "reference_angle 1.7 gives fringes finer than a pitch of 8 um carries at 450 nm"),
        ({"encode": "phase", "reference_angle": 1}, "reference_angle is the amplitude encoding's"),
        ({"encode": "amplitude", "reference_angle": 1, "reference": (0.01, 0)}, "not both"),
        ({"encode": "amplitude", "reference_angle": (1, 2, 3)}, "(along x, along y)"),
        ({"encode": "amplitude", "reference_angle": 90}, "under 90 degrees"),
        ({"encode": "amplitude", "reference_angle": "1"}, "reference_angle must be a number of degrees"),
    ],
    ids=["beyond-pitch", "shortest-wavelength", "not-amplitude", "both", "three", "ninety", "text"],
)
def test_reference_angles_refused(keywords, message):
    keywords = dict(keywords)
    wavelength = keywords.pop("wavelength", WAVELENGTH)
    with pytest.raises(ValueError, match=message.replace("(", r"\(").replace(")", r"\)")):
        marbleck.point_hologram(FAR, (8, 8), PITCH, wavelength, nthreads=1, **keywords)
