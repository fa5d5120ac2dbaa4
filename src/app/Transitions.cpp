// The 23 transition effects. Positions inside an effect are relative to the
// rectangle (width x height); Blit clips every piece to it, so no effect reads
// or writes outside the pictures whatever its step arithmetic gives.
#include "app/Transitions.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <vector>

#include "image/Image.h"

namespace {

struct Area {
    HDC source;
    int sx, sy;
    HDC target;
    int tx, ty;
    int width, height;
    unsigned delay;

    // Copies the piece (x, y, w, h) of the source to the same place of the target.
    void Copy(int x, int y, int w, int h) const { CopyFrom(x, y, x, y, w, h); }
    // Copies the source piece at (fromX, fromY) to (toX, toY), clipped to the rectangle on both sides.
    void CopyFrom(int fromX, int fromY, int toX, int toY, int w, int h) const {
        int cut = std::max({0, -fromX, -toX});
        fromX += cut, toX += cut, w -= cut;
        cut = std::max({0, -fromY, -toY});
        fromY += cut, toY += cut, h -= cut;
        w = std::min({w, width - fromX, width - toX});
        h = std::min({h, height - fromY, height - toY});
        if (w <= 0 || h <= 0) return;
        BitBlt(target, tx + toX, ty + toY, w, h, source, sx + fromX, sy + fromY, SRCCOPY);
    }
    void CopyAll() const { Copy(0, 0, width, height); }
    void Wait() const {
        if (delay) WaitMilliseconds(delay);
    }
};

#define EFFECT_ARGS \
    HDC source, int sx, int sy, HDC target, int tx, int ty, int width, int height, unsigned delay, int step
#define AREA \
    Area a { source, sx, sy, target, tx, ty, width, height, delay }

bool TransitionInterlaceColumns(EFFECT_ARGS) {
    AREA;
    const int n = std::max(step, 2);
    for (int i = 0; i < n; ++i) {
        for (int x = i; x < width; x += n) a.Copy(x, 0, 1, height);
        a.Wait();
        a.Wait();
    }
    a.CopyAll();
    return true;
}

bool TransitionInterlaceRows(EFFECT_ARGS) {
    AREA;
    const int n = std::max(step, 2);
    for (int i = 0; i < n; ++i) {
        for (int y = i; y < height; y += n) a.Copy(0, y, width, 1);
        a.Wait();
        a.Wait();
    }
    a.CopyAll();
    return true;
}

bool TransitionWipeRight(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 1);
    for (int x = 0; x < width; x += step) {
        a.Copy(x, 0, step, height);
        a.Wait();
    }
    a.CopyAll();
    return true;
}

bool TransitionWipeLeft(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 1);
    for (int x = width - step; x + step > 0; x -= step) {
        a.Copy(x, 0, step, height);
        a.Wait();
    }
    a.CopyAll();
    return true;
}

// Drips: strips of `step` pixels, each with its own filled length, grow by
// rand() % step per pass until every strip is full. A step below 2 would grow
// by rand() % 1 = 0 for ever, so 2 is the least step.
enum class Drip { Down, Up, Right, Left };

bool RunDrip(const Area& a, int step, Drip direction) {
    step = std::max(step, 2);
    const bool vertical = direction == Drip::Down || direction == Drip::Up;
    const int across = vertical ? a.width : a.height;  // strips lie side by side across this extent
    const int along = vertical ? a.height : a.width;   // and grow along this one
    std::vector<int> filled((size_t)(across / step + 1), 0);
    srand((unsigned)time(nullptr));
    bool unfinished = along > 0;
    while (unfinished) {
        unfinished = false;
        for (size_t i = 0; i < filled.size(); ++i) {
            if (filled[i] >= along) continue;
            filled[i] = std::min(along, filled[i] + rand() % step);
            const int start = (int)i * step, length = filled[i];
            switch (direction) {
            case Drip::Down: a.Copy(start, 0, step, length); break;
            case Drip::Up: a.Copy(start, a.height - length, step, length); break;
            case Drip::Right: a.Copy(0, start, length, step); break;
            case Drip::Left: a.Copy(a.width - length, start, length, step); break;
            }
            if (filled[i] < along) unfinished = true;
        }
        a.Wait();
    }
    return true;
}

bool TransitionDripDown(EFFECT_ARGS) {
    AREA;
    return RunDrip(a, step, Drip::Down);
}
bool TransitionDripUp(EFFECT_ARGS) {
    AREA;
    return RunDrip(a, step, Drip::Up);
}
bool TransitionDripRight(EFFECT_ARGS) {
    AREA;
    return RunDrip(a, step, Drip::Right);
}
bool TransitionDripLeft(EFFECT_ARGS) {
    AREA;
    return RunDrip(a, step, Drip::Left);
}

bool TransitionRandomBlocks(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 4);
    const int columns = width / step + 1, rows = height / step + 1;
    const long long count = (long long)columns * rows * 5;
    srand((unsigned)time(nullptr));
    for (long long i = 0; i < count; ++i) {
        a.Copy(rand() % columns * step, rand() % rows * step, step, step);
        if (i % 500 == 499) a.Wait();
    }
    a.CopyAll();
    return true;
}

bool TransitionCrossRows(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 4);
    const int d = (width / step + 1) / 2;
    if (d <= 1) return true;
    for (int i = 1; i < d; ++i) {
        const int length = (2 * i - 1) * step;
        const int rowA = step * (d - 1) - step * (i - 1);
        const int rowB = height - step * d + step * (i - 1);
        a.Copy(step * (d - i + 1), rowA, length, step);
        a.Copy(step * (d - i), rowB, length, step);
        if (delay) WaitMilliseconds(20 * delay);
    }
    return true;
}

bool TransitionSpiralIn(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 4);
    const int rings = (height / step + 1) / 2;
    for (int r = 0; r < rings; ++r) {
        const int left = r * step, top = r * step, right = width - r * step, bottom = height - r * step;
        if (right <= left || bottom <= top) break;
        for (int x = left; x < right; x += step) a.Copy(x, top, step, step);
        for (int y = top; y < bottom; y += step) a.Copy(right - step, y, step, step);
        for (int x = right - step; x > left - step; x -= step) a.Copy(std::max(x, left), bottom - step, step, step);
        for (int y = bottom - step; y > top - step; y -= step) a.Copy(left, std::max(y, top), step, step);
        a.Wait();
    }
    a.CopyAll();
    return true;
}

// Stretches the whole source into a growing part of the target. The step has
// no minimum of its own; 0 would divide by zero and is taken as 1.
enum class Stretch { FromLeft, FromRight, FromTop, FromBottom };

bool RunStretch(const Area& a, int step, Stretch from) {
    step = std::max(step, 1);
    const bool horizontal = from == Stretch::FromLeft || from == Stretch::FromRight;
    const int extent = horizontal ? a.width : a.height;
    const int passes = extent / (2 * step) - 1;
    for (int k = 1; k <= passes; ++k) {
        const int size = 2 * step * k;
        int x = a.tx, y = a.ty, w = a.width, h = a.height;
        if (horizontal) w = size;
        else h = size;
        if (from == Stretch::FromRight) x += a.width - size;
        if (from == Stretch::FromBottom) y += a.height - size;
        StretchBlt(a.target, x, y, w, h, a.source, a.sx, a.sy, a.width, a.height, SRCCOPY);
        if (k % (2 * step) == 0) a.Wait();
    }
    return true;
}

bool TransitionStretchFromLeft(EFFECT_ARGS) {
    AREA;
    return RunStretch(a, step, Stretch::FromLeft);
}
bool TransitionStretchFromRight(EFFECT_ARGS) {
    AREA;
    return RunStretch(a, step, Stretch::FromRight);
}
bool TransitionStretchFromTop(EFFECT_ARGS) {
    AREA;
    return RunStretch(a, step, Stretch::FromTop);
}
bool TransitionStretchFromBottom(EFFECT_ARGS) {
    AREA;
    return RunStretch(a, step, Stretch::FromBottom);
}

bool TransitionSlideFromLeft(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 1);
    for (int k = 1; k <= width / step; ++k) {
        const int w = k * step;
        a.CopyFrom(width - w, 0, 0, 0, w, height);
        a.Wait();
    }
    a.CopyAll();
    return true;
}

bool TransitionSlideFromRight(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 1);
    for (int k = 1; k <= width / step; ++k) {
        const int w = k * step;
        a.CopyFrom(0, 0, width - w, 0, w, height);
        a.Wait();
    }
    a.CopyAll();
    return true;
}

bool TransitionSlideFromTop(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 1);
    for (int k = 1; k <= height / step; ++k) {
        const int h = k * step;
        a.CopyFrom(0, height - h, 0, 0, width, h);
        a.Wait();
    }
    a.CopyAll();
    return true;
}

bool TransitionSlideFromBottom(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 1);
    for (int k = 1; k <= height / step; ++k) {
        const int h = k * step;
        a.CopyFrom(0, 0, 0, height - h, width, h);
        a.Wait();
    }
    a.CopyAll();
    return true;
}

bool TransitionSlideFromTopLeft(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 1);
    for (int s = step; s < std::max(width, height); s += step) {
        a.CopyFrom(std::max(0, width - s), std::max(0, height - s), 0, 0, std::min(s, width), std::min(s, height));
        a.Wait();
    }
    a.CopyAll();
    return true;
}

bool TransitionSlideFromBottomLeft(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 1);
    for (int s = step; s < std::max(width, height); s += step) {
        const int h = std::min(s, height);
        a.CopyFrom(std::max(0, width - s), 0, 0, height - h, std::min(s, width), h);
        a.Wait();
    }
    a.CopyAll();
    return true;
}

// A centred box grows: its width by step per pass, its height by step times
// the smaller side ratio. The ratio is a fraction, so it is computed in floating point.
bool TransitionBoxOut(EFFECT_ARGS) {
    AREA;
    step = std::max(step, 1);
    if (width <= 0 || height <= 0) return true;
    const double ratio = std::min((double)width / height, (double)height / width);
    const int passes = std::max(height / step, width / step);
    for (int k = 1; k <= passes; ++k) {
        const int w = std::min(width, k * step);
        const int h = std::min(height, (int)(k * step * ratio));
        a.Copy((width - w) / 2, (height - h) / 2, w, h);
        a.Wait();
    }
    return true;
}

// The DC's picture (0, 0, width, height) as a 24-bit bottom-up DIB; empty on failure.
std::vector<BYTE> ReadPicture(HDC dc, int width, int height, BITMAPINFO& info) {
    std::vector<BYTE> bits;
    HDC copyDC = CreateCompatibleDC(dc);
    HBITMAP copy = CreateCompatibleBitmap(dc, width, height);
    if (copyDC && copy) {
        HGDIOBJ old = SelectObject(copyDC, copy);
        BOOL copied = BitBlt(copyDC, 0, 0, width, height, dc, 0, 0, SRCCOPY);
        SelectObject(copyDC, old);
        info = DirectBitmapInfo(width, height, 24);
        const uint64_t stride = (((uint64_t)width * 24 + 31) / 32) * 4;
        // No memory for the rows is a failed read, not an exception that
        // would leave the bitmap and the DC behind.
        try {
            if (copied && stride * (uint64_t)height <= (uint64_t)PTRDIFF_MAX)
                bits.resize((size_t)(stride * (uint64_t)height));
        } catch (const std::exception&) { bits.clear(); }
        if (bits.empty() || GetDIBits(copyDC, copy, 0, (UINT)height, bits.data(), &info, DIB_RGB_COLORS) != height)
            std::vector<BYTE>().swap(bits);
    }
    if (copy) DeleteObject(copy);
    if (copyDC) DeleteDC(copyDC);
    return bits;
}

bool TransitionBlendOver(EFFECT_ARGS) {
    step = std::clamp(step, 1, 255);
    GdiFlush();
    BITMAPINFO info;
    std::vector<BYTE> from, onto;
    if (width > 0 && height > 0) {
        from = ReadPicture(source, width, height, info);
        if (!from.empty()) onto = ReadPicture(target, width, height, info);
    }
    if (from.empty() || onto.empty()) {
        Beep(300, 100);
        return false;
    }
    const int c = 255 / step;
    for (int frame = 0, d = 0; frame < step && d < 255; ++frame, d += c) {
        for (size_t i = 0; i < onto.size(); ++i) onto[i] = (BYTE)(onto[i] * (255 - d) / 255 + d * from[i] / 255);
        StretchDIBits(target, 0, 0, width, height, 0, 0, width, height, onto.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        WaitMilliseconds(delay);
        if (c == 0) break;
    }
    return true;
}

#undef AREA
#undef EFFECT_ARGS

const TransitionEffect kEffects[TRANSITION_EFFECT_COUNT] = {
    TransitionInterlaceColumns, TransitionInterlaceRows,    TransitionWipeRight,
    TransitionWipeLeft,         TransitionDripDown,         TransitionDripUp,
    TransitionDripRight,        TransitionDripLeft,         TransitionRandomBlocks,
    TransitionCrossRows,        TransitionSpiralIn,         TransitionStretchFromLeft,
    TransitionStretchFromRight, TransitionStretchFromTop,   TransitionStretchFromBottom,
    TransitionSlideFromLeft,    TransitionSlideFromRight,   TransitionSlideFromTop,
    TransitionSlideFromBottom,  TransitionSlideFromTopLeft, TransitionSlideFromBottomLeft,
    TransitionBoxOut,           TransitionBlendOver,
};

}  // namespace

bool WaitMilliseconds(unsigned n) {
    if (n == 0) return true;
    const DWORD start = GetTickCount();
    for (;;) {
        Sleep(1);
        const DWORD now = GetTickCount();
        if (now < start || now - start > n) break;
    }
    return true;
}

bool TransitionEndsWithFullCopy(int index) {
    switch (index) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 8:
    case 10:
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20: return true;
    default: return false;
    }
}

bool RunTransitionEffect(HDC source, int sx, int sy, HDC target, int tx, int ty, int width, int height, unsigned delay,
                         int step, int index) {
    if (index < 0 || index >= TRANSITION_EFFECT_COUNT) index = 0;
    return kEffects[index](source, sx, sy, target, tx, ty, width, height, delay, step);
}
