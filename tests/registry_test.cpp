// The registry access layer against the real registry: roots, splitting, deletion, listing, rendering.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "registry/RegKey.h"
#include "engine/RegistryLib.h"
#include "support/TestSupport.h"

namespace {
const std::string BASE = "HKEY_CURRENT_USER\\Software\\ZentharTest\\Registry";

std::string split(std::string path, std::string& rest) {
    rest = path;
    return CRegistryLib::SeperateMainKey(rest);
}

ValueRecordArray listKey(const std::string& fullPath) {
    std::string sub = fullPath;
    std::string root = CRegistryLib::SeperateMainKey(sub);
    HKEY h = nullptr;
    EXPECT_EQ(CRegistryLib::OpenKey(root, sub, &h), 0);
    RegKey key(h);
    ValueRecordArray out;
    CRegistryLib::ListValues(key.get(), out);
    return out;
}

std::string render(uint32_t type, std::vector<unsigned char> bytes) {
    return FormatData(type, bytes.data(), bytes.size());
}
}  // namespace

TEST(RegistryPaths, SplitsAtTheFirstBackslashOnly) {
    std::string rest;
    EXPECT_EQ(split("HKEY_CLASSES_ROOT", rest), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(rest, "");
    EXPECT_EQ(split("", rest), "");
    EXPECT_EQ(rest, "");
    EXPECT_EQ(split("HKEY_USERS\\", rest), "HKEY_USERS");
    EXPECT_EQ(rest, "");
    EXPECT_EQ(split("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows", rest), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(rest, "SOFTWARE\\Microsoft\\Windows");
}

TEST(RegistryPaths, RootNamesAreMatchedWithoutCaseAndNoAbbreviations) {
    HKEY a = nullptr, b = nullptr;
    ASSERT_EQ(CRegistryLib::OpenKey("hkey_local_machine", "Software", &a), 0);
    ASSERT_EQ(CRegistryLib::OpenKey("HKEY_LOCAL_MACHINE", "Software", &b), 0);
    RegKey ka(a), kb(b);
    DWORD subA = 0, subB = 0;
    RegQueryInfoKeyA(a, nullptr, nullptr, nullptr, &subA, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    RegQueryInfoKeyA(b, nullptr, nullptr, nullptr, &subB, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(subA, subB);
    EXPECT_GT(subA, 0u);

    HKEY c = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(CRegistryLib::OpenKey("HKLM", "Software", &c), 1);
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(CRegistryLib::OpenKey("HKEY_LOCAL_MACHINE", "Software", nullptr), 1);
    CRegistryLib lib;
    EXPECT_EQ(lib.DeleteKey("HKLM", "Software\\ZentharNothing"), 1);
    EXPECT_EQ(lib.DeleteValue("HKCU", "Software", "x"), 1);
}

TEST(RegistryDelete, RemovesAWholeTreeDepthFirst) {
    SeededKey top(BASE + "\\Tree");
    SeededKey deep(BASE + "\\Tree\\A\\B\\C", false);
    deep.setString("v", "data");
    SeededKey side(BASE + "\\Tree\\A\\Side", false);
    CRegistryLib lib;
    std::string sub = BASE + "\\Tree";
    std::string root = CRegistryLib::SeperateMainKey(sub);
    EXPECT_EQ(lib.DeleteKey(root, sub), 0);
    EXPECT_FALSE(KeyExists(BASE + "\\Tree"));
    EXPECT_TRUE(KeyExists(BASE));
}

TEST(RegistryDelete, EmptySubkeyIsRefusedAndMissingKeyReportsTheError) {
    CRegistryLib lib;
    EXPECT_EQ(lib.DeleteKey("HKEY_CURRENT_USER", ""), 1010);
    EXPECT_TRUE(KeyExists("HKEY_CURRENT_USER\\Software"));
    EXPECT_EQ(lib.DeleteKey("HKEY_CURRENT_USER", "Software\\ZentharTest\\NoSuchKey"), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryDelete, DeletesOneNamedValueOnly) {
    SeededKey key(BASE + "\\Values");
    key.setString("keep", "1");
    key.setString("drop", "2");
    CRegistryLib lib;
    std::string sub = key.path();
    std::string root = CRegistryLib::SeperateMainKey(sub);
    EXPECT_EQ(lib.DeleteValue(root, sub, "drop"), 0);
    EXPECT_FALSE(ValueExists(key.path(), "drop"));
    EXPECT_TRUE(ValueExists(key.path(), "keep"));
    EXPECT_EQ(lib.DeleteValue(root, sub, "drop"), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryListing, EmptyKeyGivesOneDefaultRecord) {
    SeededKey key(BASE + "\\Empty");
    auto values = listKey(key.path());
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0]->name, "(Default)");
    EXPECT_EQ(values[0]->data, "(value not set)");
    EXPECT_EQ(values[0]->type, 1u);
}

TEST(RegistryListing, UnnamedStringIsListedOnceAndNamedValuesAreRendered) {
    SeededKey key(BASE + "\\Listing");
    key.setString("", "abc");
    key.setDword("count", 16);
    auto values = listKey(key.path());
    ASSERT_EQ(values.size(), 2u);
    int defaults = 0;
    for (const auto& v : values) {
        if (v->name == "(Default)") {
            ++defaults;
            EXPECT_EQ(v->data, "abc");
            EXPECT_EQ(v->type, 1u);
        } else {
            EXPECT_EQ(v->name, "count");
            EXPECT_EQ(v->data, "0x00000010 (16)");
        }
    }
    EXPECT_EQ(defaults, 1);
}

TEST(RegistryListing, DefaultIsPutFirstWhenTheKeyHasNoUnnamedValue) {
    SeededKey key(BASE + "\\NoDefault");
    key.setString("a", "x");
    auto values = listKey(key.path());
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0]->name, "(Default)");
    EXPECT_EQ(values[0]->data, "(value not set)");
    EXPECT_EQ(values[1]->name, "a");
}

TEST(RegistryListing, UnnamedValueOfOtherTypesNeverReadsPastItsData) {
    SeededKey key(BASE + "\\UnnamedBinary");
    // Binary data with no terminating zero: taking it as text would run past the buffer.
    key.setBinary("", {0x41, 0x42, 0x43, 0x44});
    auto values = listKey(key.path());
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0]->name, "(Default)");
    EXPECT_EQ(values[0]->data, "41 42 43 44");
    EXPECT_EQ(values[0]->type, 3u);

    SeededKey num(BASE + "\\UnnamedDword");
    num.setDword("", 7);
    auto nums = listKey(num.path());
    ASSERT_EQ(nums.size(), 1u);
    EXPECT_EQ(nums[0]->data, "0x00000007 (7)");

    SeededKey empty(BASE + "\\UnnamedEmpty");
    empty.setRaw("", REG_BINARY, "", 0);
    auto empties = listKey(empty.path());
    ASSERT_EQ(empties.size(), 1u);
    EXPECT_EQ(empties[0]->data, "(value not set)");
    EXPECT_EQ(empties[0]->type, 3u);
}

TEST(RegistryListing, LongNamesAndLargeDataAreReadWhole) {
    SeededKey key(BASE + "\\Large");
    std::string name(300, 'n');
    std::string data(20000, 'd');
    key.setString(name, data);
    auto values = listKey(key.path());
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1]->name, name);
    EXPECT_EQ(values[1]->data, data);
}

TEST(DataRendering, EveryTypeRendersAsDocumented) {
    EXPECT_EQ(render(3, {0x0A, 0x1F, 0x00}), "0a 1f 00");
    EXPECT_EQ(render(3, {0x01, 0xAB}), "01 ab");
    EXPECT_EQ(render(8, {0xFF}), "ff");
    EXPECT_EQ(render(10, {}), "");
    EXPECT_EQ(render(4, {0x10, 0, 0, 0}), "0x00000010 (16)");
    EXPECT_EQ(render(4, {0xFF, 0xFF, 0xFF, 0xFF}), "0xffffffff (-1)");
    EXPECT_EQ(render(5, {0, 0, 0, 0x10}), "0x00000010 (16)");
    EXPECT_EQ(render(11, {1, 2, 3, 4, 5, 6, 7, 8}), "0x0807060504030201");
    EXPECT_EQ(render(7, {'a', 0, 'b', 0, 0}), "a\r\nb");
    EXPECT_EQ(render(7, {0, 0}), "");
    EXPECT_EQ(render(1, {'h', 'i', 0, 'x'}), "hi");
    EXPECT_EQ(render(6, {'L', 0, 'k', 0, 0, 0}), "Lk");
}

TEST(DataRendering, ShortNumbersNeverReadPastTheirBytes) {
    EXPECT_EQ(render(4, {0x10}), "0x00000010 (16)");
    EXPECT_EQ(render(11, {0xFF}), "0x00000000000000ff");
    EXPECT_EQ(render(5, {}), "0x00000000 (0)");
    EXPECT_EQ(render(1, {'a', 'b'}), "ab");  // no terminator within the data
}

TEST(DataRendering, TypeNamesBothWays) {
    const struct { uint32_t code; const char* name; } names[] = {
        {0, "REG_SZ"}, {1, "REG_SZ"}, {6, "REG_SZ"}, {2, "REG_EXPAND_SZ"}, {3, "REG_BINARY"},
        {4, "REG_DWORD"}, {5, "REG_DWORD"}, {7, "REG_MULTI_SZ"}, {8, "REG_RESOURCE_LIST"},
        {10, "REG_RESOURCE_REQUIREMENTS_LIST"}, {11, "REG_QWORD"}, {9, ""}, {12, ""}, {1000, ""},
    };
    for (const auto& row : names) EXPECT_EQ(TypeName(row.code), row.name) << row.code;
    EXPECT_EQ(TypeFromName("REG_BINARY"), 3u);
    EXPECT_EQ(TypeFromName("reg_dword"), 4u);
    EXPECT_EQ(TypeFromName("REG_SZ"), 1u);
    EXPECT_EQ(TypeFromName("REG_EXPAND_SZ"), 2u);
    EXPECT_EQ(TypeFromName("REG_MULTI_SZ"), 7u);
    EXPECT_EQ(TypeFromName("Reg_Qword"), 11u);
    EXPECT_EQ(TypeFromName("REG_RESOURCE_LIST"), 8u);
    EXPECT_EQ(TypeFromName("REG_RESOURCE_REQUIREMENTS_LIST"), 10u);
    EXPECT_EQ(TypeFromName("REG_NONE"), 1u);
    EXPECT_EQ(TypeFromName(""), 1u);
}

TEST(RegistryListing, DefaultValueReadMatchesTheFullListingsUnnamedRecord) {
    auto unnamedRecord = [](HKEY key) {
        ValueRecordArray all;
        CRegistryLib::ListValues(key, all);
        for (auto& r : all)
            if (r->name == "(Default)") return *r;
        return ValueRecord{};
    };
    SeededKey onlyOther(BASE + "\\DefaultOnly1");
    onlyOther.setString("ThreadingModel", "Apartment");
    SeededKey binary(BASE + "\\DefaultOnly2");
    binary.setBinary("", {1, 2, 3});
    binary.setString("ThreadingModel", "Both");
    SeededKey big(BASE + "\\DefaultOnly4");
    big.setString("", std::string(5000, 'p'));
    SeededKey emptyText(BASE + "\\DefaultOnly5");
    emptyText.setString("", "");
    for (const SeededKey* k : {&onlyOther, &binary, &big, &emptyText}) {
        ValueRecord quick = CRegistryLib::ReadDefaultValue(k->handle());
        ValueRecord full = unnamedRecord(k->handle());
        EXPECT_EQ(quick.name, "(Default)");
        EXPECT_EQ(quick.data, full.data) << k->path();
        EXPECT_EQ(quick.type, full.type) << k->path();
    }
    EXPECT_EQ(CRegistryLib::ReadDefaultValue(onlyOther.handle()).data, "(value not set)");
    EXPECT_EQ(CRegistryLib::ReadDefaultValue(big.handle()).data, std::string(5000, 'p'));

    // A value merely named "(Default)" is never taken for the unnamed one.
    SeededKey literal(BASE + "\\DefaultOnly3");
    literal.setString("(Default)", "literal name");
    EXPECT_EQ(CRegistryLib::ReadDefaultValue(literal.handle()).data, "(value not set)");
    literal.setString("", "unnamed");
    EXPECT_EQ(CRegistryLib::ReadDefaultValue(literal.handle()).data, "unnamed");
}

namespace {
// A value as stored: its name and raw UTF-16 bytes, so odd lengths and missing zeros can be seeded.
struct StoredValue {
    std::wstring name;
    DWORD type;
    std::vector<unsigned char> bytes;
};

std::vector<unsigned char> utf16(const std::wstring& text, bool terminated = true) {
    const size_t chars = text.size() + (terminated ? 1 : 0);
    const auto* p = reinterpret_cast<const unsigned char*>(text.c_str());
    return std::vector<unsigned char>(p, p + chars * sizeof(wchar_t));
}

bool representable(const std::wstring& w) {
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                        &lossy);
    return !lossy;
}

std::string narrow(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// The stored string up to its first zero, as the exactness of string data is judged.
std::wstring storedText(const StoredValue& v) {
    std::wstring w(v.bytes.size() / 2, L'\0');
    if (!w.empty()) std::memcpy(&w[0], v.bytes.data(), w.size() * 2);
    return w.substr(0, w.find(L'\0'));
}

void store(HKEY key, const StoredValue& v) {
    RegSetValueExW(key, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type, v.bytes.data(),
                   static_cast<DWORD>(v.bytes.size()));
}

// What the listing showed when it read through the ANSI calls: value `index` of `key`.
ValueRecord ansiReading(HKEY key, DWORD index) {
    std::vector<char> name(1024);
    std::vector<unsigned char> data(8192);
    DWORD nameLen = static_cast<DWORD>(name.size()), length = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueA(key, index, name.data(), &nameLen, nullptr, &type, data.data(), &length) != ERROR_SUCCESS)
        return ValueRecord{"(unreadable)", "", 0};
    if (nameLen > 0) return ValueRecord{std::string(name.data(), nameLen), FormatData(type, data.data(), length), type};
    if (length == 0) return ValueRecord{"(Default)", "(value not set)", type};
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    return ValueRecord{"(Default)", text ? BoundedText(data.data(), length) : FormatData(type, data.data(), length), type};
}

const std::vector<StoredValue>& oddValues() {
    static const std::vector<StoredValue> values = {
        {L"", REG_SZ, utf16(L"C:\\app\\unnamed.dll")},
        {L"plain", REG_SZ, utf16(L"C:\\app\\a.exe")},
        {L"caf\x00E9", REG_SZ, utf16(L"C:\\caf\x00E9\\a.exe")},
        // Chinese, Korean and Thai letters together: no code page carries all three.
        {L"cjk \x4E2D\xAC00\x0E01", REG_SZ, utf16(L"C:\\app\\b.exe")},
        {L"best fit \x0101", REG_SZ, utf16(L"C:\\app\\c.exe")},
        {L"cjk data", REG_SZ, utf16(L"C:\\\x4E2D\xAC00\x0E01\\d.exe")},
        {L"best fit data", REG_EXPAND_SZ, utf16(L"%ProgramFiles%\\\x0101pp.exe")},
        {L"odd length", REG_SZ, [] { auto b = utf16(L"C:\\odd.exe", false); b.push_back('x'); return b; }()},
        {L"unterminated", REG_SZ, utf16(L"C:\\open.exe", false)},
        {L"embedded zero", REG_SZ, utf16(std::wstring(L"C:\\a.exe\0C:\\b.exe", 17))},
        {L"empty", REG_SZ, utf16(L"")},
        {L"one byte", REG_SZ, {0x41}},
        {L"multi", REG_MULTI_SZ, utf16(std::wstring(L"one\0\x4E2D\0caf\x00E9\0", 13))},
        {L"number", REG_DWORD, {1, 0, 0, 0}},
        {L"bytes", REG_BINARY, {0x41, 0x00, 0x42}},
    };
    return values;
}
}  // namespace

// The listing reads wide and converts once; what it shows must be what the ANSI calls showed,
// and it must know which names and string data the code page carries exactly.
TEST(RegistryListing, WideReadingShowsTheAnsiTextAndKnowsWhetherItIsExact) {
    SeededKey key(BASE + "\\WideListing");
    for (const StoredValue& v : oddValues()) store(key.handle(), v);
    auto values = listKey(key.path());
    ASSERT_EQ(values.size(), oddValues().size());  // the unnamed value is stored: no supplied record
    int inexactNames = 0, inexactTexts = 0;
    for (DWORD i = 0; i < values.size(); ++i) {
        const ValueRecord& rec = *values[i];
        const ValueRecord ansi = ansiReading(key.handle(), i);
        SCOPED_TRACE(rec.name);
        EXPECT_EQ(rec.name, ansi.name);
        EXPECT_EQ(rec.data, ansi.data);
        EXPECT_EQ(rec.type, ansi.type);
        auto stored = std::find_if(oddValues().begin(), oddValues().end(), [&](const StoredValue& v) {
            return v.name.empty() ? !rec.named : rec.named && narrow(v.name) == rec.name;
        });
        ASSERT_NE(stored, oddValues().end());
        EXPECT_EQ(rec.exactName, representable(stored->name));
        const bool text = stored->type == REG_SZ || stored->type == REG_EXPAND_SZ;
        inexactNames += !rec.exactName;
        inexactTexts += text && !rec.exactData;
        // A named value's empty text is exact; the unnamed one without data reads "(value not set)".
        EXPECT_EQ(rec.exactData, text && representable(storedText(*stored)) &&
                                     (!stored->name.empty() || stored->bytes.size() > 1));
    }
    EXPECT_GT(inexactNames, 0);
    EXPECT_GT(inexactTexts, 0);
}

TEST(RegistryListing, DefaultValueReadKnowsWhetherItsDataIsExact) {
    int n = 0;
    for (const StoredValue& v : oddValues()) {
        SeededKey key(BASE + "\\WideDefault" + std::to_string(++n));
        store(key.handle(), StoredValue{L"", v.type, v.bytes});
        const ValueRecord rec = CRegistryLib::ReadDefaultValue(key.handle());
        const ValueRecord ansi = ansiReading(key.handle(), 0);
        SCOPED_TRACE(ansi.data);
        EXPECT_EQ(rec.name, "(Default)");
        EXPECT_EQ(rec.data, ansi.data);
        EXPECT_EQ(rec.type, ansi.type);
        EXPECT_TRUE(rec.exactName);
        const bool text = v.type == REG_SZ || v.type == REG_EXPAND_SZ;
        EXPECT_EQ(rec.exactData, text && representable(storedText(v)) && v.bytes.size() > 1);
    }
}
