#!/usr/bin/env python3
"""Writes Orbelin's bundled sample: a setup file and one day of spots as a receiving program
logs them (call, band and mode, hh:mm:ss, SNR in dB, S-meter reading), CR LF line ends.

The day is made up but plausible: a station in Europe on 20 m FT8, openings to each region at
the hours when that path is usually open, a core of regulars heard again and again, a long
tail of calls heard once or twice, and six tracked calls among them. Same seed, same bytes.

    tools/make_sample_log.py            # writes sample/Orbelin020.SET and sample/SampleDay.csv
"""
import math
import os
import random

SEED = 20180318
RECORDS = 4200
HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(HERE, "..", "sample")
LOG_NAME = "SampleDay.csv"
HEADING = "RxSpot 3.2 spot log"

# The six tracked calls, in slot order, and when each is on the air (hour ranges, UTC).
TRACKED = [
    ("DL1ABC", [(5, 21)]),
    ("G4XYZ", [(6, 11), (15, 22)]),
    ("K1JT", [(11, 23)]),
    ("VK2DX", [(6, 9), (19, 22)]),
    ("JA1NRH", [(7, 12)]),
    ("PY2AA", [(0, 2), (19, 24)]),
]

# Regions: prefixes, the hours their path is open, a typical SNR at the best hour, and weight.
REGIONS = [
    ("EU", ["DL", "DK", "DJ", "G", "M", "F", "EA", "I", "IK", "PA", "ON", "OK", "OM", "SP", "SQ",
            "HA", "YO", "LZ", "9A", "S5", "OE", "HB9", "OZ", "SM", "LA", "OH", "ES", "YL", "LY",
            "EI", "GM", "CT", "SV", "UR", "UT"], (5, 22), 4.0, 9.0),
    ("RU", ["UA", "RA", "RN", "RW", "R", "UA9", "RK9"], (4, 20), -4.0, 2.0),
    ("NA", ["K", "W", "N", "AA", "KB", "KD", "WA", "VE", "VA"], (11, 24), -8.0, 4.0),
    ("SA", ["PY", "PU", "LU", "CE", "CX", "HK", "YV", "OA"], (18, 26), -10.0, 1.5),
    ("AF", ["ZS", "5H", "9J", "EA8", "CN", "SU", "5Z"], (6, 20), -9.0, 1.0),
    ("AS", ["JA", "JH", "JR", "JE", "BY", "BG", "HL", "DS", "VU", "4X", "A6", "HZ", "BV", "YB"],
     (4, 13), -12.0, 2.0),
    ("OC", ["VK", "ZL", "KH6", "DU", "9M2"], (5, 9), -14.0, 1.0),
]

LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"


def make_call(rng, prefix):
    digit = "" if prefix[-1].isdigit() else str(rng.randrange(10))
    suffix = "".join(rng.choice(LETTERS) for _ in range(rng.choice([1, 2, 2, 3, 3, 3])))
    call = prefix + digit + suffix
    if rng.random() < 0.03:
        call += rng.choice(["/P", "/M", "/QRP"])
    return call


def open_at(hours, hour):
    for start, end in hours:
        if start <= hour < end or start <= hour + 24 < end:
            return True
    return False


def path_snr(rng, hours, best, hour):
    """SNR on an open path: best in the middle of the opening, weaker at its edges."""
    for start, end in hours:
        h = hour if start <= hour < end else hour + 24
        if start <= h < end:
            middle = (start + end) / 2
            half = max((end - start) / 2, 0.5)
            fade = math.cos(min(abs(h - middle) / half, 1.0) * math.pi / 2)
            return best - 14 * (1 - fade) + rng.gauss(0, 5)
    return best - 20 + rng.gauss(0, 4)


def smeter_for(rng, snr):
    """The receiver's S-meter: negative, 0 at the top of the scale, loosely following the SNR."""
    reading = -28 + 1.1 * snr + rng.gauss(0, 4)
    return max(-60.0, min(-1.0, round(reading, 1)))


def main():
    rng = random.Random(SEED)
    stations = []  # (call, hours, best snr, activity)
    for region, prefixes, hours, best, weight in REGIONS:
        count = int(260 * weight)
        for _ in range(count):
            call = make_call(rng, rng.choice(prefixes))
            # Most stations are heard once or twice, a few regulars all through their opening.
            activity = rng.paretovariate(1.3)
            stations.append((call, [hours], best + rng.gauss(0, 3), activity))
    total = sum(activity for _, _, _, activity in stations)
    records = []
    while len(records) < RECORDS:
        pick = rng.uniform(0, total)
        for call, hours, best, activity in stations:
            pick -= activity
            if pick <= 0:
                break
        second = rng.randrange(86400)
        hour = second / 3600
        if not open_at(hours, hour) and rng.random() < 0.97:
            continue
        snr = round(path_snr(rng, hours, best, hour))
        if rng.random() < 0.004:
            snr = rng.choice([22, 24, 27, -35])  # a local station, or one at the decoder's floor
        snr = max(-36, min(30, snr))
        records.append((second, call, snr, smeter_for(rng, snr)))

    # The tracked calls are regulars: heard every few minutes while their path is open.
    for call, hours in TRACKED:
        best = rng.uniform(-4, 8)
        for start, end in hours:
            second = start * 3600 + rng.randrange(600)
            while second < end * 3600:
                hour = second / 3600
                snr = round(path_snr(rng, hours, best, hour % 24))
                snr = max(-36, min(30, snr))
                records.append((second % 86400, call, snr, smeter_for(rng, snr)))
                second += rng.randrange(300, 1500)

    records.sort()
    lines = [HEADING]
    for second, call, snr, smeter in records:
        time_text = "%02d:%02d:%02d" % (second // 3600, second // 60 % 60, second % 60)
        freq = 14074.0 + rng.randrange(3000) / 1000
        lines.append("%s,%.3f FT8,%s,%d,%.1f" % (call, freq, time_text, snr, smeter))
    with open(os.path.join(SAMPLE, LOG_NAME), "wb") as out:
        out.write(("\r\n".join(lines) + "\r\n").encode("ascii"))

    setup = [LOG_NAME, "Y"] + [call for call, _ in TRACKED]
    with open(os.path.join(SAMPLE, "Orbelin020.SET"), "wb") as out:
        out.write(("\r\n".join(setup) + "\r\n").encode("ascii"))

    distinct = len({call for _, call, _, _ in records})
    print("%d records, %d distinct calls" % (len(records), distinct))


if __name__ == "__main__":
    main()
