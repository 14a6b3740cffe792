// PNG files made byte by byte, for tests that need what a PNG writer would
// not write: a header that claims more rows than there are, samples without
// gamma information, files to cut short or damage.
#pragma once

#include <cstdint>
#include <vector>

using PngBytes = std::vector<uint8_t>;

// A PNG file of the given header whose image data holds `row` (the samples
// of one row, without its filter byte) once, unfiltered, and nothing else:
// a file whose header claims more rows is cut short after its first.
PngBytes PngWithOneRow(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                       const PngBytes& row);
