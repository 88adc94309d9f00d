#include "outside/audio/sample_rates.h"

bool IsUsableSampleRate(int hz) {
    return hz >= 1000 && hz <= 768000;
}

bool IsMp3SampleRate(int hz) {
    switch (hz) {
        case 8000:
        case 11025:
        case 12000:
        case 16000:
        case 22050:
        case 24000:
        case 32000:
        case 44100:
        case 48000:
            return true;
        default:
            return false;
    }
}
