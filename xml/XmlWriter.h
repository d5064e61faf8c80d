// XmlWriter: line-oriented XML file writer that keeps the indentation depth and writes the declaration.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

class XmlWriter {
public:
    XmlWriter() = default;
    virtual ~XmlWriter();
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;

    // Ignored while the file is open.
    void SetFileName(const std::string& name);
    const std::string& FileName() const { return fileName; }

    // Writes the bytes of `text` unchanged; the first write after construction or Close creates
    // (truncates) the file and writes the XML declaration before the text. Every line reaches the
    // operating system before this returns, so a crash after it cannot lose the line.
    // 1 on success, 0 when the file cannot be opened or the write fails.
    virtual int WriteLine(const std::string& text);

    void Close();
    bool IsOpen() const { return open; }

    int Depth() const { return depth; }
    void AddDepth(int change) { depth += change; }

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file;
    bool open = false;
    bool headerWritten = false;
    std::string fileName;
    int depth = 0;
};
