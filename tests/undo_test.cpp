// Undo files through the real registry: layout of the export, byte-exact round trips, the import's
// rules and messages, hostile files, and the console's undo command.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "registry/RegKey.h"
#include "engine/RegistryLib.h"
#include "registry/XmlData.h"
#include "support/RegistryTree.h"
#include "support/TestSupport.h"
#include "xml/XmlElement.h"
#include "xml/XmlReader.h"

namespace {

const std::string BASE = "HKEY_CURRENT_USER\\Software\\ZentharTest\\Xml";
const std::string DECLARATION = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string hex(const Bytes& b) { return rawBytesText(b); }

// The repair's way of writing an undo file: a "registry" element around the chain.
int exportToFile(const std::string& path, const std::string& file, const ValueRecord* value = nullptr) {
    CRegistryLib lib;
    lib.undoWriter.SetFileName(file);
    XmlElement reg("registry");
    reg.WriteOpenTag(lib.undoWriter);
    int result = lib.SaveKeyAsXml(lib.undoWriter, path, value);
    reg.WriteCloseTag(lib.undoWriter);
    lib.undoWriter.Close();
    return result;
}

int importFile(const std::string& file, std::vector<std::string>* messages = nullptr) {
    CRegistryLib lib;
    lib.xmlMessage = [messages](const std::string& m) {
        if (messages) messages->push_back(m);
    };
    XmlReader reader;
    return lib.LoadXmlFile(reader, file);
}

// A chain from the root down to `path` (below BASE), wrapped around `inner` lines.
std::string fileAround(const std::string& inner) {
    return DECLARATION + "<registry>\r\n<k name=\"HKEY_CURRENT_USER\"><k name=\"Software\"><k name=\"ZentharTest\">"
                         "<k name=\"Xml\">\r\n" +
           inner + "\r\n</k></k></k></k>\r\n</registry>\r\n";
}

class UndoFiles : public ::testing::Test {
protected:
    ScratchDir dir{"undo"};
    SeededKey base{BASE};
};

// Every value type the scanners' keys hold, with the characters the file format must escape.
void seedEveryKind(SeededKey& k) {
    k.setString("plain", "C:\\Program Files\\app.exe");
    k.setString("a&b\"c<d'e>f", "x & y \"q\" <tag> 'a' > z");
    k.setString("&amp;", "&amp;");
    k.setString("", "default text");
    k.setString("expand", "%SystemRoot%\\system32\\x.dll", REG_EXPAND_SZ);
    k.setString("empty", "");
    k.setRaw("zero length", REG_SZ, "", 0);
    k.setRaw("unterminated", REG_SZ, "abc", 3);
    k.setString("line feed", "one\ntwo");
    k.setString("carriage return", "one\rtwo\r\r\nthree\r\n");
    k.setString("controls", "tab\there \x1A ctrl-z \x01 end");
    k.setString("high", "caf\xE9 \xA9 \xFF");
    k.setRaw("multi", REG_MULTI_SZ, "a\0b\0\0", 5);
    k.setRaw("multi empty inside", REG_MULTI_SZ, "a\0\0b\0\0", 7);
    k.setRaw("multi first empty", REG_MULTI_SZ, "\0b\0\0", 4);
    k.setRaw("multi none", REG_MULTI_SZ, "\0\0", 2);
    k.setRaw("multi unterminated", REG_MULTI_SZ, "a\0b\0", 4);
    k.setRaw("multi line breaks", REG_MULTI_SZ, "l1\r\nl2\0x\ny\0\0", 12);
    k.setBinary("binary", {0x01, 0xAB});
    k.setBinary("binary empty", {});
    k.setBinary("binary all", [] {
        std::vector<unsigned char> b(256);
        for (int i = 0; i < 256; ++i) b[i] = static_cast<unsigned char>(i);
        return b;
    }());
    k.setDword("dword", 16);
    k.setDword("dword max", 0xFFFFFFFFu);
    const uint64_t q = 0x0123456789ABCDEFull;
    k.setRaw("qword", REG_QWORD, &q, 8);
}

}  // namespace

TEST_F(UndoFiles, ExportLayoutFollowsTheNesting) {
    SeededKey x(BASE + "\\Layout");
    x.setString("s", "text");
    SeededKey y(BASE + "\\Layout\\Y");
    y.setDword("d", 16);
    ASSERT_EQ(exportToFile(x.path(), "undo.xml"), 1);
    EXPECT_EQ(ReadTextFile("undo.xml"), DECLARATION +
                                            " <registry>\r\n"
                                            "  <k name=\"HKEY_CURRENT_USER\">\r\n"
                                            "   <k name=\"Software\">\r\n"
                                            "    <k name=\"ZentharTest\">\r\n"
                                            "     <k name=\"Xml\">\r\n"
                                            "      <k name=\"Layout\">\r\n"
                                            "       <v name=\"s\" value=\"text\"/>\r\n"
                                            "       <k name=\"Y\">\r\n"
                                            "        <v name=\"d\" value=\"0x00000010 (16)\" type=\"REG_DWORD\"/>\r\n"
                                            "       </k>\r\n"
                                            "      </k>\r\n"
                                            "     </k>\r\n"
                                            "    </k>\r\n"
                                            "   </k>\r\n"
                                            "  </k>\r\n"
                                            " </registry>\r\n");
}

TEST_F(UndoFiles, ExportOfEmptyKeysAndSingleValues) {
    SeededKey a(BASE + "\\A");
    SeededKey e(BASE + "\\A\\Empty");
    SeededKey f(BASE + "\\A\\Full");
    f.setString("s", "x", REG_EXPAND_SZ);
    a.setString("one", "1");
    a.setString("two", "2");
    CRegistryLib lib;
    XmlWriter w;
    w.SetFileName("empty.xml");
    ASSERT_EQ(lib.SaveKeyAsXml(w, e.path(), nullptr), 1);
    w.Close();
    // The exported key itself gets open and close tags; no value, since the unnamed one is not set.
    EXPECT_EQ(ReadTextFile("empty.xml"), DECLARATION +
                                             " <k name=\"HKEY_CURRENT_USER\">\r\n  <k name=\"Software\">\r\n"
                                             "   <k name=\"ZentharTest\">\r\n    <k name=\"Xml\">\r\n"
                                             "     <k name=\"A\">\r\n      <k name=\"Empty\">\r\n"
                                             "      </k>\r\n     </k>\r\n    </k>\r\n   </k>\r\n  </k>\r\n </k>\r\n");
    // One value record: that value, and every subkey with its values; empty subkeys as empty elements.
    ValueRecord two{"two", "2", REG_SZ};
    w.SetFileName("value.xml");
    ASSERT_EQ(lib.SaveKeyAsXml(w, a.path(), &two), 1);
    w.Close();
    const std::string text = ReadTextFile("value.xml");
    EXPECT_NE(text.find("      <v name=\"two\" value=\"2\"/>\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\"one\""), std::string::npos) << text;
    EXPECT_NE(text.find("      <k name=\"Empty\"/>\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("       <v name=\"s\" value=\"x\" type=\"REG_EXPAND_SZ\"/>\r\n"), std::string::npos) << text;
    // A path that cannot be opened writes nothing.
    w.SetFileName("none.xml");
    EXPECT_EQ(lib.SaveKeyAsXml(w, BASE + "\\Missing", nullptr), 0);
    EXPECT_EQ(lib.SaveKeyAsXml(w, "HKLM\\Software", nullptr), 0);
    w.Close();
    EXPECT_FALSE(PathExists("none.xml"));
}

TEST_F(UndoFiles, EveryValueAndKeyComesBackByteForByte) {
    const std::string top = BASE + "\\RoundTrip";
    {
        SeededKey k(top);
        seedEveryKind(k);
        SeededKey empty(top + "\\Empty");
        SeededKey special(top + "\\K&\"<'>&amp;");
        special.setString("v", "w");
        SeededKey l3(top + "\\L1\\L2\\L3");
        l3.setDword("deep", 7);
        SeededKey l2(top + "\\L1\\L2", false);
        l2.setRaw("m", REG_MULTI_SZ, "x\0y\0\0", 5);
        SeededKey emptyDeep(top + "\\L1\\L2\\L3\\EmptyToo");
        // Values that merely carry the name the unnamed value is listed under.
        SeededKey literal(top + "\\Literal");
        literal.setString("", "unnamed");
        literal.setString("(Default)", "literal");
        SeededKey literalOnly(top + "\\LiteralOnly");
        literalOnly.setDword("(DEFAULT)", 3);
        const uint64_t q = 5;
        const DWORD d = 0x10;
        const struct { const char* key; DWORD type; const void* data; DWORD size; } defaults[] = {
            {"DefBinary", REG_BINARY, "\x01\xAB", 2}, {"DefDword", REG_DWORD, &d, 4},
            {"DefQword", REG_QWORD, &q, 8},           {"DefMulti", REG_MULTI_SZ, "a\0b\0\0", 5},
            {"DefExpand", REG_EXPAND_SZ, "%x%", 4},   {"DefEmpty", REG_SZ, "", 0},
            {"DefEmptyBinary", REG_BINARY, "", 0},    {"DefNotSet", REG_SZ, "(value not set)", 16},
        };
        std::vector<std::unique_ptr<SeededKey>> keys;
        for (const auto& def : defaults) {
            keys.push_back(std::make_unique<SeededKey>(top + "\\" + def.key));
            keys.back()->setRaw("", def.type, def.data, def.size);
        }
        const RegistryTree before = SnapshotTree(top);
        ASSERT_EQ(before.size(), 9u + std::size(defaults));
        ASSERT_EQ(exportToFile(top, "undo.xml"), 1);
        keys.clear();
        DeleteKeyPath(top);
        ASSERT_FALSE(KeyExists(top));
        std::vector<std::string> messages;
        EXPECT_EQ(importFile("undo.xml", &messages), 1);
        EXPECT_TRUE(messages.empty()) << messages.front();
        EXPECT_EQ(FirstTreeDifference(before, SnapshotTree(top)), "");
        // What the plain format carries needs no exact-byte attribute.
        const std::string text = ReadTextFile("undo.xml");
        for (const char* plain : {"\"plain\"", "\"multi\"", "\"dword\"", "\"binary\"", "\"qword\"", "\"&amp;amp;\""}) {
            size_t at = text.find("<v name=" + std::string(plain));
            ASSERT_NE(at, std::string::npos) << plain;
            EXPECT_EQ(text.substr(at, text.find('\n', at) - at).find("raw="), std::string::npos) << plain;
        }
    }
    EXPECT_FALSE(KeyExists(top));
}

TEST_F(UndoFiles, ImportRebuildsValuesFromTheirTexts) {
    WriteTextFile("in.xml",
                  fileAround("<k name=\"Texts\">\r\n"
                             "<v name=\"d\" value=\"0x00000010 (16)\" type=\"REG_DWORD\"/>\r\n"
                             "<v name=\"b\" value=\"01 ab\" type=\"REG_BINARY\"/>\r\n"
                             "<v name=\"m\" value=\"a\r\nb\" type=\"REG_MULTI_SZ\"/>\r\n"
                             "<v name=\"q\" value=\"0x0000000100000002\" type=\"reg_qword\"/>\r\n"
                             "<v name=\"amp\" value=\"&amp;amp; &lt;&quot;&gt;\"/>\r\n"
                             "<v name=\"(default)\" value=\"unnamed\"/>\r\n"
                             "</k>"));
    std::vector<std::string> messages;
    ASSERT_EQ(importFile("in.xml", &messages), 1);
    EXPECT_TRUE(messages.empty());
    RegistryTree t = SnapshotTree(BASE + "\\Texts");
    auto& v = t[""];
    EXPECT_EQ(hex(v["d"].bytes), "10 00 00 00");
    EXPECT_EQ(v["d"].type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(hex(v["b"].bytes), "01 ab");
    EXPECT_EQ(v["m"].bytes, bytesOf(std::string("a\0b\0\0", 5)));
    EXPECT_EQ(hex(v["q"].bytes), "02 00 00 00 01 00 00 00");
    EXPECT_EQ(v["amp"].bytes, bytesOf(std::string("&amp; <\">\0", 10)));
    EXPECT_EQ(v[""].bytes, bytesOf(std::string("unnamed\0", 8)));
}

TEST_F(UndoFiles, AFileThatFailsTheCheckWritesNothingAndSaysWhy) {
    // Each file has a good key before the fault and one after it: neither may be written.
    const struct { const char* inner; const char* why; } cases[] = {
        {"<v name=\"short dword\" value=\"0x10\" type=\"REG_DWORD\"/>", "\"short dword\" does not fit its type"},
        {"<v name=\"short qword\" value=\"0x00000001\" type=\"REG_QWORD\"/>", "does not fit its type"},
        {"<v name=\"half pair\" value=\"01 a\" type=\"REG_BINARY\"/>", "does not fit its type"},
        {"<v name=\"bad raw\" value=\"x\" raw=\"0g\"/>", "does not fit its type"},
        {"<v name=\"bad bytes\" value=\"x\" bytes=\"01 0\"/>", "does not fit its type"},
        {"<v name=\"bad code\" value=\"x\" code=\"12x\" bytes=\"01\"/>", "bad type number"},
        {"<v name=\"order\" type=\"REG_DWORD\" value=\"0x00000001 (1)\"/>", "\"type\" comes before the value's data"},
        {"<v value=\"lost\" name=\"late\"/>", "\"value\" comes before the value's name"},
        {"<v value=\"no name\"/>", "\"value\" comes before the value's name"},
        {"<v name=\"no data\"/>", "without data"},
        {"<v name=\"cut&#0;name\" value=\"x\"/>", "that the registry cannot hold"},
        {"<k name=\"nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
         "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
         "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn\"/>", "that the registry cannot hold"},
        {"<k name=\"a\\b\"/>", "that the registry cannot hold"},
        {"<k><v name=\"x\" value=\"1\"/></k>", "a key without a name"},
        {"</k></k></k></k></k>", "never opened"},
        {"<k name=\"L\" link=\"1\"><k name=\"below\"/></k>", "a key below a link"},
        {"<k name=\"P2\" <v/>", "Parse error in line 5 : (Bad '<' symbol); nothing was restored."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inner);
        WriteTextFile("bad.xml", fileAround("<k name=\"Before\"><v name=\"a\" value=\"1\"/></k>\r\n" +
                                            std::string(c.inner) + "\r\n<k name=\"After\"/>"));
        std::vector<std::string> messages;
        EXPECT_EQ(importFile("bad.xml", &messages), 0);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(c.why), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find("nothing was restored"), std::string::npos) << messages[0];
        EXPECT_FALSE(KeyExists(BASE + "\\Before"));
        EXPECT_FALSE(KeyExists(BASE + "\\After"));
    }
    // Roots: an unknown one, a registry view that is neither 32 nor 64 (its chain must not land in a
    // view it was not taken from), and a file that is not an undo file at all.
    const struct { const char* text; const char* why; } roots[] = {
        {"<registry><k name=\"HKLM\"><k name=\"Software\"/></k></registry>", "unknown root key \"HKLM\""},
        {"<registry><k name=\"HKEY_CURRENT_USER\" view=\"6\"><k name=\"Software\"><k name=\"ZentharTest\">"
         "<k name=\"Xml\"><k name=\"Viewed\"/></k></k></k></k></registry>",
         "unknown registry view \"6\""},
        {"<reg><k name=\"HKEY_CURRENT_USER\"/></reg>", "not an undo file"},
    };
    for (const auto& root : roots) {
        WriteTextFile("root.xml", root.text);
        std::vector<std::string> messages;
        EXPECT_EQ(importFile("root.xml", &messages), 0);
        ASSERT_EQ(messages.size(), 1u) << root.text;
        EXPECT_NE(messages[0].find(root.why), std::string::npos) << messages[0];
    }
    EXPECT_FALSE(KeyExists(BASE + "\\Viewed"));
}

TEST_F(UndoFiles, StopsKeepWhatWasWrittenBefore) {
    std::vector<std::string> messages;
    // An unreadable file is not a success.
    EXPECT_EQ(importFile("no such file.xml", &messages), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Can't read the undo file"), std::string::npos);
    // Unclosed elements at the end of the file, as a killed repair leaves it: the keys exist, the
    // import succeeded; so with a last line cut off in the middle of a tag.
    for (const std::string& cut : {std::string(), std::string("<v name=\"b\" <")}) {
        WriteTextFile("open.xml", DECLARATION + "<registry>\r\n<k name=\"HKEY_CURRENT_USER\"><k name=\"Software\">"
                                                "<k name=\"ZentharTest\"><k name=\"Xml\"><k name=\"Open\">\r\n"
                                                "<v name=\"a\" value=\"1\"/>\r\n<k name=\"Inner\">\r\n" + cut);
        messages.clear();
        EXPECT_EQ(importFile("open.xml", &messages), 1) << cut;
        EXPECT_TRUE(messages.empty()) << messages.front();
        EXPECT_TRUE(ValueExists(BASE + "\\Open", "a"));
        EXPECT_FALSE(ValueExists(BASE + "\\Open", "b"));
        EXPECT_TRUE(KeyExists(BASE + "\\Open\\Inner"));
        DeleteKeyPath(BASE + "\\Open");
    }
}

TEST_F(UndoFiles, AFileWithoutACompleteRegistryElementIsRefused) {
    std::string randomBytes(3000, '\0');
    uint32_t seed = 7;
    for (char& c : randomBytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
        if (c == '\n') c = 'n';  // no line end anywhere
    }
    const std::string zipLike = std::string("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) + "FixedOn.xml" +
                                std::string("\xED\x9D\x5B\x6F\x1B\xC7\x15\x80\xFF\x0B", 10) + "PK\x05\x06";
    const std::string chainStart = "<k name=\"HKEY_CURRENT_USER\"><k name=\"Software\"><k name=\"ZentharTest\">"
                                   "<k name=\"Xml\"><k name=\"Kept\">\r\n<v name=\"a\" value=\"1\"/>\r\n";
    const struct { const char* what; std::string text; const char* why; } cases[] = {
        {"empty", "", "is empty"},
        {"random bytes", randomBytes, "no complete \"registry\" element"},
        {"zip-like bytes", zipLike, "no complete \"registry\" element"},
        {"text without a line end", "FixedOn restore list", "no complete \"registry\" element"},
        {"only the declaration", DECLARATION, "no complete \"registry\" element"},
        {"the registry tag cut off", DECLARATION + "<registry", "no complete \"registry\" element"},
        {"no registry element", DECLARATION + "<reg>\r\n" + chainStart + "</k></k></k></k></k>\r\n</reg>\r\n",
         "no complete \"registry\" element"},
        // Accepted: a killed repair's file, cut in its last line, and a whole file.
        {"cut off in the last line", DECLARATION + "<registry>\r\n" + chainStart + "<v name=\"b\" val", nullptr},
        {"whole", DECLARATION + "<registry>\r\n" + chainStart + "</k></k></k></k></k>\r\n</registry>\r\n", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTextFile("case.xml", c.text);
        std::vector<std::string> messages;
        EXPECT_EQ(importFile("case.xml", &messages), c.why ? 0 : 1);
        auto console = RunProcess("\"" + CliPath() + "\" undo \"" + dir.file("case.xml") + "\"");
        EXPECT_EQ(console.exitCode, c.why ? 1u : 0u) << console.err;
        if (c.why) {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_NE(messages[0].find(c.why), std::string::npos) << messages[0];
            EXPECT_NE(messages[0].find("nothing was restored"), std::string::npos) << messages[0];
            EXPECT_NE(console.err.find(c.why), std::string::npos) << console.err;
            EXPECT_FALSE(KeyExists(BASE + "\\Kept"));
        } else {
            EXPECT_TRUE(messages.empty()) << messages.front();
            EXPECT_TRUE(ValueExists(BASE + "\\Kept", "a"));
            EXPECT_FALSE(ValueExists(BASE + "\\Kept", "b"));
        }
        DeleteKeyPath(BASE + "\\Kept");
    }
}

TEST_F(UndoFiles, TruncatedFilesRestoreOnlyWhatIsComplete) {
    const std::string top = BASE + "\\Cut";
    RegistryTree before;
    {
        SeededKey k(top);
        seedEveryKind(k);
        SeededKey sub(top + "\\Sub\\Deeper");
        sub.setString("x", "y");
        before = SnapshotTree(top);
        ASSERT_EQ(exportToFile(top, "undo.xml"), 1);
    }
    const std::string text = ReadTextFile("undo.xml");
    for (size_t cut = 0; cut < text.size(); cut += 1 + text.size() / 97) {
        SCOPED_TRACE(cut);
        WriteTextFile("cut.xml", text.substr(0, cut));
        importFile("cut.xml");
        // Every key and value that arrived is exactly the original: a cut value is never half set.
        EXPECT_EQ(FirstTreeDifference(before, SnapshotTree(top), true), "");
        DeleteKeyPath(top);
    }
}

TEST_F(UndoFiles, LargeFilesImportInFull) {
    // 100,000 lines: a multi-string over 80,000 lines and 20,000 values.
    std::string inner = "<k name=\"Large\">\r\n<v name=\"multi\" value=\"";
    for (int i = 0; i < 80000; ++i) inner += "s" + std::to_string(i) + (i + 1 < 80000 ? "\r\n" : "");
    inner += "\" type=\"REG_MULTI_SZ\"/>\r\n";
    for (int i = 0; i < 20000; ++i) inner += "<v name=\"v" + std::to_string(i) + "\" value=\"" + std::to_string(i) + "\"/>\r\n";
    // A line of a megabyte.
    const std::string longText(1 << 20, 'L');
    inner += "<v name=\"long\" value=\"" + longText + "\"/>\r\n</k>";
    WriteTextFile("large.xml", fileAround(inner));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(importFile("large.xml"), 1);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("100,000-line import: %.2f s\n", seconds);
    RegistryTree t = SnapshotTree(BASE + "\\Large");
    auto& v = t[""];
    EXPECT_EQ(v.size(), 20002u);
    const Bytes& multi = v["multi"].bytes;
    EXPECT_EQ(std::count(multi.begin(), multi.end(), 0), 80001);
    EXPECT_EQ(v["v19999"].bytes, bytesOf(std::string("19999\0", 6)));
    EXPECT_EQ(v["long"].bytes.size(), longText.size() + 1);
}

TEST_F(UndoFiles, GarbageNeverCrashesNorWritesOutsideItsChain) {
    const std::string top = BASE + "\\Fuzz\\D1\\D2\\D3";
    {
        SeededKey k(top + "\\Tree");
        seedEveryKind(k);
        SeededKey sub(top + "\\Tree\\A\\B");
        sub.setDword("d", 1);
        ASSERT_EQ(exportToFile(top + "\\Tree", "undo.xml"), 1);
    }
    const std::string text = ReadTextFile("undo.xml");
    const size_t treeStart = text.find("<k name=\"Tree\">");
    ASSERT_NE(treeStart, std::string::npos);
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 60; ++round) {
        std::string bytes;
        if (round % 3 == 0) {
            bytes.resize(4096 + next() % 60000);
            for (char& c : bytes) c = static_cast<char>(next() >> 24);
        } else {
            // A few flipped bytes inside the exported tree, which lies four keys below our base.
            bytes = text;
            for (int i = 0; i < 3; ++i) bytes[treeStart + next() % (bytes.size() - treeStart)] = static_cast<char>(next() >> 24);
        }
        WriteTextFile("garbage.xml", bytes);
        std::vector<std::string> messages;
        importFile("garbage.xml", &messages);
    }
    // Damage may move keys up a few levels, never out of the chain that holds them.
    for (const auto& entry : SnapshotTree(BASE)) {
        const std::string& key = entry.first;
        EXPECT_TRUE(key.empty() || key.compare(0, 5, "\\Fuzz") == 0) << key;
    }
    DeleteKeyPath(BASE + "\\Fuzz");
}

TEST_F(UndoFiles, EscapingSurvivesTheCodePage) {
    // Each byte the code page can carry comes back through escape and unescape; control characters
    // do not leave raw line breaks or a Ctrl+Z in the file.
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        wchar_t w[4];
        char back[8];
        int n = MultiByteToWideChar(CP_ACP, 0, one.data(), 1, w, 4);
        int m = n > 0 ? WideCharToMultiByte(CP_ACP, 0, w, n, back, sizeof back, nullptr, nullptr) : 0;
        if (m != 1 || back[0] != one[0]) continue;
        const std::string text = "x" + one + "y";
        const std::string escaped = CRegistryLib::XmlEscape(text);
        EXPECT_EQ(CRegistryLib::XmlUnescape(escaped), text) << b;
        if (b < 0x20 && b != '\t') {
            EXPECT_EQ(escaped.find(one), std::string::npos) << b;
        }
    }
    EXPECT_EQ(CRegistryLib::XmlEscape("a\r\nb&\"<'>"), "a\r\nb&amp;&quot;&lt;'>");
    EXPECT_EQ(CRegistryLib::XmlUnescape("&amp;amp;&amp;lt;"), "&amp;&lt;");
}

TEST_F(UndoFiles, ConsoleUndoCommand) {
    auto run = [](const std::string& args) { return RunProcess("\"" + CliPath() + "\" undo" + args); };
    ProcessResult r = run("");
    EXPECT_EQ(r.exitCode, 2u);
    r = run(" \"" + dir.file("missing.xml") + "\"");
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_NE(r.err.find("missing.xml"), std::string::npos);

    WriteTextFile("good.xml", fileAround("<k name=\"Cli\"><v name=\"ok\" value=\"1\"/></k>"));
    r = run(" \"" + dir.file("good.xml") + "\"");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(ValueExists(BASE + "\\Cli", "ok"));

    // Refused files exit 1 with the reason and write nothing.
    WriteTextFile("bad.xml", fileAround("<k name=\"Cli1\"><v name=\"ok\" value=\"1\"/>"
                                        "<v name=\"bad\" value=\"0x1\" type=\"REG_DWORD\"/></k>"));
    WriteTextFile("parse.xml", fileAround("<k name=\"Cli2\" <\r\n<k name=\"Cli3\"/>"));
    WriteTextFile("root.xml", "<k name=\"NOT_A_ROOT\"/>");
    for (const char* file : {"bad.xml", "parse.xml", "root.xml"}) {
        r = run(" \"" + dir.file(file) + "\"");
        EXPECT_EQ(r.exitCode, 1u) << file;
        EXPECT_NE(r.err.find("nothing was restored"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(KeyExists(BASE + "\\Cli1"));
    EXPECT_FALSE(KeyExists(BASE + "\\Cli2"));

    // A value the registry refuses: the rest is written, the exit status says it was not all.
    SeededKey locked(BASE + "\\Locked");
    locked.setString("v", "old");
    WriteTextFile("refused.xml", fileAround("<k name=\"Locked\"><v name=\"v\" value=\"new\"/></k>"
                                            "<k name=\"Fine\"><v name=\"w\" value=\"1\"/></k>"));
    {
        KeyAccessLimit readOnly(locked.path(), KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
        ASSERT_TRUE(readOnly.applied());
        r = run(" \"" + dir.file("refused.xml") + "\"");
    }
    EXPECT_EQ(r.exitCode, 1u) << r.err;
    EXPECT_NE(r.err.find("couldn't "), std::string::npos) << r.err;
    EXPECT_TRUE(ValueExists(BASE + "\\Fine", "w"));
}
