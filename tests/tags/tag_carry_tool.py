"""Test files made by the public tools and tagged the way other taggers do, and what any file
carries as mutagen reads it.

  tag_carry_tool.py make COVER FILE...  a short tone per FILE (ffmpeg, by extension); unless COVER
                                        is "-", the full set of FIELDS with COVER's bytes as front
                                        cover and BACK as back cover
  tag_carry_tool.py dump FILE...        per file one JSON line: canonical field name -> list of
                                        values, the same for every format, and "pictures": a
                                        sorted list of [type, description, sha1] (type and
                                        description null where the format keeps none)
"""
import hashlib
import json
import struct
import subprocess
import sys

import mutagen
from mutagen import id3
from mutagen.apev2 import APEv2, APEValue, BINARY
from mutagen.asf import ASF, ASFByteArrayAttribute, ASFBoolAttribute, ASFUnicodeAttribute
from mutagen.flac import FLAC, Picture
from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm

LONG = ("Long comment ü " * 700)[:10240]
FIELDS = {
    "title": ["Tïtle"], "artist": ["Artist One", "Artiste Deux ü"], "album": ["Album"],
    "date": ["2021-05-04"], "genre": ["Rock"], "comment": [LONG], "albumartist": ["Bänd"],
    "composer": ["Composer"], "bpm": ["120"], "lyrics": ["la la\nlo"], "compilation": ["1"],
    "isrc": ["USRC17607839"], "replaygain_track_gain": ["-6.50 dB"], "session": ["Take 2"],
    "musicbrainz_trackid": ["0b3c8b1c-94c4-4c6b-8b6c-1c2d3e4f5a6b"],
    "musicbrainz_albumid": ["9d1a3a0e-1111-2222-3333-444455556666"],
    "musicbrainz_artistid": ["5b11f4ce-a62d-471e-81fc-a69a8278c7da"],
    "track": ["3"], "tracktotal": ["12"], "disc": ["1"], "disctotal": ["2"],
}
BACK = b"\xff\xd8\xff\xe0" + bytes(range(256)) * 12
MP4_FREE = {"replaygain_track_gain": "replaygain_track_gain", "isrc": "ISRC",
            "session": "SESSION", "musicbrainz_trackid": "MusicBrainz Track Id",
            "musicbrainz_albumid": "MusicBrainz Album Id",
            "musicbrainz_artistid": "MusicBrainz Artist Id"}
FREE = "----:com.apple.iTunes:"
# Opus keeps its gain as R128, relative to -23 LUFS.
R128 = str(round((-6.5 - 5) * 256))


def f1(key):
    return FIELDS[key][0]


def id3_frames(front):
    t = id3.ID3()
    text = {"TIT2": "title", "TPE1": "artist", "TALB": "album", "TDRC": "date", "TCON": "genre",
            "TPE2": "albumartist", "TCOM": "composer", "TBPM": "bpm", "TCMP": "compilation",
            "TSRC": "isrc"}
    for fid, key in text.items():
        t.add(getattr(id3, fid)(encoding=3, text=FIELDS[key]))
    t.add(id3.TRCK(encoding=3, text="3/12"))
    t.add(id3.TPOS(encoding=3, text="1/2"))
    t.add(id3.COMM(encoding=3, lang="eng", desc="", text=LONG))
    t.add(id3.COMM(encoding=3, lang="eng", desc="iTunNORM", text=" 0000 0001"))
    t.add(id3.USLT(encoding=3, lang="eng", desc="", text=f1("lyrics")))
    t.add(id3.UFID(owner="http://musicbrainz.org", data=f1("musicbrainz_trackid").encode()))
    for desc, key in (("MusicBrainz Album Id", "musicbrainz_albumid"),
                      ("MusicBrainz Artist Id", "musicbrainz_artistid"),
                      ("REPLAYGAIN_TRACK_GAIN", "replaygain_track_gain"),
                      ("SESSION", "session")):
        t.add(id3.TXXX(encoding=3, desc=desc, text=FIELDS[key]))
    # Frames no field stands for: an ID3 output of an ID3 input keeps them.
    t.add(id3.POPM(email="rater@example.org", rating=196, count=3))
    t.add(id3.PRIV(owner="org.example.quorvel", data=b"\x00\x01private"))
    t.add(id3.APIC(encoding=3, mime="image/png", type=3, desc="front", data=front))
    t.add(id3.APIC(encoding=3, mime="image/jpeg", type=4, desc="back", data=BACK))
    return t


def asf_picture(kind, mime, desc, data):
    return (struct.pack("<bI", kind, len(data)) + (mime + "\0").encode("utf-16-le") +
            (desc + "\0").encode("utf-16-le") + data)


def tag(path, cover_path):
    front = open(cover_path, "rb").read()
    if path.endswith((".mp3", ".wav", ".aiff")):
        f = mutagen.File(path)
        if path.endswith(".mp3"):
            id3_frames(front).save(path, v2_version=4)
        else:
            if f.tags is None:
                f.add_tags()
            for frame in id3_frames(front).values():
                f.tags.add(frame)
            f.save(v2_version=4)
    elif path.endswith(".m4a"):
        f = MP4(path)
        if f.tags is None:
            f.add_tags()
        t = f.tags
        for key, atom in (("title", "\xa9nam"), ("artist", "\xa9ART"), ("album", "\xa9alb"),
                          ("date", "\xa9day"), ("genre", "\xa9gen"), ("comment", "\xa9cmt"),
                          ("albumartist", "aART"), ("composer", "\xa9wrt"),
                          ("lyrics", "\xa9lyr")):
            t[atom] = FIELDS[key]
        t["trkn"], t["disk"], t["tmpo"], t["cpil"] = [(3, 12)], [(1, 2)], [120], True
        for key, name in MP4_FREE.items():
            t[FREE + name] = [MP4FreeForm(v.encode()) for v in FIELDS[key]]
        t["covr"] = [MP4Cover(front, imageformat=MP4Cover.FORMAT_PNG),
                     MP4Cover(BACK, imageformat=MP4Cover.FORMAT_JPEG)]
        f.save()
    elif path.endswith(".wma"):
        f = ASF(path)
        t = f.tags
        names = {"Title": "title", "Author": "artist", "WM/AlbumTitle": "album",
                 "WM/Year": "date", "WM/Genre": "genre", "Description": "comment",
                 "WM/AlbumArtist": "albumartist", "WM/Composer": "composer",
                 "WM/BeatsPerMinute": "bpm", "WM/Lyrics": "lyrics", "WM/ISRC": "isrc",
                 "MusicBrainz/Track Id": "musicbrainz_trackid",
                 "MusicBrainz/Album Id": "musicbrainz_albumid",
                 "MusicBrainz/Artist Id": "musicbrainz_artistid",
                 "replaygain_track_gain": "replaygain_track_gain", "SESSION": "session"}
        for name, key in names.items():
            t[name] = [ASFUnicodeAttribute(v) for v in FIELDS[key]]
        t["WM/TrackNumber"] = [ASFUnicodeAttribute("3")]
        t["TotalTracks"] = [ASFUnicodeAttribute("12")]
        t["WM/PartOfSet"] = [ASFUnicodeAttribute("1/2")]
        t["WM/IsCompilation"] = [ASFBoolAttribute(True)]
        t["WM/Picture"] = [
            ASFByteArrayAttribute(asf_picture(3, "image/png", "front", front)),
            ASFByteArrayAttribute(asf_picture(4, "image/jpeg", "back", BACK))]
        f.save()
    elif path.endswith(".wv"):
        t = APEv2()
        names = {"Title": "title", "Artist": "artist", "Album": "album", "Year": "date",
                 "Genre": "genre", "Comment": "comment", "Album Artist": "albumartist",
                 "Composer": "composer", "BPM": "bpm", "Lyrics": "lyrics",
                 "Compilation": "compilation", "ISRC": "isrc",
                 "MUSICBRAINZ_TRACKID": "musicbrainz_trackid",
                 "MUSICBRAINZ_ALBUMID": "musicbrainz_albumid",
                 "MUSICBRAINZ_ARTISTID": "musicbrainz_artistid",
                 "REPLAYGAIN_TRACK_GAIN": "replaygain_track_gain", "SESSION": "session"}
        for name, key in names.items():
            t[name] = FIELDS[key]
        t["Track"], t["Disc"] = "3/12", "1/2"
        t["Cover Art (Front)"] = APEValue(b"front.png\0" + front, BINARY)
        t["Cover Art (Back)"] = APEValue(b"back.jpg\0" + BACK, BINARY)
        t.save(path)
    else:
        f = mutagen.File(path)
        if f.tags is None:
            f.add_tags()
        t = f.tags
        for key, values in FIELDS.items():
            if key not in ("track", "tracktotal", "disc", "disctotal"):
                t[key.upper()] = values
        t["TRACKNUMBER"], t["TRACKTOTAL"] = "3", "12"
        t["DISCNUMBER"], t["DISCTOTAL"] = "1", "2"
        if path.endswith(".opus"):
            del t["REPLAYGAIN_TRACK_GAIN"]
            t["R128_TRACK_GAIN"] = R128
        pictures = []
        for kind, mime, desc, data in ((3, "image/png", "front", front),
                                       (4, "image/jpeg", "back", BACK)):
            pic = Picture()
            pic.type, pic.mime, pic.desc, pic.data = kind, mime, desc, data
            pictures.append(pic)
        if isinstance(f, FLAC):
            for pic in pictures:
                f.add_picture(pic)
        else:
            import base64
            t["METADATA_BLOCK_PICTURE"] = [base64.b64encode(p.write()).decode("ascii")
                                           for p in pictures]
        f.save()


def free_name(name):
    """TXXX, MP4 free-form and ASF names as Vorbis comment keys ("MusicBrainz Album Id")."""
    key = name.lower().replace("/", " ").replace(" ", "_")
    # Players look the ids up by Picard's exact names ("MusicBrainz Album Id"), case included.
    if name.startswith(("MusicBrainz ", "MusicBrainz/")):
        key = "musicbrainz_" + key[len("musicbrainz_"):].replace("_", "")
    return key


def put_pair(out, name, text):
    parts = str(text).split("/")
    out[name] = [parts[0]]
    if len(parts) > 1 and parts[1]:
        out[name + "total"] = [parts[1]]


def sha(data):
    return hashlib.sha1(bytes(data)).hexdigest()


def dump_id3(t, out, pictures):
    names = {"TIT2": "title", "TPE1": "artist", "TALB": "album", "TCON": "genre",
             "TPE2": "albumartist", "TCOM": "composer", "TBPM": "bpm", "TCMP": "compilation",
             "TSRC": "isrc", "TDRC": "date"}
    for fid, name in names.items():
        if fid in t:
            out[name] = [str(v) for v in t[fid].text]
    for key, name in (("TRCK", "track"), ("TPOS", "disc")):
        if key in t:
            put_pair(out, name, t[key].text[0])
    for frame in t.getall("COMM"):
        if frame.desc == "":
            out["comment"] = list(frame.text)
    for frame in t.getall("USLT"):
        if frame.desc == "":
            out["lyrics"] = [frame.text]
    for frame in t.getall("TXXX"):
        out[free_name(frame.desc)] = list(frame.text)
    for frame in t.getall("UFID"):
        if frame.owner == "http://musicbrainz.org":
            out["musicbrainz_trackid"] = [frame.data.decode()]
    for frame in t.getall("POPM"):
        out["popm:" + frame.email] = [str(frame.rating), str(frame.count)]
    for frame in t.getall("PRIV"):
        out["priv:" + frame.owner] = [frame.data.hex()]
    for frame in t.getall("APIC"):
        pictures.append([int(frame.type), frame.desc, sha(frame.data)])


def dump_mp4(t, out, pictures):
    names = {"\xa9nam": "title", "\xa9ART": "artist", "\xa9alb": "album", "\xa9day": "date",
             "\xa9gen": "genre", "\xa9cmt": "comment", "aART": "albumartist",
             "\xa9wrt": "composer", "\xa9lyr": "lyrics"}
    for key, name in names.items():
        if key in t:
            out[name] = list(t[key])
    if "tmpo" in t:
        out["bpm"] = [str(t["tmpo"][0])]
    if t.get("cpil"):
        out["compilation"] = ["1"]
    for key, name in (("trkn", "track"), ("disk", "disc")):
        if key in t:
            number, total = t[key][0]
            out[name] = [str(number)]
            if total:
                out[name + "total"] = [str(total)]
    for key in t.keys():
        if key.startswith(FREE):
            out[free_name(key[len(FREE):])] = [bytes(v).decode() for v in t[key]]
    for art in t.get("covr", []):
        pictures.append([None, None, sha(art)])


def dump_asf(t, out, pictures):
    names = {"Title": "title", "Author": "artist", "WM/AlbumTitle": "album", "WM/Year": "date",
             "WM/Genre": "genre", "Description": "comment", "WM/AlbumArtist": "albumartist",
             "WM/Composer": "composer", "WM/BeatsPerMinute": "bpm", "WM/Lyrics": "lyrics",
             "WM/ISRC": "isrc"}
    for key, values in t.items():
        if key == "WM/Picture":
            for v in values:
                raw = bytes(v.value)
                kind, size = struct.unpack_from("<bI", raw)
                rest = raw[5:]
                parts = []
                for _ in range(2):
                    end = next(i for i in range(0, len(rest), 2) if rest[i:i + 2] == b"\0\0")
                    parts.append(rest[:end].decode("utf-16-le"))
                    rest = rest[end + 2:]
                pictures.append([kind, parts[1], sha(rest[:size])])
        elif key == "WM/IsCompilation":
            if values[0].value:
                out["compilation"] = ["1"]
        elif key == "WM/TrackNumber":
            put_pair(out, "track", values[0].value)
        elif key == "TotalTracks":
            out["tracktotal"] = [str(values[0].value)]
        elif key == "WM/PartOfSet":
            put_pair(out, "disc", values[0].value)
        elif key in names:
            out[names[key]] = [str(v.value) for v in values]
        elif not key.startswith("WM/"):
            out[free_name(key)] = [str(v.value) for v in values]


def dump_vorbis_or_ape(f, t, out, pictures):
    import base64
    renames = {"tracknumber": "track", "discnumber": "disc", "year": "date",
               "album artist": "albumartist"}
    for key in t.keys():
        value = t[key]
        low = key.lower()
        if isinstance(t, APEv2):
            if low.startswith("cover art ("):
                kind = APE_TYPES.index(low[len("cover art ("):-1])
                pictures.append([kind, "", sha(bytes(value).split(b"\0", 1)[1])])
                continue
            values = list(value)
        else:
            values = list(value) if isinstance(value, list) else [value]
        if low == "metadata_block_picture":
            for v in values:
                pic = Picture(base64.b64decode(v))
                pictures.append([pic.type, pic.desc, sha(pic.data)])
            continue
        if low in ("encoder", "vendor"):
            continue
        name = renames.get(low, low)
        if name in ("track", "disc") and "/" in values[0]:
            put_pair(out, name, values[0])
        else:
            out[name] = values
    if isinstance(f, FLAC):
        for pic in f.pictures:
            pictures.append([pic.type, pic.desc, sha(pic.data)])


APE_TYPES = ["other", "png icon", "icon", "front", "back", "leaflet", "media", "lead artist",
             "artist", "conductor", "band", "composer", "lyricist", "recording location",
             "during recording", "during performance", "video capture", "fish", "illustration",
             "band logotype", "publisher logotype"]


def dump(path):
    f = mutagen.File(path)
    out, pictures = {}, []
    if path.endswith(".wv"):
        try:
            t = APEv2(path)
        except Exception:
            t = None
    else:
        t = f.tags if f is not None else None
    if t is not None:
        if isinstance(t, id3.ID3):
            dump_id3(t, out, pictures)
        elif isinstance(f, MP4):
            dump_mp4(t, out, pictures)
        elif isinstance(f, ASF):
            dump_asf(t, out, pictures)
        else:
            dump_vorbis_or_ape(f, t, out, pictures)
    if pictures:
        out["pictures"] = sorted(pictures, key=lambda p: (str(p[0]), p[2]))
    print(json.dumps(out, sort_keys=True, ensure_ascii=False))


def make(path):
    codec = {".wma": ["-c:a", "wmav2"], ".wv": ["-c:a", "wavpack"]}
    extra = next((v for k, v in codec.items() if path.endswith(k)), [])
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=440:d=0.3",
                    "-ac", "2", "-ar", "48000", "-map_metadata", "-1", "-fflags", "+bitexact"]
                   + extra + [path], check=True)
    if path.endswith(".wv"):
        # ffmpeg leaves an APE tag of its own; the tests start from none.
        try:
            APEv2(path).delete(path)
        except Exception:
            pass


if __name__ == "__main__":
    if sys.argv[1] == "make":
        for name in sys.argv[3:]:
            make(name)
            if sys.argv[2] != "-":
                tag(name, sys.argv[2])
    else:
        for name in sys.argv[2:]:
            dump(name)
