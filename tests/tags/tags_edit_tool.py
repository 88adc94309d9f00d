"""Richly tagged test files for `quorvel-cli tags`, and all that mutagen and ffmpeg read from them.

  tags_edit_tool.py make KIND FILE   a short tone (ffmpeg; Monkey's Audio, which ffmpeg cannot
                                     write, made here) tagged by mutagen with several fields, one
                                     holding two values, a custom field and a front cover. KIND:
                                     flac opus ogg-opus oga-flac m4a wv ape aiff wma
  tags_edit_tool.py dump FILE        one JSON object: "tags" {lower-case key: [repr of each value]}
                                     (long values as their SHA-1), "text" {key: [str of each]} and
                                     "audio", ffmpeg's MD5 of the decoded audio
"""
import base64
import hashlib
import json
import struct
import subprocess
import sys

import mutagen
from mutagen import id3
from mutagen.apev2 import APEValue, BINARY
from mutagen.asf import ASF, ASFByteArrayAttribute
from mutagen.flac import FLAC, Picture
from mutagen.mp4 import MP4Cover, MP4FreeForm

COVER = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 4
ENCODE = {"flac": ["-c:a", "flac"], "opus": ["-c:a", "libopus"], "ogg-opus": ["-c:a", "libopus"],
          "oga-flac": ["-c:a", "flac", "-f", "ogg"], "m4a": ["-c:a", "aac"],
          "wv": ["-c:a", "wavpack"], "aiff": ["-c:a", "pcm_s16be"], "wma": ["-c:a", "wmav2"]}


def monkeys_audio(path, frames=3, blocks=4096):
    """Version 3990 stereo 16-bit, every frame marked as stereo silence (no range coding)."""
    seek = 4 * frames
    first = 52 + 24 + seek
    frame = struct.pack("<II", 0x80000000, 3) + bytes(24)
    data = frame * frames
    descriptor = b"MAC " + struct.pack("<HHIIIIIII", 3990, 0, 52, 24, seek, 0, len(data), 0, 0)
    descriptor += bytes(16)
    header = struct.pack("<HHIIIHHI", 2000, 0, blocks, blocks, frames, 16, 2, 44100)
    table = b"".join(struct.pack("<I", first + i * len(frame)) for i in range(frames))
    with open(path, "wb") as f:
        f.write(descriptor + header + table + data)


def tag(kind, path):
    f = mutagen.File(path)
    if f.tags is None:
        f.add_tags()
    t = f.tags
    if kind in ("flac", "opus", "ogg-opus", "oga-flac"):
        for key, value in (("TITLE", "Old"), ("ARTIST", ["A1", "A2"]), ("ALBUM", "Alb"),
                           ("DATE", "2020-03-12"), ("TRACKNUMBER", "3"), ("TRACKTOTAL", "12"),
                           ("GENRE", "Rock"), ("COMMENT", "c"), ("ALBUMARTIST", "AA"),
                           ("MYFIELD", "mine")):
            t[key] = value
        pic = Picture()
        pic.type, pic.mime, pic.desc, pic.data = 3, "image/png", "front", COVER
        if isinstance(f, FLAC):
            f.add_picture(pic)
        else:
            t["METADATA_BLOCK_PICTURE"] = base64.b64encode(pic.write()).decode("ascii")
    elif kind == "m4a":
        t["\xa9nam"], t["\xa9ART"], t["\xa9alb"], t["\xa9day"] = "Old", ["A1", "A2"], "Alb", "2020"
        t["trkn"], t["disk"], t["\xa9gen"], t["\xa9cmt"] = [(3, 12)], [(1, 2)], "Rock", "c"
        t["aART"], t["----:com.apple.iTunes:MYFIELD"] = "AA", [MP4FreeForm(b"mine")]
        t["covr"] = [MP4Cover(COVER, imageformat=MP4Cover.FORMAT_PNG)]
    elif kind in ("wv", "ape"):
        for key, value in (("Title", "Old"), ("Artist", "A1\0A2"), ("Album", "Alb"),
                           ("Year", "2020"), ("Track", "3/12"), ("Genre", "Rock"),
                           ("Comment", "c"), ("Album Artist", "AA"), ("MYFIELD", "mine")):
            t[key] = value
        t["Cover Art (Front)"] = APEValue(b"cover.png\0" + COVER, BINARY)
    elif kind == "aiff":
        for frame in (id3.TIT2(encoding=3, text="Old"), id3.TPE1(encoding=3, text=["A1", "A2"]),
                      id3.TALB(encoding=3, text="Alb"), id3.TDRC(encoding=3, text="2020"),
                      id3.TRCK(encoding=3, text="3/12"), id3.TCON(encoding=3, text="Rock"),
                      id3.COMM(encoding=3, lang="eng", desc="", text="c"),
                      id3.COMM(encoding=3, lang="eng", desc="iTunNORM", text=" 0000 0001"),
                      id3.TPE2(encoding=3, text="AA"),
                      id3.TXXX(encoding=3, desc="MYFIELD", text="mine"),
                      id3.APIC(encoding=3, mime="image/png", type=3, desc="front", data=COVER)):
            t.add(frame)
    elif kind == "wma":
        t["Title"], t["Author"], t["WM/AlbumTitle"] = ["Old"], ["A1", "A2"], ["Alb"]
        t["WM/Genre"], t["MYFIELD"] = ["Rock"], ["mine"]
        t["WM/Picture"] = [ASFByteArrayAttribute(b"\x03" + struct.pack("<I", len(COVER)) +
                                                 "image/png\0\0".encode("utf-16-le") + COVER)]
    f.save()


def shown(value):
    text = repr(value)
    return text if len(text) < 200 else "sha1:" + hashlib.sha1(text.encode()).hexdigest()


def dump(path):
    f = mutagen.File(path)
    pairs = []
    if isinstance(f, ASF):
        pairs = [(k, v) for k, values in f.tags.as_dict().items() for v in values]
    elif hasattr(f.tags, "vendor"):  # Vorbis comments: a list of pairs
        pairs = list(f.tags) + [("vendor", f.tags.vendor)]
    elif f.tags is not None:
        for key, value in f.tags.items():
            pairs += [(key, v) for v in value] if isinstance(value, list) else [(key, value)]
    if isinstance(f, FLAC):
        pairs += [("picture", (p.type, p.mime, p.desc, p.width, p.height, p.depth, p.colors,
                               hashlib.sha1(p.data).hexdigest())) for p in f.pictures]
    tags, text = {}, {}
    for key, value in pairs:
        if str(value) == "":
            continue  # an empty text reads as no field (the WMA writer stores some)
        tags.setdefault(key.lower(), []).append(shown(value))
        text.setdefault(key.lower(), []).append(str(value) if len(str(value)) < 200 else "long")
    audio = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"],
                           check=True, capture_output=True, text=True).stdout.strip()
    print(json.dumps({"tags": tags, "text": text, "audio": audio}, ensure_ascii=False))


if __name__ == "__main__":
    if sys.argv[1] == "make":
        kind, path = sys.argv[2], sys.argv[3]
        if kind == "ape":
            monkeys_audio(path)
        else:
            subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                            "sine=440:d=0.3", "-ac", "2", "-ar", "48000", "-map_metadata", "-1"] +
                           ENCODE[kind] + [path], check=True)
        tag(kind, path)
    else:
        dump(sys.argv[2])
