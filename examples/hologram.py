#!/usr/bin/python3
"""A letter's hologram with the marbleck package, cell by cell (a notebook
opens the # %% cells):

    python3 examples/hologram.py [OUTPUT_FOLDER]

Plots the hologram and its reconstruction with Matplotlib when it is
installed and there is a display; otherwise, or with OUTPUT_FOLDER, writes
them as PNG files there (default: the current folder).
"""

# %%
import os
import struct
import sys
import zlib

import numpy as np

import marbleck

output = sys.argv[1] if len(sys.argv) > 1 else "."
os.makedirs(output, exist_ok=True)

# %% [markdown]
# The object: a letter F on a 64 x 64 canvas, rows first (row 0 at the top).

# %%
size = 64
letter = np.zeros((size, size), dtype=bool)
letter[12:52, 20:26] = True  # the stem
letter[12:18, 20:46] = True  # the top bar
letter[29:35, 20:40] = True  # the middle bar

# %% [markdown]
# Its hologram at four repetitions, the fast engine, random phases with a
# fixed seed; then binarized to black and white, judged by its reconstruction.

# %%
reps = 4
field = marbleck.hologram(letter, reps, random_phase=True, seed=1, engine="fast")
binary = marbleck.binarize(field, "optimised", obj=letter, reps=reps, budget=1.0)
picture = marbleck.reconstruct(binary)
print(f"hologram {field.shape[1]} x {field.shape[0]} values, {int(letter.sum())} points")
record = binary.optimisation
print("balanced: ", record.before)
print("optimised:", marbleck.figures(binary, letter, reps), f"after {record.iterations} steps")
print(marbleck.physical(600, shape=field.shape))

# %% [markdown]
# The reconstruction in decibels below its brightest bin, 30 dB shown.

# %%
decibels = 10 * np.log10(np.maximum(picture, 1e-30) / picture.max())
reconstruction_db = np.clip(1 + decibels / 30, 0, 1)


# %%
def write_png(path, grey):
    """An 8-bit grey PNG of a uint8 array, rows first, with the standard library."""
    rows, columns = grey.shape

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    lines = b"".join(b"\0" + grey[row].tobytes() for row in range(rows))
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", columns, rows, 8, 0, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(lines)))
        out.write(chunk(b"IEND", b""))


try:
    import matplotlib

    if len(sys.argv) > 1:
        matplotlib.use("Agg")
    import matplotlib.pyplot as plt
except ImportError:
    plt = None

# Matplotlib falls back to a backend that only writes files where there is
# no display (a server, a container): its figures are then written too.
FILE_BACKENDS = {"agg", "cairo", "pdf", "pgf", "ps", "svg", "template"}
shown = plt is not None and len(sys.argv) == 1 and matplotlib.get_backend().lower() not in FILE_BACKENDS

if plt is not None:
    figure, axes = plt.subplots(1, 3, figsize=(12, 4))
    for axis, image, title in zip(axes, [field, binary, reconstruction_db], ["hologram", "binarized", "reconstruction"]):
        axis.imshow(image, cmap="gray", vmin=0, vmax=1)
        axis.set_title(title)
        axis.axis("off")
    if shown:
        plt.show()
    else:
        path = os.path.join(output, "hologram-figure.png")
        figure.savefig(path)
        print("wrote", path)
if not shown:
    for name, image in [("hologram", field), ("binarized", binary), ("reconstruction", reconstruction_db)]:
        path = os.path.join(output, f"{name}.png")
        write_png(path, marbleck.grey_levels(image))
        print("wrote", path)
