// Grey palettes: the ramp a reader or a conversion gives a picture whose
// indices are grey levels.
#pragma once
#include <cstdint>

// Writes count RGB triplets into rgb: entry i is grey i * (255 / (levels - 1))
// (integer division, kept to its low 8 bits). levels is at least 2; 256 gives
// entry i the grey i, 16 steps of 17, 2 black and white.
void FillGreyPalette(uint8_t* rgb, int levels, int count);
// The same for count = levels: levels greys from black, up to white where 255
// divides evenly (2, 4, 16 or 256 levels).
inline void FillGreyPalette(uint8_t* rgb, int levels) { FillGreyPalette(rgb, levels, levels); }
