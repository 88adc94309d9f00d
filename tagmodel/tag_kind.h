#pragma once

// How a file format carries tags; the output format table names one per format.
// Id3Chunk is an ID3v2 tag in a chunk of its own (AIFF); ApeTag an APEv2 tag (WavPack).
enum class TagKind { None, Id3v2, WmaAttributes, VorbisComments, Mp4Atoms, Id3Chunk, ApeTag };
