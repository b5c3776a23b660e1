#!/usr/bin/env python3
"""Reads SARIF logs as code scanning does: validates each against the 2.1.0
schema when it is given and there, then prints one line a result:
RULE LEVEL URI LINE (LINE is - for a result without one)."""
import json
import os
import sys

schema_path, logs = sys.argv[1], sys.argv[2:]
validator = None
if os.path.exists(schema_path):
    import jsonschema  # Debian's python3-jsonschema

    with open(schema_path, encoding="utf-8") as schema_file:
        schema = json.load(schema_file)
    validator = jsonschema.validators.validator_for(schema)(schema)
print("validated" if validator else "no schema")
for path in logs:
    with open(path, encoding="ascii") as log_file:
        log = json.load(log_file)
    if validator:
        errors = list(validator.iter_errors(log))
        for error in errors[:5]:
            print("invalid:", error.message, list(error.absolute_path))
        if errors:
            sys.exit(1)
    run = log["runs"][0]
    rules = run["tool"]["driver"]["rules"]
    for result in run["results"]:
        rule = rules[result["ruleIndex"]]
        if rule["id"] != result["ruleId"]:
            print("ruleIndex names", rule["id"], "not", result["ruleId"])
        if rule["defaultConfiguration"]["level"] != result["level"]:
            print("level", result["level"], "differs from its rule's")
        place = result["locations"][0]["physicalLocation"]
        line = place.get("region", {}).get("startLine", "-")
        print(result["ruleId"], result["level"], place["artifactLocation"]["uri"], line)
