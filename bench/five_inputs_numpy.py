#!/usr/bin/python3
"""The five-input scenario of bench/scenarios/five_inputs.vscenario.json in vectorised
numpy/scipy: the same Latin hypercube design, the same distributions (the two GF fits of
the sample as F quantiles), the same summary (percentiles, order-statistic intervals of
P95 and P99, Spearman sensitivities). The yardstick of the scenario benchmark."""
import numpy as np
from scipy import stats

N = 1_000_000
rng = np.random.default_rng(20261211)


def lhs():
    return (rng.permutation(N) + rng.random(N)) / N


def generalf(u, q, m1, m2, lam, p):
    return q + (1 / lam) * stats.f(2 * m1, 2 * m2).ppf(u) ** (1 / p)


BW = generalf(lhs(), 0, 100, 100, 0.0138965, 0.88601)
IR = generalf(lhs(), 0, 100, 100, 0.0863584, 0.877209)
C = np.exp(np.log(30) + np.log(2.5) * stats.norm.ppf(lhs()))
u = lhs()
a, m, b = 0.1, 0.5, 1.0
F = np.where(u < (m - a) / (b - a), a + np.sqrt(u * (b - a) * (m - a)),
             b - np.sqrt((1 - u) * (b - a) * (b - m)))
dose = C * IR * F * 0.8 / BW
levels = [0.01, 0.05, 0.10, 0.25, 0.5, 0.75, 0.90, 0.95, 0.975, 0.99, 0.999]
percentiles = np.percentile(dose, [100 * x for x in levels])
order = np.sort(dose)
intervals = []
for level in (0.95, 0.99):
    low = int(stats.binom.ppf(0.025, N, level))
    high = int(stats.binom.ppf(0.975, N, level)) + 1
    intervals.append((order[low - 1], order[high - 1]))
sensitivity = [stats.spearmanr(x, dose)[0] for x in (BW, IR, C, F)]
print(dose.mean(), dose.std(ddof=1), *percentiles, *np.ravel(intervals), *sensitivity)
