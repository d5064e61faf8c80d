// CRegistryLib export of keys to undo-file XML, and the code-page side of the text escaping.
#include <cstring>

#include "registry/RegKey.h"
#include "registry/RegistryLib.h"
#include "registry/XmlData.h"
#include "xml/XmlElement.h"

namespace {

std::wstring toWide(UINT codePage, const std::string& text, bool& ok) {
    ok = true;
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return ok = false, std::wstring();
    std::wstring out(n, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string fromWide(UINT codePage, const std::wstring& text, bool& ok) {
    ok = true;
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return ok = false, std::string();
    std::string out(n, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::string convert(UINT from, UINT to, const std::string& text) {
    bool ok;
    std::wstring wide = toWide(from, text, ok);
    if (!ok) return text;
    std::string out = fromWide(to, wide, ok);
    return ok ? out : text;
}

// The value's current type and bytes; false when it cannot be read.
bool queryValue(HKEY key, const char* name, DWORD& type, std::vector<unsigned char>& bytes) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        bytes.resize(size + 2);
        DWORD got = static_cast<DWORD>(bytes.size());
        LONG rc = RegQueryValueExA(key, name, nullptr, &type, bytes.data(), &got);
        if (rc == ERROR_SUCCESS) {
            bytes.resize(got);
            return true;
        }
        if (rc != ERROR_MORE_DATA) return false;
        size = got > size ? got : size * 2;
    }
    return false;
}

// The type survives the file only when its name maps back to the same code (not 0, 5, 6, 9 or >11).
bool typeRoundTrips(uint32_t type) { return TypeFromName(TypeName(type)) == type; }

// One "v" element. The rendered text is what the file has always carried; when the import could not
// rebuild the exact bytes from it, a "raw" attribute with the bytes follows it.
int writeValueXml(XmlWriter& writer, HKEY key, const ValueRecord& rec) {
    const bool unnamed = rec.name == "(Default)" && !rec.named;
    DWORD liveType = 0;
    std::vector<unsigned char> live;
    const bool haveLive = queryValue(key, unnamed ? nullptr : rec.name.c_str(), liveType, live) &&
                          liveType == rec.type && typeRoundTrips(rec.type);
    // "(value not set)" also stands for an unnamed value that exists with empty data.
    if (unnamed && rec.data == "(value not set)" && !haveLive) return 1;

    XmlElement v("v");
    v.SetAttribute("name", CRegistryLib::XmlEscape(rec.name));
    const std::string value = CRegistryLib::XmlEscape(rec.data);
    v.SetAttribute("value", value);
    if (rec.type != 0 && rec.type != 1) v.SetAttribute("type", CRegistryLib::XmlEscape(TypeName(rec.type)));
    // The import takes "(Default)" in any case for the unnamed value: a value that merely has
    // that name says so, or an undo would write its data over the unnamed value.
    if (!unnamed && lstrcmpiA(rec.name.c_str(), "(Default)") == 0) v.SetAttribute("named", "1");
    if (haveLive && ParseData(CRegistryLib::XmlUnescape(value), rec.type) != live)
        v.SetAttribute("raw", rawBytesText(live));
    return v.WriteEmptyElement(writer);
}

}  // namespace

std::string CRegistryLib::XmlEscape(const std::string& text) {
    return convert(CP_ACP, CP_UTF8, escapeXmlMarkup(text));
}

std::string CRegistryLib::XmlUnescape(const std::string& text) {
    return unescapeXmlMarkup(convert(CP_UTF8, CP_ACP, text));
}

int CRegistryLib::SaveKeyAsXml(XmlWriter& writer, const std::string& path, const ValueRecord* value) {
    std::string subkey = path;
    const std::string root = SeperateMainKey(subkey);
    RegKey key;
    if (OpenKey(root, subkey, key.put()) != ERROR_SUCCESS) return 0;

    std::vector<std::string> components;
    for (size_t start = 0; start <= path.size();) {
        size_t slash = path.find('\\', start);
        if (slash == std::string::npos) slash = path.size();
        if (slash > start) components.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    int written = 1;
    for (const auto& name : components) {
        XmlElement k("k");
        k.SetAttribute("name", XmlEscape(name));
        written &= k.WriteOpenTag(writer);
    }
    const int result = WriteKeyXml(writer, std::string(), key.get(), value);
    const XmlElement close("k");
    for (size_t i = 0; i < components.size(); ++i) written &= close.WriteCloseTag(writer);
    return result && written;
}

int CRegistryLib::WriteKeyXml(XmlWriter& writer, const std::string& name, HKEY key, const ValueRecord* value) {
    DWORD subkeys = 0, longestSubkey = 0, values = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    const bool ownTag = !name.empty();
    const bool hasChildren = subkeys > 0 || values > 0;
    XmlElement k("k");
    int written = 1;
    if (ownTag) {
        k.SetAttribute("name", XmlEscape(name));
        written &= hasChildren ? k.WriteOpenTag(writer) : k.WriteEmptyElement(writer);
    }
    if (value) {
        written &= writeValueXml(writer, key, *value);
    } else {
        ValueRecordArray records;
        ListValues(key, records);
        for (const auto& rec : records)
            if (rec) written &= writeValueXml(writer, key, *rec);
    }
    // Key names are at most 255 characters; the reported maximum may be stale by now.
    std::vector<char> childName(std::max<DWORD>(longestSubkey, 255) + 2);
    int result = 1;
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(childName.size());
        if (RegEnumKeyExA(key, i, childName.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (len == 0) continue;
        RegKey child;
        if (RegOpenKeyA(key, childName.data(), child.put()) != ERROR_SUCCESS) continue;
        if (!WriteKeyXml(writer, std::string(childName.data(), len), child.get(), nullptr)) {
            // Close what this level opened, so that a later chain in the same file is not read as
            // nested inside this one.
            result = 0;
            break;
        }
    }
    if (ownTag && hasChildren) written &= k.WriteCloseTag(writer);
    return result && written;
}
