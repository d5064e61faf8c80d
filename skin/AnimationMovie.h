// The program's own animation format (the "ANIMATION" resource of type "SWF") and its reader.
//
// Layout, little-endian (resources/README.md describes the same; the skin generator writes it):
//   offset 0   4 bytes   "ZANM"
//   offset 4   uint16    header size in bytes (at least 20); the picture starts here
//   offset 6   uint16    format version, 1
//   offset 8   uint16    frame width in pixels, 1 to 4096
//   offset 10  uint16    frame height in pixels, 1 to 4096
//   offset 12  uint16    frame count, 1 to 1024
//   offset 14  uint16    frame period in milliseconds, 10 to 10000
//   offset 16  uint32    picture size in bytes: the rest of the file
//   then       ...       one picture that the platform picture loader decodes (GIF or BMP): the
//                        frames side by side, left to right, frame i at x = i * width.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct MovieHeader {
    int frameCount = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    int framePeriod = 0;       // milliseconds
    size_t pictureOffset = 0;  // where the picture's bytes start
    size_t pictureSize = 0;
};

constexpr size_t MOVIE_HEADER_SIZE = 20;

// Reads and checks the header of a movie held in `bytes`. False, with a reason in `why`, when the
// data is not a movie of this format, its numbers are out of range or its picture is cut short;
// `out` is then untouched.
bool ParseMovieHeader(const std::string& bytes, MovieHeader& out, std::string* why = nullptr);
