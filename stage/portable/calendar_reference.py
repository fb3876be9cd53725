#!/usr/bin/env python3
"""Writes the reference table the calendar test compares against.

Computed apart from the C++ code: weekdays and ISO weeks by Python's datetime,
Easter by the Meeus/Jones/Butcher algorithm, new and full moons from the
lunar theory's mean phases with their main periodic corrections (within a few
minutes of the true instants).

Lines:
  D year month day weekday(0 = Sunday) iso_year iso_week
  E year month day                    Easter Sunday
  N year month day hour               new moon, universal time
  F year month day hour               full moon, universal time
"""
import datetime
import math
import sys

FIRST_YEAR = 1900
LAST_YEAR = 2199


def easter(y):
    a = y % 19
    b, c = divmod(y, 100)
    d, e = divmod(b, 4)
    f = (b + 8) // 25
    g = (b - f + 1) // 3
    h = (19 * a + b - d - g + 15) % 30
    i, k = divmod(c, 4)
    l = (32 + 2 * e + 2 * i - h - k) % 7
    m = (a + 11 * h + 22 * l) // 451
    month, day = divmod(h + l - 7 * m + 114, 31)
    return month, day + 1


def lunar_phase_jde(k, full):
    t = k / 1236.85
    jde = (2451550.09766 + 29.530588861 * k + 0.00015437 * t * t - 0.000000150 * t ** 3
           + 0.00000000073 * t ** 4)
    e = 1 - 0.002516 * t - 0.0000074 * t * t
    r = math.radians
    m = r(2.5534 + 29.10535670 * k - 0.0000014 * t * t - 0.00000011 * t ** 3)
    mp = r(201.5643 + 385.81693528 * k + 0.0107582 * t * t + 0.00001238 * t ** 3
           - 0.000000058 * t ** 4)
    f = r(160.7108 + 390.67050284 * k - 0.0016118 * t * t - 0.00000227 * t ** 3
          + 0.000000011 * t ** 4)
    om = r(124.7746 - 1.56375588 * k + 0.0020672 * t * t + 0.00000215 * t ** 3)
    if full:
        a = (-0.40614, 0.17302, 0.01614, 0.01043, 0.00734, -0.00515, 0.00209)
    else:
        a = (-0.40720, 0.17241, 0.01608, 0.01039, 0.00739, -0.00514, 0.00208)
    s = math.sin
    corr = (a[0] * s(mp) + a[1] * e * s(m) + a[2] * s(2 * mp) + a[3] * s(2 * f)
            + a[4] * e * s(mp - m) + a[5] * e * s(mp + m) + a[6] * e * e * s(2 * m)
            - 0.00111 * s(mp - 2 * f) - 0.00057 * s(mp + 2 * f) + 0.00056 * e * s(2 * mp + m)
            - 0.00042 * s(3 * mp) + 0.00042 * e * s(m + 2 * f) + 0.00038 * e * s(m - 2 * f)
            - 0.00024 * e * s(2 * mp - m) - 0.00017 * s(om))
    return jde + corr


def jd_to_utc(jd):
    return datetime.datetime(2000, 1, 1, 12) + datetime.timedelta(days=jd - 2451545.0)


def main(path):
    out = []
    day = datetime.date(FIRST_YEAR, 1, 1)
    end = datetime.date(LAST_YEAR, 12, 31)
    one = datetime.timedelta(days=1)
    while day <= end:
        iso = day.isocalendar()
        out.append("D %d %d %d %d %d %d" % (day.year, day.month, day.day, day.isoweekday() % 7,
                                             iso[0], iso[1]))
        day += one
    for y in range(FIRST_YEAR, LAST_YEAR + 1):
        out.append("E %d %d %d" % ((y,) + easter(y)))
    k_first = math.floor((FIRST_YEAR - 2000) * 12.3685) - 1
    k_last = math.ceil((LAST_YEAR + 1 - 2000) * 12.3685) + 1
    for k in range(k_first, k_last + 1):
        for tag, kk, full in (("N", k, False), ("F", k + 0.5, True)):
            t = jd_to_utc(lunar_phase_jde(kk, full))
            if FIRST_YEAR <= t.year <= LAST_YEAR:
                out.append("%s %d %d %d %d" % (tag, t.year, t.month, t.day, t.hour))
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
