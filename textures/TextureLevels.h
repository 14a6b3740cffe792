// The texel levels of a picture texture, made on the CPU: the power-of-two
// size a picture is stored at, resampling a picture to that size, and the
// halving that makes each smaller mipmap level.
//
// Pixels are packed 8-bit samples, `channels` per pixel, rows without
// padding. Resampling and halving treat the rows alike whichever way up the
// picture lies.
#pragma once

#include <cstdint>

// The texture side for a picture side: the smallest power of two that is at
// least `pictureSide`, but no more than the largest power of two within
// `maxTextureSize`. 0 when either argument is below 1.
int32_t PowerOfTwoTextureSide(int32_t pictureSide, int32_t maxTextureSize);

// Resamples `source` (sourceWidth x sourceHeight) onto `destination`
// (destinationWidth x destinationHeight) so that the whole picture fills it.
// The filter is a separable tent: bilinear interpolation between pixel
// centres where a side grows, widened to cover every source pixel where a
// side shrinks. Edges repeat the outermost pixels. The buffers must not
// overlap. Returns false when a size or the channel count is below 1.
bool ResamplePixels(const uint8_t* source, int32_t sourceWidth, int32_t sourceHeight,
                    int32_t channels, uint8_t* destination, int32_t destinationWidth,
                    int32_t destinationHeight);

// Replaces the picture in `pixels` by the next smaller mipmap level: each
// side halves (a side of 1 stays 1) and each new pixel is the rounded mean of
// the 2 x 2 block (or pair) it covers. Works in place. Updates `width` and
// `height`; does nothing to a 1 x 1 picture. Sides must be powers of two.
void HalvePixelsInPlace(uint8_t* pixels, int32_t* width, int32_t* height, int32_t channels);
