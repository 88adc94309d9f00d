#pragma once

// How a file format carries tags; the output format table names one per format.
enum class TagKind { None, Id3v2, WmaAttributes, VorbisComments, Mp4Atoms };
