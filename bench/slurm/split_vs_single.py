#!/usr/bin/env python3
"""Whether the tasks of a split run wrote, together, what one run over all
their seeds wrote.

  split_vs_single.py SINGLE_DIR SINGLE_LIST TASK_DIR TASK_LIST_0 TASK_LIST_1 ...

Each LIST names the files one run wrote, a path relative to its DIR a line;
the task lists come in task order. Three kinds of files are told apart by
their names:
  *.jsonl  manifests: the tasks' manifests, one after the other in task
           order, must be the single run's manifest byte for byte;
  *.tar    shards: their members, taken in task order and within a task in
           shard order, must be the single run's members, name for name and
           byte for byte; a sample's members (KEY.png, KEY.json, KEY.box, KEY
           being the name up to its first ".") must follow one another within
           one shard;
  others   pictures, box files, ...: the same names with the same bytes.
Prints one line a check and exits 1 when any fails.
"""
import hashlib
import os
import re
import sys
import tarfile


def natural(name):
    """Sort key in which shards-s0-000010.tar comes after shards-s0-000009.tar
    whatever the width of the numbers."""
    return [int(part) if part.isdigit() else part for part in re.split(r"(\d+)", name)]


def read_list(path):
    with open(path, encoding="utf-8") as f:
        return sorted((line for line in f.read().splitlines() if line), key=natural)


def digest(data):
    return hashlib.sha256(data).hexdigest()


class Run:
    """The files of one run (the single run, or one task), sorted by kind."""

    def __init__(self, root, names):
        self.root = root
        self.manifests = [n for n in names if n.endswith(".jsonl")]
        self.shards = [n for n in names if n.endswith(".tar")]
        self.others = [n for n in names if not n.endswith((".jsonl", ".tar"))]

    def path(self, name):
        return os.path.join(self.root, name)

    def manifest_bytes(self):
        data = b""
        for name in self.manifests:
            with open(self.path(name), "rb") as f:
                data += f.read()
        return data

    def members(self):
        """(shard, member name, size, sha256) for every member, in order."""
        result = []
        for shard in self.shards:
            with tarfile.open(self.path(shard), "r:") as tar:
                for info in tar:
                    if not info.isfile():
                        result.append((shard, info.name, -1, "not a regular file"))
                        continue
                    data = tar.extractfile(info).read()
                    result.append((shard, info.name, len(data), digest(data)))
        return result


def check_samples(label, members):
    """A sample's members share one key and follow one another in one shard.
    Returns a list of problems, and the number of samples."""
    problems = []
    seen = set()
    names = set()
    key = shard = None
    for member_shard, name, _, _ in members:
        if name in names:
            problems.append(f"{label}: member {name} written twice")
        names.add(name)
        member_key = name.split(".", 1)[0]
        if member_key != key:
            if member_key in seen:
                problems.append(f"{label}: the members of sample {member_key} are not consecutive")
            seen.add(member_key)
            key, shard = member_key, member_shard
        elif member_shard != shard:
            problems.append(f"{label}: sample {key} lies in two shards ({shard}, {member_shard})")
            shard = member_shard
    return problems, len(seen)


def report(ok, text):
    print(f"  {'PASS' if ok else 'FAIL'}  {text}")
    return ok


def compare_manifests(single, tasks):
    joined = b"".join(task.manifest_bytes() for task in tasks)
    whole = single.manifest_bytes()
    if not single.manifests:
        return report(False, "the single run wrote no manifest (*.jsonl)")
    counts = "+".join(str(len(task.manifests)) for task in tasks)
    same = joined == whole
    lines, lines_whole = joined.count(b"\n"), whole.count(b"\n")
    text = (f"manifests: the tasks' ({counts} files, {len(joined):,} bytes, "
            f"{lines:,} lines) joined in task order "
            f"{'==' if same else '!='} the single run's ({len(whole):,} bytes, "
            f"{lines_whole:,} lines)")
    if not same:
        for n, (a, b) in enumerate(zip(joined.splitlines(), whole.splitlines())):
            if a != b:
                text += f"; first difference in line {n + 1}"
                break
    return report(same, text)


def compare_shards(single, tasks):
    split = [m for task in tasks for m in task.members()]
    whole = single.members()
    ok = True
    for label, members in (("tasks", split), ("single run", whole)):
        problems, samples = check_samples(label, members)
        for problem in problems[:10]:
            print(f"        {problem}")
        ok &= report(not problems,
                     f"samples of the {label}: {samples:,} samples, {len(members):,} members, "
                     f"each sample's members consecutive in one shard")
    # The shards themselves may be cut elsewhere: only the members count.
    strip = [(name, size, sha) for _, name, size, sha in split]
    strip_whole = [(name, size, sha) for _, name, size, sha in whole]
    same = strip == strip_whole
    text = (f"shard members: the tasks' {len(split):,} members "
            f"({sum(len(t.shards) for t in tasks)} shards, "
            f"{sum(max(s, 0) for _, s, _ in strip):,} bytes) in task and shard order "
            f"{'==' if same else '!='} the single run's {len(whole):,} "
            f"({len(single.shards)} shards, {sum(max(s, 0) for _, s, _ in strip_whole):,} bytes)")
    if not same:
        for n in range(max(len(strip), len(strip_whole))):
            a = strip[n] if n < len(strip) else None
            b = strip_whole[n] if n < len(strip_whole) else None
            if a != b:
                if a and b and a[0] == b[0]:
                    text += f"; first difference at member {n + 1}, {a[0]}: different bytes"
                else:
                    text += (f"; first difference at member {n + 1}: "
                             f"{a[0] if a else 'none'} vs {b[0] if b else 'none'}")
                break
    return report(same, text) and ok


def compare_others(single, tasks):
    split = {}
    twice = []
    for task in tasks:
        for name in task.others:
            if name in split:
                twice.append(name)
            split[name] = task.path(name)
    whole = {name: single.path(name) for name in single.others}
    if not split and not whole:
        return True
    missing = sorted(set(whole) - set(split), key=natural)
    extra = sorted(set(split) - set(whole), key=natural)
    differ = []
    size = 0
    for name in sorted(set(split) & set(whole), key=natural):
        with open(split[name], "rb") as a, open(whole[name], "rb") as b:
            data = a.read()
            if data != b.read():
                differ.append(name)
            size += len(data)
    for what, names in (("written by two tasks", twice), ("only in the single run", missing),
                        ("only in the tasks", extra), ("different bytes", differ)):
        if names:
            print(f"        {len(names)} {what}: {' '.join(names[:5])}{' ...' if len(names) > 5 else ''}")
    ok = not (twice or missing or extra or differ)
    return report(ok, f"other files: the tasks' {len(split):,} files vs the single run's "
                      f"{len(whole):,}, {size:,} bytes compared, "
                      f"{'all the same' if ok else 'not the same'}")


def main(argv):
    if len(argv) < 5:
        sys.exit(__doc__)
    single = Run(argv[1], read_list(argv[2]))
    task_root = argv[3]
    tasks = [Run(task_root, read_list(path)) for path in argv[4:]]
    ok = compare_manifests(single, tasks)
    if single.shards or any(task.shards for task in tasks):
        ok &= compare_shards(single, tasks)
    ok &= compare_others(single, tasks)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
