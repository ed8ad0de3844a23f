#!/usr/bin/python3
"""Runs the shell examples of documentation pages as written and checks what they print.

Usage: run_examples.py SOURCE_DIR BUILD_DIR PAGE...

An example is a line "$ command" in a ```console block; the lines after it, up to the next
command or the block's end, are exactly what it prints on standard output, and it must exit 0.
The commands of a page run in order from the repository's root, each in a fresh bash that has
first run the page's earlier "export" commands. The root is a scratch directory whose entries
link to the source tree's, with build/default linked to BUILD_DIR, so that an example that
writes a file leaves the tree as it was. No display is set: the examples need none.
"""
import os
import subprocess
import sys
import tempfile


def examples(text):
    """The (command, expected output) pairs of a page's console blocks, in order."""
    found, in_block, current = [], False, None
    for line in text.splitlines():
        if line.startswith("```"):
            in_block = line.strip() == "```console"
            current = None
            continue
        if not in_block:
            continue
        if line.startswith("$ "):
            current = [line[2:], []]
            found.append(current)
        elif current is not None:
            current[1].append(line)
    return [(command, "\n".join(lines)) for command, lines in found]


def scratch_root(source, build):
    """A directory that looks like the repository's root after the build."""
    root = tempfile.mkdtemp(prefix="tarnwick-docs-")
    for entry in os.listdir(source):
        if entry not in ("build", ".git"):
            os.symlink(os.path.join(source, entry), os.path.join(root, entry))
    os.makedirs(os.path.join(root, "build"))
    os.symlink(os.path.abspath(build), os.path.join(root, "build", "default"))
    return root


def run_page(root, page, env):
    """Runs a page's examples; the number that failed (a page without any fails too)."""
    with open(os.path.join(root, page), encoding="utf-8") as f:
        found = examples(f.read())
    if not found:
        print(f"{page}: no examples found")
        return 1
    failed, exports = 0, []
    for command, expected in found:
        script = "\n".join(exports + [command])
        result = subprocess.run(["bash", "-c", script], cwd=root, env=env, capture_output=True,
                                text=True, check=False)
        printed = result.stdout.rstrip("\n")
        if result.returncode != 0 or printed != expected:
            failed += 1
            print(f"FAILED {page}: $ {command}\n  status {result.returncode}\n"
                  f"  expected:\n{expected}\n  printed:\n{printed}\n  stderr:\n{result.stderr}")
        else:
            print(f"ok {page}: $ {command}")
        if command.startswith("export "):
            exports.append(command)
    return failed


def main():
    source, build, pages = sys.argv[1], sys.argv[2], sys.argv[3:]
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    root = scratch_root(source, build)
    failed = sum(run_page(root, page, env) for page in pages)
    subprocess.run(["rm", "-rf", root], check=False)
    print(f"{failed} example(s) failed" if failed else "every example printed what it shows")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
