#!/usr/bin/env python3
"""Validates JSON summaries against the shipped schema
(docs/twinser-summary.schema.json), printing every violation.

Usage: check_schema.py SUMMARY.json...
       check_schema.py --mutations SUMMARY.json
The second form checks the schema itself: the summary must pass, and each of
a list of faults a writer could make, put into it one at a time, must fail."""
import copy
import json
import os
import sys

import jsonschema

SCHEMA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs",
                      "twinser-summary.schema.json")


def validator():
    schema = json.load(open(SCHEMA))
    jsonschema.Draft202012Validator.check_schema(schema)
    return jsonschema.Draft202012Validator(schema)


def errors(v, doc):
    return [f"{e.json_path}: {e.message[:160]}" for e in v.iter_errors(doc)]


def mutations(doc):
    """(what, changed copy) for faults the schema must catch."""
    def changed(what, edit):
        d = copy.deepcopy(doc)
        edit(d)
        return what, d
    w = "whole_period"
    out = [changed("schema string changed", lambda d: d.update(schema="twinser-summary/2")),
           changed("a whole-period measure missing", lambda d: d[w].pop("nse")),
           changed("a measure written as text", lambda d: d[w].update(nse="nan"))]
    if "low_flow" in doc[w]:
        out += [changed("a low-flow field renamed", lambda d: d[w]["low_flow"].update(log_nse2=1)),
                changed("a benchmark null without its reason",
                        lambda d: d[w]["benchmark"].update(seasonal_nse=None)),
                changed("the mean-flow KGE not 1 - sqrt 2",
                        lambda d: d[w]["benchmark"].update(mean_flow_kge=-0.4)),
                changed("a reason beside values", lambda d: d[w]["uncertainty"].update(reason="x")),
                changed("an empty reason", lambda d: d[w].update(low_flow={"reason": ""}))]
    if "exceedance_percent" in doc.get("duration_curve", {}):
        out += [changed("an exceedance of 100 %",
                        lambda d: d["duration_curve"]["exceedance_percent"].append(100)),
                changed("a segment without bounds",
                        lambda d: d["duration_curve"]["mid_slope_bias"].pop("from_percent"))]
    return out


def main(args):
    v = validator()
    if args[:1] == ["--mutations"]:
        doc = json.load(open(args[1]))
        bad = errors(v, doc)
        for what, d in mutations(doc):
            if not errors(v, d):
                bad.append(f"the schema lets through: {what}")
        for line in bad:
            print(line)
        return 1 if bad else 0
    fail = 0
    for name in args:
        for line in errors(v, json.load(open(name)))[:20]:
            print(f"{name}: {line}")
            fail = 1
    return fail


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
