#!/usr/bin/python3
"""Fits the same points with the same weights from the same start values by scipy's least
squares and by our engine, one fit each, as the operator runs it.

Run with Debian's interpreter, which has python3-scipy:
    /usr/bin/python3 tests/bench/analysis/scipy_compare.py BUILD/tests/bench/analysis/fit_points

For Lorentzian, Gaussian, DHO (on either side of zero frequency) and the DHO convolved with a known response, from the guessed
start and from hard starts (centre a few widths off, width two to three times too large), on
Poisson spectra:
  * the engine ends with success, and its parameters and errors (absolute sigma) agree with the
    minimum scipy reaches from the same start values to 1e-6 relative;
  * on the first spectrum of each case the parameters lie within 3 standard errors of the truth.
Exit status 0 when every check holds; 1 when one fails or scipy is missing.
"""
import subprocess
import sys

try:
    import numpy as np
    from scipy.optimize import least_squares
except ImportError as missing:
    print(f"scipy_compare needs numpy and scipy for {sys.executable} ({missing}); "
          "scripts/install-deps.sh installs python3-numpy and python3-scipy")
    sys.exit(1)

PI = 3.141592654
FOUR_OVER_PI = 1.273239545
EIGHT_OVER_PI = 2.54647909
INV_SQRT_2PI = 0.39894228040143265
CHANNELS = 1024
RANGE = 30.0
SPACING = RANGE / (CHANNELS - 1)
KERNEL_CENTRE = 2500


def dho(x, A, nu, G):
    """Shape and its derivatives by A, nu0, Gamma."""
    x2, nu2 = x * x, nu * nu
    diff = x2 - nu2
    e = 1.0 / (diff * diff + 4.0 * G * G * x2)
    dA = FOUR_OVER_PI * G * nu2 * e
    return (A * dA, dA, EIGHT_OVER_PI * A * nu * G * e * (1.0 + 2.0 * nu2 * diff * e),
            FOUR_OVER_PI * A * nu2 * e * (1.0 - 8.0 * G * G * x2 * e))


def lorentzian(x, A, nu, G):
    dx = x - nu
    d = dx * dx + G * G
    return (A * G / (PI * d), G / (PI * d), 2.0 * A * G * dx / (PI * d * d),
            (A / PI) * (1.0 / d - 2.0 * G * G / (d * d)))


def gaussian(x, A, nu, G):
    dx = x - nu
    g = np.exp(-0.5 * (dx / G) ** 2)
    return (A * INV_SQRT_2PI * g / G, INV_SQRT_2PI * g / G, A * INV_SQRT_2PI * g * dx / G ** 3,
            A * INV_SQRT_2PI * g * (dx * dx - G * G) / G ** 4)


def kernel(response):
    """Normalised kernel centred on the later of equal maxima: (weights, first offset)."""
    r = np.asarray(response, dtype=float)
    area = np.sum((r[:-1] + r[1:]) / 2.0)
    peak = len(r) - 1 - int(np.argmax(r[::-1]))  # 0-based, highest index among equal maxima
    return r / area, -peak


class Model:
    def __init__(self, code, response=None, subdivision=0):
        self.code = code
        self.shape = {1: dho, 2: lorentzian, 3: gaussian, 4: dho}[code]
        self.response = response
        self.subdivision = subdivision

    def evaluate(self, x, p):
        """Values and the Jacobian (points x 4)."""
        B, A, nu, G = p
        if self.code != 4:
            v, dA, dN, dG = self.shape(x, A, nu, G)
            return B + v, np.column_stack([np.ones_like(x), dA, dN, dG])
        weights, offset = kernel(self.response)
        h = self.subdivision // 2 if self.subdivision > 0 else 0
        m = 2 * h + 1
        delta = abs(x[1] - x[0])
        total = np.zeros((4, len(x)))
        base = 0.0
        for k, w in enumerate(weights):
            shift = delta * (offset + k)
            for i in range(-h, h + 1):
                parts = self.shape(x + shift + delta * i / m, A, nu, G)
                for j in range(4):
                    total[j] += w / m * parts[j]
            base += w
        return B * base + total[0], np.column_stack([np.ones_like(x), total[1], total[2], total[3]])


def frequencies(first, last):
    return (np.arange(first, last + 1) - CHANNELS // 2) * SPACING


def sigmas(y):
    root = np.sqrt(np.maximum(y, 0.0))
    return np.where(root > 1.0, root, 1.0)


def run_engine(fit_points, model, x, y, start, max_iterations=200):
    """(start values used, parameters, errors, cycles, error text or None)."""
    lines = [f"{model.code} {model.subdivision} {max_iterations} "
             f"{0 if model.response is None else len(model.response)}",
             " ".join(repr(float(v)) for v in start)]
    if model.response is not None:
        lines.append(" ".join(repr(float(r)) for r in model.response))
    lines += [f"{a!r} {b!r}" for a, b in zip(x, y)]
    out = subprocess.run([fit_points], input="\n".join(lines) + "\n", capture_output=True,
                         text=True, check=False).stdout
    fields = {line.split()[0]: line.split()[1:] for line in out.splitlines() if line}
    error = " ".join(fields["error"]) if "error" in fields else None
    return (np.array([float(v) for v in fields["start"]]),
            np.array([float(v) for v in fields["params"]]),
            np.array([float(v) for v in fields["errors"]]), int(fields["cycles"][0]), error)


def normalised(model, x, p):
    """Of equal curves the engine reports the positive width and the DHO frequency on the side
    of the data window."""
    B, A, nu, G = p
    if G < 0:
        A, G = -A, -G
    inside = lambda v: x.min() <= v <= x.max()
    if model.code in (1, 4) and not inside(nu) and inside(-nu):
        nu = -nu
    return np.array([B, A, nu, G])


def run_scipy(model, x, y, start):
    s = sigmas(y)

    def residuals(p):
        return (y - model.evaluate(x, p)[0]) / s

    def jacobian(p):
        return -model.evaluate(x, p)[1] / s[:, None]

    fit = least_squares(residuals, start, jac=jacobian, method="lm", xtol=1e-15, ftol=1e-15,
                        gtol=1e-15, max_nfev=10000)
    j = jacobian(fit.x)
    covariance = np.linalg.inv(j.T @ j)  # absolute sigma: no scaling by the reduced chi-square
    return normalised(model, x, fit.x), np.sqrt(np.abs(np.diag(covariance)))


def relative(a, b):
    return np.max(np.abs(a - b) / np.abs(b))


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    fit_points = sys.argv[1]
    rng = np.random.default_rng(20261210)
    response = np.exp(-0.5 * (np.arange(-60, 61) * SPACING / 0.4) ** 2) * 1000.0
    # Counts well above the number of points: weights of sqrt(counts) pull the baseline down
    # by about one count, which must stay small beside its standard error.
    lines = [
        ("Lorentzian", Model(2), (2000.0, 4000.0, 2.0, 0.25), (540, 620)),
        ("Gaussian", Model(3), (1500.0, 6000.0, -3.0, 0.35), (380, 520)),
        ("DHO", Model(1), (1000.0, 9000.0, 6.0, 0.3), (630, 790)),
        ("DHO, x < 0", Model(1), (1000.0, 9000.0, -6.0, 0.3), (234, 394)),
        ("convolved DHO", Model(4, response, 3), (1000.0, 9000.0, 6.0, 0.3), (600, 820)),
    ]
    # Start values as the operator types them into the guessed ones: (centre offset in widths,
    # width factor); None keeps all four guesses.
    starts = [("guessed", None), ("+3 widths, 2.5x", (3.0, 2.5)), ("-2 widths, 3x", (-2.0, 3.0))]
    trials = 3
    failures = 0
    print("one fit from the same start values; relative differences from scipy "
          "(least_squares, method lm, tolerances 1e-15)")
    print(f"{'model':14} {'start':16} {'trial':>5} {'cycles':>6} {'params':>10} {'errors':>10} "
          f"{'max pull':>9}")
    worst = [0.0, 0.0]
    for name, model, truth, (first, last) in lines:
        x = frequencies(first, last)
        mean = model.evaluate(x, np.array(truth))[0]
        spectra = [rng.poisson(mean).astype(float) for _ in range(trials)]
        for start_name, offset in starts:
            given = (0.0, 0.0, 0.0, 0.0) if offset is None else (
                0.0, 0.0, truth[2] + offset[0] * truth[3], truth[3] * offset[1])
            for trial, y in enumerate(spectra):
                start, ours, our_errors, cycles, error = run_engine(fit_points, model, x, y, given)
                theirs, their_errors = run_scipy(model, x, y, start)
                figures = [relative(ours, theirs), relative(our_errors, their_errors)]
                worst = [max(a, b) for a, b in zip(worst, figures)]
                pull = np.max(np.abs(ours - np.array(truth)) / our_errors)
                ok = (error is None and figures[0] <= 1e-6 and figures[1] <= 1e-6
                      and (trial > 0 or pull < 3.0))
                failures += not ok
                print(f"{name:14} {start_name:16} {trial:5d} {cycles:6d} " +
                      " ".join(f"{f:10.2g}" for f in figures) + f" {pull:9.2f}" +
                      ("" if ok else "   FAIL") + ("" if error is None else f"  ({error})"))
    print("worst: params %.2g errors %.2g" % tuple(worst))
    print("all checks hold" if failures == 0 else f"{failures} case(s) failed")
    return 0 if failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
