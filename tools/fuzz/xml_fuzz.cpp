// Host fuzz target (libFuzzer): XmlReader on arbitrary files, ParseData on arbitrary texts, and the
// properties the undo file relies on (escaped text and rendered data read back unchanged).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "registry/DataFormat.h"
#include "registry/XmlData.h"
#include "xml/XmlElement.h"
#include "xml/XmlReader.h"
#include "xml/XmlWriter.h"

namespace {

using Bytes = std::vector<unsigned char>;

const std::string& scratch(const char* suffix) {
    static std::string paths[2];
    std::string& p = paths[suffix[0] == 'r'];
    if (p.empty()) {
        const char* dir = std::getenv("TMPDIR");
        p = std::string(dir ? dir : "/tmp") + "/zenthar-fuzz-" + std::to_string(getpid()) + "-" + suffix + ".xml";
    }
    return p;
}

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

void writeFile(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// Every call consumes a character, a line end, or changes state once before consuming: a reader
// that needs more calls than this is looping.
void readAll(const std::string& text) {
    writeFile(scratch("in"), text);
    XmlReader reader;
    bool sinkCalled = false;
    reader.SetShowErrors(true);
    reader.SetErrorSink([&](const std::string&) { sinkCalled = true; });
    reader.SetFileName(scratch("in"));
    const size_t bound = 4 * text.size() + 20;
    size_t calls = 0;
    while (reader.Next()) {
        require(++calls <= bound, "reader makes no progress");
        require(reader.Token() >= 0 && reader.Token() <= 7, "token kind out of range");
    }
    require(sinkCalled == reader.Failed(), "parse errors reach the sink exactly once");
    require(reader.Failed() == !reader.Error().empty(), "error text set only on a parse error");
    reader.Close();
}

// Escaped text written as an attribute value reads back, after unescaping, as the original.
void attributeRoundTrip(const std::string& value) {
    {
        XmlWriter writer;
        writer.SetFileName(scratch("rt"));
        XmlElement v("v");
        v.SetAttribute("name", "n");
        v.SetAttribute("value", escapeXmlMarkup(value));
        require(v.WriteEmptyElement(writer) == 1, "write");
    }
    XmlReader reader;
    reader.SetFileName(scratch("rt"));
    std::string got;
    int attributes = 0, ends = 0;
    while (reader.Next()) {
        if (reader.Token() == XML_TOKEN_ATTRIBUTE && reader.AttributeName() == "value") got = reader.AttributeValue();
        attributes += reader.Token() == XML_TOKEN_ATTRIBUTE;
        ends += reader.Token() == XML_TOKEN_ELEMENT_END;
    }
    require(!reader.Failed(), "escaped value parses");
    require(attributes == 4 && ends == 1, "one element with its attributes");  // the declaration has 2
    require(unescapeXmlMarkup(got) == value, "escaped value reads back unchanged");
}

void parseDataProperties(const std::string& text, const Bytes& bytes) {
    static const uint32_t types[] = {0, 1, 2, 3, 4, 5, 7, 8, 10, 11, 12};
    for (uint32_t type : types) {
        Bytes out = ParseData(text, type);
        if (type == 3 || type == 8 || type == 10)
            require(out.empty() == (text.size() % 3 == 1) &&
                        (out.empty() || out.size() == (text.empty() ? 1 : (text.size() + 1) / 3)),
                    "binary size");
        if (type == 4) require(out.empty() == (!text.empty() && text.size() < 10) && (out.empty() || out.size() == 4), "dword size");
        if (type == 11) require(out.empty() == (!text.empty() && text.size() < 18) && (out.empty() || out.size() == 8), "qword size");
        if (type == 7 || type == 1) require(!out.empty() && out.back() == 0, "terminated");
    }
    // Rendered data comes back as the same bytes.
    if (!bytes.empty()) require(ParseData(FormatData(3, bytes.data(), bytes.size()), 3) == bytes, "binary round trip");
    if (bytes.size() >= 4) {
        Bytes four(bytes.begin(), bytes.begin() + 4);
        require(ParseData(FormatData(4, four.data(), 4), 4) == four, "dword round trip");
    }
    if (bytes.size() >= 8) {
        Bytes eight(bytes.begin(), bytes.begin() + 8);
        require(ParseData(FormatData(11, eight.data(), 8), 11) == eight, "qword round trip");
    }
    Bytes multi;
    for (unsigned char c : bytes)
        if (c != '\r' && c != '\n') multi.push_back(c);
    multi.push_back(0);
    multi.push_back(0);
    if (multi.size() > 2) require(ParseData(FormatData(7, multi.data(), multi.size()), 7) == multi, "multi-string round trip");
    Bytes raw;
    require(parseRawBytes(rawBytesText(bytes), raw) && raw == bytes, "raw round trip");
    parseRawBytes(text, raw);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Bytes bytes(data, data + size);
    readAll(text);
    attributeRoundTrip(text);
    parseDataProperties(text, bytes);
    require(unescapeXmlMarkup(escapeXmlMarkup(text)) == text, "escape round trip");
    return 0;
}
