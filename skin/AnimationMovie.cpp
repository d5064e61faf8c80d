// Header checks of the animation format; the picture itself is decoded by the player.
#include "skin/AnimationMovie.h"

namespace {

unsigned readU16(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8);
}

size_t readU32(const std::string& b, size_t at) { return readU16(b, at) | (static_cast<size_t>(readU16(b, at + 2)) << 16); }

bool fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

}  // namespace

bool ParseMovieHeader(const std::string& bytes, MovieHeader& out, std::string* why) {
    if (bytes.size() < MOVIE_HEADER_SIZE) return fail(why, "shorter than the header");
    if (bytes.compare(0, 4, "ZANM") != 0) return fail(why, "not an animation");
    const size_t headerSize = readU16(bytes, 4);
    if (headerSize < MOVIE_HEADER_SIZE || headerSize > bytes.size()) return fail(why, "bad header size");
    if (readU16(bytes, 6) != 1) return fail(why, "unknown version");
    MovieHeader h;
    h.frameWidth = static_cast<int>(readU16(bytes, 8));
    h.frameHeight = static_cast<int>(readU16(bytes, 10));
    h.frameCount = static_cast<int>(readU16(bytes, 12));
    h.framePeriod = static_cast<int>(readU16(bytes, 14));
    h.pictureSize = readU32(bytes, 16);
    h.pictureOffset = headerSize;
    if (h.frameCount < 1 || h.frameCount > 1024) return fail(why, "frame count out of range");
    if (h.frameWidth < 1 || h.frameWidth > 4096 || h.frameHeight < 1 || h.frameHeight > 4096)
        return fail(why, "frame size out of range");
    if (h.framePeriod < 10 || h.framePeriod > 10000) return fail(why, "frame period out of range");
    if (h.pictureSize == 0) return fail(why, "no picture");
    if (h.pictureSize > bytes.size() - headerSize) return fail(why, "picture cut short");
    out = h;
    return true;
}
