"""Test files made by the public tools and tagged the way other taggers do, and what any file
carries as mutagen reads it.

  tag_carry_tool.py make COVER FILE...  a short tone per FILE (ffmpeg, by extension); unless COVER
                                        is "-", the full set of tags with COVER's bytes as front
                                        cover
  tag_carry_tool.py dump FILE...        per file one JSON line of canonical names, the same for
                                        every format
"""
import base64
import hashlib
import json
import subprocess
import sys

import mutagen
from mutagen import id3
from mutagen.flac import FLAC, Picture
from mutagen.apev2 import APEv2
from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm

FIELDS = {
    "title": "Tïtle", "artist": "Ärtist", "album": "Album", "date": "2001",
    "genre": "Rock", "comment": "Src comment", "albumartist": "Bänd", "composer": "Composer",
    "bpm": "120", "lyrics": "la la\nlo", "replaygain_track_gain": "-6.50 dB",
    "musicbrainz_trackid": "0b3c8b1c-94c4-4c6b-8b6c-1c2d3e4f5a6b",
    "musicbrainz_albumid": "9d1a3a0e-1111-2222-3333-444455556666",
}
MP4_FREE = {"replaygain_track_gain": "replaygain_track_gain",
            "musicbrainz_trackid": "MusicBrainz Track Id",
            "musicbrainz_albumid": "MusicBrainz Album Id"}
FREE = "----:com.apple.iTunes:"


def tag(path, cover_path):
    cover = open(cover_path, "rb").read()
    f = mutagen.File(path)
    if path.endswith(".mp3"):
        t = id3.ID3()
        for frame in (id3.TIT2(encoding=3, text=FIELDS["title"]),
                      id3.TPE1(encoding=3, text=FIELDS["artist"]),
                      id3.TALB(encoding=3, text=FIELDS["album"]),
                      id3.TDRC(encoding=3, text=FIELDS["date"]),
                      id3.TCON(encoding=3, text=FIELDS["genre"]),
                      id3.COMM(encoding=3, lang="eng", desc="", text=FIELDS["comment"]),
                      id3.COMM(encoding=3, lang="eng", desc="iTunNORM", text=" 0000 0001"),
                      id3.TRCK(encoding=3, text="3/12"), id3.TPOS(encoding=3, text="1/2"),
                      id3.TPE2(encoding=3, text=FIELDS["albumartist"]),
                      id3.TCOM(encoding=3, text=FIELDS["composer"]),
                      id3.TBPM(encoding=3, text=FIELDS["bpm"]), id3.TCMP(encoding=3, text="1"),
                      id3.USLT(encoding=3, lang="eng", desc="", text=FIELDS["lyrics"]),
                      id3.TXXX(encoding=3, desc="REPLAYGAIN_TRACK_GAIN",
                               text=FIELDS["replaygain_track_gain"]),
                      id3.UFID(owner="http://musicbrainz.org",
                               data=FIELDS["musicbrainz_trackid"].encode()),
                      id3.TXXX(encoding=3, desc="MusicBrainz Album Id",
                               text=FIELDS["musicbrainz_albumid"]),
                      id3.APIC(encoding=3, mime="image/png", type=3, desc="front", data=cover)):
            t.add(frame)
        t.save(path, v2_version=4)
    elif path.endswith(".m4a"):
        t = f.tags if f.tags is not None else (f.add_tags() or f.tags)
        t["\xa9nam"], t["\xa9ART"], t["\xa9alb"] = FIELDS["title"], FIELDS["artist"], FIELDS["album"]
        t["\xa9day"], t["\xa9gen"], t["\xa9cmt"] = FIELDS["date"], FIELDS["genre"], FIELDS["comment"]
        t["trkn"], t["disk"] = [(3, 12)], [(1, 2)]
        t["aART"], t["\xa9wrt"] = FIELDS["albumartist"], FIELDS["composer"]
        t["tmpo"], t["cpil"], t["\xa9lyr"] = [120], True, FIELDS["lyrics"]
        for key, name in MP4_FREE.items():
            t[FREE + name] = [MP4FreeForm(FIELDS[key].encode())]
        t["covr"] = [MP4Cover(cover, imageformat=MP4Cover.FORMAT_PNG)]
        f.save()
    else:
        if f.tags is None:
            f.add_tags()
        t = f.tags
        for key in FIELDS:
            t[key.upper()] = FIELDS[key]
        t["TRACKNUMBER"], t["TRACKTOTAL"] = "3", "12"
        t["DISCNUMBER"], t["DISCTOTAL"] = "1", "2"
        t["COMPILATION"] = "1"
        pic = Picture()
        pic.type, pic.mime, pic.desc, pic.data = 3, "image/png", "front", cover
        if isinstance(f, FLAC):
            f.add_picture(pic)
        else:
            t["METADATA_BLOCK_PICTURE"] = base64.b64encode(pic.write()).decode("ascii")
        f.save()


def free_name(name):
    """TXXX and MP4 free-form names as Vorbis comment keys ("MusicBrainz Album Id")."""
    key = name.lower().replace(" ", "_")
    if key.startswith("musicbrainz_"):
        key = "musicbrainz_" + key[len("musicbrainz_"):].replace("_", "")
    return key


def pair(text):
    parts = str(text).split("/")
    return parts[0], (parts[1] if len(parts) > 1 else "")


def dump(path):
    f = mutagen.File(path)
    out = {}
    cover = None
    if f is None or f.tags is None:
        print(json.dumps({}))
        return
    t = f.tags
    if isinstance(t, id3.ID3):
        names = {"TIT2": "title", "TPE1": "artist", "TALB": "album", "TCON": "genre",
                 "TPE2": "albumartist", "TCOM": "composer", "TBPM": "bpm", "TCMP": "compilation"}
        for fid, name in names.items():
            if fid in t and str(t[fid]):
                out[name] = str(t[fid])
        date = t.get("TDRC") or t.get("TYER")
        if date and str(date):
            out["date"] = str(date)
        for key, name in (("TRCK", "track"), ("TPOS", "disc")):
            if key in t and str(t[key]):
                out[name], total = pair(t[key])
                if total:
                    out[name + "total"] = total
        for frame in t.getall("COMM"):
            if frame.desc == "" and str(frame):
                out["comment"] = str(frame)
        for frame in t.getall("USLT"):
            if frame.desc == "":
                out["lyrics"] = str(frame)
        for frame in t.getall("TXXX"):
            out[free_name(frame.desc)] = str(frame)
        for frame in t.getall("UFID"):
            if frame.owner == "http://musicbrainz.org":
                out["musicbrainz_trackid"] = frame.data.decode()
        for frame in t.getall("APIC"):
            if frame.type == 3:
                cover = frame.data
    elif hasattr(f, "tags") and f.__class__.__name__ == "MP4":
        names = {"\xa9nam": "title", "\xa9ART": "artist", "\xa9alb": "album", "\xa9day": "date",
                 "\xa9gen": "genre", "\xa9cmt": "comment", "aART": "albumartist",
                 "\xa9wrt": "composer", "\xa9lyr": "lyrics"}
        for key, name in names.items():
            if key in t:
                out[name] = t[key][0]
        if "tmpo" in t:
            out["bpm"] = str(t["tmpo"][0])
        if "cpil" in t and t["cpil"]:
            out["compilation"] = "1"
        for key, name in (("trkn", "track"), ("disk", "disc")):
            if key in t:
                number, total = t[key][0]
                out[name] = str(number)
                if total:
                    out[name + "total"] = str(total)
        for key in t.keys():
            if key.startswith(FREE):
                out[free_name(key[len(FREE):])] = bytes(t[key][0]).decode()
        if "covr" in t:
            cover = bytes(t["covr"][0])
    else:
        seen = {}
        for key, value in (t.items() if isinstance(t, APEv2) else t):
            if isinstance(t, APEv2):
                if key.lower() == "cover art (front)":
                    cover = bytes(value).split(b"\0", 1)[1]
                    continue
                value = str(value)
            seen.setdefault(key.lower(), value)
        # APEv2 names of their own; the others are Vorbis comment names already.
        renames = {"tracknumber": "track", "discnumber": "disc", "year": "date",
                   "album artist": "albumartist"}
        for key, value in seen.items():
            if key == "metadata_block_picture":
                pic = Picture(base64.b64decode(value))
                if pic.type == 3:
                    cover = pic.data
                continue
            if key in ("encoder", "vendor"):
                continue
            name = renames.get(key, key)
            if name in ("track", "disc") and "/" in value:
                value, total = pair(value)
                out[name + "total"] = total
            out[name] = value
        if isinstance(f, FLAC):
            for pic in f.pictures:
                if pic.type == 3:
                    cover = pic.data
    if cover is not None:
        out["cover"] = hashlib.sha1(cover).hexdigest()
    print(json.dumps(out, sort_keys=True, ensure_ascii=False))


def make(path):
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=440:d=0.3",
                    "-ac", "2", "-ar", "48000", "-map_metadata", "-1", path], check=True)


if __name__ == "__main__":
    if sys.argv[1] == "make":
        for name in sys.argv[3:]:
            make(name)
            if sys.argv[2] != "-":
                tag(name, sys.argv[2])
    else:
        for name in sys.argv[2:]:
            dump(name)
