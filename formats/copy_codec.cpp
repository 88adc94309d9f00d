#include "formats/copy_codec.h"

const char* CopyCodecOf(int code) {
    switch (code) {
        case 0:
            return "mp3";
        case 1:
            return "wav";
        case 3:
            return "vorbis";
        case 5:
            return "flac";
        case 6:
            return "opus";
        case 7:
            return "aac";
        default:
            return nullptr;  // WMA and VOX are never written
    }
}
