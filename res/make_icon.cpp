// Draws the installer's icon: a monitor showing a small forest at night,
// 32 x 32 pixels in the 16 standard colours, written as a .ico file.
#include <cstdio>
#include <cstring>

namespace {

enum { kBlack = 0, kMaroon = 1, kGreen = 2, kSilver = 7, kGray = 8, kLime = 10,
       kYellow = 11, kWhite = 15, kClear = 16 };

const unsigned char kPalette[16][3] = {  // red, green, blue
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

unsigned char px[32][32];  // [row from the top][column]

void Fill(int top, int left, int bottom, int right, unsigned char c) {
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) px[y][x] = c;
}

void Tree(int tipY, int centreX, int height) {
    for (int i = 0; i < height; ++i) Fill(tipY + i, centreX - i / 2, tipY + i, centreX + i / 2,
                                          i % 3 == 2 ? kLime : kGreen);
    Fill(tipY + height, centreX, tipY + height + 1, centreX, kMaroon);
}

void Put(FILE* f, unsigned v, int bytes) {
    for (int i = 0; i < bytes; ++i) fputc((int)(v >> (8 * i)) & 0xFF, f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUT.ico\n");
        return 2;
    }
    std::memset(px, kClear, sizeof px);
    Fill(1, 1, 23, 30, kGray);      // cabinet outline
    Fill(2, 2, 22, 29, kSilver);    // cabinet
    Fill(4, 4, 19, 27, kBlack);     // screen
    Fill(6, 21, 8, 23, kYellow);    // moon
    px[6][21] = px[8][23] = kBlack;
    px[5][8] = px[7][14] = px[5][18] = px[9][6] = px[6][26] = kWhite;  // stars
    Tree(9, 9, 8);
    Tree(11, 15, 6);
    Tree(8, 21, 9);
    Fill(21, 25, 21, 27, kLime);    // power light
    Fill(24, 12, 25, 19, kGray);    // neck
    Fill(26, 6, 28, 25, kSilver);   // foot
    Fill(29, 6, 29, 25, kGray);

    const unsigned kXorSize = 32 * 16, kAndSize = 32 * 4;
    const unsigned kImageSize = 40 + 16 * 4 + kXorSize + kAndSize;
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    Put(f, 0, 2); Put(f, 1, 2); Put(f, 1, 2);                       // icon directory
    Put(f, 32, 1); Put(f, 32, 1); Put(f, 16, 1); Put(f, 0, 1);      // one image
    Put(f, 1, 2); Put(f, 4, 2); Put(f, kImageSize, 4); Put(f, 22, 4);
    Put(f, 40, 4); Put(f, 32, 4); Put(f, 64, 4); Put(f, 1, 2); Put(f, 4, 2);  // header
    Put(f, 0, 4); Put(f, kXorSize + kAndSize, 4); Put(f, 0, 4); Put(f, 0, 4);
    Put(f, 16, 4); Put(f, 0, 4);
    for (const auto& c : kPalette) { Put(f, c[2], 1); Put(f, c[1], 1); Put(f, c[0], 1); Put(f, 0, 1); }
    for (int y = 31; y >= 0; --y)                                     // colours, bottom row first
        for (int x = 0; x < 32; x += 2) {
            unsigned hi = px[y][x] == kClear ? 0 : px[y][x];
            unsigned lo = px[y][x + 1] == kClear ? 0 : px[y][x + 1];
            Put(f, hi << 4 | lo, 1);
        }
    for (int y = 31; y >= 0; --y)                                     // transparency mask
        for (int x = 0; x < 32; x += 8) {
            unsigned bits = 0;
            for (int b = 0; b < 8; ++b) bits = bits << 1 | (px[y][x + b] == kClear);
            Put(f, bits, 1);
        }
    return std::fclose(f) == 0 ? 0 : 1;
}
