#include "image/Palette.h"

void FillGreyPalette(uint8_t* rgb, int levels, int count) {
    const int step = 255 / (levels - 1);
    for (int i = 0; i < count; ++i) rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = (uint8_t)(step * i);
}
