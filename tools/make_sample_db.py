#!/usr/bin/env python3
"""Writes the bundled sample database of exposure-factor reference values.

The database is fictional: three hierarchy tables (headlines, topics, parameter rows)
and one data file per parameter row that has data. Every age group of a data file
draws a distribution (lognormal, gamma, Weibull, loglogistic or exponential) with
plausible parameters; its statistic fields, its moment and quantile texts and its
GF lines are all computed from that distribution, so they agree with each other and
the converted "Selected Functions" show the drawn parameters.

Standard library only, fixed seed: two runs write identical bytes.

Usage: tools/make_sample_db.py [output-directory]   (default: sample/ beside tools/)
"""

import math
import os
import random
import sys
from statistics import NormalDist

SEED = 19980228
EULER = 0.5772156649015329
STD_NORMAL = NormalDist()
CRLF = "\r\n"

# ----------------------------------------------------------------------------------
# Special functions
# ----------------------------------------------------------------------------------


def digamma(x):
    result = 0.0
    while x < 6.0:
        result -= 1.0 / x
        x += 1.0
    f = 1.0 / (x * x)
    return result + math.log(x) - 0.5 / x - f * (
        1.0 / 12 - f * (1.0 / 120 - f * (1.0 / 252 - f * (1.0 / 240 - f / 132))))


def trigamma(x):
    result = 0.0
    while x < 6.0:
        result += 1.0 / (x * x)
        x += 1.0
    f = 1.0 / (x * x)
    return result + 1.0 / x + f / 2 + f / x * (
        1.0 / 6 - f * (1.0 / 30 - f * (1.0 / 42 - f * (1.0 / 30))))


def gamma_p(a, x):
    """Regularised lower incomplete gamma function P(a, x)."""
    if x <= 0.0:
        return 0.0
    log_front = a * math.log(x) - x - math.lgamma(a)
    if x < a + 1.0:
        term = 1.0 / a
        total = term
        n = a
        for _ in range(100000):
            n += 1.0
            term *= x / n
            total += term
            if abs(term) < abs(total) * 1e-15:
                break
        return min(1.0, total * math.exp(log_front))
    # Continued fraction for Q(a, x) (modified Lentz).
    tiny = 1e-300
    b = x + 1.0 - a
    c = 1.0 / tiny
    d = 1.0 / b
    h = d
    for i in range(1, 100000):
        an = -i * (i - a)
        b += 2.0
        d = an * d + b
        d = tiny if abs(d) < tiny else d
        c = b + an / c
        c = tiny if abs(c) < tiny else c
        d = 1.0 / d
        delta = d * c
        h *= delta
        if abs(delta - 1.0) < 1e-15:
            break
    return max(0.0, 1.0 - math.exp(log_front) * h)


def _beta_cf(a, b, x):
    tiny = 1e-300
    qab = a + b
    qap = a + 1.0
    qam = a - 1.0
    c = 1.0
    d = 1.0 - qab * x / qap
    d = tiny if abs(d) < tiny else d
    d = 1.0 / d
    h = d
    for m in range(1, 100000):
        m2 = 2 * m
        aa = m * (b - m) * x / ((qam + m2) * (a + m2))
        d = 1.0 + aa * d
        d = tiny if abs(d) < tiny else d
        c = 1.0 + aa / c
        c = tiny if abs(c) < tiny else c
        d = 1.0 / d
        h *= d * c
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2))
        d = 1.0 + aa * d
        d = tiny if abs(d) < tiny else d
        c = 1.0 + aa / c
        c = tiny if abs(c) < tiny else c
        d = 1.0 / d
        delta = d * c
        h *= delta
        if abs(delta - 1.0) < 1e-15:
            break
    return h


def beta_i(a, b, x):
    """Regularised incomplete beta function I_x(a, b)."""
    if x <= 0.0:
        return 0.0
    if x >= 1.0:
        return 1.0
    log_front = (math.lgamma(a + b) - math.lgamma(a) - math.lgamma(b)
                 + a * math.log(x) + b * math.log1p(-x))
    if x < (a + 1.0) / (a + b + 2.0):
        return math.exp(log_front) * _beta_cf(a, b, x) / a
    return 1.0 - math.exp(log_front) * _beta_cf(b, a, 1.0 - x) / b


def invert(cdf, p, guess):
    """The x > 0 with cdf(x) = p, by bracketing and bisection in log space."""
    lo, hi = guess, guess
    while cdf(lo) > p:
        lo /= 2.0
    while cdf(hi) < p:
        hi *= 2.0
    for _ in range(200):
        mid = math.sqrt(lo * hi)
        if cdf(mid) < p:
            lo = mid
        else:
            hi = mid
        if hi / lo - 1.0 < 1e-13:
            break
    return math.sqrt(lo * hi)


# ----------------------------------------------------------------------------------
# Distributions
# ----------------------------------------------------------------------------------


class Lognormal:
    name = "Lognormal"

    def __init__(self, mu, sigma):
        self.mu, self.sigma = mu, sigma

    def cdf(self, x):
        return STD_NORMAL.cdf((math.log(x) - self.mu) / self.sigma) if x > 0 else 0.0

    def quantile(self, p):
        return math.exp(self.mu + self.sigma * STD_NORMAL.inv_cdf(p))

    def raw_moment(self, r):
        return math.exp(r * self.mu + 0.5 * r * r * self.sigma ** 2)

    def log_mean(self):
        return self.mu

    def log_sd(self):
        return self.sigma

    def gf_words(self):
        # Lognormal: x2 = exp(-mu), x3 = 1/sigma
        return [math.exp(-self.mu), 1.0 / self.sigma]

    def gf_degrees(self):
        return 200.0, 200.0

    def describe(self):
        return "mu = %s, sigma = %s" % (num(self.mu, 5), num(self.sigma, 4))


class Gamma:
    name = "Gamma"

    def __init__(self, shape, scale):
        self.k, self.theta = shape, scale

    def cdf(self, x):
        return gamma_p(self.k, x / self.theta) if x > 0 else 0.0

    def quantile(self, p):
        # Newton steps from the Wilson-Hilferty value; bisection when they do not settle.
        k = self.k
        c = 1.0 / (9.0 * k)
        x = k * max(1e-3, 1.0 - c + STD_NORMAL.inv_cdf(p) * math.sqrt(c)) ** 3
        for _ in range(40):
            density = math.exp((k - 1.0) * math.log(x) - x - math.lgamma(k))
            if density <= 0.0:
                break
            step = (gamma_p(k, x) - p) / density
            x_new = x - step if x - step > 0.0 else x / 2.0
            if abs(x_new - x) <= 1e-13 * x:
                return x_new * self.theta
            x = x_new
        return invert(self.cdf, p, k * self.theta)

    def raw_moment(self, r):
        return self.theta ** r * math.exp(math.lgamma(self.k + r) - math.lgamma(self.k))

    def log_mean(self):
        return digamma(self.k) + math.log(self.theta)

    def log_sd(self):
        return math.sqrt(trigamma(self.k))

    def gf_words(self):
        # Gamma: shape = x2, scale = 1/(x2*x3)
        return [self.k, 1.0 / (self.k * self.theta)]

    def gf_degrees(self):
        return 2.0 * self.k, 1000.0

    def describe(self):
        return "shape = %s, scale = %s" % (num(self.k, 4), num(self.theta, 4))


class Weibull:
    name = "Weibull"

    def __init__(self, shape, scale):
        self.k, self.lam = shape, scale

    def cdf(self, x):
        return -math.expm1(-((x / self.lam) ** self.k)) if x > 0 else 0.0

    def quantile(self, p):
        return self.lam * (-math.log1p(-p)) ** (1.0 / self.k)

    def raw_moment(self, r):
        return self.lam ** r * math.gamma(1.0 + r / self.k)

    def log_mean(self):
        return math.log(self.lam) - EULER / self.k

    def log_sd(self):
        return math.pi / (math.sqrt(6.0) * self.k)

    def gf_words(self):
        # Weibull: shape = x3, scale = 1/x2
        return [1.0 / self.lam, self.k]

    def gf_degrees(self):
        return 2.0, 1000.0

    def describe(self):
        return "shape = %s, scale = %s" % (num(self.k, 4), num(self.lam, 4))


class Loglogistic:
    name = "Loglogistisch"

    def __init__(self, shape, scale):
        self.beta, self.alpha = shape, scale

    def cdf(self, x):
        return 1.0 / (1.0 + (x / self.alpha) ** -self.beta) if x > 0 else 0.0

    def quantile(self, p):
        return self.alpha * (p / (1.0 - p)) ** (1.0 / self.beta)

    def raw_moment(self, r):
        b = r * math.pi / self.beta
        return self.alpha ** r * b / math.sin(b)

    def log_mean(self):
        return math.log(self.alpha)

    def log_sd(self):
        return math.pi / (math.sqrt(3.0) * self.beta)

    def gf_words(self):
        # Loglogistisch: shape = x3, scale = 1/x2
        return [1.0 / self.alpha, self.beta]

    def gf_degrees(self):
        return 2.0, 2.0

    def describe(self):
        return "shape = %s, scale = %s" % (num(self.beta, 4), num(self.alpha, 4))


class Exponential:
    name = "Exponential"

    def __init__(self, rate):
        self.lam = rate

    def cdf(self, x):
        return -math.expm1(-self.lam * x) if x > 0 else 0.0

    def quantile(self, p):
        return -math.log1p(-p) / self.lam

    def raw_moment(self, r):
        return math.factorial(r) / self.lam ** r

    def log_mean(self):
        return -math.log(self.lam) - EULER

    def log_sd(self):
        return math.pi / math.sqrt(6.0)

    def gf_words(self):
        # Exponential: lambda = x2; the third word is not read
        return [self.lam, 1.0]

    def gf_degrees(self):
        return 2.0, 1000.0

    def describe(self):
        return "lambda = %s" % num(self.lam, 4)


class GeneralF:
    """X = lam * F(m1, m2) ** (1/p): the GF approximation of a distribution, with the
    degrees of freedom m1, m2 of its family and p, lam matching mean and SD of ln X.
    Stored as the words m1/2, m2/2, 1/lam and p (see gf_block)."""

    name = "GeneralF"

    def __init__(self, dist):
        self.m1, self.m2 = dist.gf_degrees()
        h1, h2 = self.m1 / 2.0, self.m2 / 2.0
        log_f_mean = digamma(h1) - digamma(h2) + math.log(self.m2 / self.m1)
        log_f_sd = math.sqrt(trigamma(h1) + trigamma(h2))
        self.p = log_f_sd / dist.log_sd()
        self.lam = math.exp(dist.log_mean() - log_f_mean / self.p)

    def cdf(self, x):
        if x <= 0:
            return 0.0
        y = (x / self.lam) ** self.p
        return beta_i(self.m1 / 2.0, self.m2 / 2.0, self.m1 * y / (self.m1 * y + self.m2))


def moments(dist):
    """Mean, SD, skewness and excess kurtosis from the raw moments."""
    m1, m2, m3, m4 = (dist.raw_moment(r) for r in (1, 2, 3, 4))
    var = m2 - m1 * m1
    sd = math.sqrt(var)
    skew = (m3 - 3 * m1 * m2 + 2 * m1 ** 3) / sd ** 3
    kurt = (m4 - 4 * m1 * m3 + 6 * m1 * m1 * m2 - 3 * m1 ** 4) / var ** 2 - 3.0
    return m1, sd, skew, kurt


def fit_like(family, dist):
    """A distribution of the family fitted to dist by its moments (log moments for the
    families whose shape is set by the spread of ln x)."""
    mean = dist.raw_moment(1)
    var = dist.raw_moment(2) - mean * mean
    lm, ls = dist.log_mean(), dist.log_sd()
    if family is Lognormal:
        return Lognormal(lm, ls)
    if family is Gamma:
        return Gamma(mean * mean / var, var / mean)
    if family is Weibull:
        k = math.pi / (math.sqrt(6.0) * ls)
        return Weibull(k, math.exp(lm + EULER / k))
    if family is Loglogistic:
        return Loglogistic(math.pi / (math.sqrt(3.0) * ls), math.exp(lm))
    return Exponential(1.0 / mean)


KS_LEVELS = [i / 200.0 for i in range(1, 200)]


def ks_distance(grid, fitted):
    """Largest distance between the levels and the fitted CDF at the drawn
    distribution's quantiles of those levels (grid)."""
    return max(abs(p - fitted.cdf(x)) for p, x in zip(KS_LEVELS, grid))


def draw(family, median, sigma):
    """A distribution of the family with the given median and spread of ln x."""
    if family is Lognormal:
        return Lognormal(math.log(median), sigma)
    if family is Gamma:
        lo, hi = 0.05, 5000.0  # trigamma falls with the shape
        for _ in range(200):
            mid = math.sqrt(lo * hi)
            if trigamma(mid) > sigma * sigma:
                lo = mid
            else:
                hi = mid
        shape = math.sqrt(lo * hi)
        return Gamma(shape, median / Gamma(shape, 1.0).quantile(0.5))
    if family is Weibull:
        k = math.pi / (math.sqrt(6.0) * sigma)
        return Weibull(k, median / math.log(2.0) ** (1.0 / k))
    if family is Loglogistic:
        return Loglogistic(math.pi / (math.sqrt(3.0) * sigma), median)
    return Exponential(math.log(2.0) / median)


# ----------------------------------------------------------------------------------
# Number texts
# ----------------------------------------------------------------------------------


def num(x, digits=5):
    """x with about `digits` significant digits, no exponent, no trailing zeros."""
    if x == 0:
        return "0"
    decimals = max(0, digits - 1 - int(math.floor(math.log10(abs(x)))))
    text = "%.*f" % (decimals, x)
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return text


def word(x):
    """A GF parameter word: '.' as decimal point, enough digits to round-trip well."""
    return "%.8g" % x


# ----------------------------------------------------------------------------------
# Data packet writing
# ----------------------------------------------------------------------------------

ESCAPES = {"<": "&lt;", ">": "&gt;", '"': "&quot;", "&": "&amp;", "'": "&apos;",
           "\r": "&#013;", "\n": "&#010;", "\t": "&#009;", "\\": "&#092;"}


def escape(text):
    out = []
    for ch in text:
        if ch in ESCAPES:
            out.append(ESCAPES[ch])
        elif ord(ch) > 126 or ord(ch) < 32:
            out.append("&#%03d;" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


class Field:
    def __init__(self, name, ftype, width=0, subtype=""):
        self.name, self.ftype, self.width, self.subtype = name, ftype, width, subtype

    def xml(self):
        text = '<FIELD attrname="%s" fieldtype="%s"' % (self.name, self.ftype)
        if self.width:
            text += ' WIDTH="%d"' % self.width
        if self.subtype:
            text += ' SUBTYPE="%s"' % self.subtype
        return text + "/>"


def text_field(name, width):
    return Field(name, "string", width)


def memo_field(name):
    return Field(name, "bin.hex", 0, "Text")


def packet(fields, rows, params=False):
    """The plain data-packet text of a table; empty values are left out of a ROW."""
    parts = ['<?xml version="1.0" standalone="yes"?>\n<DATAPACKET Version="2.0">',
             "<METADATA><FIELDS>"]
    parts.extend(f.xml() for f in fields)
    parts.append("</FIELDS>")
    if params:
        parts.append("<PARAMS/>")
    parts.append("</METADATA><ROWDATA>\n")
    for row in rows:
        attrs = []
        for f in fields:
            value = row.get(f.name, "")
            if value != "":
                if f.width and len(value) > f.width:
                    raise ValueError("%s longer than %d: %r" % (f.name, f.width, value))
                attrs.append('%s="%s"' % (f.name, escape(value)))
        parts.append("<ROW %s/>\n" % " ".join(attrs))
    parts.append("</ROWDATA></DATAPACKET>\n")
    text = "".join(parts)
    return text.encode("ascii")


# ----------------------------------------------------------------------------------
# Content
# ----------------------------------------------------------------------------------

# Headlines: Top, title, sort key. Written in file order, shown in STRC order.
HEADLINES = [
    ("H1", "Anthropometry", "10"),
    ("H3", "Food and drinking-water intake", "30"),
    ("H2", "Inhalation", "20"),
    ("H4", "Soil and dust ingestion", "40"),
    ("H5", "Skin surface", "50"),
    ("H6", "Time-activity patterns", "60"),
]

# Age schemes: cut points; a group runs from one cut to the next.
AGES_ALL = [0, 1, 3, 6, 10, 14, 18, 25, 35, 45, 55, 65, 75, 80]
AGES_FINE = [0, 1, 2, 3, 4, 6, 8, 10, 12, 14, 16, 18, 30, 50, 65, 80]
AGES_CHILD = [0, 1, 2, 3, 4, 6, 8, 10, 12, 15]
AGES_ADULT = [18, 25, 35, 45, 55, 65, 75, 80]
AGES_YOUNG = [0, 1, 2, 3, 4, 6, 8]
AGES_TEEN_ADULT = [14, 18, 30, 45, 60, 80]

# Surveys: name, age scheme, participants, restriction flags, description lines.
SURVEYS = {
    "NNS": ("National Nutrition Survey 1998", AGES_FINE, 4800, "0000100",
            [("Survey:", "nationwide cross-sectional survey, 1997-1998"),
             ("Method:", "24-hour recall on two days plus food frequency questionnaire"),
             ("Sampling:", "two-stage random sample of households, response 61 %")]),
    "HES": ("Health Examination Survey 2004", AGES_ADULT, 3100, "0000000",
            [("Survey:", "examination survey in 120 sample points, 2003-2004"),
             ("Method:", "standardised measurements by trained staff")]),
    "KUS": ("Kinder-Umwelt-Survey 2001 (Süd)", AGES_CHILD, 1200, "0001001",
            [("Survey:", "Kinder-Umwelt-Survey, Erhebung in Süddeutschland 2000-2001"),
             ("Method:", "Fragebogen der Eltern und Hausbesuch, Messungen im Haushalt"),
             ("Note:", "Stichprobe nicht bundesweit repräsentativ")]),
    "TBS": ("Time Budget Study 1992", AGES_ALL, 2600, "0010000",
            [("Survey:", "diary study over three consecutive days, 1991-1992"),
             ("Method:", "activity diary in 15-minute steps")]),
    "STS": ("Soil Tracer Study 1995", AGES_YOUNG, 160, "1100011",
            [("Survey:", "mass-balance tracer study with aluminium, silicon and titanium"),
             ("Method:", "duplicate food and faeces samples over seven days"),
             ("Note:", "small convenience sample, tracer-dependent estimates")]),
    "RRS": ("Regional Respiration Study 1999", AGES_ALL, 900, "0100010",
            [("Survey:", "regional study with heart-rate calibrated ventilation"),
             ("Method:", "individual calibration curves, activity protocol")]),
    "DWP": ("Drinking Water Consumption Panel 2003", AGES_TEEN_ADULT, 1500, "0000001",
            [("Survey:", "consumer panel, seven-day beverage diary, 2002-2003"),
             ("Method:", "tap water as such and in beverages prepared at home")]),
    "BKM": ("Bevölkerungsstichprobe Körpermaße 1990", AGES_ALL, 5200, "0110000",
            [("Survey:", "Bevölkerungsstichprobe, Messung von Körpergröße und Gewicht"),
             ("Method:", "Messung in Gesundheitsämtern, Kleidung abgezogen"),
             ("Note:", "ältere Erhebung, Körpermaße seither gestiegen")]),
    "ARS": ("Anthropometric Reference Study 1986", AGES_FINE, 7400, "0010100",
            [("Survey:", "reference study of growth and body dimensions, 1984-1986"),
             ("Method:", "anthropometric measurements, skin surface by formula of height and weight")]),
}

LOGNORMAL_ONLY = {Lognormal: 1.0}

# Topics: PS, headline, title, variable, unit, unit label, age curve for males and
# females (age -> median), spread of ln x, families with weights, keywords.
TOPICS = [
    ("P101", "H1", "Body weight", "BW_kg", "kg", "body weight",
     {0: 6.0, 1: 10.5, 3: 14.5, 6: 21.0, 10: 33.0, 14: 52.0, 18: 70.0, 25: 78.0, 45: 84.0,
      65: 82.0, 80: 76.0},
     {0: 5.8, 1: 10.0, 3: 14.0, 6: 20.5, 10: 33.0, 14: 51.0, 18: 60.0, 25: 63.0, 45: 70.0,
      65: 71.0, 80: 66.0},
     0.16, {Lognormal: 6, Gamma: 2, Loglogistic: 2},
     "Körpergewicht, body weight, Gewicht"),
    ("P102", "H1", "Body height", "BH_cm", "cm", "body height",
     {0: 62.0, 1: 77.0, 3: 96.0, 6: 118.0, 10: 140.0, 14: 165.0, 18: 178.0, 45: 177.0,
      80: 172.0},
     {0: 61.0, 1: 76.0, 3: 95.0, 6: 117.0, 10: 140.0, 14: 160.0, 18: 165.0, 45: 164.0,
      80: 160.0},
     0.045, {Lognormal: 5, Weibull: 2, Gamma: 2},
     "Körpergröße, body height, Größe, stature"),
    ("P103", "H1", "Body mass index", "BMI", "kg/m²", "body mass index",
     {0: 16.0, 3: 16.0, 6: 15.5, 10: 17.5, 14: 20.0, 18: 22.5, 45: 26.5, 65: 27.5, 80: 26.0},
     {0: 15.5, 3: 15.8, 6: 15.4, 10: 17.6, 14: 20.2, 18: 22.0, 45: 25.5, 65: 27.0, 80: 26.5},
     0.14, {Lognormal: 6, Loglogistic: 3},
     "Körpermassenindex, BMI, body mass index, Übergewicht"),
    ("P201", "H2", "Inhalation rate at rest", "IR_rest", "m³/h", "inhalation rate at rest",
     {0: 0.15, 1: 0.2, 3: 0.25, 6: 0.3, 10: 0.35, 14: 0.42, 18: 0.45, 80: 0.42},
     {0: 0.14, 1: 0.19, 3: 0.24, 6: 0.28, 10: 0.32, 14: 0.37, 18: 0.38, 80: 0.36},
     0.22, {Lognormal: 5, Gamma: 3, Weibull: 2},
     "Atemrate in Ruhe, inhalation rate, Atemvolumen, resting ventilation"),
    ("P202", "H2", "Inhalation rate at light activity", "IR_light", "m³/h",
     "inhalation rate at light activity",
     {0: 0.35, 1: 0.5, 3: 0.62, 6: 0.75, 10: 0.9, 14: 1.05, 18: 1.15, 80: 1.05},
     {0: 0.33, 1: 0.47, 3: 0.6, 6: 0.7, 10: 0.82, 14: 0.92, 18: 0.95, 80: 0.9},
     0.27, {Lognormal: 5, Gamma: 3, Weibull: 2},
     "Atemrate bei leichter Tätigkeit, inhalation rate, light activity"),
    ("P203", "H2", "Daily inhalation volume", "IV_day", "m³/d", "daily inhalation volume",
     {0: 4.0, 1: 6.0, 3: 8.0, 6: 10.0, 10: 12.0, 14: 15.0, 18: 16.0, 45: 15.5, 80: 13.0},
     {0: 3.8, 1: 5.6, 3: 7.5, 6: 9.2, 10: 11.0, 14: 13.0, 18: 13.5, 45: 13.2, 80: 11.5},
     0.26, {Lognormal: 4, Gamma: 4, Weibull: 2},
     "Atemvolumen pro Tag, daily inhalation, Luftvolumen"),
    ("P301", "H3", "Drinking water intake", "DW_l", "L/d", "drinking water intake",
     {0: 0.3, 1: 0.4, 3: 0.5, 6: 0.6, 10: 0.75, 14: 0.9, 18: 1.2, 45: 1.4, 80: 1.3},
     {0: 0.3, 1: 0.38, 3: 0.48, 6: 0.57, 10: 0.7, 14: 0.85, 18: 1.1, 45: 1.35, 80: 1.25},
     0.55, {Lognormal: 5, Gamma: 3, Weibull: 2},
     "Trinkwasser, drinking water, Leitungswasser, tap water"),
    ("P302", "H3", "Fruit intake", "FRUIT_g", "g/d", "fruit intake",
     {1: 120.0, 3: 130.0, 10: 120.0, 18: 110.0, 45: 160.0, 80: 190.0},
     {1: 125.0, 3: 135.0, 10: 130.0, 18: 135.0, 45: 185.0, 80: 210.0},
     0.75, {Lognormal: 5, Gamma: 3, Weibull: 2},
     "Obstverzehr, fruit, Obst, Verzehrsmenge"),
    ("P303", "H3", "Vegetable intake", "VEG_g", "g/d", "vegetable intake",
     {1: 60.0, 3: 80.0, 10: 100.0, 18: 120.0, 45: 140.0, 80: 130.0},
     {1: 62.0, 3: 82.0, 10: 105.0, 18: 125.0, 45: 150.0, 80: 135.0},
     0.62, {Lognormal: 5, Gamma: 3, Weibull: 2},
     "Gemüseverzehr, vegetables, Gemüse, Verzehrsmenge"),
    ("P304", "H3", "Fish intake", "FISH_g", "g/d", "fish intake",
     {1: 8.0, 3: 10.0, 10: 12.0, 18: 15.0, 45: 22.0, 80: 20.0},
     {1: 7.5, 3: 9.5, 10: 11.0, 18: 13.0, 45: 19.0, 80: 18.0},
     1.0, {Gamma: 4, Exponential: 3, Lognormal: 3},
     "Fischverzehr, fish, Fisch, Meeresfrüchte, seafood"),
    ("P305", "H3", "Milk and dairy intake", "MILK_g", "g/d", "milk and dairy intake",
     {0: 500.0, 1: 400.0, 3: 350.0, 10: 300.0, 14: 280.0, 18: 200.0, 45: 180.0, 80: 200.0},
     {0: 490.0, 1: 390.0, 3: 330.0, 10: 270.0, 14: 240.0, 18: 180.0, 45: 175.0, 80: 190.0},
     0.68, {Lognormal: 4, Gamma: 4, Weibull: 2},
     "Milch, milk, Milchprodukte, dairy products, Käse"),
    ("P401", "H4", "Soil ingestion", "SOIL_mg", "mg/d", "soil ingestion",
     {0: 30.0, 1: 60.0, 3: 70.0, 6: 40.0, 10: 25.0, 18: 15.0, 80: 10.0},
     {0: 28.0, 1: 55.0, 3: 65.0, 6: 36.0, 10: 22.0, 18: 14.0, 80: 10.0},
     1.1, {Lognormal: 5, Gamma: 3, Exponential: 2},
     "Bodenaufnahme, soil ingestion, Erde, Hand-zu-Mund"),
    ("P402", "H4", "Dust ingestion", "DUST_mg", "mg/d", "dust ingestion",
     {0: 25.0, 1: 40.0, 3: 35.0, 6: 25.0, 10: 15.0, 18: 10.0, 80: 8.0},
     {0: 24.0, 1: 38.0, 3: 33.0, 6: 23.0, 10: 14.0, 18: 10.0, 80: 8.0},
     1.0, {Lognormal: 5, Gamma: 3, Exponential: 2},
     "Staubaufnahme, dust ingestion, Hausstaub, house dust"),
    ("P403", "H4", "Hand-to-mouth frequency", "HTM_freq", "contacts/h",
     "hand-to-mouth frequency",
     {0: 15.0, 1: 20.0, 3: 14.0, 6: 9.0, 10: 6.0, 14: 4.0},
     {0: 14.0, 1: 19.0, 3: 13.0, 6: 8.5, 10: 5.5, 14: 3.8},
     0.58, {Gamma: 4, Lognormal: 4, Weibull: 2},
     "Hand-zu-Mund-Kontakte, hand-to-mouth, Kleinkinder, toddlers"),
    ("P501", "H5", "Total skin surface area", "SA_total", "m²", "total skin surface area",
     {0: 0.33, 1: 0.48, 3: 0.62, 6: 0.82, 10: 1.1, 14: 1.5, 18: 1.9, 45: 2.0, 80: 1.95},
     {0: 0.32, 1: 0.47, 3: 0.61, 6: 0.8, 10: 1.08, 14: 1.45, 18: 1.7, 45: 1.75, 80: 1.7},
     0.1, {Lognormal: 5, Weibull: 2, Loglogistic: 2},
     "Körperoberfläche, skin surface area, Hautoberfläche"),
    ("P502", "H5", "Hands surface area", "SA_hands", "cm²", "surface area of both hands",
     {0: 100.0, 1: 190.0, 3: 260.0, 6: 350.0, 10: 480.0, 14: 700.0, 18: 890.0, 80: 880.0},
     {0: 95.0, 1: 180.0, 3: 250.0, 6: 335.0, 10: 460.0, 14: 640.0, 18: 770.0, 80: 760.0},
     0.12, {Lognormal: 5, Weibull: 2, Loglogistic: 2},
     "Handoberfläche, hands, Hände, skin surface"),
    ("P503", "H5", "Soil adherence to skin", "ADH_mg", "mg/cm²", "soil adherence to skin",
     {0: 0.1, 3: 0.12, 6: 0.09, 10: 0.06, 18: 0.04, 80: 0.03},
     {0: 0.1, 3: 0.11, 6: 0.085, 10: 0.055, 18: 0.035, 80: 0.03},
     0.92, {Lognormal: 6, Gamma: 4},
     "Bodenhaftung, soil adherence, Haftung auf der Haut, dermal"),
    ("P601", "H6", "Time spent indoors", "T_indoor", "h/d", "time spent indoors",
     {0: 20.5, 1: 20.0, 3: 19.5, 6: 19.0, 10: 18.5, 14: 18.5, 18: 19.0, 45: 19.5, 65: 20.0,
      80: 20.5},
     {0: 20.5, 1: 20.0, 3: 19.6, 6: 19.2, 10: 18.8, 14: 19.0, 18: 19.5, 45: 19.8, 65: 20.2,
      80: 20.5},
     0.05, {Weibull: 1.0},
     "Aufenthaltsdauer in Räumen, time indoors, Innenraum, indoor"),
    ("P602", "H6", "Time spent outdoors", "T_outdoor", "h/d", "time spent outdoors",
     {0: 1.5, 1: 2.2, 3: 2.5, 6: 2.3, 10: 2.0, 14: 1.8, 18: 1.7, 45: 1.6, 65: 2.0, 80: 1.5},
     {0: 1.5, 1: 2.1, 3: 2.4, 6: 2.1, 10: 1.8, 14: 1.5, 18: 1.4, 45: 1.4, 65: 1.7, 80: 1.3},
     0.8, {Gamma: 4, Lognormal: 3, Weibull: 2, Exponential: 1},
     "Aufenthaltsdauer im Freien, time outdoors, draußen, outdoor"),
    ("P603", "H6", "Showering duration", "T_shower", "min/d", "showering duration",
     {6: 8.0, 10: 9.0, 14: 11.0, 18: 12.0, 45: 10.0, 80: 9.0},
     {6: 8.5, 10: 10.0, 14: 13.0, 18: 14.0, 45: 11.5, 80: 10.0},
     0.55, {Lognormal: 5, Gamma: 3, Weibull: 2},
     "Duschdauer, showering, Duschen, Körperpflege"),
    ("P604", "H6", "Time spent in traffic", "T_traffic", "min/d", "time spent in traffic",
     {6: 40.0, 14: 55.0, 18: 70.0, 45: 75.0, 80: 45.0},
     {6: 38.0, 14: 52.0, 18: 60.0, 45: 62.0, 80: 40.0},
     0.65, {Lognormal: 4, Gamma: 4, Weibull: 2},
     "Zeit im Verkehr, traffic, Pendeln, commuting, Straßenverkehr"),
]

# Parameter rows per topic: (survey, sexes, age scheme or None, has data).
ROWS = {
    "P101": [("NNS", "AMF", None, True), ("HES", "MF", None, True), ("KUS", "A", None, True),
             ("BKM", "AMF", None, True)],
    "P102": [("NNS", "MF", None, True), ("ARS", "AMF", None, True), ("BKM", "A", None, False)],
    "P103": [("HES", "AMF", None, True)],
    "P201": [("RRS", "AMF", None, True)],
    "P202": [("RRS", "AMF", None, True)],
    "P203": [("RRS", "A", None, True), ("TBS", "MF", None, True)],
    "P301": [("DWP", "AMF", None, True), ("NNS", "A", None, True), ("HES", "MF", None, True)],
    "P302": [("NNS", "AMF", None, True), ("KUS", "A", None, True)],
    "P303": [("NNS", "AMF", None, True), ("KUS", "A", None, True)],
    "P304": [("NNS", "MF", None, True), ("HES", "A", None, False)],
    "P305": [("NNS", "AMF", None, True), ("KUS", "MF", None, True)],
    "P401": [("STS", "A", None, True), ("KUS", "A", None, False)],
    "P402": [("STS", "A", None, True), ("KUS", "MF", None, True)],
    "P403": [("STS", "A", None, True), ("KUS", "A", None, True)],
    "P501": [("ARS", "AMF", None, True), ("HES", "MF", None, True)],
    "P502": [("ARS", "MF", None, True), ("KUS", "A", None, True)],
    "P503": [("STS", "A", None, True), ("KUS", "A", None, True)],
    "P601": [("TBS", "AMF", None, True), ("KUS", "A", None, True)],
    "P602": [("TBS", "AMF", None, True), ("KUS", "MF", None, True)],
    "P603": [("TBS", "MF", AGES_TEEN_ADULT, True), ("DWP", "A", None, False)],
    "P604": [("TBS", "AMF", [6, 10, 14, 18, 25, 35, 45, 55, 65, 80], True)],
}

SEX_WORDS = {"A": ("males and females", "Männer und Frauen"),
             "M": ("males", "Männer, Jungen"),
             "F": ("females", "Frauen, Mädchen")}

# Statistic fields in file order, with their label; a data file holds a subset.
STAT_FIELDS = [
    ("MEAN", "arithmetic mean"), ("SD", "standard deviation"), ("GM", "geometric mean"),
    ("GSD", "geometric standard deviation [-]"), ("MIN", "minimum"),
    ("P05", "5th percentile"), ("P25", "25th percentile"), ("P50", "median"),
    ("P75", "75th percentile"), ("P95", "95th percentile"), ("MAX", "maximum"),
]

QUANTILE_LEVELS = [0.01, 0.05, 0.10, 0.25, 0.50, 0.75, 0.90, 0.95, 0.99]

CHANGE_DATES = ["28.02.2007", "15.11.2006", "03.05.2007", "21.09.2006"]


def interpolate(curve, age):
    ages = sorted(curve)
    if age <= ages[0]:
        return curve[ages[0]]
    if age >= ages[-1]:
        return curve[ages[-1]]
    for lo, hi in zip(ages, ages[1:]):
        if lo <= age <= hi:
            t = (age - lo) / (hi - lo)
            return curve[lo] + t * (curve[hi] - curve[lo])
    raise AssertionError("unreachable")


def choose(rng, weights):
    families = list(weights)
    return rng.choices(families, [weights[f] for f in families])[0]


def age_label(lo, hi):
    return "%d - <%d years" % (lo, hi)


# ----------------------------------------------------------------------------------
# Data files
# ----------------------------------------------------------------------------------


def gf_block(dist, fits, use_ap):
    """GENERALF text: the GF approximation first, then the fits in order of fit."""
    gf = GeneralF(dist)
    label = "AP" if use_ap else "KS"
    lines = ["TYPE=GeneralF;",
             # The stored parameterisation: X = q + (1/Lambda) * Y^(1/p) with
             # Y ~ F(2 m1, 2 m2), so the words are half the degrees of freedom and the
             # reciprocal of the scale.
             "PT= 0 %s %s %s %s;" % (word(gf.m1 / 2), word(gf.m2 / 2), word(1 / gf.lam),
                                     word(gf.p)),
             "%s=%s;" % (label, "%.4f" % fits["gf"])]
    for stat, fit in fits["ranked"]:
        x2, x3 = fit.gf_words()
        lines.append("TYPE=%s;" % fit.name)
        lines.append("PT=0 %s %s;" % (word(x2), word(x3)))
        lines.append("%s=%s;" % (label, "%.4f" % stat))
    return CRLF.join(lines) + CRLF


def moments_block(var, unit, n, dist, fits):
    mean, sd, skew, kurt = moments(dist)
    rows = [
        "Moments of %s [%s], N = %d" % (var, unit, n),
        "Arithmetic mean       %12s" % num(mean),
        "Standard deviation    %12s" % num(sd),
        "Coeff. of variation   %12s" % num(sd / mean, 4),
        "Skewness              %12s" % num(skew, 4),
        "Kurtosis (excess)     %12s" % num(kurt, 4),
        "Geometric mean        %12s" % num(math.exp(dist.log_mean())),
        "Geometric SD          %12s" % num(math.exp(dist.log_sd())),
        "σ of ln(x)            %12s" % num(dist.log_sd(), 4),
        "Drawn distribution: %s (%s)" % (dist.name, dist.describe()),
        "Best fits (%s):" % fits["label"],
    ]
    for rank, (stat, fit) in enumerate(fits["ranked"], 1):
        rows.append("  %d. %-14s %s = %.4f   %s" % (rank, fit.name, fits["label"], stat,
                                                 fit.describe()))
    return CRLF.join(rows) + CRLF


def quantiles_block(var, unit, n, dist, fits):
    names = [fit.name for _, fit in fits["ranked"]]
    rows = ["Quantiles of %s [%s], N = %d" % (var, unit, n),
            "     P    observed" + "".join("%15s" % name for name in names)]
    for p in QUANTILE_LEVELS:
        cells = "".join("%15s" % num(fit.quantile(p)) for _, fit in fits["ranked"])
        rows.append("%5s%%  %10s%s" % (num(p * 100, 3), num(dist.quantile(p)), cells))
    return CRLF.join(rows) + CRLF


def correlation_block(var, rng, age_slope):
    r = max(-0.95, min(0.95, age_slope + rng.uniform(-0.08, 0.08)))
    rho = max(-0.95, min(0.95, r * 0.96))
    return CRLF.join([
        "Correlation of %s with age within the group" % var,
        "Pearson (ln x, age)       %s" % num(r, 3),
        "Spearman (x, age)         %s" % num(rho, 3),
    ]) + CRLF


def covariance_block(n, dist):
    s = dist.log_sd()
    return CRLF.join([
        "Covariance of the lognormal estimates (mu, sigma), N = %d" % n,
        "            mu            sigma",
        "mu      %12s  %12s" % (num(s * s / n, 4), "0"),
        "sigma   %12s  %12s" % ("0", num(s * s / (2 * n), 4)),
    ]) + CRLF


def ranked_fits(rng, dist, n, count, use_ap):
    """The drawn family and the closest other families, ranked by their fit value.
    KS: distance of the fitted to the drawn distribution plus sampling noise. AP: the
    largest relative quantile error between 5 % and 95 %, in percent."""
    candidates = [dist] + [fit_like(f, dist) for f in
                           (Lognormal, Gamma, Weibull, Loglogistic, Exponential)
                           if f is not type(dist)]
    grid = [dist.quantile(p) for p in KS_LEVELS]
    scored = []
    for fit in candidates:
        noise = rng.uniform(0.25, 0.85) / math.sqrt(n)
        if use_ap:
            err = max(abs(fit.quantile(p) / dist.quantile(p) - 1.0)
                      for p in (0.05, 0.25, 0.5, 0.75, 0.95))
            stat = 100.0 * err + 100.0 * noise / 4
        else:
            stat = ks_distance(grid, fit) + noise
        scored.append((stat, fit))
    scored.sort(key=lambda s: s[0])
    # The drawn family always stays among the listed fits.
    kept = scored[:count]
    if all(fit is not dist for _, fit in kept):
        kept[-1] = next(s for s in scored if s[1] is dist)
        kept.sort(key=lambda s: s[0])
    gf = GeneralF(dist)
    gf_noise = rng.uniform(0.15, 0.5) / math.sqrt(n)
    if use_ap:
        gf_stat = 100.0 * gf_noise / 4
    else:
        gf_stat = ks_distance(grid, gf) + gf_noise
    return {"ranked": kept, "gf": gf_stat, "label": "AP" if use_ap else "KS"}


def data_file(rng, topic, survey_key, sex, ages, survey_factor):
    ps, _, title, var, unit, _, curve_m, curve_f, sigma, families, _ = topic
    name, _, participants, _, _ = SURVEYS[survey_key]
    groups = list(zip(ages, ages[1:]))
    stats = ["MEAN", "SD", "P50"]
    for extra, chance in ((["GM", "GSD"], 0.8), (["MIN", "MAX"], 0.85),
                          (["P05", "P95"], 0.9), (["P25", "P75"], 0.7)):
        if rng.random() < chance:
            stats.extend(extra)
    stats = [f for f, _ in STAT_FIELDS if f in stats]
    with_corr = rng.random() < 0.3
    use_ap = rng.random() < 0.15

    fields = [text_field("AGEGRP", 24), Field("AGEMin", "r8"), Field("AGEMax", "r8"),
              Field("NOBS", "i4")]
    fields += [Field(f, "r8") for f in stats]
    fields += [memo_field("GENERALF"), memo_field("MOMENTS"), memo_field("QUANTILES")]
    if with_corr:
        fields += [memo_field("CORRELATIO"), memo_field("COVAR")]

    rows = []
    per_group = participants / len(groups) / (1 if sex == "A" else 2)
    for lo, hi in groups:
        mid = (lo + hi) / 2.0
        m, f = interpolate(curve_m, mid), interpolate(curve_f, mid)
        median = {"M": m, "F": f, "A": (m + f) / 2.0}[sex] * survey_factor
        median *= rng.uniform(0.97, 1.03)
        spread = sigma * rng.uniform(0.9, 1.1) * (1.05 if sex == "A" else 1.0)
        family = choose(rng, families)
        if family is Loglogistic and spread > 0.36:
            family = Lognormal  # keep four finite moments
        dist = draw(family, median, spread)
        n = max(20, int(round(per_group * rng.uniform(0.6, 1.4))))
        fits = ranked_fits(rng, dist, n, rng.randint(2, 4), use_ap)
        mean, sd, _, _ = moments(dist)
        values = {
            "MEAN": mean, "SD": sd, "GM": math.exp(dist.log_mean()),
            "GSD": math.exp(dist.log_sd()),
            # expected extremes of a sample of n
            "MIN": dist.quantile(1.0 / (n + 1)), "MAX": dist.quantile(n / (n + 1.0)),
            "P05": dist.quantile(0.05), "P25": dist.quantile(0.25), "P50": dist.quantile(0.5),
            "P75": dist.quantile(0.75), "P95": dist.quantile(0.95),
        }
        row = {"AGEGRP": age_label(lo, hi), "AGEMin": num(lo), "AGEMax": num(hi),
               "NOBS": str(n)}
        for stat in stats:
            row[stat] = num(values[stat])
        row["GENERALF"] = gf_block(dist, fits, use_ap)
        row["MOMENTS"] = moments_block(var, unit, n, dist, fits)
        row["QUANTILES"] = quantiles_block(var, unit, n, dist, fits)
        if with_corr:
            slope = 0.5 if hi <= 18 else -0.1
            row["CORRELATIO"] = correlation_block(var, rng, slope)
            row["COVAR"] = covariance_block(n, dist)
        rows.append(row)

    labels = ["%-10s %s" % ("AGEGRP", "age group, text"),
              "%-10s %s" % ("AGEMin", "lower age of the group [years]"),
              "%-10s %s" % ("AGEMax", "upper age of the group (exclusive) [years]"),
              "%-10s %s" % ("NOBS", "number of observations")]
    for stat, label in STAT_FIELDS:
        if stat in stats:
            text = label if label.endswith("]") else "%s [%s]" % (label, unit)
            labels.append("%-10s %s of %s" % (stat, text, var))
    return packet(fields, rows), CRLF.join(labels) + CRLF


# ----------------------------------------------------------------------------------
# Info texts
# ----------------------------------------------------------------------------------


def label_line(label, value):
    return label.ljust(24) + value


def info_lines(rng, topic, survey_key, sex, lo, hi, flags, has_data, variables):
    _, _, title, var, unit, what, _, _, _, _, keywords = topic
    survey, _, participants, _, description = SURVEYS[survey_key]
    english, german = SEX_WORDS[sex]
    first = "%s (%s) of %s aged %d to %d years, %s" % (what[0].upper() + what[1:], unit,
                                                        english, lo, hi, survey)
    age_words = []
    if lo < 14:
        age_words.append("Kinder, children")
    if hi > 18:
        age_words.append("Erwachsene, adults")
    additional = ", ".join([keywords] + age_words + [german])
    head = [label_line("Variable", variables)]
    if flags is not None:
        head.append(label_line("Restrictions", flags))
    head.append(label_line("Additional", additional))
    if rng.random() < 0.3:
        head.reverse()
    lines = [first] + head + [label_line(label, text) for label, text in description]
    lines.append(label_line("Statistics:", "fits by maximum likelihood; σ of ln(x) from "
                            "log-transformed values"))
    if not has_data:
        lines.append(label_line("Note:", "data set not yet available"))
    return lines


RTF_HEAD = ("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}}"
            "{\\colortbl;\\red0\\green0\\blue128;}")


def rtf_text(text):
    out = []
    for ch in text:
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ord(ch) < 128:
            out.append(ch)
        elif ord(ch) < 256:
            out.append("\\'%02x" % ord(ch))
        else:
            out.append("\\u%d?" % ord(ch))
    return "".join(out)


def rtf_info(lines):
    """The same lines as RTF paragraphs: title bold in colour, labels bold, the
    description lines in italics with a tab after their label."""
    out = [RTF_HEAD, "\\viewkind4\\uc1\\pard\\f0\\fs20\\cf1\\b " + rtf_text(lines[0])
           + "\\cf0\\b0\\par"]
    for line in lines[1:]:
        label, rest = line[:24].rstrip(), line[24:]
        if label in ("Variable", "Restrictions", "Additional"):
            pad = " " * (24 - len(label))
            out.append("\\b " + rtf_text(label) + "\\b0 " + pad + rtf_text(rest) + "\\par")
        else:
            head, _, tail = line.partition(":")
            out.append("\\i " + rtf_text(head) + ":\\i0\\tab " + rtf_text(tail.strip())
                       + "\\par")
    out.append("}")
    return CRLF.join(out) + CRLF


# ----------------------------------------------------------------------------------
# The database
# ----------------------------------------------------------------------------------


def build(outdir):
    rng = random.Random(SEED)
    files = {}

    head_fields = [text_field("Top", 6), text_field("TOPIC", 60), text_field("STRC", 4)]
    files["topics.xml"] = packet(head_fields, [
        {"Top": top, "TOPIC": title, "STRC": strc} for top, title, strc in HEADLINES])

    topic_fields = [text_field("TOP", 6), text_field("PS", 6), text_field("PARAMETER", 60)]
    files["para1.xml"] = packet(topic_fields, [
        {"TOP": t[1], "PS": t[0], "PARAMETER": t[2]} for t in TOPICS])

    data_fields = [text_field("PS", 6), text_field("Variable", 30), Field("Agemin", "i2"),
                   Field("Agemax", "i2"), text_field("SEX", 1), text_field("DataSource", 60),
                   text_field("DataFile", 20), text_field("RSTRC", 10), Field("ID", "i4"),
                   memo_field("Info"), memo_field("VARLABELS"), text_field("FileType", 1),
                   text_field("Change", 10)]
    rows = []
    file_no = 0
    row_no = 0
    next_id = 1001
    for topic in TOPICS:
        ps, var = topic[0], topic[3]
        for survey_key, sexes, scheme, has_data in ROWS[ps]:
            survey, ages, _, base_flags, _ = SURVEYS[survey_key]
            ages = scheme or ages
            survey_factor = rng.uniform(0.95, 1.05)
            for sex in sexes:
                row_no += 1
                flags = list(base_flags)
                if rng.random() < 0.35:
                    i = rng.randrange(7)
                    flags[i] = "1" if flags[i] == "0" else "0"
                flags = "".join(flags)
                if row_no % 23 == 7:
                    flags = None  # a few rows carry no restriction line
                rstrc = "" if flags is None else "%d%s" % (flags.count("1"), flags)
                variables = "%s, Age_y" % var + (", Sex" if sex == "A" else "")
                lines = info_lines(rng, topic, survey_key, sex, ages[0], ages[-1], flags,
                                   has_data, variables)
                info = rtf_info(lines) if row_no % 8 == 3 else CRLF.join(lines) + CRLF
                row = {"PS": ps, "Variable": var, "Agemin": str(ages[0]),
                       "Agemax": str(ages[-1]), "SEX": sex, "DataSource": survey,
                       "RSTRC": rstrc, "ID": str(next_id), "Info": info}
                next_id += rng.choice((1, 1, 2, 3))
                if has_data:
                    file_no += 1
                    name = "ef%04d.xml" % file_no
                    files[name], row["VARLABELS"] = data_file(rng, topic, survey_key, sex,
                                                              ages, survey_factor)
                    row["DataFile"] = name
                if rng.random() < 0.15:
                    row["FileType"] = rng.choice("AB")
                if rng.random() < 0.2:
                    row["Change"] = rng.choice(CHANGE_DATES)
                rows.append(row)
    files["daten1a.xml"] = packet(data_fields, rows, params=True)

    os.makedirs(outdir, exist_ok=True)
    for name, data in sorted(files.items()):
        with open(os.path.join(outdir, name), "wb") as out:
            out.write(data)
    return len(rows), file_no


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "sample")
    rows, data_files = build(outdir)
    print("wrote %d parameter rows and %d data files to %s" % (rows, data_files,
                                                              os.path.normpath(outdir)))


if __name__ == "__main__":
    main()
