#include "report/sha256.h"

#include "files/regularfile.h"

#include <QCryptographicHash>
#include <QIODevice>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define ZURORUVE_SHA_INSTRUCTIONS 1
#endif

namespace report {

namespace {

#ifdef ZURORUVE_SHA_INSTRUCTIONS

constexpr std::uint32_t kRounds[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

bool hasShaInstructions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d) || !(b & (1u << 29))) // SHA
        return false;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & (1u << 19)) && (c & (1u << 9)); // SSE4.1, SSSE3
}

// The state after blocks of 64 bytes, four rounds an instruction pair; the state is kept in the
// halves the instructions want (ABEF, CDGH) for the whole run.
__attribute__((target("sha,sse4.1,ssse3"))) void
compress(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
    const __m128i bigEndian = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i t = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    __m128i s1 =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    __m128i s0 = _mm_alignr_epi8(t, s1, 8); // ABEF
    s1 = _mm_blend_epi16(s1, t, 0xF0);      // CDGH
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abef = s0, cdgh = s1;
        __m128i w[16];
        for (int i = 0; i < 16; ++i) {
            if (i < 4)
                w[i] = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), bigEndian);
            else // w[t] = s1(w[t-2]) + w[t-7] + s0(w[t-15]) + w[t-16], four at a time
                w[i] = _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(w[i - 4], w[i - 3]),
                                                          _mm_alignr_epi8(w[i - 1], w[i - 2], 4)),
                                            w[i - 1]);
            __m128i m = _mm_add_epi32(
                w[i], _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRounds + 4 * i)));
            s1 = _mm_sha256rnds2_epu32(s1, s0, m);
            m = _mm_shuffle_epi32(m, 0x0E);
            s0 = _mm_sha256rnds2_epu32(s0, s1, m);
        }
        s0 = _mm_add_epi32(s0, abef);
        s1 = _mm_add_epi32(s1, cdgh);
    }
    t = _mm_shuffle_epi32(s0, 0x1B);                                                    // FEBA
    s1 = _mm_shuffle_epi32(s1, 0xB1);                                                   // DCHG
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(t, s1, 0xF0));  // DCBA
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(s1, t, 8)); // HGFE
}

QByteArray withInstructions(QIODevice& in) {
    std::uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    constexpr qsizetype kPiece = 1 << 20;
    QByteArray buffer(kPiece + 128, Qt::Uninitialized);
    auto* bytes = reinterpret_cast<std::uint8_t*>(buffer.data());
    qsizetype have = 0; // bytes at the buffer's start, fewer than a block
    std::uint64_t total = 0;
    for (;;) {
        const qint64 got = in.read(buffer.data() + have, kPiece);
        if (got < 0)
            return {};
        if (got == 0)
            break;
        total += std::uint64_t(got);
        have += got;
        compress(state, bytes, std::size_t(have / 64));
        std::memmove(bytes, bytes + have / 64 * 64, std::size_t(have % 64));
        have %= 64;
    }
    // The end: a one bit, zeros, and the length in bits, to a whole block or two.
    bytes[have++] = 0x80;
    const qsizetype end = have <= 56 ? 64 : 128;
    std::memset(bytes + have, 0, std::size_t(end - have));
    for (int k = 0; k < 8; ++k)
        bytes[end - 1 - k] = std::uint8_t((total * 8) >> (8 * k));
    compress(state, bytes, std::size_t(end / 64));
    QByteArray out(32, Qt::Uninitialized);
    for (int k = 0; k < 32; ++k)
        out[k] = char(state[k / 4] >> (24 - 8 * (k % 4)));
    return out;
}

#endif

} // namespace

QByteArray sha256(QIODevice& in) {
#ifdef ZURORUVE_SHA_INSTRUCTIONS
    static const bool instructions = hasShaInstructions();
    if (instructions)
        return withInstructions(in);
#endif
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&in) ? hash.result() : QByteArray();
}

QString sha256Of(const QString& path, QString& why) {
    QFile file;
    files::ReadStatus status;
    if (!files::openRegularFile(file, path, status, why))
        return {};
    const QByteArray hash = sha256(file);
    if (hash.isEmpty())
        why = file.errorString();
    return QString::fromLatin1(hash.toHex());
}

} // namespace report
