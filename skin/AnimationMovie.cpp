// Header checks of the animation format; the picture itself is decoded by the player.
#include "skin/AnimationMovie.h"

namespace {

int readU16(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

bool fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

}  // namespace

bool ParseMovieHeader(const std::string& bytes, MovieHeader& out, std::string* why) {
    if (bytes.size() < MOVIE_HEADER_SIZE) return fail(why, "shorter than the header");
    if (bytes.compare(0, 4, "ZANI") != 0) return fail(why, "not an animation");
    if (readU16(bytes, 4) != 1) return fail(why, "unknown version");
    MovieHeader h;
    h.frameCount = readU16(bytes, 6);
    h.frameWidth = readU16(bytes, 8);
    h.frameHeight = readU16(bytes, 10);
    h.framePeriod = readU16(bytes, 12);
    h.pictureOffset = MOVIE_HEADER_SIZE;
    if (h.frameCount < 1 || h.frameCount > 1024) return fail(why, "frame count out of range");
    if (h.frameWidth < 1 || h.frameWidth > 4096 || h.frameHeight < 1 || h.frameHeight > 4096)
        return fail(why, "frame size out of range");
    if (h.framePeriod < 10 || h.framePeriod > 10000) return fail(why, "frame period out of range");
    if (bytes.size() == MOVIE_HEADER_SIZE) return fail(why, "no picture");
    out = h;
    return true;
}
