#pragma once

// Some code in this process (a library's AVX routine) can leave the upper halves of the vector
// registers dirty. On many x86 processors every older SSE instruction then pays for it, which made
// libvorbis run at half speed here (the codec libraries are SSE code). Clearing the state before
// handing a block to a codec costs one instruction.
inline void ClearUpperVectorState() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) {
        __asm__ volatile("vzeroupper" ::: "memory");
    }
#endif
}
