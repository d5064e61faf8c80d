// XmlReader: pull parser that reads an XML file line by line and yields one token per call.
#pragma once
#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum XmlTokenKind : int {
    XML_TOKEN_NONE = 0,         // whitespace, =, > or ?, a finished comment or CDATA, an attribute name, a line end
    XML_TOKEN_ELEMENT_START = 1,
    XML_TOKEN_ELEMENT_END = 2,  // a closing tag, or the slash of an empty-element tag
    XML_TOKEN_ATTRIBUTE = 3,
    XML_TOKEN_TEXT = 4,         // text between tags, one line's worth
    XML_TOKEN_DECLARATION = 5,  // <?...> or <!...>
    XML_TOKEN_COMMENT = 6,      // a comment began, or continues past a line end
    XML_TOKEN_CDATA = 7,        // a CDATA section began, or continues past a line end
};

class XmlReader {
public:
    using ErrorSink = std::function<void(const std::string& message)>;

    XmlReader() = default;
    virtual ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    void SetFileName(const std::string& name);  // ignored while open
    // With show errors set, a parse error is handed to the sink (the window shows it in a message
    // box, the console prints it); the message is kept in Error() either way.
    void SetShowErrors(bool show) { showErrors = show; }
    void SetErrorSink(ErrorSink sink) { errorSink = std::move(sink); }

    // 1 when a token (possibly of kind 0) was produced; 0 at end of file, when the file cannot be
    // opened, or on a parse error (and on every later call until Close).
    virtual int Next();
    void Close();

    XmlTokenKind Token() const { return token; }
    const std::string& ElementName() const { return elementName; }
    const std::string& AttributeName() const { return attributeName; }
    const std::string& AttributeValue() const { return attributeValue; }
    const std::string& Text() const { return text; }
    const std::string& DeclarationName() const { return declarationName; }
    const std::string& Error() const { return error; }
    int LineNumber() const { return lineNumber; }
    bool OpenFailed() const { return openFailed; }
    // True between a tag's '<' and its '>': a tag the file ends in was cut off.
    bool InsideTag() const { return inTag; }
    bool Failed() const { return failed; }

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    bool readLine();
    bool step(const char*& message);
    bool stepTag(const char*& message);
    void stepAttributeValue();
    void stepText();
    void stepSection(const char* terminator, XmlTokenKind continuing);
    void resetState();

    std::unique_ptr<std::FILE, FileCloser> file;
    std::vector<char> buffer;  // our own read buffer: lines of any length, NUL bytes included
    size_t bufferPos = 0, bufferLen = 0;
    bool open = false;
    bool openFailed = false;
    bool failed = false;
    std::string fileName;
    bool showErrors = false;
    ErrorSink errorSink;
    std::string error;
    std::string line;
    std::ptrdiff_t position = -1;  // -1: a new line must be read
    int lineNumber = 0;
    XmlTokenKind token = XML_TOKEN_NONE;
    std::string elementName, text, attributeName, attributeValue, declarationName;
    bool inComment = false, inCData = false, inTag = false, afterEquals = false, inText = false;
    bool attributeNamePending = false;  // an attribute name was read and its = not yet seen
};
