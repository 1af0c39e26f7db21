"""The Vantrel: a trend, the oscillation around it, ten waves and a remainder."""

from typing import Literal, Sequence, Union

import numpy as np
import numpy.typing as npt

ModelName = Literal["linear", "logarithmic", "exponential", "power"]
PerWave = Union[float, Sequence[float], None]

class RefusedError(ValueError):
    """The series was refused; the message says why."""

class AnalysisError(ArithmeticError):
    """The arithmetic of the analysis failed (an overflow, a logarithm of zero)."""

class Decomposition:
    """The result of decompose(); every array has one value a point."""

    data: npt.NDArray[np.float64]
    trend: npt.NDArray[np.float64]
    oscillation: npt.NDArray[np.float64]
    waves: npt.NDArray[np.float64]
    remainder: npt.NDArray[np.float64]
    model: str
    a: float
    b: float
    d: list[float]
    i: list[float]
    def long_rows(self, series: str) -> str:
        """The lines of vantrel-batch's --long table for this result, named `series`."""
    def to_frame(self): ...

LONG_HEADER: str

def decompose(
    values: npt.ArrayLike,
    *,
    model: ModelName = "linear",
    amplitude: bool = True,
    wavelength: bool = True,
    d: PerWave = None,
    i: PerWave = None,
    max_points: int = 1500,
) -> Decomposition: ...
def decompose_many(
    series: Union[Sequence[npt.ArrayLike], npt.NDArray[np.floating]],
    *,
    jobs: int | None = None,
    model: ModelName = "linear",
    amplitude: bool = True,
    wavelength: bool = True,
    d: PerWave = None,
    i: PerWave = None,
    max_points: int = 1500,
) -> list[Decomposition]: ...
