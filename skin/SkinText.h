// Skin description lines: the field splitter, the conversions and the line formats (no window headers).
#pragma once
#include <string>
#include <vector>

// A value line is at most this long; the splitter works on a copy cut to this length.
constexpr size_t SKIN_LINE_LIMIT = 255;
// Buffers of the profile reads, in characters (terminating zero included).
constexpr size_t SKIN_KEY_LIST_CHARS = 16384;
constexpr size_t SKIN_VALUE_CHARS = 2048;
// More columns than a 255-character line can describe are never read.
constexpr int SKIN_MAX_COLUMNS = 128;

struct SkinRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
};

std::string TrimSkinText(const std::string& text);
// Cuts the line to SKIN_LINE_LIMIT characters.
void ClipSkinLine(std::string& line);
// The text before the first comma, verbatim; the rest of line, trimmed, stays in line. Without a
// comma: line trimmed, and a copy of it returned (so a further call returns it again).
std::string TakeField(std::string& line);
// Four fields x, y, w, h (atoi each) as left, top, right = x + w, bottom = y + h.
SkinRect ParseSkinRect(std::string& line);

int SkinInt(const std::string& field);              // atoi
unsigned long SkinColour(const std::string& field); // atol: "0l" is 0 (black)
bool SkinFlag(const std::string& field);            // true exactly when it starts with 'T'

struct SkinButtonLine {
    std::string name;
    SkinRect rect;
    bool toggle = false;
};
struct SkinTextLine {
    std::string name, face;
    bool bold = false, italic = false;
    int height = 0;
    unsigned long colour = 0;
    SkinRect rect;
    std::string text;
};
struct SkinScreenLine {
    std::string name;
    std::string images[4];  // normal, hover, pressed, disabled
    SkinRect rect;
};
struct SkinListColumn {
    std::string title;
    int width = 0;
};
struct SkinListLine {
    SkinRect rect;
    std::vector<SkinListColumn> columns;
};

// Each takes a value line (cut to the line limit first) in its format's field order.
SkinButtonLine ParseButtonLine(std::string line);   // NAME,x,y,w,h,FLAG
SkinTextLine ParseTextLine(std::string line);       // NAME,FONT,BOLD,ITALIC,HEIGHT,COLOUR,x,y,w,h,TEXT
SkinScreenLine ParseScreenLine(std::string line);   // NAME,IMAGE1..IMAGE4,x,y,w,h
SkinListLine ParseListLine(std::string line);       // x,y,w,h,COUNT,TITLE1,WIDTH1,...
