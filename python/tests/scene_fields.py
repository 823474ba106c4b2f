"""What the scene tests share: the hologram plane's axes, the point sum in
double precision, and points on a plane's pixels."""

import numpy as np

PITCH = 8e-6
WAVELENGTH = 633e-9


def plane_axes(rows, columns, pitch):
    """x along a row and y down a column, in metres, as the hologram lays
    its values out."""
    x = (np.arange(columns) - (columns - 1) / 2.0) * pitch
    y = (np.arange(rows) - (rows - 1) / 2.0) * pitch
    return x[np.newaxis, :], y[:, np.newaxis]


def double_sum(positions, amplitudes, rows, columns, pitch, wavelength, panel_limit):
    """U = sum_j a_j / r_j exp(i k r_j) in double precision, a point lighting
    only where rho / r <= wavelength / (2 pitch) under the panel's limit."""
    k = 2 * np.pi / wavelength
    x, y = plane_axes(rows, columns, pitch)
    field = np.zeros((rows, columns), complex)
    for (px, py, pz), a in zip(positions, amplitudes):
        rho2 = (x - px) ** 2 + (y - py) ** 2
        r = np.sqrt(rho2 + pz * pz)
        lit = rho2 <= (wavelength / (2 * pitch)) ** 2 * r * r if panel_limit else True
        field += np.where(lit, a / r * np.exp(1j * k * r), 0)
    return field


# A plane whose padded window holds every frequency its pitch does for
# points 4.6 to 5 cm away (z <= 2 C p^2 / wavelength), near its centre.
SIDE = 256


def on_pixel(column, row, z):
    return [(column - (SIDE - 1) / 2) * PITCH, (row - (SIDE - 1) / 2) * PITCH, z]
