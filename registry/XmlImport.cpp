// CRegistryLib import of undo-file XML: the whole file is read and checked first; only a file that
// passes is written, through the wide-character API and key by key below each parent.
#include <cstdio>
#include <cstring>
#include <memory>

#include "registry/KeySnapshot.h"
#include "registry/RegKey.h"
#include "registry/RegistryAccess.h"
#include "registry/RegistryView.h"
#include "registry/UndoValues.h"
#include "registry/WideText.h"
#include "registry/XmlData.h"
#include "xml/XmlReader.h"

namespace {

bool sameIgnoreCase(const std::string& a, const char* b) {
    return lstrcmpiA(a.c_str(), b) == 0 && a.size() == std::strlen(b);
}

// The attributes of the "v" element being read. They must come in the order the export writes
// them: the name, then the data text, then whatever qualifies that text.
struct ValueDraft {
    int line = 0;
    bool hasName = false, hasValue = false, named = false;
    std::string name, value;
    std::string type, code, bytes, raw;
    bool hasType = false, hasCode = false, hasBytes = false, hasRaw = false;

    // An empty text when accepted, otherwise why not.
    std::string take(const std::string& attribute, const std::string& text) {
        if (sameIgnoreCase(attribute, "name")) {
            if (hasName || hasValue) return "the attribute \"name\" is not the value's first";
            hasName = true;
            name = text;
            return std::string();
        }
        if (sameIgnoreCase(attribute, "value")) {
            if (!hasName) return "the attribute \"value\" comes before the value's name";
            if (hasValue || hasType || hasCode || hasBytes || hasRaw) return "the attribute \"value\" is out of order";
            hasValue = true;
            value = text;
            return std::string();
        }
        const struct { const char* name; bool* has; std::string* text; } qualifiers[] = {
            {"type", &hasType, &type}, {"code", &hasCode, &code}, {"bytes", &hasBytes, &bytes}, {"raw", &hasRaw, &raw},
        };
        for (const auto& q : qualifiers) {
            if (!sameIgnoreCase(attribute, q.name)) continue;
            if (!hasValue) return std::string("the attribute \"") + q.name + "\" comes before the value's data";
            if (*q.has) return std::string("the attribute \"") + q.name + "\" is given twice";
            *q.has = true;
            *q.text = text;
            return std::string();
        }
        if (sameIgnoreCase(attribute, "named")) named = text == "1";
        return std::string();  // other attributes carry nothing the import uses
    }
};

bool parseTypeCode(const std::string& text, DWORD& out) {
    if (text.empty() || text.size() > 10) return false;
    unsigned long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > 0xFFFFFFFFull) return false;
    out = static_cast<DWORD>(v);
    return true;
}

// One chain of the file: a root key and what lies below it.
struct Chain {
    HKEY root = nullptr;
    std::string rootName;
    bool view64 = false;  // written in the 64-bit registry view
    KeySnapshot keys;  // values of the root itself, and its subkeys
};

class UndoFileCheck {
public:
    std::vector<std::unique_ptr<Chain>> chains;
    std::string problem;  // set when the file fails the check
    int problemLine = 0;

    void elementStart(const std::string& element, int line) {
        if (awaitingKeyName) return fail(keyLine, "a key without a name");
        if (sameIgnoreCase(element, "registry")) registryTag = true;
        if (sameIgnoreCase(element, "k")) {
            awaitingKeyName = true;
            keyLine = line;
        } else if (sameIgnoreCase(element, "v")) {
            if (stack.empty()) return fail(line, "a value outside any key");
            draft.reset(new ValueDraft);
            draft->line = line;
        }
    }

    void attribute(const std::string& element, const std::string& name, const std::string& text, int line) {
        if (sameIgnoreCase(element, "k")) {
            if (sameIgnoreCase(name, "name")) {
                if (!awaitingKeyName) return fail(line, "a key with two names");
                awaitingKeyName = false;
                pushKey(text, line);
            } else if (sameIgnoreCase(name, "link") && !stack.empty() && !awaitingKeyName && text == "1") {
                if (stack.size() == 1) return fail(line, "a root key marked as a link");
                stack.back()->link = true;
            } else if (sameIgnoreCase(name, "view") && stack.size() == 1 && !awaitingKeyName) {
                if (text != "64" && text != "32") return fail(line, "an unknown registry view \"" + text + "\"");
                chains.back()->view64 = text == "64";
            }
        } else if (sameIgnoreCase(element, "v") && draft) {
            const std::string why = draft->take(name, text);
            if (!why.empty()) fail(line, why);
        }
    }

    void elementEnd(const std::string& element, int line) {
        if (sameIgnoreCase(element, "k")) {
            if (awaitingKeyName) return fail(keyLine, "a key without a name");
            if (stack.empty()) return fail(line, "a closing tag of a key that was never opened");
            stack.pop_back();
        } else if (sameIgnoreCase(element, "v") && draft) {
            finishValue();
            draft.reset();
        }
    }

    // Called after every token with whether the reader is inside a tag: the "registry" start tag
    // counts once its '>' (or its "/>") has been read.
    void afterToken(bool insideTag) {
        if (registryTag && !insideTag) sawRegistry = true;
    }

    // A file without a whole "registry" start tag is not one of ours, or was cut off before its
    // first entry: either way it holds nothing to restore. (Its end tag may be missing: a killed
    // repair never writes it.)
    void finish() {
        if (ok() && !sawRegistry) fail(0, "no complete \"registry\" element: this is not an undo file");
    }

    bool ok() const { return problem.empty(); }

    void fail(int line, const std::string& why) {
        if (!ok()) return;
        problem = why;
        problemLine = line;
    }

private:
    std::vector<KeySnapshot*> stack;
    std::unique_ptr<ValueDraft> draft;
    bool awaitingKeyName = false, registryTag = false, sawRegistry = false;
    int keyLine = 0;

    void pushKey(const std::string& text, int line) {
        if (stack.empty()) {
            const HKEY root = RegistryAccess::RootKeyFromName(text);
            if (!root) return fail(line, "an unknown root key \"" + text + "\"");
            chains.push_back(std::make_unique<Chain>());
            chains.back()->root = root;
            chains.back()->rootName = text;
            stack.push_back(&chains.back()->keys);
            return;
        }
        if (stack.back()->link) return fail(line, "a key below a link");
        if (static_cast<int>(stack.size()) > MAX_KEY_NESTING) return fail(line, "keys nested deeper than 512 levels");
        std::wstring name;
        if (!WideFromUtf8(text, name)) return fail(line, "a key name that is not UTF-8 text");
        if (name.empty() || name.size() > 255 || name.find_first_of(std::wstring(L"\\\0", 2)) != std::wstring::npos)
            return fail(line, "a key name that the registry cannot hold");
        stack.back()->subkeys.emplace_back();
        stack.back()->subkeys.back().name = name;
        stack.push_back(&stack.back()->subkeys.back());
    }

    void finishValue() {
        const ValueDraft& d = *draft;
        if (!d.hasName) return fail(d.line, "a value without a name");
        if (!d.hasValue) return fail(d.line, "the value \"" + d.name + "\" without data");
        SnapshotValue v;
        if (!(sameIgnoreCase(d.name, "(Default)") && !d.named)) {
            if (!WideFromUtf8(d.name, v.name)) return fail(d.line, "a value name that is not UTF-8 text");
            if (v.name.empty() || v.name.find(L'\0') != std::wstring::npos || v.name.size() > 16383)
                return fail(d.line, "the value name \"" + d.name + "\" that the registry cannot hold");
        }
        if (d.hasCode) {
            if (!parseTypeCode(d.code, v.type)) return fail(d.line, "the value \"" + d.name + "\" with a bad type number");
        } else {
            v.type = TypeFromName(d.type);
        }
        bool fits;
        if (d.hasBytes) {
            fits = parseRawBytes(d.bytes, v.bytes);
        } else if (d.hasRaw) {  // bytes as the code-page calls read them (older files)
            fits = parseRawBytes(d.raw, v.bytes);
            if (fits) v.bytes = WideStoredBytes(v.type, v.bytes);
        } else {
            fits = UndoValueBytes(d.value, v.type, v.bytes);
        }
        if (!fits) return fail(d.line, "the data of the value \"" + d.name + "\" does not fit its type");
        stack.back()->values.push_back(std::move(v));
    }
};

// True when a parse error lies on the file's last line and that line has no line end: the file was
// cut off while it was written (a repair killed part-way), and everything before it is whole.
bool cutOffInLastLine(const std::string& path, int errorLine) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<char> buf(1 << 16);
    long long lineEnds = 0;
    char last = '\n';
    for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), f)) > 0;) {
        for (size_t i = 0; i < n; ++i) lineEnds += buf[i] == '\n';
        last = buf[n - 1];
    }
    std::fclose(f);
    return last != '\n' && lineEnds == errorLine - 1;
}

std::string ansi(const std::wstring& w) { return AnsiFromWide(w); }

}  // namespace

int RegistryAccess::LoadXmlFile(XmlReader& reader, const std::string& path) {
    auto say = [this](const std::string& text) {
        if (xmlMessage) xmlMessage(text);
    };
    reader.SetShowErrors(false);
    reader.SetFileName(path);
    UndoFileCheck check;
    while (check.ok() && reader.Next()) {
        const int line = reader.LineNumber();
        switch (reader.Token()) {
        case XML_TOKEN_ELEMENT_START: check.elementStart(reader.ElementName(), line); break;
        case XML_TOKEN_ATTRIBUTE:
            check.attribute(reader.ElementName(), unescapeXmlMarkup(reader.AttributeName()),
                            unescapeXmlMarkup(reader.AttributeValue()), line);
            break;
        case XML_TOKEN_ELEMENT_END: check.elementEnd(reader.ElementName(), line); break;
        default: break;
        }
        check.afterToken(reader.InsideTag());
    }
    const bool empty = reader.LineNumber() == 0;
    const bool openFailed = reader.OpenFailed();
    const bool parseFailed = reader.Failed() && !cutOffInLastLine(path, reader.LineNumber());
    const std::string parseError = reader.Error();
    reader.Close();
    if (openFailed) {
        say("Can't read the undo file " + path + "; nothing was restored.");
        return 0;
    }
    if (empty) {
        say("The undo file " + path + " is empty; nothing was restored.");
        return 0;
    }
    if (parseFailed) {
        say(parseError + "; nothing was restored.");
        return 0;
    }
    check.finish();
    if (!check.ok()) {
        say("The undo file " + path + " is damaged (" + check.problem +
            (check.problemLine ? " in line " + std::to_string(check.problemLine) : std::string()) +
            "); nothing was restored.");
        return 0;
    }
    // Every chain is written, even after one fails, so that one refused key costs no other.
    bool whole = true;
    xmlRefusedForRights = false;
    for (const auto& chain : check.chains) {
        SnapshotFailures failures;
        const RegistryViewScope view(chain->view64);
        WriteKeyContents(chain->root, chain->keys, &failures);
        for (const auto& f : failures) {
            whole = false;
            xmlRefusedForRights |= f.error == ERROR_ACCESS_DENIED;
            if (f.isValue)
                say("couldn't set value " + (f.valueName.empty() ? std::string("(Default)") : ansi(f.valueName)));
            else
                say("couldn't create key " + chain->rootName + "\\" + ansi(f.keyPath));
        }
    }
    return whole ? 1 : 0;
}
