// XmlElement: one element (name and ordered attributes) written as a line through an XmlWriter.
#pragma once
#include <string>
#include <vector>

class XmlWriter;

class XmlElement {
public:
    explicit XmlElement(const std::string& name) : name(name) {}

    void SetName(const std::string& newName) { name = newName; }
    const std::string& Name() const { return name; }
    // Replaces the value of an attribute of exactly that name, else appends it.
    void SetAttribute(const std::string& attrName, const std::string& value);

    // Each returns the writer's WriteLine result. The depth change is applied before an open tag
    // and after a close tag; an empty element leaves the depth unchanged.
    int WriteOpenTag(XmlWriter& writer, int depthChange = 1, bool indent = true, bool lineEnd = true) const;
    int WriteEmptyElement(XmlWriter& writer, int depthChange = 1, bool indent = true, bool lineEnd = true) const;
    int WriteDeclaration(XmlWriter& writer, int depthChange = 0) const;
    int WriteCloseTag(XmlWriter& writer, int depthChange = -1, bool indent = true, bool lineEnd = true) const;

private:
    std::string tagBody() const;  // name and attributes

    std::string name;
    std::vector<std::string> attributeNames;
    std::vector<std::string> attributeValues;
};
