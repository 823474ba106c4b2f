"""Objects the tests share."""

import numpy as np


def letter(rows, columns):
    """A lopsided letter L with a dot, so that any flip or transposition shows."""
    lit = np.zeros((rows, columns), dtype=bool)
    lit[1 : rows - 1, 2] = True
    lit[rows - 2, 2 : columns - 1] = True
    lit[1, columns - 2] = True
    return lit
