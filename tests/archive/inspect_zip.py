"""Describes a zip with Python's zipfile, independent of the code under test:
inspect_zip.py ZIP

One line per entry, in archive order:
  <name>\t<method: stored|deflated|...>\t<flag bits hex>\t<unix mode octal>\t<extra field ids>
then "local ok" when every local header has the central header's flags, no data-descriptor flag
and no zip64 extra field (else "local bad <name>"), "testzip ok" (or "testzip bad <name>"),
"comment <length>", and "last <text of the last
entry, repr>".
"""
import struct
import sys
import zipfile

METHODS = {zipfile.ZIP_STORED: "stored", zipfile.ZIP_DEFLATED: "deflated"}


def extra_ids(extra):
    ids = []
    at = 0
    while at + 4 <= len(extra):
        header, size = struct.unpack_from("<HH", extra, at)
        ids.append("%04x" % header)
        at += 4 + size
    return ",".join(ids) or "-"


def main():
    with zipfile.ZipFile(sys.argv[1]) as z:
        infos = z.infolist()
        for info in infos:
            print("\t".join([
                info.filename,
                METHODS.get(info.compress_type, str(info.compress_type)),
                "%x" % info.flag_bits,
                "%o" % (info.external_attr >> 16),
                extra_ids(info.extra),
            ]))
        raw = open(sys.argv[1], "rb").read()
        local_bad = None
        for info in infos:
            at = info.header_offset
            if raw[at:at + 4] != b"PK\x03\x04":
                local_bad = info.filename
                break
            flags, = struct.unpack_from("<H", raw, at + 6)
            name_len, extra_len = struct.unpack_from("<HH", raw, at + 26)
            extra = raw[at + 30 + name_len:at + 30 + name_len + extra_len]
            if flags != info.flag_bits or flags & 0x08 or "0001" in extra_ids(extra).split(","):
                local_bad = info.filename
                break
        print("local ok" if local_bad is None else "local bad " + local_bad)
        bad = z.testzip()
        print("testzip ok" if bad is None else "testzip bad " + bad)
        print("comment %d" % len(z.comment))
        if infos:
            print("last " + repr(z.read(infos[-1]).decode("latin-1")))


if __name__ == "__main__":
    main()
