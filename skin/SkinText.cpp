// Skin line splitting and conversions.
#include "skin/SkinText.h"

#include <cctype>
#include <cstdlib>

namespace {
bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
}

std::string TrimSkinText(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

void ClipSkinLine(std::string& line) {
    if (line.size() > SKIN_LINE_LIMIT) line.resize(SKIN_LINE_LIMIT);
}

std::string TakeField(std::string& line) {
    const size_t comma = line.find(',');
    if (comma == std::string::npos) {
        line = TrimSkinText(line);
        return line;
    }
    std::string field = line.substr(0, comma);
    line = TrimSkinText(line.substr(comma + 1));
    return field;
}

SkinRect ParseSkinRect(std::string& line) {
    const int x = SkinInt(TakeField(line));
    const int y = SkinInt(TakeField(line));
    const int w = SkinInt(TakeField(line));
    const int h = SkinInt(TakeField(line));
    return SkinRect{x, y, x + w, y + h};
}

int SkinInt(const std::string& field) { return std::atoi(field.c_str()); }
unsigned long SkinColour(const std::string& field) { return static_cast<unsigned long>(std::atol(field.c_str())); }
bool SkinFlag(const std::string& field) { return !field.empty() && field[0] == 'T'; }

SkinButtonLine ParseButtonLine(std::string line) {
    ClipSkinLine(line);
    SkinButtonLine b;
    b.name = TakeField(line);
    b.rect = ParseSkinRect(line);
    b.toggle = SkinFlag(TakeField(line));
    return b;
}

SkinTextLine ParseTextLine(std::string line) {
    ClipSkinLine(line);
    SkinTextLine t;
    t.name = TakeField(line);
    t.face = TakeField(line);
    t.bold = SkinFlag(TakeField(line));
    t.italic = SkinFlag(TakeField(line));
    t.height = SkinInt(TakeField(line));
    t.colour = SkinColour(TakeField(line));
    t.rect = ParseSkinRect(line);
    t.text = TakeField(line);
    return t;
}

SkinScreenLine ParseScreenLine(std::string line) {
    ClipSkinLine(line);
    SkinScreenLine s;
    s.name = TakeField(line);
    for (auto& image : s.images) image = TakeField(line);
    s.rect = ParseSkinRect(line);
    return s;
}

SkinListLine ParseListLine(std::string line) {
    ClipSkinLine(line);
    SkinListLine l;
    l.rect = ParseSkinRect(line);
    int count = SkinInt(TakeField(line));
    if (count < 0) count = 0;
    if (count > SKIN_MAX_COLUMNS) count = SKIN_MAX_COLUMNS;
    for (int i = 0; i < count; ++i) {
        SkinListColumn c;
        c.title = TakeField(line);
        c.width = SkinInt(TakeField(line));
        l.columns.push_back(c);
    }
    return l;
}
