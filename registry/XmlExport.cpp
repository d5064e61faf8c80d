// CRegistryLib export of keys to undo-file XML from exact copies read through the wide-character
// API, and the code-page side of the text escaping.
#include <cstring>

#include "registry/KeySnapshot.h"
#include "registry/RegKey.h"
#include "registry/RegistryAccess.h"
#include "registry/RegistryView.h"
#include "registry/UndoValues.h"
#include "registry/WideText.h"
#include "registry/XmlData.h"
#include "xml/XmlElement.h"

namespace {

std::string convert(UINT from, UINT to, const std::string& text) {
    if (text.empty()) return text;
    int n = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return text;
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (m <= 0) return text;
    std::string out(m, '\0');
    WideCharToMultiByte(to, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
    return out;
}

// A name goes into the file only when it reads back as the very same UTF-16 text.
bool utf8Exact(const std::wstring& name, std::string& out) {
    out = Utf8FromWide(name);
    std::wstring back;
    return WideFromUtf8(out, back) && back == name && name.find(L'\0') == std::wstring::npos;
}

// One "v" element: the text form as the file has always carried it; when the import could not
// rebuild the exact type and bytes from that, "code" (the type number) and "bytes" follow it.
bool writeValueXml(XmlWriter& writer, const SnapshotValue& v) {
    std::string name;
    if (v.name.empty()) name = "(Default)";
    else if (!utf8Exact(v.name, name)) return false;
    const std::string text = UndoValueText(v.type, v.bytes);
    XmlElement e("v");
    e.SetAttribute("name", escapeXmlMarkup(name));
    e.SetAttribute("value", escapeXmlMarkup(text));
    if (v.type != 0 && v.type != 1) e.SetAttribute("type", escapeXmlMarkup(TypeName(v.type)));
    // The import takes "(Default)" in any case for the unnamed value: a value that merely has
    // that name says so, or an undo would write its data over the unnamed value.
    if (!v.name.empty() && lstrcmpiW(v.name.c_str(), L"(Default)") == 0) e.SetAttribute("named", "1");
    const DWORD readType = TypeFromName(TypeName(v.type));
    std::vector<unsigned char> rebuilt;
    const bool exact = readType == v.type && UndoValueBytes(text, readType, rebuilt) && rebuilt == v.bytes;
    if (readType != v.type) e.SetAttribute("code", std::to_string(v.type));
    if (!exact) e.SetAttribute("bytes", rawBytesText(v.bytes));
    return e.WriteEmptyElement(writer) != 0;
}

bool writeContents(XmlWriter& writer, const KeySnapshot& snap);

bool writeKeyXml(XmlWriter& writer, const KeySnapshot& snap) {
    std::string name;
    if (!utf8Exact(snap.name, name)) return false;
    XmlElement k("k");
    k.SetAttribute("name", escapeXmlMarkup(name));
    if (snap.link) k.SetAttribute("link", "1");
    if (snap.values.empty() && snap.subkeys.empty()) return k.WriteEmptyElement(writer) != 0;
    bool ok = k.WriteOpenTag(writer) != 0;
    ok = writeContents(writer, snap) && ok;  // closed even after a failure, so later chains stay apart
    return k.WriteCloseTag(writer) != 0 && ok;
}

bool writeContents(XmlWriter& writer, const KeySnapshot& snap) {
    for (const auto& v : snap.values)
        if (!writeValueXml(writer, v)) return false;
    for (const auto& sub : snap.subkeys)
        if (!writeKeyXml(writer, sub)) return false;
    return true;
}

// Every name of the copy can go into the file exactly; checked before a line is written.
bool namesCarry(const KeySnapshot& snap) {
    std::string ignored;
    for (const auto& v : snap.values)
        if (!v.name.empty() && !utf8Exact(v.name, ignored)) return false;
    for (const auto& sub : snap.subkeys)
        if (!utf8Exact(sub.name, ignored) || !namesCarry(sub)) return false;
    return true;
}

std::vector<std::wstring> components(const std::wstring& path) {
    std::vector<std::wstring> parts;
    for (size_t start = 0; start <= path.size();) {
        size_t slash = path.find(L'\\', start);
        if (slash == std::wstring::npos) slash = path.size();
        if (slash > start) parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

}  // namespace

std::string RegistryAccess::XmlEscape(const std::string& text) {
    return convert(CP_ACP, CP_UTF8, escapeXmlMarkup(text));
}

std::string RegistryAccess::XmlUnescape(const std::string& text) {
    return unescapeXmlMarkup(convert(CP_UTF8, CP_ACP, text));
}

LONG RegistryAccess::SnapshotEntry(const std::string& path, const ValueRecord* value, KeySnapshot& out) {
    std::string subkey = path;
    const std::string root = SeperateMainKey(subkey);
    const HKEY rootKey = RootKeyFromName(root);
    if (!rootKey) return 1;
    out = KeySnapshot();
    out.view64 = InView64();
    const std::wstring wideSubkey = WideFromAnsi(subkey);
    const std::vector<std::wstring> parts = components(wideSubkey);
    out.name = parts.empty() ? WideFromAnsi(root) : parts.back();
    if (!value) return SnapshotSubkey(rootKey, wideSubkey, out);
    // The unnamed value is listed as "(Default)"; a value of that very name says so.
    const std::wstring name = value->name == "(Default)" && !value->named ? std::wstring() : WideFromAnsi(value->name);
    return SnapshotSubkey(rootKey, wideSubkey, out, &name);
}

int RegistryAccess::WriteSnapshotXml(XmlWriter& writer, const std::string& path, const KeySnapshot& snap) {
    const std::vector<std::wstring> parts = components(WideFromAnsi(path));
    if (parts.empty() || !namesCarry(snap)) return 0;
    std::vector<XmlElement> chain;
    int written = 1;
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string name;
        if (!utf8Exact(parts[i], name)) return 0;
        chain.emplace_back("k");
        chain.back().SetAttribute("name", escapeXmlMarkup(name));
        // The chain's view on its root key; without it a chain is of the 32-bit view, as files
        // written before there were two views are.
        if (i == 0 && snap.view64) chain.back().SetAttribute("view", "64");
        if (i + 1 == parts.size() && snap.link) chain.back().SetAttribute("link", "1");
    }
    for (const auto& k : chain) written &= k.WriteOpenTag(writer);
    const bool contents = writeContents(writer, snap);
    for (size_t i = chain.size(); i-- > 0;) written &= chain[i].WriteCloseTag(writer);
    return written && contents ? 1 : 0;
}

int RegistryAccess::SaveKeyAsXml(XmlWriter& writer, const std::string& path, const ValueRecord* value) {
    KeySnapshot snap;
    if (SnapshotEntry(path, value, snap) != ERROR_SUCCESS) return 0;
    return WriteSnapshotXml(writer, path, snap);
}
