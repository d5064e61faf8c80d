// CRegistryLib import of undo-file XML: recreates the keys and values the file describes.
#include <cstring>

#include "registry/RegKey.h"
#include "registry/RegistryLib.h"
#include "registry/XmlData.h"
#include "xml/XmlReader.h"

namespace {

bool sameIgnoreCase(const std::string& a, const char* b) {
    return lstrcmpiA(a.c_str(), b) == 0 && a.size() == std::strlen(b);
}

// The texts of the "v" element being read, in the order the export writes its attributes.
struct PendingValue {
    std::string name, data, type, raw;
    bool hasRaw = false;
    bool named = false;  // a value literally named like the unnamed one

    void take(const std::string& attribute, const std::string& value) {
        if (sameIgnoreCase(attribute, "name")) {
            *this = PendingValue();
            name = value;
        } else if (sameIgnoreCase(attribute, "value")) {
            data = value;
            type.clear();
            raw.clear();
            hasRaw = false;
        } else if (sameIgnoreCase(attribute, "type")) {
            type = value;
        } else if (sameIgnoreCase(attribute, "raw")) {
            raw = value;
            hasRaw = true;
        } else if (sameIgnoreCase(attribute, "named")) {
            named = value == "1";
        }
    }
};

}  // namespace

HKEY CRegistryLib::LoadAsXml_OpenKey(const std::vector<std::string>& names) {
    if (names.empty()) return nullptr;
    const std::string& root = names[0];
    std::string subkey;
    for (size_t i = 1; i < names.size(); ++i) {
        if (i > 1) subkey += '\\';
        subkey += names[i];
    }
    HKEY key = nullptr;
    if (OpenKey(root, subkey, &key) == ERROR_SUCCESS) return key;
    HKEY rootKey = RootKeyFromName(root);
    if (!rootKey) return nullptr;
    key = nullptr;
    if (RegCreateKeyA(rootKey, subkey.c_str(), &key) == ERROR_SUCCESS) return key;
    if (xmlMessage) xmlMessage("couldn't create key " + root + "\\" + subkey);
    return nullptr;
}

void CRegistryLib::LoadAsXml_SetValue(HKEY key, const std::string& name, const std::string& data,
                                      const std::string& typeName, const std::string* raw, bool named) {
    if (!key) return;
    const char* valueName = !named && sameIgnoreCase(name, "(Default)") ? nullptr : name.c_str();
    const DWORD type = TypeFromName(typeName);
    std::vector<unsigned char> bytes;
    bool ok;
    if (raw) {
        ok = parseRawBytes(*raw, bytes);  // exact bytes, possibly none
    } else {
        bytes = ParseData(data, type);
        ok = !bytes.empty();
    }
    static const BYTE none = 0;
    if (ok && RegSetValueExA(key, valueName, 0, type, bytes.empty() ? &none : bytes.data(),
                             static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS)
        return;
    if (xmlMessage) xmlMessage("couldn't set value " + name);
}

int CRegistryLib::LoadXmlFile(XmlReader& reader, const std::string& path) {
    reader.SetShowErrors(true);
    reader.SetErrorSink(xmlMessage);
    reader.SetFileName(path);
    std::vector<std::string> names;
    std::vector<RegKey> keys;
    PendingValue pending;
    bool keyFailed = false;
    while (!keyFailed && reader.Next()) {
        if (reader.Token() == XML_TOKEN_ELEMENT_END) {
            const std::string element = XmlUnescape(reader.ElementName());
            if (sameIgnoreCase(element, "k") && !names.empty()) {
                names.pop_back();
                keys.pop_back();
            } else if (sameIgnoreCase(element, "v") && !names.empty()) {
                LoadAsXml_SetValue(keys.back().get(), pending.name, pending.data, pending.type,
                                   pending.hasRaw ? &pending.raw : nullptr, pending.named);
                pending = PendingValue();
            }
        } else if (reader.Token() == XML_TOKEN_ATTRIBUTE) {
            const std::string element = reader.ElementName();
            const std::string attribute = XmlUnescape(reader.AttributeName());
            const std::string value = XmlUnescape(reader.AttributeValue());
            if (sameIgnoreCase(element, "k") && sameIgnoreCase(attribute, "name")) {
                names.push_back(value);
                keys.emplace_back(LoadAsXml_OpenKey(names));
                keyFailed = !keys.back();
            } else if (sameIgnoreCase(element, "v")) {
                pending.take(attribute, value);
            }
        }
    }
    // A file that could not be read, or whose reading stopped on a parse error, was not restored.
    const bool readWhole = !reader.OpenFailed() && !reader.Failed();
    reader.Close();
    return keyFailed || !readWhole ? 0 : 1;
}
