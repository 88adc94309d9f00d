#pragma once

#include <array>

// The fixed tables that turn stored list positions into the values the components take.
inline constexpr std::array<int, 9> kSampleRateTable = {8000,  11025, 12000, 16000, 22050,
                                                        24000, 32000, 44100, 48000};
inline constexpr std::array<int, 17> kBitrateTable = {8,  16,  24,  32,  40,  48,  56,  64, 80,
                                                      96, 112, 128, 160, 192, 224, 256, 320};
// 0: the source's own depth (16, 24 or 32 bits), a choice that came after the first two.
inline constexpr std::array<int, 3> kWaveBitsTable = {8, 16, 0};
// The settings dialog's VBR bit-rate list has no 40 and no 56 kbps, so its positions are not
// those of kBitrateTable: the stored position means the kbps shown at it.
inline constexpr std::array<int, 15> kVbrBitrateList = {8,   16,  24,  32,  48,  64,  80, 96,
                                                        112, 128, 160, 192, 224, 256, 320};
