// The program's own animation format (the "ANIMATION" resource of type "SWF") and its reader.
//
// Layout, little-endian:
//   offset 0   4 bytes   "ZANI"
//   offset 4   uint16    format version, 1
//   offset 6   uint16    frame count, 1 to 1024
//   offset 8   uint16    frame width in pixels, 1 to 4096
//   offset 10  uint16    frame height in pixels, 1 to 4096
//   offset 12  uint16    frame period in milliseconds, 10 to 10000
//   offset 14  uint16    0 (reserved)
//   offset 16  ...       one picture that the platform picture loader decodes (GIF or BMP): the
//                        frames side by side, left to right, frame i at x = i * width; the picture
//                        is at least count * width pixels wide and height pixels tall.
// tools/pack-animation.py writes files of this format from a picture strip.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct MovieHeader {
    int frameCount = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    int framePeriod = 0;      // milliseconds
    size_t pictureOffset = 0;  // where the picture's bytes start
};

constexpr size_t MOVIE_HEADER_SIZE = 16;

// Reads and checks the header of a movie held in `bytes`. False, with a reason in `why`, when the
// data is not a movie of this format or its numbers are out of range; `out` is then untouched.
bool ParseMovieHeader(const std::string& bytes, MovieHeader& out, std::string* why = nullptr);
