// Colour-depth conversion of a CImage: lowering quantizes (median cut for 256
// colours, octree for 16, black and white for 1 bit, each with serpentine
// Floyd-Steinberg error diffusion); raising unpacks indices or lets GDI expand
// the rows. CHiColorDither prepares true-colour pixels for a 16-bit screen.
#pragma once
#include <cstdint>

#include "image/Image.h"

// 8-bit indices for a 16-, 24- or 32-bit buffer and the 256 red, green, blue
// entries they index; null for other depths, a null buffer or no memory.
uint8_t* QuantizeMedianCut(const uint8_t* bits, int width, int height, int bpp, uint8_t* outRgbPalette);

// Octree colour quantizer.
class CQuantizer {
public:
    CQuantizer(unsigned maxColors, unsigned colorBits);
    virtual ~CQuantizer();
    CQuantizer(const CQuantizer&) = delete;
    CQuantizer& operator=(const CQuantizer&) = delete;

    // Adds every pixel of a 4-, 8-, 16-, 24- or 32-bit buffer (palette images
    // through rgbPalette, 256 red, green, blue triples).
    bool ProcessImage(const uint8_t* bits, int width, int height, int bpp, const uint8_t* rgbPalette);
    unsigned GetColorCount() const { return leafCount; }
    // One RGBQUAD per leaf, depth first.
    void GetColorTable(RGBQUAD* outQuads) const;

private:
    struct Node {
        bool leaf;
        uint32_t pixelCount;
        uint64_t red, green, blue;
        Node* children[8];
        Node* next;
    };
    void AddColor(uint8_t r, uint8_t g, uint8_t b);
    // Folds the head of the deepest non-empty reducible list; false when none is left.
    bool ReduceTree();
    static void FreeTree(Node* node);
    static void Collect(const Node* node, RGBQUAD* out, unsigned& index);

    Node* root = nullptr;
    unsigned leafCount = 0;
    Node* reducible[9] = {};
    unsigned leafLimit;
    unsigned maxColors;
    unsigned colorBits;
    bool failed = false;
};

// Error diffusion of 24- and 32-bit pixels towards a 5-6-5 screen.
class CHiColorDither {
public:
    CHiColorDither();
    bool DitherImage(uint8_t* bits, int width, int height, int bpp, int stride);
    void DitherRow(uint8_t* row, int width, int bpp);

private:
    int errorBlue[256];
    int errorGreen[256];
    int errorRed[256];
};
