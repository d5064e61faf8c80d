// XmlReader: line reading and the one-token scanner step.
#include "xml/XmlReader.h"

#include <cstring>

namespace {
const size_t READ_CHUNK = 64 * 1024;

bool isBlank(char c) { return c == ' ' || c == '\n' || c == '\r'; }
}  // namespace

XmlReader::~XmlReader() { Close(); }

void XmlReader::SetFileName(const std::string& name) {
    if (!open) fileName = name;
}

void XmlReader::Close() {
    file.reset();
    buffer.clear();
    buffer.shrink_to_fit();
    open = false;
    showErrors = false;
}

void XmlReader::resetState() {
    bufferPos = bufferLen = 0;
    buffer.resize(READ_CHUNK);
    position = -1;
    lineNumber = 0;
    failed = false;
    openFailed = false;
    token = XML_TOKEN_NONE;
    inComment = inCData = inTag = afterEquals = inText = attributeNamePending = false;
    error.clear();
    line.clear();
    elementName.clear();
    text.clear();
    attributeName.clear();
    attributeValue.clear();
    declarationName.clear();
}

// Reads up to the next line feed; the line feed and one carriage return before it are dropped, as
// a text-mode read would. Read in binary so that a stray Ctrl+Z in the data does not end the file.
bool XmlReader::readLine() {
    line.clear();
    bool any = false;
    for (;;) {
        if (bufferPos == bufferLen) {
            bufferLen = std::fread(buffer.data(), 1, buffer.size(), file.get());
            bufferPos = 0;
            if (bufferLen == 0) break;
        }
        const char* start = buffer.data() + bufferPos;
        size_t avail = bufferLen - bufferPos;
        const void* lf = std::memchr(start, '\n', avail);
        size_t take = lf ? static_cast<size_t>(static_cast<const char*>(lf) - start) : avail;
        line.append(start, take);
        any = true;
        bufferPos += take;
        if (lf) {
            ++bufferPos;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            break;
        }
    }
    // A byte-order mark from an editor is not part of the first line's content.
    if (any && lineNumber == 0 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    return any;
}

int XmlReader::Next() {
    if (!open) {
        resetState();
        file.reset(std::fopen(fileName.c_str(), "rb"));
        if (!file) {
            openFailed = true;
            return 0;
        }
        open = true;
    }
    if (failed) return 0;
    if (position == -1) {
        if (!readLine()) return 0;
        ++lineNumber;
        position = 0;
    }
    const char* message = nullptr;
    if (step(message)) return 1;
    failed = true;
    char buf[160];
    std::snprintf(buf, sizeof buf, "Parse error in line %d : (%s)", lineNumber, message);
    error = buf;
    if (showErrors && errorSink) errorSink(error);
    return 0;
}

bool XmlReader::step(const char*& message) {
    token = XML_TOKEN_NONE;
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(line.size()) - 1;
    if (position > last) {
        // The line ended inside an attribute value (an empty line, or a line that ends right after
        // the opening quote): the value keeps that line break like any other.
        if (afterEquals && !attributeValue.empty()) attributeValue += "\r\n";
        position = -1;
        return true;
    }
    if (inTag && !afterEquals) {
        while (position <= last && isBlank(line[position])) ++position;
        if (position > last) {
            position = -1;
            return true;
        }
    }
    if (inComment) {
        stepSection("-->", XML_TOKEN_COMMENT);
        return true;
    }
    if (inCData) {
        stepSection("]]>", XML_TOKEN_CDATA);
        return true;
    }
    if (afterEquals) {
        stepAttributeValue();
        return true;
    }
    if (inText) {
        stepText();
        return true;
    }
    return stepTag(message);
}

void XmlReader::stepSection(const char* terminator, XmlTokenKind continuing) {
    size_t end = line.find(terminator, static_cast<size_t>(position));
    if (end == std::string::npos) {
        token = continuing;
        position = static_cast<std::ptrdiff_t>(line.size());
        return;
    }
    position = static_cast<std::ptrdiff_t>(end + 3);
    inComment = inCData = inTag = afterEquals = false;
    inText = true;
    text.clear();
}

void XmlReader::stepAttributeValue() {
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(line.size()) - 1;
    if (attributeValue.empty()) {
        while (position <= last && isBlank(line[position])) ++position;
        if (position > last) {
            position = -1;
            return;
        }
        attributeValue += line[position++];
        return;
    }
    const char quote = attributeValue[0];
    const bool quoted = quote == '"' || quote == '\'';
    const char quotedStops[] = {quote, '\n', '\r'};
    const std::string stops = quoted ? std::string(quotedStops, 3) : std::string("\"'\n\r>");
    size_t end = line.find_first_of(stops, static_cast<size_t>(position));
    if (end == std::string::npos) {
        attributeValue.append(line, static_cast<size_t>(position), std::string::npos);
        attributeValue += "\r\n";
        position = -1;
        return;
    }
    attributeValue.append(line, static_cast<size_t>(position), end - static_cast<size_t>(position));
    if (quoted) attributeValue.erase(0, 1);
    token = XML_TOKEN_ATTRIBUTE;
    afterEquals = false;
    position = static_cast<std::ptrdiff_t>(line[end] == '>' ? end : end + 1);
}

void XmlReader::stepText() {
    size_t end = line.find_first_of(std::string("\n\r<", 3), static_cast<size_t>(position));
    if (end == std::string::npos) end = line.size();
    text.assign(line, static_cast<size_t>(position), end - static_cast<size_t>(position));
    token = text.empty() ? XML_TOKEN_NONE : XML_TOKEN_TEXT;
    position = static_cast<std::ptrdiff_t>(end);
    if (end < line.size()) {
        if (line[end] == '<')
            inText = false;
        else
            ++position;  // a stray carriage return: step over it, or the next call would stop on it again
    }
}

bool XmlReader::stepTag(const char*& message) {
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(line.size()) - 1;
    const char c = line[position];
    if (c == '<') {
        if (inTag) {
            message = "Bad '<' symbol";
            return false;
        }
        inTag = true;
        inComment = inCData = inText = afterEquals = attributeNamePending = false;
        ++position;
        while (position <= last && isBlank(line[position])) ++position;
        if (position > last) {
            message = "'<' symbol not allowed at the end of a line";
            return false;
        }
        const std::ptrdiff_t left = last - position + 1;
        if (left >= 3 && line.compare(static_cast<size_t>(position), 3, "!--") == 0) {
            token = XML_TOKEN_COMMENT;
            inComment = true;
            position += 3;
            return true;
        }
        if (left >= 8 && line.compare(static_cast<size_t>(position), 8, "![CDATA[") == 0) {
            token = XML_TOKEN_CDATA;
            inCData = true;
            position += 8;
            return true;
        }
        const std::ptrdiff_t start = position;
        while (position <= last) {
            char ch = line[position];
            if (isBlank(ch) || ch == '>' || (ch == '/' && position != start)) break;
            ++position;
        }
        std::string name = line.substr(static_cast<size_t>(start), static_cast<size_t>(position - start));
        if (name.empty()) {
            message = "Empty element name";
            return false;
        }
        if (name[0] == '?' || name[0] == '!') {
            token = XML_TOKEN_DECLARATION;
            declarationName = name;
            elementName.clear();
        } else if (name[0] == '/') {
            token = XML_TOKEN_ELEMENT_END;
            elementName = name.substr(1);
        } else {
            token = XML_TOKEN_ELEMENT_START;
            elementName = name;
        }
        return true;
    }
    if (c == '?') {
        ++position;
        return true;
    }
    if (c == '/') {
        ++position;
        while (position <= last && !isBlank(line[position]) && line[position] != '>') ++position;
        token = XML_TOKEN_ELEMENT_END;
        return true;
    }
    if (c == '>') {
        inTag = afterEquals = attributeNamePending = false;
        inText = true;
        text.clear();
        ++position;
        return true;
    }
    if (!inTag) {
        message = "Syntax error";
        return false;
    }
    if (c == '=') {
        // Without a name of its own the value would be filed under the previous attribute's name.
        if (!attributeNamePending) {
            message = "Missing attribute name before '='";
            return false;
        }
        attributeNamePending = false;
        afterEquals = true;
        attributeValue.clear();
        ++position;
        return true;
    }
    const std::ptrdiff_t start = position;
    while (position <= last) {
        char ch = line[position];
        if (isBlank(ch) || ch == '=' || ch == '>') break;
        ++position;
    }
    attributeName = line.substr(static_cast<size_t>(start), static_cast<size_t>(position - start));
    attributeValue.clear();
    attributeNamePending = true;
    return true;
}
