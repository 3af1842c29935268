#!/usr/bin/env python3
"""Counts the results of one test run honestly.

Reads <results>/suites.tsv, one line per suite: name, status, detail, where status is
"ok" when the suite's ctest ran (detail: ctest's exit code) or a word saying what failed
before any test could run ("configure", "build", ...; detail: why). Each suite that ran
has its JUnit report <results>/<name>.xml.

A suite counts as failed (one failure, one line saying which suite and why) when it did
not configure, build or start, when its report is missing or holds no test, or when
ctest exited non-zero without a failing test case to show for it (tests that could not be
discovered or started). Prints one line per suite and the summary line last; the exit
status is 0 only when nothing failed.
"""
import os
import sys
import xml.etree.ElementTree as ET


def count_report(path):
    passed = failed = skipped = 0
    failures = []
    for case in ET.parse(path).getroot().iter("testcase"):
        name = case.get("name", "")
        if name.startswith("wine_bench_"):
            continue  # the bench's own set-up and clean-up steps
        status = case.get("status", "")
        if case.find("failure") is not None or case.find("error") is not None or status == "fail":
            failed += 1
            failures.append(name)
        elif case.find("skipped") is not None or status in ("notrun", "disabled"):
            skipped += 1
        else:
            passed += 1
    return passed, failed, skipped, failures


def main(results):
    total_p = total_f = total_s = 0
    per_suite = []
    table = os.path.join(results, "suites.tsv")
    lines = open(table, encoding="utf-8").read().splitlines() if os.path.exists(table) else []
    if not lines:
        print("no suite ran: FAILED")
        total_f += 1
    for line in lines:
        name, status, detail = (line.split("\t") + ["", ""])[:3]
        if status != "ok":
            print(f"suite {name}: {status} FAILED ({detail}); counted as 1 failed")
            total_f += 1
            per_suite.append(f"{name} did not run")
            continue
        report = os.path.join(results, name + ".xml")
        if not os.path.exists(report):
            print(f"suite {name}: no test report (ctest exit {detail}); counted as 1 failed")
            total_f += 1
            per_suite.append(f"{name} did not report")
            continue
        try:
            p, f, s, failures = count_report(report)
        except ET.ParseError as e:
            print(f"suite {name}: unreadable test report ({e}); counted as 1 failed")
            total_f += 1
            per_suite.append(f"{name} did not report")
            continue
        why = ""
        if p + f + s == 0:
            why = "no test ran"
        elif detail != "0" and f == 0:
            why = f"ctest exited {detail} without a failing test: tests not discovered or not started"
        if why:
            print(f"suite {name}: {why}; counted as 1 failed")
            f += 1
        for n in failures[:20]:
            print(f"suite {name}: FAILED {n}")
        print(f"suite {name}: {p} passed, {f} failed, {s} skipped")
        per_suite.append(f"{name} {p + f + s}")
        total_p += p
        total_f += f
        total_s += s
    print(f"{total_p} passed, {total_f} failed, {total_s} skipped ({', '.join(per_suite)})")
    return 0 if total_f == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
