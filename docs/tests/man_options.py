#!/usr/bin/python3
"""Checks that each man page documents exactly the options its program's --help lists.

Usage: man_options.py PROGRAM PAGE [PROGRAM PAGE]...

--help's options are the option words at the start of the lines of its "Options:" section;
the page's are the option words of the tag line after each .TP of its OPTIONS section.
"""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])--?[a-zA-Z][\w-]*")


def help_options(program):
    text = subprocess.run([program, "--help"], capture_output=True, text=True,
                          check=True).stdout
    section = text.split("Options:\n", 1)[1].split("\n\n", 1)[0]
    options = set()
    for line in section.splitlines():
        words = line.split()
        if words and words[0].startswith("-"):
            options.update(OPTION.findall(words[0]))
    return options


def page_options(page):
    with open(page, encoding="utf-8") as f:
        text = f.read().replace("\\-", "-")
    section = text.split(".SH OPTIONS\n", 1)[1].split("\n.SH ", 1)[0]
    tags = re.findall(r"^\.TP\n(.*)$", section, flags=re.M)
    return {o for tag in tags for o in OPTION.findall(re.sub(r"\\f[BIR]", " ", tag))}


def main():
    args = sys.argv[1:]
    failed = 0
    for program, page in zip(args[::2], args[1::2]):
        in_help, in_page = help_options(program), page_options(page)
        if in_help != in_page:
            failed += 1
            print(f"FAILED {page}: only in --help: {sorted(in_help - in_page)}, "
                  f"only in the page: {sorted(in_page - in_help)}")
        else:
            print(f"ok {page}: {len(in_help)} options, as --help lists them")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
