"""The scene options Python and the command line share: a colour-plus-depth
picture's points at an object pitch of their own and the layer method's
occlusion give the command line's field, read back from its NumPy file."""

import os
import subprocess

import numpy as np
import pytest

import marbleck

ROWS, COLUMNS = 12, 16
LIT = np.zeros((ROWS, COLUMNS), dtype=bool)
LIT[2:10, 3:14] = True
# A near square in front of a far frame.
DEPTH = np.full((ROWS, COLUMNS), 255, dtype=np.uint8)
DEPTH[4:8, 6:11] = 0


def write_pictures(folder):
    colour = np.where(LIT[..., np.newaxis], 255, 0).astype(np.uint8).repeat(3, axis=2)
    with open(folder / "colour.ppm", "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (COLUMNS, ROWS) + colour.tobytes())
    with open(folder / "depth.pgm", "wb") as out:
        out.write(b"P5\n%d %d\n255\n" % (COLUMNS, ROWS) + DEPTH.tobytes())
    return colour


@pytest.mark.parametrize(
    "object_pitch, occlusion",
    [(None, False), (20e-6, False), (20e-6, True)],
    ids=["hologram-pitch", "object-pitch", "object-pitch-occlusion"],
)
def test_depth_picture_field_as_the_command_line_makes_it(tmp_path, object_pitch, occlusion):
    cli = os.environ.get("MARBLECK_CLI")
    if not cli:
        pytest.skip("MARBLECK_CLI names no marbleck-cli to compare with")
    colour = write_pictures(tmp_path)
    options = ["--near", "0.02", "--far", "0.03", "--size", "48x40", "--pitch", "8", "--wavelength", "633",
               "--method", "layers", "--encode", "complex"]
    if object_pitch:
        options += ["--object-pitch", f"{object_pitch * 1e6:g}"]
    if occlusion:
        options.append("--occlusion")
    subprocess.run([cli, str(tmp_path / "colour.ppm"), "--depth-map", str(tmp_path / "depth.pgm"), *options,
                    "-o", str(tmp_path / "u.npy"), "--quiet"], check=True, timeout=120)
    made = np.load(tmp_path / "u.npy")

    points = marbleck.rgbd_points(colour, DEPTH, 0.02, 0.03, pitch=object_pitch or 8e-6)
    field = marbleck.point_hologram(points, (40, 48), 8e-6, 633e-9, method="layers", occlusion=occlusion,
                                    encode="complex")
    assert made.shape == field.shape == (40, 48)
    np.testing.assert_allclose(made, field, rtol=0, atol=1e-5 * np.abs(field).max())


def test_object_pitch_and_occlusion_change_the_field(tmp_path):
    # The comparison above means something only where the options matter.
    colour = write_pictures(tmp_path)
    fields = [marbleck.point_hologram(marbleck.rgbd_points(colour, DEPTH, 0.02, 0.03, pitch=pitch), (40, 48),
                                      8e-6, 633e-9, method="layers", occlusion=occlusion, encode="complex")
              for pitch, occlusion in [(8e-6, False), (20e-6, False), (20e-6, True)]]
    largest = np.abs(fields[0]).max()
    assert np.abs(fields[1] - fields[0]).max() > 0.1 * largest
    assert np.abs(fields[2] - fields[1]).max() > 0.05 * largest
