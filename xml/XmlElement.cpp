// XmlElement: attribute list and the tag lines it writes.
#include "xml/XmlElement.h"

#include "xml/XmlWriter.h"

namespace {
const char* const LINE_END = "\r\n";
}

void XmlElement::SetAttribute(const std::string& attrName, const std::string& value) {
    for (size_t i = 0; i < attributeNames.size(); ++i)
        if (attributeNames[i] == attrName) {
            attributeValues[i] = value;
            return;
        }
    attributeNames.push_back(attrName);
    attributeValues.push_back(value);
}

std::string XmlElement::tagBody() const {
    std::string out = name;
    for (size_t i = 0; i < attributeNames.size(); ++i) {
        out += ' ';
        out += attributeNames[i];
        out += "=\"";
        out += attributeValues[i];
        out += '"';
    }
    return out;
}

int XmlElement::WriteOpenTag(XmlWriter& writer, int depthChange, bool indent, bool lineEnd) const {
    writer.AddDepth(depthChange);
    std::string line = indent && writer.Depth() > 0 ? std::string(writer.Depth(), ' ') : std::string();
    line += '<';
    line += tagBody();
    line += '>';
    if (lineEnd) line += LINE_END;
    return writer.WriteLine(line);
}

int XmlElement::WriteEmptyElement(XmlWriter& writer, int depthChange, bool indent, bool lineEnd) const {
    writer.AddDepth(depthChange);
    std::string line = indent && writer.Depth() > 0 ? std::string(writer.Depth(), ' ') : std::string();
    line += '<';
    line += tagBody();
    line += "/>";
    if (lineEnd) line += LINE_END;
    writer.AddDepth(-depthChange);
    return writer.WriteLine(line);
}

int XmlElement::WriteDeclaration(XmlWriter& writer, int depthChange) const {
    writer.AddDepth(depthChange);
    std::string line = writer.Depth() > 0 ? std::string(writer.Depth(), ' ') : std::string();
    line += "<?";
    line += tagBody();
    line += "?>";
    line += LINE_END;
    return writer.WriteLine(line);
}

int XmlElement::WriteCloseTag(XmlWriter& writer, int depthChange, bool indent, bool lineEnd) const {
    std::string line = indent && writer.Depth() > 0 ? std::string(writer.Depth(), ' ') : std::string();
    line += "</";
    line += name;
    line += '>';
    if (lineEnd) line += LINE_END;
    writer.AddDepth(depthChange);
    return writer.WriteLine(line);
}
