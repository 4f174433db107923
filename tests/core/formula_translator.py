"""Evaluates quantile formulas as written, for the check of the program's formulas.

Reads a JSON object {"u": [...], "formulas": [{"language": ..., "text": ...}, ...]} on
stdin and writes a JSON list with, per formula, its values at u (null where the
formula fails). Languages:

- "python": the expression itself, with scipy imported, u a numpy array.
- "excel" / "excel_local": an Excel cell formula that reads the uniform number from a
  cell named u; the local form has ";" between arguments and a decimal comma. Its
  worksheet functions are mapped to scipy with Excel's documented parameters.
- "atrisk": an @RISK cell formula; each distribution function is replaced by its
  u-quantile (the expression around it is monotone in it), with @RISK's documented
  parameters.
"""
import json
import math
import re
import sys

import numpy
import scipy.stats as st

EXCEL = {
    "LOGNORM_INV": lambda p, mu, s: st.lognorm.ppf(p, s, scale=math.exp(mu)),
    "GAMMA_INV": lambda p, a, b: st.gamma.ppf(p, a, scale=b),
    "BETA_INV": lambda p, a, b: st.beta.ppf(p, a, b),
    "F_INV": lambda p, d1, d2: st.f.ppf(p, d1, d2),
    "LN": numpy.log,
}


def shift(extra):
    return sum(value for kind, value in extra if kind == "shift")


def risk_functions(u):
    return {
        "RiskShift": lambda q: ("shift", q),
        # RiskLognorm2(mu, sigma): ln X ~ N(mu, sigma).
        "RiskLognorm2": lambda mu, s, *e: st.lognorm.ppf(u, s, scale=math.exp(mu)) + shift(e),
        # RiskGamma(alpha, beta): shape alpha, scale beta.
        "RiskGamma": lambda a, b, *e: st.gamma.ppf(u, a, scale=b) + shift(e),
        # RiskWeibull(alpha, beta): shape alpha, scale beta.
        "RiskWeibull": lambda a, b, *e: st.weibull_min.ppf(u, a, scale=b) + shift(e),
        # RiskLogLogistic(gamma, beta, alpha): location, scale, shape.
        "RiskLogLogistic": lambda g, b, a, *e: g + st.fisk.ppf(u, a, scale=b) + shift(e),
        # RiskExpon(beta): mean beta.
        "RiskExpon": lambda b, *e: st.expon.ppf(u, scale=b) + shift(e),
        # RiskPearson6(alpha1, alpha2, beta): beta times a beta-prime(alpha1, alpha2)
        # variable, B / (1 - B) with B ~ Beta(alpha1, alpha2). scipy's betaprime takes
        # 1 - B as 1 minus the beta quantile, which loses digits in a heavy upper tail;
        # here 1 - B is the complementary quantile of Beta(alpha2, alpha1).
        "RiskPearson6": lambda a1, a2, b, *e: (
            b * (st.beta.ppf(u, a1, a2) / st.beta.isf(u, a2, a1)) + shift(e)),
    }


def python_of_excel(text, local):
    if not text.startswith("="):
        raise ValueError("an Excel formula starts with =")
    body = text[1:]
    if local:
        body = body.replace(",", ".").replace(";", ",")
    body = re.sub(r"\b([A-Z]+)\.INV\(", r"\1_INV(", body)
    return body.replace("^", "**")


def evaluate(language, text, u):
    if language == "python":
        return eval(text, {"scipy": __import__("scipy"), "u": u})
    if language in ("excel", "excel_local"):
        return eval(python_of_excel(text, language == "excel_local"), dict(EXCEL, u=u))
    if language == "atrisk":
        if not text.startswith("="):
            raise ValueError("an @RISK formula starts with =")
        return eval(text[1:].replace("^", "**"), risk_functions(u))
    raise ValueError("unknown language " + language)


def main():
    request = json.load(sys.stdin)
    u = numpy.array(request["u"], dtype=float)
    results = []
    for formula in request["formulas"]:
        try:
            values = numpy.broadcast_to(evaluate(formula["language"], formula["text"], u), u.shape)
            results.append([float(v) if math.isfinite(v) else None for v in values])
        except Exception as error:  # reported per formula, the test names it
            results.append(str(error))
    json.dump(results, sys.stdout)


if __name__ == "__main__":
    main()
