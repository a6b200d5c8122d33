"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/ (the files are checked
in; run this again only to change them): small WAVE files of every sample layout and their
damaged forms; ID3v2 tags written by mutagen (versions 2.3 and 2.4, every encoding, pictures,
comments, user texts) and hand-built version 2.2, unsynchronised and extended-header tags; ID3v1
and trailer blocks; short MP3 and WMA files made by lame and ffmpeg; stored profile records, sound and damaged.

`make_seeds.py profile_picture_fuzz` (or `audio_payload_fuzz`) writes only that target's seeds."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from mutagen.id3 import APIC, COMM, ID3, TBPM, TIT2, TPE1, TXXX

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
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


def chunk(cid, body, size=None):
    pad = b"\x00" if len(body) % 2 else b""
    return cid + struct.pack("<I", len(body) if size is None else size) + body + pad


def wave(body):
    return b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body


def fmt_body(tag_, channels, rate, bits, extensible=None):
    align = channels * bits // 8
    body = struct.pack("<HHIIHH", tag_, channels, rate, rate * align, align, bits)
    if extensible is not None:
        body += struct.pack("<HHI", 22, bits, 3) + struct.pack("<IHH", extensible, 0, 0x10)
        body += b"\x80\x00\x00\xaa\x00\x38\x9b\x71"
    return body


def wave_seeds():
    seeds = {}
    tone = bytes((i * 37) & 0xFF for i in range(512))
    for name, args in {
        "pcm8-mono": (1, 1, 8000, 8),
        "pcm16-stereo": (1, 2, 44100, 16),
        "pcm24-stereo": (1, 2, 48000, 24),
        "pcm32-mono": (1, 1, 22050, 32),
        "float32-stereo": (3, 2, 96000, 32),
    }.items():
        seeds[name] = wave(chunk(b"fmt ", fmt_body(*args)) + chunk(b"data", tone))
    seeds["extensible-pcm"] = wave(chunk(b"fmt ", fmt_body(0xFFFE, 2, 44100, 16, 1)) + chunk(b"data", tone))
    seeds["extensible-float"] = wave(chunk(b"fmt ", fmt_body(0xFFFE, 1, 44100, 32, 3)) + chunk(b"data", tone))
    seeds["list-before-data"] = wave(chunk(b"fmt ", fmt_body(1, 2, 44100, 16)) +
                                     chunk(b"LIST", b"INFOINAM" + struct.pack("<I", 5) + b"Song\x00\x00") +
                                     chunk(b"data", tone[:101]))
    seeds["data-size-lie"] = wave(chunk(b"fmt ", fmt_body(1, 2, 44100, 16)) + chunk(b"data", tone[:64], 0xFFFFFFF0))
    seeds["streamed-size"] = wave(chunk(b"fmt ", fmt_body(1, 1, 11025, 16)) + chunk(b"data", tone, 0xFFFFFFFF))
    seeds["odd-rate"] = wave(chunk(b"fmt ", fmt_body(1, 6, 7, 8)) + chunk(b"data", tone[:66]))
    return seeds


def id3_seeds(work):
    seeds = {}
    for version in (3, 4):
        for encoding in range(4):
            path = os.path.join(work, "mutagen-%d-%d" % (version, encoding))
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
            with open(path, "rb") as f:
                seeds[os.path.basename(path)] = f.read()
    text = b"\x01\xff\xfe\xff\x00x\x00"
    seeds["v22"] = tag(2, 0, b"TT2\x00\x00\x05\x00Song" + b"PIC\x00\x00\x10\x00JPG\x03c\x00" + bytes(10)) + FAKE_AUDIO
    seeds["v23-unsync"] = tag(3, 0x80, unsync(v23(b"TIT2", text))) + FAKE_AUDIO
    seeds["v23-ext"] = tag(3, 0x40, struct.pack(">I", 6) + bytes(6) + v23(b"TIT2", b"\x00T")) + FAKE_AUDIO
    seeds["v24-ext-footer"] = tag(4, 0x50, syncsafe(6) + b"\x01\x00" + v24(b"TIT2", b"\x03T")) + b"3DI" + bytes(7) + FAKE_AUDIO
    seeds["v24-frame-flags"] = tag(4, 0, v24(b"TIT2", b"\x01" + syncsafe(3) + unsync(b"\x03\xff\x00"), 0x40, 0x43)) + FAKE_AUDIO
    seeds["v24-unsync"] = tag(4, 0x80, v24(b"TIT2", unsync(text)) + v24(b"TPE1", b"\x00A")) + FAKE_AUDIO
    seeds["v23-bpm-only"] = tag(3, 0, v23(b"TBPM", b"\x00" + b"127.5")) + FAKE_AUDIO
    return seeds


def end_seeds():
    v1 = bytearray(128)
    v1[0:3] = b"TAG"
    v1[3:8] = b"Title"
    v1[33:39] = b"Artist"
    v1[63:68] = b"Album"
    v1[93:97] = b"1999"
    v1[127] = 17
    strings = b"".join(struct.pack("<H", len(s)) + s for s in (b"Title", b"Album", "Künstler".encode("cp1252")))
    return {
        "id3v1": FAKE_AUDIO + bytes(v1),
        "id3v1-high-genre": FAKE_AUDIO + bytes(v1[:127]) + b"\xff",
        "trailer": strings + bytes(7936 - 48 - len(strings)) + b"Zinth" + bytes(43),
    }


def run(args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def encoded_seeds(work):
    mp3, wma = {}, {}
    for rate, channels in ((8000, 1), (22050, 2), (44100, 2)):
        wav = os.path.join(work, "tone-%d-%d.wav" % (rate, channels))
        run(["sox", "-n", "-r", str(rate), "-c", str(channels), "-b", "16", wav, "synth", "0.15", "sine", "440"])
        out = os.path.join(work, "tone-%d-%d.mp3" % (rate, channels))
        run(["lame", "--quiet", "-b", "32", wav, out])
        with open(out, "rb") as f:
            mp3["lame-%d-%d" % (rate, channels)] = f.read()
        out = os.path.join(work, "tone-%d-%d.wma" % (rate, channels))
        run(["ffmpeg", "-v", "error", "-y", "-i", wav, "-c:a", "wmav2", "-b:a", "32k", out])
        with open(out, "rb") as f:
            wma["wmav2-%d-%d" % (rate, channels)] = f.read()
    out = os.path.join(work, "wmav1.wma")
    run(["ffmpeg", "-v", "error", "-y", "-i", os.path.join(work, "tone-22050-2.wav"), "-c:a", "wmav1", "-b:a", "32k", out])
    with open(out, "rb") as f:
        wma["wmav1-22050-2"] = f.read()
    out = os.path.join(work, "layer2.mp3")
    run(["ffmpeg", "-v", "error", "-y", "-i", os.path.join(work, "tone-44100-2.wav"), "-c:a", "mp2", "-b:a", "64k", "-f", "mp2", out])
    with open(out, "rb") as f:
        mp3["mp2-44100-2"] = f.read()
    mp3["id3-then-frames"] = tag(3, 0, v23(b"TIT2", b"\x00T")) + mp3["lame-8000-1"]
    return mp3, wma


def profile_record(version=2, rate=44100, bpm=128.0, seconds=30.0, length=None,
                   waveform_frames=1024, waveform_rate=44100, grid=None, marks=None):
    """A stored profile record laid out as the store keeps it (little-endian)."""
    length = int(rate * seconds) if length is None else length
    beat = int(rate * 60 / bpm) if bpm > 0 else rate
    grid = list(range(rate // 10, max(length, 0), beat))[:4000] if grid is None else grid
    marks = [rate * 2, rate * 10, rate * 20] if marks is None else marks

    def positions(values):
        return struct.pack("<I", len(values)) + b"".join(struct.pack("<q", v) for v in values)

    def floats(values):
        return struct.pack("<I", len(values)) + b"".join(struct.pack("<f", v) for v in values)

    out = bytes([version])
    out += positions(marks[:2]) + positions(marks[-2:]) + positions(marks) + positions(marks[::2])
    out += struct.pack("<qqfIfqhh", marks[0], marks[-1], bpm, rate, 0.5, length, 9, 1)
    out += floats([0.25] * 16) + floats([0.5] * 16) + struct.pack("<I", 192000)
    if version >= 2:
        entries = max(0, min(length // max(waveform_frames, 1), 20000)) if waveform_frames else 0
        wave_bytes = bytes((i * 37) % 256 for i in range(entries))
        out += struct.pack("<II", waveform_frames, waveform_rate)
        out += struct.pack("<I", len(wave_bytes)) + wave_bytes + positions(grid)
    return out


def profile_seeds():
    big = 2**63 - 1
    return {
        "thirty-seconds": profile_record(),
        "version-1": profile_record(version=1),
        "rate-48000": profile_record(rate=48000, bpm=174.0, waveform_rate=48000),
        "no-waveform": profile_record(waveform_frames=0, waveform_rate=0),
        "huge-length-rate-1": profile_record(rate=1, length=big, waveform_frames=1,
                                             waveform_rate=4000000000, grid=[0, 1, big],
                                             marks=[-big, 0, big]),
        "rate-0-nan-tempo": profile_record(rate=0, bpm=float("nan"), grid=[5, 3, 1]),
        "tiny-tempo": profile_record(bpm=1e-30, grid=[0, 10, 20, 30]),
    }


def ape_tag(items, header=True):
    """An APEv2 tag: optional header, text items, footer (sizes count items and footer)."""
    body = b"".join(struct.pack("<II", len(v), 0) + k + b"\x00" + v for k, v in items)
    def block(flags):
        return b"APETAGEX" + struct.pack("<IIII", 2000, len(body) + 32, len(items), flags) + bytes(8)
    return (block(0xA0000000) if header else b"") + body + block(0x80000000 if header else 0)


def payload_seeds(mp3, wma, ends):
    """Files whose audio lies between tags of every kind, and files of every container."""
    audio = mp3["lame-8000-1"]
    front = tag(3, 0, v23(b"TIT2", b"\x00Title"))
    frames = v24(b"TIT2", b"\x03Song")
    appended = tag(4, 0x10, frames) + b"3DI" + bytes([4, 0, 0x10]) + syncsafe(len(frames))
    seeds = {
        "mp3-plain": audio,
        "mp3-id3v2-id3v1": front + audio + ends["id3v1"][-128:],
        "mp3-ape-then-id3v1": audio + ape_tag([(b"Title", b"Song")]) + ends["id3v1"][-128:],
        "mp3-ape-no-header": audio + ape_tag([(b"Artist", b"Band")], header=False),
        "mp3-trailer": audio + ends["trailer"],
        "mp3-appended-id3v2": audio + appended,
        "mp3-only-tags": front + ends["id3v1"][-128:],
        "wma": wma["wmav2-8000-1"],
    }
    waves = wave_seeds()
    for name in ("pcm16-stereo", "list-before-data", "data-size-lie", "streamed-size"):
        seeds["wave-" + name] = waves[name]
    return seeds


def write(target, seeds):
    folder = os.path.join(CORPUS, target)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main():
    with tempfile.TemporaryDirectory() as work:
        id3 = id3_seeds(work)
        ends = end_seeds()
        mp3, wma = encoded_seeds(work)
    write("wave_reader_fuzz", wave_seeds())
    write("id3v2_fuzz", id3)
    write("file_end_tags_fuzz", ends)
    tracks = {k: v for k, v in id3.items() if k.startswith("v2")}
    tracks.update(ends)
    tracks["bpm-then-id3v1"] = id3["v23-bpm-only"] + ends["id3v1"]
    write("track_tags_fuzz", tracks)
    write("mp3_decoder_fuzz", mp3)
    write("wma_decoder_fuzz", wma)
    write("profile_picture_fuzz", profile_seeds())
    write("audio_payload_fuzz", payload_seeds(mp3, wma, ends))


if __name__ == "__main__":
    if sys.argv[1:] == ["profile_picture_fuzz"]:
        write("profile_picture_fuzz", profile_seeds())
    elif sys.argv[1:] == ["audio_payload_fuzz"]:
        with tempfile.TemporaryDirectory() as work:
            mp3, wma = encoded_seeds(work)
        write("audio_payload_fuzz", payload_seeds(mp3, wma, end_seeds()))
    else:
        main()
