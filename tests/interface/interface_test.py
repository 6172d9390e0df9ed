#!/usr/bin/env python3
# Every number kalmor.h gives a name (#define, constexpr or enumerator) is the
# one numbers.txt, written from the component's documentation, gives it; a
# name whose value is not a plain number is listed too, unread.
#     interface_test.py HEADER TABLE

import re
import sys

NUMBER = r"[-+]?(?:0[xX][0-9a-fA-F]+|\d+)"


def values(pairs):
    return {name: int(value.rstrip("uUlL"), 0) for name, value in pairs}


header, table = (open(path).read() for path in sys.argv[1:])
code = re.sub(r"//[^\n]*|/\*.*?\*/", "", header, flags=re.S)
found = values(re.findall(r"^\s*#\s*define\s+(\w+)\s+\(?(%s)[uUlL]*\)?\s*$" % NUMBER, code, re.M))
found.update(values(re.findall(r"\bconstexpr\b[^=;(]*?\b(\w+)\s*=\s*(%s[uUlL]*)\s*;" % NUMBER, code)))
for body in re.findall(r"\benum\b[^{;]*\{([^}]*)\}", code):
    value = -1
    for name, given in re.findall(r"(\w+)\s*(?:=\s*(%s))?\s*(?:,|$)" % NUMBER, body.strip()):
        value = int(given, 0) if given else value + 1
        found[name] = value
named = set(re.findall(r"^\s*#\s*define\s+(\w+)\s+[^\s\"]", code, re.M))
named |= set(re.findall(r"\bconstexpr\b[^=;(]*?\b(\w+)\s*=\s*[^\s\"]", code))
documented = values(re.findall(r"^(\w+)\s+(%s)\s*$" % NUMBER, table, re.M))
wrong = ["%s is %d in the header, %s" % (name, value, "%d documented" % documented[name]
         if name in documented else "not in the table")
         for name, value in sorted(found.items()) if documented.get(name) != value]
wrong += ["%s is not a plain number in the header" % name for name in sorted(named - set(found))]
assert len(found) > 100, "only %d numbered names found in the header" % len(found)
assert not wrong, "\n".join(wrong)
print("ok: %d names" % len(found))
