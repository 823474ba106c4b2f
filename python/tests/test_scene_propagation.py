"""Scenes carried by the angular spectrum: the layer method against the
point sum, occlusion, propagation, the refocus at any depth and its
figures."""

import numpy as np
import pytest

import marbleck
from scene_fields import PITCH, SIDE, WAVELENGTH, on_pixel

ONE = np.array([[0.0, 0.0, 0.1]])


LAYERED = np.array([on_pixel(110, 120, 0.046), on_pixel(140, 150, 0.048), on_pixel(127, 131, 0.05),
                    on_pixel(150, 106, 0.046)])
# Green light's finest fringes span less of the plane: points farther away
# and nearer its centre keep them over all of it.
GREEN_LAYERED = np.array([on_pixel(125, 130, 0.052), on_pixel(131, 127, 0.056), on_pixel(128, 124, 0.06),
                          on_pixel(127, 128, 0.052)])
GREEN_COLOURS = np.array([[1, 0.5, 0], [0.2, 1, 0], [0.7, 0.7, 0.7], [0, 0.3, 1]], np.float32)


@pytest.mark.parametrize(
    "positions, colours, wavelength",
    [(LAYERED, None, WAVELENGTH), (GREEN_LAYERED, GREEN_COLOURS, 520e-9)],
    ids=["grey", "green-channel"],
)
def test_layer_method_agrees_with_the_point_sum(positions, colours, wavelength):
    def scene(where):
        return where if colours is None else marbleck.Points(where, colours, True)

    # What stays is the ringing of the padded grid's square band edge.
    exact = marbleck.point_hologram(scene(positions), (SIDE, SIDE), PITCH, wavelength)
    layered = marbleck.point_hologram(scene(positions), (SIDE, SIDE), PITCH, wavelength, method="layers")
    assert layered.dtype == np.complex64 and layered.shape == (SIDE, SIDE)
    assert np.abs(layered - exact).max() < 2.5e-2 * np.abs(exact).max()
    # One layer takes every point to the middle depth.
    middle = positions.copy()
    middle[:, 2] = (positions[:, 2].min() + positions[:, 2].max()) / 2
    one = marbleck.point_hologram(scene(positions), (SIDE, SIDE), PITCH, wavelength, method="layers", layers=1)
    at_middle = marbleck.point_hologram(scene(middle), (SIDE, SIDE), PITCH, wavelength)
    assert np.abs(one - at_middle).max() < 2.5e-2 * np.abs(at_middle).max()
    assert np.abs(one - exact).max() > 0.1 * np.abs(exact).max()


@pytest.mark.parametrize("centre, hidden", [(48, True), (16, False)], ids=["covering", "aside"])
def test_occlusion_hides_what_is_behind_a_silhouette(centre, hidden):
    # A bright point 6 cm away and a black disc of points 5.5 cm away: with
    # occlusion the disc holds back the light of the point behind it.
    rows, columns = np.indices((80, 96))
    disc = (np.hypot(columns - centre, rows - 40) < 8).ravel()
    x, y = ((columns - 47.5) * PITCH).ravel()[disc], ((rows - 39.5) * PITCH).ravel()[disc]
    points = np.vstack([[0.5 * PITCH, 0.5 * PITCH, 0.06, 1.0],
                        np.column_stack([x, y, np.full(len(x), 0.055), np.zeros(len(x))])])
    energy = [np.sum(np.abs(marbleck.point_hologram(points, (80, 96), PITCH, WAVELENGTH, method="layers",
                                                    occlusion=occlusion)) ** 2) for occlusion in (False, True)]
    assert energy[1] < 0.2 * energy[0] if hidden else abs(energy[1] / energy[0] - 1) < 0.05


@pytest.mark.parametrize("point", [on_pixel(128, 128, 0.046), on_pixel(100, 140, 0.05), on_pixel(150, 120, 0.03)])
def test_a_points_field_taken_back_focuses_on_its_pixel(point):
    field = marbleck.point_hologram(np.array([point]), (SIDE, SIDE), PITCH, WAVELENGTH)
    focused = np.abs(marbleck.propagate(field, -point[2], PITCH, WAVELENGTH)) ** 2
    row, column = np.unravel_index(focused.argmax(), focused.shape)
    assert (row, column) == (round(point[1] / PITCH + (SIDE - 1) / 2), round(point[0] / PITCH + (SIDE - 1) / 2))
    # refocus() shows the same picture, at the point's depth.
    assert np.allclose(marbleck.refocus(field, point[2], PITCH, WAVELENGTH), focused, rtol=1e-3,
                       atol=1e-6 * focused.max())


def test_propagation_there_and_back_gives_the_field_again():
    # A smooth beam well inside the plane, whose spectrum the band keeps.
    rows, columns = np.indices((96, 128))
    beam = np.exp(-((rows - 50) ** 2 + (columns - 60) ** 2) / (2 * 6.0**2)) * np.exp(0.3j * columns)
    away = marbleck.propagate(beam, 0.003, PITCH, WAVELENGTH)
    assert away.dtype == np.complex64 and away.shape == beam.shape
    assert np.abs(away - beam).max() > 0.1
    back = marbleck.propagate(away, -0.003, PITCH, WAVELENGTH, nthreads=1)
    assert np.abs(back - beam).max() < 1e-4
    # No distance, no change.
    assert np.abs(marbleck.propagate(beam, 0.0, PITCH, WAVELENGTH) - beam).max() < 1e-5


def test_focal_stack_shows_each_point_at_its_own_depth():
    points = np.array([on_pixel(110, 120, 0.046), on_pixel(140, 150, 0.05)])
    field = marbleck.point_hologram(points, (SIDE, SIDE), PITCH, WAVELENGTH)
    stack = marbleck.refocus(field, [0.046, 0.05], PITCH, WAVELENGTH, scale="linear")
    assert stack.shape == (2, SIDE, SIDE) and stack.dtype == np.float32 and stack.max() == 1
    for picture, (x, y, _), other in zip(stack, points, points[::-1]):
        row, column = (round(v / PITCH + (SIDE - 1) / 2) for v in (y, x))
        other_row, other_column = (round(v / PITCH + (SIDE - 1) / 2) for v in (other[1], other[0]))
        assert np.unravel_index(picture.argmax(), picture.shape) == (row, column)
        # The other point, out of focus, is spread.
        assert picture[other_row, other_column] < 0.05 * picture[row, column]
    # The log picture: decades of the one maximum, the darkest 0.
    log = marbleck.refocus(field, [0.046, 0.05], PITCH, WAVELENGTH, scale="log", decades=2)
    expected = np.clip(1 + np.log10(np.maximum(stack, 1e-30)) / 2, 0, 1)
    assert np.abs(log - expected).max() < 1e-4 and log.max() == 1


def test_colour_refocus_shows_each_point_in_its_colour():
    points = marbleck.Points(np.array([on_pixel(110, 120, 0.05), on_pixel(140, 150, 0.05)]),
                             np.array([[1, 0, 0], [0, 0, 1]], np.float32), True)
    fields = marbleck.point_hologram(points, (SIDE, SIDE), PITCH, marbleck.COLOUR_WAVELENGTHS)
    picture = marbleck.colour_refocus(fields, 0.05, PITCH, marbleck.COLOUR_WAVELENGTHS)
    assert picture.shape == (SIDE, SIDE, 3) and picture.dtype == np.float32 and picture.max() == 1
    red, blue = picture[120, 110], picture[150, 140]
    assert red.argmax() == 0 and red[2] < 1e-3 * red[0]
    assert blue.argmax() == 2 and blue[0] < 1e-3 * blue[2]
    stack = marbleck.colour_refocus(fields, [0.05, 0.04], PITCH, marbleck.COLOUR_WAVELENGTHS, scale="log")
    assert stack.shape == (2, SIDE, SIDE, 3) and np.all((stack >= 0) & (stack <= 1))
    with pytest.raises(ValueError, match="one wavelength for each field"):
        marbleck.colour_refocus(fields, 0.05, PITCH, marbleck.COLOUR_WAVELENGTHS[:2])


def test_focus_figures_find_the_points_where_they_are():
    points = np.array([on_pixel(110, 120, 0.046), on_pixel(140, 150, 0.05)])
    field = marbleck.point_hologram(points, (SIDE, SIDE), PITCH, WAVELENGTH)
    # A third point off the plane has no figure and stays out of the mean.
    figures = marbleck.focus_figures(field, np.vstack([points, [[0.01, 0, 0.05]]]), PITCH, WAVELENGTH)
    assert figures.shares.shape == (3,) and np.isnan(figures.shares[2])
    assert np.all(figures.shares[:2] > 0.3) and figures.mean == pytest.approx(figures.shares[:2].mean())
    # The same points 20 pixels aside or 1 cm deeper are out of focus.
    for shift in ([20 * PITCH, 0, 0], [0, 0, 0.01]):
        elsewhere = marbleck.focus_figures(field, points + shift, PITCH, WAVELENGTH)
        assert np.all(elsewhere.shares < 0.1 * figures.shares[:2])


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: marbleck.propagate(np.full((4, 4), np.nan), 0.01, PITCH, WAVELENGTH), "NaN"),
        (lambda: marbleck.propagate(np.ones((2, 4, 4)), 0.01, PITCH, WAVELENGTH), "rows x columns"),
        (lambda: marbleck.propagate(np.ones((4, 4)), float("inf"), PITCH, WAVELENGTH), "z"),
        (lambda: marbleck.propagate(np.ones((4, 4)), 0.01, PITCH, 633), "wavelength"),
        (lambda: marbleck.propagate(np.array([["a"]]), 0.01, PITCH, WAVELENGTH), "numbers"),
        (lambda: marbleck.refocus(np.ones((4, 4)), 0.01, PITCH, WAVELENGTH, scale="db"), "scale"),
        (lambda: marbleck.refocus(np.ones((4, 4)), [], PITCH, WAVELENGTH), "1 to 1024 depths"),
        (lambda: marbleck.point_hologram(ONE, (8, 8), PITCH, WAVELENGTH, layers=4), "layers method"),
        (lambda: marbleck.point_hologram(ONE, (8, 8), PITCH, WAVELENGTH, method="layers", panel_limit=False),
         "panel_limit"),
        (lambda: marbleck.point_hologram(ONE, (8, 8), PITCH, WAVELENGTH, method="layers", layers=0), "layers"),
    ],
    ids=["nan-field", "3-d-field", "infinite-z", "nanometres", "text", "scale", "no-depths", "layers-of-points",
         "limit-of-layers", "no-layers"],
)
def test_bad_propagation_arguments_are_refused(call, message):
    with pytest.raises(ValueError, match=message):
        call()


def test_a_focal_stack_beyond_memory_is_refused_before_any_work():
    field = np.broadcast_to(np.complex64(1), (4096, 4096))
    with pytest.raises(MemoryError, match="17 pictures of 16777216 values are more than 2\\*\\*28"):
        marbleck.refocus(field, np.linspace(0.01, 0.02, 17), PITCH, WAVELENGTH)
