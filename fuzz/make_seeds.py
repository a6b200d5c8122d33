"""Writes the seed corpus of the tag-reader fuzz target into the folder given as argument:
tags written by mutagen (versions 2.3 and 2.4, every encoding, pictures, comments, user
texts), hand-built version 2.2, unsynchronised and extended-header tags, an ID3v1 block and a
trailer block."""
import os
import struct
import sys

from mutagen.id3 import APIC, COMM, ID3, TBPM, TIT2, TPE1, TXXX

FAKE_AUDIO = b"\xff\xfb\x90\x00" + bytes(200)


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def tag(version, flags, body):
    return b"ID3" + bytes([version, 0, flags]) + syncsafe(len(body)) + body


def v23(fid, body, status=0, fmt=0):
    return fid + struct.pack(">I", len(body)) + bytes([status, fmt]) + body


def v24(fid, body, status=0, fmt=0):
    return fid + syncsafe(len(body)) + bytes([status, fmt]) + body


def unsync(data):
    return data.replace(b"\xff", b"\xff\x00")


def main(folder):
    seeds = {}
    for version in (3, 4):
        for encoding in range(4):
            path = os.path.join(folder, "mutagen-%d-%d" % (version, encoding))
            with open(path, "wb") as f:
                f.write(FAKE_AUDIO)
            t = ID3()
            t.add(TIT2(encoding=encoding, text="Title \u00e9"))
            t.add(TPE1(encoding=encoding, text=["One", "Two"]))
            t.add(TBPM(encoding=encoding, text="128"))
            t.add(COMM(encoding=encoding, lang="eng", desc="", text="note"))
            t.add(COMM(encoding=encoding, lang="deu", desc="d", text="Notiz"))
            t.add(TXXX(encoding=encoding, desc="key", text="value"))
            t.add(APIC(encoding=encoding, mime="image/png", type=3, desc="c", data=b"\x89PNG\xff\x00"))
            t.save(path, v2_version=version, padding=lambda info: 16)
    text = b"\x01\xff\xfe\xff\x00x\x00"
    seeds["v22"] = tag(2, 0, b"TT2\x00\x00\x05\x00Song" + b"PIC\x00\x00\x10\x00JPG\x03c\x00" + bytes(10)) + FAKE_AUDIO
    seeds["v23-unsync"] = tag(3, 0x80, unsync(v23(b"TIT2", text))) + FAKE_AUDIO
    seeds["v23-ext"] = tag(3, 0x40, struct.pack(">I", 6) + bytes(6) + v23(b"TIT2", b"\x00T")) + FAKE_AUDIO
    seeds["v24-ext-footer"] = tag(4, 0x50, syncsafe(6) + b"\x01\x00" + v24(b"TIT2", b"\x03T")) + b"3DI" + bytes(7) + FAKE_AUDIO
    seeds["v24-frame-flags"] = tag(4, 0, v24(b"TIT2", b"\x01" + syncsafe(3) + unsync(b"\x03\xff\x00"), 0x40, 0x43)) + FAKE_AUDIO
    seeds["v24-unsync"] = tag(4, 0x80, v24(b"TIT2", unsync(text)) + v24(b"TPE1", b"\x00A")) + FAKE_AUDIO
    v1 = bytearray(128)
    v1[0:3] = b"TAG"
    v1[3:8] = b"Title"
    v1[33:39] = b"Artist"
    v1[127] = 17
    seeds["id3v1"] = FAKE_AUDIO + bytes(v1)
    strings = b"".join(struct.pack("<H", len(s)) + s for s in (b"Title", b"Album", b"Artist"))
    seeds["trailer"] = strings + bytes(7936 - 48 - len(strings)) + b"Zinth" + bytes(43)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
