// XmlWriter, XmlElement and XmlReader: line layout, declaration, token sequences and parse errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "xml/XmlElement.h"
#include "xml/XmlReader.h"
#include "xml/XmlWriter.h"

namespace {

const std::string DECLARATION = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

struct Token {
    int kind;
    std::string data;  // element name, "name=value", text or declaration name by kind
    bool operator==(const Token& o) const { return kind == o.kind && data == o.data; }
};

std::ostream& operator<<(std::ostream& os, const Token& t) { return os << t.kind << ":" << t.data; }

// Every token of a file until Next returns 0.
std::vector<Token> tokensOf(XmlReader& reader, const std::string& path, size_t limit = 10000) {
    reader.SetFileName(path);
    std::vector<Token> out;
    while (out.size() < limit && reader.Next()) {
        Token t{reader.Token(), std::string()};
        if (t.kind == 1 || t.kind == 2) t.data = reader.ElementName();
        if (t.kind == 3) t.data = reader.AttributeName() + "=" + reader.AttributeValue();
        if (t.kind == 4) t.data = reader.Text();
        if (t.kind == 5) t.data = reader.DeclarationName();
        out.push_back(t);
    }
    return out;
}

std::vector<Token> tokensOfText(const std::string& text, std::string* error = nullptr) {
    WriteTextFile("in.xml", text);
    XmlReader reader;
    auto tokens = tokensOf(reader, "in.xml");
    if (error) *error = reader.Error();
    return tokens;
}

std::vector<Token> withoutKind0(const std::vector<Token>& tokens) {
    std::vector<Token> out;
    for (const auto& t : tokens)
        if (t.kind != 0) out.push_back(t);
    return out;
}

class XmlFiles : public ::testing::Test {
protected:
    ScratchDir dir{"xml"};
};

using XmlWriterTest = XmlFiles;
using XmlReaderTest = XmlFiles;

}  // namespace

TEST_F(XmlWriterTest, FirstLineIsTheUnindentedDeclarationWhateverTheDepth) {
    XmlWriter w;
    w.SetFileName("a.xml");
    w.AddDepth(3);
    EXPECT_EQ(w.WriteLine("line\r\n"), 1);
    EXPECT_EQ(w.Depth(), 3);
    EXPECT_EQ(w.WriteLine("two\r\n"), 1);
    w.Close();
    EXPECT_EQ(ReadTextFile("a.xml"), DECLARATION + "line\r\ntwo\r\n");
    EXPECT_EQ(w.Depth(), 0);
}

TEST_F(XmlWriterTest, TagsIndentOneSpacePerLevelAndKeepTheDepthBalanced) {
    XmlWriter w;
    w.SetFileName("a.xml");
    XmlElement reg("registry");
    XmlElement k("k");
    k.SetAttribute("name", "first");
    k.SetAttribute("other", "x");
    k.SetAttribute("name", "second");  // replaced in place, not appended
    XmlElement v("v");
    v.SetAttribute("name", "a");
    reg.WriteOpenTag(w);
    EXPECT_EQ(w.Depth(), 1);
    k.WriteOpenTag(w);
    v.WriteEmptyElement(w);
    EXPECT_EQ(w.Depth(), 2);
    k.WriteEmptyElement(w, 1, false, false);
    k.WriteCloseTag(w);
    reg.WriteCloseTag(w);
    EXPECT_EQ(w.Depth(), 0);
    w.Close();
    EXPECT_EQ(ReadTextFile("a.xml"), DECLARATION +
                                         " <registry>\r\n"
                                         "  <k name=\"second\" other=\"x\">\r\n"
                                         "   <v name=\"a\"/>\r\n"
                                         "<k name=\"second\" other=\"x\"/>"
                                         "  </k>\r\n"
                                         " </registry>\r\n");
}

TEST_F(XmlWriterTest, EachLineIsInTheFileBeforeWriteLineReturns) {
    XmlWriter w;
    w.SetFileName("a.xml");
    ASSERT_EQ(w.WriteLine("first\r\n"), 1);
    // Read by another handle while the writer still holds the file open.
    EXPECT_EQ(ReadTextFile("a.xml"), DECLARATION + "first\r\n");
    ASSERT_EQ(w.WriteLine("second\r\n"), 1);
    EXPECT_EQ(ReadTextFile("a.xml"), DECLARATION + "first\r\nsecond\r\n");
}

TEST_F(XmlWriterTest, CloseStartsAFreshFileAndTheNameIsFixedWhileOpen) {
    XmlWriter w;
    w.SetFileName("a.xml");
    w.WriteLine("old\r\n");
    w.SetFileName("b.xml");  // ignored: open
    EXPECT_EQ(w.FileName(), "a.xml");
    w.Close();
    w.WriteLine("new\r\n");
    w.Close();
    EXPECT_EQ(ReadTextFile("a.xml"), DECLARATION + "new\r\n");
    EXPECT_FALSE(PathExists("b.xml"));
}

TEST_F(XmlWriterTest, UnopenableFileFailsEachWriteAndIsRetried) {
    XmlWriter w;
    w.SetFileName("missing\\a.xml");
    EXPECT_EQ(w.WriteLine("x\r\n"), 0);
    EXPECT_FALSE(w.IsOpen());
    CreateDirectoryA("missing", nullptr);
    EXPECT_EQ(w.WriteLine("y\r\n"), 1);
    w.Close();
    EXPECT_EQ(ReadTextFile("missing\\a.xml"), DECLARATION + "y\r\n");
}

TEST_F(XmlReaderTest, EmptyElementWithAttributesAsTheWriterWritesIt) {
    const std::vector<Token> expected = {{1, "v"}, {0, ""}, {0, ""}, {0, ""}, {3, "name=a"}, {0, ""}, {0, ""},
                                         {0, ""},  {3, "value=b"}, {2, "v"}, {0, ""}, {0, ""}};
    EXPECT_EQ(tokensOfText("<v name=\"a\" value=\"b\"/>\r\n"), expected);
}

TEST_F(XmlReaderTest, IndentationAfterAnEarlierTagArrivesAsText) {
    auto tokens = tokensOfText("<registry>\r\n  <k name=\"x\">\r\n  </k>\r\n</registry>\r\n");
    const std::vector<Token> expected = {{1, "registry"}, {4, "  "}, {1, "k"}, {3, "name=x"},    {4, "  "},
                                         {2, "k"},        {2, "registry"}};
    EXPECT_EQ(withoutKind0(tokens), expected);
    // A closing tag is kind 2 followed by kind 0 for its >.
    auto close = tokensOfText("</k>");
    ASSERT_GE(close.size(), 2u);
    EXPECT_EQ(close[0], (Token{2, "k"}));
    EXPECT_EQ(close[1], (Token{0, ""}));
}

TEST_F(XmlReaderTest, TextAfterATagRunsToTheNextTag) {
    EXPECT_EQ(withoutKind0(tokensOfText("<a>hello world<b/>tail\r\n")),
              (std::vector<Token>{{1, "a"}, {4, "hello world"}, {1, "b"}, {2, "b"}, {4, "tail"}}));
}

TEST_F(XmlReaderTest, AttributeValuesKeepTheirLineBreaksAndQuotes) {
    // Two lines, an empty line and a line ending right after the opening quote all keep their breaks.
    EXPECT_EQ(withoutKind0(tokensOfText("<v value=\"a\r\nb\"/>")),
              (std::vector<Token>{{1, "v"}, {3, "value=a\r\nb"}, {2, "v"}}));
    EXPECT_EQ(withoutKind0(tokensOfText("<v value=\"a\r\n\r\nb\"/>")),
              (std::vector<Token>{{1, "v"}, {3, "value=a\r\n\r\nb"}, {2, "v"}}));
    EXPECT_EQ(withoutKind0(tokensOfText("<v value=\"\r\nb\r\n\"/>")),
              (std::vector<Token>{{1, "v"}, {3, "value=\r\nb\r\n"}, {2, "v"}}));
    // In double quotes, apostrophes and > are data; in apostrophes, double quotes are.
    EXPECT_EQ(withoutKind0(tokensOfText("<v a=\"it's > x\" b='say \"hi\"'/>")),
              (std::vector<Token>{{1, "v"}, {3, "a=it's > x"}, {3, "b=say \"hi\""}, {2, "v"}}));
    // A value of one megabyte on one line.
    std::string big(1 << 20, 'x');
    auto tokens = withoutKind0(tokensOfText("<v a=\"" + big + "\"/>"));
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].data, "a=" + big);
}

TEST_F(XmlReaderTest, CommentsAndCDataAreSkippedAcrossLines) {
    EXPECT_EQ(tokensOfText("<!-- a <b> -->")[0], (Token{6, ""}));
    EXPECT_EQ(withoutKind0(tokensOfText("<!-- one <x> -->\r\n<a/>")),
              (std::vector<Token>{{6, ""}, {1, "a"}, {2, "a"}}));
    // Open across two line ends: kind 6 at the opener and at each line end inside it.
    EXPECT_EQ(withoutKind0(tokensOfText("<a><!-- one\r\n<two a=\"b\">\r\nthree --><b/>")),
              (std::vector<Token>{{1, "a"}, {6, ""}, {6, ""}, {6, ""}, {1, "b"}, {2, "b"}}));
    EXPECT_EQ(withoutKind0(tokensOfText("<a><![CDATA[ <x>\r\n]] > y ]]><b/>")),
              (std::vector<Token>{{1, "a"}, {7, ""}, {7, ""}, {1, "b"}, {2, "b"}}));
}

TEST_F(XmlReaderTest, DeclarationsClearTheElementName) {
    WriteTextFile("in.xml", "<k>" + DECLARATION);
    XmlReader reader;
    reader.SetFileName("in.xml");
    ASSERT_EQ(reader.Next(), 1);
    EXPECT_EQ(reader.ElementName(), "k");
    while (reader.Next() && reader.Token() != XML_TOKEN_DECLARATION) {}
    EXPECT_EQ(reader.DeclarationName(), "?xml");
    EXPECT_EQ(reader.ElementName(), "");
    ASSERT_EQ(reader.Next(), 1);
    ASSERT_EQ(reader.Next(), 1);
    ASSERT_EQ(reader.Next(), 1);
    ASSERT_EQ(reader.Next(), 1);
    EXPECT_EQ(reader.Token(), XML_TOKEN_ATTRIBUTE);
    EXPECT_EQ(reader.AttributeName(), "version");
    EXPECT_EQ(reader.AttributeValue(), "1.0");
}

TEST_F(XmlReaderTest, ParseErrorsNameTheLine) {
    const struct { const char* text; const char* error; } cases[] = {
        {" <a/>", "Parse error in line 1 : (Syntax error)"},
        {"<a/>\r\n<b>\r\n<   \r\n", "Parse error in line 3 : ('<' symbol not allowed at the end of a line)"},
        {"<a\r\n<b>", "Parse error in line 2 : (Bad '<' symbol)"},
        {"<a>\r\n< >", "Parse error in line 2 : (Empty element name)"},
        {"<a/>\r\n\r\n<k name=\"x\" =\"y\"/>", "Parse error in line 3 : (Missing attribute name before '=')"},
    };
    for (const auto& c : cases) {
        std::string error;
        tokensOfText(c.text, &error);
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST_F(XmlReaderTest, ErrorsReachTheSinkOnlyWhenShown) {
    WriteTextFile("in.xml", "<a\r\n<b>");
    std::vector<std::string> shown;
    XmlReader reader;
    reader.SetErrorSink([&](const std::string& m) { shown.push_back(m); });
    tokensOf(reader, "in.xml");
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(reader.Next(), 0);  // stays stopped until closed
    reader.Close();
    reader.SetShowErrors(true);
    tokensOf(reader, "in.xml");
    EXPECT_EQ(shown, std::vector<std::string>{"Parse error in line 2 : (Bad '<' symbol)"});
}

TEST_F(XmlReaderTest, EndOfFileMissingFileAndReuse) {
    XmlReader reader;
    reader.SetFileName("none.xml");
    EXPECT_EQ(reader.Next(), 0);
    EXPECT_TRUE(reader.OpenFailed());
    EXPECT_EQ(reader.Error(), "");
    WriteTextFile("in.xml", "<a/>");
    reader.SetFileName("in.xml");
    EXPECT_EQ(withoutKind0(tokensOf(reader, "in.xml")), (std::vector<Token>{{1, "a"}, {2, "a"}}));
    EXPECT_FALSE(reader.OpenFailed());
    EXPECT_FALSE(reader.Failed());
    WriteTextFile("other.xml", "<b/>");
    reader.SetFileName("other.xml");  // ignored while open: still at the end of in.xml
    EXPECT_EQ(reader.Next(), 0);
    reader.Close();
    EXPECT_EQ(withoutKind0(tokensOf(reader, "other.xml")), (std::vector<Token>{{1, "b"}, {2, "b"}}));
}

TEST_F(XmlReaderTest, OddBytesNeitherHangNorStopTheFile) {
    // A lone carriage return in text, a Ctrl+Z and a NUL byte, and an editor's byte-order mark.
    std::string text = "\xEF\xBB\xBF<a>x\ry<b v=\"1\x1A" + std::string(1, '\0') + "2\"/>\r\n<c/>";
    auto tokens = withoutKind0(tokensOfText(text));
    const std::vector<Token> expected = {{1, "a"}, {4, "x"}, {4, "y"}, {1, "b"}, {3, "v=1\x1A" + std::string(1, '\0') + "2"},
                                         {2, "b"}, {1, "c"}, {2, "c"}};
    EXPECT_EQ(tokens, expected);
}
