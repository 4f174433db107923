"""Quantiles, distribution function and moments of the fitted families, computed with
scipy as an independent reference for the program's own functions, and the program's
Python formulas evaluated as they are.

Reads a JSON list of cases on stdin; each case has the family, the GF parameters
(q, m1, m2, lambda, p), the probabilities u, the points x and the Python formula.
Writes a JSON list with, per case, the quantiles at u, the distribution function at x,
the mean and the SD (null where they do not exist) and the formula's values at u.
"""
import json
import math
import sys

import scipy.stats
from scipy import integrate


def frozen(case):
    q, m1, lam, p = case["q"], case["m1"], case["lambda"], case["p"]
    family = case["family"]
    if family == "Lognormal":
        return scipy.stats.lognorm(s=1 / p, loc=q, scale=1 / lam)
    if family == "Gamma":
        return scipy.stats.gamma(a=m1, loc=q, scale=1 / (m1 * lam))
    if family == "Weibull":
        return scipy.stats.weibull_min(c=p, loc=q, scale=1 / lam)
    if family == "LogLogistic":
        return scipy.stats.fisk(c=p, loc=q, scale=1 / lam)
    if family == "Exponential":
        return scipy.stats.expon(loc=q, scale=1 / lam)
    return None


def general_f(case):
    """X = q + (1/lambda) * Y^(1/p) with Y ~ F(2 m1, 2 m2), by its definition."""
    q, m1, m2, lam, p = case["q"], case["m1"], case["m2"], case["lambda"], case["p"]
    f = scipy.stats.f(2 * m1, 2 * m2)

    def ppf(u):
        return q + f.ppf(u) ** (1 / p) / lam

    def cdf(x):
        return 0.0 if x <= q else f.cdf((lam * (x - q)) ** p)

    def raw(k):
        # E[(X - q)^k] by numerical integration over the F density; none where the
        # integral diverges (m2 * p <= k).
        if m2 * p <= k:
            return None
        value, _ = integrate.quad(lambda y: y ** (k / p) * f.pdf(y), 0, math.inf,
                                  epsabs=0, epsrel=1e-12, limit=500)
        return value / lam ** k

    first, second = raw(1), raw(2)
    mean = None if first is None else q + first
    sd = None if second is None else math.sqrt(max(0.0, second - first * first))
    return ppf, cdf, mean, sd


def main():
    results = []
    for case in json.load(sys.stdin):
        dist = frozen(case)
        if dist is None:
            ppf, cdf, mean, sd = general_f(case)
        else:
            ppf, cdf = dist.ppf, dist.cdf
            mean, sd = float(dist.mean()), float(dist.std())
            mean = mean if math.isfinite(mean) else None
            sd = sd if math.isfinite(sd) else None
        formula = eval("lambda u: " + case["python"], {"scipy": scipy})
        results.append({
            "quantiles": [float(ppf(u)) for u in case["u"]],
            "cdf": [float(cdf(x)) for x in case["x"]],
            "mean": mean,
            "sd": sd,
            "formula": [float(formula(u)) for u in case["u"]],
        })
    json.dump(results, sys.stdout)


if __name__ == "__main__":
    main()
