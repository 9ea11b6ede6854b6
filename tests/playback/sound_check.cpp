#include "sound_check.h"

#include <cmath>
#include <algorithm>
#include <cstdlib>

namespace korvo::test {
namespace {

struct Span {
    long first = -1, last = -1;
};

bool silent(const int16_t* s, long frame) { return s[2 * frame] == 0 && s[2 * frame + 1] == 0; }

Span soundSpan(const int16_t* s, long frames) {
    Span sp;
    for (long i = 0; i < frames; ++i)
        if (!silent(s, i)) {
            if (sp.first < 0) sp.first = i;
            sp.last = i;
        }
    return sp;
}

// Near silence: a volume factor turns the decoder's +-1 into 0, so those count as silent.
bool quiet(const int16_t* s, long frame) { return std::abs(s[2 * frame]) <= 2 && std::abs(s[2 * frame + 1]) <= 2; }

long longestQuiet(const int16_t* s, Span sp) {
    long best = 0, run = 0;
    for (long i = sp.first; sp.first >= 0 && i <= sp.last; ++i) {
        run = quiet(s, i) ? run + 1 : 0;
        if (run > best) best = run;
    }
    return best;
}

// Longest quiet run inside the sound, leaving out its fading first and last 20 ms.
long longestSilence(const int16_t* s, Span sp, int rate) {
    long edge = rate / 50;
    long best = 0, run = 0;
    for (long i = sp.first + edge; sp.first >= 0 && i <= sp.last - edge; ++i) {
        run = quiet(s, i) ? run + 1 : 0;
        if (run > best) best = run;
    }
    return best;
}

// Pearson correlation of rec[r0..] with ref[f0..] over n frames.
double correlate(const int16_t* rec, long r0, const int16_t* ref, long f0, long n) {
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    long count = 0;
    for (long i = 0; i < n; ++i)
        for (int c = 0; c < 2; ++c) {
            double x = rec[2 * (r0 + i) + c], y = ref[2 * (f0 + i) + c];
            sx += x; sy += y; sxx += x * x; syy += y * y; sxy += x * y;
            ++count;
        }
    if (count == 0) return 0;
    double cov = sxy - sx * sy / double(count);
    double vx = sxx - sx * sx / double(count), vy = syy - sy * sy / double(count);
    return vx > 0 && vy > 0 ? cov / std::sqrt(vx * vy) : 0;
}

} // namespace

SoundMatch matchSound(const std::vector<int16_t>& rec, const std::vector<uint8_t>& refBytes, int rate,
                      long joinFrame) {
    SoundMatch m;
    std::vector<int16_t> ref(refBytes.size() / 2);
    for (size_t i = 0; i < ref.size(); ++i) ref[i] = int16_t(refBytes[2 * i] | refBytes[2 * i + 1] << 8);
    long recFrames = long(rec.size() / 2), refFrames = long(ref.size() / 2);
    Span rs = soundSpan(rec.data(), recFrames), fs = soundSpan(ref.data(), refFrames);
    if (rs.first < 0 || fs.first < 0) return m;
    long recLen = rs.last - rs.first + 1, refLen = fs.last - fs.first + 1;
    m.recordedMs = double(recLen) * 1000.0 / rate;
    m.lengthDifferenceMs = double(recLen - refLen) * 1000.0 / rate;
    m.longestSilence = longestSilence(rec.data(), rs, rate);
    m.referenceLongestSilence = longestSilence(ref.data(), fs, rate);

    // Align on the first 100 ms, then correlate everything that overlaps.
    long window = std::min<long>(rate / 10, std::min(recLen, refLen) / 2);
    long bestShift = 0;
    double best = -2;
    for (long shift = -256; shift <= 256; ++shift) {
        long r0 = rs.first + shift;
        if (r0 < 0 || r0 + window > recFrames) continue;
        double c = correlate(rec.data(), r0, ref.data(), fs.first, window);
        if (c > best) {
            best = c;
            bestShift = shift;
        }
    }
    // Then 100 ms pieces, each allowed to slip a little: the device may drop or add a few
    // milliseconds on its own (Wine's mixer does), which must not hide what was played.
    long offset = rs.first + bestShift - fs.first;     // ref frame k plays at rec frame k + offset
    double sum = 0;
    long pieces = 0;
    long piece = rate / 10;
    for (long k = fs.first; k + piece <= refFrames; k += piece) {
        auto at = [&](long shift) {
            long r = k + offset + shift;
            return r < 0 || r + piece > recFrames ? -2.0 : correlate(rec.data(), r, ref.data(), k, piece);
        };
        double c = at(0);
        if (c < 0.99) {
            long best = 0;
            for (long shift = -512; shift <= 512; shift += 1) {
                double d = at(shift);
                if (d > c) {
                    c = d;
                    best = shift;
                }
            }
            offset += best;
        }
        if (joinFrame >= 0 && joinFrame >= k && joinFrame < k + piece) {
            Span around{joinFrame + offset - rate / 20, joinFrame + offset + rate / 20};
            around.first = std::max(around.first, 0L);
            around.last = std::min(around.last, recFrames - 1);
            m.silenceAtJoin = longestQuiet(rec.data(), around);
            Span refAround{std::max(joinFrame - rate / 20, 0L), std::min(joinFrame + rate / 20, refFrames - 1)};
            m.referenceSilenceAtJoin = longestQuiet(ref.data(), refAround);
        }
        sum += std::max(c, 0.0);
        ++pieces;
    }
    m.correlation = pieces ? sum / double(pieces) : 0;
    return m;
}

std::vector<int16_t> withoutSilence(const std::vector<int16_t>& rec) {
    const long kLongRun = 441;
    std::vector<int16_t> out;
    long frames = long(rec.size() / 2), i = 0;
    while (i < frames) {
        long j = i;
        while (j < frames && silent(rec.data(), j)) ++j;
        if (j > i) {
            if (j - i <= kLongRun) out.insert(out.end(), rec.begin() + 2 * i, rec.begin() + 2 * j);
            i = j;
            continue;
        }
        out.push_back(rec[2 * i]);
        out.push_back(rec[2 * i + 1]);
        ++i;
    }
    return out;
}

} // namespace korvo::test
