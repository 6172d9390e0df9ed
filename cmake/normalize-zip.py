#!/usr/bin/env python3
"""Rewrites a zip so that the same files always give the same bytes: entries
sorted by name, every one stamped with one fixed time (SOURCE_DATE_EPOCH,
else 1 January 1980), plain read-write files with no owners or extra fields,
deflated.

    normalize-zip.py ZIP"""

import os
import sys
import time
import zipfile


def normalize(path):
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    # Zip times are calendar fields without a zone, kept to even seconds
    # from 1980 on; UTC keeps them the same wherever the zip is made.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path) as source:
        entries = sorted((info.filename, source.read(info)) for info in source.infolist())
    with zipfile.ZipFile(path, "w") as target:
        for name, data in entries:
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            target.writestr(info, data, compresslevel=9)


if __name__ == "__main__":
    for zip_path in sys.argv[1:]:
        normalize(zip_path)
