#!/usr/bin/env python3
"""Writes zone_reference.txt: every change of offset or abbreviation of a few
zones from 1850 to 2799 as Python's zoneinfo reads the system's tz database
(zoneinfo applies the files' rule for the years after their last listed
change itself), with the way a local time in the middle of each change reads.

Run from this folder:  python3 make_zone_reference.py > zone_reference.txt

Each line: zone, the change in seconds since 1970-01-01 00:00 UT, the offset
before and after (seconds east), the abbreviations before and after, then the
local time in the middle of the change (seconds since 1970-01-01 00:00 local)
and how it reads: U (once), R (twice), S (never).
"""
import datetime as dt
import sys
import zoneinfo

# With rules of every shape after their last listed change: none
# (Kolkata, Kiritimati), half an hour (Lord_Howe), winter as the "daylight"
# time (Dublin), changes at negative hours (Nuuk), at 26:00 (Jerusalem), at
# 24:00 of a Saturday (Santiago), Ramadan listed to 2087 (Casablanca).
ZONES = ["Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Asia/Kolkata", "Africa/Monrovia",
         "Pacific/Kiritimati", "Europe/Dublin", "America/Nuuk", "Asia/Jerusalem", "America/Santiago",
         "Africa/Casablanca"]
UTC = dt.timezone.utc
EPOCH = dt.datetime(1970, 1, 1, tzinfo=UTC)
FIRST = int((dt.datetime(1850, 1, 1, tzinfo=UTC) - EPOCH).total_seconds())
LAST = int((dt.datetime(2799, 12, 31, tzinfo=UTC) - EPOCH).total_seconds())
STEP = 6 * 3600  # no two changes of these zones lie closer


def state(zone, seconds):
    local = (EPOCH + dt.timedelta(seconds=seconds)).astimezone(zone)
    return int(local.utcoffset().total_seconds()), local.tzname()


def reading(zone, local_seconds):
    naive = dt.datetime(1970, 1, 1) + dt.timedelta(seconds=local_seconds)
    early, late = naive.replace(tzinfo=zone, fold=0), naive.replace(tzinfo=zone, fold=1)
    if early.utcoffset() == late.utcoffset():
        return "U"
    # A time that does not come back unchanged through UT was skipped.
    back = early.astimezone(UTC).astimezone(zone).replace(tzinfo=None)
    return "R" if back == naive else "S"


def main():
    out = sys.stdout
    out.write("# zone change_utc offset_before offset_after abbreviation_before abbreviation_after"
              " probe_local reading\n")
    out.write("# tzdata " + open("/usr/share/zoneinfo/tzdata.zi").readline().split()[-1] + "\n")
    for name in ZONES:
        zone = zoneinfo.ZoneInfo(name)
        t, before = FIRST, state(zone, FIRST)
        while t < LAST:
            after = state(zone, t + STEP)
            if after != before:
                lo, hi = t, t + STEP  # before at lo, changed at hi
                while hi - lo > 1:
                    mid = (lo + hi) // 2
                    if state(zone, mid) == before:
                        lo = mid
                    else:
                        hi = mid
                changed = state(zone, hi)
                probe = hi + (before[0] + changed[0]) // 2
                out.write(f"{name} {hi} {before[0]} {changed[0]} {before[1]} {changed[1]} {probe} "
                          f"{reading(zone, probe)}\n")
                before = changed
                t = hi
                continue
            t += STEP


if __name__ == "__main__":
    main()
