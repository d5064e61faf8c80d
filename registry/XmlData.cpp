// Undo-file text rules: markup escaping, ParseData and the exact-byte texts.
#include "registry/XmlData.h"

#include <cstring>

#include "registry/DataFormat.h"

namespace {

// Hex digit value; any other character counts with its own code (old files rely on nothing else).
unsigned digitValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c;
}

unsigned char hexPair(const std::string& text, size_t at) {
    return static_cast<unsigned char>((digitValue(text[at]) * 16 + digitValue(text[at + 1])) & 0xFF);
}

int strictDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A number text: "0x" and `bytes` pairs, most significant first, stored least significant first.
std::vector<unsigned char> parseNumber(const std::string& text, size_t bytes) {
    if (text.empty()) return std::vector<unsigned char>(bytes, 0);
    if (text.size() < 2 + 2 * bytes) return {};
    std::vector<unsigned char> out(bytes);
    for (size_t j = 0; j < bytes; ++j) out[bytes - 1 - j] = hexPair(text, 2 + 2 * j);
    return out;
}

}  // namespace

std::string escapeXmlMarkup(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '&') out += "&amp;";
        else if (c == '"') out += "&quot;";
        else if (c == '<') out += "&lt;";
        else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            ++i;
        } else if (c < 0x20 && c != '\t') {
            out += "&#" + std::to_string(c) + ';';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string unescapeXmlMarkup(const std::string& text) {
    static const struct { const char* entity; char c; } named[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'},
    };
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        bool done = false;
        for (const auto& n : named) {
            size_t len = std::strlen(n.entity);
            if (text.compare(i, len, n.entity) == 0) {
                out += n.c;
                i += len;
                done = true;
                break;
            }
        }
        if (!done && text.compare(i, 2, "&#") == 0) {
            size_t j = i + 2;
            unsigned code = 0;
            while (j < text.size() && j < i + 5 && text[j] >= '0' && text[j] <= '9') code = code * 10 + (text[j++] - '0');
            if (j > i + 2 && j < text.size() && text[j] == ';' && code < 128) {
                out += static_cast<char>(code);
                i = j + 1;
                done = true;
            }
        }
        if (!done) out += text[i++];
    }
    return out;
}

std::vector<unsigned char> ParseData(const std::string& text, uint32_t type) {
    switch (type) {
    case 3: case 8: case 10: {
        if (text.empty()) return std::vector<unsigned char>(1, 0);
        // Pairs with one separator between them; a dangling half pair is a damaged text.
        if (text.size() % 3 == 1) return {};
        std::vector<unsigned char> out((text.size() + 1) / 3);
        for (size_t j = 0; j < out.size(); ++j) out[j] = hexPair(text, 3 * j);
        return out;
    }
    case 4:
        return parseNumber(text, 4);
    case 11:
        return parseNumber(text, 8);
    case 7: {
        if (text.empty()) return std::vector<unsigned char>(1, 0);
        std::vector<unsigned char> out;
        out.reserve(text.size() + 2);
        for (char c : text) {
            if (c == '\r') continue;
            out.push_back(c == '\n' ? 0 : static_cast<unsigned char>(c));
        }
        out.push_back(0);
        out.push_back(0);
        return out;
    }
    default: {
        std::vector<unsigned char> out(text.begin(), text.end());
        out.push_back(0);
        return out;
    }
    }
}

std::string rawBytesText(const std::vector<unsigned char>& bytes) {
    return FormatData(3, bytes.data(), bytes.size());
}

bool parseRawBytes(const std::string& text, std::vector<unsigned char>& out) {
    out.clear();
    if (text.empty()) return true;
    if (text.size() % 3 != 2) return false;
    out.reserve((text.size() + 1) / 3);
    for (size_t at = 0; at < text.size(); at += 3) {
        int hi = strictDigit(text[at]), lo = strictDigit(text[at + 1]);
        if (hi < 0 || lo < 0 || (at + 2 < text.size() && text[at + 2] != ' ')) {
            out.clear();
            return false;
        }
        out.push_back(static_cast<unsigned char>(hi * 16 + lo));
    }
    return true;
}
