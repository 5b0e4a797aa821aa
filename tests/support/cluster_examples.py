#!/usr/bin/env python3
"""The README's cluster examples: the Kubernetes Job parses and holds what a
cluster needs to run the batch command safely and act on its exit status; the
Slurm script passes bash -n and asks for memory and time.
Usage: cluster_examples.py README.md"""
import re
import subprocess
import sys

import yaml


def blocks(readme, language):
    return re.findall(r"^```" + language + r"\n(.*?)^```", readme, re.S | re.M)


def check_job(job):
    spec = job["spec"]
    pod = spec["template"]["spec"]
    container = pod["containers"][0]
    rules = {tuple(rule["onExitCodes"]["values"]): rule["action"]
             for rule in spec["podFailurePolicy"]["rules"] if "onExitCodes" in rule}
    mounts = {mount["mountPath"]: mount["name"] for mount in container["volumeMounts"]}
    volumes = {volume["name"]: volume for volume in pod["volumes"]}
    script = " ".join(container["args"])
    checks = {
        "an Indexed Job": job["kind"] == "Job" and spec["completionMode"] == "Indexed",
        "backoffLimitPerIndex": spec.get("backoffLimitPerIndex", 0) > 0,
        "75 tried again": rules.get((75,)) == "Count",
        "1 and 2 fail the share": rules.get((1, 2)) == "FailIndex",
        "evictions ignored": any(rule["action"] == "Ignore" and "onPodConditions" in rule
                                 for rule in spec["podFailurePolicy"]["rules"]),
        "restartPolicy Never": pod["restartPolicy"] == "Never",
        "numeric non-root user": pod["securityContext"]["runAsNonRoot"] is True
        and isinstance(pod["securityContext"]["runAsUser"], int) and pod["securityContext"]["runAsUser"] != 0,
        "read-only root": container["securityContext"]["readOnlyRootFilesystem"] is True,
        "no privilege escalation": container["securityContext"]["allowPrivilegeEscalation"] is False,
        "limits": {"cpu", "memory"} <= set(container["resources"]["limits"]),
        "/tmp an emptyDir": "emptyDir" in volumes[mounts["/tmp"]],
        "/work an emptyDir": "emptyDir" in volumes[mounts["/work"]],
        "an init reaps": container["command"][0] == "tini",
        "shares as completions": "--shard auto/%d" % spec["completions"] in script,
        "resumes its own report": "--resume" in script and "--report" in script,
        "quiet": "--quiet" in script,
    }
    return [name for name, holds in checks.items() if not holds]


def check_slurm(script):
    failures = []
    syntax = subprocess.run(["bash", "-n"], input=script, text=True, capture_output=True)
    if syntax.returncode != 0:
        failures.append("bash -n: " + syntax.stderr.strip())
    for option in ("--mem=", "--time=", "--array=", "--requeue"):
        if not re.search(r"^#SBATCH " + option, script, re.M):
            failures.append("#SBATCH " + option)
    if "--shard auto" not in script or '-eq 75' not in script:
        failures.append("--shard auto and a requeue on 75")
    return failures


def main():
    readme = open(sys.argv[1], encoding="utf-8").read()
    jobs = [doc for block in blocks(readme, "yaml") for doc in yaml.safe_load_all(block) if doc]
    scripts = [block for block in blocks(readme, "bash") if "#SBATCH" in block]
    if len(jobs) != 1 or len(scripts) != 1:
        print("expected one Kubernetes Job and one Slurm script, found %d and %d" % (len(jobs), len(scripts)))
        return 1
    failures = ["job: " + name for name in check_job(jobs[0])] + ["slurm: " + name for name in check_slurm(scripts[0])]
    for failure in failures:
        print("missing or wrong:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
