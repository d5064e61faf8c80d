// XmlWriter: lazy open, the declaration line, and unbuffered line writes.
#include "xml/XmlWriter.h"

#include "xml/XmlElement.h"

XmlWriter::~XmlWriter() { Close(); }

void XmlWriter::SetFileName(const std::string& name) {
    if (!open) fileName = name;
}

int XmlWriter::WriteLine(const std::string& text) {
    if (!open) {
        // The C library opens without a sharing restriction, so others may read the file meanwhile.
        file.reset(std::fopen(fileName.c_str(), "wb"));
        if (!file) return 0;
        open = true;
    }
    if (!headerWritten) {
        headerWritten = true;
        int saved = depth;
        depth = 0;
        XmlElement decl("xml");
        decl.SetAttribute("version", "1.0");
        decl.SetAttribute("encoding", "UTF-8");
        int ok = decl.WriteDeclaration(*this);
        depth = saved;
        if (!ok) return 0;
    }
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) return 0;
    // The repair deletes an entry right after writing it: the line must not wait in our buffer.
    return std::fflush(file.get()) == 0 ? 1 : 0;
}

void XmlWriter::Close() {
    file.reset();
    depth = 0;
    open = false;
    headerWritten = false;
}
